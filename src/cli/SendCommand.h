#pragma once

#include "CommandWrite.h"
#include "VoiceDump.h"

#include <QString>
#include <QStringList>

#include <optional>

struct CommandContext;

// `ventaro send FILE --out PORT [--voice N | --all] [--to current|custom:S|
// internal:S] [--device D] [--gap MS] [--in PORT] [--no-keep] [--no-verify]`:
// sends voices of a file to an output device as "Send all..." does: each
// voice to the slot it came from (a full voice to the current voice), or one
// after another from a chosen slot, paced for a MIDI cable; with an input,
// what the slots held is kept first and the slots are read back
// (CommandWrite). Where each voice goes is settled before the first byte
// leaves, so a voice that cannot go where asked sends nothing. Returns once
// the last voice's wire time has passed.
class SendCommand
{
public:
    static constexpr const char *Name = "send";

    struct Destination
    {
        VoiceDump::Form to = VoiceDump::Form::Full; // Full: the current voice
        int slot = 0;                               // 1-based; 0 for the current voice
    };

    struct Options
    {
        QString file;
        int voice = 1; // 1-based
        bool all = false;
        std::optional<Destination> to; // none: each voice's own slot
        CommandWrite::Options write;   // ports, device number, pacing, keeping
    };

    // Raises UsageError for arguments this command cannot take.
    static Options parse(const QStringList &words);
    // "current", "custom:S" (1..6), "internal:S" (1..64); raises UsageError.
    static Destination parseDestination(const QString &text);
    // Raises VentaroError (the window's texts) when the file, the device or
    // the plan stands in the way, or a voice does not leave whole.
    static int run(const Options &options, CommandContext &context);
};
