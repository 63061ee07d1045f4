// `ventaro find` and `ventaro backup` against the standalone simulator on a
// private JACK server, each case with a simulator of its own (device
// number, bank, answer options): the instrument found with its device
// number, a backup equal to the loaded bank after the custom voices, and a
// simulator that does not answer, answers late or stops after twenty
// voices: the right status and message, nothing half-received saved, and
// no hang.

#include "CliFiles.h"
#include "CliRun.h"
#include "DataColumns.h"
#include "JackRig.h"
#include "JackTestSupport.h"
#include "VoiceBank.h"
#include "VoiceDump.h"
#include "WithoutSeals.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace JackTestSupport;

namespace {

// Well under the runner's limit, and far more than any case needs.
constexpr int CaseLimitMs = 30000;

} // namespace

class TestCliRequests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void findListsTheSimulator_data();
    void findListsTheSimulator();
    void backup_data();
    void backup();
    void backupStoppedSavesWhatCame();

private:
    // A simulator of the case's own on the shared server.
    bool startSimulator(const QStringList &arguments);
    QStringList backupArguments(const QString &file) const
    {
        return {QStringLiteral("backup"),
                QStringLiteral("--in"),
                outputName(),
                QStringLiteral("--out"),
                inputName(),
                QStringLiteral("--save"),
                file};
    }
    QProcessEnvironment env() const
    {
        return CliRun::environment(m_config, m_server->serverName());
    }

    QTemporaryDir m_work;
    QString m_config;
    std::unique_ptr<JackRig> m_server;
    std::unique_ptr<JackRig> m_simulator;
    int m_cases = 0;
};

void TestCliRequests::initTestCase()
{
    if (JackRig::jackdPath().isEmpty())
        QSKIP("jackd is not installed");
    QVERIFY(m_work.isValid());
    m_config = m_work.filePath(QStringLiteral("config"));
    QVERIFY(QDir().mkpath(m_config));
    m_server = std::make_unique<JackRig>(m_work.filePath(QStringLiteral("server")));
    QString error;
    QVERIFY2(
        m_server->startServer(
            &error, QStringLiteral("ventaro-clireq-%1").arg(QCoreApplication::applicationPid())),
        qPrintable(error));
}

void TestCliRequests::cleanupTestCase()
{
    if (m_simulator)
        m_simulator->stop();
    if (m_server)
        m_server->stop();
}

void TestCliRequests::cleanup()
{
    if (m_simulator)
        m_simulator->stop();
    m_simulator.reset();
}

bool TestCliRequests::startSimulator(const QStringList &arguments)
{
    m_simulator =
        std::make_unique<JackRig>(m_work.filePath(QStringLiteral("simulator-%1").arg(++m_cases)));
    m_simulator->joinServer(m_server->serverName());
    QString error;
    if (!m_simulator->startSimulator(QStringLiteral(VENTARO_SIMULATOR), arguments, &error)) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    return true;
}

void TestCliRequests::findListsTheSimulator_data()
{
    // device: as the display shows it; delayMs: how late the simulator
    // answers (past the answer time: found by no output)
    addColumns<int, int>("device", "delayMs");
    QTest::newRow("device 2") << 2 << 0;
    QTest::newRow("device 16") << 16 << 0;
    QTest::newRow("device 3 answers after 400 ms") << 3 << 400;
}

// The simulator on JACK is listed with the number it reported, beside the
// built-in simulated instrument; the names are those `ventaro ports` prints.
// A reply that comes after its output's answer time, while the next output
// is asked, is listed under neither.
void TestCliRequests::findListsTheSimulator()
{
    QFETCH(int, device);
    QFETCH(int, delayMs);
    QVERIFY(startSimulator({QStringLiteral("--device"), QString::number(device),
                            QStringLiteral("--answer-delay"), QString::number(delayMs)}));
    QElapsedTimer took;
    took.start();
    const CliRun run = CliRun::run({QStringLiteral("find")}, env());
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    QVERIFY(took.elapsed() < CaseLimitMs);
    QStringList lines = run.out.split(QLatin1Char('\n'));
    QCOMPARE(lines.takeLast(), QString());
    lines.sort();
    QStringList wanted{QStringLiteral("Simulated VL70-m\tSimulated VL70-m\t1")};
    if (delayMs < 300)
        wanted << QStringLiteral("%1\t%2\t%3").arg(outputName(), inputName()).arg(device);
    wanted.sort();
    QVERIFY2(lines == wanted, qPrintable(run.report() + m_simulator->simulatorLog()));
    QCOMPARE(run.ownErrors(), QStringList());

    const CliRun ports = CliRun::run({QStringLiteral("ports")}, env());
    QVERIFY(ports.out.contains(QStringLiteral("in\t") + outputName() + QLatin1Char('\n')));
    QVERIFY(ports.out.contains(QStringLiteral("out\t") + inputName() + QLatin1Char('\n')));
}

