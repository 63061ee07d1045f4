#include "VoicesCommand.h"

#include "CommandContext.h"
#include "SubcommandWords.h"
#include "TVlLibReader.h"
#include "UsageError.h"
#include "VentaroError.h"
#include "VoiceBank.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

namespace {

// A line of the library's list: the number in three characters, a blank,
// the name.
constexpr int LibraryNameColumn = 4;

QString withoutTrailingBlanks(const QString &name)
{
    qsizetype end = name.size();
    while (end > 0 && name.at(end - 1).isSpace())
        --end;
    return name.left(end);
}

VoicesCommand::Listing readLibrary(const QString &fileName)
{
    TVlLibReader reader;
    if (!reader.OpenLibrary(fileName))
        throw VentaroError(QStringLiteral("This is not a valid voice library\n")
                           + QDir::toNativeSeparators(fileName));
    VoicesCommand::Listing listing;
    for (int i = 0; i < reader.VoiceCount(); ++i) {
        // A library keeps no slot; its voices come as custom voice dumps.
        const std::optional<VoiceDump::Form> form =
            VoiceDump::formOf(reader.GetVoice(i)->readAll());
        if (!form) {
            ++listing.skipped; // cut short by the end of the file
            continue;
        }
        listing.lines.append(
            {*form, 0, withoutTrailingBlanks(reader.VoiceNames().at(i).mid(LibraryNameColumn))});
    }
    return listing;
}

} // namespace

VoicesCommand::Listing VoicesCommand::read(const QString &fileName)
{
    if (QFileInfo(fileName).suffix().toLower() == LibraryExtension)
        return readLibrary(fileName);
    const VoiceBank bank = VoiceBank::read(fileName);
    Listing listing;
    listing.skipped = bank.skipped;
    for (const VoiceBank::Voice &voice : bank.voices)
        listing.lines.append({voice.form, voice.slot, withoutTrailingBlanks(voice.name)});
    return listing;
}

QString VoicesCommand::formText(VoiceDump::Form form)
{
    switch (form) {
    case VoiceDump::Form::Internal:
        return QStringLiteral("internal");
    case VoiceDump::Form::Custom:
        return QStringLiteral("custom");
    case VoiceDump::Form::Full:
        break;
    }
    return QStringLiteral("full");
}

QString VoicesCommand::lineText(int number, const Line &line)
{
    return QStringLiteral("%1\t%2\t%3\t%4")
        .arg(number)
        .arg(formText(line.form), line.slot > 0 ? QString::number(line.slot) : QStringLiteral("-"),
             line.name);
}

QString VoicesCommand::parse(const QStringList &words)
{
    const SubcommandWords arguments = SubcommandWords::read(words, {}, 1);
    if (arguments.positionals().isEmpty())
        throw UsageError(QStringLiteral("voices needs a FILE"));
    return arguments.positionals().first();
}

int VoicesCommand::run(const QString &fileName, CommandContext &context)
{
    const Listing listing = read(fileName);
    for (qsizetype i = 0; i < listing.lines.size(); ++i)
        context.out << lineText(int(i + 1), listing.lines[i]) << '\n';
    context.out.flush();
    // A file of no voice at all is said in one line, the error's.
    if (listing.skipped > 0 && !listing.lines.isEmpty())
        context.say(QStringLiteral("%1 part(s) skipped, no whole voice\n%2")
                        .arg(listing.skipped)
                        .arg(QDir::toNativeSeparators(fileName)));
    if (listing.lines.isEmpty())
        throw VentaroError(QStringLiteral("This is not a valid voice for VL70-m\n")
                           + QDir::toNativeSeparators(fileName));
    return 0;
}
