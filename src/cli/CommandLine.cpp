#include "CommandLine.h"

#include "BackupCommand.h"
#include "CommandContext.h"
#include "FindCommand.h"
#include "MonitorCommand.h"
#include "HistoryCommand.h"
#include "LibraryCommand.h"
#include "PortsCommand.h"
#include "ProgramMidi.h"
#include "ReceiveCommand.h"
#include "RestoreCommand.h"
#include "SendCommand.h"
#include "UsageError.h"
#include "VentaroError.h"
#include "VoicesCommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

#include <cstdio>
#include <memory>
#include <type_traits>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

const QString HelpOption = QStringLiteral("--help");
const QString OptionsEnd = QStringLiteral("--");

struct Subcommand
{
    const char *name;
    std::function<CommandLine::Invocation(const QStringList &words)> prepare;
};

// Parse reads the words now, so that a usage error comes before any MIDI is
// opened; what it read, if anything, is handed to Run later.
template <typename Command>
Subcommand subcommand()
{
    return {Command::Name, [](const QStringList &words) -> CommandLine::Invocation {
                if constexpr (std::is_void_v<decltype(Command::parse(words))>) {
                    Command::parse(words);
                    return [](CommandContext &context) { return Command::run(context); };
                } else {
                    const auto options = Command::parse(words);
                    return [options](CommandContext &context) {
                        return Command::run(options, context);
                    };
                }
            }};
}

const QList<Subcommand> &subcommands()
{
    static const QList<Subcommand> table{
        subcommand<PortsCommand>(),   subcommand<VoicesCommand>(), subcommand<SendCommand>(),
        subcommand<ReceiveCommand>(), subcommand<FindCommand>(),   subcommand<BackupCommand>(),
        subcommand<MonitorCommand>(),
        subcommand<LibraryCommand>(), subcommand<HistoryCommand>(), subcommand<RestoreCommand>(),
    };
    return table;
}

// What a word asks of the command line itself, read by a first
// QCommandLineParser that knows only its own options; another word is a
// subcommand's name or for the window.
enum class Asked { Nothing, Help, Version };

Asked asked(const QString &word)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({help, version});
    if (!parser.parse({QString(), word}) || parser.optionNames().size() != 1)
        return Asked::Nothing;
    // The parser takes "--h" and "-hh" too: ours are spelt as the usage text spells them.
    const QString name = parser.optionNames().first();
    if (word != (name.size() == 1 ? QStringLiteral("-") : OptionsEnd) + name)
        return Asked::Nothing;
    return parser.isSet(version) ? Asked::Version : Asked::Help;
}

bool isHelp(const QString &word)
{
    return asked(word) == Asked::Help;
}

// A plain lower-case word: a command's name, or a mistyped one.
bool isCommandWord(const QString &word)
{
    static const QRegularExpression pattern(QStringLiteral("^[a-z][a-z-]*$"));
    return pattern.match(word).hasMatch();
}

// The options the toolkit takes for the window (-style fusion, --platform
// offscreen, -reverse, ...), with one dash or two, a value after "=" or not.
bool isToolkitOption(const QString &word)
{
    static const QStringList names =
        QStringLiteral(
            "platform platformpluginpath platformtheme plugin qwindowgeometry qwindowicon "
            "qwindowtitle reverse session style stylesheet widgetcount display geometry title name "
            "visual ncols cmap nograb dograb sync fontengine qmljsdebugger testability")
            .split(QLatin1Char(' '));
    QString name = word.startsWith(QLatin1String("--")) ? word.mid(2) : word.mid(1);
    name = name.section(QLatin1Char('='), 0, 0);
    return word.startsWith(QLatin1Char('-')) && names.contains(name);
}

bool isStandardErrorTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

} // namespace

QStringList CommandLine::commandNames()
{
    QStringList names;
    for (const Subcommand &command : subcommands())
        names << QLatin1String(command.name);
    return names;
}

bool CommandLine::isCommand(const QStringList &arguments)
{
    if (arguments.size() < 2)
        return false;
    const QString &first = arguments.at(1);
    if (commandNames().contains(first) || asked(first) != Asked::Nothing)
        return true;
    // The window takes a file that is there and the toolkit's options;
    // anything else is wrong usage or a file it cannot open, said on the
    // command line rather than with an empty window.
    if (first.startsWith(QLatin1Char('-')))
        return !isToolkitOption(first);
    return !QFileInfo(first).isFile();
}

