#pragma once

#include <QStringList>

#include <optional>

struct CommandContext;

// `ventaro history [--count N]`: the writes to the instrument the library's
// history keeps, newest first, one a line: ID, local time, device number
// (1..16), kind, places, how many were written (and verified), what was
// kept before them, and how the write ended, separated by tabs.
class HistoryCommand
{
public:
    static constexpr const char *Name = "history";
    static constexpr int MaxCount = 1000000;

    struct Options
    {
        int count = 0; // 0: all
    };

    // Raises UsageError for arguments this command cannot take.
    static Options parse(const QStringList &words);
    static int run(const Options &options, CommandContext &context);
};
