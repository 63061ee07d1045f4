#include "MidiErrorText.h"

#include "MidiPlatform.h"

QString MidiErrorText(int code, bool isInput, const MidiPlatform *platform)
{
    const std::optional<QString> text = platform ? platform->errorText(code, isInput)
                                                 : MidiPlatform::standardErrorText(code, isInput);
    if (!text)
        return QStringLiteral("Specified error number is out of range");
    return *text;
}

QString midiPortErrorMessage(int code, bool isInput, const QString &deviceName,
                             const MidiPlatform *platform)
{
    return MidiErrorText(code, isInput, platform) + QLatin1Char('\n') + deviceName;
}
