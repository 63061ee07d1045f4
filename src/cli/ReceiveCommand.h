#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct CommandContext;

// `ventaro receive --in PORT --save FILE [--count N] [--timeout SECONDS]
// [--device D]`: collects the voices dumped from the instrument's panel as
// "Get Several Voices..." does (VoiceCollector: blocks of the device number,
// grouped into whole voices) and writes the whole voices, bytes as received
// and in order, to FILE once N have come, at the timeout or on SIGINT or
// SIGTERM. Succeeds when at least one voice was saved.
class ReceiveCommand
{
public:
    static constexpr const char *Name = "receive";
    // A week, in whole seconds; far more than anyone waits for a panel dump.
    static constexpr int MaxTimeoutSeconds = 7 * 24 * 60 * 60;
    // How often the device is asked whether it can still deliver.
    static constexpr int DeviceCheckMs = 250;

    struct Options
    {
        QString port;
        QString file;
        std::optional<int> count;
        std::optional<int> timeoutSeconds;
        std::optional<quint8> deviceId; // 0-based; none: the stored one
        bool replace = false;           // --force: FILE may exist
    };

    // Raises UsageError for arguments this command cannot take.
    static Options parse(const QStringList &words);
    // Needs a running application object for the event loop.
    static int run(const Options &options, CommandContext &context);
};
