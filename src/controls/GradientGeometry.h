#pragma once

#include <QtGlobal>

#include <array>
#include <utility>

// Gradient layouts of TFPanel.
enum TDirection : quint8 {
    drTopToBottom,
    drBottomToTop,
    drRightToLeft,
    drLeftToRight,
    drNone,
    drUpDownToCenter,
    drCenterToUpDown,
    drLeftRightToCenter,
    drCenterToLeftRight
};

// Colour table and band layout of a two-colour gradient. Colours are packed
// as red | green << 8 | blue << 16; the high byte is ignored.
class GradientGeometry
{
public:
    static constexpr int Steps = 100;
    using Table = std::array<quint32, Steps>;

    // Entry 0 is from exactly; each channel then moves (to - from) / 100 per
    // entry, truncated, so entry 99 stops one step short of to.
    static Table colorTable(quint32 from, quint32 to);

    // The colour pair (GradientFrom, GradientTo) a direction runs between.
    static std::pair<quint32, quint32> gradientPair(TDirection direction, quint32 colorStart,
                                                    quint32 colorEnd);

    static bool hasBands(TDirection direction) { return direction != drNone; }
    // True for rows (horizontal bands), false for columns.
    static bool horizontalBands(TDirection direction);
    static bool mirrored(TDirection direction);

    // Table entry painted in band 0..99.
    static int bandEntry(TDirection direction, int band);

    // First and one-past-last row (or column) of band 0..99 over extent
    // pixels. Bands may be empty.
    static std::pair<int, int> bandSpan(int band, int extent);

    // a * b / c rounded to the nearest integer, halves away from zero;
    // -1 when c is 0.
    static int mulDiv(int a, int b, int c);
};
