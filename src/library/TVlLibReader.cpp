#include "TVlLibReader.h"

#include "VentaroError.h"
#include "VoiceDump.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

static_assert(TVlLibReader::VoiceDataLength == VoiceDump::CustomVoiceDataLength);
static_assert(TVlLibReader::NameTableOffset
                  + TVlLibReader::NameLength * (TVlLibReader::MaxVoiceCount + 1)
              == TVlLibReader::VoiceDataOffset);

TVlLibReader::TVlLibReader(QObject *owner) : QObject(owner) {}

TVlLibReader::~TVlLibReader() = default;

bool TVlLibReader::OpenLibrary(const QString &fileName)
{
    m_voiceNames.clear();
    m_libStream.reset();
    m_voiceCount = 0;

    QByteArray bytes = readFile(fileName);
    if (bytes.size() < MinimumLength)
        return false;
    m_libStream = std::move(bytes);
    if (nameAt(0) != QLatin1String(Signature)) {
        m_libStream.reset();
        return false;
    }

    m_voiceCount = quint8(m_libStream->at(VoiceCountOffset));
    m_voiceNames.reserve(m_voiceCount);
    for (int i = 0; i < m_voiceCount; ++i) {
        const QString number = QString::number(i + 1).rightJustified(3, QLatin1Char(' '));
        m_voiceNames.append(number + QLatin1Char(' ')
                            + nameAt(NameTableOffset + qsizetype(NameLength) * i));
    }
    return true;
}

QBuffer *TVlLibReader::GetVoice(int index)
{
    delete m_voiceStream;
    m_voiceStream = new QBuffer(this);

    if (m_libStream && index >= 0 && index < m_voiceCount) {
        const qsizetype start = VoiceDataOffset + qsizetype(VoiceDataLength) * index;
        if (m_libStream->size() >= start + VoiceDataLength) {
            const QByteArrayView data(m_libStream->constData() + start, VoiceDataLength);
            m_voiceStream->setData(
                VoiceDump::buildCustomDump(1, data.first(VoiceDump::CustomBlockACount),
                                           data.sliced(VoiceDump::CustomBlockACount), 0));
        }
    }
    m_voiceStream->open(QIODevice::ReadOnly);
    return m_voiceStream;
}

QByteArray TVlLibReader::readFile(const QString &fileName) const
{
    QFile file(fileName);
    const QString shownName = QDir::toNativeSeparators(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw VentaroError(
            QStringLiteral("Cannot open file \"%1\": %2").arg(shownName, file.errorString()));

    // Read in steps so that a pipe or device that delivers less than asked
    // still gives all it has, and never more than a library can use.
    QByteArray bytes(MaxReadLength, Qt::Uninitialized);
    qint64 filled = 0;
    while (filled < MaxReadLength) {
        const qint64 got = file.read(bytes.data() + filled, MaxReadLength - filled);
        if (got < 0)
            throw VentaroError(
                QStringLiteral("Cannot read file \"%1\": %2").arg(shownName, file.errorString()));
        if (got == 0)
            break;
        filled += got;
    }
    bytes.truncate(filled);
    bytes.squeeze();
    return bytes;
}

// The text of the eight bytes at `offset`, up to the first zero byte; bytes
// beyond the end of the file count as the end of the name.
QString TVlLibReader::nameAt(qsizetype offset) const
{
    const qsizetype size = m_libStream ? m_libStream->size() : 0;
    if (offset >= size)
        return QString();
    QByteArrayView field(m_libStream->constData() + offset,
                         qMin<qsizetype>(NameLength, size - offset));
    const qsizetype zero = field.indexOf('\0');
    if (zero >= 0)
        field = field.first(zero);
    return VoiceDump::textFromBytes(field);
}
