#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// The words after a subcommand, read by QCommandLineParser: options
// ("--name VALUE", "--name=VALUE" or a flag "--name") and the rest in
// order. "--" ends the options, so a file whose name begins with "-" can
// still be named. Anything the subcommand does not take raises UsageError
// with a text saying what, in the command line's words, not the toolkit's.
class SubcommandWords
{
public:
    struct Option
    {
        QString name; // without the leading "--"
        bool takesValue = true;
        bool repeats = false; // may be given more than once
    };

    // Raises UsageError for the first wrong word: an unknown option (any
    // word of one dash but "-"), an option without its value, a flag given
    // a value, an option given twice, or more than `maxPositionals` other
    // words.
    static SubcommandWords read(const QStringList &words, const QList<Option> &options,
                                int maxPositionals);

    const QStringList &positionals() const { return m_positionals; }
    bool has(const QString &name) const { return m_values.contains(name); }
    QString value(const QString &name) const;
    // Every value of an option that repeats, in the order given.
    QStringList values(const QString &name) const { return m_values.value(name); }

    // The option's value; UsageError "<command> needs --<name> <what>" when
    // it is missing or empty.
    QString required(const QString &command, const QString &name, const QString &what) const;
    // The option's value as a whole number in min..max, `fallback` when the
    // option is not given; anything else raises UsageError naming the range.
    int number(const QString &name, int min, int max, int fallback) const;
    // `text` as a whole number in min..max (digits only); anything else
    // raises UsageError saying that `what` must be one.
    static int wholeNumber(const QString &what, const QString &text, int min, int max);

private:
    QStringList m_positionals;
    QMap<QString, QStringList> m_values; // a flag given: no value
};
