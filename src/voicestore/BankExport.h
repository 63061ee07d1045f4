#pragma once

#include "BankSendPlan.h"
#include "StoredVoice.h"

#include <QByteArray>
#include <QList>

// Voices of the library as one bank ".syx" file, in the order given.
class BankExport
{
public:
    // The voices' bytes as kept, laid end to end. A voice without its bytes
    // (from a listing) raises VentaroError.
    static QByteArray bytes(const QList<StoredVoice> &voices);
    // Each voice re-addressed where "Send all" would put it with `where` and
    // sealed for `deviceId` (BankSendPlan); a voice that cannot go there
    // raises VentaroError naming it. Full voices left out by the plan are
    // left out here too.
    static QByteArray bytes(const QList<StoredVoice> &voices, const BankSendPlan::Options &where,
                            quint8 deviceId);
};
