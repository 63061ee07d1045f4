// The command line without a MIDI server: which first arguments are
// commands, help and version, listing the voices of banks and libraries,
// and every kind of wrong usage, each giving one clear line and its exit
// status. The program runs as from a shell: no display, private settings.

#include "CliFiles.h"
#include "CliRun.h"
#include "CommandLine.h"
#include "DataColumns.h"
#include "VoiceBank.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void isCommand_data();
    void isCommand();
    void helpAndVersion_data();
    void helpAndVersion();
    void voices_data();
    void voices();
    void wrongUsage_data();
    void wrongUsage();
    void commandBeatsFileOfItsName();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QProcessEnvironment env() const { return CliRun::environment(m_config, QString()); }

    QTemporaryDir m_dir;
    QString m_config;
};

void TestCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_config = path(QStringLiteral("config"));
    QVERIFY(QDir().mkpath(m_config));
    writeFile(path(QStringLiteral("mixed.syx")), CliFiles::mixedBank());
    const QByteArray bank = fileBytes(CliFiles::InternalBank);
    // Cut inside the last voice.
    writeFile(path(QStringLiteral("cut.syx")), bank.first(bank.size() - 100));
    writeFile(path(QStringLiteral("junk.syx")), QByteArray(500, '\x11'));
    writeFile(path(QStringLiteral("picture.png")),
              QByteArray::fromHex("89504e470d0a1a0a0000000d49484452") + QByteArray(300, '\xf0'));
    writeFile(path(QStringLiteral("voices.LIB")),
              CliFiles::library({"Flute   ", "Oboe", "Cut"}, 1));
}

void TestCli::isCommand_data()
{
    addColumns<QStringList, bool>("arguments", "command");
    QTest::newRow("nothing") << QStringList{} << false;
    QTest::newRow("ports") << QStringList{QStringLiteral("ports")} << true;
    QTest::newRow("receive") << QStringList{QStringLiteral("receive")} << true;
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << true;
    QTest::newRow("-h") << QStringList{QStringLiteral("-h")} << true;
    QTest::newRow("version") << QStringList{QStringLiteral("--version")} << true;
    QTest::newRow("mistyped") << QStringList{QStringLiteral("porst")} << true;
    QTest::newRow("a file") << QStringList{path(QStringLiteral("mixed.syx"))} << false;
    // The window is not opened for a file it cannot open: the command line
    // says why.
    QTest::newRow("no such file") << QStringList{QStringLiteral("song.syx")} << true;
    QTest::newRow("capital, no such file") << QStringList{QStringLiteral("Ports")} << true;
    QTest::newRow("a folder") << QStringList{m_dir.path()} << true;
    QTest::newRow("toolkit option")
        << QStringList{QStringLiteral("-style"), QStringLiteral("fusion")} << false;
    QTest::newRow("toolkit option, two dashes")
        << QStringList{QStringLiteral("--platform=offscreen")} << false;
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")} << true;
}

void TestCli::isCommand()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, command);
    QCOMPARE(CommandLine::isCommand(QStringList{QStringLiteral("ventaro")} + arguments), command);
}

void TestCli::helpAndVersion_data()
{
    addColumns<QStringList, QStringList>("arguments", "mentions");
    const QStringList usage{QStringLiteral("ventaro ports"), QStringLiteral("ventaro voices FILE"),
                            QStringLiteral("ventaro send FILE --out PORT"),
                            QStringLiteral("ventaro receive --in PORT --save FILE"),
                            QStringLiteral("--device D")};
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << usage;
    QTest::newRow("send --help") << QStringList{QStringLiteral("send"), QStringLiteral("x.syx"),
                                                QStringLiteral("--help")}
                                 << usage;
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")}
                               << QStringList{QStringLiteral("ventaro " VENTARO_VERSION "\n")};
}

void TestCli::helpAndVersion()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, mentions);
    const CliRun run = CliRun::run(arguments, env());
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    QCOMPARE(run.err, QString());
    for (const QString &mention : mentions)
        QVERIFY2(run.out.contains(mention), qPrintable(mention));
}

