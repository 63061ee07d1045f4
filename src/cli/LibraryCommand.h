#pragma once

#include "SendCommand.h"
#include "VoiceFilter.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct CommandContext;
struct StoredVoice;
class VoiceSource;

// `ventaro library import|list|export|show ...`: the voice library from the
// command line, on the file VoiceStore::DefaultPath names (VENTARO_LIBRARY
// or the per-user data folder).
//
//   import PATH...   files and folders; a line per refused file, then
//                    "N new, K known, R refused"
//   list [--search TEXT] [--form F] [--tag T] [--favourite] [--source KIND]
//                    one voice a line: ID, form, name, first source
//   export ID... --save FILE [--search TEXT] [--to custom:S|internal:S]
//                    [--device D] [--force]
//                    the voices as one bank file, bytes as kept unless --to
//                    or --device re-address them as "Send all" would
//   show ID          the voice's name, form, tags, note and every source
//
// A library file that cannot be opened is an error naming it; with
// --set-aside it is renamed aside and a new library started.
class LibraryCommand
{
public:
    static constexpr const char *Name = "library";

    enum class Action { Import, List, Export, Show };

    struct Options
    {
        Action action = Action::List;
        QStringList paths;                          // import
        QList<qint64> ids;                          // export, show
        VoiceFilter filter;                         // list; export's --search
        QString save;                               // export
        bool force = false;                         // export: replace an existing file
        std::optional<SendCommand::Destination> to; // export
        std::optional<quint8> deviceId;             // export, 0-based
        bool setAside = false;
    };

    // Raises UsageError for arguments this command cannot take.
    static Options parse(const QStringList &words);
    static int run(const Options &options, CommandContext &context);

    // "1\tinternal\tIgneous\t/data/Prog-A-1.syx" (the name without its
    // trailing blanks).
    static QString lineText(const StoredVoice &voice);
    // Where a voice was met, in words: the file's path for a file, else the
    // kind and the slot ("fetched Internal 12", "panel").
    static QString sourceText(const VoiceSource &source, VoiceDump::Form form);
};
