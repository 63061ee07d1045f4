#include "DataColumns.h"
#include "DumpFile.h"
#include "ErrorGuard.h"
#include "FileDialog.h"
#include "LibraryFile.h"
#include "MainWindowRig.h"
#include "RaisedText.h"
#include "SimulatedVl70mDevice.h"
#include "TMidiCorvoOut.h"
#include "TVLManager.h"
#include "TVlLibReader.h"
#include "TestData.h"
#include "TfmBankVoices.h"
#include "TfmLibVoices.h"
#include "TfmVLDump.h"
#include "TranslationService.h"
#include "VentaroError.h"
#include "VoiceDump.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

QStringList voiceLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("%1 Voice%2").arg(i, 3).arg(i);
    return lines;
}

// A real double-click: the press that starts it, then the double-click
// event itself (QTest's double-click alone carries no press).
void doubleClickRow(QListWidget *list, int row)
{
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

const QString NotAVoice = QStringLiteral("This is not a valid voice for VL70-m");
constexpr int BankVoiceLength = 174;

// Internal voice `index` (0..63) cut out of one of the real bank files.
QByteArray bankVoice(const char *bank, int index)
{
    return readTestData(bank).mid(index * BankVoiceLength, BankVoiceLength);
}

// A voice library of `count` names and the data of `voicesPresent` voices,
// all seven-bit.
QByteArray library(int count, int voicesPresent, int size = -1)
{
    QList<QByteArray> names;
    for (int i = 0; i < count; ++i)
        names << QByteArray("LibVce") + char('A' + i % 26) + ' ';
    QList<QByteArray> voices;
    for (int v = 0; v < voicesPresent; ++v) {
        QByteArray data(LibraryFile::VoiceLength, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] =
                char(((LibraryFile::DataOffset + LibraryFile::VoiceLength * v + i) * 13) & 0x7F);
        voices << data;
    }
    return LibraryFile::build(count, names, voices, size);
}

// The main window with the file dialogs' ways in.
struct Rig : MainWindowRig
{
    // Runs a handler as the window's buttons do: an error it raises is
    // shown in the error box.
    void run(void (TfmVLDump::*handler)())
    {
        ErrorGuard(prompts, window.get()).run([&] { (window.get()->*handler)(); });
    }
    // Opens a file through the open dialog; the picker, if shown, does `pick`.
    void openFile(const QString &name, std::function<int(QDialog *)> pick = {})
    {
        prompts.openAnswers << path(name);
        prompts.onModal = std::move(pick);
        run(&TfmVLDump::btnOpenClick);
    }
    void saveAs(const QString &name)
    {
        prompts.saveAnswers << path(name);
        run(&TfmVLDump::btnSaveClick);
    }
    QString proposedSaveName() const
    {
        for (qsizetype i = prompts.shown.size() - 1; i >= 0; --i) {
            if (prompts.shown[i].kind == ScriptedPrompts::Kind::SaveFile)
                return prompts.shown[i].text;
        }
        return {};
    }
};

// The picker's answers: select a row (or none) and close with OK, or close
// through the caption's close box.
std::function<int(QDialog *)> pickRow(int row)
{
    return [row](QDialog *dialog) {
        auto *picker = qobject_cast<TfmLibVoices *>(dialog);
        if (row >= 0)
            picker->lstVoices()->item(row)->setSelected(true);
        return int(QDialog::Accepted);
    };
}
constexpr int CloseBox = -2;

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void qtFilter_data();
    void qtFilter();
    void defaultExt_data();
    void defaultExt();
    void proposedName_data();
    void proposedName();
    void saveDialogAsksBeforeReplacingUnseenFile();
    void readIsBounded_data();
    void readIsBounded();
    void readFailures_data();
    void readFailures();
    void writeReplacesWholeFile();
    void writeFailureKeepsOldFile();
    void pickerWaysOfClosing_data();
    void pickerWaysOfClosing();
    void pickerExecFromTimer();
    void pickerListIsFixedPitch();
    void internalVoiceOpensSendsAndSaves();
    void fullVoiceFromUpperCaseExtension();
    void libraryVoiceSavedAsCustomDump();
    void savedDumpKeepsItsDeviceNumber();
    void badInput_data();
    void badInput();
    void bankOfVoicesOpensPicker_data();
    void bankOfVoicesOpensPicker();
    void failedSaveChangesNothing();
    void dialogsAreTranslatable();
};

