#include "BankExport.h"

#include "VentaroError.h"

namespace {

// The kept voices as the bank reader gives them (form, slot, name, bytes).
VoiceBank bankOf(const QList<StoredVoice> &voices)
{
    VoiceBank bank;
    for (const StoredVoice &voice : voices) {
        const VoiceBank parsed = VoiceBank::parse(voice.bytes);
        if (parsed.voices.size() != 1)
            throw VentaroError(QStringLiteral("The library holds no whole voice %1 (%2).")
                                   .arg(voice.id)
                                   .arg(voice.name.trimmed()));
        bank.voices << parsed.voices.first();
    }
    return bank;
}

} // namespace

QByteArray BankExport::bytes(const QList<StoredVoice> &voices)
{
    QByteArray bytes;
    for (const VoiceBank::Voice &voice : bankOf(voices).voices)
        bytes += voice.bytes;
    return bytes;
}

QByteArray BankExport::bytes(const QList<StoredVoice> &voices, const BankSendPlan::Options &where,
                             quint8 deviceId)
{
    const VoiceBank bank = bankOf(voices);
    const BankSendPlan plan = BankSendPlan::make(bank, where);
    QByteArray bytes;
    for (const BankSendPlan::Step &step : plan.steps)
        bytes += BankSendPlan::message(bank.voices[step.voice], step, deviceId);
    return bytes;
}
