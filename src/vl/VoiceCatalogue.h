#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "RegRoot.h"
#include "Vl70Protocol.h"

#include <array>

// What the patch list shows and what selecting a patch sends: PROM types,
// banks, the built-in voice names and the bank select / program change
// messages. Rows of the PROM and bank lists are the enum values.
class VoiceCatalogue
{
public:
    enum PromType { Yamaha = 0, TurboVL = 1, WindList = 2 };
    enum Bank { Preset1 = 0, Preset2 = 1, Custom = 2, Internal = 3 };

    static constexpr int PromTypeCount = 3;
    static constexpr int BankCount = Vl70Protocol::BankCount;

    // One channel message as handed to the device manager.
    struct ShortMessage
    {
        quint8 status;
        quint8 data1;
        quint8 data2;
        friend bool operator==(const ShortMessage &, const ShortMessage &) = default;
    };

    // Number of patches of a bank: 128, 128, 6, 64.
    static int bankSize(Bank bank);

    // The factory names of a bank for a PROM type, WindList rows replaced.
    static QStringList builtInNames(PromType prom, Bank bank);

    // "N: name": N from 1, without padding; the name exactly as given.
    static QString patchEntry(int number, const QString &name);
    static QStringList patchEntries(const QStringList &names);

    // The PROM type the window keeps in the settings ("Prom" under the
    // device manager's key), Yamaha when none or an unknown one is kept.
    static inline const QString PromSettingValue = QStringLiteral("Prom");
    static PromType storedProm(const RegRoot &settings);

    // Bank select MSB, bank select LSB and program change for a patch row
    // (0-based) of a bank, always on MIDI channel 1.
    static std::array<ShortMessage, 3> patchSelectMessages(Bank bank, int patchRow);
};