void TestCliRequests::backup_data()
{
    // customs: custom voices among those fetched
    addColumns<QStringList, int, int, int, QStringList>("simulator", "exitCode", "fetched",
                                                        "customs", "errors");
    const QString silent = QStringLiteral("ventaro: The instrument did not answer. Check --in, "
                                          "--out and --device (see \"ventaro find\"): nothing "
                                          "was saved.");
    QTest::newRow("all seventy") << QStringList{} << 0 << 70 << 6 << QStringList{};
    // Each custom voice is two requests: 6 x 2 + 14 answers make 20 voices.
    QTest::newRow("stops after twenty voices")
        << QStringList{QStringLiteral("--answer-limit"), QString::number(6 * 2 + 14)} << 1 << 20
        << 6 << QStringList{QStringLiteral("ventaro: Not answered: Internal 15-64")};
    QTest::newRow("Custom kept silent")
        << QStringList{QStringLiteral("--silent-bank"), QStringLiteral("custom")} << 1 << 64 << 0
        << QStringList{QStringLiteral("ventaro: Not answered: Custom 1-6")};
    QTest::newRow("Internal kept silent")
        << QStringList{QStringLiteral("--silent-bank"), QStringLiteral("internal")} << 1 << 6 << 6
        << QStringList{QStringLiteral("ventaro: Not answered: Internal 1-64")};
    QTest::newRow("does not answer")
        << QStringList{QStringLiteral("--no-answer")} << 1 << 0 << 0 << QStringList{silent};
    QTest::newRow("answers too late")
        << QStringList{QStringLiteral("--answer-delay"), QStringLiteral("1500")} << 1 << 0 << 0
        << QStringList{silent};
    QTest::newRow("another device number")
        << QStringList{QStringLiteral("--device"), QStringLiteral("7")} << 1 << 0 << 0
        << QStringList{silent};
}

// The file is the simulator's custom voices and then the bank it was
// loaded with, device bytes and checksums aside, each voice whole; a
// backup that got nothing writes nothing. A bank that stays silent costs
// only its own voices.
void TestCliRequests::backup()
{
    QFETCH(QStringList, simulator);
    QFETCH(int, exitCode);
    QFETCH(int, fetched);
    QFETCH(int, customs);
    QFETCH(QStringList, errors);
    QVERIFY(
        startSimulator(QStringList{QStringLiteral("--bank"), CliFiles::InternalBank} + simulator));
    const QString saved = m_work.filePath(QStringLiteral("backup-%1.syx").arg(m_cases));
    QElapsedTimer took;
    took.start();
    const CliRun run = CliRun::run(backupArguments(saved), env());
    QVERIFY2(run.finished && took.elapsed() < CaseLimitMs, qPrintable(run.report()));
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.report()));
    QCOMPARE(run.ownErrors(), errors);
    QCOMPARE(run.out, QString());
    if (fetched == 0) {
        QVERIFY(!QFileInfo::exists(saved));
        return;
    }
    QVERIFY2(run.err.endsWith((fetched == 70
                                   ? QStringLiteral("70 voices saved to %1\n")
                                   : QStringLiteral("%1 of 70 voices saved to %2\n").arg(fetched))
                                  .arg(QDir::toNativeSeparators(saved))),
             qPrintable(run.report()));
    const QByteArray file = fileBytes(saved);
    const VoiceBank bank = VoiceBank::parse(file);
    QCOMPARE(bank.skipped, 0);
    QCOMPARE(bank.voices.size(), fetched);
    for (int i = 0; i < customs; ++i) {
        QCOMPARE(bank.voices[i].form, VoiceDump::Form::Custom);
        QCOMPARE(bank.voices[i].slot, i + 1);
    }
    const QByteArray custom = file.left(customs * VoiceDump::CustomLength);
    const int internals = fetched - customs;
    QCOMPARE(withoutSeals(file.mid(custom.size())),
             withoutSeals(
                 fileBytes(CliFiles::InternalBank).left(internals * VoiceDump::InternalLength)));
}

// Ctrl+C in the middle: the voices that came whole are saved, in slot
// order, and the run says it stopped.
void TestCliRequests::backupStoppedSavesWhatCame()
{
    QVERIFY(startSimulator({QStringLiteral("--answer-delay"), QStringLiteral("100")}));
    const QString saved = m_work.filePath(QStringLiteral("stopped.syx"));
    QProcess process;
    CliRun::start(process, backupArguments(saved), env());
    // Past a few voices (two requests of 100 ms and more each), far from
    // the seventieth.
    QTest::qWait(1500);
    ::kill(pid_t(process.processId()), SIGINT);
    const CliRun run = CliRun::finish(process, WaitMs);
    QVERIFY2(run.exitCode == 1, qPrintable(run.report()));
    QVERIFY2(run.ownErrors().contains(QStringLiteral("ventaro: Stopped before the end.")),
             qPrintable(run.report()));
    const VoiceBank bank = VoiceBank::parse(fileBytes(saved));
    QCOMPARE(bank.skipped, 0);
    QVERIFY2(bank.voices.size() >= 1 && bank.voices.size() < 70,
             qPrintable(QString::number(bank.voices.size())));
    for (int i = 0; i < bank.voices.size(); ++i)
        QCOMPARE(bank.voices[i].slot,
                 i < VoiceDump::CustomSlotCount ? i + 1 : i + 1 - VoiceDump::CustomSlotCount);
}

QTEST_GUILESS_MAIN(TestCliRequests)
#include "tst_clirequests.moc"
