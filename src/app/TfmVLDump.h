#pragma once

#include "ErrorGuard.h"
#include "GuardedWriteRun.h"
#include "RegRoot.h"
#include "SlotNameStore.h"
#include "VoiceBank.h"

#include <QByteArray>
#include <QMetaObject>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>

class FrontPanelRemote;
class FileDialog;
class LibraryKeeper;
class VoiceSource;
class QLabel;
class MidiPlatform;
class MidiTap;
class TfmMidiLog;
class Prompts;
class Sleeper;
class TMIDIKeys;
class TranslationService;
class TVLManager;
class QAction;
class QCloseEvent;
class QTimer;
class QMouseEvent;

namespace Ui {
class TfmVLDump;
}

// The program's main window: MIDI port and device-number choice, the voice
// catalogue (PROM type, bank, patch), the held voice and where it goes, the
// front-panel remote and the keyboard strip.
//
// Every handler runs its body through the window's ErrorGuard: an error ends
// the handler, its text is shown through the prompts and the window stays
// usable. Handlers called from other handlers run inside the caller's guard.
class TfmVLDump : public QWidget
{
    Q_OBJECT

public:
    // The window's services, none owned: the MIDI devices, the prompts that
    // show message boxes, dialogs and modal windows, the clock of the waits
    // between messages, the settings root and the slot name folder (chosen
    // once per run), and the translation service (none: texts as laid out).
    struct Services
    {
        MidiPlatform &platform;
        Prompts &prompts;
        Sleeper &sleeper;
        RegRoot settings;
        QString slotFolder;
        TranslationService *translation = nullptr;
        // The tap `platform` goes through, for the MIDI log (none: no log).
        MidiTap *midiTap = nullptr;
        // The voice library every voice met is kept in; none: nothing kept
        // and no "Voice Library..." in the menu.
        LibraryKeeper *library = nullptr;
    };

    // Builds the window and runs FormCreate; no MIDI message is sent.
    explicit TfmVLDump(const Services &services, QWidget *parent = nullptr);
    ~TfmVLDump() override;

    // The initial caption, shown whenever no voice is held.
    static QString initialCaption();

    TVLManager *VLManager1() const { return m_manager; }
    FileDialog *OpenDialog1() const { return m_openDialog; }
    FileDialog *SaveDialog1() const { return m_saveDialog; }
    // Bytes of the voice now held, as "Save" writes them.
    const QByteArray &voiceData() const { return VoiceData; }
    FrontPanelRemote *remote() const { return m_remote; }
    QAction *actGetVoices() const { return m_actGetVoices; }
    QAction *actFind() const { return m_actFind; }
    QAction *actBackup() const { return m_actBackup; }
    QAction *actMidiLog() const { return m_actMidiLog; }
    // The MIDI log window, once it was opened.
    TfmMidiLog *midiLog() const { return m_midiLog; }
    QAction *actLibrary() const { return m_actLibrary; }
    QAction *actUndoWrite() const { return m_actUndoWrite; }
    QAction *actHistory() const { return m_actHistory; }
    // The one line that says what was last kept in the library.
    QLabel *lblKept() const { return m_kept; }
    // Rows of cbxSendBank: where a held voice goes.
    enum SendDestination { SendCurrent = 0, SendCustom = 1, SendInternal = 2 };
    // The slot name lists: none, or exactly 6 and 64 entries.
    const std::optional<QStringList> &CustomNames() const { return m_customNames; }
    const std::optional<QStringList> &InternalNames() const { return m_internalNames; }
    const SlotNameStore &slotNameStore() const { return m_slotNames; }

    // Handlers; each may raise VentaroError (the guard shows it).
    void FormCreate();
    void cbxMidiInSelect();
    void cbxMidiOutSelect();
    // Lists the MIDI devices anew in both port lists, the chosen ones kept
    // selected by name (run whenever a list drops down).
    void refreshDeviceLists();
    // Both port lists as the ports last listed their devices.
    void showDeviceLists();
    void showInputUsable();
    // The platform saw devices come or go: both lists are filled anew, unless
    // one is dropped down (it is refilled when it drops down next).
    void devicesChanged();
    void cbxDevNoSelect();
    void FormCloseQuery();
    void FormClose();
    void cbxPromSelect();
    void cbxBankSelect();
    void SelectPatch();
    void LoadSlotNames();
    void SaveSlotNames();

    // Getting a voice through the Import SysEx window, showing the held
    // voice and its destinations, sending it (with its waits and the slot
    // name list updated).
    void btnImportClick();
    void btnExportClick();
    void cbxSendBankSelect();
    void UpdateVoiceControls(bool loaded);
    // Every voice of a bank to the instrument: the user says where in the
    // send window, then the voices go one after another, paced, with a
    // progress window that can stop the run between voices. Each slot is
    // renamed once its voice left whole; an error ends the run and says how
    // many voices were sent. The slot names are saved afterwards.
    void sendAllVoices(const VoiceBank &bank);
    // Collecting voices the instrument dumps one after another into a bank file.
    void btnGetVoicesClick();
    // Looks for the instrument on every device (identity request) and, for
    // the one the user picks, chooses its ports and device number as if the
    // user had chosen them.
    void btnFindClick();
    // Fetches the six Custom and sixty-four Internal voices by request into
    // one bank file, with a progress window that can stop it and a report of
    // the slots that did not answer.
    void btnBackupClick();
    // Saves a backup's bank where the user says; the report's last line.
    QString saveBackup(const QByteArray &bank, int voices);
    // Shows the MIDI log window (made the first time).
    void btnMidiLogClick();
    // Dump files.
    void btnOpenClick();
    void btnSaveClick();
    // Opens `fileName` as "Open File..." does once a file is chosen (the
    // program's FILE argument); errors show as the handlers' do.
    void openFile(const QString &fileName);
    // The Voice Library window, modal over this one.
    void btnLibraryClick();
    // Writes back what the newest write that kept anything replaced, after
    // saying what goes where.
    void undoLastWrite();
    void showWriteHistory();
    // Makes `bytes` (one whole voice) the held voice, as opening a file
    // does; false when the manager refuses them.
    bool holdVoice(const QByteArray &bytes);
    // Sends the held voice where cbxSendBank and cbxSendPatch say, as
    // "Send" does: `destination` a SendDestination, `slot` from 1.
    void sendHeldVoice(int destination, int slot);
    // "Try": writes an internal voice to the scratch slot (kept first, as
    // every write) and selects it; EndTry puts back what the slot held
    // before the first try (a list of voices calls it when it closes).
    void tryVoice(const VoiceBank::Voice &voice);
    void endTry();

