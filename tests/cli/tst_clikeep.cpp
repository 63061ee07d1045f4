// `ventaro send --in`, `ventaro history` and `ventaro restore` against a
// stand-in instrument that is not the program's simulator (a plain JACK
// client of the test, StandInInstrument): what a slot held is kept in the
// library byte for byte before the new voice is written, the write is read
// back and listed, and a restore puts the old voice back; a slot that does
// not answer, a missing input, a wrong device number and an unknown write
// each end as the user must be told.

#include "CliFiles.h"
#include "CliRun.h"
#include "DataColumns.h"
#include "JackRig.h"
#include "SlotNameStore.h"
#include "StandInInstrument.h"
#include "VoiceBank.h"
#include "VoiceStore.h"
#include "WriteHistory.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString StandInBank = QStringLiteral(VENTARO_DATA_DIR "/VL70-A-1.syx");
constexpr int Slot = 5;
constexpr int Voice = 7; // of the file sent, 1-based
constexpr int DeviceId = 0;

QByteArray sentVoice()
{
    return fileBytes(CliFiles::InternalBank)
        .mid((Voice - 1) * StandInInstrument::DumpLength, StandInInstrument::DumpLength);
}

} // namespace

class TestCliKeep : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void keepVerifyRestore();
    void refusals_data();
    void refusals();

private:
    // "@out" and "@in" stand for the stand-in's ports.
    CliRun run(QStringList arguments) const;
    QString library() const
    {
        return m_config + QStringLiteral("-data/Ventaro/") + VoiceStore::FileName;
    }
    // The patch list's name of Internal `slot`, as the window would read it.
    QString slotName(int slot) const
    {
        const SlotNameStore names(m_config + QStringLiteral("-data/slots"));
        return names.load(VoiceCatalogue::Internal, DeviceId + 1).value_or(QStringList()).value(slot - 1);
    }

    QTemporaryDir m_work;
    QString m_config;
    std::unique_ptr<JackRig> m_server;
    std::unique_ptr<StandInInstrument> m_instrument;
    int m_cases = 0;
};

void TestCliKeep::initTestCase()
{
    if (JackRig::jackdPath().isEmpty())
        QSKIP("jackd is not installed");
    QVERIFY(m_work.isValid());
    m_server = std::make_unique<JackRig>(m_work.filePath(QStringLiteral("server")));
    QString error;
    QVERIFY2(m_server->startServer(
                 &error, QStringLiteral("ventaro-clikeep-%1").arg(QCoreApplication::applicationPid())),
             qPrintable(error));
}

void TestCliKeep::cleanupTestCase()
{
    m_instrument.reset();
    if (m_server)
        m_server->stop();
}

// Each case: an instrument as loaded from the bank, an empty history.
void TestCliKeep::init()
{
    ++m_cases;
    m_config = m_work.filePath(QStringLiteral("config-%1").arg(m_cases));
    QVERIFY(QDir().mkpath(m_config));
    m_instrument = std::make_unique<StandInInstrument>();
    QVERIFY(m_instrument->open(m_server->serverName(), QStringLiteral("standin-%1").arg(m_cases),
                               fileBytes(StandInBank), DeviceId));
}

CliRun TestCliKeep::run(QStringList arguments) const
{
    arguments.replaceInStrings(QStringLiteral("@out"), m_instrument->inputName());
    arguments.replaceInStrings(QStringLiteral("@in"), m_instrument->outputName());
    return CliRun::run(arguments, CliRun::environment(m_config, m_server->serverName()));
}

