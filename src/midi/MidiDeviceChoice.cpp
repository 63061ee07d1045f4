#include "MidiDeviceChoice.h"

#include "RegEdit.h"

namespace {

const char *const InValueName = "In";
const char *const OutValueName = "Out";
const char *const MidiSubKey = "\\Midi";
// "NAME (2)": how a later device of the same name is shown.
const char *const OccurrenceFormat = "%1 (%2)";

bool listed(const QStringList &names, const QString &name)
{
    return names.contains(name, Qt::CaseInsensitive);
}

} // namespace

MidiDeviceChoice::MidiDeviceChoice(const MidiPlatform *platform, bool input,
                                   const RegRoot &settings)
    : m_platform(platform), m_input(input), m_settings(settings),
      m_valueName(QLatin1String(input ? InValueName : OutValueName))
{
    Q_ASSERT(platform);
    m_names = list();
}

QStringList MidiDeviceChoice::distinctNames(const QStringList &platformNames)
{
    QStringList names;
    for (int id = 0; id < platformNames.size(); ++id) {
        const QString &name = platformNames[id];
        if (!listed(names, name)) {
            names << name;
            continue;
        }
        // Skips numbers that another device's own name already holds.
        QString numbered;
        for (int occurrence = 2;; ++occurrence) {
            numbered = QString::fromLatin1(OccurrenceFormat).arg(name).arg(occurrence);
            if (!listed(names, numbered) && !listed(platformNames.mid(id + 1), numbered))
                break;
        }
        names << numbered;
    }
    return names;
}

QStringList MidiDeviceChoice::list() const
{
    // The count takes the platform's list anew; the names are read from it.
    QStringList names;
    const int count = m_input ? m_platform->inDeviceCount() : m_platform->outDeviceCount();
    for (int id = 0; id < count; ++id)
        names << (m_input ? m_platform->inDeviceName(id) : m_platform->outDeviceName(id));
    return distinctNames(names);
}

void MidiDeviceChoice::refresh()
{
    m_names = list();
    m_id = indexOf(m_name);
}

bool MidiDeviceChoice::refreshChosen()
{
    if (m_name.isEmpty())
        return true;
    refresh();
    return !isAbsent();
}

QString MidiDeviceChoice::settingsPath() const
{
    return RegSettingsRoot + m_regKeyName + QLatin1String(MidiSubKey);
}

int MidiDeviceChoice::indexOf(const QString &name) const
{
    if (name.isEmpty())
        return -1;
    for (int i = 0; i < m_names.size(); ++i)
        if (m_names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void MidiDeviceChoice::restore()
{
    if (m_regKeyName.isEmpty())
        return;
    const QString saved = ReadRegString(m_settings, settingsPath(), m_valueName, QString());
    m_id = indexOf(saved);
    // A name not listed now stays chosen: the device is opened once it is back.
    m_name = saved;
}

void MidiDeviceChoice::choose(int id)
{
    Q_ASSERT(isValidId(id));
    m_id = id;
    m_name = id >= 0 ? m_names[id] : QString();
    // A port without a key name neither restores nor remembers its choice.
    if (m_id >= 0 && !m_regKeyName.isEmpty())
        WriteRegString(m_settings, settingsPath(), m_valueName, m_name);
}
