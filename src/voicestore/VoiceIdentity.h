#pragma once

#include "VoiceDump.h"

#include <QByteArray>
#include <QByteArrayView>

// What makes two voices the same voice: their form and the data bytes of
// their blocks. The device number, the slot (memory number) and the
// checksums are left aside, so a voice met in another file, from another
// instrument or in another slot is still the one voice.
class VoiceIdentity
{
public:
    // The data bytes of every block of a voice of `form`, in order (163 for
    // an internal voice, 1550 for a custom one, 1762 for a full one); empty
    // when `bytes` is not a whole voice of that form.
    static QByteArray dataBytes(VoiceDump::Form form, QByteArrayView bytes);
    // SHA-1 of the form and the data bytes: the library's key of a voice.
    static QByteArray key(VoiceDump::Form form, QByteArrayView bytes);
};
