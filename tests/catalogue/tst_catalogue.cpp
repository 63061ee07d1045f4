#include "DataColumns.h"
#include "FileBytes.h"
#include "RaisedText.h"
#include "SlotNameStore.h"
#include "TestData.h"
#include "VentaroError.h"
#include "VoiceCatalogue.h"
#include "VoiceDump.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using Bank = VoiceCatalogue::Bank;
using Prom = VoiceCatalogue::PromType;

namespace {

// Columns per PROM type, parsed from the documentation's table
// (factory-names.md).
struct ExpectedBank
{
    QStringList yamaha;
    QStringList windList;
    QStringList turbo;
};

QString cellName(const QString &cell)
{
    if (cell == QLatin1String("(note 1)"))
        return QStringLiteral("SAWS/|/|");
    if (cell == QLatin1String("(note 2)"))
        return QStringLiteral("? ");
    return cell;
}

QMap<QString, ExpectedBank> expectedBanks()
{
    QMap<QString, ExpectedBank> banks;
    QString section;
    const auto lines = QString::fromLatin1(readDataFile(QStringLiteral(VENTARO_FACTORY_NAMES)))
                           .split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.endsWith(QLatin1Char(':'))) {
            section = line.chopped(1);
            continue;
        }
        if (!line.startsWith(QLatin1Char('|')))
            continue;
        QStringList cells = line.mid(1, line.size() - 2).split(QLatin1Char('|'));
        for (QString &c : cells)
            c = cellName(c.trimmed());
        ExpectedBank &bank = banks[section];
        if (cells.first().toInt() != bank.yamaha.size() + 1)
            qFatal("row %s out of order in %s", qPrintable(cells.first()), qPrintable(section));
        bank.yamaha << cells.at(1);
        if (cells.size() == 4) {
            bank.windList << (cells.at(2).isEmpty() ? cells.at(1) : cells.at(2));
            bank.turbo << cells.at(3);
        } else {
            bank.windList << cells.at(1);
            bank.turbo << cells.at(2);
        }
    }
    return banks;
}

QByteArray numberedLines(int count, const QByteArray &end)
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i)
        bytes += "Name " + QByteArray::number(i) + end;
    return bytes;
}

} // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT

private slots:
    void builtInNames_data();
    void builtInNames();
    void windListPreset1Rows();
    void patchEntry_data();
    void patchEntry();
    void patchSelectMessages_data();
    void patchSelectMessages();

    void splitLines_data();
    void splitLines();
    void joinLines_data();
    void joinLines();
    void eightBitNamesRoundTrip();
    void oversizedSlotFileIgnored();
    void fileName_data();
    void fileName();
    void load_data();
    void load();
    void loadUnreadable();
    void saveWritesCrLf();
    void saveFailureRaisesAndKeepsTarget();
    void chooseFolder();
};

void CatalogueTest::builtInNames_data()
{
    addColumns<int, int, QString>("prom", "bank", "section");
    const char *sections[] = {"Preset 1", "Preset 2", "Custom", "Internal"};
    const char *proms[] = {"Yamaha", "Turbo VL", "WindList"};
    for (int p = 0; p < VoiceCatalogue::PromTypeCount; ++p) {
        for (int b = 0; b < VoiceCatalogue::BankCount; ++b)
            QTest::addRow("%s %s", proms[p], sections[b])
                << p << b << QString::fromLatin1(sections[b]);
    }
}

void CatalogueTest::builtInNames()
{
    QFETCH(int, prom);
    QFETCH(int, bank);
    QFETCH(QString, section);
    const ExpectedBank expected = expectedBanks().value(section);
    const QStringList &names = prom == VoiceCatalogue::Yamaha    ? expected.yamaha
                               : prom == VoiceCatalogue::TurboVL ? expected.turbo
                                                                 : expected.windList;
    const QStringList actual = VoiceCatalogue::builtInNames(Prom(prom), Bank(bank));
    QCOMPARE(actual.size(), VoiceCatalogue::bankSize(Bank(bank)));
    QCOMPARE(actual, names);
    for (const QString &n : actual)
        QVERIFY2(n.size() >= 1 && n.size() <= 8, qPrintable(n));
}

