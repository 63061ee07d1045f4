// Banks through the main window as the user meets them, on a private JACK
// server with the standalone simulator: "Send all" from the bank picker
// (all voices, stopped after ten, the server killed after twenty), and
// voices dumped one after another from the instrument's panel collected
// into a bank file.

#include "BankSender.h"
#include "FileBytes.h"
#include "JackTestSupport.h"
#include "ProgramOnJack.h"
#include "SimPanel.h"
#include "TVLManager.h"
#include "TfmBankReceive.h"
#include "TfmBankSend.h"
#include "TfmBankVoices.h"
#include "VoiceBank.h"

#include <QAction>
#include <QElapsedTimer>
#include <QListWidget>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>

#include <csignal>
#include <utility>

using namespace JackTestSupport;

namespace {

constexpr int GapMs = 20;
const QString BankFile = QStringLiteral(VENTARO_DATA_DIR "/Prog-A-1.syx");
// What the simulator holds before a write, where a case needs to know.
const QString OldBankFile = QStringLiteral(VENTARO_DATA_DIR "/VL70-A-1.syx");

// Internal slots the simulator logged as written, with the voice names, in order.
QStringList internalWrites(const JackRig &rig)
{
    static const QRegularExpression written(QStringLiteral(
        "Internal slot (\\d+): block at 40 00 [0-9A-F]{2} written \\(voice \"(.*)\"\\)"));
    QStringList writes;
    for (const QString &line : rig.simulatorLines()) {
        const QRegularExpressionMatch match = written.match(line);
        if (match.hasMatch())
            writes << match.captured(1) + QStringLiteral(": ") + match.captured(2);
    }
    return writes;
}

QStringList expectedWrites(const VoiceBank &bank, int count)
{
    QStringList writes;
    for (int i = 0; i < count; ++i)
        writes << QString::number(bank.voices[i].slot) + QStringLiteral(": ") + bank.voices[i].name;
    return writes;
}

// While the progress window is up, `act` runs once it shows `atValue` voices
// sent (after what the slots hold was asked for).
QTimer *whenProgressReaches(Program &program, int atValue,
                            std::function<void(QProgressDialog *)> act)
{
    auto *timer = new QTimer(program.window.get());
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, timer, [=, &program] {
        auto *progress =
            program.window->findChild<QProgressDialog *>(QStringLiteral("SendAllProgress"));
        if (progress && progress->labelText().startsWith(QLatin1String("Voice "))
            && progress->value() >= atValue) {
            timer->stop();
            act(progress);
        }
    });
    timer->start();
    return timer;
}

} // namespace

class TestBankWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sendAllFillsInternalSlots();
    void stopAfterTen();
    void serverKilledAfterTwenty();
    void collectsPanelDumpsIntoBank();

private:
    // The bank picker's "Send all..." with each voice to its own slot;
    // what its window says it replaces goes to `replaced`, and with
    // `backUpFirst` its "Back Up First..." is pressed once.
    void sendAll(Program &program, QStringList *replaced = nullptr, bool backUpFirst = false);
    QTemporaryDir m_work;
    VoiceBank m_bank; // the bank file the cases send and the simulator holds
};

void TestBankWindow::initTestCase()
{
    skipWithoutJackd(m_work);
    m_bank = VoiceBank::read(BankFile);
}

void TestBankWindow::sendAll(Program &program, QStringList *replaced, bool backUpFirst)
{
    program.prompts.onModal = [replaced, backUpFirst](QDialog *dialog) mutable {
        if (auto *picker = qobject_cast<TfmBankVoices *>(dialog)) {
            picker->btnSendAll()->click();
            return picker->result();
        }
        if (auto *where = qobject_cast<TfmBankSend *>(dialog)) {
            if (replaced)
                *replaced << where->lblReplaced()->text();
            if (std::exchange(backUpFirst, false)) {
                where->findChild<QPushButton *>(QStringLiteral("btnBackUpFirst"))->click();
                return where->result();
            }
            where->edtGap()->setValue(GapMs);
            return int(QDialog::Accepted);
        }
        return int(QDialog::Rejected);
    };
    program.prompts.openAnswers << BankFile;
    program.click("btnOpen");
}

