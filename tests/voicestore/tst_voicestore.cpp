// The voice library as the window and the command line use it: one voice
// however often and wherever it is met, folders of real banks imported with
// a file that is no voice among them, library files that cannot be opened
// kept and set aside, a file of the first schema opened by this version,
// search and filters, and export byte for byte.

#include "BankExport.h"
#include "DataColumns.h"
#include "FileBytes.h"
#include "RaisedText.h"
#include "TestData.h"
#include "UnreadableLibraryError.h"
#include "VoiceBank.h"
#include "VoiceImporter.h"
#include "VoiceStore.h"
#include "VoiceStoreSchema.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

constexpr int BankVoices = 64;

QByteArray internalData(const QByteArray &voice)
{
    return voice.mid(VoiceDump::InternalDataStart, VoiceDump::InternalCount);
}

// The voice's data sealed again for another slot and device number.
QByteArray moved(const QByteArray &voice, int slot, quint8 device)
{
    return VoiceDump::buildInternalDump(slot, internalData(voice), device);
}

QList<qint64> ids(const QList<StoredVoice> &voices)
{
    QList<qint64> result;
    for (const StoredVoice &voice : voices)
        result << voice.id;
    return result;
}

QStringList names(const QList<StoredVoice> &voices)
{
    QStringList result;
    for (const StoredVoice &voice : voices)
        result << voice.name.trimmed();
    return result;
}

// An internal voice of the real bank renamed: what a user's own voice looks like.
QByteArray renamed(const QByteArray &voice, const QByteArray &name)
{
    QByteArray data = internalData(voice);
    data.replace(0, VoiceDump::VoiceNameLength, name.leftJustified(VoiceDump::VoiceNameLength));
    return VoiceDump::buildInternalDump(voice.at(VoiceDump::InternalMemoryOffset) + 1, data, 0);
}

VoiceFilter searchFor(const char *text)
{
    VoiceFilter filter;
    filter.search = QString::fromUtf8(text);
    return filter;
}

} // namespace

Q_DECLARE_METATYPE(VoiceFilter)

class TestVoiceStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void oneVoiceManySources_data();
    void oneVoiceManySources();
    void importFolderOfRealBanks();
    void unreadableFileKeptAndSetAside_data();
    void unreadableFileKeptAndSetAside();
    void firstSchemaOpensWithEveryVoice();
    void searchAndFilters_data();
    void searchAndFilters();
    void exportByteExact();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString libraryPath() const { return path(QStringLiteral("data/Ventaro/library.sqlite")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    const QByteArray m_bankA = readTestData("Prog-A-1.syx");
    const QByteArray m_bankB = readTestData("VL70-A-1.syx");
};

void TestVoiceStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestVoiceStore::oneVoiceManySources_data()
{
    addColumns<QByteArray, int, int, bool>("other", "device", "slot", "same");
    const QByteArray voice = VoiceBank::parse(m_bankA).voices[4].bytes; // Internal 5, device 0
    QByteArray otherData = internalData(voice);
    otherData[40] = char(otherData[40] ^ 1);
    QByteArray badChecksum = voice;
    badChecksum[VoiceDump::InternalLength - 2] =
        char(badChecksum[VoiceDump::InternalLength - 2] ^ 1);
    QTest::newRow("another slot and device") << moved(voice, 20, 3) << 3 << 20 << true;
    QTest::newRow("another checksum") << badChecksum << 0 << 5 << true;
    QTest::newRow("one data byte changed")
        << VoiceDump::buildInternalDump(5, otherData, 0) << 0 << 5 << false;
}

void TestVoiceStore::oneVoiceManySources()
{
    QFETCH(QByteArray, other);
    QFETCH(int, device);
    QFETCH(int, slot);
    QFETCH(bool, same);
    const QByteArray voice = VoiceBank::parse(m_bankA).voices[4].bytes;
    writeFile(path(QStringLiteral("a.syx")), m_bankA);
    writeFile(path(QStringLiteral("b.syx")), other);

    VoiceStore store(libraryPath());
    VoiceImporter importer(store);
    const VoiceImporter::Summary summary =
        importer.import({path(QStringLiteral("a.syx")), path(QStringLiteral("b.syx"))});
    QCOMPARE(summary.added, BankVoices + (same ? 0 : 1));
    VoiceSource fetched;
    fetched.kind = VoiceSource::Kind::Fetched;
    fetched.slot = 12;
    const VoiceStore::Counts counts = store.record(moved(voice, 12, 1), fetched);
    QCOMPARE(counts.known, 1);

    const std::optional<StoredVoice> kept = store.voice(counts.ids.first());
    QVERIFY(kept);
    QCOMPARE(kept->bytes, voice); // as first met, device and slot included
    QCOMPARE(kept->sources.size(), same ? 3 : 2);
    const VoiceSource &first = kept->sources.first();
    QCOMPARE(first.file, path(QStringLiteral("a.syx")));
    QCOMPARE(first.position, 5);
    QCOMPARE(first.slot, 5);
    QCOMPARE(first.device, 0);
    if (same) {
        QCOMPARE(kept->sources[1].file, path(QStringLiteral("b.syx")));
        QCOMPARE(kept->sources[1].device, device);
        QCOMPARE(kept->sources[1].slot, slot);
    }
    QCOMPARE(kept->sources.last().kind, VoiceSource::Kind::Fetched);
    QCOMPARE(kept->sources.last().device, 1);
    QCOMPARE(kept->sources.last().slot, 12);

    // Met again in the same places: no new voice, no new source.
    importer.import({path(QStringLiteral("a.syx")), path(QStringLiteral("b.syx"))});
    QCOMPARE(store.voice(counts.ids.first())->sources.size(), kept->sources.size());
}

void TestVoiceStore::importFolderOfRealBanks()
{
    writeFile(path(QStringLiteral("banks/Prog-A-1.syx")), m_bankA);
    writeFile(path(QStringLiteral("banks/more/VL70-A-1.SYX")), m_bankB);
    writeFile(path(QStringLiteral("banks/more/notes.syx")), "not a voice at all\n");
    writeFile(path(QStringLiteral("banks/README.md")), "# banks\n");
    // The first bank again as an instrument of device number 6 sends it.
    QByteArray resealed = m_bankA;
    for (int at = VoiceDump::DeviceOffset; at < resealed.size(); at += VoiceDump::InternalLength)
        resealed[at] = 5;
    writeFile(path(QStringLiteral("banks/more/again.syx")), resealed);
    // Distinct voices of the two banks, by their data bytes alone.
    QSet<QByteArray> distinct;
    for (const QByteArray *bank : {&m_bankA, &m_bankB})
        for (const VoiceBank::Voice &voice : VoiceBank::parse(*bank).voices)
            distinct.insert(internalData(voice.bytes));

    VoiceStore store(libraryPath());
    VoiceImporter importer(store);
    QStringList seen;
    const VoiceImporter::Summary summary =
        importer.import({path(QStringLiteral("banks"))}, [&](const VoiceImporter::Progress &p) {
            seen << QFileInfo(p.file).fileName();
            return p.total == 4;
        });
    QCOMPARE(seen, (QStringList{"Prog-A-1.syx", "VL70-A-1.SYX", "again.syx", "notes.syx"}));
    QCOMPARE(summary.added, int(distinct.size()));
    QCOMPARE(summary.known, 3 * BankVoices - int(distinct.size()));
    QCOMPARE(summary.refused.size(), 1);
    QCOMPARE(summary.refused.first().file, path(QStringLiteral("banks/more/notes.syx")));
    QCOMPARE(store.count(), int(distinct.size()));
    QCOMPARE(summary.text(), QStringLiteral("%1 new, %2 known, 1 refused")
                                 .arg(distinct.size())
                                 .arg(3 * BankVoices - distinct.size()));

    // Again: nothing new; stopped after the first file, the rest untouched.
    const VoiceImporter::Summary again = importer.import(
        {path(QStringLiteral("banks"))}, [](const VoiceImporter::Progress &) { return false; });
    QVERIFY(again.stopped);
    QCOMPARE(again.added, 0);
    QCOMPARE(again.known, BankVoices);
    QCOMPARE(store.voice(1)->sources.size(), 2);
}

void TestVoiceStore::unreadableFileKeptAndSetAside_data()
{
    addColumns<QByteArray>("content");
    QTest::newRow("text") << QByteArray("my voices\n").repeated(100);
    QByteArray header("SQLite format 3");
    header += '\0';
    QTest::newRow("damaged SQLite") << header + QByteArray(4080, '\x5a');
    // A library of a later version: made here, then its version raised.
    QTest::newRow("newer version") << QByteArray();
}

void TestVoiceStore::unreadableFileKeptAndSetAside()
{
    QFETCH(QByteArray, content);
    if (content.isEmpty()) {
        {
            VoiceStore made(libraryPath());
            made.record(VoiceBank::parse(m_bankA).voices[0].bytes, {});
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "newer");
            db.setDatabaseName(libraryPath());
            QVERIFY(db.open());
            QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
            QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = %1")
                                   .arg(VoiceStoreSchema::currentVersion() + 1));
            db.close();
        }
        QSqlDatabase::removeDatabase("newer");
        content = fileBytes(libraryPath());
        QVERIFY(!content.isEmpty());
    } else {
        writeFile(libraryPath(), content);
    }

    QString text;
    try {
        VoiceStore store(libraryPath());
        QFAIL("opened");
    } catch (const UnreadableLibraryError &error) {
        text = error.text();
    }
    QVERIFY2(text.contains(QDir::toNativeSeparators(libraryPath())), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("left as it is")), qPrintable(text));
    QCOMPARE(fileBytes(libraryPath()), content);

    const QString aside = VoiceStore::setAside(libraryPath());
    QVERIFY2(aside.startsWith(libraryPath() + QStringLiteral(".damaged-")), qPrintable(aside));
    QCOMPARE(fileBytes(aside), content);
    VoiceStore fresh(libraryPath());
    QCOMPARE(fresh.count(), 0);
    QCOMPARE(fileBytes(aside), content);
}

