#pragma once

#include "ErrorGuard.h"

#include <QObject>
#include <QPointer>

#include <array>

class QEvent;
class QFrame;
class QKeyEvent;
class QLabel;
class Sleeper;
class TVLManager;

// The front-panel remote of a window: fills the window's `pnlRemote` frame
// with the panel picture `Image2` and fifteen transparent hot-spot labels,
// and presses the instrument's buttons through the device manager when a
// hot-spot is clicked or an ALT shortcut is typed anywhere in that window.
//
// Both the main window and the Import SysEx window use it; they differ only
// in the timing of PLAY, the one button that is also released:
// - main window: press, 300 ms wait, then the release on mouse up;
// - Import SysEx window: press, then on mouse up a 150 ms wait and the
//   release.
// Either way at least that long separates press and release, however short
// the click. Every other button sends a press alone.
//
// Keys are seen before the focused control (an application event filter
// acting on the first control that receives each key), and an ALT shortcut
// of the remote wins over any button mnemonic or shortcut of the window (a
// translated "&Fermer" never closes the window on ALT+F, which is EFFECT).
// The key itself is not consumed: it goes on to the window's own handling.
//
// Errors of the device manager (an output port that cannot be opened) end
// the handler and are shown through the window's guard.
class FrontPanelRemote : public QObject
{
    Q_OBJECT

public:
    struct Timing
    {
        int playPressWaitMs;   // after the press of PLAY, before returning
        int playReleaseWaitMs; // on mouse up of PLAY, before the release
    };
    static constexpr Timing MainWindowTiming{300, 0};
    static constexpr Timing ImportWindowTiming{0, 150};

    // Picture control: larger than the picture, as laid out.
    static constexpr int ImageWidth = 161;
    static constexpr int ImageHeight = 105;

    // The manager and the sleeper must outlive the remote; the remote is a
    // child of `panel` and watches the keys of the window `panel` lies in.
    FrontPanelRemote(QFrame *panel, TVLManager *manager, Sleeper &sleeper, const ErrorGuard &guard,
                     Timing timing);
    ~FrontPanelRemote() override;

    QFrame *panel() const { return m_panel; }
    QLabel *image() const { return m_image; }
    // The hot-spot of a switch number 0..14, else null.
    QLabel *hotSpot(int tag) const;
    // The switch number of a hot-spot label (its "Tag" property).
    static int tagOf(const QObject *label);

    // Handlers; they may raise VentaroError (the callers guard them).
    // Mouse down on any hot-spot, any button: presses its switch.
    void lblPlayMouseDown(QLabel *sender);
    // Mouse up on PLAY: releases switch 0.
    void lblPlayMouseUp(QLabel *sender);
    // A key of the window: an ALT shortcut presses its hot-spot. Returns
    // whether the key was one of the remote's.
    bool FormKeyDown(const QKeyEvent &event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool inHostWindow(const QObject *watched) const;
    bool isPropagation(const QEvent *event, const QObject *watched) const;

    QFrame *m_panel;
    TVLManager *m_manager;
    Sleeper &m_sleeper;
    ErrorGuard m_guard;
    Timing m_timing;
    QLabel *m_image = nullptr;
    std::array<QLabel *, 15> m_hotSpots{};

    // The key event last seen and where: a key handed on to the parents of
    // its first receiver is the same event object again.
    const QEvent *m_lastKey = nullptr;
    int m_lastKeyType = 0;
    QPointer<QObject> m_lastReceiver;
};
