#include "LibraryCommand.h"

#include "BankExport.h"
#include "CommandContext.h"
#include "DeviceNumberOption.h"
#include "DumpFile.h"
#include "SubcommandWords.h"
#include "UnreadableLibraryError.h"
#include "UsageError.h"
#include "VoiceImporter.h"
#include "VoiceStore.h"
#include "VoicesCommand.h"

#include <QDir>
#include <QFileInfo>

#include <limits>
#include <memory>

namespace {

const QString ImportAction = QStringLiteral("import");
const QString ListAction = QStringLiteral("list");
const QString ExportAction = QStringLiteral("export");
const QString ShowAction = QStringLiteral("show");

const QString SearchOption = QStringLiteral("search");
const QString FormOption = QStringLiteral("form");
const QString TagOption = QStringLiteral("tag");
const QString FavouriteOption = QStringLiteral("favourite");
const QString SourceOption = QStringLiteral("source");
const QString SaveOption = QStringLiteral("save");
const QString ForceOption = QStringLiteral("force");
const QString ToOption = QStringLiteral("to");
const QString SetAsideOption = QStringLiteral("set-aside");

constexpr int ManyPositionals = std::numeric_limits<int>::max();
const QString NoValue = QStringLiteral("-");

qint64 parseId(const QString &text)
{
    return SubcommandWords::wholeNumber(QStringLiteral("a voice ID"), text, 1,
                                        std::numeric_limits<int>::max());
}

VoiceDump::Form parseForm(const QString &text)
{
    for (const VoiceDump::Form form :
         {VoiceDump::Form::Internal, VoiceDump::Form::Custom, VoiceDump::Form::Full})
        if (text == VoicesCommand::formText(form))
            return form;
    throw UsageError(
        QStringLiteral("--form must be internal, custom or full, not \"%1\"").arg(text));
}

std::unique_ptr<VoiceStore> openStore(const LibraryCommand::Options &options,
                                      CommandContext &context)
{
    const QString fileName = VoiceStore::defaultPath();
    try {
        return std::make_unique<VoiceStore>(fileName);
    } catch (const UnreadableLibraryError &error) {
        if (!options.setAside)
            throw VentaroError(error.text()
                               + QStringLiteral("\n--set-aside renames it aside and starts a "
                                                "new library"));
    }
    const QString aside = VoiceStore::setAside(fileName);
    context.say(QStringLiteral("The voice library was set aside as \"%1\"; a new library is "
                               "started.")
                    .arg(QDir::toNativeSeparators(aside)));
    return std::make_unique<VoiceStore>(fileName);
}

StoredVoice keptVoice(const VoiceStore &store, qint64 id)
{
    const std::optional<StoredVoice> voice = store.voice(id);
    if (!voice)
        throw VentaroError(QStringLiteral("There is no voice %1 in the library.").arg(id));
    return *voice;
}

QString oneLine(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}

int runImport(const LibraryCommand::Options &options, VoiceStore &store, CommandContext &context)
{
    VoiceImporter importer(store);
    const VoiceImporter::Summary summary =
        importer.import(options.paths, [&](const VoiceImporter::Progress &progress) {
            context.progress(QStringLiteral("File %1 of %2: %3")
                                 .arg(progress.done)
                                 .arg(progress.total)
                                 .arg(QFileInfo(progress.file).fileName()));
            return true;
        });
    context.progress(QString());
    for (const VoiceImporter::Refusal &refusal : summary.refused)
        context.out << QStringLiteral("refused\t%1\t%2\n")
                           .arg(QDir::toNativeSeparators(refusal.file),
                                CommandContext::oneLine(refusal.reason));
    context.out << summary.text() << '\n';
    context.out.flush();
    // Refused files stop nothing; only an import where nothing was taken fails.
    const bool nothingTaken = summary.added + summary.known == 0 && !summary.refused.isEmpty();
    return nothingTaken ? 1 : 0;
}

int runList(const LibraryCommand::Options &options, VoiceStore &store, CommandContext &context)
{
    for (const StoredVoice &voice : store.list(options.filter))
        context.out << LibraryCommand::lineText(voice) << '\n';
    context.out.flush();
    return 0;
}

int runExport(const LibraryCommand::Options &options, VoiceStore &store, CommandContext &context)
{
    QList<StoredVoice> voices;
    QList<qint64> ids = options.ids;
    if (!options.filter.search.isEmpty())
        for (const StoredVoice &found : store.list(options.filter))
            if (!ids.contains(found.id))
                ids << found.id;
    for (const qint64 id : ids)
        voices << keptVoice(store, id);
    if (voices.isEmpty())
        throw VentaroError(
            QStringLiteral("No voice of the library matches \"%1\".").arg(options.filter.search));
    if (!options.force && QFileInfo::exists(options.save))
        throw VentaroError(QStringLiteral("The file \"%1\" exists; --force replaces it.")
                               .arg(QDir::toNativeSeparators(options.save)));

    QByteArray bytes;
    if (options.to || options.deviceId) {
        BankSendPlan::Options where;
        if (options.to) {
            where.order = BankSendPlan::Order::Consecutive;
            where.consecutiveTo = options.to->to;
            where.firstSlot = options.to->slot;
        } else {
            where.fullVoicesTo = VoiceDump::Form::Full;
        }
        bytes = BankExport::bytes(voices, where, options.deviceId.value_or(0));
    } else {
        bytes = BankExport::bytes(voices);
    }
    DumpFile::write(options.save, bytes);
    for (const StoredVoice &voice : voices)
        context.out << LibraryCommand::lineText(voice) << '\n';
    context.out.flush();
    return 0;
}

int runShow(const LibraryCommand::Options &options, VoiceStore &store, CommandContext &context)
{
    const StoredVoice voice = keptVoice(store, options.ids.first());
    const auto field = [&](const char *name, const QString &value) {
        context.out << name << '\t' << oneLine(value) << '\n';
    };
    const auto time = [](const QDateTime &when) { return when.toString(Qt::ISODate); };
    field("id", QString::number(voice.id));
    field("name", voice.name.trimmed());
    field("form", VoicesCommand::formText(voice.form));
    field("favourite", voice.favourite ? QStringLiteral("yes") : QStringLiteral("no"));
    field("tags", voice.tags.join(QStringLiteral(", ")));
    field("note", voice.note);
    field("first met", time(voice.firstMet));
    field("last met", time(voice.lastMet));
    // A source: kind, file, position, device number 1..16, slot, when.
    for (const VoiceSource &source : voice.sources)
        context.out << QStringLiteral("source\t%1\t%2\t%3\t%4\t%5\t%6\n")
                           .arg(VoiceSource::kindText(source.kind),
                                source.file.isEmpty() ? NoValue
                                                      : QDir::toNativeSeparators(source.file),
                                source.position > 0 ? QString::number(source.position) : NoValue,
                                QString::number(source.device + DeviceNumberOption::Lowest),
                                source.slot > 0 ? BankSendPlan::placeText(voice.form, source.slot)
                                                : NoValue,
                                time(source.when));
    context.out.flush();
    return 0;
}

} // namespace