void TestFiles::qtFilter_data()
{
    addColumns<QString, QString>("filter", "expected");
    QTest::newRow("open dialog") << "SysEx Files (*.syx)|*.syx|VLEditor Files (*.lib)|*.lib"
                                 << "SysEx Files (*.syx);;VLEditor Files (*.lib)";
    QTest::newRow("save dialog") << "SysEx Files (*.syx)|*.syx"
                                 << "SysEx Files (*.syx)";
    QTest::newRow("translated without patterns") << "Fichiers SysEx|*.syx"
                                                 << "Fichiers SysEx (*.syx)";
    QTest::newRow("patterns differ from description") << "SysEx (*.syx)|*.syx;*.mid"
                                                      << "SysEx (*.syx) (*.syx *.mid)";
    QTest::newRow("several patterns shown") << "Dumps (*.syx;*.mid)|*.syx; *.mid"
                                            << "Dumps (*.syx;*.mid)";
    QTest::newRow("description without pattern") << "SysEx|*.syx|Everything"
                                                 << "SysEx (*.syx);;Everything (*)";
    QTest::newRow("trailing separator") << "SysEx|*.syx|"
                                        << "SysEx (*.syx)";
    QTest::newRow("empty description") << "|*.syx"
                                       << "(*.syx)";
    QTest::newRow("empty") << ""
                           << "";
}

void TestFiles::qtFilter()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(FileDialog::qtFilter(filter), expected);
}

void TestFiles::defaultExt_data()
{
    addColumns<QString, QString>("typed", "expected");
    QTest::newRow("no extension") << "/v/Mad Tube"
                                  << "/v/Mad Tube.syx";
    QTest::newRow("own extension") << "/v/Mad Tube.syx"
                                   << "/v/Mad Tube.syx";
    QTest::newRow("upper case") << "/v/A.SYX"
                                << "/v/A.SYX";
    QTest::newRow("dot in folder only") << "/v.d/Mad"
                                        << "/v.d/Mad.syx";
    QTest::newRow("trailing dot") << "/v/Mad."
                                  << "/v/Mad.syx";
}

void TestFiles::defaultExt()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QCOMPARE(FileDialog::withDefaultExt(typed, QStringLiteral("syx")), expected);
}

void TestFiles::proposedName_data()
{
    addColumns<QString, QString>("voice", "expected");
    QTest::newRow("plain") << "Mad Tube"
                           << "Mad Tube.syx";
    QTest::newRow("blanks kept") << "Sax     "
                                 << "Sax     .syx";
    QTest::newRow("forbidden characters") << "A/B\\C:*?\"|<>"
                                          << "A_B_C_______";
    QTest::newRow("control characters")
        << QString::fromUtf16(u"Ab\u0000\u0009\u007F", 5) << "Ab___";
    QTest::newRow("dots and brackets allowed") << "(Br.)!"
                                               << "(Br.)!.syx";
    QTest::newRow("device name") << "CON     "
                                 << "_CON     .syx";
    QTest::newRow("device name, lower case, dotted") << "lpt1.abc"
                                                     << "_lpt1.abc.syx";
    QTest::newRow("longer than a device name") << "CONsole"
                                               << "CONsole.syx";
    // Voice-name bytes B9h, B2h and B3h read as superscript digits, which
    // Windows reserves after COM and LPT too.
    QTest::newRow("COM, superscript one")
        << QString::fromUtf16(u"COM\u00b9") << QString::fromUtf16(u"_COM\u00b9.syx");
    QTest::newRow("lpt, superscript three, blanks")
        << QString::fromUtf16(u"lpt\u00b3    ") << QString::fromUtf16(u"_lpt\u00b3    .syx");
    QTest::newRow("COM, superscript two, dotted")
        << QString::fromUtf16(u"Com\u00b2.Pad") << QString::fromUtf16(u"_Com\u00b2.Pad.syx");
}

void TestFiles::proposedName()
{
    QFETCH(QString, voice);
    QFETCH(QString, expected);
    if (!expected.endsWith(QLatin1String(".syx")))
        expected += QLatin1String(".syx");
    QCOMPARE(DumpFile::proposedName(voice), expected);
}

