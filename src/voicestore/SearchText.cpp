#include "SearchText.h"

QString SearchText::fold(const QString &text)
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

QString SearchText::ofVoice(const QString &name, const QStringList &tags, const QString &note)
{
    QStringList parts{name};
    parts += tags;
    parts << note;
    return fold(parts.join(QLatin1Char('\n')));
}