// Its window says which voices "Send all" replaces, the factory's names
// marked until a backup first reads the instrument's own. All 64 voices
// land in their slots, in order, each renamed in the slot name list and its
// file; no voice starts before the previous one's wire time and the gap
// have passed.
void TestBankWindow::sendAllFillsInternalSlots()
{
    Session session(m_work, "bank-all");
    QVERIFY2(session.start({QStringLiteral("--bank"), BankFile}), qPrintable(session.error));
    Program &program = *session.program;
    QVERIFY(program.choose("cbxMidiIn", outputName()));

    QStringList replaced;
    QElapsedTimer elapsed;
    elapsed.start();
    sendAll(program, &replaced, true);
    const qint64 tookMs = elapsed.elapsed();
    QCOMPARE(replaced.size(), 2);
    QVERIFY2(replaced[0].startsWith(QLatin1String("Replaces 64 voices of the instrument: Internal "
                                                  "1 ("))
                 && replaced[0].contains(QLatin1String("*), Internal 2 ("))
                 && replaced[0].contains(QLatin1String(" and 60 more\n* the factory's name")),
             qPrintable(replaced[0]));
    QVERIFY2(replaced[1].startsWith(QStringLiteral("Replaces 64 voices of the instrument: Internal "
                                                   "1 (%1), Internal 2 (%2)")
                                        .arg(m_bank.voices[0].name.trimmed(),
                                             m_bank.voices[1].name.trimmed()))
                 && !replaced[1].contains(u'*'),
             qPrintable(replaced[1]));
    QCOMPARE(program.prompts.errors(), QStringList());
    QVERIFY2(QTest::qWaitFor([&] { return internalWrites(session.rig).size() >= 64; }, WaitMs),
             qPrintable(session.rig.simulatorLines().mid(0, 5).join(u'\n')));
    QCOMPARE(internalWrites(session.rig), expectedWrites(m_bank, 64));
    const qint64 pacedMs =
        63 * (BankSender::wireTimeNs(VoiceDump::InternalLength) / 1000000 + GapMs);
    QVERIFY2(tookMs >= pacedMs, qPrintable(QString::number(tookMs)));
    QCOMPARE(program.window->InternalNames().value(), expectedWrites(m_bank, 64));
    QVERIFY(program.slotFile().contains("64: " + m_bank.voices[63].name.toLatin1()));
    // The voice held before stays held: nothing was loaded.
    QVERIFY(program.window->voiceData().isEmpty());
    QCOMPARE(BankSender::storedGapMs(program.settings), GapMs);
}

// "Stop" in the progress window ends the run between voices: exactly the
// voices before it were sent and renamed. "Undo Last Write" then puts back
// what those ten slots held (kept before the first voice left) and leaves
// the others alone.
void TestBankWindow::stopAfterTen()
{
    Session session(m_work, "bank-stop");
    QVERIFY2(session.start({QStringLiteral("--bank"), OldBankFile}, true),
             qPrintable(session.error));
    Program &program = *session.program;
    QVERIFY(program.choose("cbxMidiIn", outputName()));
    const QStringList builtIn = [&] {
        QStringList rows;
        QComboBox *patches = program.combo("cbxPatch");
        program.combo("cbxBank")->setCurrentIndex(3);
        emit program.combo("cbxBank")->activated(3);
        for (int i = 0; i < patches->count(); ++i)
            rows << patches->itemText(i);
        return rows;
    }();

    whenProgressReaches(program, 10, [](QProgressDialog *progress) { progress->cancel(); });
    sendAll(program);
    QCOMPARE(program.prompts.errors(), QStringList());
    QTest::qWait(300); // anything still on its way reaches the log
    QCOMPARE(internalWrites(session.rig), expectedWrites(m_bank, 10));
    const QStringList names = program.window->InternalNames().value();
    QCOMPARE(names.mid(0, 10), expectedWrites(m_bank, 10));
    QCOMPARE(names.mid(10), builtIn.mid(10));

    // Undo puts back the ten voices the slots held, and writes nothing else.
    program.window->actUndoWrite()->trigger();
    QCOMPARE(program.prompts.errors(), QStringList());
    QTest::qWait(300);
    const QStringList writes = internalWrites(session.rig);
    QCOMPARE(writes.mid(10), expectedWrites(VoiceBank::read(OldBankFile), 10));
    QCOMPARE(program.window->InternalNames()->mid(0, 10),
             expectedWrites(VoiceBank::read(OldBankFile), 10));
}

