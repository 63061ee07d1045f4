#pragma once

#include "LoopbackMidi.h"
#include "RegEdit.h"
#include "VirtualSleeper.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A loopback platform with named device pairs and a settings file of its own.
struct PortFixture
{
    VirtualSleeper clock;
    QTemporaryDir dir;
    RegRoot settings = RegRoot::iniFile(dir.filePath(QStringLiteral("settings.ini")));
    LoopbackMidi midi{&clock};

    explicit PortFixture(const QStringList &names = {QStringLiteral("Synth A"),
                                                     QStringLiteral("Synth B")})
    {
        for (const QString &name : names)
            midi.addDevicePair(name);
    }

    QString saved(const QString &value) const
    {
        return ReadRegString(settings, RegSettingsRoot + QStringLiteral("VL70-m\\Midi"), value,
                             QStringLiteral("<absent>"));
    }
    void save(const QString &value, const QString &name) const
    {
        WriteRegString(settings, RegSettingsRoot + QStringLiteral("VL70-m\\Midi"), value, name);
    }

    // The recorded calls as "function device bytes", header bookkeeping left out.
    QStringList log() const
    {
        QStringList lines;
        for (const LoopbackCall &call : midi.calls()) {
            if (!headerCall(call.call))
                lines << line(call);
        }
        return lines;
    }
    QStringList logOf(MidiPlatform::Call function) const
    {
        QStringList lines;
        for (const LoopbackCall &call : midi.calls()) {
            if (call.call == function)
                lines << line(call);
        }
        return lines;
    }
    static bool headerCall(MidiPlatform::Call call)
    {
        using Call = MidiPlatform::Call;
        return call == Call::OutPrepareHeader || call == Call::OutUnprepareHeader
               || call == Call::InPrepareHeader || call == Call::InUnprepareHeader;
    }
    static QString line(const LoopbackCall &call)
    {
        QString text = call.function + QLatin1Char(' ') + QString::number(call.device);
        if (!call.bytes.isEmpty() && call.bytes.size() <= 3)
            text += QLatin1Char(' ') + QString::fromLatin1(call.bytes.toHex());
        if (call.result != 0)
            text += QStringLiteral(" -> %1").arg(call.result);
        return text;
    }
};