CommandLine::Invocation CommandLine::prepare(const QStringList &arguments)
{
    const QString first = arguments.value(1);
    const QStringList words = arguments.mid(2);
    if (const Asked question = asked(first); question != Asked::Nothing) {
        if (!words.isEmpty())
            throw UsageError(QStringLiteral("%1 takes nothing after it").arg(first));
        const QString text =
            question == Asked::Version
                ? QStringLiteral("ventaro %1\n").arg(QStringLiteral(VENTARO_VERSION))
                : usageText();
        return [text](CommandContext &context) {
            context.out << text;
            context.out.flush();
            return int(Success);
        };
    }
    for (const Subcommand &command : subcommands()) {
        if (first != QLatin1String(command.name))
            continue;
        // "ventaro send --help" is asked for help, not a send.
        const qsizetype end = words.indexOf(OptionsEnd);
        const QStringList options = end < 0 ? words : words.first(end);
        if (std::any_of(options.begin(), options.end(), isHelp))
            return prepare({arguments.value(0), HelpOption});
        return command.prepare(words);
    }
    if (first.isEmpty())
        throw UsageError(QStringLiteral("no command given"));
    if (first.startsWith(QLatin1Char('-')))
        throw UsageError(QStringLiteral("unknown option \"%1\"").arg(first));
    const QFileInfo file(first);
    if (isCommandWord(first) && !file.exists())
        throw UsageError(QStringLiteral("unknown command \"%1\"").arg(first));
    const QString shown = QDir::toNativeSeparators(first);
    if (file.isDir())
        throw VentaroError(QStringLiteral("%1 is a folder, not a voice file").arg(shown));
    QFile opened(first);
    if (!opened.open(QIODevice::ReadOnly))
        throw VentaroError(
            QStringLiteral("Cannot open file \"%1\": %2").arg(shown, opened.errorString()));
    throw VentaroError(QStringLiteral("%1 is not a file").arg(shown));
}

int CommandLine::run(const QStringList &arguments, CommandContext &context)
{
    try {
        return prepare(arguments)(context);
    } catch (const UsageError &e) {
        context.say(e.text());
        if (e.showsUsage()) {
            context.err << '\n' << usageText();
            context.err.flush();
        }
        return WrongUsage;
    } catch (const VentaroError &e) {
        context.say(e.text());
        return Failure;
    }
}

