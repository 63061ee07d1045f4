// The ".lib" library reader: it opens exactly the files with the signature
// and room for the name table, lists as many names as the count byte says,
// hands out each voice whose data the file holds as a sealed custom voice
// dump carrying those data bytes unchanged, and nothing for the others.

#include "FuzzCheck.h"
#include "MemoryMeter.h"
#include "ScratchFolder.h"
#include "TVlLibReader.h"
#include "VoiceChecks.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

// The reader takes room for the largest library before it knows the size.
constexpr long long MemoryAllowance = 2 * TVlLibReader::MaxReadLength + 64 * 1024;
constexpr long long MemoryPerInputByte = 8;

ScratchFolder *scratch = nullptr;

void checkVoice(TVlLibReader &reader, int index, qsizetype fileSize, const std::uint8_t *data)
{
    QBuffer *stream = reader.GetVoice(index);
    FUZZ_CHECK(stream != nullptr && stream->isOpen() && stream->pos() == 0);
    const QByteArray voice = stream->data();
    const qint64 start =
        TVlLibReader::VoiceDataOffset + qint64(TVlLibReader::VoiceDataLength) * index;
    const bool held = index >= 0 && index < reader.VoiceCount()
                      && fileSize >= start + TVlLibReader::VoiceDataLength;
    if (!held) {
        FUZZ_CHECK(voice.isEmpty());
        return;
    }
    checkHandedOutVoice(voice);
    FUZZ_CHECK(voice.size() == VoiceDump::CustomLength);
    checkSealedBlock(voice, VoiceDump::CustomBlockAStart, VoiceDump::CustomBlockACount, 0);
    checkSealedBlock(voice, VoiceDump::CustomBlockBStart, VoiceDump::CustomBlockBCount, 0);
    FUZZ_CHECK(voice[VoiceDump::CustomMemoryOffsetA] == 0
               && voice[VoiceDump::CustomMemoryOffsetB] == 0);
    FUZZ_CHECK(std::memcmp(voice.constData() + VoiceDump::CustomDataAStart, data + start,
                           VoiceDump::CustomBlockACount)
               == 0);
    FUZZ_CHECK(std::memcmp(voice.constData() + VoiceDump::CustomDataBStart,
                           data + start + VoiceDump::CustomBlockACount,
                           VoiceDump::CustomBlockBCount)
               == 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv)
{
    scratch = &ScratchFolder::forRun((*argv)[0]);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path =
        scratch->write(QStringLiteral("voices.lib"),
                       QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const qsizetype held = qMin<qsizetype>(qsizetype(size), TVlLibReader::MaxReadLength);

    MemoryMeter meter;
    TVlLibReader reader;
    const bool opened = reader.OpenLibrary(path);
    const bool isLibrary =
        size >= std::size_t(TVlLibReader::MinimumLength)
        && std::memcmp(data, TVlLibReader::Signature, TVlLibReader::SignatureLength) == 0;
    FUZZ_CHECK(opened == isLibrary);
    FUZZ_CHECK(reader.IsOpen() == opened);
    if (!opened) {
        FUZZ_CHECK(reader.VoiceCount() == 0 && reader.VoiceNames().isEmpty());
        FUZZ_CHECK(reader.GetVoice(0)->data().isEmpty());
        return 0;
    }
    FUZZ_CHECK(reader.VoiceCount() == data[TVlLibReader::VoiceCountOffset]);
    FUZZ_CHECK(reader.VoiceNames().size() == reader.VoiceCount());
    for (int i = 0; i < reader.VoiceNames().size(); ++i) {
        const QString &line = reader.VoiceNames()[i];
        const QString number = QString::number(i + 1).rightJustified(3, QLatin1Char(' '));
        FUZZ_CHECK(line.startsWith(number + QLatin1Char(' ')));
        FUZZ_CHECK(line.size() <= number.size() + 1 + TVlLibReader::NameLength);
    }
    for (int i = -1; i <= reader.VoiceCount(); ++i)
        checkVoice(reader, i, held, data);
    FUZZ_CHECK(meter.peakBytes() <= MemoryPerInputByte * qsizetype(size) + MemoryAllowance);
    return 0;
}
