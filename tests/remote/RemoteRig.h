#pragma once

#include "LoopbackRig.h"
#include "TVLManager.h"

#include <memory>

// A device manager on one loopback device pair (the default devices), with
// its own settings file, a virtual clock and scripted prompts.
struct RemoteRig : LoopbackRig
{
    LoopbackMidi::DevicePair devices = platform.addDevicePair(QStringLiteral("VL"));
    std::unique_ptr<TVLManager> manager =
        std::make_unique<TVLManager>(nullptr, &platform, settings, dir.path());

    // The remote switch message as the instrument expects it.
    static QString switchHex(int device, int tag, bool release)
    {
        return QString::fromLatin1(
            TVLManager::remoteSwitchMessage(quint8(device), quint8(tag), release).toHex(' '));
    }
};
