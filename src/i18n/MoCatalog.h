#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <optional>

// One GNU MO message catalog held in memory: the translated text of each
// message identifier, as UTF-8 bytes. Both byte orders are read; every
// offset and length in the file is checked against its size, so a damaged
// file is refused instead of read past its end; so is a file whose entries
// share their bytes to hold more than twice the file's size.
class MoCatalog
{
public:
    // The catalog in `data`, or nothing when `data` is not a GNU MO file.
    static std::optional<MoCatalog> parse(QByteArrayView data);

    // The translation of `msgid` (singular form), or nothing when the
    // catalog has no entry for it. The empty identifier names the header.
    std::optional<QByteArray> lookup(QByteArrayView msgid) const;

    // The header entry (the translation of the empty identifier).
    QByteArray header() const;

    // Whether the header's Content-Type line declares charset=UTF-8
    // (letter case ignored).
    bool declaresUtf8() const;

    bool isBigEndian() const { return m_bigEndian; }
    qsizetype size() const { return m_messages.size(); }

private:
    QHash<QByteArray, QByteArray> m_messages;
    bool m_bigEndian = false;
};