void TestFiles::saveDialogAsksBeforeReplacingUnseenFile()
{
    const QString typed = path(QStringLiteral("asked"));
    writeFile(typed + QStringLiteral(".syx"), "old");
    FileDialog dialog(FileDialog::Kind::Save, QStringLiteral("Save SysEx as..."),
                      QStringLiteral("SysEx Files (*.syx)|*.syx"), QStringLiteral("syx"), nullptr);
    ScriptedPrompts prompts;
    prompts.saveAnswers << typed << typed << path(QStringLiteral("fresh"));
    prompts.messageAnswers << QMessageBox::No << QMessageBox::Yes;

    // "No" shows the dialog again, proposing the completed name.
    QCOMPARE(dialog.execute(prompts, nullptr, QStringLiteral("Mad Tube.syx")),
             typed + QStringLiteral(".syx"));
    QCOMPARE(prompts.shown.size(), 4);
    QCOMPARE(prompts.shown[0].text, QStringLiteral("Mad Tube.syx"));
    QCOMPARE(prompts.shown[0].filter, QStringLiteral("SysEx Files (*.syx)"));
    QCOMPARE(prompts.shown[1].kind, ScriptedPrompts::Kind::Message);
    QCOMPARE(prompts.shown[2].text, typed + QStringLiteral(".syx"));
    // A name that exists nowhere is not asked about.
    QCOMPARE(dialog.execute(prompts, nullptr), path(QStringLiteral("fresh.syx")));
    QCOMPARE(prompts.messages().size(), 2);
    QCOMPARE(dialog.execute(prompts, nullptr), QString());
}

void TestFiles::readIsBounded_data()
{
    addColumns<int, int>("size", "read");
    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("internal") << 174 << 174;
    QTest::newRow("full") << 1808 << 1808;
    QTest::newRow("one too many") << 1809 << 1809;
    QTest::newRow("huge") << 4 * 1024 * 1024 << 1809;
}

void TestFiles::readIsBounded()
{
    QFETCH(int, size);
    QFETCH(int, read);
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7);
    const QString file = path(QStringLiteral("sized.syx"));
    writeFile(file, bytes);
    QCOMPARE(DumpFile::read(file), bytes.first(read));
}

void TestFiles::readFailures_data()
{
    addColumns<QString, QString>("name", "start");
    QTest::newRow("folder") << "folder.syx"
                            << "Cannot open file";
    QTest::newRow("missing") << "gone.syx"
                             << "Cannot open file";
}

void TestFiles::readFailures()
{
    QFETCH(QString, name);
    QFETCH(QString, start);
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.syx")));
    const QString raised = raisedText([&] { DumpFile::read(path(name)); });
    QVERIFY2(raised.startsWith(start), qPrintable(raised));
    QVERIFY(raised.contains(name));
}

void TestFiles::writeReplacesWholeFile()
{
    const QString file = path(QStringLiteral("replaced.syx"));
    writeFile(file, QByteArray(1808, 'x'));
    const QByteArray voice(174, 'v');
    DumpFile::write(file, voice);
    QCOMPARE(fileBytes(file), voice);
    QVERIFY_THROWS_EXCEPTION(VentaroError,
                             DumpFile::write(path(QStringLiteral("no/such/folder.syx")), voice));
}

void TestFiles::writeFailureKeepsOldFile()
{
#ifdef Q_OS_UNIX
    // A file size limit makes the write itself fail, even for root.
    const QString file = path(QStringLiteral("kept.syx"));
    const QByteArray old(174, 'o');
    writeFile(file, old);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString error = raisedText([&] { DumpFile::write(file, QByteArray(1572, 'n')); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    QVERIFY2(error.startsWith(QLatin1String("Cannot write file")), qPrintable(error));
    QCOMPARE(fileBytes(file), old);
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("kept*")}, QDir::Files),
             QStringList{QStringLiteral("kept.syx")});
#else
    QSKIP("needs a file size limit");
#endif
}

void TestFiles::pickerWaysOfClosing_data()
{
    // row: the row clicked before, -1 none
    addColumns<QString, int, bool, int, int>("how", "row", "closed", "result", "selected");
    QTest::newRow("OK, nothing selected") << "ok" << -1 << true << int(QDialog::Accepted) << -1;
    QTest::newRow("OK on a line") << "ok" << 2 << true << int(QDialog::Accepted) << 2;
    QTest::newRow("Enter") << "enter" << 1 << true << int(QDialog::Accepted) << 1;
    QTest::newRow("double-click") << "double" << -1 << true << int(QDialog::Accepted) << 3;
    QTest::newRow("Escape does nothing") << "escape" << 1 << false << -1 << 1;
    QTest::newRow("close box") << "close" << 1 << true << int(QDialog::Rejected) << 1;
}

