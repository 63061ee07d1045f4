#include "CommandArguments.h"

#include "UsageError.h"

#include <algorithm>

namespace {

const QString OptionPrefix = QStringLiteral("--");

} // namespace

CommandArguments CommandArguments::Parse(const QStringList &words, const QList<Option> &options,
                                         int maxPositionals)
{
    CommandArguments result;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (optionsEnded || !word.startsWith(QLatin1Char('-')) || word == QLatin1String("-")) {
            if (result.positionals.size() >= maxPositionals)
                throw UsageError(QStringLiteral("unexpected argument \"%1\"").arg(word));
            result.positionals << word;
            continue;
        }
        if (word == OptionPrefix) {
            optionsEnded = true;
            continue;
        }
        if (!word.startsWith(OptionPrefix))
            throw UsageError(QStringLiteral("unknown option \"%1\"").arg(word));
        const qsizetype equals = word.indexOf(QLatin1Char('='));
        const QString name =
            word.mid(OptionPrefix.size(), equals < 0 ? -1 : equals - OptionPrefix.size());
        const auto option = std::find_if(options.begin(), options.end(),
                                         [&](const Option &o) { return o.name == name; });
        if (option == options.end())
            throw UsageError(QStringLiteral("unknown option \"--%1\"").arg(name));
        if (result.has(name) && !option->repeats)
            throw UsageError(QStringLiteral("--%1 is given twice").arg(name));
        QString value;
        if (!option->takesValue) {
            if (equals >= 0)
                throw UsageError(QStringLiteral("--%1 takes no value").arg(name));
        } else if (equals >= 0) {
            value = word.mid(equals + 1);
        } else if (i + 1 < words.size()) {
            value = words.at(++i);
        } else {
            throw UsageError(QStringLiteral("--%1 needs a value").arg(name));
        }
        result.m_values.insert(name, value);
        result.m_repeated[name] << value;
    }
    return result;
}

QString CommandArguments::required(const QString &command, const QString &name,
                                   const QString &what) const
{
    const QString given = value(name);
    if (given.isEmpty())
        throw UsageError(QStringLiteral("%1 needs --%2 %3").arg(command, name, what));
    return given;
}

int CommandArguments::number(const QString &name, int min, int max, int fallback) const
{
    return has(name) ? Number(OptionPrefix + name, value(name), min, max) : fallback;
}

int CommandArguments::Number(const QString &what, const QString &text, int min, int max)
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