void TestVoiceStore::firstSchemaOpensWithEveryVoice()
{
    QDir().mkpath(QFileInfo(libraryPath()).absolutePath());
    const VoiceBank bank = VoiceBank::parse(m_bankA);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "v1");
        db.setDatabaseName(libraryPath());
        QVERIFY(db.open());
        VoiceStoreSchema::migrateTo(db, 1);
        // Rows as the first version wrote them.
        QSqlQuery voice(db);
        voice.prepare("INSERT INTO voices (id, form, name, identity, bytes, first_met, last_met, "
                      "note) VALUES (?, 0, ?, ?, ?, 1, 2, ?)");
        QSqlQuery tag(db);
        tag.prepare("INSERT INTO tags VALUES (?, ?)");
        for (int i = 0; i < bank.voices.size(); ++i) {
            voice.bindValue(0, i + 1);
            voice.bindValue(1, bank.voices[i].name);
            voice.bindValue(2, QByteArray::number(i));
            voice.bindValue(3, bank.voices[i].bytes);
            voice.bindValue(4, i == 7 ? QStringLiteral("Für später") : QStringLiteral(""));
            QVERIFY2(voice.exec(), qPrintable(voice.lastError().text()));
        }
        tag.bindValue(0, 3);
        tag.bindValue(1, QStringLiteral("Cuivres"));
        QVERIFY(tag.exec());
        QCOMPARE(VoiceStoreSchema::version(db), 1);
        voice.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase("v1");

    VoiceStore store(libraryPath());
    QCOMPARE(store.count(), BankVoices);
    for (int i = 0; i < bank.voices.size(); ++i)
        QCOMPARE(store.voice(i + 1)->bytes, bank.voices[i].bytes);
    QCOMPARE(ids(store.list(searchFor("cuivre"))), (QList<qint64>{3}));
    QCOMPARE(ids(store.list(searchFor("fur"))), (QList<qint64>{8}));
    QCOMPARE(
        names(store.list(searchFor(bank.voices[20].name.trimmed().toUtf8().constData()))).first(),
        bank.voices[20].name.trimmed());
}

