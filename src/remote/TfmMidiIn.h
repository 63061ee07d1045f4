#pragma once

#include "ErrorGuard.h"

#include <QByteArray>
#include <QDialog>

#include <memory>

class FrontPanelRemote;
class QTimer;
class Prompts;
class Sleeper;
class TMidiCorvoIn;
class TranslationService;
class TVLManager;
class VoiceFetcher;

namespace Ui {
class TfmMidiIn;
}

// The Import SysEx window: tells the user how to make the instrument dump
// its current voice, offers the front-panel remote to do it from the
// screen, and collects the dump from the manager's input port into the
// caller's stream, showing the running byte count. It closes by itself when
// a whole voice has arrived (174 bytes of an internal voice, 1572 of a
// custom voice, 1808 of a full voice dump); "Cancel", the close box and
// Escape close it at any time and leave what arrived in the stream.
//
// Only blocks whose device byte is the manager's device number count.
// Blocks too short to be a dump block (under 7 bytes: no device byte and
// address byte to read) are ignored, and completion is judged on accepted
// bytes only: at 174 bytes the address byte of the accepted block tells an
// internal voice (40h, complete) from a custom voice's first block (30h).
//
// Lifetime: execute() opens and starts the input port before the window is
// shown, so an open or start error ends the import there and reaches the
// caller's error box; every way of closing stops the port (left open); the
// window's receive handler is detached from the port when it closes, and at
// the latest when it is destroyed, so nothing reaches a destroyed window.
class TfmMidiIn : public QDialog
{
    Q_OBJECT

public:
    // Above 63: the first address byte of an internal voice dump.
    static constexpr quint8 LowestInternalAddress = 0x40;
    // Offsets 2 (device) and 6 (address high) must lie inside a block.
    static constexpr int MinimumBlockLength = 7;

    // The manager, the stream, the prompts and the sleeper are not owned and
    // must outlive the window; the translation service may be null.
    TfmMidiIn(TVLManager *manager, QByteArray *stream, Prompts &prompts, Sleeper &sleeper,
              TranslationService *translation = nullptr, QWidget *parent = nullptr);
    ~TfmMidiIn() override;

    // FormShow, then the window modally through the prompts; returns its
    // result. Errors of FormShow are raised to the caller.
    int execute();

    int BytesRead() const { return m_bytesRead; }
    TMidiCorvoIn *Port() const { return m_port; }
    TVLManager *Manager() const { return m_manager; }
    QByteArray *Stream() const { return m_stream; }
    FrontPanelRemote *remote() const { return m_remote; }
    // Whether the receive handler is attached to the port right now.
    bool isAttached() const { return m_attached; }
    // Whether the voice in the stream was asked for ("Ask the Instrument")
    // rather than dumped from the panel.
    bool asked() const { return m_asked; }

    void FormCreate();
    // Takes the manager's input port, attaches the receive handler, opens
    // and starts the port. Raises the port's error (handler detached again).
    void FormShow();
    // Stops the port; the window always may close.
    void FormCloseQuery();
    // One filled SysEx buffer, on the window thread.
    void MidiInputSyx1MidiInput(QObject *sender, const quint8 *data, qint32 len);
    // Asks the instrument for its current voice block by block (bulk dump
    // requests) instead of the user at its panel. The blocks that answer are
    // collected by the same rule as a panel dump, this window's part of the
    // stream started afresh; when a block does not come the user is told
    // and the window stays open for the panel.
    void btnAskClick();

    // Every way of closing ends here: completion, Cancel, close box, Escape.
    void done(int result) override;
    // How often the open window looks whether its input device is still there.
    static constexpr int DeviceCheckMs = 250;
    // The input device went away while the window waits: the user is told
    // once, and the window stays open to be cancelled.
    void checkDevice();

private:
    bool isComplete() const;
    void detach();

    std::unique_ptr<Ui::TfmMidiIn> m_ui;
    Prompts &m_prompts;
    TranslationService *m_translation;
    ErrorGuard m_guard;
    FrontPanelRemote *m_remote = nullptr;

    qint32 m_bytesRead = 0;
    TMidiCorvoIn *m_port = nullptr;
    QByteArray *m_stream;
    TVLManager *m_manager;
    const Sleeper &m_clock; // times "Ask the Instrument"'s answers
    // Where this window's first accepted block begins in the stream.
    qsizetype m_streamStart = 0;
    bool m_attached = false;
    int m_delivering = 0;
    bool m_detachAfterDelivery = false;
    QTimer *m_deviceCheck = nullptr;
    bool m_toldDeviceGone = false;
    // The request in progress, if any; it sees every block that arrives.
    VoiceFetcher *m_fetcher = nullptr;
    bool m_closed = false;
    bool m_asked = false;
};
