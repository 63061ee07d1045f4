#pragma once

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <optional>

class QBuffer;

// Reads a ".lib" voice library file of an outside voice editor, lists its
// voices by number and name, and turns a chosen voice into a custom voice
// dump (device number 0, memory number 0).
//
// File layout, as read: signature "LM  0268" at 0, voice count at 51, eight
// name bytes per voice from 1024, 1550 data bytes per voice from 3072 (block
// A's 163 data bytes, then block B's 1387). Only the part of a file that can
// hold voices is read (at most MaxReadLength bytes), so a huge file is never
// loaded whole.
class TVlLibReader : public QObject
{
    Q_OBJECT

public:
    static constexpr char Signature[] = "LM  0268";
    static constexpr int SignatureLength = 8;
    static constexpr int MinimumLength = 3000;
    static constexpr int VoiceCountOffset = 51;
    static constexpr int NameTableOffset = 1024;
    static constexpr int NameLength = 8;
    static constexpr int VoiceDataOffset = 3072;
    static constexpr int VoiceDataLength = 1550;
    static constexpr int MaxVoiceCount = 255;
    static constexpr qint64 MaxReadLength =
        VoiceDataOffset + qint64(VoiceDataLength) * MaxVoiceCount;

    explicit TVlLibReader(QObject *owner = nullptr);
    ~TVlLibReader() override;

    // Reads the file and lists its voices. Returns false, keeping no file
    // data, when the file is shorter than 3000 bytes or its signature is not
    // "LM  0268". Throws VentaroError (the system's text for the failure and
    // the file name) when the file cannot be opened or read.
    bool OpenLibrary(const QString &fileName);

    // The custom voice dump of voice `index` (0-based) as a stream positioned
    // at its start, 1572 bytes; empty when the index is not a voice of the
    // open library or the file ends inside its data. The stream belongs to the
    // reader and is deleted by the next GetVoice or with the reader.
    QBuffer *GetVoice(int index);

    // One display line per voice, in file order: the 1-based number right-
    // aligned in three characters, a blank, the name.
    const QStringList &VoiceNames() const { return m_voiceNames; }
    quint8 VoiceCount() const { return m_voiceCount; }
    // Whether a library is open (the last OpenLibrary returned true).
    bool IsOpen() const { return m_libStream.has_value(); }

private:
    QByteArray readFile(const QString &fileName) const;
    QString nameAt(qsizetype offset) const;

    QBuffer *m_voiceStream = nullptr;
    std::optional<QByteArray> m_libStream;
    quint8 m_voiceCount = 0;
    QStringList m_voiceNames;
};
