#include "RegEdit.h"

#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <limits>
#include <optional>

namespace {

// The settings key of a value, or nothing when the name cannot be one.
std::optional<QString> settingsKey(const QString &path, const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return std::nullopt;
    QString group = path;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = group.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return name;
    return parts.join(QLatin1Char('/')) + QLatin1Char('/') + name;
}

// Far above the few values the program keeps.
constexpr qint64 MaxSettingsFileBytes = 1024 * 1024;

// What Qt's INI reader reports as a format error, judged on the whole text:
// Qt tells it only to the first reader of a file in a process, and only for
// the groups that reader reached, so its status cannot decide.
bool iniFormatError(const QByteArray &text)
{
    QByteArray logical;
    const QList<QByteArray> lines = QByteArray(text).replace('\r', '\n').split('\n');
    for (const QByteArray &physical : lines) {
        logical += physical;
        // A line ending in a backslash goes on in the next one.
        if (logical.endsWith('\\')) {
            logical.chop(1);
            continue;
        }
        const QByteArray line = logical.trimmed();
        logical.clear();
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[') ? !line.contains(']') : !line.contains('='))
            return true;
    }
    return false;
}

bool writeValue(const RegRoot &root, const QString &path, const QString &name,
                const QVariant &value)
{
    const std::optional<QString> key = settingsKey(path, name);
    if (!key || regFileUnreadable(root))
        return false;
    std::unique_ptr<QSettings> settings = root.openSettings();
    if (!settings->isWritable())
        return false;
    settings->setValue(*key, value);
    settings->sync();
    return settings->status() == QSettings::NoError;
}

QVariant readValue(const RegRoot &root, const QString &path, const QString &name)
{
    const std::optional<QString> key = settingsKey(path, name);
    if (!key || regFileUnreadable(root))
        return QVariant();
    std::unique_ptr<QSettings> settings = root.openSettings();
    if (settings->status() != QSettings::NoError)
        return QVariant();
    return settings->value(*key);
}

// 32 bits, read as a signed number: what 4 stored bytes can hold.
std::optional<qint32> fitIn32Bits(qint64 number)
{
    if (number < std::numeric_limits<qint32>::min()
        || number > qint64(std::numeric_limits<quint32>::max()))
        return std::nullopt;
    return static_cast<qint32>(static_cast<quint32>(number));
}

} // namespace

bool regFileUnreadable(const RegRoot &root)
{
    const QString fileName = root.settingsFileName();
    if (fileName.isEmpty())
        return false; // the registry: nothing to parse
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false; // none yet, or not ours to read: QSettings says so itself
    const QByteArray text = file.read(MaxSettingsFileBytes + 1);
    return text.size() > MaxSettingsFileBytes || iniFormatError(text);
}

bool WriteRegString(const RegRoot &root, const QString &path, const QString &name,
                    const QString &value)
{
    return writeValue(root, path, name, value);
}

QString ReadRegString(const RegRoot &root, const QString &path, const QString &name,
                      const QString &defaultValue)
{
    const QVariant value = readValue(root, path, name);
    if (!value.isValid())
        return defaultValue;
    // A hand-written INI line with unquoted commas reads as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1String(", "));
    if (value.canConvert<QString>())
        return value.toString();
    return defaultValue;
}

bool WriteRegInteger(const RegRoot &root, const QString &path, const QString &name, qint32 value)
{
    return writeValue(root, path, name, value);
}

qint32 ReadRegInteger(const RegRoot &root, const QString &path, const QString &name,
                      qint32 defaultValue)
{
    const QVariant value = readValue(root, path, name);
    std::optional<qint32> number;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
        number = fitIn32Bits(value.toLongLong());
        break;
    case QMetaType::ULongLong: {
        const qulonglong n = value.toULongLong();
        if (n <= std::numeric_limits<quint32>::max())
            number = fitIn32Bits(qint64(n));
        break;
    }
    case QMetaType::QString: {
        bool ok = false;
        const qint64 n = value.toString().toLongLong(&ok, 10);
        if (ok)
            number = fitIn32Bits(n);
        break;
    }
    default:
        break;
    }
    return number.value_or(defaultValue);
}
