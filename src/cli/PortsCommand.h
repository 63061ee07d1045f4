#pragma once

#include <QStringList>

struct CommandContext;

// `ventaro ports`: one line per MIDI device, "in" or "out", a tab and the
// name, exactly as the window's "Midi In:" and "Midi Out:" lists show it
// (the simulated instrument last). A name printed here is what --in and
// --out take.
class PortsCommand
{
public:
    static constexpr const char *Name = "ports";

    // Raises UsageError for any argument.
    static void parse(const QStringList &words);
    static int run(CommandContext &context);
};
