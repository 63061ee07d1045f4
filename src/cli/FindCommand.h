#pragma once

#include <QStringList>

struct CommandContext;

// `ventaro find`: asks on every output device who is there, as "Find the
// Instrument..." does (InstrumentFinder), and prints one line per instrument
// that answered: the input and output device names as `ventaro ports`
// prints them and the device number 1..16, separated by tabs. Fails, with
// one line, when none answered. Ctrl+C ends the search early; what was
// found by then is printed.
class FindCommand
{
public:
    static constexpr const char *Name = "find";

    // Raises UsageError for any argument.
    static void parse(const QStringList &words);
    static int run(CommandContext &context);
};
