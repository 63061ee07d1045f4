#include "MidiPlatform.h"

namespace {

struct ErrorTextEntry
{
    int code;
    const char *text;
};

// Texts for both families: %1 reads "input" or "output", %2 names the list
// of the main window where that device is chosen ("In" or "Out").
constexpr ErrorTextEntry ErrorTexts[] = {
    {MidiPlatform::NoError, "The operation completed successfully."},
    {MidiPlatform::UnspecifiedError, "An unspecified MIDI error occurred."},
    {MidiPlatform::BadDeviceId, "The MIDI %1 device number is out of range."},
    {MidiPlatform::NoDeviceChosen, "No MIDI %1 device is chosen: choose one under \"Midi %2:\"."},
    {MidiPlatform::DeviceBusy, "The MIDI %1 device is already in use."},
    {MidiPlatform::InvalidHandle, "The MIDI %1 device is not open."},
    {MidiPlatform::DeviceGone, "The MIDI %1 device is no longer available."},
    {MidiPlatform::NoMemory, "There is not enough memory for the MIDI buffer."},
    {MidiPlatform::NotSupported, "The MIDI system does not support this operation."},
    {MidiPlatform::Unprepared, "The MIDI buffer was not prepared."},
    {MidiPlatform::StillQueued, "The MIDI buffer is still in use by the MIDI system."},
    {MidiPlatform::InvalidParameter, "An invalid value was passed to the MIDI system."},
    {MidiPlatform::Timeout, "The MIDI %1 device did not take the data in time."},
    {MidiPlatform::DriverError, "The MIDI system reported an error."},
    {MidiPlatform::NotStarted, "MIDI input is not running."},
    {MidiPlatform::NotConnected, "The MIDI %1 device is not connected."},
};

int prepare(MidiHeader *header)
{
    if (!header)
        return MidiPlatform::InvalidParameter;
    header->flags |= MidiHeader::Prepared;
    return MidiPlatform::NoError;
}

int unprepare(MidiHeader *header)
{
    if (!header)
        return MidiPlatform::InvalidParameter;
    if (header->flags & MidiHeader::InQueue)
        return MidiPlatform::StillQueued;
    header->flags &= ~quint32(MidiHeader::Prepared);
    return MidiPlatform::NoError;
}

} // namespace

int MidiPlatform::outPrepareHeader(MidiHandle, MidiHeader *header)
{
    return prepare(header);
}

int MidiPlatform::outUnprepareHeader(MidiHandle, MidiHeader *header)
{
    return unprepare(header);
}

int MidiPlatform::inPrepareHeader(MidiHandle, MidiHeader *header)
{
    return prepare(header);
}

int MidiPlatform::inUnprepareHeader(MidiHandle, MidiHeader *header)
{
    return unprepare(header);
}

void MidiPlatform::setDevicesChanged(std::function<void()>) {}

int MidiPlatform::inState(MidiHandle) const
{
    return NoError;
}

std::optional<QString> MidiPlatform::errorText(int code, bool isInput) const
{
    return standardErrorText(code, isInput);
}

std::optional<QString> MidiPlatform::standardErrorText(int code, bool isInput)
{
    for (const ErrorTextEntry &entry : ErrorTexts) {
        if (entry.code != code)
            continue;
        QString text = QString::fromLatin1(entry.text);
        text.replace(QLatin1String("%1"),
                     isInput ? QStringLiteral("input") : QStringLiteral("output"));
        text.replace(QLatin1String("%2"), isInput ? QStringLiteral("In") : QStringLiteral("Out"));
        return text;
    }
    return std::nullopt;
}
