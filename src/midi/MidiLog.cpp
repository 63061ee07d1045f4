#include "MidiLog.h"

#include <algorithm>

MidiLog::MidiLog()
{
    m_clock.start();
}

qint64 MidiLog::costOf(const Entry &entry)
{
    return entry.bytes.size() + EntryOverhead;
}

void MidiLog::record(Direction direction, const QString &port, QByteArrayView bytes)
{
    if (m_paused || bytes.isEmpty())
        return;
    Entry entry{0,    m_clock.elapsed(), direction, port, bytes.toByteArray(),
                m_deviceNumber};
    const qint64 cost = costOf(entry);
    std::lock_guard lock(m_mutex);
    entry.serial = m_nextSerial++;
    m_bytes += cost;
    m_entries.push_back(std::move(entry));
    while (!m_entries.empty()
           && (m_entries.size() > size_t(MaxEntries) || m_bytes > MaxBytes)) {
        m_bytes -= costOf(m_entries.front());
        m_entries.pop_front();
    }
}

void MidiLog::clear()
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_bytes = 0;
}

MidiLog::Batch MidiLog::since(quint64 serial) const
{
    std::lock_guard lock(m_mutex);
    Batch batch;
    batch.firstSerial = m_entries.empty() ? m_nextSerial : m_entries.front().serial;
    // Serials are consecutive, so the first new one is found by arithmetic.
    const quint64 from = std::max(serial + 1, batch.firstSerial);
    if (from >= m_nextSerial)
        return batch;
    batch.entries.reserve(qsizetype(m_nextSerial - from));
    for (auto it = m_entries.begin() + qint64(from - batch.firstSerial); it != m_entries.end(); ++it)
        batch.entries.append(*it);
    return batch;
}

int MidiLog::count() const
{
    std::lock_guard lock(m_mutex);
    return int(m_entries.size());
}

qint64 MidiLog::byteCount() const
{
    std::lock_guard lock(m_mutex);
    return m_bytes;
}
