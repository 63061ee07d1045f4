#include "CommandSlotNames.h"

#include "CommandContext.h"
#include "SlotNameStore.h"
#include "VentaroError.h"

void CommandSlotNames::rename(CommandContext &context, int deviceNumber,
                              const QList<VoiceBank::Voice> &voices)
{
    QList<std::pair<int, QString>> custom;
    QList<std::pair<int, QString>> internal;
    for (const VoiceBank::Voice &voice : voices) {
        if (voice.form == VoiceDump::Form::Custom)
            custom.append({voice.slot, voice.name});
        else if (voice.form == VoiceDump::Form::Internal)
            internal.append({voice.slot, voice.name});
    }
    const SlotNameStore store(SlotNameStore::programFolder());
    const VoiceCatalogue::PromType prom = VoiceCatalogue::storedProm(context.settings);
    try {
        if (!custom.isEmpty())
            store.rename(VoiceCatalogue::Custom, deviceNumber, custom, prom);
        if (!internal.isEmpty())
            store.rename(VoiceCatalogue::Internal, deviceNumber, internal, prom);
    } catch (const VentaroError &error) {
        context.say(error.text());
    }
}
