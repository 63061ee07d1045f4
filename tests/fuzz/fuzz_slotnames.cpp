// Slot name files: a file is taken only with exactly as many lines as its
// bank has slots and only up to the size bound, and what is taken saves and
// loads back as the same names (a zero byte saved as a blank).
//
// Input: the first byte picks the bank (bit 0) and whether the rest is
// repeated past the size bound (bit 1); the rest is the file.

#include "FuzzCheck.h"
#include "MemoryMeter.h"
#include "ScratchFolder.h"
#include "SlotNameStore.h"
#include "VoiceDump.h"

#include <cstddef>
#include <cstdint>

namespace {

ScratchFolder *scratch = nullptr;
constexpr long long MemoryPerInputByte = 64;
// The store takes room for a file of the largest size before reading.
constexpr long long MemoryAllowance = 2 * SlotNameStore::MaxFileBytes + 64 * 1024;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv)
{
    scratch = &ScratchFolder::forRun((*argv)[0]);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const auto bank = data[0] & 1 ? VoiceCatalogue::Custom : VoiceCatalogue::Internal;
    QByteArray file(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (data[0] & 2 && !file.isEmpty()) {
        while (file.size() <= SlotNameStore::MaxFileBytes)
            file += file;
    }
    const SlotNameStore store(scratch->path());
    scratch->write(SlotNameStore::fileName(bank, 1), file);

    std::optional<QStringList> names;
    {
        MemoryMeter meter;
        names = store.load(bank, 1);
        meter.noteInput(size);
        FUZZ_CHECK(meter.peakBytes() <= MemoryPerInputByte * file.size() + MemoryAllowance);
    }
    if (file.size() > SlotNameStore::MaxFileBytes) {
        FUZZ_CHECK(!names);
        return 0;
    }
    const QStringList lines = VoiceDump::linesFromBytes(file);
    const bool fits = lines.size() == VoiceCatalogue::bankSize(bank);
    FUZZ_CHECK(names.has_value() == fits);
    if (!names)
        return 0;
    FUZZ_CHECK(*names == lines);

    store.save(bank, 1, *names);
    const std::optional<QStringList> again = store.load(bank, 1);
    FUZZ_CHECK(again.has_value());
    QStringList expected = *names;
    for (QString &name : expected)
        name.replace(QChar(0), QLatin1Char(' '));
    FUZZ_CHECK(*again == expected);
    FUZZ_CHECK(SlotNameStore::joinLines(*again) == SlotNameStore::joinLines(*names));
    return 0;
}
