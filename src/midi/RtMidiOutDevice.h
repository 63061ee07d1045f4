#pragma once

#include "MidiNotification.h"
#include "MidiPlatform.h"
#include "RtMidiAlsaWatch.h"
#include "RtMidiJackWatch.h"

#include <QByteArray>
#include <QObject>

#include <RtMidi.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// One open output device of RtMidiPlatform: its RtMidi client, what watches
// it, and the port's callback.
//
// Locks: `sending` is held while RtMidi sends and while the device is let
// go; it may be taken with the platform's m_mutex not held only (the
// platform never holds m_mutex while taking it). relay->mutex is taken alone.
class RtMidiOutDevice
{
public:
    // Carries the news of the JACK server's end from JACK's thread to the
    // thread that opened the device, through a QObject living there.
    struct EndRelay
    {
        std::mutex mutex;            // guards the two below
        QObject *notifier = nullptr; // cleared before the notifier goes
        MidiHandle handle = NoMidiHandle;
    };

    // Closes RtMidi's client while the watch still runs (RtMidiOutClosing).
    ~RtMidiOutDevice();

    std::mutex sending;  // held while RtMidi sends; closing takes it
    bool closed = false; // guarded by sending
    std::unique_ptr<RtMidiOut> out;
    std::unique_ptr<RtMidiJackWatch> watch;
    // ALSA: the platform's announce watch and the device's address.
    RtMidiAlsaWatch *alsa = nullptr;
    RtMidiAlsaWatch::Address address{-1, -1};
    MidiCallback callback;
    std::unique_ptr<QObject> notifier; // lives on the opening thread
    std::shared_ptr<EndRelay> relay = std::make_shared<EndRelay>();
    std::atomic<bool> failed{false};
    std::atomic<bool> errorSeen{false};
    // The device's port went while its server ran; kept once the sweep let
    // the watch go.
    std::atomic<bool> portLost{false};

    // Called on the notifier's thread before the device is let go.
    void silence();
    // RtMidi reports through this instead of printing or throwing.
    static void onError(RtMidiError::Type, const std::string &, void *self);
    // Its server ended, or the device it is connected to went away.
    bool gone();
    // The device it is connected to went away (unplugged, its client ended).
    bool portWent();
    // Hands one message to RtMidi (on the sender thread); a SysEx block
    // counts as sent only once the JACK server has taken it.
    MidiPlatform::Result send(const QByteArray &bytes, bool block);
    // Runs a wait for the JACK server's cycles again while the server still
    // answers, up to RtMidiPlatform::BusyServerMs in all.
    bool patiently(const std::function<bool()> &wait);
};