    // Notes of the keyboard strip, on MIDI channel 1 through the manager.
    void MIDIKeys1NoteOn(int note, int velocity);
    void MIDIKeys1NoteOff(int note, int velocity);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // A slot that runs `handler` inside the error guard.
    template <typename... Args>
    auto guarded(void (TfmVLDump::*handler)())
    {
        return [this, handler](Args...) { m_guard.run([this, handler] { (this->*handler)(); }); };
    }
    void connectHandlers();
    void placeKeyboard(MidiPlatform &platform);
    // The window's background and its group boxes, where a right click shows
    // the About window; null stands for the background.
    bool isAboutArea(const QWidget *widget) const;
    void FormMouseUp();
    void bindPatchSelect();
    // Fills the patch list for the bank shown, the slot names where known.
    void showPatchList();
    void createFileDialogs();
    void openVoiceFile(const QString &fileName);
    // The bytes of the voice the user picks from a library, none when the
    // file is no library or the picker closed without a choice.
    std::optional<QByteArray> pickLibraryVoice(const QString &fileName);
    // The bytes of the voice the user picks from a file of two voices or
    // more (`isBank` set), none when the picker closed without a choice;
    // `isBank` stays false for any other file.
    std::optional<QByteArray> pickBankVoice(const QString &fileName, bool *isBank);
    QString translated(const QString &text) const;
    // Keeps voices met in the library (when there is one and keeping is
    // on) and says so in lblKept.
    void keepVoices(const QList<VoiceBank::Voice> &voices, const VoiceSource &source);
    void keepVoice(const QByteArray &bytes, const VoiceSource &source);
    void keepFile(const QString &fileName);
    void showKept(const QString &notice);
    // Writes "slot: name" into the slot name list of a bank (Custom or
    // Internal), starting the list from the built-in names.
    void renameSlot(int bank, int slot, const QString &name);
    // Writes voices of a bank where the plan says, keeping what the slots
    // held; renames the slots reached and says what became of it.
    // `entry` (when given) gets the history's entry of the write, even when
    // it raises.
    void writeBank(const VoiceBank &bank, const BankSendPlan &plan, WriteRecord::Kind kind,
                   const QString &title, const QString &objectName,
                   int gapMs = BankSender::DefaultGapMs, qint64 restores = 0,
                   qint64 *entry = nullptr);

    GuardedWriteRun::Services writeServices();
    void nameHeldSlot(const VoiceBank::Voice &voice);
    // The name of the voice a Custom or Internal slot (1-based) holds as far
    // as the program knows: from the slot name files, else the factory's,
    // which the instrument never confirmed.
    struct HeldName
    {
        QString name;
        bool confirmed = false;
    };
    HeldName heldName(int bank, int slot) const;
    // Writes back what `record` kept, after saying what goes where.
    void restoreWrite(const WriteRecord &record, const QString &title);
    // What "Send all" with these options replaces, for its window.
    QString replacedText(const VoiceBank &bank, const BankSendPlan::Options &options) const;

    std::unique_ptr<Ui::TfmVLDump> m_ui;
    MidiPlatform &m_platform;
    Prompts &m_prompts;
    Sleeper &m_sleeper;
    RegRoot m_settings;
    TranslationService *m_translation;
    ErrorGuard m_guard;
    SlotNameStore m_slotNames;
    TVLManager *m_manager = nullptr;
    bool m_writing = false; // a write to the instrument runs
    TMIDIKeys *MIDIKeys1 = nullptr;
    FileDialog *m_openDialog = nullptr;
    FileDialog *m_saveDialog = nullptr;
    FrontPanelRemote *m_remote = nullptr;
    QAction *m_actGetVoices = nullptr;
    QAction *m_actFind = nullptr;
    QAction *m_actBackup = nullptr;
    QAction *m_actMidiLog = nullptr;
    MidiTap *m_midiTap = nullptr;
    TfmMidiLog *m_midiLog = nullptr;
    QAction *m_actLibrary = nullptr;
    QAction *m_actUndoWrite = nullptr;
    QAction *m_actHistory = nullptr;
    qint64 m_tryEntry = 0; // the first try since the slot was last put back
    QAction *m_actKeepSlots = nullptr;
    LibraryKeeper *m_library;
    QLabel *m_kept = nullptr;

    // Bytes of the voice now held, exactly as obtained.
    QByteArray VoiceData;
    std::optional<QStringList> m_customNames;
    std::optional<QStringList> m_internalNames;

    QMetaObject::Connection m_patchSelect;
    bool m_rightPressInAboutArea = false;
    // A refresh is on its way to the window thread (set on the platform's).
    std::atomic<bool> m_refreshQueued{false};
    QTimer *m_refreshTimer = nullptr;
};
