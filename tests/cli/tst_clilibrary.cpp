// `ventaro library` as a user runs it from a shell, on a library file of the
// test's own (VENTARO_LIBRARY): a folder of real banks with a file that is no
// voice, found by a part of a name and exported byte for byte; an import
// killed mid-way leaves whole files only; two imports at once both finish;
// a damaged library file is kept, and set aside only when asked.

#include "CliRun.h"
#include "DataColumns.h"
#include "FileBytes.h"
#include "TestData.h"
#include "VoiceBank.h"
#include "VoiceStore.h"
#include "WriteHistory.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int BankVoices = 64;
// Data byte of every voice that makes each generated bank's voices its own.
constexpr int MarkedByte = VoiceDump::InternalDataStart + 40;

// The real bank with every voice made different from any other bank's:
// files that each add 64 new voices.
QByteArray markedBank(const QByteArray &bank, int mark)
{
    QByteArray bytes = bank;
    for (int at = 0; at < bytes.size(); at += VoiceDump::InternalLength) {
        bytes[at + MarkedByte] = char(mark % 128);
        bytes[at + MarkedByte + 1] = char(mark / 128);
    }
    return bytes;
}

QStringList lines(const QString &text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestCliLibrary : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void importFindExport();
    void killedImportKeepsWholeFiles();
    void twoImportsAtOnce();
    void damagedLibraryKeptAndSetAside();
    void wrongUsage_data();
    void wrongUsage();
    void historyListsWrites();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString library() const { return path(QStringLiteral("data/library.sqlite")); }
    QProcessEnvironment env() const
    {
        QProcessEnvironment env = CliRun::environment(path(QStringLiteral("config")), QString());
        env.insert(VoiceStore::PathVariable, library());
        return env;
    }
    CliRun run(const QStringList &arguments) const
    {
        return CliRun::run(QStringList{QStringLiteral("library")} + arguments, env());
    }
    // Writes `count` banks of new voices into `folder`, marks from `firstMark`.
    void writeBanks(const QString &folder, int count, int firstMark) const
    {
        for (int i = 0; i < count; ++i)
            writeFile(path(QStringLiteral("%1/bank%2.syx").arg(folder).arg(i, 4, 10, QChar('0'))),
                      markedBank(m_bank, firstMark + i));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    const QByteArray m_bank = readTestData("Prog-A-1.syx");
};

void TestCliLibrary::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestCliLibrary::importFindExport()
{
    writeFile(path(QStringLiteral("banks/Prog-A-1.syx")), m_bank);
    writeFile(path(QStringLiteral("banks/more/VL70-A-1.syx")), readTestData("VL70-A-1.syx"));
    writeFile(path(QStringLiteral("banks/more/notes.syx")), "a shopping list\n");
    writeFile(path(QStringLiteral("banks/README.md")), "not looked at\n");

    CliRun imported = run({QStringLiteral("import"), path(QStringLiteral("banks"))});
    QVERIFY2(imported.exitCode == 0, qPrintable(imported.report()));
    QCOMPARE(lines(imported.out).last(), QStringLiteral("128 new, 0 known, 1 refused"));
    QVERIFY2(imported.out.startsWith(
                 QStringLiteral("refused\t%1\t").arg(path(QStringLiteral("banks/more/notes.syx")))),
             qPrintable(imported.out));
    imported = run({QStringLiteral("import"), path(QStringLiteral("banks/Prog-A-1.syx"))});
    QCOMPARE(lines(imported.out).last(), QStringLiteral("0 new, 64 known, 0 refused"));

    // "Tpt" in any case finds the trumpets of the first bank.
    const CliRun found = run({QStringLiteral("list"), QStringLiteral("--search"), "tPT"});
    QVERIFY2(found.exitCode == 0, qPrintable(found.report()));
    const VoiceBank bank = VoiceBank::parse(m_bank);
    QStringList ids;
    QByteArray expected;
    for (const QString &line : lines(found.out)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 4);
        QVERIFY2(fields[2].contains(QLatin1String("Tpt")), qPrintable(line));
        QCOMPARE(fields[3], path(QStringLiteral("banks/Prog-A-1.syx")));
        ids << fields[0];
        for (const VoiceBank::Voice &voice : bank.voices)
            if (voice.name.trimmed() == fields[2])
                expected += voice.bytes;
    }
    QVERIFY(ids.size() >= 2);

    const QString exported = path(QStringLiteral("trumpets.syx"));
    CliRun saved = run(QStringList{QStringLiteral("export")} + ids
                       + QStringList{QStringLiteral("--save"), exported});
    QVERIFY2(saved.exitCode == 0, qPrintable(saved.report()));
    QCOMPARE(fileBytes(exported), expected);
    // An existing file is replaced only when asked.
    saved = run({QStringLiteral("export"), ids.first(), QStringLiteral("--save"), exported});
    QCOMPARE(saved.exitCode, 1);
    QCOMPARE(fileBytes(exported), expected);
    saved = run({QStringLiteral("export"), QStringLiteral("--search"), QStringLiteral("tpt"),
                 QStringLiteral("--save"), exported, QStringLiteral("--force")});
    QVERIFY2(saved.exitCode == 0, qPrintable(saved.report()));
    QCOMPARE(fileBytes(exported), expected);

    // The first trumpet was met twice in the same file: one source.
    const CliRun shown = run({QStringLiteral("show"), ids.first()});
    QVERIFY2(shown.exitCode == 0, qPrintable(shown.report()));
    const QStringList sources = lines(shown.out).filter(QRegularExpression("^source\t"));
    QCOMPARE(sources.size(), 1);
    QVERIFY2(
        sources.first().startsWith(
            QStringLiteral("source\tfile\t%1\t").arg(path(QStringLiteral("banks/Prog-A-1.syx")))),
        qPrintable(sources.first()));
}

