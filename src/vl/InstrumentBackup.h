#pragma once

#include "VoiceFetcher.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// Backs up the instrument's voices by request: the six Custom and the
// sixty-four Internal places, in that order, into one bank (the voices' bytes
// as received, whole voices only). A slot that does not answer is noted and
// the next one asked; once MissesInARow places of a bank in a row have not
// answered, the rest of that bank is noted unasked and the next bank is
// asked: an instrument that is silent for one bank (or gone) costs two
// answer times per bank, and the other bank is still backed up.
class InstrumentBackup
{
public:
    static constexpr int MissesInARow = 2;

    struct Slot
    {
        VoiceDump::Form form;
        int slot;
    };

    struct Result
    {
        QByteArray bank; // the whole voices, in slot order
        int fetched = 0;
        QList<Slot> missed;   // not answered, or not asked after the misses
        bool stopped = false; // the user stopped it
        QString failure;      // a request that could not be sent ended it
    };

    // Before each slot (its index in allSlots()); false stops the backup.
    using Starting = std::function<bool(int index)>;

    // Custom 1..6, then Internal 1..64.
    static QList<Slot> allSlots();

    // Voices fetched before a request could not be sent are kept: the
    // error's text ends the run in `failure`.
    static Result run(VoiceFetcher &fetcher, const Starting &starting = {});

    // "Custom 3, Internal 12-64": the places, runs joined.
    static QString placesText(const QList<Slot> &places);
};