void TestFiles::pickerWaysOfClosing()
{
    QFETCH(QString, how);
    QFETCH(int, row);
    QFETCH(bool, closed);
    QFETCH(int, result);
    QFETCH(int, selected);

    TfmLibVoices picker;
    picker.lstVoices()->addItems(voiceLines(5));
    picker.setResult(-1);
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    QListWidget *list = picker.lstVoices();
    QCOMPARE(picker.selectedIndex(), -1);
    if (row >= 0)
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());

    if (how == QLatin1String("ok"))
        QTest::mouseClick(picker.findChild<QPushButton *>(QStringLiteral("BitBtn1")),
                          Qt::LeftButton);
    else if (how == QLatin1String("enter"))
        QTest::keyClick(list, Qt::Key_Return);
    else if (how == QLatin1String("double"))
        doubleClickRow(list, 3);
    else if (how == QLatin1String("escape"))
        QTest::keyClick(list, Qt::Key_Escape);
    else
        picker.close();

    QCOMPARE(picker.isVisible(), !closed);
    QCOMPARE(picker.result(), result);
    QCOMPARE(picker.selectedIndex(), selected);
}

void TestFiles::pickerExecFromTimer()
{
    TfmLibVoices picker;
    picker.lstVoices()->addItems(voiceLines(12));
    QTimer::singleShot(0, &picker, [&picker] { doubleClickRow(picker.lstVoices(), 10); });
    // Should the double-click go unseen, the test fails instead of hanging.
    QTimer::singleShot(10000, &picker, &QDialog::reject);
    QCOMPARE(picker.exec(), int(QDialog::Accepted));
    QCOMPARE(picker.selectedIndex(), 10);
}

void TestFiles::pickerListIsFixedPitch()
{
    // The voice numbers are right-aligned with blanks: they line up only in
    // a font whose blanks are as wide as digits.
    TfmLibVoices picker;
    const QFont font = picker.lstVoices()->font();
    QVERIFY(font.bold());
    const QFontMetrics metrics(font);
    QCOMPARE(metrics.horizontalAdvance(QStringLiteral("  1")),
             metrics.horizontalAdvance(QStringLiteral("123")));
}

void TestFiles::internalVoiceOpensSendsAndSaves()
{
    Rig rig;
    SimulatedVl70mDevice instrument(rig.platform, rig.sleeper);
    TfmVLDump &w = rig.open();
    const QByteArray voice = bankVoice("Prog-A-1.syx", 5);
    rig.writeFile(QStringLiteral("ClassTpt.SYX"), voice);

    rig.openFile(QStringLiteral("ClassTpt.SYX"));
    QVERIFY(rig.prompts.messages().isEmpty());
    QCOMPARE(w.voiceData(), voice);
    QCOMPARE(w.windowTitle(), QStringLiteral("Ventaro - ClassTpt"));
    // Only the Internal slots are offered.
    QComboBox *sendBank = rig.combo("cbxSendBank");
    QComboBox *sendPatch = rig.combo("cbxSendPatch");
    QCOMPARE(sendBank->currentText(), QStringLiteral("Internal"));
    QVERIFY(!sendBank->isEnabled());
    QCOMPARE(sendPatch->count(), VoiceDump::InternalSlotCount);

    // Sent back to the slot it came from, with device number 0 as in the
    // bank file, it lands there byte for byte.
    rig.choose("cbxMidiOut", instrument.devices().output);
    rig.choose("cbxSendPatch", 5);
    rig.button("btnExport")->click();
    QVERIFY(rig.prompts.errors().isEmpty());
    rig.platform.waitUntilSent();
    instrument.waitUntilIdle();
    QCOMPARE(instrument.instrument().internalSlot(6), voice);
    QCOMPARE(instrument.instrument().ignoredCount(), 0);

    rig.button("btnSave")->click();
    QCOMPARE(rig.proposedSaveName(), QStringLiteral("ClassTpt.syx"));
    rig.saveAs(QStringLiteral("again"));
    QCOMPARE(fileBytes(rig.path(QStringLiteral("again.syx"))), voice);
    QCOMPARE(w.windowTitle(),
             QStringLiteral("Ventaro - ")
                 + QDir::toNativeSeparators(rig.path(QStringLiteral("again.syx"))));
    rig.window.reset();
}

