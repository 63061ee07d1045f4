#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <functional>

// Turns a MIDI byte stream into whole messages: short messages (packed, see
// MidiBytes) and SysEx messages (F0 .. F7). Real-time bytes may stand
// anywhere, also inside a SysEx or a short message, and come out in place as
// short messages of their own; they are never part of a SysEx.
//
// What each reader does with a broken stream differs (a cable, RtMidi's
// deliveries, the simulated instrument's log), so that is chosen by Options.
// Whatever is thrown away goes to the fault handler, if there is one.
class MidiStreamParser
{
public:
    enum class Fault {
        StrayData,         // data bytes without a status byte (the run of them)
        UnendedSysEx,      // a SysEx cut short (its bytes, F0 first, no F7)
        StrayStatus,       // a status byte that starts no message here
        IncompleteMessage, // a short message cut short (status and data so far)
    };

    struct Options
    {
        // Data bytes after a whole channel message start another of its kind.
        bool runningStatus = false;
        // A short message left incomplete at the end of one feed goes on in
        // the next; otherwise it is a fault.
        bool shortSpansFeeds = false;
        // A SysEx left open at the end of one feed goes on in the next.
        bool sysExSpansFeeds = true;
        // A SysEx cut short by a status byte is handed out as it is, not a fault.
        bool deliverCutSysEx = false;
        // A real-time byte cuts a short message in progress short.
        bool realTimeEndsShort = false;
        // F4 and F5 start no message (else one-byte messages, like F6).
        bool undefinedStartNothing = false;
        // An F7 outside a SysEx leaves everything as it was.
        bool ignoreStrayEnd = false;
        // SysEx longer than this leaves in pieces of this size, the first
        // with the F0, the last with the F7; 0: no limit. The pieces leave
        // once the message is whole, so a SysEx cut short is one fault with
        // its F0, never pieces and then a fault.
        std::size_t blockLimit = 0;
    };

    using ShortHandler = std::function<void(quint32 message)>;
    using SysExHandler = std::function<void(const QByteArray &message)>;
    using FaultHandler = std::function<void(Fault fault, const QByteArray &bytes)>;

    struct Handlers
    {
        ShortHandler onShort;
        SysExHandler onSysEx;
        FaultHandler onFault;
    };

    // A limit of 1 is taken as 2: a piece holds at least the F0 and a byte.
    static constexpr std::size_t SmallestBlockLimit = 2;

    MidiStreamParser();
    explicit MidiStreamParser(Options options);

    void feed(const char *bytes, std::size_t count, const Handlers &handlers);
    void feed(const QByteArray &bytes, const Handlers &handlers);

    // Forgets everything in progress, running status included.
    void reset();

private:
    void take(quint8 byte, const Handlers &handlers);
    void startShort(quint8 status, const Handlers &handlers);
    void cutSysEx(const Handlers &handlers);
    // Hands the SysEx gathered so far to `handler`, in pieces of the block
    // limit, and empties it.
    void handOut(const SysExHandler &handler);
    void cutShort(const Handlers &handlers);
    void flushStray(const Handlers &handlers);
    void completeShortIfWhole(const Handlers &handlers);

    Options m_options;
    bool m_inSysEx = false;
    QByteArray m_sysEx;
    QByteArray m_short; // status and data so far; empty while none is in progress
    int m_shortLength = 0;
    quint8 m_runningStatus = 0;
    QByteArray m_stray; // data bytes without a status, reported at the next status
};