void TestVoiceStore::searchAndFilters_data()
{
    addColumns<VoiceFilter, QStringList>("filter", "found");
    QTest::newRow("part of a name") << searchFor("rump") << QStringList{"Trumpet"};
    QTest::newRow("case aside") << searchFor("ECLA") << QStringList{"Eclat"};
    QTest::newRow("two letters") << searchFor("ta") << QStringList{"Guitar", "Sitar"};
    QTest::newRow("a tag, accents aside")
        << searchFor("souffle") << QStringList{"Eclat", "Trumpet"};
    QTest::newRow("a tag as typed") << searchFor("SOUFFLÉ") << QStringList{"Eclat", "Trumpet"};
    QTest::newRow("a note") << searchFor("fur spa") << QStringList{"Sitar"};
    QTest::newRow("a quote") << searchFor("\"tr") << QStringList{};
    QTest::newRow("nothing") << searchFor("xylo") << QStringList{};
    VoiceFilter tag;
    tag.tag = QStringLiteral("Soufflé");
    QTest::newRow("tag filter") << tag << QStringList{"Eclat", "Trumpet"};
    VoiceFilter favourite;
    favourite.favouritesOnly = true;
    QTest::newRow("favourites") << favourite << QStringList{"Guitar"};
    VoiceFilter fetched;
    fetched.sourceKind = VoiceSource::Kind::Fetched;
    QTest::newRow("fetched") << fetched << QStringList{"Sitar"};
    VoiceFilter custom;
    custom.form = VoiceDump::Form::Custom;
    QTest::newRow("custom form") << custom << QStringList{};
    VoiceFilter internal = searchFor("tar");
    internal.form = VoiceDump::Form::Internal;
    QTest::newRow("internal form") << internal << QStringList{"Guitar", "Sitar"};
    VoiceFilter both = searchFor("tar");
    both.favouritesOnly = true;
    QTest::newRow("search and favourite") << both << QStringList{"Guitar"};
}

void TestVoiceStore::searchAndFilters()
{
    QFETCH(VoiceFilter, filter);
    QFETCH(QStringList, found);
    const QList<VoiceBank::Voice> real = VoiceBank::parse(m_bankA).voices;
    VoiceStore store(libraryPath());
    QMap<QString, qint64> id;
    for (const char *name : {"Trumpet", "Guitar", "Sitar", "Eclat"}) {
        VoiceSource source;
        source.kind =
            QByteArray(name) == "Sitar" ? VoiceSource::Kind::Fetched : VoiceSource::Kind::Panel;
        id[name] = store.record(renamed(real[int(id.size())].bytes, name), source).ids.first();
    }
    store.addTag(id["Trumpet"], QStringLiteral("Soufflé"));
    store.addTag(id["Eclat"], QStringLiteral("Soufflé"));
    store.addTag(id["Eclat"], QStringLiteral("old"));
    store.removeTag(id["Eclat"], QStringLiteral("old"));
    store.setNote(id["Sitar"], QStringLiteral("Für später"));
    store.setFavourite(id["Guitar"], true);
    QCOMPARE(store.tags(), QStringList{QStringLiteral("Soufflé")});

    QCOMPARE(names(store.list(filter)), found);
    // A table's way: the ids, then the rows in the order asked.
    QList<qint64> shown = store.find(filter);
    QCOMPARE(names(store.rows(shown)), found);
    std::reverse(shown.begin(), shown.end());
    std::reverse(found.begin(), found.end());
    QCOMPARE(names(store.rows(shown)), found);
}

void TestVoiceStore::exportByteExact()
{
    writeFile(path(QStringLiteral("b.syx")), m_bankB);
    VoiceStore store(libraryPath());
    VoiceImporter(store).import({path(QStringLiteral("b.syx"))});
    QList<StoredVoice> voices;
    for (qint64 id = 1; id <= store.count(); ++id)
        voices << *store.voice(id);
    // VL70-A-1 has no voice twice, so every voice of it is kept.
    QCOMPARE(voices.size(), BankVoices);
    QCOMPARE(BankExport::bytes(voices), m_bankB);
    // Re-addressed as "Send all" would, for its own device number (2, shown as 2): the same file.
    BankSendPlan::Options own;
    QCOMPARE(BankExport::bytes(voices, own, 1), m_bankB);
    // Two voices to Internal 10 and 11 on device 0.
    BankSendPlan::Options consecutive;
    consecutive.order = BankSendPlan::Order::Consecutive;
    consecutive.firstSlot = 10;
    QCOMPARE(BankExport::bytes({voices[40], voices[3]}, consecutive, 0),
             moved(voices[40].bytes, 10, 0) + moved(voices[3].bytes, 11, 0));
    StoredVoice listed = voices[0];
    listed.bytes.clear();
    QVERIFY(raisedText([&] { BankExport::bytes({listed}); }).contains("no whole voice 1"));
}

QTEST_GUILESS_MAIN(TestVoiceStore)
#include "tst_voicestore.moc"