void TestFiles::fullVoiceFromUpperCaseExtension()
{
    VirtualSleeper clock;
    const QByteArray full = SimulatedVl70m(clock).editBuffer();
    QCOMPARE(full.size(), VoiceDump::FullLength);
    Rig rig;
    TfmVLDump &w = rig.open();
    rig.writeFile(QStringLiteral("voice.SYX"), full);
    rig.openFile(QStringLiteral("voice.SYX"));
    QCOMPARE(w.voiceData(), full);
    QCOMPARE(rig.combo("cbxSendBank")->currentText(), QStringLiteral("Current"));
    QVERIFY(rig.combo("cbxSendBank")->isEnabled());
    QVERIFY(rig.button("btnSave")->isEnabled());
}

void TestFiles::libraryVoiceSavedAsCustomDump()
{
    Rig rig;
    TfmVLDump &w = rig.open();
    rig.writeFile(QStringLiteral("bank.LIB"), library(3, 3));
    rig.openFile(QStringLiteral("bank.LIB"), pickRow(1));
    QVERIFY(rig.prompts.messages().isEmpty());
    QCOMPARE(w.voiceData().size(), VoiceDump::CustomLength);
    QCOMPARE(rig.combo("cbxSendBank")->currentText(), QStringLiteral("Custom"));
    QCOMPARE(rig.combo("cbxSendPatch")->count(), VoiceDump::CustomSlotCount);
    TVlLibReader reader;
    QVERIFY(reader.OpenLibrary(rig.path(QStringLiteral("bank.LIB"))));
    QCOMPARE(w.voiceData(), reader.GetVoice(1)->readAll());

    rig.saveAs(QStringLiteral("picked.syx"));
    QCOMPARE(rig.proposedSaveName(), DumpFile::proposedName(w.VLManager1()->VoiceName()));
    const QByteArray saved = fileBytes(rig.path(QStringLiteral("picked.syx")));
    QCOMPARE(saved.size(), VoiceDump::CustomLength);
    rig.openFile(QStringLiteral("picked.syx"));
    QCOMPARE(w.voiceData(), saved);
    QCOMPARE(w.VLManager1()->SourceKind(), TVLManager::SourceCustom);
    // The picker was shown once, for the library only.
    QCOMPARE(rig.prompts.texts(ScriptedPrompts::Kind::Modal).size(), 1);
}

void TestFiles::savedDumpKeepsItsDeviceNumber()
{
    // A voice of device number 1 whose name holds a character no file name
    // may hold; saved after another device number was chosen.
    Rig rig;
    TfmVLDump &w = rig.open();
    const QByteArray voice = bankVoice("VL70-A-1.syx", 12);
    rig.writeFile(QStringLiteral("fifty.syx"), voice);
    rig.openFile(QStringLiteral("fifty.syx"));
    w.VLManager1()->setDeviceID(9);
    rig.saveAs(QStringLiteral("kept.syx"));
    QCOMPARE(rig.proposedSaveName(), QStringLiteral("50 _ 50 .syx"));
    QCOMPARE(fileBytes(rig.path(QStringLiteral("kept.syx"))), voice);
}

void TestFiles::bankOfVoicesOpensPicker_data()
{
    // junk: put before the bank; row: picked, -1 Cancel
    addColumns<QByteArray, int, QString>("junk", "row", "skipped");
    QTest::newRow("row 12") << QByteArray() << 11 << QString();
    QTest::newRow("last row, after foreign bytes")
        << QByteArray::fromHex("f07e7f0601f70102") << 63
        << QStringLiteral("Parts of the file that are no whole voice, skipped: 2");
    QTest::newRow("cancelled") << QByteArray() << -1 << QString();
}

