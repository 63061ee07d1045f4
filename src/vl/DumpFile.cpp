#include "DumpFile.h"

#include "VentaroError.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringView>

#include <algorithm>
#include <array>
#include <iterator>

namespace {

constexpr char16_t FirstPrintable = 0x20;
constexpr char16_t Delete = 0x7F;

// Device names that Windows reserves whatever extension follows them; the
// superscript digits are what voice-name bytes B9h, B2h and B3h read as.
constexpr std::array<QStringView, 28> ReservedNames{
    u"CON",       u"PRN",       u"AUX",  u"NUL",  u"COM1",      u"COM2",      u"COM3",
    u"COM4",      u"COM5",      u"COM6", u"COM7", u"COM8",      u"COM9",      u"COM\u00b9",
    u"COM\u00b2", u"COM\u00b3", u"LPT1", u"LPT2", u"LPT3",      u"LPT4",      u"LPT5",
    u"LPT6",      u"LPT7",      u"LPT8", u"LPT9", u"LPT\u00b9", u"LPT\u00b2", u"LPT\u00b3"};

bool isForbidden(QChar c)
{
    const char16_t u = c.unicode();
    if (u < FirstPrintable || u == Delete)
        return true;
    return std::find(std::begin(DumpFile::ForbiddenCharacters),
                     std::end(DumpFile::ForbiddenCharacters) - 1, u)
           != std::end(DumpFile::ForbiddenCharacters) - 1;
}

// Windows reserves a device name as the part before the first dot, with
// trailing blanks ignored ("CON.x", "nul  " too).
bool isReservedName(const QString &name)
{
    QStringView base(name);
    const qsizetype dot = base.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        base = base.first(dot);
    while (!base.isEmpty() && base.back() == QLatin1Char(' '))
        base.chop(1);
    return std::any_of(ReservedNames.begin(), ReservedNames.end(), [&](QStringView reserved) {
        return base.compare(reserved, Qt::CaseInsensitive) == 0;
    });
}

QString shown(const QString &fileName)
{
    return QDir::toNativeSeparators(fileName);
}

} // namespace

QByteArray DumpFile::read(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw VentaroError(
            QStringLiteral("Cannot open file \"%1\": %2").arg(shown(fileName), file.errorString()));

    // Read in steps: a pipe or device may deliver less than asked.
    QByteArray bytes(ReadLimit, Qt::Uninitialized);
    qint64 filled = 0;
    while (filled < ReadLimit) {
        const qint64 got = file.read(bytes.data() + filled, ReadLimit - filled);
        if (got < 0)
            throw VentaroError(QStringLiteral("Cannot read file \"%1\": %2")
                                   .arg(shown(fileName), file.errorString()));
        if (got == 0)
            break;
        filled += got;
    }
    bytes.truncate(filled);
    return bytes;
}

void DumpFile::write(const QString &fileName, const QByteArray &bytes)
{
    // Unbuffered, so that a short write is seen here: a buffered save file
    // can take a write cut short by the system (a full disk, a size limit)
    // for success and commit the truncated file.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw VentaroError(QStringLiteral("Cannot create file \"%1\": %2")
                               .arg(shown(fileName), file.errorString()));
    const auto fail = [&] {
        file.cancelWriting();
        throw VentaroError(QStringLiteral("Cannot write file \"%1\": %2")
                               .arg(shown(fileName), file.errorString()));
    };
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 put = file.write(bytes.constData() + written, bytes.size() - written);
        if (put <= 0)
            fail();
        written += put;
    }
    if (file.size() != bytes.size() || !file.commit())
        fail();
}

QString DumpFile::proposedName(const QString &voiceName, const QString &extension)
{
    QString name = voiceName;
    for (QChar &c : name) {
        if (isForbidden(c))
            c = Replacement;
    }
    if (isReservedName(name))
        name.prepend(Replacement);
    return name + QLatin1Char('.') + extension;
}