// The server killed after twenty voices: the error box says the device is
// gone and how many voices left; the twenty are renamed, nothing else.
void TestBankWindow::serverKilledAfterTwenty()
{
    Session session(m_work, "bank-kill");
    QVERIFY2(session.start(), qPrintable(session.error));
    Program &program = *session.program;

    QStringList writtenBeforeKill;
    whenProgressReaches(program, 20, [&](QProgressDialog *) {
        // The voices handed over before the kill reach the simulator first.
        QTest::qWait(200);
        writtenBeforeKill = internalWrites(session.rig);
        session.rig.signalServer(SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(session.rig.serverPid()), 0) != 0, 5000);
    });
    sendAll(program);
    QCOMPARE(program.prompts.errors().size(), 1);
    const QString text = program.prompts.errors().first();
    QVERIFY2(text.contains(QLatin1String("no longer available"))
                 && text.endsWith(QLatin1String("Voices sent: 20 of 64.")),
             qPrintable(text));
    QCOMPARE(writtenBeforeKill, expectedWrites(m_bank, 20));
    const QStringList names = program.window->InternalNames().value();
    QCOMPARE(names.mid(0, 20), expectedWrites(m_bank, 20));
    QVERIFY(!names.at(20).startsWith(QStringLiteral("21: ") + m_bank.voices[20].name));
    QVERIFY(program.slotFile().contains("20: " + m_bank.voices[19].name.toLatin1()));
}

// Voices dumped one after another from the panel are listed as they arrive
// and saved as one bank file, bytes as the instrument sent them.
void TestBankWindow::collectsPanelDumpsIntoBank()
{
    Session session(m_work, "bank-get");
    QVERIFY2(session.start({QStringLiteral("--bank"), BankFile, QStringLiteral("--interval"),
                            QStringLiteral("0")}),
             qPrintable(session.error));
    Program &program = *session.program;
    QVERIFY(program.choose("cbxMidiIn", outputName()));
    const QString saved = m_work.filePath(QStringLiteral("collected.syx"));
    program.prompts.saveAnswers << saved;

    QStringList listed;
    program.prompts.onModal = [&](QDialog *dialog) {
        auto *window = qobject_cast<TfmBankReceive *>(dialog);
        if (!window)
            return int(QDialog::Rejected);
        TVLManager *manager = program.window->VLManager1();
        const auto press = [&](std::initializer_list<int> buttons) {
            for (const int button : buttons) {
                manager->SendRemoteSwitch(quint8(button), false);
                manager->SendRemoteSwitch(quint8(button), true);
            }
        };
        const auto arrived = [&](int count) {
            return QTest::qWaitFor([&] { return window->lstVoices()->count() >= count; }, WaitMs);
        };
        // Internal 1, Internal 3, then the current voice.
        press({SimPanel::Util, SimPanel::SelectPlus, SimPanel::SelectPlus, SimPanel::Enter,
               SimPanel::Enter});
        if (!arrived(1))
            return int(QDialog::Rejected);
        press({SimPanel::Util, SimPanel::SelectPlus, SimPanel::SelectPlus, SimPanel::ValuePlus,
               SimPanel::ValuePlus, SimPanel::Enter, SimPanel::Enter});
        if (!arrived(2))
            return int(QDialog::Rejected);
        press({SimPanel::Util, SimPanel::Enter, SimPanel::Enter});
        if (!arrived(3))
            return int(QDialog::Rejected);
        for (int i = 0; i < 3; ++i)
            listed << window->lstVoices()->item(i)->text();
        window->btnSave()->click();
        window->done(QDialog::Accepted);
        return int(QDialog::Accepted);
    };
    program.window->actGetVoices()->trigger();
    QCOMPARE(program.prompts.errors(), QStringList());

    QCOMPARE(listed.size(), 3);
    QVERIFY2(listed[0].contains(m_bank.voices[0].name)
                 && listed[0].endsWith(QLatin1String("Internal 1")),
             qPrintable(listed[0]));
    QVERIFY2(listed[1].endsWith(QLatin1String("Internal 3")), qPrintable(listed[1]));
    QVERIFY2(listed[2].endsWith(QLatin1String("Current")), qPrintable(listed[2]));
    // The slots the voices came from are named after them in the patch list.
    QVERIFY(program.window->InternalNames());
    QCOMPARE(program.window->InternalNames()->at(2), QStringLiteral("3: ") + m_bank.voices[2].name);
    const VoiceBank back = VoiceBank::parse(fileBytes(saved));
    QCOMPARE(back.skipped, 0);
    QCOMPARE(back.voices.size(), 3);
    // The simulator seals for its own device number, 1 as the test runs it:
    // its bytes are the file's.
    QCOMPARE(back.voices[0].bytes, m_bank.voices[0].bytes);
    QCOMPARE(back.voices[1].bytes, m_bank.voices[2].bytes);
    QCOMPARE(int(back.voices[2].bytes.size()), VoiceDump::FullLength);
    // Nothing is asked when the voices were saved.
    QCOMPARE(program.prompts.messages(), QStringList());
}

QTEST_MAIN(TestBankWindow)
#include "tst_bankwindow.moc"
