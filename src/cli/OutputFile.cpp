#include "OutputFile.h"

#include "VentaroError.h"

#include <QDir>
#include <QSaveFile>

void OutputFile::CheckWritable(const QString &fileName)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw VentaroError(QStringLiteral("Cannot create file \"%1\": %2")
                               .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    file.cancelWriting();
}
