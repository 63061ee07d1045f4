#include "MidiPlatform.h"

#include <iterator>

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

MidiPlatform::Result prepare(MidiHeader *header)
{
    if (!header)
        return MidiPlatform::InvalidParameter;
    header->flags |= MidiHeader::Prepared;
    return MidiPlatform::NoError;
}

MidiPlatform::Result unprepare(MidiHeader *header)
{
    if (!header)
        return MidiPlatform::InvalidParameter;
    if (header->flags & MidiHeader::InQueue)
        return MidiPlatform::StillQueued;
    header->flags &= ~quint32(MidiHeader::Prepared);
    return MidiPlatform::NoError;
}

constexpr const char *CallNames[] = {
    "outOpen",         "outShortMessage",   "outPrepareHeader", "outUnprepareHeader",
    "outLongMessage",  "outReset",          "outClose",         "inOpen",
    "inPrepareHeader", "inUnprepareHeader", "inAddBuffer",      "inStart",
    "inStop",          "inReset",           "inClose",
};
static_assert(std::size(CallNames) == std::size_t(MidiPlatform::Call::InClose) + 1);

} // namespace

QString MidiPlatform::callName(Call call)
{
    return QString::fromLatin1(CallNames[std::size_t(call)]);
}

MidiPlatform::Result MidiPlatform::outPrepareHeader(MidiHandle, MidiHeader *header)
{
    return prepare(header);
}

MidiPlatform::Result MidiPlatform::outUnprepareHeader(MidiHandle, MidiHeader *header)
{
    return unprepare(header);
}

MidiPlatform::Result MidiPlatform::inPrepareHeader(MidiHandle, MidiHeader *header)
{
    return prepare(header);
}

MidiPlatform::Result MidiPlatform::inUnprepareHeader(MidiHandle, MidiHeader *header)
{
    return unprepare(header);
}

MidiPlatform::Result MidiPlatform::checkHeader(const MidiHeader *header)
{
    if (!header || header->data.empty())
        return InvalidParameter;
    if (!(header->flags & MidiHeader::Prepared))
        return Unprepared;
    if (header->flags & MidiHeader::InQueue)
        return StillQueued;
    return NoError;
}

MidiPlatform::Result MidiPlatform::claim(MidiHeader *header)
{
    if (const Result refused = checkHeader(header); refused != NoError)
        return refused;
    header->flags = (header->flags | MidiHeader::InQueue) & ~quint32(MidiHeader::Done);
    return NoError;
}

void MidiPlatform::setDevicesChanged(std::function<void()>) {}

MidiPlatform::Result MidiPlatform::outState(MidiHandle) const
{
    return NoError;
}

MidiPlatform::Result MidiPlatform::inState(MidiHandle) const
{
    return NoError;
}

std::optional<QStringList> MidiPlatform::outDeviceSources(int) const
{
    return std::nullopt;
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
