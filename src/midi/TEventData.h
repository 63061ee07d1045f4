#pragma once

#include <QtGlobal>

#include <functional>

class QObject;

// One short MIDI message as the ports hand it over: the first four bytes are
// the platform's packed word (status in the lowest byte, then data 1, then
// data 2, then a byte without meaning); the fifth is never filled or read.
struct TEventData
{
    quint8 status = 0;
    quint8 data1 = 0;
    quint8 data2 = 0;
    quint8 spare = 0;
    quint8 unused = 0;

    static TEventData fromWord(quint32 word)
    {
        TEventData event;
        event.status = quint8(word & 0xFF);
        event.data1 = quint8((word >> 8) & 0xFF);
        event.data2 = quint8((word >> 16) & 0xFF);
        event.spare = quint8((word >> 24) & 0xFF);
        return event;
    }
    quint32 toWord() const
    {
        return quint32(status) | quint32(data1) << 8 | quint32(data2) << 16 | quint32(spare) << 24;
    }
};

// A short message arrived (input callback thread). The record may be changed
// by the handler; nothing reads it back.
using TEventReceived = std::function<void(QObject *sender, TEventData &midiEvent)>;
// One SysEx buffer came back filled (window thread). data points at the first
// byte received (normally F0h), len is the number of bytes recorded; the
// memory is the port's and valid only during the call.
using TSysexReceived = std::function<void(QObject *sender, const quint8 *data, qint32 len)>;