QString CommandLine::usageText()
{
    return QStringLiteral(
        "Usage:\n"
        "  ventaro [FILE]\n"
        "  ventaro ports\n"
        "  ventaro voices FILE\n"
        "  ventaro send FILE --out PORT [--voice N | --all] [--to current|custom:S|internal:S]\n"
        "               [--device D] [--gap MS] [--in PORT] [--no-keep] [--no-verify]\n"
        "  ventaro receive --in PORT --save FILE [--count N] [--timeout SECONDS] [--device D]\n"
        "                  [--force]\n"
        "  ventaro find\n"
        "  ventaro backup --in PORT --out PORT --save FILE [--device D] [--force]\n"
        "  ventaro monitor [--in PORT]... [--out-too] [--count N] [--timeout SECONDS]\n"
        "                  [--device D]\n"
        "  ventaro library import PATH...\n"
        "  ventaro library list [--search TEXT] [--form internal|custom|full] [--tag T]\n"
        "                       [--favourite] [--source file|panel|fetched|backup|sent|held]\n"
        "  ventaro library export ID... --save FILE [--search TEXT] [--force]\n"
        "                         [--to custom:S|internal:S] [--device D]\n"
        "  ventaro library show ID\n"
        "  ventaro history [--count N]\n"
        "  ventaro restore ID --out PORT [--in PORT] [--device D] [--gap MS] [--no-keep]\n"
        "                  [--no-verify]\n"
        "  ventaro --help | --version\n"
        "\n"
        "Without a command Ventaro opens its window (and FILE in it, as Open File... would).\n"
        "A command runs without a window and exits:\n"
        "\n"
        "  ports    One line per MIDI device: \"in\" or \"out\", a tab and the name as the\n"
        "           window's Midi In: and Midi Out: lists show it. PORT is such a name.\n"
        "  voices   The voices of a .syx voice or bank file or of a .lib library, one line\n"
        "           each: number, form (internal, custom, full), the slot it came from\n"
        "           (or -) and the name, separated by tabs. What was skipped is said on\n"
        "           standard error.\n"
        "  send     Sends voice N of FILE (default 1), or --all of them, to the output\n"
        "           device PORT. Each voice goes to the slot it came from (a full voice to\n"
        "           the current voice), or where --to says; with --all, to consecutive\n"
        "           slots from S. A custom voice goes only to a Custom slot (1..6), an\n"
        "           internal voice only to an Internal slot (1..64): a voice that cannot\n"
        "           go where asked is an error before anything is sent. Voices are paced\n"
        "           for a MIDI cable: 3125 bytes a second and a gap of MS milliseconds\n"
        "           (0..10000, default the window's, 100). With --in (the input from the\n"
        "           same instrument), each slot is first asked for the voice it holds,\n"
        "           which the voice library keeps (see history and restore), and read\n"
        "           back after the write; a slot that does not answer stops the send\n"
        "           before anything is written. Without --in, or with --no-keep, slots\n"
        "           are written over and standard error says which were not kept;\n"
        "           --no-verify skips the reading back. Exits 0 once every voice left\n"
        "           whole (and, with --in, every slot read back holds its voice).\n"
        "  receive  Waits on the input device PORT for voices dumped from the\n"
        "           instrument's panel (UTIL, DUMPOUT, choose the voice, ENTER twice) and\n"
        "           writes the whole voices, bytes as received, to FILE when N voices came,\n"
        "           after SECONDS, or on Ctrl+C. Exits 0 when at least one voice was saved.\n"
        "  find     Asks on every output device which instrument is there (identity\n"
        "           request) and prints one line per instrument that answered: the input\n"
        "           and output device names as \"ports\" prints them and its device\n"
        "           number 1..16, separated by tabs. Exits 0 when one answered.\n"
        "  backup   Asks the instrument on --out for its Custom 1..6 and Internal 1..64\n"
        "           voices (bulk dump requests), listening on --in, and writes the\n"
        "           voices that came whole, in that order and bytes as received, to\n"
        "           FILE; the slots that did not answer are named on standard error.\n"
        "           Ctrl+C stops and saves what came. Exits 0 when all 70 came; when\n"
        "           none came nothing is written.\n"
        "  monitor  Prints every MIDI message that arrives on the input devices PORT\n"
        "           (every input device when no --in is given), one line each: time in\n"
        "           ms, \"in\", device, length, what it means and its bytes in hex,\n"
        "           separated by tabs. --out-too also prints what other programs send\n"
        "           to every output device, as \"out\" and the output device (heard on\n"
        "           the ports connected into it, where the MIDI system tells them).\n"
        "           Stops after N messages, after SECONDS or on Ctrl+C.\n"
        "  library  The voice library, kept in the file VENTARO_LIBRARY names (default\n"
        "           library.sqlite in the per-user data folder, Ventaro). import takes\n"
        "           .syx and .lib files and folders (their .syx and .lib files at any\n"
        "           depth), a line per refused file, then \"N new, K known, R refused\".\n"
        "           list prints one voice a line: ID, form, name and where it was first\n"
        "           met; --search looks in names, tags and notes, case and accents\n"
        "           aside. export writes the voices named, and those --search finds,\n"
        "           as one bank file, bytes as kept; --to and --device re-address them\n"
        "           as send --all would. show prints the voice's name, form, tags, note\n"
        "           and every place it was met. A library file that cannot be opened is\n"
        "           left as it is; --set-aside renames it aside and starts a new one.\n"
        "  history  The writes to the instrument the voice library keeps (send, restore,\n"
        "           the window's Send, Send all and Undo), newest first, the N newest with\n"
        "           --count, one a line: ID, time, device number, kind, places, how many\n"
        "           were written and verified, how many old voices were kept (or why not)\n"
        "           and how it ended (completed, stopped, failed, unfinished), separated\n"
        "           by tabs.\n"
        "  restore  Writes back the voices write ID kept (see history), each to the slot\n"
        "           it came from, on the device number of that write unless --device\n"
        "           says; kept and read back with --in, as send does, and itself an\n"
        "           entry of the history.\n"
        "\n"
        "  --device D  the instrument's device number as its display shows it, 1..16\n"
        "              (default: the one the window keeps); blocks of other devices are\n"
        "              not taken.\n"
        "  --force     lets receive and backup replace a FILE that exists.\n"
        "\n"
        "Exit status: 0 done, 1 error (one line on standard error), 2 wrong usage.\n"
        "The command line reads the window's settings and never changes them.\n"
        "A file named like a command is opened in the window as ./NAME.\n");
}

int CommandLine::main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Ventaro"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VENTARO_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    std::unique_ptr<ProgramMidi> midi;
    CommandContext context{out, err, isStandardErrorTerminal(), RegRoot::currentUser(),
                           [&midi]() -> ProgramMidi & {
                               if (!midi)
                                   midi = std::make_unique<ProgramMidi>();
                               return *midi;
                           }};
    return run(QCoreApplication::arguments(), context);
}
