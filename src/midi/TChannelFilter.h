#pragma once

#include "TEventData.h"

#include <array>
#include <optional>

class TMidiCorvoOut;

// One route of a TMidiFilter: re-channels a short message, remaps the
// controllers 0..11, raises soft note-on velocities to a floor, transposes
// notes, and sends the result to an output port (not owned).
struct TChannelFilter
{
    static constexpr int MappedControllers = 12;

    // New controller number for each of the controllers 0..11.
    std::array<quint8, MappedControllers> controllerMap{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    quint8 outputChannel = 0; // 0..15; only the low four bits count
    TMidiCorvoOut *outputPort = nullptr;
    quint8 velocityFloor = 0; // 0 = none
    qint8 transpose = 0;      // semitones, 0 = none

    // What this route makes of a message whose channel bits are already
    // cleared; nothing when the result would carry a data byte of 80h or
    // more (a note transposed off the keyboard, a map entry above 127).
    std::optional<TEventData> route(TEventData event) const;
    // Route, then send the result through outputPort.
    void process(const TEventData &event) const;
};
