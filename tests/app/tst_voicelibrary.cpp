// The voice library as the user meets it in the main window over the
// simulated instrument: voices opened and sent are kept with their sources
// and the window says so in one line; the Voice Library window imports real
// banks off its thread, searches as the user types and sends a voice to the
// instrument through the main window.

#include "LibraryKeeper.h"
#include "MainWindowRig.h"
#include "SimulatedVl70m.h"
#include "SimulatedVl70mDevice.h"
#include "TfmBankVoices.h"
#include "TfmVoiceLibrary.h"
#include "TfmWriteHistory.h"
#include "VoiceBank.h"
#include "VoiceLibraryModel.h"
#include "WriteHistory.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

namespace {

const QString BankFile = QStringLiteral(VENTARO_DATA_DIR "/Prog-A-1.syx");

struct Rig : MainWindowRig
{
    SimulatedVl70mDevice instrument{platform, sleeper};
    LibraryKeeper keeper{path(QStringLiteral("library.sqlite")), settings, prompts};

    TfmVLDump &openWithLibrary()
    {
        TfmVLDump &w = open(nullptr, &keeper);
        choose("cbxMidiOut", instrument.devices().output);
        return w;
    }
    void openFile(const QString &name)
    {
        prompts.openAnswers << path(name);
        click("btnOpen");
    }
    VoiceStore &store() { return *keeper.store(nullptr); }
    // The kinds of every source of the voice named `name`, as the store's words.
    QStringList sourceKinds(const QString &name)
    {
        VoiceFilter filter;
        filter.search = name;
        const QList<qint64> ids = store().find(filter);
        if (ids.size() != 1)
            return {QStringLiteral("found %1").arg(ids.size())};
        QStringList kinds;
        const StoredVoice voice = *store().voice(ids.first());
        for (const VoiceSource &source : voice.sources)
            kinds << VoiceSource::kindText(source.kind) + QLatin1Char(' ')
                         + QString::number(source.slot);
        return kinds;
    }
    void settle()
    {
        platform.waitUntilSent();
        instrument.waitUntilIdle();
    }
};

QByteArray bankVoice(int index)
{
    return VoiceBank::read(BankFile).voices.at(index).bytes;
}

} // namespace

class VoiceLibraryTest : public QObject
{
    Q_OBJECT

private slots:
    void keepsVoicesOpenedAndSent();
    void keepingTurnedOff();
    void triedVoicesLeaveTheSlotAsItWas();
    void damagedLibrary_data();
    void damagedLibrary();
    void libraryWindowImportsSearchesAndSends();
};

void VoiceLibraryTest::keepsVoicesOpenedAndSent()
{
    Rig rig;
    TfmVLDump &w = rig.openWithLibrary();
    const VoiceBank::Voice voice = VoiceBank::read(BankFile).voices.at(5);
    rig.writeFile(QStringLiteral("one.syx"), voice.bytes);
    QCOMPARE(w.lblKept()->text(), QString());

    rig.openFile(QStringLiteral("one.syx"));
    QCOMPARE(w.voiceData(), voice.bytes);
    QCOMPARE(w.lblKept()->text(), QStringLiteral("Kept in the library: ") + voice.name.trimmed());
    QCOMPARE(rig.sourceKinds(voice.name.trimmed()), QStringList{"file 6"});
    const StoredVoice stored = *rig.store().voice(rig.store().find({}).first());
    QCOMPARE(stored.bytes, voice.bytes);
    QCOMPARE(stored.sources.first().file, rig.path(QStringLiteral("one.syx")));
    QCOMPARE(stored.sources.first().position, 1);

    // Sent to Internal slot 9: the same voice, one source more, and the
    // voice slot 9 held before is kept beside it.
    const QByteArray before = rig.instrument.instrument().internalSlot(9);
    rig.choose("cbxSendPatch", 8);
    rig.click("btnExport");
    rig.settle();
    QCOMPARE(rig.instrument.instrument().internalSlot(9).mid(9, 163), voice.bytes.mid(9, 163));
    QCOMPARE(rig.sourceKinds(voice.name.trimmed()), (QStringList{"file 6", "sent 9"}));
    QCOMPARE(rig.store().count(), 2);
    VoiceFilter heldBySlots;
    heldBySlots.sourceKind = VoiceSource::Kind::Held;
    const QList<StoredVoice> held = rig.store().list(heldBySlots);
    QCOMPARE(held.size(), 1);
    QCOMPARE(rig.store().voice(held.first().id)->bytes.mid(9, 163), before.mid(9, 163));
    QVERIFY2(w.lblKept()->text().endsWith(QStringLiteral("to Internal 9, verified")),
             qPrintable(w.lblKept()->text()));

    // "Undo Last Write" says what goes back where, then puts the old voice
    // back; the restore is itself in the history.
    w.actUndoWrite()->trigger();
    rig.settle();
    QVERIFY2(rig.prompts.messages().last().contains(QStringLiteral("to Internal 9")),
             qPrintable(rig.prompts.messages().last()));
    QCOMPARE(rig.instrument.instrument().internalSlot(9).mid(9, 163), before.mid(9, 163));
    const QList<WriteRecord> writes = WriteHistory(rig.store()).list();
    QCOMPARE(writes.size(), 2);
    QCOMPARE(writes.first().kind, WriteRecord::Kind::Restore);
    QCOMPARE(writes.first().restores, writes.last().id);
    QCOMPARE(writes.first().count(WriteRecord::PlaceState::Verified), 1);

    // The history window lists both, newest first; its "Restore..." puts
    // back what the send kept, and "Show in Library" lists the voices kept
    // before writes.
    QStringList rows;
    int keptVoices = -1;
    rig.prompts.onModal = [&](QDialog *dialog) {
        if (auto *history = qobject_cast<TfmWriteHistory *>(dialog)) {
            QTableWidget *table = history->tblWrites();
            for (int row = 0; row < table->rowCount(); ++row)
                rows << table->item(row, TfmWriteHistory::Kind)->text() + u' '
                            + table->item(row, TfmWriteHistory::Kept)->text();
            table->selectRow(1);
            history->btnRestore()->click();
            history->btnShowInLibrary()->click();
            return int(QDialog::Accepted);
        }
        if (auto *library = qobject_cast<TfmVoiceLibrary *>(dialog))
            keptVoices = library->model()->rowCount();
        return int(QDialog::Accepted);
    };
    w.actHistory()->trigger();
    rig.settle();
    QCOMPARE(rows, (QStringList{QStringLiteral("restore 1 kept"), QStringLiteral("send 1 kept")}));
    QCOMPARE(rig.instrument.instrument().internalSlot(9).mid(9, 163), before.mid(9, 163));
    const QList<WriteRecord> after = WriteHistory(rig.store()).list();
    QCOMPARE(after.size(), 3);
    QCOMPARE(after.first().restores, writes.last().id);
    QCOMPARE(keptVoices, 2);
    QCOMPARE(rig.prompts.errors(), QStringList());
}

