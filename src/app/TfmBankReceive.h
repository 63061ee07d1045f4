#pragma once

#include "ErrorGuard.h"
#include "VoiceCollector.h"

#include <QDialog>

#include <functional>

class FileDialog;
class Prompts;
class QLabel;
class QListWidget;
class QPushButton;
class TMidiCorvoIn;
class TranslationService;
class TVLManager;

// The window that collects the voices the user dumps from the instrument's
// panel one after another: each voice is listed as it arrives (number,
// name, where it came from), and "Save As File..." writes them all, bytes
// as received and in order, as one bank file. Blocks count by the rule of
// the single-voice import (the manager's device number).
//
// The manager's input port is opened and started by execute() before the
// window shows, and stopped and let go by every way of closing. Closing
// with voices not saved asks first.
class TfmBankReceive : public QDialog
{
    Q_OBJECT

public:
    // None of the arguments is owned; all must outlive the window. The
    // translation service may be null.
    TfmBankReceive(TVLManager *manager, Prompts &prompts, FileDialog *saveDialog,
                   TranslationService *translation, QWidget *parent = nullptr);
    ~TfmBankReceive() override;

    // Opens and starts the input port, then shows the window modally through
    // the prompts; a port that cannot be opened raises before it shows.
    int execute();

    const VoiceCollector &collector() const { return m_collector; }
    QListWidget *lstVoices() const { return m_list; }
    QPushButton *btnSave() const { return m_save; }
    QLabel *lblStatus() const { return m_status; }

    // Called with each whole voice as it arrives.
    std::function<void(const VoiceBank::Voice &)> onVoiceReceived;

    // One SysEx message from the port, on the window thread.
    void takeMessage(const quint8 *data, qint32 len);
    void btnSaveClick();
    void done(int result) override;

private:
    void detach();
    QString translated(const QString &text) const;

    TVLManager *m_manager;
    Prompts &m_prompts;
    FileDialog *m_saveDialog;
    TranslationService *m_translation;
    ErrorGuard m_guard;
    VoiceCollector m_collector;
    TMidiCorvoIn *m_port = nullptr;
    QListWidget *m_list = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_save = nullptr;
    // Voices received since the last save.
    bool m_unsaved = false;
};
