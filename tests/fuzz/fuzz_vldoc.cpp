// The documentation table "vl70doc.txt": the manager always ends up with a
// table of 1808 lines, the file's own exactly when it has 1808 lines and is
// within the size bound, else the built-in one; reading costs a small
// multiple of the file.
//
// Input: bit 0 of the first byte repeats the rest past the size bound; the
// rest is the file.

#include "FuzzCheck.h"
#include "LoopbackMidi.h"
#include "MemoryMeter.h"
#include "RegRoot.h"
#include "ScratchFolder.h"
#include "SystemSleeper.h"
#include "TVLManager.h"
#include "VoiceDump.h"

#include <QDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

struct Rig
{
    explicit Rig(ScratchFolder &docFolder) : folder(docFolder) {}
    ScratchFolder &folder;
    ScratchFolder noDoc;
    SystemSleeper clock;
    LoopbackMidi midi{&clock};
    RegRoot settings = RegRoot::iniFile(folder.filePath(QStringLiteral("settings.ini")));
    QStringList builtIn;
    long long builtInPeak = 0;
};

Rig *rig = nullptr;
constexpr long long MemoryPerInputByte = 64;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv)
{
    static Rig instance(ScratchFolder::forRun((*argv)[0]));
    FUZZ_CHECK(instance.noDoc.isValid());
    MemoryMeter meter;
    instance.builtIn =
        TVLManager(nullptr, &instance.midi, instance.settings, instance.noDoc.path()).ParamDoc();
    instance.builtInPeak = meter.peakBytes();
    FUZZ_CHECK(instance.builtIn.size() == TVLManager::DocLineCount);
    rig = &instance;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    QByteArray text(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (data[0] & 1 && !text.isEmpty()) {
        while (text.size() <= TVLManager::MaxDocFileBytes)
            text += text;
    }
    rig->folder.write(TVLManager::DocFileName, text);

    QStringList doc;
    {
        MemoryMeter meter;
        doc = TVLManager(nullptr, &rig->midi, rig->settings, rig->folder.path()).ParamDoc();
        // Both tables may be held at once: the file's and the built-in one.
        FUZZ_CHECK(meter.peakBytes() <= MemoryPerInputByte * text.size() + 2 * rig->builtInPeak);
    }
    FUZZ_CHECK(doc.size() == TVLManager::DocLineCount);
    const bool own = text.size() <= TVLManager::MaxDocFileBytes
                     && VoiceDump::linesFromBytes(text).size() == TVLManager::DocLineCount;
    FUZZ_CHECK(doc == (own ? VoiceDump::linesFromBytes(text) : rig->builtIn));
    return 0;
}