// "Try" in a bank's voice list writes the voice to the scratch slot (asked
// once, Internal 64) and selects it; a second try replaces it; closing the
// list puts back what the slot held before the first. The Voice Library
// window tries voices the same way.
void VoiceLibraryTest::triedVoicesLeaveTheSlotAsItWas()
{
    Rig rig;
    TfmVLDump &w = rig.openWithLibrary();
    const QByteArray before = rig.instrument.instrument().internalSlot(64);
    const VoiceBank bank = VoiceBank::read(BankFile);
    QByteArray whileTrying;
    rig.prompts.onModal = [&](QDialog *dialog) {
        auto *picker = qobject_cast<TfmBankVoices *>(dialog);
        if (!picker)
            return int(QDialog::Rejected);
        for (const int row : {6, 7}) {
            picker->lstVoices()->setCurrentRow(row);
            picker->btnTry()->click();
            rig.settle();
            whileTrying = rig.instrument.instrument().internalSlot(64);
        }
        return int(QDialog::Rejected);
    };
    rig.prompts.openAnswers << BankFile;
    rig.click("btnOpen");
    rig.settle();
    QCOMPARE(rig.prompts.errors(), QStringList());
    QCOMPARE(whileTrying.mid(9, 163), bank.voices[7].bytes.mid(9, 163));
    QCOMPARE(rig.instrument.instrument().internalSlot(64).mid(9, 163), before.mid(9, 163));
    QStringList kinds;
    for (const WriteRecord &write : WriteHistory(rig.store()).list())
        kinds << WriteRecord::kindText(write.kind);
    QCOMPARE(kinds, (QStringList{QStringLiteral("try-back"), QStringLiteral("try"),
                                 QStringLiteral("try")}));

    // The same from the Voice Library window, until it closes.
    rig.prompts.onModal = [&](QDialog *dialog) {
        auto *library = qobject_cast<TfmVoiceLibrary *>(dialog);
        if (!library)
            return int(QDialog::Rejected);
        library->edtSearch()->setText(bank.voices[7].name.trimmed());
        library->tblVoices()->setCurrentIndex(library->model()->index(0, 0));
        library->findChild<QPushButton *>(QStringLiteral("btnTry"))->click();
        rig.settle();
        whileTrying = rig.instrument.instrument().internalSlot(64);
        library->done(QDialog::Rejected);
        return int(QDialog::Rejected);
    };
    w.actLibrary()->trigger();
    rig.settle();
    QCOMPARE(rig.prompts.errors(), QStringList());
    QCOMPARE(whileTrying.mid(9, 163), bank.voices[7].bytes.mid(9, 163));
    QCOMPARE(rig.instrument.instrument().internalSlot(64).mid(9, 163), before.mid(9, 163));
}

void VoiceLibraryTest::keepingTurnedOff()
{
    Rig rig;
    TfmVLDump &w = rig.openWithLibrary();
    rig.keeper.setKeepsVoices(false);
    rig.writeFile(QStringLiteral("one.syx"), bankVoice(3));
    rig.openFile(QStringLiteral("one.syx"));
    QCOMPARE(w.voiceData(), bankVoice(3));
    QCOMPARE(w.lblKept()->text(), QString());
    QCOMPARE(rig.store().count(), 0);
    // The setting is kept for the next run.
    QVERIFY(!LibraryKeeper(rig.keeper.fileName(), rig.settings, rig.prompts).keepsVoices());
}

