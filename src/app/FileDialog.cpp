#include "FileDialog.h"

#include "Prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace {

const QString QtFilterSeparator = QStringLiteral(";;");
const QString AnyFile = QStringLiteral("*");

// The patterns of one filter entry, blank-separated as Qt wants them.
QString patternList(const QString &patterns)
{
    QStringList list;
    for (const QString &pattern : patterns.split(FileDialog::PatternSeparator)) {
        const QString trimmed = pattern.trimmed();
        if (!trimmed.isEmpty())
            list << trimmed;
    }
    return list.isEmpty() ? AnyFile : list.join(QLatin1Char(' '));
}

// Whether `description` ends with exactly these patterns in parentheses.
bool showsPatterns(const QString &description, const QString &patterns)
{
    if (!description.endsWith(QLatin1Char(')')))
        return false;
    const qsizetype open = description.lastIndexOf(QLatin1Char('('));
    if (open < 0)
        return false;
    const QString shown = description.mid(open + 1, description.size() - open - 2);
    return patternList(shown) == patterns;
}

} // namespace

FileDialog::FileDialog(Kind kind, const QString &title, const QString &filter,
                       const QString &defaultExt, QObject *owner)
    : QObject(owner), m_kind(kind), m_title(title), m_filter(filter), m_defaultExt(defaultExt)
{
}

QString FileDialog::execute(Prompts &prompts, QWidget *parent, const QString &proposed) const
{
    const QString filter = qtFilter(m_filter);
    if (m_kind == Kind::Open)
        return prompts.openFileName(parent, m_title, QString(), filter);

    QString offer = proposed;
    for (;;) {
        const QString chosen = prompts.saveFileName(parent, m_title, offer, filter);
        if (chosen.isEmpty())
            return chosen;
        const QString named = withDefaultExt(chosen, m_defaultExt);
        // The dialog asked about the name typed; a name it never saw must
        // not replace a file unasked.
        if (named == chosen || !QFileInfo::exists(named))
            return named;
        const QString question = QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                     .arg(QDir::toNativeSeparators(named));
        if (prompts.message(parent, QMessageBox::Warning, m_title, question,
                            QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes)
            return named;
        offer = named;
    }
}

QString FileDialog::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(FilterSeparator);
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        const bool hasPattern = i + 1 < parts.size();
        if (description.isEmpty() && !hasPattern)
            continue; // a trailing separator
        const QString patterns = patternList(hasPattern ? parts.at(i + 1) : QString());
        if (description.isEmpty())
            entries << QStringLiteral("(%1)").arg(patterns);
        else if (showsPatterns(description, patterns))
            entries << description;
        else
            entries << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return entries.join(QtFilterSeparator);
}

QString FileDialog::withDefaultExt(const QString &fileName, const QString &extension)
{
    if (fileName.isEmpty() || extension.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    // "name." ends in an empty extension: complete it rather than doubling the dot.
    if (fileName.endsWith(QLatin1Char('.')))
        return fileName + extension;
    return fileName + QLatin1Char('.') + extension;
}