void CatalogueTest::windListPreset1Rows()
{
    const auto entries = [](VoiceCatalogue::Bank bank) {
        return VoiceCatalogue::patchEntries(
            VoiceCatalogue::builtInNames(VoiceCatalogue::WindList, bank));
    };
    QCOMPARE(entries(VoiceCatalogue::Preset1).at(2), QStringLiteral("3: Hey! Ken"));
    QCOMPARE(entries(VoiceCatalogue::Preset1).at(3), QStringLiteral("4: GuitHero"));
    QCOMPARE(entries(VoiceCatalogue::Preset2).at(62), QStringLiteral("63: Dweller"));
    QCOMPARE(entries(VoiceCatalogue::Preset2).at(58), QStringLiteral("59: ? "));
}

void CatalogueTest::patchEntry_data()
{
    addColumns<int, QString, QString>("number", "name", "entry");
    QTest::newRow("first") << 1 << "Mad Tube"
                           << "1: Mad Tube";
    QTest::newRow("three digits") << 117 << "The Sidh"
                                  << "117: The Sidh";
    QTest::newRow("blanks kept") << 10 << " Lo  "
                                 << "10:  Lo  ";
    QTest::newRow("empty name") << 6 << ""
                                << "6: ";
}

void CatalogueTest::patchEntry()
{
    QFETCH(int, number);
    QFETCH(QString, name);
    QFETCH(QString, entry);
    QCOMPARE(VoiceCatalogue::patchEntry(number, name), entry);
}

void CatalogueTest::patchSelectMessages_data()
{
    addColumns<int, int, QByteArray>("bank", "row", "bytes");
    QTest::newRow("Preset 1, entry 1") << 0 << 0 << QByteArray::fromHex("b00021 b02000 c00000");
    QTest::newRow("Preset 1, entry 5") << 0 << 4 << QByteArray::fromHex("b00021 b02000 c00400");
    QTest::newRow("Preset 2, entry 128") << 1 << 127 << QByteArray::fromHex("b00022 b02001 c07f00");
    QTest::newRow("Custom, entry 1") << 2 << 0 << QByteArray::fromHex("b00023 b02002 c00000");
    QTest::newRow("Internal, entry 10") << 3 << 9 << QByteArray::fromHex("b00024 b02003 c00900");
}

void CatalogueTest::patchSelectMessages()
{
    QFETCH(int, bank);
    QFETCH(int, row);
    QFETCH(QByteArray, bytes);
    QByteArray actual;
    for (const auto &m : VoiceCatalogue::patchSelectMessages(Bank(bank), row))
        actual += QByteArray(1, char(m.status)) + char(m.data1) + char(m.data2);
    QCOMPARE(actual.toHex(' '), bytes.toHex(' '));
}

void CatalogueTest::splitLines_data()
{
    addColumns<QByteArray, QStringList>("bytes", "lines");
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("one line, no break") << QByteArray("a") << QStringList{"a"};
    QTest::newRow("8-bit text") << QByteArray("r\xe9serve \x80") << QStringList{"réserve €"};
    QTest::newRow("no final break") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("final CR LF starts no line")
        << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("empty last line counts")
        << QByteArray("a\r\nb\r\n\r\n") << QStringList{"a", "b", ""};
    QTest::newRow("LF") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("CR") << QByteArray("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("mixed") << QByteArray("a\rb\nc\r\nd") << QStringList{"a", "b", "c", "d"};
    QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("lone break") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("blanks kept") << QByteArray(" x \r\n") << QStringList{" x "};
}

void CatalogueTest::splitLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(VoiceDump::linesFromBytes(bytes), lines);
}

