// Asking the instrument through the windows as the user meets them, on a
// private JACK server with the standalone simulator: finding it (its device
// number per case), the current voice asked for in the Import SysEx window,
// and a backup of all its voices; and a simulator that does not answer,
// answers late, answers for another device number or stops after twenty
// voices.

#include "DataColumns.h"
#include "InstrumentRequests.h"
#include "JackTestSupport.h"
#include "ProgramOnJack.h"
#include "TVLManager.h"
#include "TfmFoundInstruments.h"
#include "TfmMidiIn.h"
#include "VoiceBank.h"
#include "WithoutSeals.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>

using namespace JackTestSupport;

namespace {

const QString BankFile = QStringLiteral(VENTARO_DATA_DIR "/Prog-A-1.syx");

int countLines(const JackRig &rig, const QString &part)
{
    int count = 0;
    for (const QString &line : rig.simulatorLines())
        count += line.contains(part) ? 1 : 0;
    return count;
}

} // namespace

class TestRequestWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void findSetsPortsAndDeviceNumber_data();
    void findSetsPortsAndDeviceNumber();
    void askForCurrentVoice_data();
    void askForCurrentVoice();
    void backup_data();
    void backup();

private:
    QTemporaryDir m_work;
};

void TestRequestWindow::initTestCase()
{
    skipWithoutJackd(m_work);
}

void TestRequestWindow::findSetsPortsAndDeviceNumber_data()
{
    // device: as the display shows it
    addColumns<int>("device");
    QTest::newRow("device 1") << 1;
    QTest::newRow("device 5") << 5;
    QTest::newRow("device 16") << 16;
}

// The search lists the simulator on JACK with its device number (and the
// built-in one); choosing it sets both ports and the device number, stored
// as if chosen by hand.
void TestRequestWindow::findSetsPortsAndDeviceNumber()
{
    QFETCH(int, device);
    Session session(m_work, "find");
    QVERIFY2(session.start({QStringLiteral("--device"), QString::number(device)}),
             qPrintable(session.error));
    Program &program = *session.program;
    program.combo("cbxMidiOut")->setCurrentIndex(-1);
    QStringList rows;
    program.prompts.onModal = [&](QDialog *dialog) {
        auto *list = qobject_cast<TfmFoundInstruments *>(dialog);
        if (!list)
            return int(QDialog::Rejected);
        for (int i = 0; i < list->lstFound()->count(); ++i)
            rows << list->lstFound()->item(i)->text();
        for (int i = 0; i < list->lstFound()->count(); ++i)
            if (rows[i].contains(outputName()))
                list->lstFound()->setCurrentRow(i);
        return int(QDialog::Accepted);
    };
    QElapsedTimer took;
    took.start();
    program.window->actFind()->trigger();
    QCOMPARE(program.prompts.errors(), QStringList());
    const QString wanted = QStringLiteral("In: %1   Out: %2   Device number %3")
                               .arg(outputName(), inputName())
                               .arg(device);
    QVERIFY2(rows.contains(wanted), qPrintable(rows.join(u'\n')));
    QVERIFY2(rows.join(u'\n').contains(QLatin1String("Simulated VL70-m")),
             qPrintable(rows.join(u'\n')));
    QCOMPARE(program.combo("cbxMidiIn")->currentText(), outputName());
    QCOMPARE(program.combo("cbxMidiOut")->currentText(), inputName());
    QCOMPARE(program.combo("cbxDevNo")->currentIndex(), device - 1);
    QCOMPARE(int(program.window->VLManager1()->DeviceID()), device - 1);
    // Stored: a window opened afresh on the same settings shows the choice.
    program.window.reset();
    program.open();
    QCOMPARE(program.combo("cbxMidiIn")->currentText(), outputName());
    QCOMPARE(program.combo("cbxMidiOut")->currentText(), inputName());
    QCOMPARE(program.combo("cbxDevNo")->currentIndex(), device - 1);
    qInfo("search took %lld ms", took.elapsed());
}

void TestRequestWindow::askForCurrentVoice_data()
{
    addColumns<QStringList, bool>("simulator", "answered");
    QTest::newRow("answers") << QStringList{} << true;
    QTest::newRow("answers after 200 ms")
        << QStringList{QStringLiteral("--answer-delay"), QStringLiteral("200")} << true;
    QTest::newRow("answers too late")
        << QStringList{QStringLiteral("--answer-delay"), QStringLiteral("1500")} << false;
    QTest::newRow("does not answer") << QStringList{QStringLiteral("--no-answer")} << false;
    QTest::newRow("another device number")
        << QStringList{QStringLiteral("--device"), QStringLiteral("3")} << false;
}

// "Ask the Instrument" gets the current voice as a panel dump would; when
// it does not come the window says so, stays open, and holds nothing.
void TestRequestWindow::askForCurrentVoice()
{
    QFETCH(QStringList, simulator);
    QFETCH(bool, answered);
    Session session(m_work, "ask");
    QVERIFY2(session.start(simulator), qPrintable(session.error));
    Program &program = *session.program;
    QVERIFY(program.choose("cbxMidiIn", outputName()));
    bool stayedOpen = false;
    program.prompts.onModal = [&](QDialog *dialog) {
        auto *window = qobject_cast<TfmMidiIn *>(dialog);
        if (!window)
            return int(QDialog::Rejected);
        window->show();
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("btnAsk")),
                          Qt::LeftButton);
        stayedOpen = window->isVisible();
        if (stayedOpen)
            window->reject();
        return window->result();
    };
    QElapsedTimer took;
    took.start();
    program.click("btnImport");
    QVERIFY2(took.elapsed() < 10000, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(program.prompts.errors(), QStringList());
    QCOMPARE(stayedOpen, !answered);
    if (answered) {
        QCOMPARE(int(program.window->voiceData().size()), VoiceDump::FullLength);
        QCOMPARE(countLines(session.rig, QStringLiteral(": answered")), 15);
        QCOMPARE(program.window->VLManager1()->VoiceName(), QStringLiteral("SimEdit "));
    } else {
        QVERIFY(program.window->voiceData().isEmpty());
        QCOMPARE(program.prompts.messages().size(), 1);
        QVERIFY2(program.prompts.messages().first().startsWith(
                     QLatin1String("The instrument did not answer.")),
                 qPrintable(program.prompts.messages().first()));
    }
}

