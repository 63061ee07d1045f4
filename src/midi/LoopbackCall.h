#pragma once

#include "MidiPlatform.h"

#include <QByteArray>
#include <QString>

// One call made on the loopback platform, as recorded.
struct LoopbackCall
{
    qint64 timeNs = 0; // the injected clock when the call was made
    MidiPlatform::Call call = MidiPlatform::Call::OutOpen;
    QString function; // the call's name for logs, e.g. "outShortMessage"
    // open: the number asked for (-1 passes unchanged); else the handle's device
    int device = -1;
    QByteArray bytes; // short or long message bytes; empty for other calls
    int result = 0;   // the result code returned
};
