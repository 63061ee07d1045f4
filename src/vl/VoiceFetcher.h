#pragma once

#include "InstrumentRequests.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

class Sleeper;

// Fetches voices by asking the instrument for them block by block (bulk
// dump requests), without the user at its panel. Each request goes out
// once the previous block has arrived; a block that does not come within
// the answer time ends the voice as not answered, and nothing of it is
// kept. Answers count by the panel dump's rule: the expected device number,
// and here also the very block asked for (address and length).
//
// The caller feeds every SysEx message from the input to Take(); the
// fetcher waits through `wait`, which lets those messages arrive (the
// window's event loop) and says whether to go on. A wait may end early
// (other traffic on the input): the answer time is read from the clock.
class VoiceFetcher
{
public:
    // How long one block may take to come back. A block of the largest form
    // takes about 450 ms on a MIDI cable, the instrument's own answer a few.
    static constexpr int AnswerTimeoutMs = 1000;

    enum class Outcome { Whole, NotAnswered, Stopped };

    // What the windows tell the user when a voice asked for did not come.
    static inline const QString NotAnsweredText = QStringLiteral(
        "The instrument did not answer. Check \"Midi In:\", \"Midi Out:\" and \"Device "
        "Number\", or dump the voice from its panel.");

    struct Result
    {
        Outcome outcome = Outcome::NotAnswered;
        QByteArray bytes; // the voice's blocks as received, when whole
    };

    // Hands a request to the MIDI system; raises VentaroError when it fails.
    using Send = std::function<void(const QByteArray &message)>;
    // Lets input arrive for up to `milliseconds`; false stops the fetch.
    using Wait = std::function<bool(int milliseconds)>;

    // The clock must outlive the fetcher.
    VoiceFetcher(Send send, Wait wait, int deviceNumber, const Sleeper &clock,
                 int answerTimeoutMs = AnswerTimeoutMs);

    // One SysEx message from the input.
    void take(QByteArrayView message);

    // The current voice (Form::Full), Custom slot 1..6 or Internal slot 1..64.
    Result fetch(VoiceDump::Form form, int slot = 0);

private:
    Send m_send;
    Wait m_wait;
    int m_deviceNumber;
    const Sleeper &m_clock;
    int m_answerTimeoutMs;
    // The block awaited, and what arrived for it.
    std::optional<InstrumentRequests::BlockOf> m_awaited;
    QByteArray m_answer;
};