// A file of many voices offers them in a picker; the one chosen is held as
// if it had been opened alone, and a cancelled picker keeps what was held.
void TestFiles::bankOfVoicesOpensPicker()
{
    QFETCH(QByteArray, junk);
    QFETCH(int, row);
    QFETCH(QString, skipped);
    Rig rig;
    TfmVLDump &w = rig.open();
    rig.writeFile(QStringLiteral("one.syx"), bankVoice("VL70-A-1.syx", 3));
    rig.openFile(QStringLiteral("one.syx"));
    const QByteArray held = w.voiceData();
    QCOMPARE(held, bankVoice("VL70-A-1.syx", 3));

    rig.writeFile(QStringLiteral("bank.syx"), junk + readTestData("Prog-A-1.syx"));
    QStringList rows;
    QString skippedShown;
    rig.openFile(QStringLiteral("bank.syx"), [&](QDialog *dialog) {
        auto *picker = qobject_cast<TfmBankVoices *>(dialog);
        if (!picker)
            return int(QDialog::Rejected);
        for (int i = 0; i < picker->lstVoices()->count(); ++i)
            rows << picker->lstVoices()->item(i)->text();
        skippedShown =
            picker->lblSkipped()->isVisibleTo(picker) ? picker->lblSkipped()->text() : QString();
        if (row < 0)
            return int(QDialog::Rejected);
        picker->lstVoices()->setCurrentRow(row);
        return int(QDialog::Accepted);
    });
    QCOMPARE(rows.size(), 64);
    const QByteArray voice = bankVoice("Prog-A-1.syx", 11);
    QCOMPARE(rows[11], QStringLiteral("12: %1  Internal 12")
                           .arg(VoiceDump::textFromBytes(QByteArrayView(voice).sliced(9, 8))));
    QCOMPARE(skippedShown, skipped);
    QCOMPARE(rig.prompts.messages(), QStringList());
    QCOMPARE(w.voiceData(), row < 0 ? held : bankVoice("Prog-A-1.syx", row));
}

void TestFiles::badInput_data()
{
    enum Outcome { Kept, Refused, Failed };
    // name empty: the dialog is cancelled; content null: a folder, "gone": no file
    addColumns<QString, QByteArray, int, int>("name", "content", "pick", "outcome");

    const QByteArray full = [] {
        QByteArray b(VoiceDump::FullLength, '\0');
        b[0] = char(0xF0);
        b[3] = char(0x57);
        return b;
    }();
    QByteArray notF0 = full;
    notF0[0] = char(0xF7);
    QByteArray not57 = bankVoice("Prog-A-1.syx", 0);
    not57[3] = char(0x58);
    QByteArray badSignature = library(1, 1);
    badSignature[2] = 'x';

    QTest::newRow("dialog cancelled") << "" << QByteArray() << 0 << int(Kept);
    for (const int size : {0, 173, 1573, 1807, 1809, 100000}) {
        QByteArray bytes = full;
        bytes.resize(size, '\0');
        QTest::addRow("%d bytes", size) << "sized.syx" << bytes << 0 << int(Refused);
    }
    QTest::newRow("1808 bytes, not F0h") << "notF0.syx" << notF0 << 0 << int(Refused);
    QTest::newRow("byte 3 not 57h") << "not57.syx" << not57 << 0 << int(Refused);
    // One whole voice and one cut short: no voice alone, and no bank either.
    QTest::newRow("a voice and a voice cut short")
        << "two.syx" << bankVoice("Prog-A-1.syx", 0) + bankVoice("Prog-A-1.syx", 1).chopped(1) << 0
        << int(Refused);
    QTest::newRow("no extension, not a voice") << "voice" << QByteArray("x") << 0 << int(Refused);
    QTest::newRow("library as .syx") << "lib.syx" << library(1, 1) << 0 << int(Refused);
    QTest::newRow("library too short") << "short.lib" << library(1, 0, 2999) << 0 << int(Kept);
    QTest::newRow("library signature") << "sig.lib" << badSignature << 0 << int(Kept);
    QTest::newRow("picker closed") << "a.lib" << library(2, 2) << CloseBox << int(Kept);
    QTest::newRow("picker OK, nothing selected") << "a.lib" << library(2, 2) << -1 << int(Kept);
    QTest::newRow("library of no voices") << "none.lib" << library(0, 0) << -1 << int(Kept);
    QTest::newRow("library voice cut short") << "cut.lib" << library(2, 1) << 1 << int(Refused);
    QTest::newRow("folder") << "folder.syx" << QByteArray() << 0 << int(Failed);
    QTest::newRow("folder named .lib") << "folder.lib" << QByteArray() << 0 << int(Failed);
    QTest::newRow("file gone") << "gone.syx" << QByteArray("gone") << 0 << int(Failed);
}

