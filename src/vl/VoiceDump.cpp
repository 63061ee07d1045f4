#include "VoiceDump.h"

#include <cstring>

namespace {

constexpr int ChecksumModulus = 128;

// The blocks of a full voice dump follow each other without a gap and fill
// the whole dump.
constexpr bool blocksAbut()
{
    int next = 0;
    for (const VoiceDump::Block &block : VoiceDump::FullBlocks) {
        if (block.start != next)
            return false;
        next = block.start + block.length();
    }
    return next == VoiceDump::FullLength;
}
static_assert(blocksAbut(), "full voice dump blocks must abut and fill 1808 bytes");
static_assert(VoiceDump::FullBlocks.front().sealStart() == 4
              && VoiceDump::FullBlocks.front().sealEnd() == 49);
static_assert(VoiceDump::FullBlocks.back().sealStart() == 414
              && VoiceDump::FullBlocks.back().sealEnd() == 1805);
static_assert(VoiceDump::CustomBlockBStart + VoiceDump::CustomBlockBCount + VoiceDump::BlockOverhead
              == VoiceDump::CustomLength);
static_assert(VoiceDump::InternalCount + VoiceDump::BlockOverhead == VoiceDump::InternalLength);
static_assert(VoiceDump::CustomBlockACount + VoiceDump::BlockOverhead
              == VoiceDump::CustomBlockBStart);

// Byte count as it stands in a block header: high seven bits, low seven bits.
constexpr quint8 countHigh(int count)
{
    return quint8((count >> 7) & 0x7F);
}
constexpr quint8 countLow(int count)
{
    return quint8(count & 0x7F);
}

// Windows-1252 characters of the bytes 80h..9Fh; the five bytes the code page
// leaves undefined keep their own value.
constexpr std::array<char16_t, 32> Cp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Writes the nine header bytes of one block at `start`; sealing fills in the
// frame bytes around them.
void writeHeader(QByteArray &out, int start, int count, quint8 addressHigh, quint8 addressMid,
                 quint8 addressLow)
{
    out[start + VoiceDump::CountHighOffset] = char(countHigh(count));
    out[start + VoiceDump::CountLowOffset] = char(countLow(count));
    out[start + VoiceDump::AddressHighOffset] = char(addressHigh);
    out[start + VoiceDump::AddressMidOffset] = char(addressMid);
    out[start + VoiceDump::AddressLowOffset] = char(addressLow);
}

void writeData(QByteArray &out, int at, QByteArrayView data)
{
    std::copy(data.begin(), data.end(), out.begin() + at);
}

bool sealBlockAt(QByteArray &out, int blockStart, int count, quint8 deviceId)
{
    return VoiceDump::SealBlock(out, blockStart + VoiceDump::CountHighOffset,
                                blockStart + VoiceDump::HeaderLength + count - 1, deviceId);
}

} // namespace

quint8 VoiceDump::checksum(QByteArrayView bytes)
{
    // Eight bytes at a time: the bytes at even and odd positions are added
    // into four 16-bit lanes, which are folded into the total before they
    // could overflow (128 words add at most 128 x 510 to a lane).
    constexpr quint64 evenBytes = 0x00FF00FF00FF00FFull;
    constexpr int wordsPerFold = 128;
    const char *next = bytes.data();
    qsizetype left = bytes.size();
    quint64 sum = 0;
    while (left >= 8) {
        quint64 lanes = 0;
        for (int word = 0; word < wordsPerFold && left >= 8; ++word, next += 8, left -= 8) {
            quint64 bytes8;
            std::memcpy(&bytes8, next, sizeof bytes8);
            lanes += (bytes8 & evenBytes) + ((bytes8 >> 8) & evenBytes);
        }
        for (int lane = 0; lane < 4; ++lane)
            sum += (lanes >> (16 * lane)) & 0xFFFF;
    }
    for (; left > 0; --left)
        sum += quint8(*next++);
    const unsigned remainder = unsigned(sum % ChecksumModulus);
    return remainder == 0 ? 0 : quint8(ChecksumModulus - remainder);
}

