#pragma once

#include "BankSendPlan.h"
#include "RegRoot.h"

#include <QByteArray>

#include <functional>

class Sleeper;

// Sends the voices of a bank one after another as a plan says, paced so
// that an instrument behind a MIDI cable is never overrun: a voice starts
// no earlier than the previous one's wire time (its bytes at the cable's
// 3125 bytes a second) plus a gap after the previous one was handed over
// (the send returned).
//
// Stopping is possible only between voices: a voice handed over is always
// handed over whole. A send that fails raises (the caller's send function
// decides what), and the voices sent before it stay counted.
class BankSender
{
public:
    static constexpr int WireBytesPerSecond = 3125; // 31250 baud, 10 bits a byte
    static constexpr int DefaultGapMs = 100;
    static constexpr int MaxGapMs = 10000;
    // Longest single wait between two looks at `keepGoing`.
    static constexpr int PollMs = 10;

    // Where the gap is stored: the program's key, "Bank" below it.
    static inline const QString GapKeyName = QStringLiteral("VL70-m\\Bank");
    static inline const QString GapValueName = QStringLiteral("GapMs");

    // Hands one message to the MIDI system and returns once it left; raises
    // VentaroError when it did not.
    using Send = std::function<void(const QByteArray &message)>;

    struct Events
    {
        // Before each voice (index into the plan's steps); false stops the run.
        std::function<bool(int step)> starting;
        // After each voice that left whole.
        std::function<void(int step)> sent;
        // While waiting between voices, at least every PollMs; false stops
        // the run before the next voice.
        std::function<bool()> keepGoing;
    };

    struct Result
    {
        int sent = 0;
        bool stopped = false;
    };

    BankSender(Send send, Sleeper &sleeper, int gapMs = DefaultGapMs);

    Result run(const VoiceBank &bank, const BankSendPlan &plan, quint8 deviceId,
               const Events &events = {});

    int gapMs() const { return m_gapMs; }
    // Time `bytes` take on a MIDI cable.
    static qint64 wireTimeNs(qint64 bytes);

    // The stored gap, DefaultGapMs when none is stored or it is out of range.
    static int storedGapMs(const RegRoot &settings);
    static void storeGapMs(const RegRoot &settings, int gapMs);

private:
    // Waits until `deadlineNs`; false when told to stop meanwhile.
    bool waitUntil(qint64 deadlineNs, const Events &events);

    Send m_send;
    Sleeper &m_sleeper;
    int m_gapMs;
};
