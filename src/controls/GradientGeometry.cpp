#include "GradientGeometry.h"

#include <cstdlib>

namespace {

int channel(quint32 colour, int shift)
{
    return int((colour >> shift) & 0xFFu);
}

} // namespace

GradientGeometry::Table GradientGeometry::colorTable(quint32 from, quint32 to)
{
    constexpr std::array<int, 3> shifts{0, 8, 16}; // red, green, blue
    std::array<double, 3> start{};
    std::array<double, 3> step{};
    for (std::size_t c = 0; c < shifts.size(); ++c) {
        start[c] = channel(from, shifts[c]);
        step[c] = (channel(to, shifts[c]) - channel(from, shifts[c])) / double(Steps);
    }
    Table table{};
    for (int i = 0; i < Steps; ++i) {
        quint32 packed = 0;
        for (std::size_t c = 0; c < shifts.size(); ++c) {
            // Truncation toward zero, as the integer conversion does.
            const auto value = quint32(int(start[c] + i * step[c]));
            packed |= (value & 0xFFu) << shifts[c];
        }
        table[std::size_t(i)] = packed;
    }
    return table;
}

std::pair<quint32, quint32> GradientGeometry::gradientPair(TDirection direction, quint32 colorStart,
                                                           quint32 colorEnd)
{
    switch (direction) {
    case drBottomToTop:
    case drRightToLeft:
    case drCenterToUpDown:
    case drCenterToLeftRight:
        return {colorEnd, colorStart};
    default:
        return {colorStart, colorEnd};
    }
}

bool GradientGeometry::horizontalBands(TDirection direction)
{
    switch (direction) {
    case drTopToBottom:
    case drBottomToTop:
    case drUpDownToCenter:
    case drCenterToUpDown:
        return true;
    default:
        return false;
    }
}

bool GradientGeometry::mirrored(TDirection direction)
{
    return direction == drUpDownToCenter || direction == drCenterToUpDown
           || direction == drLeftRightToCenter || direction == drCenterToLeftRight;
}

int GradientGeometry::bandEntry(TDirection direction, int band)
{
    if (!mirrored(direction))
        return band;
    constexpr int half = Steps / 2;
    return band < half ? 2 * band + 1 : 2 * (Steps - 1) - 2 * band;
}

std::pair<int, int> GradientGeometry::bandSpan(int band, int extent)
{
    return {mulDiv(band, extent, Steps), mulDiv(band + 1, extent, Steps)};
}

int GradientGeometry::mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const qint64 product = qint64(a) * b;
    const qint64 magnitude =
        (std::llabs(product) + std::llabs(qint64(c)) / 2) / std::llabs(qint64(c));
    const bool negative = (product < 0) != (c < 0);
    return int(negative ? -magnitude : magnitude);
}
