#include "OutputFile.h"

#include "VentaroError.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

void OutputFile::checkWritable(const QString &fileName, bool replace)
{
    if (!replace && QFileInfo::exists(fileName))
        throw VentaroError(QStringLiteral("%1 already exists (add --%2 to replace it)")
                               .arg(QDir::toNativeSeparators(fileName), ForceOption));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw VentaroError(QStringLiteral("Cannot create file \"%1\": %2")
                               .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    file.cancelWriting();
}

QString OutputFile::VoiceCount(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 voice") : QStringLiteral("%1 voices").arg(count);
}
