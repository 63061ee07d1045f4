#include "DeviceNumberOption.h"

#include "SubcommandWords.h"

std::optional<quint8> DeviceNumberOption::parse(const SubcommandWords &arguments)
{
    if (!arguments.has(Name))
        return std::nullopt;
    return quint8(arguments.number(Name, Lowest, Highest, Lowest) - Lowest);
}