void CatalogueTest::joinLines_data()
{
    addColumns<QStringList, QByteArray>("names", "bytes");
    QTest::newRow("CR LF after every line")
        << QStringList{"1: A", "2: B "} << QByteArray("1: A\r\n2: B \r\n");
    QTest::newRow("line breaks and zero become blanks")
        << QStringList{QString::fromLatin1("1: a\rb\nc") + QChar(0)} << QByteArray("1: a b c \r\n");
    QTest::newRow("empty entry") << QStringList{""} << QByteArray("\r\n");
    QTest::newRow("8-bit one byte") << QStringList{QString(QChar(0xE9))} << QByteArray("\xE9\r\n");
    QTest::newRow("code page high bytes")
        << QStringList{QString(QChar(0x20AC)) + QChar(0x8D) + QChar(0x0178)}
        << QByteArray("\x80\x8D\x9F\r\n");
    QTest::newRow("no byte for it")
        << QStringList{QString(QChar(0x4E2D)) + QChar(0x85)} << QByteArray("??\r\n");
}

void CatalogueTest::joinLines()
{
    QFETCH(QStringList, names);
    QFETCH(QByteArray, bytes);
    QCOMPARE(SlotNameStore::joinLines(names).toHex(' '), bytes.toHex(' '));
}

void CatalogueTest::eightBitNamesRoundTrip()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QByteArray bytes;
    for (int i = 0; i < 6; ++i) {
        QByteArray line = "1: ";
        for (int c = 0x80 + i * 22; c < 0x80 + i * 22 + 22 && c < 0x100; ++c)
            line += char(c);
        bytes += line + "\r\n";
    }
    writeFile(dir.filePath("custom.txt"), bytes);
    const SlotNameStore store(dir.path());
    const auto names = store.load(VoiceCatalogue::Custom, 1);
    QVERIFY(names.has_value());
    QCOMPARE(names->at(0).at(3), QChar(0x20AC)); // read as voice names are
    store.save(VoiceCatalogue::Custom, 1, *names);
    QCOMPARE(fileBytes(dir.filePath("custom.txt")), bytes);
}

// A slot name file larger than any list of names is not read whole and
// counts as a file of the wrong length.
void CatalogueTest::oversizedSlotFileIgnored()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QByteArray bytes = "1: " + QByteArray(SlotNameStore::MaxFileBytes, 'x') + "\r\n";
    for (int i = 2; i <= 6; ++i)
        bytes += QByteArray::number(i) + ": name\r\n";
    writeFile(dir.filePath("custom.txt"), bytes);
    QVERIFY(!SlotNameStore(dir.path()).load(VoiceCatalogue::Custom, 1).has_value());
}

void CatalogueTest::fileName_data()
{
    addColumns<int, int, QString>("bank", "device", "name");
    QTest::newRow("custom 1") << 2 << 1 << "custom.txt";
    QTest::newRow("internal 1") << 3 << 1 << "internal.txt";
    QTest::newRow("custom 2") << 2 << 2 << "2custom.txt";
    QTest::newRow("internal 3") << 3 << 3 << "3internal.txt";
    QTest::newRow("internal 16") << 3 << 16 << "16internal.txt";
}

void CatalogueTest::fileName()
{
    QFETCH(int, bank);
    QFETCH(int, device);
    QFETCH(QString, name);
    QCOMPARE(SlotNameStore::fileName(Bank(bank), device), name);
}