void TestCli::voices_data()
{
    addColumns<QString, int>("file", "exitCode");
    // Lines checked as written here; the other lines must agree with the
    // bank reader.
    addColumns<QStringList, QString>("lines", "skipped");

    QTest::newRow("64 internal voices") << QStringLiteral(VENTARO_DATA_DIR "/VL70-A-1.syx") << 0
                                        << QStringList{QStringLiteral("1\tinternal\t1\tMad Tube"),
                                                       QStringLiteral("2\tinternal\t2\tVintgLd")}
                                        << QString();
    QTest::newRow("another bank") << CliFiles::InternalBank << 0 << QStringList{} << QString();
    QTest::newRow("three forms") << path(QStringLiteral("mixed.syx")) << 0
                                 << QStringList{QStringLiteral("1\tinternal\t5\t"),
                                                QStringLiteral("2\tcustom\t2\t"),
                                                QStringLiteral("3\tfull\t-\t")}
                                 << QString();
    QTest::newRow("cut short") << path(QStringLiteral("cut.syx")) << 0 << QStringList{}
                               << QStringLiteral("ventaro: 1 part(s) skipped, no whole voice: ")
                                      + path(QStringLiteral("cut.syx"));
    QTest::newRow("library") << path(QStringLiteral("voices.LIB")) << 0
                             << QStringList{QStringLiteral("1\tcustom\t-\tFlute"),
                                            QStringLiteral("2\tcustom\t-\tOboe")}
                             << QStringLiteral("ventaro: 1 part(s) skipped, no whole voice: ")
                                    + path(QStringLiteral("voices.LIB"));
    QTest::newRow("no voice") << path(QStringLiteral("junk.syx")) << 1 << QStringList{}
                              << QString();
    QTest::newRow("a picture") << path(QStringLiteral("picture.png")) << 1 << QStringList{}
                               << QString();
}

void TestCli::voices()
{
    QFETCH(QString, file);
    QFETCH(int, exitCode);
    QFETCH(QStringList, lines);
    QFETCH(QString, skipped);
    const CliRun run = CliRun::run({QStringLiteral("voices"), file}, env());
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.report()));
    QStringList printed = run.out.split(QLatin1Char('\n'));
    QCOMPARE(printed.takeLast(), QString()); // every line ends
    for (qsizetype i = 0; i < lines.size(); ++i)
        QVERIFY2(printed.value(i).startsWith(lines[i]), qPrintable(printed.value(i)));
    if (!file.endsWith(QLatin1String(".LIB"))) {
        const VoiceBank bank = VoiceBank::read(file);
        QCOMPARE(printed.size(), bank.voices.size());
        for (qsizetype i = 0; i < printed.size(); ++i) {
            const QStringList fields = printed[i].split(QLatin1Char('\t'));
            QCOMPARE(fields.size(), 4);
            QCOMPARE(fields[0], QString::number(i + 1));
            // Trailing blanks go; the name is the reader's otherwise.
            QVERIFY(!fields[3].endsWith(QLatin1Char(' ')));
            QCOMPARE(fields[3], bank.voices[i].name.left(fields[3].size()));
            QVERIFY(bank.voices[i].name.mid(fields[3].size()).trimmed().isEmpty());
        }
    }
    QStringList expectedErrors;
    if (!skipped.isEmpty())
        expectedErrors << skipped;
    if (exitCode != 0)
        expectedErrors << QStringLiteral("ventaro: This is not a valid voice for VL70-m: ") + file;
    QCOMPARE(run.ownErrors(), expectedErrors);
}

