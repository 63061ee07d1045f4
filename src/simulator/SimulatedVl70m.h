#pragma once

#include "SimPanel.h"

#include "VoiceBank.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <vector>

class Sleeper;

// A VL70-m tone generator in software, apart from any port or window: it
// takes the MIDI messages the program sends and answers with the messages
// the instrument would send.
//
// It holds a device number, the edit buffer as a full voice dump, 6 Custom
// and 64 Internal slots (each in its own dump form) and the current bank and
// program. Every place starts with a voice of its own making. Voice dump
// blocks addressed to its device number are written into their place;
// blocks it cannot take are ignored, as the instrument ignores them, and
// each is noted in the log. Bank select and program change load a place into
// the edit buffer; remote switch messages press the panel buttons (see
// SimPanel) and its dump-out sends a voice as separate SysEx messages spaced
// by the dump interval, waited through the injected clock. Notes are
// counted.
//
// Every member may be called from any thread; the dump-out runs on the
// thread that called receive() or pressButton(), which blocks while it
// lasts.
class SimulatedVl70m
{
public:
    using Sender = std::function<void(const QByteArray &message)>;

    // Banks in the order of their bank select values.
    enum class Bank { Preset1 = 0, Preset2 = 1, Custom = 2, Internal = 3 };

    static constexpr int DefaultDumpIntervalMs = 50;
    static constexpr int MaxDumpIntervalMs = 300;
    static constexpr int MaxLogLines = 2000;
    static constexpr int MaxAnswerDelayMs = 5000;

    explicit SimulatedVl70m(Sleeper &clock);

    // Where outgoing messages go, one whole message per call.
    void setSender(Sender sender);

    // Takes MIDI bytes holding whole messages laid end to end (a long
    // message may hold several SysEx blocks). Any byte sequence is safe:
    // what cannot be read is logged and skipped.
    void receive(const QByteArray &bytes);
    // Presses a panel button as the instrument's own panel would.
    void pressButton(int button);

    int deviceNumber() const;
    // 0..15; returns false and keeps the number otherwise.
    bool setDeviceNumber(int number);
    int dumpIntervalMs() const;
    // 0 (one burst) to 300 ms; returns false and keeps the interval otherwise.
    bool setDumpIntervalMs(int milliseconds);

    // Requests (identity, bulk dump) are answered after this wait, 0 to
    // MaxAnswerDelayMs; returns false and keeps the delay otherwise.
    bool setAnswerDelayMs(int milliseconds);
    // Whether requests are answered at all (the log still shows them).
    void setAnswering(bool answering);
    // After this many answers no request is answered any more; negative:
    // no limit.
    void setAnswerLimit(int answers);
    // Whether dump requests for one bank's slots (Custom or Internal) go
    // unanswered, as an instrument that keeps a bank to itself; the other
    // requests are answered as set above.
    void setBankSilent(VoiceDump::Form bank, bool silent);

    QByteArray editBuffer() const;
    // 1-based; an empty array for a slot that does not exist.
    QByteArray customSlot(int slot) const;
    QByteArray internalSlot(int slot) const;
    // Puts each internal and custom voice of a bank into the slot it came
    // from (a full voice has none and goes nowhere); returns how many
    // voices were put. The dump-out seals them for the instrument's own
    // device number.
    int loadBank(const VoiceBank &bank);
    // The place last loaded by a program change (program 0-based).
    Bank currentBank() const;
    int currentProgram() const;

    int noteOnCount() const;
    int noteOffCount() const;

    SimPanel::Page panelPage() const;
    QString panelDisplay() const;

    // Readable lines, oldest first; ignored input starts with "ignored: ".
    QStringList log() const;
    int ignoredCount() const;
    void clearLog();

    // The voice every place starts with: a full voice dump named `name`
    // whose parameters are drawn from `seed`, sealed for `deviceNumber`.
    static QByteArray makeVoice(const QByteArray &name, quint32 seed, int deviceNumber);

private:
    // Messages to send after the lock is released, with the wait between them.
    struct Outgoing
    {
        std::vector<QByteArray> messages;
        int intervalMs = 0;
        int delayMs = 0; // before the first message
    };

    void handleMessage(const QByteArray &message, Outgoing &out);
    void handleSysEx(const QByteArray &message, Outgoing &out);
    void handleBulkBlock(const QByteArray &block);
    void handleParameterChange(const QByteArray &message, Outgoing &out);
    void handleChannelMessage(const QByteArray &message);
    void handleProgramChange(int program);
    void handleButton(int button, Outgoing &out);
    void dumpOut(const SimPanel::Action &action, Outgoing &out);
    void handleDumpRequest(const QByteArray &message, Outgoing &out);
    // Whether a request is answered now (counting the answer); logs why not.
    bool answerRequest(const QString &what, Outgoing &out);
    // The blocks of a place as the dump-out sends them, sealed for the
    // instrument's device number.
    std::vector<QByteArray> currentBlocks() const;
    std::vector<QByteArray> customBlocks(int slot) const;
    QByteArray internalBlock(int slot) const;
    void send(const Outgoing &out);
    void record(const QString &line);
    void ignore(const QString &why);
    // Sets one of the settings above to value when it is 0..highest.
    bool setWithin(int &setting, int value, int highest);
    // A copy of one of the members below, read under the mutex.
    template <typename T>
    T locked(const T &member) const
    {
        std::lock_guard lock(m_mutex);
        return member;
    }

    Sleeper &m_clock;
    mutable std::mutex m_mutex;
    std::mutex m_sendMutex;
    Sender m_sender;

    int m_deviceNumber = 0;
    int m_dumpIntervalMs = DefaultDumpIntervalMs;
    int m_answerDelayMs = 0;
    bool m_answering = true;
    int m_answerLimit = -1;
    QList<VoiceDump::Form> m_silentBanks;
    int m_answers = 0;
    QByteArray m_editBuffer;
    QList<QByteArray> m_custom;
    QList<QByteArray> m_internal;
    int m_bankMsb;
    int m_bankLsb;
    Bank m_bank = Bank::Preset1;
    int m_program = 0;
    int m_noteOns = 0;
    int m_noteOffs = 0;
    SimPanel m_panel;
    QStringList m_log;
    int m_ignored = 0;
};
