#pragma once

#include <QString>

class MidiPlatform;

// The text for a MIDI result code of the input family (isInput) or the
// output family, as the platform gives it; "Specified error number is out
// of range" for a code it does not know. Without a platform, the layer's
// own texts are used (every platform shares them unless it overrides).
QString MidiErrorText(int code, bool isInput, const MidiPlatform *platform = nullptr);

// The message of an error a port raises: the code's text, a line break and
// the port's device name (empty when none is chosen).
QString midiPortErrorMessage(int code, bool isInput, const QString &deviceName,
                             const MidiPlatform *platform);
