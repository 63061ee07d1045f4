#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <jack/jack.h>

#include <deque>
#include <mutex>

// A stand-in for the instrument that shares nothing with the program: a
// plain JACK client holding 64 internal voices as whole dumps, with the
// message bytes written out here from the instrument's manual rather than
// taken from the program's tables. It answers a bulk dump request for an
// internal slot of its device number with that slot's dump, and takes an
// internal voice dump of its device number, checksum right, into its slot.
// Requests for a slot made silent go unanswered.
class StandInInstrument
{
public:
    static constexpr int SlotCount = 64;
    static constexpr int DumpLength = 174;

    StandInInstrument() = default;
    ~StandInInstrument();

    StandInInstrument(const StandInInstrument &) = delete;
    StandInInstrument &operator=(const StandInInstrument &) = delete;

    // Opens the client on the server named; `bank` holds 64 internal dumps
    // in slot order; `deviceId` is 0-based, as the messages carry it.
    bool open(const QString &server, const QString &clientName, const QByteArray &bank,
              int deviceId);
    QString inputName() const;  // where the program's output goes
    QString outputName() const; // where the program's input listens

    // Slot 1..64 as a whole dump (its device byte and checksum as taken).
    QByteArray slot(int slot) const;
    // The voice data of a dump: what a slot holds whatever device it came for.
    static QByteArray dataOf(const QByteArray &dump);
    void setSilent(int slot);
    int requestsSeen() const;
    int dumpsTaken() const;

private:
    static int process(jack_nframes_t frames, void *self);
    void take(const QByteArray &message);

    jack_client_t *m_client = nullptr;
    jack_port_t *m_in = nullptr;
    jack_port_t *m_out = nullptr;
    int m_deviceId = 0;

    mutable std::mutex m_lock; // the process thread against the test's
    QList<QByteArray> m_slots;
    QSet<int> m_silent;
    std::deque<QByteArray> m_answers;
    QByteArray m_pending; // a message arriving in pieces
    int m_requests = 0;
    int m_taken = 0;
};
