#include "VoiceImporter.h"

#include "DumpFile.h"
#include "TVlLibReader.h"
#include "VentaroError.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString LibraryExtension = QStringLiteral("lib");

bool isVoiceFile(const QFileInfo &info)
{
    const QString suffix = info.suffix().toLower();
    return suffix == DumpFile::Extension || suffix == LibraryExtension;
}

QList<VoiceStore::Met> readLibrary(const QString &fileName)
{
    TVlLibReader reader;
    if (!reader.OpenLibrary(fileName))
        throw VentaroError(QStringLiteral("This is not a valid voice library."));
    QList<VoiceStore::Met> voices;
    for (int i = 0; i < reader.VoiceCount(); ++i) {
        const VoiceBank bank = VoiceBank::parse(reader.GetVoice(i)->readAll());
        if (bank.voices.size() != 1)
            continue; // cut short by the end of the file
        VoiceSource source;
        source.file = fileName;
        source.position = i + 1;
        // A library keeps no slot: its voices come addressed to Custom 1.
        voices.append({bank.voices.first(), source});
    }
    return voices;
}

} // namespace

QString VoiceImporter::Summary::text() const
{
    return QStringLiteral("%1 new, %2 known, %3 refused").arg(added).arg(known).arg(refused.size());
}

VoiceImporter::VoiceImporter(VoiceStore &store) : m_store(store) {}

QStringList VoiceImporter::filesIn(const QStringList &paths)
{
    QStringList files;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            files << info.absoluteFilePath();
            continue;
        }
        QStringList found;
        QDirIterator it(info.absoluteFilePath(), QDir::Files | QDir::Readable | QDir::Hidden,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext()) {
            it.next();
            if (isVoiceFile(it.fileInfo()))
                found << it.fileInfo().absoluteFilePath();
        }
        std::sort(found.begin(), found.end());
        files += found;
    }
    return files;
}

QList<VoiceStore::Met> VoiceImporter::read(const QString &fileName)
{
    QList<VoiceStore::Met> voices;
    if (QFileInfo(fileName).suffix().toLower() == LibraryExtension) {
        voices = readLibrary(fileName);
    } else {
        const VoiceBank bank = VoiceBank::read(fileName);
        for (qsizetype i = 0; i < bank.voices.size(); ++i) {
            VoiceSource source;
            source.file = fileName;
            source.position = int(i + 1);
            source.slot = bank.voices[i].slot;
            voices.append({bank.voices[i], source});
        }
    }
    if (voices.isEmpty())
        throw VentaroError(QStringLiteral("This is not a valid voice for VL70-m."));
    return voices;
}

VoiceImporter::Summary VoiceImporter::import(const QStringList &paths, const ProgressCall &progress)
{
    Summary summary;
    const QStringList files = filesIn(paths);
    summary.files = int(files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString &file = files[i];
        QList<VoiceStore::Met> voices;
        try {
            voices = read(file);
        } catch (const VentaroError &error) {
            summary.refused.append({file, error.text()});
        }
        if (!voices.isEmpty()) {
            const VoiceStore::Counts counts = m_store.record(voices);
            summary.added += counts.added;
            summary.known += counts.known;
        }
        if (progress && !progress({int(i + 1), summary.files, file})) {
            summary.stopped = i + 1 < files.size();
            break;
        }
    }
    return summary;
}
