#pragma once

#include <QString>

#include <optional>

class SubcommandWords;

// `--device D`: the instrument's device number as its display shows it,
// 1..16; what the messages carry is one less.
class DeviceNumberOption
{
public:
    static inline const QString Name = QStringLiteral("device");
    static constexpr int Lowest = 1;
    static constexpr int Highest = 16;

    // The 0-based device number given, none when the option is absent;
    // raises UsageError for anything outside 1..16.
    static std::optional<quint8> parse(const SubcommandWords &arguments);
};
