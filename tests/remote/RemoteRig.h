#pragma once

#include "LoopbackMidi.h"
#include "RegRoot.h"
#include "ScriptedPrompts.h"
#include "TVLManager.h"
#include "VirtualSleeper.h"

#include <QByteArray>
#include <QList>
#include <QTemporaryDir>

#include <memory>

// A device manager on one loopback device pair (the default devices), with
// its own settings file, a virtual clock and scripted prompts.
struct RemoteRig
{
    VirtualSleeper sleeper;
    LoopbackMidi platform{&sleeper};
    LoopbackMidi::DevicePair devices = platform.addDevicePair(QStringLiteral("VL"));
    ScriptedPrompts prompts;
    QTemporaryDir dir;
    RegRoot settings = RegRoot::iniFile(dir.filePath(QStringLiteral("settings.ini")));
    std::unique_ptr<TVLManager> manager =
        std::make_unique<TVLManager>(nullptr, &platform, settings, dir.path());

    struct Sent
    {
        qint64 timeNs;
        QByteArray bytes;
    };
    // Messages handed to the output device, with the clock when sent.
    QList<Sent> sent() const
    {
        QList<Sent> list;
        for (const LoopbackCall &c : platform.calls()) {
            if (c.call == MidiPlatform::Call::OutShortMessage
                || c.call == MidiPlatform::Call::OutLongMessage)
                list.append({c.timeNs, c.bytes});
        }
        return list;
    }
    QStringList sentHex() const
    {
        QStringList list;
        for (const Sent &s : sent())
            list << QString::fromLatin1(s.bytes.toHex(' '));
        return list;
    }
    // The remote switch message as the instrument expects it.
    static QString switchHex(int device, int tag, bool release)
    {
        return QString::fromLatin1(
            TVLManager::RemoteSwitchMessage(quint8(device), quint8(tag), release).toHex(' '));
    }
};
