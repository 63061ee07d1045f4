#pragma once

#include "VoiceDump.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// One write to the instrument as the history keeps it: when, to which
// device number, and per place written (the current voice, a Custom or
// Internal slot) the voice written, what the place held before and whether
// the write reached it.
struct WriteRecord
{
    enum class Kind { Send, SendAll, Restore, Try, TryBack };
    // Unfinished: still running, or its program ended in the middle.
    enum class State { Unfinished, Completed, Stopped, Failed };
    enum class PlaceState {
        Pending,  // not written (yet)
        Skipped,  // left out by the user (its voice could not be kept)
        Written,  // handed over; not read back
        Verified, // read back: the place holds the voice
        NotTaken, // read back: the place holds something else or did not answer
    };

    struct Place
    {
        VoiceDump::Form form = VoiceDump::Form::Internal; // Full: the current voice
        int slot = 0;
        QString name;       // the voice written
        qint64 voiceId = 0; // the voice written, in the library; 0 when not kept there
        qint64 keptId = 0;  // what the place held, in the library; 0 when not kept
        QString keptName;
        QString notKept; // why nothing was kept (NotKeptText words)
        PlaceState state = PlaceState::Pending;
    };

    qint64 id = 0;
    Kind kind = Kind::Send;
    int device = 0; // 0..15
    QDateTime started;
    QDateTime finished; // invalid while unfinished
    State state = State::Unfinished;
    qint64 restores = 0; // the write a restore undoes
    QString failure;
    QList<Place> places;

    // Places that hold (or may hold) the voice written: written, verified
    // or not taken.
    bool reached(const Place &place) const;
    int count(PlaceState state) const;
    int writtenCount() const; // written or verified
    // Places reached whose old voice was kept: what a restore writes back.
    QList<Place> restorable() const;

    // The words the library file and the command line use.
    static QString kindText(Kind kind);
    static QString stateText(State state);
    static QString placeStateText(PlaceState state);
    static std::optional<Kind> kindFromText(const QString &text);
    static std::optional<State> stateFromText(const QString &text);
    static std::optional<PlaceState> placeStateFromText(const QString &text);
};
