#include "MoCatalog.h"

#include <QList>

#include <cstdint>

namespace {

// File layout, in 32-bit words of the file's own byte order.
constexpr quint32 Magic = 0x950412DEu;
constexpr quint32 MagicSwapped = 0xDE120495u;
constexpr qint64 OffsetMagic = 0;
constexpr qint64 OffsetRevision = 4;
constexpr qint64 OffsetCount = 8;
constexpr qint64 OffsetOriginals = 12;
constexpr qint64 OffsetTranslations = 16;
constexpr qint64 HeaderSize = 28;
constexpr quint32 HighestMajorRevision = 1;
constexpr qint64 DescriptorSize = 8; // length, then offset
constexpr char PluralSeparator = '\0';

class Reader
{
public:
    Reader(QByteArrayView data, bool bigEndian) : m_data(data), m_bigEndian(bigEndian) {}

    // The word at `offset`, or nothing when it lies beyond the data.
    std::optional<quint32> word(qint64 offset) const
    {
        if (offset < 0 || offset > m_data.size() - 4)
            return std::nullopt;
        const auto *p = reinterpret_cast<const unsigned char *>(m_data.data() + offset);
        if (m_bigEndian)
            return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
        return (quint32(p[3]) << 24) | (quint32(p[2]) << 16) | (quint32(p[1]) << 8) | p[0];
    }

    // The string described by the descriptor at `offset`, or nothing when
    // the descriptor or its string lies beyond the data.
    std::optional<QByteArrayView> string(qint64 descriptor) const
    {
        const auto length = word(descriptor);
        const auto offset = word(descriptor + 4);
        if (!length || !offset)
            return std::nullopt;
        const qint64 begin = *offset;
        const qint64 end = begin + qint64(*length);
        if (end > m_data.size())
            return std::nullopt;
        return m_data.sliced(begin, *length);
    }

private:
    QByteArrayView m_data;
    bool m_bigEndian;
};

// An identifier or translation up to its first plural separator.
QByteArrayView singular(QByteArrayView s)
{
    const qsizetype end = s.indexOf(PluralSeparator);
    return end < 0 ? s : s.first(end);
}

// How many bytes of entries a catalog may hold per byte of its file.
constexpr qint64 EntryBytesPerFileByte = 2;

} // namespace

std::optional<MoCatalog> MoCatalog::parse(QByteArrayView data)
{
    if (data.size() < HeaderSize)
        return std::nullopt;

    const auto magic = Reader(data, false).word(OffsetMagic);
    if (magic != Magic && magic != MagicSwapped)
        return std::nullopt;
    const bool bigEndian = magic == MagicSwapped;
    const Reader reader(data, bigEndian);

    const quint32 revision = *reader.word(OffsetRevision);
    if ((revision >> 16) > HighestMajorRevision)
        return std::nullopt;

    const qint64 count = *reader.word(OffsetCount);
    const qint64 originals = *reader.word(OffsetOriginals);
    const qint64 translations = *reader.word(OffsetTranslations);
    // Both tables must lie wholly inside the file before any entry is read,
    // which also bounds `count` by the file's size.
    const qint64 tableSize = count * DescriptorSize;
    if (originals + tableSize > data.size() || translations + tableSize > data.size())
        return std::nullopt;

    MoCatalog catalog;
    catalog.m_bigEndian = bigEndian;
    catalog.m_messages.reserve(count);
    // msgfmt writes every string once, so the entries' bytes add up to less
    // than the file. Entries pointing at shared bytes would make each copy
    // (and each hash of a key) cost again: past this bound the file is no
    // catalog, and reading stays linear in its size.
    const qint64 byteBudget = EntryBytesPerFileByte * data.size();
    qint64 entryBytes = 0;
    for (qint64 i = 0; i < count; ++i) {
        const auto original = reader.string(originals + i * DescriptorSize);
        const auto translation = reader.string(translations + i * DescriptorSize);
        if (!original || !translation)
            return std::nullopt;
        entryBytes += original->size() + translation->size();
        if (entryBytes > byteBudget)
            return std::nullopt;
        const QByteArray key = singular(*original).toByteArray();
        if (!catalog.m_messages.contains(key))
            catalog.m_messages.insert(key, singular(*translation).toByteArray());
    }
    return catalog;
}

std::optional<QByteArray> MoCatalog::lookup(QByteArrayView msgid) const
{
    const auto it = m_messages.constFind(msgid.toByteArray());
    if (it == m_messages.constEnd())
        return std::nullopt;
    return *it;
}

QByteArray MoCatalog::header() const
{
    return m_messages.value(QByteArray());
}

bool MoCatalog::declaresUtf8() const
{
    static const QByteArray contentType("content-type:");
    static const QByteArray utf8("charset=utf-8");
    const QList<QByteArray> lines = header().split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray lower = line.trimmed().toLower();
        if (lower.startsWith(contentType))
            return lower.contains(utf8);
    }
    return false;
}
