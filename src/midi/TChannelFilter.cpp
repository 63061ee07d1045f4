#include "TChannelFilter.h"

#include "MidiBytes.h"
#include "TMidiCorvoOut.h"

namespace {

constexpr quint8 HighestDataByte = MidiBytes::DataMask;

} // namespace

std::optional<TEventData> TChannelFilter::route(TEventData event) const
{
    if (event.status >= MidiBytes::FirstSystem)
        return event; // the output port drops it
    const quint8 kind = event.status & MidiBytes::KindMask;
    if (kind == MidiBytes::NoteOn && velocityFloor != 0 && event.data2 > 0
        && event.data2 < velocityFloor)
        event.data2 = velocityFloor;
    if ((kind == MidiBytes::NoteOff || kind == MidiBytes::NoteOn) && transpose != 0)
        event.data1 = quint8(event.data1 + transpose);
    if (kind == MidiBytes::ControlChange && event.data1 < MappedControllers)
        event.data1 = controllerMap[event.data1];
    event.status = quint8(event.status + (outputChannel & MidiBytes::ChannelMask));
    const bool twoBytes = kind == MidiBytes::ProgramChange || kind == MidiBytes::ChannelPressure;
    if (event.data1 > HighestDataByte || (!twoBytes && event.data2 > HighestDataByte))
        return std::nullopt;
    return event;
}

void TChannelFilter::process(const TEventData &event) const
{
    const std::optional<TEventData> routed = route(event);
    if (routed && outputPort)
        outputPort->SendShortMessage(*routed);
}