void TestCliLibrary::killedImportKeepsWholeFiles()
{
    constexpr int files = 400;
    writeBanks(QStringLiteral("many"), files, 0);
    QProcess importing;
    CliRun::start(
        importing,
        {QStringLiteral("library"), QStringLiteral("import"), path(QStringLiteral("many"))}, env());
    // Killed once some files are in, long before the last.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(library()), 30000);
    {
        VoiceStore watching(library());
        QTRY_VERIFY_WITH_TIMEOUT(
            watching.count() >= BankVoices || importing.state() == QProcess::NotRunning, 30000);
    }
    importing.kill();
    QVERIFY(importing.waitForFinished());

    QMap<QString, int> perFile;
    {
        VoiceStore store(library());
        for (const StoredVoice &voice : store.list())
            ++perFile[voice.sources.first().file];
        QCOMPARE(store.count(), int(perFile.size()) * BankVoices);
    }
    for (auto it = perFile.cbegin(); it != perFile.cend(); ++it)
        QVERIFY2(it.value() == BankVoices, qPrintable(it.key()));
    if (perFile.size() == files)
        QSKIP("the import ended before it could be killed");

    // The same import again completes the library.
    const CliRun again = run({QStringLiteral("import"), path(QStringLiteral("many"))});
    QVERIFY2(again.exitCode == 0, qPrintable(again.report()));
    QCOMPARE(lines(again.out).last(), QStringLiteral("%1 new, %2 known, 0 refused")
                                          .arg((files - perFile.size()) * BankVoices)
                                          .arg(perFile.size() * BankVoices));
}

void TestCliLibrary::twoImportsAtOnce()
{
    constexpr int files = 40;
    writeBanks(QStringLiteral("one"), files, 1000);
    writeBanks(QStringLiteral("two"), files, 2000);
    QProcess first;
    QProcess second;
    CliRun::start(
        first, {QStringLiteral("library"), QStringLiteral("import"), path(QStringLiteral("one"))},
        env());
    CliRun::start(
        second, {QStringLiteral("library"), QStringLiteral("import"), path(QStringLiteral("two"))},
        env());
    for (QProcess *process : {&first, &second}) {
        const CliRun done = CliRun::finish(*process);
        QVERIFY2(done.exitCode == 0, qPrintable(done.report()));
        QCOMPARE(lines(done.out).last(),
                 QStringLiteral("%1 new, 0 known, 0 refused").arg(files * BankVoices));
    }
    QCOMPARE(VoiceStore(library()).count(), 2 * files * BankVoices);
}

