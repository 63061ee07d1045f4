#pragma once

#include "VoiceDump.h"

#include <QString>
#include <QStringList>

struct CommandContext;

// `ventaro voices FILE`: the voices of a ".syx" voice or bank file, or of a
// ".lib" library, one line each: number (from 1), form, the slot it came
// from ("-" for none) and the name without its trailing blanks, separated by
// tabs. What could not be read as a voice is said on standard error in one
// line. A file without a single whole voice is an error.
class VoicesCommand
{
public:
    static constexpr const char *Name = "voices";
    static inline const QString LibraryExtension = QStringLiteral("lib");

    struct Line
    {
        VoiceDump::Form form = VoiceDump::Form::Internal;
        int slot = 0; // 0: none
        QString name;
    };

    struct Listing
    {
        QList<Line> lines;
        int skipped = 0;
    };

    // The file's voices; raises VentaroError when it cannot be read.
    static Listing read(const QString &fileName);
    // "1\tinternal\t12\tIgneous".
    static QString lineText(int number, const Line &line);
    // "internal", "custom", "full".
    static QString formText(VoiceDump::Form form);

    // Raises UsageError unless exactly one FILE is given.
    static QString parse(const QStringList &words);
    static int run(const QString &fileName, CommandContext &context);
};
