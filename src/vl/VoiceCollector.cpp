#include "VoiceCollector.h"

bool VoiceCollector::take(QByteArrayView message)
{
    if (message.size() < MinimumBlockLength
        || quint8(message[VoiceDump::DeviceOffset]) != m_deviceId)
        return false;
    m_pending.append(message);
    const VoiceBank found = VoiceBank::parse(m_pending);
    if (!found.voices.isEmpty()) {
        m_voices.append(found.voices);
        m_skipped += found.skipped;
        m_pending.clear();
    }
    return true;
}

QByteArray VoiceCollector::bankBytes() const
{
    QByteArray bytes;
    for (const VoiceBank::Voice &voice : m_voices)
        bytes += voice.bytes;
    return bytes;
}
