#pragma once

#include "MidiPlatform.h"

#include <QByteArray>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

// The one ordered queue of outgoing messages that every platform
// implementation sends through, and its sender thread. Callers (the window
// thread, an input callback thread) post and return at once; the sender
// thread hands each message, in the order posted, to the implementation's
// transmit function, and raises the Done notification of each long message
// after it has left. A stalled MIDI system therefore never blocks the
// window thread, and the order and spacing the program gives its messages
// is kept.
//
// Lifetime of a handle: addHandle before the first post, removeHandle at
// close; after removeHandle returns, nothing of that handle is queued and
// no notification of it is raised any more.
class MidiSendQueue
{
public:
    struct Item
    {
        MidiHandle handle = NoMidiHandle;
        MidiHeader *header = nullptr; // long message: reported Done; null for a short one
        QByteArray bytes;             // the message's bytes (a long one's own copy)
        quint32 word = 0;             // short message: the packed word
        qint64 stampNs = 0;           // when it was posted, on the caller's clock
    };
    // Sends one message; runs on the sender thread, without any lock held.
    // Returns NoError when the transport took it whole, else why not; a
    // long message's Done carries that result.
    using Transmit = std::function<MidiPlatform::Result(const Item &)>;

    explicit MidiSendQueue(Transmit transmit);
    // Sends what is still queued, then ends the sender thread.
    ~MidiSendQueue();

    MidiSendQueue(const MidiSendQueue &) = delete;
    MidiSendQueue &operator=(const MidiSendQueue &) = delete;

    void addHandle(MidiHandle handle, MidiCallback callback);
    // Drops what is queued for the handle (a long message's header has its
    // InQueue flag cleared, no Done) and forgets its callback. A message of
    // it that is being sent finishes, unreported.
    void removeHandle(MidiHandle handle);
    // False when the handle is unknown.
    bool post(Item item);
    // Waits until nothing of the handle is queued or being sent, and every
    // Done of it has been raised. After timeoutMs, drops what is still queued,
    // raises Done here, with droppedResult, for every long message of it
    // not yet reported (queued or being sent) and returns false.
    bool flush(MidiHandle handle, int timeoutMs, int droppedResult = MidiPlatform::Timeout);
    // Waits until everything posted so far has left.
    void waitIdle();

private:
    struct Entry
    {
        Item item;
        bool reported = false;
    };

    void run();
    bool busyWith(MidiHandle handle) const;
    void raiseDone(MidiHeader *header, const MidiCallback &callback, int result);

    Transmit m_transmit;
    // Guards the queue, the callbacks, m_inFlight and m_stopping; taken
    // inside m_notifyMutex, never held while transmitting or raising Done.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Entry> m_queue;
    std::map<MidiHandle, MidiCallback> m_callbacks;
    Entry *m_inFlight = nullptr; // guarded by m_mutex
    // Held while a Done is raised; removeHandle takes it, so no callback of
    // a removed handle runs after removeHandle returns. Taken before m_mutex.
    std::recursive_mutex m_notifyMutex;
    bool m_stopping = false;
    std::thread m_thread;
};
