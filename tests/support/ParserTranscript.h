#pragma once

#include "MidiStreamParser.h"

#include <QByteArray>
#include <QStringList>

#include <functional>

// What a MidiStreamParser hands out, written down in order: short messages
// as "S:<packed, six hex digits>", SysEx as "X:<hex>", and faults as
// "<tag>:<hex>" when the test tags them (else they are not listened to).
inline MidiStreamParser::Handlers
transcribing(QStringList &out, std::function<QString(MidiStreamParser::Fault)> faultTag = {})
{
    MidiStreamParser::Handlers handlers;
    handlers.onShort = [&out](quint32 message) {
        out << QStringLiteral("S:%1").arg(message, 6, 16, QLatin1Char('0'));
    };
    handlers.onSysEx = [&out](const QByteArray &message) {
        out << QStringLiteral("X:") + QString::fromLatin1(message.toHex());
    };
    if (faultTag) {
        handlers.onFault = [&out, faultTag](MidiStreamParser::Fault fault,
                                            const QByteArray &bytes) {
            out << faultTag(fault) + QLatin1Char(':') + QString::fromLatin1(bytes.toHex());
        };
    }
    return handlers;
}