void TestCli::wrongUsage_data()
{
    addColumns<QStringList, int, QString>("arguments", "exitCode", "error");
    const QString bank = CliFiles::InternalBank;
    const QString out = QStringLiteral("--out");
    const QString port = QStringLiteral("VL70-m IN:MIDI");
    const auto send = [&](const QStringList &more) {
        return QStringList{QStringLiteral("send"), bank, out, port} + more;
    };
    const auto receive = [&](const QStringList &more) {
        return QStringList{QStringLiteral("receive"), QStringLiteral("--in"), port,
                           QStringLiteral("--save"), path(QStringLiteral("got.syx"))}
               + more;
    };
    QTest::newRow("unknown command")
        << QStringList{QStringLiteral("porst")} << 2 << QStringLiteral("unknown command \"porst\"");
    QTest::newRow("voices without FILE")
        << QStringList{QStringLiteral("voices")} << 2 << QStringLiteral("voices needs a FILE");
    QTest::newRow("send without FILE") << QStringList{QStringLiteral("send"), out, port} << 2
                                       << QStringLiteral("send needs a FILE");
    QTest::newRow("send without --out") << QStringList{QStringLiteral("send"), bank} << 2
                                        << QStringLiteral("send needs --out PORT");
    QTest::newRow("--out without value") << QStringList{QStringLiteral("send"), bank, out} << 2
                                         << QStringLiteral("--out needs a value");
    QTest::newRow("two files") << send({bank}) << 2 << QStringLiteral("unexpected argument");
    QTest::newRow("unknown option")
        << send({QStringLiteral("--fast")}) << 2 << QStringLiteral("unknown option \"--fast\"");
    QTest::newRow("option twice") << send({QStringLiteral("--gap=1"), QStringLiteral("--gap=2")})
                                  << 2 << QStringLiteral("--gap is given twice");
    QTest::newRow("one dash") << send({QStringLiteral("-gap"), QStringLiteral("5")}) << 2
                              << QStringLiteral("unknown option \"-gap\"");
    QTest::newRow("first wrong word")
        << send({QStringLiteral("--all=1"), QStringLiteral("--fast"), QStringLiteral("--all")})
        << 2 << QStringLiteral("--all takes no value");
    QTest::newRow("--voice 0") << send({QStringLiteral("--voice"), QStringLiteral("0")}) << 2
                               << QStringLiteral("--voice must be a whole number from 1");
    QTest::newRow("--voice +3") << send({QStringLiteral("--voice"), QStringLiteral("+3")}) << 2
                                << QStringLiteral("--voice must be a whole number from 1");
    QTest::newRow("--voice 65 of 64")
        << send({QStringLiteral("--voice"), QStringLiteral("65")}) << 1
        << QStringLiteral("There is no voice 65: the file holds 64: ") + bank;
    QTest::newRow("--voice and --all")
        << send({QStringLiteral("--voice=2"), QStringLiteral("--all")}) << 2
        << QStringLiteral("--voice and --all cannot go together");
    QTest::newRow("--all=1") << send({QStringLiteral("--all=1")}) << 2
                             << QStringLiteral("--all takes no value");
    QTest::newRow("--to internal:65")
        << send({QStringLiteral("--to"), QStringLiteral("internal:65")}) << 2
        << QStringLiteral("the slot of --to internal must be a whole "
                          "number from 1 to 64, not \"65\"");
    QTest::newRow("--to custom:7")
        << send({QStringLiteral("--to=custom:7")}) << 2 << QStringLiteral("from 1 to 6, not \"7\"");
    QTest::newRow("--to internal")
        << send({QStringLiteral("--to=internal")}) << 2
        << QStringLiteral("--to must be current, custom:S or internal:S");
    QTest::newRow("--to custom: ")
        << send({QStringLiteral("--to=custom:")}) << 2 << QStringLiteral("from 1 to 6, not \"\"");
    QTest::newRow("--device 17") << send({QStringLiteral("--device"), QStringLiteral("17")}) << 2
                                 << QStringLiteral("--device must be a whole number from 1 to 16, "
                                                   "not \"17\"");
    QTest::newRow("--device 0") << send({QStringLiteral("--device=0")}) << 2
                                << QStringLiteral("--device must be");
    QTest::newRow("--gap 10001") << send({QStringLiteral("--gap=10001")}) << 2
                                 << QStringLiteral("--gap must be a whole number from 0 to 10000");
    QTest::newRow("--gap -1") << send({QStringLiteral("--gap"), QStringLiteral("-1")}) << 2
                              << QStringLiteral("--gap must be");
    QTest::newRow("ports with words") << QStringList{QStringLiteral("ports"), QStringLiteral("all")}
                                      << 2 << QStringLiteral("unexpected argument \"all\"");
    QTest::newRow("--version with words")
        << QStringList{QStringLiteral("--version"), QStringLiteral("x")} << 2
        << QStringLiteral("--version takes nothing after it");
    QTest::newRow("receive without --save")
        << QStringList{QStringLiteral("receive"), QStringLiteral("--in"), port} << 2
        << QStringLiteral("receive needs --save FILE");
    QTest::newRow("receive without --in")
        << QStringList{QStringLiteral("receive"), QStringLiteral("--save"), QStringLiteral("x.syx")}
        << 2 << QStringLiteral("receive needs --in PORT");
    QTest::newRow("--count 0") << receive({QStringLiteral("--count=0")}) << 2
                               << QStringLiteral("--count must be");
    QTest::newRow("--timeout 1.5") << receive({QStringLiteral("--timeout=1.5")}) << 2
                                   << QStringLiteral("--timeout must be a whole number");
    QTest::newRow("receive --device 17")
        << receive({QStringLiteral("--device=17")}) << 2 << QStringLiteral("--device must be");
    const auto backup = [&](const QStringList &more) {
        return QStringList{QStringLiteral("backup"),
                           QStringLiteral("--in"),
                           port,
                           QStringLiteral("--out"),
                           port,
                           QStringLiteral("--save"),
                           path(QStringLiteral("got.syx"))}
               + more;
    };
    QTest::newRow("backup without --out")
        << QStringList{QStringLiteral("backup"), QStringLiteral("--in"), port,
                       QStringLiteral("--save"), QStringLiteral("x.syx")}
        << 2 << QStringLiteral("backup needs --out PORT");
    QTest::newRow("backup without --save")
        << QStringList{QStringLiteral("backup"), QStringLiteral("--in"), port,
                       QStringLiteral("--out"), port}
        << 2 << QStringLiteral("backup needs --save FILE");
    QTest::newRow("backup --device 17")
        << backup({QStringLiteral("--device=17")}) << 2 << QStringLiteral("--device must be");
    QTest::newRow("backup --count") << backup({QStringLiteral("--count=3")}) << 2
                                    << QStringLiteral("unknown option \"--count\"");
    QTest::newRow("find with words") << QStringList{QStringLiteral("find"), QStringLiteral("all")}
                                     << 2 << QStringLiteral("unexpected argument \"all\"");
    QTest::newRow("backup no such input")
        << backup({}) << 1
        << QStringLiteral("There is no MIDI input named \"%1\"; the inputs are: ").arg(port);
    QTest::newRow("file missing") << QStringList{QStringLiteral("send"),
                                                 path(QStringLiteral("none.syx")), out, port}
                                  << 1 << QStringLiteral("Cannot open file");
    QTest::newRow("custom voice to Internal")
        << QStringList{QStringLiteral("send"),  path(QStringLiteral("mixed.syx")), out, port,
                       QStringLiteral("--all"), QStringLiteral("--to=internal:1")}
        << 1
        << QStringLiteral("Voice 2 \"%1\" is a custom voice and cannot be sent to Internal.")
               .arg(VoiceBank::read(CliFiles::InternalBank).voices[7].name.trimmed());
    QTest::newRow("past the last slot")
        << send({QStringLiteral("--all"), QStringLiteral("--to=internal:2")}) << 1
        << QStringLiteral("Voice 64 \"%1\" would go to Internal 65: there is no such slot.")
               .arg(VoiceBank::read(CliFiles::InternalBank).voices[63].name.trimmed());
    // No JACK server runs: only the simulated instrument is there.
    QTest::newRow("no such output")
        << QStringList{QStringLiteral("send"), bank, out, QStringLiteral("No Such Port")} << 1
        << QStringLiteral("There is no MIDI output named \"No Such Port\"; the outputs are: "
                          "\"Simulated VL70-m\"");
    QTest::newRow("no such input")
        << receive({}) << 1
        << QStringLiteral("There is no MIDI input named \"%1\"; the inputs are: "
                          "\"Simulated VL70-m\"")
               .arg(port);
    QTest::newRow("receive into a file that exists")
        << QStringList{QStringLiteral("receive"), QStringLiteral("--in"), port,
                       QStringLiteral("--save"), path(QStringLiteral("mixed.syx"))}
        << 1
        << path(QStringLiteral("mixed.syx"))
               + QStringLiteral(" already exists (add --force "
                                "to replace it)");
    QTest::newRow("backup into a file that exists")
        << QStringList{QStringLiteral("backup"),
                       QStringLiteral("--in"),
                       port,
                       QStringLiteral("--out"),
                       port,
                       QStringLiteral("--save"),
                       path(QStringLiteral("mixed.syx"))}
        << 1 << QStringLiteral("already exists (add --force to replace it)");
    QTest::newRow("no such file for the window")
        << QStringList{path(QStringLiteral("missing.syx"))} << 1
        << QStringLiteral("Cannot open file \"%1\": No such file or directory")
               .arg(path(QStringLiteral("missing.syx")));
    QTest::newRow("voices of a folder") << QStringList{QStringLiteral("voices"), m_dir.path()} << 1
                                        << QStringLiteral("Cannot open file");
    QTest::newRow("a folder for the window")
        << QStringList{m_dir.path()} << 1
        << m_dir.path() + QStringLiteral(" is a folder, not a voice file");
    QTest::newRow("an option of no one") << QStringList{QStringLiteral("--bogus")} << 2
                                         << QStringLiteral("unknown option \"--bogus\"");
    QTest::newRow("--h") << QStringList{QStringLiteral("--h")} << 2
                         << QStringLiteral("unknown option \"--h\"");
    QTest::newRow("folder missing")
        << QStringList{QStringLiteral("receive"), QStringLiteral("--in"), port,
                       QStringLiteral("--save"), path(QStringLiteral("none/got.syx"))}
        << 1 << QStringLiteral("Cannot create file");
}

