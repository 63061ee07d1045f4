#include "BankSendPlan.h"

#include "VentaroError.h"
#include "VoiceConversion.h"

namespace {

bool canGo(VoiceDump::Form voice, VoiceDump::Form to)
{
    return voice == VoiceDump::Form::Full || voice == to;
}

[[noreturn]] void cannotGo(const VoiceBank &bank, int index, VoiceDump::Form to,
                           const BankSendPlan::Translate &translate)
{
    const VoiceBank::Voice &voice = bank.voices[index];
    const QString text =
        voice.form == VoiceDump::Form::Custom
            ? QStringLiteral("Voice %1 \"%2\" is a custom voice and cannot be sent to %3.")
            : QStringLiteral("Voice %1 \"%2\" is an internal voice and cannot be sent to %3.");
    throw VentaroError(textIn(translate, text)
                           .arg(index + 1)
                           .arg(voice.name.trimmed(), BankSendPlan::placeText(to, 0)));
}

[[noreturn]] void pastLastSlot(const VoiceBank &bank, int index, VoiceDump::Form to, int slot,
                               const BankSendPlan::Translate &translate)
{
    throw VentaroError(
        textIn(translate, QStringLiteral("Voice %1 \"%2\" would go to %3: there is no such slot."))
            .arg(index + 1)
            .arg(bank.voices[index].name.trimmed(), BankSendPlan::placeText(to, slot)));
}

} // namespace

int BankSendPlan::slotCount(VoiceDump::Form to)
{
    switch (to) {
    case VoiceDump::Form::Internal:
        return VoiceDump::InternalSlotCount;
    case VoiceDump::Form::Custom:
        return VoiceDump::CustomSlotCount;
    case VoiceDump::Form::Full:
        break;
    }
    return 0;
}

QString BankSendPlan::placeText(VoiceDump::Form to, int slot)
{
    const QString number = slot > 0 ? QStringLiteral(" %1").arg(slot) : QString();
    switch (to) {
    case VoiceDump::Form::Internal:
        return QStringLiteral("Internal") + number;
    case VoiceDump::Form::Custom:
        return QStringLiteral("Custom") + number;
    case VoiceDump::Form::Full:
        break;
    }
    return QStringLiteral("Current");
}

BankSendPlan BankSendPlan::make(const VoiceBank &bank, const Options &options,
                                const Translate &translate)
{
    BankSendPlan plan;
    // The next slot of a run of consecutive slots.
    const auto place = [&](int index, VoiceDump::Form to, int &nextSlot) {
        if (!canGo(bank.voices[index].form, to))
            cannotGo(bank, index, to, translate);
        Step step{index, to, 0};
        if (to != VoiceDump::Form::Full) {
            if (nextSlot < 1 || nextSlot > slotCount(to))
                pastLastSlot(bank, index, to, nextSlot, translate);
            step.slot = nextSlot++;
        }
        plan.steps.append(step);
    };
    int consecutive = options.firstSlot;
    int full = options.fullFirstSlot;
    for (int i = 0; i < bank.voices.size(); ++i) {
        if (options.onlyVoice && i != *options.onlyVoice)
            continue;
        const VoiceBank::Voice &voice = bank.voices[i];
        if (options.order == Order::Consecutive) {
            place(i, options.consecutiveTo, consecutive);
        } else if (voice.form != VoiceDump::Form::Full) {
            int own = voice.slot;
            place(i, voice.form, own);
        } else if (options.fullVoicesTo) {
            place(i, *options.fullVoicesTo, full);
        } else {
            plan.leftOut.append(i);
        }
    }
    return plan;
}

QByteArray BankSendPlan::message(const VoiceBank::Voice &voice, const Step &step, quint8 deviceId)
{
    // A voice of a slot fills an empty full dump, so that no byte of
    // another voice can come along.
    QByteArray dump =
        voice.form == VoiceDump::Form::Full ? voice.bytes : VoiceDump::emptyFullDump(deviceId);
    int fromSlot = 0;
    switch (voice.form) {
    case VoiceDump::Form::Internal:
        VoiceConversion::InternalToDump(voice.bytes, dump, fromSlot);
        break;
    case VoiceDump::Form::Custom:
        VoiceConversion::CustomToDump(voice.bytes, dump, fromSlot);
        break;
    case VoiceDump::Form::Full:
        break;
    }
    switch (step.to) {
    case VoiceDump::Form::Internal:
        return VoiceConversion::DumpToInternal(dump, step.slot, deviceId);
    case VoiceDump::Form::Custom:
        return VoiceConversion::DumpToCustom(dump, step.slot, deviceId);
    case VoiceDump::Form::Full:
        break;
    }
    dump.detach();
    VoiceDump::SealDump(dump, deviceId);
    return dump;
}
