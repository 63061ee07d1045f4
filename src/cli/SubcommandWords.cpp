#include "SubcommandWords.h"

#include "UsageError.h"

#include <QCommandLineParser>

#include <algorithm>

namespace {

const QString OptionPrefix = QStringLiteral("--");
const QString ValueName = QStringLiteral("VALUE");

// What is wrong with `words` as `parser` read them, told of their last word:
// empty when nothing is. An option still waiting for its value is wrong
// only at the end of the `whole` list.
QString problem(QCommandLineParser &parser, const QStringList &words,
                const QList<SubcommandWords::Option> &options, int maxPositionals, bool whole)
{
    // The first word is taken for the program's name.
    const bool parsed = parser.parse(QStringList{QString()} + words);
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        // A word of one dash is refused whole: none of our options has one letter.
        const QString &word = words.last();
        return QStringLiteral("unknown option \"%1\"")
            .arg(word.startsWith(OptionPrefix) ? OptionPrefix + unknown.first() : word);
    }
    const QStringList found = parser.optionNames();
    for (const SubcommandWords::Option &option : options)
        if (!option.repeats && found.count(option.name) > 1)
            return QStringLiteral("--%1 is given twice").arg(option.name);
    if (!parsed) {
        const auto option = std::find_if(options.begin(), options.end(),
                                         [&](const auto &o) { return o.name == found.last(); });
        if (!option->takesValue)
            return QStringLiteral("--%1 takes no value").arg(option->name);
        return whole ? QStringLiteral("--%1 needs a value").arg(option->name) : QString();
    }
    const QStringList positionals = parser.positionalArguments();
    if (positionals.size() > maxPositionals)
        return QStringLiteral("unexpected argument \"%1\"").arg(positionals.at(maxPositionals));
    return QString();
}

} // namespace

SubcommandWords SubcommandWords::read(const QStringList &words, const QList<Option> &options,
                                      int maxPositionals)
{
    QCommandLineParser parser;
    // Every letter after one dash an option of its own: none is ours, so
    // "-in" is not taken for "--in".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    for (const Option &option : options)
        parser.addOption(option.takesValue ? QCommandLineOption(option.name, QString(), ValueName)
                                           : QCommandLineOption(option.name));
    QString wrong = problem(parser, words, options, maxPositionals, true);
    if (!wrong.isEmpty()) {
        // The parser reads on past a wrong word and keeps its last
        // complaint; the user is told of the first.
        for (qsizetype count = 1; count < words.size(); ++count) {
            const QString earlier =
                problem(parser, words.first(count), options, maxPositionals, false);
            if (!earlier.isEmpty()) {
                wrong = earlier;
                break;
            }
        }
        throw UsageError(wrong);
    }
    SubcommandWords result;
    result.m_positionals = parser.positionalArguments();
    for (const Option &option : options)
        if (parser.isSet(option.name))
            result.m_values.insert(option.name, parser.values(option.name));
    return result;
}

QString SubcommandWords::value(const QString &name) const
{
    const QStringList given = values(name);
    return given.isEmpty() ? QString() : given.last();
}

QString SubcommandWords::required(const QString &command, const QString &name,
                                  const QString &what) const
{
    const QString given = value(name);
    if (given.isEmpty())
        throw UsageError(QStringLiteral("%1 needs --%2 %3").arg(command, name, what));
    return given;
}

int SubcommandWords::number(const QString &name, int min, int max, int fallback) const
{
    return has(name) ? wholeNumber(OptionPrefix + name, value(name), min, max) : fallback;
}

int SubcommandWords::wholeNumber(const QString &what, const QString &text, int min, int max)
{
    // Digits only: no sign, blank or hexadecimal slips in through toLongLong.
    const bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    bool ok = false;
    const qlonglong number = digits ? text.toLongLong(&ok) : 0;
    if (!ok || number < min || number > max)
        throw UsageError(QStringLiteral("%1 must be a whole number from %2 to %3, not \"%4\"")
                             .arg(what)
                             .arg(min)
                             .arg(max)
                             .arg(text),
                         UsageError::Kind::Value);
    return int(number);
}
