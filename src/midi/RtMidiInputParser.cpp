#include "RtMidiInputParser.h"

namespace {

constexpr unsigned char StatusBit = 0x80;
constexpr unsigned char SysexStart = 0xF0;
constexpr unsigned char SysexEnd = 0xF7;
constexpr unsigned char RealTimeFirst = 0xF8;

// Data bytes that follow a status byte, by range of status bytes.
struct DataCountRange
{
    unsigned char first;
    unsigned char last;
    int dataBytes;
};

constexpr DataCountRange DataCounts[] = {
    {0x80, 0xBF, 2}, // note off, note on, key pressure, control change
    {0xC0, 0xDF, 1}, // program change, channel pressure
    {0xE0, 0xEF, 2}, // pitch bend
    {0xF1, 0xF1, 1}, // time code quarter frame
    {0xF2, 0xF2, 2}, // song position
    {0xF3, 0xF3, 1}, // song select
    {0xF4, 0xF6, 0}, // undefined, undefined, tune request
};

int dataBytesFor(unsigned char status)
{
    for (const DataCountRange &range : DataCounts) {
        if (status >= range.first && status <= range.last)
            return range.dataBytes;
    }
    return 0;
}

} // namespace

int RtMidiInputParser::shortMessageLength(unsigned char status)
{
    if (!(status & StatusBit) || status == SysexStart || status == SysexEnd)
        return 0;
    return status >= RealTimeFirst ? 1 : 1 + dataBytesFor(status);
}

RtMidiInputParser::RtMidiInputParser(std::size_t blockLimit)
    : m_blockLimit(blockLimit < 2 ? 2 : blockLimit)
{
}

void RtMidiInputParser::reset()
{
    dropPending();
}

void RtMidiInputParser::dropPending()
{
    m_inSysex = false;
    m_sysex.clear();
    m_status = 0;
    m_dataWanted = 0;
    m_dataHave = 0;
}

void RtMidiInputParser::feed(const unsigned char *bytes, std::size_t count,
                             const ShortHandler &onShort, const SysexHandler &onSysex)
{
    auto emitShort = [&] {
        const quint32 message = quint32(m_status) | (quint32(m_data[0]) << 8)
                                | (quint32(m_data[1]) << 16);
        m_status = 0;
        if (onShort)
            onShort(message);
    };

    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char byte = bytes[i];

        if (byte >= RealTimeFirst) {
            // Real-time bytes may stand anywhere and interrupt nothing.
            if (onShort)
                onShort(byte);
            continue;
        }

        if (byte & StatusBit) {
            if (byte == SysexEnd) {
                if (m_inSysex) {
                    // The end byte obeys the limit like a data byte: a full
                    // piece leaves first, the end byte after it on its own.
                    if (m_sysex.size() >= m_blockLimit) {
                        if (onSysex)
                            onSysex(m_sysex);
                        m_sysex.clear();
                    }
                    m_sysex.push_back(byte);
                    if (onSysex)
                        onSysex(m_sysex);
                }
                dropPending();
                continue;
            }
            // Any other status byte ends a SysEx in progress: that SysEx is
            // incomplete and is dropped.
            dropPending();
            if (byte == SysexStart) {
                m_inSysex = true;
                m_sysex.push_back(byte);
                continue;
            }
            m_status = byte;
            m_dataWanted = dataBytesFor(byte);
            m_dataHave = 0;
            m_data[0] = m_data[1] = 0;
            if (m_dataWanted == 0)
                emitShort();
            continue;
        }

        // A data byte.
        if (m_inSysex) {
            if (m_sysex.size() >= m_blockLimit) {
                if (onSysex)
                    onSysex(m_sysex);
                m_sysex.clear();
            }
            m_sysex.push_back(byte);
        } else if (m_status != 0) {
            m_data[m_dataHave++] = byte;
            if (m_dataHave == m_dataWanted)
                emitShort();
        }
        // Otherwise a data byte without status: part of a fragment whose
        // header was never seen.
    }

    // RtMidi delivers each short message whole: one left incomplete at the
    // end of a delivery is not completed by the next.
    if (m_status != 0) {
        m_status = 0;
        m_dataWanted = m_dataHave = 0;
    }
}