void TestCliKeep::keepVerifyRestore()
{
    const QByteArray held = m_instrument->slot(Slot);
    const CliRun sent = run({QStringLiteral("send"), CliFiles::InternalBank,
                             QStringLiteral("--voice=%1").arg(Voice),
                             QStringLiteral("--to=internal:%1").arg(Slot), QStringLiteral("--out"),
                             QStringLiteral("@out"), QStringLiteral("--in"), QStringLiteral("@in"),
                             QStringLiteral("--device=1")});
    QVERIFY2(sent.exitCode == 0, qPrintable(sent.report()));
    QVERIFY2(sent.err.contains(QStringLiteral("to Internal 5, verified\n")), qPrintable(sent.err));
    QVERIFY2(sent.err.contains(QStringLiteral("\"ventaro restore 1\"")), qPrintable(sent.err));
    QCOMPARE(StandInInstrument::dataOf(m_instrument->slot(Slot)),
             StandInInstrument::dataOf(sentVoice()));
    const VoiceBank sentBank = VoiceBank::parse(sentVoice());
    QCOMPARE(slotName(Slot), QStringLiteral("5: ") + sentBank.voices.value(0).name);
    {
        VoiceStore store(library());
        const std::optional<WriteRecord> entry = WriteHistory(store).entry(1);
        QVERIFY(entry && entry->places.size() == 1);
        const std::optional<StoredVoice> kept = store.voice(entry->places.first().keptId);
        QVERIFY(kept);
        QCOMPARE(StandInInstrument::dataOf(kept->bytes), StandInInstrument::dataOf(held));
    }
    CliRun listed = run({QStringLiteral("history")});
    QVERIFY2(listed.exitCode == 0, qPrintable(listed.report()));
    QStringList columns = listed.out.trimmed().split(u'\t');
    QCOMPARE(columns.value(0), QStringLiteral("1"));
    QCOMPARE(columns.mid(2), QStringList({QStringLiteral("1"), QStringLiteral("send"),
                                          QStringLiteral("Internal 5"),
                                          QStringLiteral("1 of 1 written, 1 verified"),
                                          QStringLiteral("1 kept"), QStringLiteral("completed")}));

    const CliRun restored = run({QStringLiteral("restore"), QStringLiteral("1"),
                                 QStringLiteral("--out"), QStringLiteral("@out"),
                                 QStringLiteral("--in"), QStringLiteral("@in")});
    QVERIFY2(restored.exitCode == 0, qPrintable(restored.report()));
    QCOMPARE(StandInInstrument::dataOf(m_instrument->slot(Slot)),
             StandInInstrument::dataOf(held));
    QCOMPARE(slotName(Slot), QStringLiteral("5: ") + VoiceBank::parse(held).voices.value(0).name);
    listed = run({QStringLiteral("history"), QStringLiteral("--count=1")});
    columns = listed.out.trimmed().split(u'\t');
    QCOMPARE(columns.value(0), QStringLiteral("2"));
    QCOMPARE(columns.value(3), QStringLiteral("restore"));
    QCOMPARE(columns.value(5), QStringLiteral("1 of 1 written, 1 verified"));
    QCOMPARE(columns.value(7), QStringLiteral("completed (restores 1)"));
}

void TestCliKeep::refusals_data()
{
    // arguments: after "send FILE --voice 7 --to internal:5" unless a restore;
    // silent: a slot the stand-in does not answer for (0: none)
    addColumns<QStringList, int, int, QString, bool>("arguments", "silent", "exitCode", "error",
                                                     "written");
    const QStringList out{QStringLiteral("--out"), QStringLiteral("@out")};
    const QStringList in{QStringLiteral("--in"), QStringLiteral("@in")};
    QTest::newRow("no input: written, said not kept")
        << out << 0 << 0 << QStringLiteral("ventaro: Not kept: Internal 5 (no input)") << true;
    QTest::newRow("a slot that does not answer: nothing written")
        << out + in << Slot << 1
        << QStringLiteral("ventaro: The instrument did not say what Internal 5 holds, so it "
                          "cannot be kept. Nothing was written (--no-keep writes without keeping).")
        << false;
    QTest::newRow("another device number, not kept: caught by the reading back")
        << out + in + QStringList{QStringLiteral("--device=3"), QStringLiteral("--no-keep")} << 0
        << 1 << QStringLiteral("ventaro: Internal 5 did not take the voice (is the device number 3?)")
        << false;
    QTest::newRow("restore of a write that is not there")
        << QStringList{QStringLiteral("restore"), QStringLiteral("99")} + out << 0 << 1
        << QStringLiteral("ventaro: There is no write 99 in the history (see \"ventaro history\").")
        << false;
}

void TestCliKeep::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, silent);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    QFETCH(bool, written);
    if (silent != 0)
        m_instrument->setSilent(silent);
    const QByteArray held = m_instrument->slot(Slot);
    if (arguments.first() != QLatin1String("restore"))
        arguments = QStringList{QStringLiteral("send"), CliFiles::InternalBank,
                                QStringLiteral("--voice=%1").arg(Voice),
                                QStringLiteral("--to=internal:%1").arg(Slot)}
                    + arguments;
    const CliRun done = run(arguments);
    QVERIFY2(done.exitCode == exitCode, qPrintable(done.report()));
    QVERIFY2(done.ownErrors().contains(error), qPrintable(done.report()));
    QCOMPARE(StandInInstrument::dataOf(m_instrument->slot(Slot)),
             StandInInstrument::dataOf(written ? sentVoice() : held));
}

QTEST_GUILESS_MAIN(TestCliKeep)
#include "tst_clikeep.moc"
