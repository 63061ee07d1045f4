#pragma once

#include <QString>
#include <QStringList>

#include <functional>

struct CommandContext;

// The program's command line: `ventaro COMMAND ...` runs one subcommand
// without a window and exits; `ventaro [FILE]` is left to the window.
//
// The first argument decides. A subcommand's name, --help, -h and --version
// are the command line's, even when a file of that name exists (open it as
// ./ports). Another plain lower-case word that names no file is an unknown
// subcommand; everything else (a file, the toolkit's own options) goes to
// the window.
//
// Each subcommand is a row of one table: its name, and what parses its
// words (raising UsageError) into something to run. A new subcommand is one
// class and one row.
class CommandLine
{
public:
    enum ExitStatus { Success = 0, Failure = 1, WrongUsage = 2 };

    using Invocation = std::function<int(CommandContext &context)>;

    // Whether `arguments` (the program's name first) are for the command line.
    static bool isCommand(const QStringList &arguments);
    // The subcommand the arguments ask for, parsed; raises UsageError, or
    // VentaroError for a first word that is a folder or a file that cannot
    // be read (no command, no voice to open).
    static Invocation prepare(const QStringList &arguments);
    // Prepares and runs; a usage error prints the usage text on standard
    // error (status 2), an error its one line (status 1).
    static int run(const QStringList &arguments, CommandContext &context);
    // What --help prints.
    static QString usageText();
    static QStringList commandNames();

    // The program's entry for the command line: the application object
    // without a display, the process's streams and settings, the MIDI
    // devices when a subcommand needs them. Returns the exit status.
    static int main(int argc, char *argv[]);
};