void TestCliLibrary::damagedLibraryKeptAndSetAside()
{
    const QByteArray damaged =
        QByteArray("SQLite format 3").append('\0') + QByteArray(2000, '\x07');
    writeFile(library(), damaged);

    const CliRun refused = run({QStringLiteral("list")});
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.ownErrors().size(), 1);
    QVERIFY2(refused.err.contains(library()) && refused.err.contains(QLatin1String("--set-aside")),
             qPrintable(refused.err));
    QCOMPARE(fileBytes(library()), damaged);

    const CliRun asideRun = run({QStringLiteral("import"), QStringLiteral("--set-aside"),
                                 QString(VENTARO_DATA_DIR "/Prog-A-1.syx")});
    QVERIFY2(asideRun.exitCode == 0, qPrintable(asideRun.report()));
    QCOMPARE(lines(asideRun.out).last(), QStringLiteral("64 new, 0 known, 0 refused"));
    const QStringList aside = QDir(QFileInfo(library()).absolutePath())
                                  .entryList({QStringLiteral("library.sqlite.damaged-*")});
    QCOMPARE(aside.size(), 1);
    QVERIFY2(asideRun.err.contains(aside.first()), qPrintable(asideRun.err));
    QCOMPARE(fileBytes(QFileInfo(library()).absoluteDir().filePath(aside.first())), damaged);
}

void TestCliLibrary::wrongUsage_data()
{
    addColumns<QStringList, QString>("arguments", "error");
    QTest::newRow("no action") << QStringList{} << "library needs import, list, export or show";
    QTest::newRow("unknown action")
        << QStringList{"forget"} << "unknown library command \"forget\"";
    QTest::newRow("import nothing") << QStringList{"import"} << "library import needs a PATH";
    QTest::newRow("export without file")
        << QStringList{"export", "3"} << "library export needs --save FILE";
    QTest::newRow("export nothing") << QStringList{"export", "--save", "x.syx"}
                                    << "library export needs an ID or --search TEXT";
    QTest::newRow("export to current")
        << QStringList{"export", "3", "--save", "x.syx", "--to", "current"}
        << "--to must be custom:S or internal:S for a bank";
    QTest::newRow("show a word") << QStringList{"show", "first"}
                                 << "a voice ID must be a whole number from 1 to 2147483647, not "
                                    "\"first\"";
    QTest::newRow("unknown form") << QStringList{"list", "--form", "big"}
                                  << "--form must be internal, custom or full, not \"big\"";
    QTest::newRow("unknown source") << QStringList{"list", "--source", "radio"}
                                    << "--source must be file, panel, fetched, backup, sent or "
                                       "held, not \"radio\"";
}

void TestCliLibrary::wrongUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const CliRun result = run(arguments);
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(result.ownErrors(), QStringList{QStringLiteral("ventaro: ") + error});
    QVERIFY(!QFileInfo::exists(library()));
}

// The writes the history keeps, newest first, one a line; --count limits them.
void TestCliLibrary::historyListsWrites()
{
    {
        VoiceStore store(library());
        const qint64 kept =
            store.record(VoiceBank::parse(m_bank).voices.value(4).bytes, VoiceSource{}).ids.value(0);
        WriteHistory history(store);
        QList<WriteRecord::Place> places(3);
        for (int i = 0; i < 3; ++i)
            places[i].slot = 5 + i;
        const qint64 first = history.begin(WriteRecord::Kind::SendAll, 0, places);
        history.setKept(first, 0, kept);
        history.setKept(first, 1, 0, QStringLiteral("no answer"));
        history.setPlaceState(first, 0, WriteRecord::PlaceState::Verified);
        history.setPlaceState(first, 1, WriteRecord::PlaceState::Written);
        history.finish(first, WriteRecord::State::Stopped);
        history.begin(WriteRecord::Kind::Restore, 2, places.mid(0, 1), first);
    }
    const auto history = [this](const QStringList &arguments) {
        return CliRun::run(QStringList{QStringLiteral("history")} + arguments, env());
    };
    const CliRun all = history({});
    QVERIFY2(all.exitCode == 0, qPrintable(all.report()));
    const QStringList rows = lines(all.out);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1].section(u'\t', 2),
             QStringLiteral("1\tsend-all\tInternal 5-7\t2 of 3 written, 1 verified\t"
                            "1 kept, not kept: no answer\tstopped"));
    QCOMPARE(rows[0].section(u'\t', 2, 3), QStringLiteral("3\trestore"));
    QVERIFY2(rows[0].endsWith(QStringLiteral("\tunfinished (restores 1)")), qPrintable(rows[0]));
    QCOMPARE(lines(history({QStringLiteral("--count"), QStringLiteral("1")}).out).size(), 1);
}

QTEST_GUILESS_MAIN(TestCliLibrary)
#include "tst_clilibrary.moc"
