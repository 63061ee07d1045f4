#include "MidiInputBuffers.h"

#include <algorithm>

MidiInputBuffers::MidiInputBuffers(std::size_t maxWaiting) : m_maxWaiting(maxWaiting) {}

MidiPlatform::Result MidiInputBuffers::queue(MidiHeader *header)
{
    const MidiPlatform::Result claimed = MidiPlatform::claim(header);
    if (claimed != MidiPlatform::NoError)
        return claimed;
    header->bytesRecorded = 0;
    m_buffers.push_back(header);
    return MidiPlatform::NoError;
}

void MidiInputBuffers::take(const QByteArray &message)
{
    if (m_maxWaiting != 0 && m_waiting.size() >= m_maxWaiting)
        return; // nobody takes input: what is new is dropped
    m_waiting.push_back(message);
}

void MidiInputBuffers::drain(qint64 timeMs, std::vector<MidiNotification> &out)
{
    while (!m_waiting.empty() && !m_buffers.empty()) {
        MidiHeader *header = m_buffers.front();
        m_buffers.pop_front();
        const QByteArray &message = m_waiting.front();
        const qsizetype count =
            std::min<qsizetype>(message.size() - m_waitingOffset, qsizetype(header->data.size()));
        std::copy(message.cbegin() + m_waitingOffset, message.cbegin() + m_waitingOffset + count,
                  header->data.begin());
        m_waitingOffset += count;
        if (m_waitingOffset >= message.size()) {
            m_waiting.pop_front();
            m_waitingOffset = 0;
        }
        handBack(header, timeMs, out);
        header->bytesRecorded = quint32(count);
    }
}

void MidiInputBuffers::handBackAll(qint64 timeMs, std::vector<MidiNotification> &out)
{
    while (handBackOldest(timeMs, out)) {
    }
}

bool MidiInputBuffers::handBackOldest(qint64 timeMs, std::vector<MidiNotification> &out)
{
    if (m_buffers.empty())
        return false;
    MidiHeader *header = m_buffers.front();
    m_buffers.pop_front();
    handBack(header, timeMs, out);
    return true;
}

void MidiInputBuffers::dropWaiting()
{
    m_waiting.clear();
    m_waitingOffset = 0;
}

void MidiInputBuffers::forgetQueued()
{
    m_buffers.clear();
}

void MidiInputBuffers::handBack(MidiHeader *header, qint64 timeMs,
                                std::vector<MidiNotification> &out)
{
    header->bytesRecorded = 0;
    header->flags = (header->flags | MidiHeader::Done) & ~quint32(MidiHeader::InQueue);
    MidiNotification back;
    back.kind = MidiNotification::LongData;
    back.header = header;
    back.timeMs = timeMs;
    out.push_back(back);
}
