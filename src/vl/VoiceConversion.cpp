#include "VoiceConversion.h"

#include <algorithm>

namespace {

// The ranges of a table follow each other without a gap and cover the data
// bytes first..first+count-1 of their form; each lies inside the full dump.
template <std::size_t N>
constexpr bool coversData(const std::array<VoiceConversion::Range, N> &ranges, int first, int count)
{
    int next = first;
    for (const VoiceConversion::Range &range : ranges) {
        if (range.form != next || range.length <= 0 || range.dump < 0
            || range.dump + range.length > VoiceDump::FullLength)
            return false;
        next += range.length;
    }
    return next == first + count;
}

static_assert(coversData(VoiceConversion::CustomRanges, VoiceDump::CustomDataAStart,
                         VoiceDump::CustomBlockACount));
static_assert(coversData(VoiceConversion::InternalRanges, VoiceDump::InternalDataStart,
                         VoiceDump::InternalCount));
static_assert(VoiceConversion::CustomElementRange.form == VoiceDump::CustomDataBStart
              && VoiceConversion::CustomElementRange.length == VoiceDump::CustomBlockBCount
              && VoiceConversion::CustomElementRange.dump
                         + VoiceConversion::CustomElementRange.length
                     == VoiceDump::FullBlocks.back().sealEnd() + 1);

void copyRange(const char *from, int fromOffset, char *to, int toOffset, int length)
{
    std::copy_n(from + fromOffset, length, to + toOffset);
}

// Copies the form's ranges out of the dump into `data`, which holds the
// form's data bytes only (form offset 9 is data[0]).
template <std::size_t N>
void gather(const std::array<VoiceConversion::Range, N> &ranges, const char *dump, int dataStart,
            char *data)
{
    for (const VoiceConversion::Range &range : ranges)
        copyRange(dump, range.dump, data, range.form - dataStart, range.length);
}

template <std::size_t N>
void scatter(const std::array<VoiceConversion::Range, N> &ranges, const char *source, char *dump)
{
    for (const VoiceConversion::Range &range : ranges)
        copyRange(source, range.form, dump, range.dump, range.length);
}

} // namespace

bool VoiceConversion::CustomToDump(QByteArrayView source, QByteArray &dump, int &slotNumber)
{
    if (source.size() != VoiceDump::CustomLength || dump.size() != VoiceDump::FullLength)
        return false;
    const char *from = source.data();
    char *to = dump.data();
    to[VoiceDump::ProgramNumberOffset] = from[VoiceDump::CustomMemoryOffsetA];
    scatter(CustomRanges, from, to);
    slotNumber = quint8(from[VoiceDump::CustomMemoryOffsetB]) + 1;
    copyRange(from, CustomElementRange.form, to, CustomElementRange.dump,
              CustomElementRange.length);
    return true;
}

QByteArray VoiceConversion::DumpToCustom(QByteArrayView dump, int slotNumber, quint8 deviceId)
{
    if (dump.size() != VoiceDump::FullLength)
        return {};
    std::array<char, VoiceDump::CustomBlockACount> dataA;
    gather(CustomRanges, dump.data(), VoiceDump::CustomDataAStart, dataA.data());
    return VoiceDump::buildCustomDump(
        slotNumber, QByteArrayView(dataA.data(), dataA.size()),
        dump.sliced(CustomElementRange.dump, CustomElementRange.length), deviceId);
}

bool VoiceConversion::InternalToDump(QByteArrayView source, QByteArray &dump, int &slotNumber)
{
    if (source.size() != VoiceDump::InternalLength || dump.size() != VoiceDump::FullLength)
        return false;
    slotNumber = quint8(source[VoiceDump::InternalMemoryOffset]) + 1;
    scatter(InternalRanges, source.data(), dump.data());
    return true;
}

QByteArray VoiceConversion::DumpToInternal(QByteArrayView dump, int slotNumber, quint8 deviceId)
{
    if (dump.size() != VoiceDump::FullLength)
        return {};
    std::array<char, VoiceDump::InternalCount> data;
    gather(InternalRanges, dump.data(), VoiceDump::InternalDataStart, data.data());
    return VoiceDump::buildInternalDump(slotNumber, QByteArrayView(data.data(), data.size()),
                                        deviceId);
}
