#pragma once

#include "FileBytes.h"
#include "LoopbackMidi.h"
#include "RegRoot.h"
#include "ScriptedPrompts.h"
#include "VirtualSleeper.h"

#include <QStringList>
#include <QTemporaryDir>

// What a window or device manager under test stands on: loopback MIDI
// devices stamping on a virtual clock, scripted prompts, and a folder of
// its own holding its settings file (and slot name files).
struct LoopbackRig
{
    // One message handed to an output device, with the clock when sent.
    struct Sent
    {
        qint64 timeNs;
        QByteArray bytes;
    };

    VirtualSleeper sleeper;
    LoopbackMidi platform{&sleeper};
    ScriptedPrompts prompts;
    QTemporaryDir dir;
    RegRoot settings = RegRoot::iniFile(dir.filePath(QStringLiteral("settings.ini")));

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
    // Every platform call, by function name, in order.
    QStringList callNames() const
    {
        QStringList list;
        for (const LoopbackCall &c : platform.calls())
            list << c.function;
        return list;
    }

    // Files in the rig's folder, by name.
    QString path(const QString &name) const { return dir.filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes) const
    {
        ::writeFile(path(name), bytes);
    }
    QByteArray readFile(const QString &name) const { return fileBytes(path(name)); }
    bool exists(const QString &name) const { return QFileInfo::exists(path(name)); }
};
