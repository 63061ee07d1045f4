// Dump files: the name offered for any voice name is one every platform can
// create (no forbidden character, no Windows device name, the extension
// after it), and reading a file gives its first bytes up to the read limit.

#include "DumpFile.h"
#include "FuzzCheck.h"
#include "ScratchFolder.h"
#include "VoiceDump.h"

#include <QStringView>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

ScratchFolder *scratch = nullptr;

// Every name Windows keeps for a device, whatever extension follows.
bool isDeviceName(QStringView base)
{
    static const std::array<QStringView, 4> plain{u"CON", u"PRN", u"AUX", u"NUL"};
    for (QStringView name : plain) {
        if (base.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    if (base.size() != 4)
        return false;
    const QStringView stem = base.first(3);
    if (stem.compare(u"COM", Qt::CaseInsensitive) != 0
        && stem.compare(u"LPT", Qt::CaseInsensitive) != 0)
        return false;
    const QChar digit = base[3];
    return (digit >= u'1' && digit <= u'9') || digit == u'\u00b9' || digit == u'\u00b2'
           || digit == u'\u00b3';
}

void checkProposedName(const QString &voiceName)
{
    const QString extension = DumpFile::Extension;
    const QString proposed = DumpFile::proposedName(voiceName, extension);
    FUZZ_CHECK(proposed.endsWith(QLatin1Char('.') + extension));
    const QStringView stem = QStringView(proposed).chopped(extension.size() + 1);
    FUZZ_CHECK(stem.size() == voiceName.size() || stem.size() == voiceName.size() + 1);
    for (const QChar c : stem) {
        FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() != 0x7F);
        for (const char16_t forbidden : std::u16string_view(DumpFile::ForbiddenCharacters))
            FUZZ_CHECK(c.unicode() != forbidden);
    }
    // Windows reads the part before the first dot, trailing blanks dropped.
    QStringView base = QStringView(proposed);
    base = base.first(base.indexOf(QLatin1Char('.')));
    while (!base.isEmpty() && base.back() == QLatin1Char(' '))
        base.chop(1);
    FUZZ_CHECK(!isDeviceName(base));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv)
{
    scratch = &ScratchFolder::forRun((*argv)[0]);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    // As a voice name is read from a dump: one character per byte.
    checkProposedName(VoiceDump::textFromBytes(input.left(VoiceDump::VoiceNameLength)));
    checkProposedName(VoiceDump::textFromBytes(input));
    // Text from elsewhere (a name typed or pasted).
    checkProposedName(QString::fromUtf8(input));

    const QString path = scratch->write(QStringLiteral("voice.syx"), input);
    FUZZ_CHECK(DumpFile::read(path) == input.left(DumpFile::ReadLimit));
    return 0;
}