void TestFiles::badInput()
{
    enum Outcome { Kept, Refused, Failed };
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, pick);
    QFETCH(int, outcome);

    Rig rig;
    TfmVLDump &w = rig.open();
    const QByteArray held = bankVoice("Prog-A-1.syx", 3);
    rig.writeFile(QStringLiteral("held.syx"), held);
    rig.openFile(QStringLiteral("held.syx"));
    QCOMPARE(w.voiceData(), held);
    const QString caption = w.windowTitle();
    rig.prompts.shown.clear();

    if (name.isEmpty()) {
        rig.run(&TfmVLDump::btnOpenClick); // no answer scripted: cancelled
    } else {
        if (content.isNull())
            QVERIFY(QDir(rig.dir.path()).mkpath(name));
        else if (content != "gone")
            rig.writeFile(name, content);
        rig.openFile(name, pick == CloseBox ? std::function<int(QDialog *)>() : pickRow(pick));
    }

    const QStringList errors = rig.prompts.errors();
    const QStringList messages = rig.prompts.messages();
    switch (outcome) {
    case Kept:
        QVERIFY(errors.isEmpty());
        QVERIFY(messages.isEmpty());
        QCOMPARE(w.voiceData(), held);
        QCOMPARE(w.windowTitle(), caption);
        QVERIFY(rig.button("btnSave")->isEnabled());
        break;
    case Refused:
        QVERIFY(errors.isEmpty());
        QCOMPARE(messages, QStringList{NotAVoice});
        QCOMPARE(rig.prompts.shown.last().icon, QMessageBox::Critical);
        // The voice held before is held still, ready to save and send.
        QCOMPARE(w.voiceData(), held);
        QCOMPARE(w.windowTitle(), caption);
        QVERIFY(rig.button("btnSave")->isEnabled());
        QVERIFY(rig.button("btnExport")->isEnabled());
        break;
    case Failed:
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(QLatin1String("Cannot open file")),
                 qPrintable(errors.first()));
        QVERIFY(messages.isEmpty());
        QCOMPARE(w.voiceData(), held);
        QCOMPARE(w.windowTitle(), caption);
        break;
    }
}

void TestFiles::failedSaveChangesNothing()
{
    Rig rig;
    TfmVLDump &w = rig.open();
    const QByteArray voice = bankVoice("Prog-A-1.syx", 9);
    rig.writeFile(QStringLiteral("v.syx"), voice);
    rig.openFile(QStringLiteral("v.syx"));
    const QString caption = w.windowTitle();

    rig.saveAs(QStringLiteral("no folder/v.syx"));
    QCOMPARE(rig.prompts.errors().size(), 1);
    QVERIFY(rig.prompts.errors().first().startsWith(QLatin1String("Cannot create file")));
    QCOMPARE(w.windowTitle(), caption);
    QCOMPARE(w.voiceData(), voice);

    // A cancelled save writes nothing either.
    rig.run(&TfmVLDump::btnSaveClick);
    QCOMPARE(w.windowTitle(), caption);
    QCOMPARE(QDir(rig.dir.path()).entryList({QStringLiteral("*.syx")}, QDir::Files),
             QStringList{QStringLiteral("v.syx")});
}

void TestFiles::dialogsAreTranslatable()
{
    // The dialogs' texts are the window's: a translated window shows them
    // translated, and the filter reaches Qt in its own form.
    QTemporaryDir folder;
    TranslationService translation(TranslationService::Setup{
        QStringLiteral("fr_FR"), folder.path(), TranslationService::EmbeddedRoot, QString()});
    Rig rig;
    TfmVLDump &w = rig.open(&translation);
    rig.run(&TfmVLDump::btnOpenClick);
    QCOMPARE(rig.prompts.shown.size(), 1);
    QCOMPARE(rig.prompts.shown[0].caption, QStringLiteral("Sélectionnez un fichier SysEx"));
    QCOMPARE(rig.prompts.shown[0].filter,
             QStringLiteral("Fichiers SysEx (*.syx);;Fichiers VLEditor (*.lib)"));
    QCOMPARE(w.SaveDialog1()->Title(), QStringLiteral("Enregistrer le SysEx sous..."));
    QCOMPARE(w.SaveDialog1()->DefaultExt(), QStringLiteral("syx"));

    rig.writeFile(QStringLiteral("bad.syx"), "x");
    rig.openFile(QStringLiteral("bad.syx"));
    QCOMPARE(rig.prompts.messages(),
             QStringList{QStringLiteral("Ce SysEx n'est pas une voix valide pour le VL70-m")});
}

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