void TestCli::wrongUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    const CliRun run = CliRun::run(arguments, env());
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.report()));
    QCOMPARE(run.out, QString());
    const QStringList errors = run.ownErrors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains(error), qPrintable(errors.first()));
    // No JACK server runs: neither libjack nor RtMidi says so on the way.
    for (const QString &noise : {QStringLiteral("jack"), QStringLiteral("server")})
        QVERIFY2(!run.err.contains(noise, Qt::CaseInsensitive), qPrintable(run.err));
    // Wrong usage shows how to use it; a wrong value and an error do not.
    QCOMPARE(run.err.contains(QLatin1String("\nUsage:\n")),
             exitCode == 2 && !errors.first().contains(QLatin1String(" must be ")));
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("got.syx"))));
    // The command line never writes the window's settings, not even the folder.
    QCOMPARE(QDir(m_config).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

// "ventaro ports" lists the ports even where a file "ports" is; "./ports"
// is left to the window.
void TestCli::commandBeatsFileOfItsName()
{
    writeFile(path(QStringLiteral("ports")), fileBytes(CliFiles::InternalBank));
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    CliRun::start(process, {QStringLiteral("ports")}, env());
    const CliRun run = CliRun::finish(process);
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    QCOMPARE(run.out, QStringLiteral("in\tSimulated VL70-m\nout\tSimulated VL70-m\n"));
    QVERIFY(!CommandLine::isCommand({QStringLiteral("ventaro"), path(QStringLiteral("ports"))}));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
