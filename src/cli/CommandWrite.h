#pragma once

#include "GuardedWrite.h"

#include "SubcommandWords.h"

#include <QString>

#include <optional>

class VoiceStore;
struct CommandContext;

// A write to the instrument from the command line (send, restore), run as
// the window runs it (GuardedWrite): with an input, what each slot holds
// is kept in the voice library before the first voice leaves and every
// slot written is read back. A command asks nobody, so a slot that does not
// say what it holds stops the write before its first byte; without an
// input the voices are written and standard error says what was not kept.
class CommandWrite
{
public:
    struct Options
    {
        QString outPort;
        std::optional<QString> inPort;
        std::optional<quint8> deviceId; // 0-based; none: the stored one
        std::optional<int> gapMs;       // none: the stored one
        bool keep = true;
        bool verify = true;
    };

    // The options every write takes: --out, --in, --device, --gap,
    // --no-keep and --no-verify.
    static QList<SubcommandWords::Option> optionList();
    // Reads them; raises UsageError naming `command` for a missing --out.
    static Options read(const SubcommandWords &arguments, const QString &command);

    // Writes the plan and says what became of it; returns the exit status.
    // Without `store` the voice library at its usual place is opened once
    // the ports are found. Raises VentaroError when nothing could be
    // written: a port, the library needed for keeping, a slot not kept, a
    // failure at the start.
    static int run(const VoiceBank &bank, const BankSendPlan &plan, WriteRecord::Kind kind,
                   qint64 restores, VoiceStore *store, const Options &options,
                   CommandContext &context);
};
