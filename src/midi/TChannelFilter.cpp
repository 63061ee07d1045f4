#include "TChannelFilter.h"

#include "TMidiCorvoOut.h"

namespace {

constexpr quint8 FirstSystemStatus = 0xF0;
constexpr quint8 KindMask = 0xF0;
constexpr quint8 ChannelMask = 0x0F;
constexpr quint8 NoteOff = 0x80;
constexpr quint8 NoteOn = 0x90;
constexpr quint8 ControlChange = 0xB0;
constexpr quint8 ProgramChange = 0xC0;
constexpr quint8 ChannelPressure = 0xD0;
constexpr quint8 HighestDataByte = 0x7F;

} // namespace

std::optional<TEventData> TChannelFilter::Route(TEventData event) const
{
    if (event.status >= FirstSystemStatus)
        return event; // the output port drops it
    const quint8 kind = event.status & KindMask;
    if (kind == NoteOn && velocityFloor != 0 && event.data2 > 0 && event.data2 < velocityFloor)
        event.data2 = velocityFloor;
    if ((kind == NoteOff || kind == NoteOn) && transpose != 0)
        event.data1 = quint8(event.data1 + transpose);
    if (kind == ControlChange && event.data1 < MappedControllers)
        event.data1 = controllerMap[event.data1];
    event.status = quint8(event.status + (outputChannel & ChannelMask));
    const bool twoBytes = kind == ProgramChange || kind == ChannelPressure;
    if (event.data1 > HighestDataByte || (!twoBytes && event.data2 > HighestDataByte))
        return std::nullopt;
    return event;
}

void TChannelFilter::Process(const TEventData &event) const
{
    const std::optional<TEventData> routed = Route(event);
    if (routed && outputPort)
        outputPort->SendShortMessage(*routed);
}
