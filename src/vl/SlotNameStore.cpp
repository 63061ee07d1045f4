#include "SlotNameStore.h"

#include "VentaroError.h"
#include "VoiceDump.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStandardPaths>
#include <QCoreApplication>

namespace {

const QString CustomFile = QStringLiteral("custom.txt");
const QString InternalFile = QStringLiteral("internal.txt");
const QByteArray LineEnd = QByteArrayLiteral("\r\n");
constexpr char CarriageReturn = '\r';
constexpr char LineFeed = '\n';
constexpr char Blank = ' ';
constexpr char Unmappable = '?';

// The byte of each character that voice-name bytes decode to, so that a name
// is written back with the bytes it was read from.
const QHash<char16_t, char> &nameBytes()
{
    static const QHash<char16_t, char> table = [] {
        QHash<char16_t, char> bytes;
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            bytes.insert(VoiceDump::textFromBytes(QByteArrayView(&byte, 1)).at(0).unicode(), byte);
        }
        return bytes;
    }();
    return table;
}

QByteArray toNameBytes(const QString &text)
{
    const QHash<char16_t, char> &table = nameBytes();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text)
        bytes += table.value(c.unicode(), Unmappable);
    return bytes;
}

// Installing puts the program in <prefix>/bin and its menu entry in
// <prefix>/share/applications; a portable copy or a build tree has no such
// entry beside it.
const QString InstalledDesktopEntry = QStringLiteral("../share/applications/ventaro.desktop");

} // namespace

SlotNameStore::SlotNameStore(QString folder) : m_folder(std::move(folder)) {}

bool SlotNameStore::isInstalled(const QString &programFolder)
{
    return QFileInfo::exists(QDir(programFolder).filePath(InstalledDesktopEntry));
}

QString SlotNameStore::chooseFolder(const QString &programFolder, const QString &userDataFolder)
{
    const QFileInfo program(programFolder);
    if (program.isDir() && program.isWritable() && !isInstalled(programFolder))
        return programFolder;
    QDir().mkpath(userDataFolder);
    return userDataFolder;
}

QString SlotNameStore::fileName(VoiceCatalogue::Bank bank, int deviceNumber)
{
    const QString &base = bank == VoiceCatalogue::Custom ? CustomFile : InternalFile;
    if (deviceNumber >= 2)
        return QString::number(deviceNumber) + base;
    return base;
}

QString SlotNameStore::filePath(VoiceCatalogue::Bank bank, int deviceNumber) const
{
    return QDir(m_folder).filePath(fileName(bank, deviceNumber));
}

std::optional<QStringList> SlotNameStore::load(VoiceCatalogue::Bank bank, int deviceNumber) const
{
    const QString path = filePath(bank, deviceNumber);
    if (!QFileInfo::exists(path))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw VentaroError(QStringLiteral("Cannot open file \"%1\". %2")
                               .arg(QDir::toNativeSeparators(path), file.errorString()));
    // One byte past the bound tells a file that is too large, without
    // reading all of it.
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw VentaroError(QStringLiteral("Cannot read file \"%1\". %2")
                               .arg(QDir::toNativeSeparators(path), file.errorString()));
    if (bytes.size() > MaxFileBytes)
        return std::nullopt;
    QStringList names = VoiceDump::linesFromBytes(bytes);
    if (names.size() != VoiceCatalogue::bankSize(bank))
        return std::nullopt;
    return names;
}

void SlotNameStore::save(VoiceCatalogue::Bank bank, int deviceNumber,
                         const QStringList &names) const
{
    const QString path = filePath(bank, deviceNumber);
    QSaveFile file(path);
    const QByteArray bytes = joinLines(names);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw VentaroError(QStringLiteral("Cannot create file \"%1\". %2")
                               .arg(QDir::toNativeSeparators(path), reason));
    }
}

QByteArray SlotNameStore::joinLines(const QStringList &names)
{
    QByteArray bytes;
    for (const QString &name : names) {
        QByteArray line = toNameBytes(name);
        for (char &c : line) {
            if (c == CarriageReturn || c == LineFeed || c == '\0')
                c = Blank;
        }
        bytes += line;
        bytes += LineEnd;
    }
    return bytes;
}

QString SlotNameStore::programFolder()
{
    if (const QString named = qEnvironmentVariable(FolderVariable); !named.isEmpty()) {
        QDir().mkpath(named);
        return named;
    }
    return chooseFolder(QCoreApplication::applicationDirPath(),
                        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

void SlotNameStore::rename(VoiceCatalogue::Bank bank, int deviceNumber,
                           const QList<std::pair<int, QString>> &renamed,
                           VoiceCatalogue::PromType prom) const
{
    QStringList rows = load(bank, deviceNumber)
                           .value_or(VoiceCatalogue::patchEntries(
                               VoiceCatalogue::builtInNames(prom, bank)));
    for (const auto &[slot, name] : renamed)
        if (slot >= 1 && slot <= rows.size())
            rows[slot - 1] = VoiceCatalogue::patchEntry(slot, name);
    save(bank, deviceNumber, rows);
}