// A file that is no library: asked once whether to set it aside; the file
// is never deleted, and the window's own flow goes on either way.
void VoiceLibraryTest::damagedLibrary_data()
{
    QTest::addColumn<bool>("setAside");
    QTest::newRow("set aside") << true;
    QTest::newRow("kept as it is") << false;
}

void VoiceLibraryTest::damagedLibrary()
{
    QFETCH(bool, setAside);
    Rig rig;
    const QByteArray damaged(4096, 'x');
    rig.writeFile(QStringLiteral("library.sqlite"), damaged);
    TfmVLDump &w = rig.openWithLibrary();
    rig.writeFile(QStringLiteral("one.syx"), bankVoice(3));
    rig.writeFile(QStringLiteral("two.syx"), bankVoice(4));
    rig.prompts.messageAnswers << (setAside ? QMessageBox::Yes : QMessageBox::No);

    rig.openFile(QStringLiteral("one.syx"));
    rig.openFile(QStringLiteral("two.syx"));
    QCOMPARE(w.voiceData(), bankVoice(4));
    const QStringList asides = QDir(rig.dir.path())
                                   .entryList({QStringLiteral("library.sqlite.damaged-*")});
    if (setAside) {
        QCOMPARE(asides.size(), 1);
        QCOMPARE(rig.readFile(asides.first()), damaged);
        QCOMPARE(rig.store().count(), 2);
        QCOMPARE(w.lblKept()->text(), QStringLiteral("Kept in the library: ")
                                          + VoiceBank::read(BankFile).voices.at(4).name.trimmed());
    } else {
        QCOMPARE(asides.size(), 0);
        QCOMPARE(rig.readFile(QStringLiteral("library.sqlite")), damaged);
        QCOMPARE(w.lblKept()->text(), QString());
        QVERIFY(!w.actLibrary()->isEnabled() || !rig.keeper.store(nullptr));
    }
    // The question came once, not once a file.
    int asked = 0;
    for (const QString &text : rig.prompts.messages())
        asked += text.contains(QStringLiteral("Set this file aside")) ? 1 : 0;
    QCOMPARE(asked, 1);
    QCOMPARE(rig.prompts.errors(), QStringList());
}

void VoiceLibraryTest::libraryWindowImportsSearchesAndSends()
{
    Rig rig;
    TfmVLDump &w = rig.openWithLibrary();
    const QByteArray devil = SimulatedVl70m::makeVoice("Devil   ", 7, 0);
    rig.writeFile(QStringLiteral("devil.syx"), devil);
    rig.writeFile(QStringLiteral("notes.txt"), "not a voice");
    QVERIFY(devil != rig.instrument.instrument().editBuffer());

    int rowsFound = -1;
    QString nameFound;
    rig.prompts.onModal = [&](QDialog *dialog) {
        auto *library = qobject_cast<TfmVoiceLibrary *>(dialog);
        if (!library)
            return int(QDialog::Rejected);
        QSignalSpy finished(library, &TfmVoiceLibrary::importFinished);
        library->importPaths({BankFile, rig.path(QStringLiteral("devil.syx")),
                              rig.path(QStringLiteral("notes.txt"))});
        if (!finished.wait(60000))
            return int(QDialog::Rejected);
        // Part of the name, another case.
        library->edtSearch()->setText(QStringLiteral("dEVi"));
        rowsFound = library->model()->rowCount();
        QTableView *table = library->tblVoices();
        table->setCurrentIndex(library->model()->index(0, 0));
        nameFound = library->model()->index(0, VoiceLibraryModel::Name).data().toString();
        library->findChild<QPushButton *>(QStringLiteral("btnSendCurrent"))->click();
        return int(QDialog::Rejected);
    };
    w.actLibrary()->trigger();
    rig.settle();

    const QStringList messages = rig.prompts.messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QStringLiteral("65 new, 0 known, 1 refused\n")),
             qPrintable(messages.first()));
    QVERIFY(messages.first().contains(QStringLiteral("notes.txt")));
    QCOMPARE(rowsFound, 1);
    QCOMPARE(nameFound, QStringLiteral("Devil   "));
    // The simulated instrument holds it; the main window holds and keeps it.
    QCOMPARE(rig.instrument.instrument().editBuffer(), devil);
    QCOMPARE(w.voiceData(), devil);
    // The line under the keyboard says what became of the send.
    QCOMPARE(w.lblKept()->text(), QStringLiteral("Sent \"Devil\" to the current voice"));
    QCOMPARE(rig.sourceKinds(QStringLiteral("devil")), (QStringList{"file 0", "sent 0"}));
    QCOMPARE(rig.store().count(), 65);
    QCOMPARE(rig.prompts.errors(), QStringList());
}

QTEST_MAIN(VoiceLibraryTest)
#include "tst_voicelibrary.moc"
