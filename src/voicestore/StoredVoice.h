#pragma once

#include "VoiceDump.h"
#include "VoiceSource.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// One voice of the library as read back.
struct StoredVoice
{
    qint64 id = 0;
    VoiceDump::Form form = VoiceDump::Form::Internal;
    QString name;     // the eight characters as the instrument shows them
    QByteArray bytes; // as first met, never changed; empty in a listing
    QDateTime firstMet;
    QDateTime lastMet;
    bool favourite = false;
    QString note;
    QStringList tags; // sorted
    // Where it was met, first met first. A listing holds the first one only.
    QList<VoiceSource> sources;
};
