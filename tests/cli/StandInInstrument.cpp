#include "StandInInstrument.h"

#include <jack/midiport.h>

namespace {

// The messages as the manual gives them:
//   bulk dump request  F0 43 2n 57 40 00 mm F7
//   internal voice     F0 43 0n 57 01 23 40 00 mm <data> cs F7 (174 bytes)
// n the device number 0..15, mm the slot 0..63, cs the checksum that makes
// the bytes from 01 23 to cs add up to a multiple of 128.
constexpr quint8 Start = 0xF0;
constexpr quint8 End = 0xF7;
constexpr quint8 Maker = 0x43;
constexpr quint8 Model = 0x57;
constexpr quint8 RequestGroup = 0x20;
constexpr quint8 InternalHigh = 0x40;
constexpr int RequestLength = 8;
constexpr int DeviceAt = 2;
constexpr int SlotInRequestAt = 6;
constexpr int SlotInDumpAt = 8;
constexpr int AddressInDumpAt = 6;
constexpr int SummedFrom = 4;
constexpr int ChecksumAt = StandInInstrument::DumpLength - 2;
constexpr int DataFrom = 9;

quint8 at(const QByteArray &bytes, int i)
{
    return quint8(bytes.at(i));
}

quint8 checksum(const QByteArray &dump)
{
    int sum = 0;
    for (int i = SummedFrom; i < ChecksumAt; ++i)
        sum += at(dump, i);
    return quint8(-sum & 0x7F);
}

} // namespace

StandInInstrument::~StandInInstrument()
{
    if (m_client) {
        jack_deactivate(m_client);
        jack_client_close(m_client);
    }
}

bool StandInInstrument::open(const QString &server, const QString &clientName,
                             const QByteArray &bank, int deviceId)
{
    if (bank.size() != SlotCount * DumpLength)
        return false;
    m_deviceId = deviceId;
    for (int i = 0; i < SlotCount; ++i)
        m_slots.append(bank.mid(i * DumpLength, DumpLength));
    m_client = jack_client_open(clientName.toUtf8().constData(),
                                JackOptions(JackNoStartServer | JackServerName), nullptr,
                                server.toUtf8().constData());
    if (!m_client)
        return false;
    m_in = jack_port_register(m_client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    m_out = jack_port_register(m_client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    jack_set_process_callback(m_client, &StandInInstrument::process, this);
    return m_in && m_out && jack_activate(m_client) == 0;
}

QString StandInInstrument::inputName() const
{
    return QString::fromUtf8(jack_port_name(m_in));
}

QString StandInInstrument::outputName() const
{
    return QString::fromUtf8(jack_port_name(m_out));
}

QByteArray StandInInstrument::slot(int slot) const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_slots.value(slot - 1);
}

QByteArray StandInInstrument::dataOf(const QByteArray &dump)
{
    return dump.mid(DataFrom, ChecksumAt - DataFrom);
}

void StandInInstrument::setSilent(int slot)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    m_silent.insert(slot - 1);
}

int StandInInstrument::requestsSeen() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_requests;
}

int StandInInstrument::dumpsTaken() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_taken;
}

// Called with the lock held.
void StandInInstrument::take(const QByteArray &message)
{
    if (message.size() < RequestLength || at(message, 1) != Maker || at(message, 3) != Model)
        return;
    const quint8 device = at(message, DeviceAt);
    if (message.size() == RequestLength && device == (RequestGroup | m_deviceId)
        && at(message, 4) == InternalHigh && at(message, 5) == 0) {
        ++m_requests;
        const int slot = at(message, SlotInRequestAt);
        if (slot >= SlotCount || m_silent.contains(slot))
            return;
        QByteArray answer = m_slots[slot];
        answer[DeviceAt] = char(m_deviceId);
        answer[SlotInDumpAt] = char(slot);
        answer[ChecksumAt] = char(checksum(answer));
        m_answers.push_back(answer);
        return;
    }
    if (message.size() == DumpLength && device == m_deviceId
        && at(message, AddressInDumpAt) == InternalHigh && at(message, SlotInDumpAt) < SlotCount
        && at(message, ChecksumAt) == checksum(message)) {
        m_slots[at(message, SlotInDumpAt)] = message;
        ++m_taken;
    }
}

int StandInInstrument::process(jack_nframes_t frames, void *self)
{
    auto *instrument = static_cast<StandInInstrument *>(self);
    const std::lock_guard<std::mutex> hold(instrument->m_lock);
    void *in = jack_port_get_buffer(instrument->m_in, frames);
    const jack_nframes_t count = jack_midi_get_event_count(in);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, in, i) != 0 || event.size == 0)
            continue;
        const QByteArray bytes(reinterpret_cast<const char *>(event.buffer), qsizetype(event.size));
        // A message may come whole or in pieces; anything else is let by.
        if (at(bytes, 0) == Start)
            instrument->m_pending = bytes;
        else if (!instrument->m_pending.isEmpty())
            instrument->m_pending += bytes;
        else
            continue;
        if (at(instrument->m_pending, int(instrument->m_pending.size()) - 1) == End) {
            instrument->take(instrument->m_pending);
            instrument->m_pending.clear();
        }
    }
    void *out = jack_port_get_buffer(instrument->m_out, frames);
    jack_midi_clear_buffer(out);
    // One answer a period, as a cable would take its time.
    if (!instrument->m_answers.empty()) {
        const QByteArray &answer = instrument->m_answers.front();
        if (jack_midi_data_t *data = jack_midi_event_reserve(out, 0, size_t(answer.size()))) {
            std::copy(answer.cbegin(), answer.cend(), data);
            instrument->m_answers.pop_front();
        }
    }
    return 0;
}
