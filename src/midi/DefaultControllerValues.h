#pragma once

#include <QtGlobal>

#include <array>

// Controller numbers the output port treats specially.
constexpr int MainVolumeController = 7;
constexpr int PanController = 10;
constexpr int ExpressionController = 11;
constexpr int SustainController = 64;
constexpr int ReverbSendController = 91;
constexpr int ControllerCount = 128;

// The value each controller is reset to when an output port closes.
constexpr std::array<qint32, ControllerCount> makeDefaultControllerValues()
{
    std::array<qint32, ControllerCount> values{};
    values[MainVolumeController] = 90;
    values[PanController] = 64;
    values[ExpressionController] = 127;
    values[ReverbSendController] = 40;
    return values;
}

inline constexpr std::array<qint32, ControllerCount> DefaultControllerValues =
    makeDefaultControllerValues();
