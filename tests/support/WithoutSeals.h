#pragma once

#include "VoiceDump.h"

#include <QByteArray>

// A bank's bytes with every message's device byte and checksum blanked:
// what stays the same when an instrument of another device number sends
// the same voices.
inline QByteArray withoutSeals(QByteArray bytes)
{
    for (qsizetype start = 0, end; (end = bytes.indexOf(char(VoiceDump::SysExEnd), start)) >= 0;
         start = end + 1) {
        bytes[start + VoiceDump::DeviceOffset] = 0;
        bytes[end - 1] = 0;
    }
    return bytes;
}
