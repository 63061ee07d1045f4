#include "SearchText.h"

QString SearchText::Fold(const QString &text)
{
    // Decomposed, an accented letter is its base letter and combining marks.
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            folded += c;
    return folded.toCaseFolded();
}

QString SearchText::OfVoice(const QString &name, const QStringList &tags, const QString &note)
{
    QStringList parts{name};
    parts += tags;
    parts << note;
    return Fold(parts.join(QLatin1Char('\n')));
}
