#pragma once

#include "GuardedWrite.h"
#include "TextTranslation.h"

// The lines a write's result is told in, the same in the window and on the
// command line (translated through `translate` where one is given).
class WriteReport
{
public:
    // What a progress window or line says before each slot of a phase:
    // "Keeping what the slots hold: 3 of 64", "Voice 3 of 64: Flute to
    // Internal 3", "Checking what the slots took: 3 of 64".
    static QString progress(GuardedWrite::Phase phase, int index, int count, const VoiceBank &bank,
                            const BankSendPlan::Step &step, const TextTranslation &translate = {});
    // "Sent "TripleRd" to Internal 1, verified", "3 voices sent to Internal
    // 5-7, verified"; empty when nothing was written.
    static QString line(const VoiceBank &bank, const BankSendPlan &plan,
                        const GuardedWrite::Result &result, const TextTranslation &translate = {});
    // "Internal 5 did not take the voice (is the device number 3?)"; empty
    // when every place read back took its voice. `deviceId` is 0-based.
    static QString notTaken(const GuardedWrite::Result &result, quint8 deviceId,
                            const TextTranslation &translate = {});
    // "Not kept: Internal 5-7 (no input)", one reason after another; empty
    // when every slot reached was kept or keeping is off. The window asks
    // before writing over a slot not kept; the command line says it after.
    static QString notKept(const GuardedWrite::Result &result);

    // A write of the history as the history window and `ventaro history`
    // list it: its places ("Internal 1-64"), what was written ("3 of 3
    // written, 3 verified"), what was kept ("3 kept", "0 kept, not kept: no
    // input") and how it ended ("completed (restores 2)").
    static QString placesOf(const WriteRecord &record);
    static QString writtenOf(const WriteRecord &record, const TextTranslation &translate = {});
    static QString keptOf(const WriteRecord &record, const TextTranslation &translate = {});
    static QString stateOf(const WriteRecord &record, const TextTranslation &translate = {});
};
