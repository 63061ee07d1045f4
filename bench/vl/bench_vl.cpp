// Acceptance plus conversion of one voice in each form (ns per voice), and
// opening and listing a synthetic library of 255 voices (ms per library).
#include "TVlLibReader.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

volatile int gSink = 0;

// Best of several timed batches, in nanoseconds per call.
double bestNsPerCall(int calls, const std::function<void()> &work)
{
    double best = 0;
    for (int batch = 0; batch < 7; ++batch) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < calls; ++i)
            work();
        const double ns = double(timer.nsecsElapsed()) / calls;
        if (batch == 0 || ns < best)
            best = ns;
    }
    return best;
}

QByteArray randomBytes(int length)
{
    QByteArray bytes(length, '\0');
    for (char &byte : bytes)
        byte = char(QRandomGenerator::global()->bounded(128));
    return bytes;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    QByteArray dump = VoiceDump::emptyFullDump(0);
    const QByteArray internal = VoiceDump::buildInternalDump(5, randomBytes(163), 0);
    const QByteArray custom = VoiceDump::buildCustomDump(2, randomBytes(163), randomBytes(1387), 0);
    const QByteArray full = dump;

    std::printf("voice form conversion (accept, load into the working dump, build for sending)\n");
    const double internalNs = bestNsPerCall(100000, [&] {
        int slot = 0;
        if (VoiceDump::IsVoiceStream(internal)
            && VoiceConversion::InternalToDump(internal, dump, slot))
            gSink = gSink + VoiceConversion::DumpToInternal(dump, slot, 1).size();
    });
    std::printf("  internal (174 bytes):  %8.1f ns/voice\n", internalNs);
    const double customNs = bestNsPerCall(100000, [&] {
        int slot = 0;
        if (VoiceDump::IsVoiceStream(custom) && VoiceConversion::CustomToDump(custom, dump, slot))
            gSink = gSink + VoiceConversion::DumpToCustom(dump, slot, 1).size();
    });
    std::printf("  custom (1572 bytes):   %8.1f ns/voice\n", customNs);
    const double fullNs = bestNsPerCall(100000, [&] {
        if (VoiceDump::IsVoiceStream(full)) {
            std::copy(full.begin(), full.end(), dump.begin());
            VoiceDump::SealDump(dump, 1);
            gSink = gSink + QByteArray(dump).size();
        }
    });
    std::printf("  full (1808 bytes):     %8.1f ns/voice\n", fullNs);

    QTemporaryDir dir;
    QByteArray lib(3072 + 1550 * 255, '\0');
    lib.replace(0, 8, "LM  0268");
    lib[51] = char(255);
    for (int i = 0; i < 255; ++i)
        lib.replace(1024 + 8 * i, 8,
                    QByteArray("Voice") + QByteArray::number(i).rightJustified(3, '0'));
    lib.replace(3072, lib.size() - 3072, randomBytes(lib.size() - 3072));
    const QString path = dir.filePath(QStringLiteral("bench.lib"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(lib) != lib.size())
        return 1;
    file.close();

    const double openNs = bestNsPerCall(200, [&] {
        TVlLibReader reader;
        if (reader.OpenLibrary(path))
            gSink = gSink + reader.VoiceNames().size();
    });
    std::printf("library of 255 voices (file in the page cache)\n");
    std::printf("  open and list:         %8.3f ms/library\n", openNs / 1e6);
    TVlLibReader reader;
    reader.OpenLibrary(path);
    const double getNs =
        bestNsPerCall(10000, [&] { gSink = gSink + int(reader.GetVoice(254)->size()); });
    std::printf("  get one voice:         %8.1f ns/voice\n", getNs);
    return 0;
}
