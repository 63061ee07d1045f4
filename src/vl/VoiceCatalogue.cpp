#include "VoiceCatalogue.h"

#include "MidiBytes.h"
#include "RegEdit.h"
#include "TVLManager.h"
#include "VoiceNameTables.h"

#include <span>

namespace {

using VoiceNameTables::NameReplacement;

// Patch selects go to the voice's channel.
constexpr quint8 ControlChange = MidiBytes::ControlChange | Vl70Protocol::VoiceChannel;
constexpr quint8 ProgramChange = MidiBytes::ProgramChange | Vl70Protocol::VoiceChannel;

QStringList toList(std::span<const char *const> names)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(names.size()));
    for (const char *name : names)
        list << QString::fromLatin1(name);
    return list;
}

void replaceRows(QStringList &names, std::span<const NameReplacement> rows)
{
    for (const NameReplacement &r : rows)
        names[r.row - 1] = QString::fromLatin1(r.name);
}

} // namespace

int VoiceCatalogue::bankSize(Bank bank)
{
    switch (bank) {
    case Preset1:
    case Preset2:
        return 128;
    case Custom:
        return 6;
    case Internal:
        return 64;
    }
    return 0;
}

QStringList VoiceCatalogue::builtInNames(PromType prom, Bank bank)
{
    using namespace VoiceNameTables;
    const bool turbo = prom == TurboVL;
    QStringList names;
    switch (bank) {
    case Preset1:
        names = toList(turbo ? std::span<const char *const>(TurboPreset1) : YamahaPreset1);
        if (prom == WindList)
            replaceRows(names, WindListPreset1);
        break;
    case Preset2:
        names = toList(turbo ? std::span<const char *const>(TurboPreset2) : YamahaPreset2);
        if (prom == WindList)
            replaceRows(names, WindListPreset2);
        break;
    case Custom:
        names = toList(turbo ? std::span<const char *const>(TurboCustom) : YamahaCustom);
        break;
    case Internal:
        names = toList(turbo ? std::span<const char *const>(TurboInternal) : YamahaInternal);
        break;
    }
    return names;
}

QString VoiceCatalogue::patchEntry(int number, const QString &name)
{
    return QString::number(number) + QStringLiteral(": ") + name;
}

QStringList VoiceCatalogue::patchEntries(const QStringList &names)
{
    QStringList entries;
    entries.reserve(names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        entries << patchEntry(static_cast<int>(i) + 1, names.at(i));
    return entries;
}

std::array<VoiceCatalogue::ShortMessage, 3> VoiceCatalogue::patchSelectMessages(Bank bank,
                                                                                int patchRow)
{
    const auto row = static_cast<quint8>(bank);
    return {{
        {ControlChange, Vl70Protocol::BankSelectMsb,
         static_cast<quint8>(Vl70Protocol::BankMsbBase + row)},
        {ControlChange, Vl70Protocol::BankSelectLsb, row},
        {ProgramChange, static_cast<quint8>(patchRow & MidiBytes::DataMask), 0},
    }};
}

VoiceCatalogue::PromType VoiceCatalogue::storedProm(const RegRoot &settings)
{
    const int stored = ReadRegInteger(settings, RegSettingsRoot + TVLManager::RegKeyName,
                                      PromSettingValue, Yamaha);
    return stored >= Yamaha && stored <= WindList ? PromType(stored) : Yamaha;
}
