// The MO catalog reader: a catalog it takes has no more entries than its
// header counts, finds the first entry under its identifier, and costs a
// small multiple of the file's size to read, whatever the entries share.

#include "FuzzCheck.h"
#include "MemoryMeter.h"
#include "MoCatalog.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

constexpr quint32 Magic = 0x950412DEu;
constexpr std::size_t CountOffset = 8;
constexpr std::size_t OriginalsOffset = 12;
constexpr std::size_t TranslationsOffset = 16;
constexpr long long MemoryPerInputByte = 64;
constexpr long long MemoryAllowance = 64 * 1024;

struct Words
{
    const std::uint8_t *data;
    std::size_t size;
    bool bigEndian;

    std::optional<quint32> at(std::uint64_t offset) const
    {
        if (offset + 4 > size)
            return std::nullopt;
        const std::uint8_t *p = data + offset;
        if (bigEndian)
            return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
        return quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
    }
    // The string of the descriptor at `offset` up to its first zero byte.
    QByteArray singular(std::uint64_t offset) const
    {
        const std::uint64_t length = *at(offset);
        const std::uint64_t start = *at(offset + 4);
        QByteArray s(reinterpret_cast<const char *>(data + start), qsizetype(length));
        const qsizetype zero = s.indexOf('\0');
        return zero < 0 ? s : s.left(zero);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(data, qsizetype(size));
    std::optional<MoCatalog> catalog;
    {
        MemoryMeter meter;
        catalog = MoCatalog::parse(input);
        meter.noteInput(size);
        FUZZ_CHECK(meter.peakBytes() <= MemoryPerInputByte * qsizetype(size) + MemoryAllowance);
    }
    if (!catalog)
        return 0;

    const Words little{data, size, false};
    const bool bigEndian = little.at(0) != Magic;
    FUZZ_CHECK(catalog->isBigEndian() == bigEndian);
    const Words words{data, size, bigEndian};
    const quint32 count = *words.at(CountOffset);
    FUZZ_CHECK(catalog->size() <= qsizetype(count));
    if (count > 0) {
        // Taken: every descriptor lies inside the file.
        const QByteArray key = words.singular(*words.at(OriginalsOffset));
        const QByteArray text = words.singular(*words.at(TranslationsOffset));
        FUZZ_CHECK(catalog->lookup(key) == text);
    }
    catalog->declaresUtf8();
    return 0;
}
