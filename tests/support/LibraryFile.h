#pragma once

#include <QByteArray>
#include <QList>

// Voice library (".lib") files as the tests lay them out, written from the
// file's description rather than from the reader: an eight-byte signature,
// the voice count at 51, eight-byte names from 1024, and 1550 data bytes a
// voice from 3072.
struct LibraryFile
{
    static constexpr int CountOffset = 51;
    static constexpr int NamesOffset = 1024;
    static constexpr int NameLength = 8;
    static constexpr int DataOffset = 3072;
    static constexpr int VoiceLength = 1550;

    // `size` cuts or pads the file (-1: just long enough for the voices given).
    static QByteArray build(int count, const QList<QByteArray> &names,
                            const QList<QByteArray> &voices, int size = -1,
                            const QByteArray &signature = "LM  0268")
    {
        QByteArray lib(DataOffset + VoiceLength * voices.size(), '\0');
        lib.replace(0, signature.size(), signature);
        lib[CountOffset] = char(count);
        for (int i = 0; i < names.size(); ++i)
            lib.replace(NamesOffset + NameLength * i, names[i].size(), names[i]);
        for (int i = 0; i < voices.size(); ++i)
            lib.replace(DataOffset + VoiceLength * i, VoiceLength, voices[i]);
        if (size >= 0)
            lib.resize(size, '\0');
        return lib;
    }
};
