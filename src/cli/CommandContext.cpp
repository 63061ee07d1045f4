#include "CommandContext.h"

#include <QStringList>

void CommandContext::say(const QString &text) const
{
    err << QStringLiteral("ventaro: ") << oneLine(text) << '\n';
    err.flush();
}

void CommandContext::progress(const QString &text) const
{
    if (!errIsTerminal)
        return;
    err << "\r\033[K" << text;
    err.flush();
}

QString CommandContext::oneLine(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return QString();
    QString first = lines.takeFirst();
    if (lines.isEmpty())
        return first;
    if (first.endsWith(QLatin1Char('.')))
        first.chop(1);
    return first + QStringLiteral(": ") + lines.join(QStringLiteral(", "));
}
