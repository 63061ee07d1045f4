#include "DeviceNumberOption.h"

#include "CommandArguments.h"

std::optional<quint8> DeviceNumberOption::Parse(const CommandArguments &arguments)
{
    if (!arguments.has(Name))
        return std::nullopt;
    return quint8(arguments.number(Name, Lowest, Highest, Lowest) - Lowest);
}
