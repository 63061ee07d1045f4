#pragma once

#include "TextTranslation.h"

#include "VoiceBank.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Where each voice of a bank goes when the whole bank is sent, worked out
// before anything is sent, so that a voice that cannot go where asked stops
// the run before its first byte.
//
// A custom voice goes only to a Custom slot, an internal voice only to an
// Internal slot, a full voice anywhere (the same rule as sending one voice).
class BankSendPlan
{
public:
    enum class Order {
        OwnSlots,    // each voice to the slot it came from
        Consecutive, // one after another from a chosen slot
    };

    struct Options
    {
        Order order = Order::OwnSlots;
        // Consecutive: the kind of slot and the first slot.
        VoiceDump::Form consecutiveTo = VoiceDump::Form::Internal;
        int firstSlot = 1;
        // OwnSlots: where full voices go (they come from no slot), one after
        // another from fullFirstSlot; none: they are left out.
        std::optional<VoiceDump::Form> fullVoicesTo;
        int fullFirstSlot = 1;
        // One voice of the bank alone (an index); the others are not sent
        // and not looked at.
        std::optional<int> onlyVoice;
    };

    struct Step
    {
        int voice = 0; // index into the bank's voices
        VoiceDump::Form to = VoiceDump::Form::Full;
        int slot = 0; // 1-based; 0 for the current voice
    };

    QList<Step> steps;
    // Voices left out (full voices with nowhere to go), as indexes.
    QList<int> leftOut;

    using Translate = TextTranslation;

    // The plan for `bank`; a voice that cannot go where asked, or voices
    // that run past the last slot, raise VentaroError naming the voice, its
    // text through `translate` (may be empty) before the names go in.
    static BankSendPlan make(const VoiceBank &bank, const Options &options,
                             const Translate &translate = {});

    // The bytes that put `voice` where `step` says, sealed for `deviceId`.
    static QByteArray message(const VoiceBank::Voice &voice, const Step &step, quint8 deviceId);

    // "Internal 12", "Custom 3", "Current" (untranslated).
    static QString placeText(VoiceDump::Form to, int slot);
    // Slots of a kind: 64, 6, or 0 for the current voice.
    static int slotCount(VoiceDump::Form to);
};
