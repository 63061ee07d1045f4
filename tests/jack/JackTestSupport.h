#pragma once

#include "JackRig.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QtGlobal>

// What the jack tests share: the fixture's rig, remote switch messages and
// the simulator's log.
namespace JackTestSupport {

constexpr int WaitMs = 5000;
constexpr const char *RigVariable = "VENTARO_JACK_RIG";

// Remote switch message F0 43 1n 57 0A 00 switch value F7, device number 1.
inline QByteArray remoteSwitch(int button, bool pressed)
{
    QByteArray message = QByteArray::fromHex("f04310570a00");
    message.append(char(button));
    message.append(char(pressed ? 0x01 : 0x00));
    message.append(char(0xF7));
    return message;
}

inline QString inputName()
{
    return QLatin1String(JackRig::SimulatorName) + QStringLiteral(" IN:MIDI");
}

inline QString outputName()
{
    return QLatin1String(JackRig::SimulatorName) + QStringLiteral(" OUT:MIDI");
}

// What the simulator logs, in this order, for bank select Preset 2 (MSB 34,
// LSB 1), program 10 and note 60 on (velocity 100) and off, on channel 1.
inline QStringList presetAndNoteLines()
{
    return {QStringLiteral("control change, channel 1, controller 0, value 34"),
            QStringLiteral("control change, channel 1, controller 32, value 1"),
            QStringLiteral("program change, channel 1, program 9"),
            QStringLiteral("note on, channel 1, note 60, velocity 100"),
            QStringLiteral("note off, channel 1, note 60, velocity 0")};
}

// Lines the simulator logged after the first `from`, once one of them
// contains `wanted` (or all of them after the wait).
inline QStringList waitForLog(const JackRig &rig, int from, const QString &wanted,
                              int timeoutMs = WaitMs)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const QStringList lines = rig.simulatorLines().mid(from);
        for (const QString &line : lines)
            if (line.contains(wanted))
                return lines;
        if (timer.elapsed() > timeoutMs)
            return lines;
        QThread::msleep(10);
    }
}

} // namespace JackTestSupport
