#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct CommandContext;

// `ventaro monitor [--in PORT]... [--out-too] [--count N] [--timeout
// SECONDS] [--device D]`: listens on the input devices named (every input
// device when none is) and prints each message that arrives as one line:
// time in ms since the start, "in", the device, the length, what the
// message means (MidiMessageDescription, messages for another device
// number than D said so) and its bytes in hex, separated by tabs. With
// --out-too, what other programs send to every output device is printed
// too, as "out" with the output device's name (heard on the ports
// connected into it; JACK only). Stops after N messages, after SECONDS or
// on SIGINT or SIGTERM.
class MonitorCommand
{
public:
    static constexpr const char *Name = "monitor";
    static constexpr int MaxTimeoutSeconds = 7 * 24 * 60 * 60;
    static constexpr int MaxCount = 1000000;
    // How often what arrived is printed.
    static constexpr int PrintMs = 50;

    struct Options
    {
        QStringList ports; // none: every input device
        std::optional<int> count;
        std::optional<int> timeoutSeconds;
        std::optional<quint8> deviceId; // 0-based; none: the stored one
        bool outToo = false;            // what is sent to the output devices too
    };

    // Raises UsageError for arguments this command cannot take.
    static Options parse(const QStringList &words);
    // Needs a running application object for the event loop.
    static int run(const Options &options, CommandContext &context);
};