bool VoiceDump::SealBlock(QByteArray &buffer, int start, int end, quint8 deviceId)
{
    if (start < SysExHeaderLength || end < start || end > buffer.size() - 3)
        return false;
    char *bytes = buffer.data();
    const int headerStart = start - SysExHeaderLength;
    bytes[headerStart + StartOffset] = char(SysExStart);
    bytes[headerStart + ManufacturerOffset] = char(ManufacturerId);
    bytes[headerStart + DeviceOffset] = char(deviceId & DeviceMask);
    bytes[headerStart + ModelOffset] = char(ModelId);
    bytes[end + 1] = char(checksum(QByteArrayView(bytes + start, end - start + 1)));
    bytes[end + 2] = char(SysExEnd);
    return true;
}

bool VoiceDump::SealDump(QByteArray &dump, quint8 deviceId)
{
    if (dump.size() != FullLength)
        return false;
    for (const Block &block : FullBlocks)
        SealBlock(dump, block.sealStart(), block.sealEnd(), deviceId);
    return true;
}

bool VoiceDump::IsVoiceStream(QByteArrayView bytes)
{
    const qsizetype length = bytes.size();
    if (length != InternalLength && length != CustomLength && length != FullLength)
        return false;
    if (quint8(bytes[StartOffset]) != SysExStart)
        return false;
    return quint8(bytes[ModelOffset]) == ModelId;
}

std::optional<VoiceDump::Form> VoiceDump::formOf(QByteArrayView bytes)
{
    if (!IsVoiceStream(bytes))
        return std::nullopt;
    switch (bytes.size()) {
    case InternalLength:
        return Form::Internal;
    case CustomLength:
        return Form::Custom;
    default:
        return Form::Full;
    }
}

QByteArray VoiceDump::buildCustomDump(int slot, QByteArrayView dataA, QByteArrayView dataB,
                                      quint8 deviceId)
{
    if (dataA.size() != CustomBlockACount || dataB.size() != CustomBlockBCount)
        return {};
    if (slot < 1 || slot > CustomSlotCount)
        slot = 1;
    const quint8 memory = quint8(slot - 1);
    QByteArray out(CustomLength, '\0');
    writeHeader(out, CustomBlockAStart, CustomBlockACount, CustomBlockAAddressHigh, 0x00, memory);
    writeData(out, CustomDataAStart, dataA);
    sealBlockAt(out, CustomBlockAStart, CustomBlockACount, deviceId);
    writeHeader(out, CustomBlockBStart, CustomBlockBCount, CustomBlockBAddressHigh, 0x00, memory);
    writeData(out, CustomDataBStart, dataB);
    sealBlockAt(out, CustomBlockBStart, CustomBlockBCount, deviceId);
    return out;
}

QByteArray VoiceDump::buildInternalDump(int slot, QByteArrayView data, quint8 deviceId)
{
    if (data.size() != InternalCount)
        return {};
    if (slot < 1 || slot > InternalSlotCount)
        slot = 1;
    QByteArray out(InternalLength, '\0');
    writeHeader(out, 0, InternalCount, InternalAddressHigh, 0x00, quint8(slot - 1));
    writeData(out, InternalDataStart, data);
    sealBlockAt(out, 0, InternalCount, deviceId);
    return out;
}

QByteArray VoiceDump::emptyFullDump(quint8 deviceId)
{
    QByteArray dump(FullLength, '\0');
    for (const Block &block : FullBlocks)
        writeHeader(dump, block.start, block.count, block.address[0], block.address[1],
                    block.address[2]);
    SealDump(dump, deviceId);
    return dump;
}

QStringList VoiceDump::linesFromBytes(QByteArrayView bytes)
{
    constexpr char carriageReturn = '\r';
    constexpr char lineFeed = '\n';
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c != carriageReturn && c != lineFeed)
            continue;
        lines.append(textFromBytes(bytes.sliced(start, i - start)));
        if (c == carriageReturn && i + 1 < bytes.size() && bytes.at(i + 1) == lineFeed)
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(textFromBytes(bytes.sliced(start)));
    return lines;
}

QString VoiceDump::textFromBytes(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char byte : bytes) {
        const quint8 value = quint8(byte);
        if (value >= 0x80 && value <= 0x9F)
            text.append(QChar(Cp1252High[value - 0x80]));
        else
            text.append(QChar(value));
    }
    return text;
}