void CatalogueTest::load_data()
{
    // expectedLines -1: ignored
    addColumns<int, QByteArray, int>("bank", "bytes", "expectedLines");
    QTest::newRow("6 lines, final CR LF") << 2 << numberedLines(6, "\r\n") << 6;
    QTest::newRow("6 lines, no final break") << 2 << numberedLines(6, "\r\n").chopped(2) << 6;
    QTest::newRow("6 lines, LF") << 2 << numberedLines(6, "\n") << 6;
    QTest::newRow("6 lines, CR") << 2 << numberedLines(6, "\r") << 6;
    QTest::newRow("empty seventh line") << 2 << numberedLines(6, "\r\n") + "\r\n" << -1;
    QTest::newRow("5 lines") << 2 << numberedLines(5, "\r\n") << -1;
    QTest::newRow("empty file") << 2 << QByteArray() << -1;
    QTest::newRow("64 internal lines") << 3 << numberedLines(64, "\r\n") << 64;
    QTest::newRow("6 internal lines") << 3 << numberedLines(6, "\r\n") << -1;
    QTest::newRow("65 internal lines") << 3 << numberedLines(65, "\n") << -1;
}

void CatalogueTest::load()
{
    QFETCH(int, bank);
    QFETCH(QByteArray, bytes);
    QFETCH(int, expectedLines);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SlotNameStore store(dir.path());
    QVERIFY(!store.load(Bank(bank), 4).has_value()); // no file yet
    writeFile(store.filePath(Bank(bank), 4), bytes);
    const auto names = store.load(Bank(bank), 4);
    if (expectedLines < 0) {
        QVERIFY(!names.has_value());
        QCOMPARE(fileBytes(store.filePath(Bank(bank), 4)), bytes); // left unchanged
        return;
    }
    QVERIFY(names.has_value());
    QCOMPARE(names->size(), expectedLines);
    QCOMPARE(names->first(), QStringLiteral("Name 1"));
    QCOMPARE(names->last(), QStringLiteral("Name %1").arg(expectedLines));
    // Other device numbers do not see this file.
    QVERIFY(!store.load(Bank(bank), 1).has_value());
}

void CatalogueTest::loadUnreadable()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir("internal.txt"));
    const SlotNameStore store(dir.path());
    QVERIFY_THROWS_EXCEPTION(VentaroError, store.load(VoiceCatalogue::Internal, 1));
}

void CatalogueTest::saveWritesCrLf()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SlotNameStore store(dir.path());
    writeFile(store.filePath(VoiceCatalogue::Custom, 2),
              "old contents, much longer than the new one\r\n");
    const QStringList names{"1: a", "2: b", "3: c", "4: d", "5: e", "6: f"};
    store.save(VoiceCatalogue::Custom, 2, names);
    QCOMPARE(fileBytes(dir.filePath("2custom.txt")),
             QByteArray("1: a\r\n2: b\r\n3: c\r\n4: d\r\n5: e\r\n6: f\r\n"));
    QCOMPARE(store.load(VoiceCatalogue::Custom, 2), std::optional<QStringList>(names));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"2custom.txt"});
}

void CatalogueTest::saveFailureRaisesAndKeepsTarget()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A folder of the file's name cannot be replaced by a file.
    QVERIFY(QDir(dir.path()).mkdir("custom.txt"));
    const SlotNameStore store(dir.path());
    const QString raised =
        raisedText([&] { store.save(VoiceCatalogue::Custom, 1, QStringList(6, "x")); });
    QVERIFY2(raised.contains("custom.txt"), qPrintable(raised));
    QVERIFY(QFileInfo(dir.filePath("custom.txt")).isDir());

    // A folder that does not exist.
    const SlotNameStore missing(dir.filePath("nowhere"));
    QVERIFY_THROWS_EXCEPTION(VentaroError,
                             missing.save(VoiceCatalogue::Internal, 1, QStringList(64, "x")));
}

void CatalogueTest::chooseFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QCOMPARE(SlotNameStore::chooseFolder(dir.path(), dir.filePath("data")), dir.path());
    QVERIFY(!QFileInfo::exists(dir.filePath("data")));
    const QString data = dir.filePath("user/data");
    QCOMPARE(SlotNameStore::chooseFolder(dir.filePath("no/such/program/folder"), data), data);
    QVERIFY(QFileInfo(data).isDir());
}

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
