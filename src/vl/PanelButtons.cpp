#include "PanelButtons.h"

#include <array>

namespace {

const std::array<const char *, PanelButtons::ButtonCount> ButtonNames = {
    "PLAY", "UTIL",   "MODE",     "EDIT",    "EFFECT", "BREATH",   "MIDI/WX", "ENTER",
    "EXIT", "PART -", "SELECT -", "VALUE -", "PART +", "SELECT +", "VALUE +",
};

} // namespace

QString PanelButtons::buttonName(int button)
{
    if (button < 0 || button >= ButtonCount)
        return QStringLiteral("switch %1").arg(button);
    return QString::fromLatin1(ButtonNames[static_cast<std::size_t>(button)]);
}
