#pragma once

#include <QtGlobal>

#include <array>

// The instrument's messages besides its voice dumps (VoiceDump) and the
// requests it answers (InstrumentRequests): the parameter change that
// presses a front-panel switch, and the bank select that picks a patch.
// Written here once for the device manager, the patch list and the
// simulated instrument.
struct Vl70Protocol
{
    // The group in the high nibble of the device byte (F0 43 gn ...).
    static constexpr quint8 GroupMask = 0x70;
    static constexpr quint8 BulkDumpGroup = 0x00;
    static constexpr quint8 ParameterChangeGroup = 0x10;

    // Remote switch: F0 43 1n 57 0A 00 switch value F7.
    static constexpr int RemoteSwitchLength = 9;
    static constexpr quint8 RemoteSwitchAddressHigh = 0x0A;
    static constexpr quint8 RemoteSwitchAddressMid = 0x00;
    static constexpr int RemoteSwitchOffset = 6;
    static constexpr int RemoteValueOffset = 7;
    static constexpr quint8 RemoteSwitchPress = 0x01;
    static constexpr quint8 RemoteSwitchRelease = 0x00;

    // Patch select on the voice's channel (channel 1): controller 0 (bank
    // select MSB) = 33 + bank, controller 32 (LSB) = bank, then a program change.
    static constexpr int VoiceChannel = 0;
    static constexpr quint8 BankSelectMsb = 0;
    static constexpr quint8 BankSelectLsb = 32;
    static constexpr quint8 BankMsbBase = 33;
    static constexpr int BankCount = 4; // Preset 1, Preset 2, Custom, Internal
    static constexpr std::array<const char *, BankCount> BankNames = {"Preset 1", "Preset 2",
                                                                      "Custom", "Internal"};
};