void TestRequestWindow::backup_data()
{
    // report: what the window reports, or the error box's start; afterCancel:
    // the answer once the save dialog was cancelled (NoButton: not cancelled)
    addColumns<QStringList, int, QString, QMessageBox::StandardButton>("simulator", "fetched",
                                                                       "report", "afterCancel");
    const QStringList twenty{QStringLiteral("--answer-limit"), QString::number(6 * 2 + 14)};
    QTest::newRow("all seventy") << QStringList{} << 70 << "Voices fetched: 70 of 70."
                                 << QMessageBox::NoButton;
    QTest::newRow("stops after twenty voices")
        << twenty << 20 << "Voices fetched: 20 of 70.\nNot answered: Internal 15-64"
        << QMessageBox::NoButton;
    QTest::newRow("save cancelled, then saved")
        << twenty << 20 << "Voices fetched: 20 of 70." << QMessageBox::Save;
    QTest::newRow("save cancelled, voices discarded")
        << twenty << 0 << "Voices fetched: 20 of 70." << QMessageBox::Discard;
    QTest::newRow("does not answer") << QStringList{QStringLiteral("--no-answer")} << 0
                                     << "The instrument did not answer." << QMessageBox::NoButton;
}

// One action backs up the instrument loaded with a real bank: the file is
// its six custom voices and that bank, device number aside; the slots that
// did not answer are reported and nothing half-received is kept. A key that
// lands on the progress window does not stop it, and a cancelled save asks
// before the voices are dropped.
void TestRequestWindow::backup()
{
    QFETCH(QStringList, simulator);
    QFETCH(int, fetched);
    QFETCH(QString, report);
    QFETCH(QMessageBox::StandardButton, afterCancel);
    Session session(m_work, "backup");
    QVERIFY2(session.start(QStringList{QStringLiteral("--bank"), BankFile} + simulator),
             qPrintable(session.error));
    Program &program = *session.program;
    QVERIFY(program.choose("cbxMidiIn", outputName()));
    const QString saved = m_work.filePath(QStringLiteral("backup-%1.syx").arg(fetched));
    if (afterCancel != QMessageBox::NoButton) {
        program.prompts.saveAnswers << QString();
        program.prompts.messageAnswers << afterCancel;
    }
    program.prompts.saveAnswers << saved;
    QTimer::singleShot(300, program.window.get(), [&program] {
        if (auto *progress = program.window->findChild<QWidget *>(QStringLiteral("BackupProgress")))
            QTest::keyClick(progress->focusWidget() ? progress->focusWidget() : progress,
                            Qt::Key_Space);
    });
    program.window->actBackup()->trigger();
    if (afterCancel != QMessageBox::NoButton) {
        QCOMPARE(program.prompts.messages().size(), 2);
        QVERIFY2(program.prompts.messages().first().contains(
                     QLatin1String("The 20 voices fetched are not saved")),
                 qPrintable(program.prompts.messages().first()));
        QCOMPARE(program.prompts.messages().last().endsWith(QLatin1String("Nothing was saved.")),
                 afterCancel == QMessageBox::Discard);
    }
    if (fetched == 0) {
        QVERIFY(!QFile::exists(saved));
        if (afterCancel != QMessageBox::NoButton)
            return;
        QCOMPARE(program.prompts.errors().size(), 1);
        QVERIFY2(program.prompts.errors().first().startsWith(report),
                 qPrintable(program.prompts.errors().first()));
        QCOMPARE(program.prompts.texts(ScriptedPrompts::Kind::SaveFile).size(), 0);
        return;
    }
    QCOMPARE(program.prompts.errors(), QStringList());
    QVERIFY2(program.prompts.messages().last().startsWith(report),
             qPrintable(program.prompts.messages().last()));
    const QByteArray file = fileBytes(saved);
    const VoiceBank bank = VoiceBank::parse(file);
    QCOMPARE(bank.skipped, 0);
    QCOMPARE(bank.voices.size(), fetched);
    const int internals = fetched - VoiceDump::CustomSlotCount;
    const QByteArray custom = file.left(VoiceDump::CustomSlotCount * VoiceDump::CustomLength);
    QCOMPARE(withoutSeals(file.mid(custom.size())),
             withoutSeals(fileBytes(BankFile).left(internals * VoiceDump::InternalLength)));
    // The patch lists name what the slots hold now.
    for (const VoiceBank::Voice &voice : bank.voices) {
        const bool isCustom = voice.form == VoiceDump::Form::Custom;
        const auto &names =
            isCustom ? program.window->CustomNames() : program.window->InternalNames();
        QVERIFY(names);
        QCOMPARE(names->at(voice.slot - 1),
                 QStringLiteral("%1: %2").arg(voice.slot).arg(voice.name));
    }
}

QTEST_MAIN(TestRequestWindow)
#include "tst_requestwindow.moc"
