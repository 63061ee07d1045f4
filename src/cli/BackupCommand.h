#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct CommandContext;

// `ventaro backup --in PORT --out PORT --save FILE [--device D]`: asks the
// instrument for its six Custom and sixty-four Internal voices, as "Back Up
// the Instrument..." does (InstrumentBackup over VoiceFetcher), and writes
// the whole voices that came, in slot order and bytes as received, to FILE.
// The slots that did not answer are reported on standard error. Succeeds
// only when all seventy came; when none came nothing is written. Ctrl+C
// stops it and saves the voices that came whole.
class BackupCommand
{
public:
    static constexpr const char *Name = "backup";

    struct Options
    {
        QString inPort;
        QString outPort;
        QString file;
        std::optional<quint8> deviceId; // 0-based; none: the stored one
        bool replace = false;           // --force: FILE may exist
    };

    // Raises UsageError for arguments this command cannot take.
    static Options parse(const QStringList &words);
    // Raises VentaroError when a port cannot be used or nothing came.
    static int run(const Options &options, CommandContext &context);
};