LibraryCommand::Options LibraryCommand::parse(const QStringList &words)
{
    Options options;
    const QString action = words.value(0);
    const QStringList rest = words.mid(1);
    const SubcommandWords::Option setAside{SetAsideOption, false};
    if (action == ImportAction) {
        const SubcommandWords arguments = SubcommandWords::read(rest, {setAside}, ManyPositionals);
        if (arguments.positionals().isEmpty())
            throw UsageError(QStringLiteral("library import needs a PATH"));
        options.action = Action::Import;
        options.paths = arguments.positionals();
        options.setAside = arguments.has(SetAsideOption);
    } else if (action == ListAction) {
        const SubcommandWords arguments = SubcommandWords::read(rest,
                                                                {{SearchOption, true},
                                                                 {FormOption, true},
                                                                 {TagOption, true},
                                                                 {FavouriteOption, false},
                                                                 {SourceOption, true},
                                                                 setAside},
                                                                0);
        options.action = Action::List;
        options.filter.search = arguments.value(SearchOption);
        if (arguments.has(FormOption))
            options.filter.form = parseForm(arguments.value(FormOption));
        options.filter.tag = arguments.value(TagOption);
        options.filter.favouritesOnly = arguments.has(FavouriteOption);
        if (arguments.has(SourceOption)) {
            options.filter.sourceKind = VoiceSource::kindFromText(arguments.value(SourceOption));
            if (!options.filter.sourceKind)
                throw UsageError(QStringLiteral("--source must be file, panel, fetched, backup, "
                                                "sent or held, not \"%1\"")
                                     .arg(arguments.value(SourceOption)));
        }
        options.setAside = arguments.has(SetAsideOption);
    } else if (action == ExportAction) {
        const SubcommandWords arguments =
            SubcommandWords::read(rest,
                                  {{SaveOption, true},
                                   {SearchOption, true},
                                   {ForceOption, false},
                                   {ToOption, true},
                                   {DeviceNumberOption::Name, true},
                                   setAside},
                                  ManyPositionals);
        options.action = Action::Export;
        for (const QString &word : arguments.positionals())
            options.ids << parseId(word);
        options.filter.search = arguments.value(SearchOption);
        if (options.ids.isEmpty() && options.filter.search.isEmpty())
            throw UsageError(QStringLiteral("library export needs an ID or --search TEXT"));
        options.save = arguments.required(QStringLiteral("library export"), SaveOption,
                                          QStringLiteral("FILE"));
        options.force = arguments.has(ForceOption);
        if (arguments.has(ToOption)) {
            options.to = SendCommand::parseDestination(arguments.value(ToOption));
            if (options.to->to == VoiceDump::Form::Full)
                throw UsageError(QStringLiteral("--to must be custom:S or internal:S for a bank"));
        }
        options.deviceId = DeviceNumberOption::parse(arguments);
        options.setAside = arguments.has(SetAsideOption);
    } else if (action == ShowAction) {
        const SubcommandWords arguments = SubcommandWords::read(rest, {setAside}, 1);
        if (arguments.positionals().isEmpty())
            throw UsageError(QStringLiteral("library show needs an ID"));
        options.action = Action::Show;
        options.ids << parseId(arguments.positionals().first());
        options.setAside = arguments.has(SetAsideOption);
    } else if (action.isEmpty()) {
        throw UsageError(QStringLiteral("library needs import, list, export or show"));
    } else {
        throw UsageError(QStringLiteral("unknown library command \"%1\"").arg(action));
    }
    return options;
}

int LibraryCommand::run(const Options &options, CommandContext &context)
{
    const std::unique_ptr<VoiceStore> store = openStore(options, context);
    switch (options.action) {
    case Action::Import:
        return runImport(options, *store, context);
    case Action::List:
        return runList(options, *store, context);
    case Action::Export:
        return runExport(options, *store, context);
    case Action::Show:
        break;
    }
    return runShow(options, *store, context);
}

QString LibraryCommand::sourceText(const VoiceSource &source, VoiceDump::Form form)
{
    if (source.kind == VoiceSource::Kind::File)
        return QDir::toNativeSeparators(source.file);
    QString text = VoiceSource::kindText(source.kind);
    if (source.slot > 0)
        text += QLatin1Char(' ') + BankSendPlan::placeText(form, source.slot);
    return text;
}

QString LibraryCommand::lineText(const StoredVoice &voice)
{
    QString name = voice.name;
    while (name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    return QStringLiteral("%1\t%2\t%3\t%4")
        .arg(voice.id)
        .arg(VoicesCommand::formText(voice.form), oneLine(name),
             voice.sources.isEmpty() ? NoValue : sourceText(voice.sources.first(), voice.form));
}
