#pragma once

#include <QString>

// The file a command writes what it received to.
class OutputFile
{
public:
    // The flag that lets a command replace a file that exists.
    static inline const QString ForceOption = QStringLiteral("force");

    // Raises VentaroError when `fileName` exists and `replace` is false (a
    // backup is not lost to a one-voice receive), or when it cannot be
    // written ("Cannot create file ..."), so a command fails before it asks
    // or waits for anything. Leaves no file behind.
    static void checkWritable(const QString &fileName, bool replace);
    // "1 voice", "2 voices": the count in a command's closing line.
    static QString VoiceCount(qsizetype count);
};
