#pragma once

#include "InstrumentBackup.h"
#include "TextTranslation.h"
#include "VoiceFetcher.h"

#include <QString>
#include <QStringList>

#include <functional>

class Sleeper;
class TMidiCorvoIn;

// Backs the instrument up the same way for the window and the command line:
// the input listens for the run's length and is let go after, each place is
// asked in turn (InstrumentBackup), and the result is told in the lines both
// show.
class BackupJob
{
public:
    struct Io
    {
        // Hands a request to the MIDI system; raises VentaroError when it fails.
        VoiceFetcher::Send send;
        // Lets input arrive for up to the milliseconds given; false stops.
        VoiceFetcher::Wait wait;
        Sleeper &sleeper;
        TMidiCorvoIn &input;
        // A message came from the input (a wait under way may end early).
        std::function<void()> arrived;
    };

    // Before each place: its index, the count and "Voice 3 of 70: Custom 3"
    // (translated); false stops the backup.
    using Starting = std::function<bool(int index, int count, const QString &text)>;

    // Raises VentaroError when the input cannot be opened; a failure later
    // ends the run in the result's `failure`.
    static InstrumentBackup::Result run(const Io &io, quint8 deviceId, const Starting &starting,
                                        const TextTranslation &translate = {});

    // "Not answered: Custom 3, Internal 12-64" and "Stopped before the end.",
    // each when it applies (a failure is told by the front end).
    static QStringList lines(const InstrumentBackup::Result &result,
                             const TextTranslation &translate = {});
};
