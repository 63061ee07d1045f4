#include "MidiDeviceChoice.h"

#include "RegEdit.h"

namespace {

const char *const InValueName = "In";
const char *const OutValueName = "Out";
const char *const MidiSubKey = "\\Midi";

} // namespace

MidiDeviceChoice::MidiDeviceChoice(const MidiPlatform *platform, bool input,
                                   const RegRoot &settings)
    : m_settings(settings), m_valueName(QLatin1String(input ? InValueName : OutValueName))
{
    Q_ASSERT(platform);
    const int count = input ? platform->inDeviceCount() : platform->outDeviceCount();
    for (int id = 0; id < count; ++id)
        m_names << (input ? platform->inDeviceName(id) : platform->outDeviceName(id));
}

QString MidiDeviceChoice::SettingsPath() const
{
    return RegSettingsRoot + m_regKeyName + QLatin1String(MidiSubKey);
}

int MidiDeviceChoice::IndexOf(const QString &name) const
{
    if (name.isEmpty())
        return -1;
    for (int i = 0; i < m_names.size(); ++i)
        if (m_names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void MidiDeviceChoice::Restore()
{
    if (m_regKeyName.isEmpty())
        return;
    const QString saved = ReadRegString(m_settings, SettingsPath(), m_valueName, QString());
    m_id = IndexOf(saved);
    if (m_id >= 0)
        m_name = saved;
}

void MidiDeviceChoice::Choose(int id)
{
    Q_ASSERT(IsValidID(id));
    m_id = id;
    m_name = id >= 0 ? m_names[id] : QString();
    // A port without a key name neither restores nor remembers its choice.
    if (m_id >= 0 && !m_regKeyName.isEmpty())
        WriteRegString(m_settings, SettingsPath(), m_valueName, m_name);
}
