#pragma once

#include "CommandWrite.h"

#include <QStringList>

struct CommandContext;

// `ventaro restore ID --out PORT [--in PORT] [--device D] [--gap MS]
// [--no-keep] [--no-verify]`: writes back what write ID of the history
// wrote over and kept, each voice to the slot it came from. The restore is
// itself a write: what the slots hold now is kept first, and it is an entry
// of the history. The device number is the entry's unless --device says.
class RestoreCommand
{
public:
    static constexpr const char *Name = "restore";

    struct Options
    {
        qint64 id = 0;
        CommandWrite::Options write;
    };

    // Raises UsageError for arguments this command cannot take.
    static Options parse(const QStringList &words);
    // Raises VentaroError for an unknown entry or one with nothing to put back.
    static int run(const Options &options, CommandContext &context);
};
