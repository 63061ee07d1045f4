#include "SimPanel.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<SimPanel::Target, 3> Targets = {
    SimPanel::Target::Current,
    SimPanel::Target::Custom,
    SimPanel::Target::Internal,
};

} // namespace

SimPanel::Action SimPanel::press(int button)
{
    Action action;
    if (button < 0 || button >= ButtonCount)
        return action;

    const bool onDumpPage = m_page == Page::DumpOut || m_page == Page::DumpOutConfirm;
    switch (button) {
    case Util:
        m_page = Page::DumpOut;
        m_target = Target::Current;
        m_slot = 1;
        break;
    case Play:
        m_page = Page::Play;
        break;
    case Exit:
        if (m_page == Page::DumpOutConfirm)
            m_page = Page::DumpOut;
        else
            m_page = Page::Play;
        break;
    case Enter:
        if (m_page == Page::DumpOut) {
            m_page = Page::DumpOutConfirm;
        } else if (m_page == Page::DumpOutConfirm) {
            m_page = Page::DumpOut;
            action.dump = true;
            action.target = m_target;
            action.slot = m_target == Target::Current ? 0 : m_slot;
        }
        break;
    case SelectMinus:
    case SelectPlus:
        if (onDumpPage) {
            m_page = Page::DumpOut;
            step(button == SelectPlus ? 1 : -1);
        }
        break;
    case ValueMinus:
    case ValuePlus:
        if (onDumpPage) {
            m_page = Page::DumpOut;
            stepSlot(button == ValuePlus ? 1 : -1);
        }
        break;
    default:
        // MODE, EDIT, EFFECT, BREATH, MIDI/WX, PART: pages the program never drives.
        m_page = Page::Other;
        break;
    }
    return action;
}

void SimPanel::step(int delta)
{
    const auto at = std::find(Targets.begin(), Targets.end(), m_target) - Targets.begin();
    const auto next = std::clamp<long>(at + delta, 0, static_cast<long>(Targets.size()) - 1);
    if (next != at) {
        m_target = Targets[static_cast<std::size_t>(next)];
        m_slot = 1;
    }
}

void SimPanel::stepSlot(int delta)
{
    if (m_target == Target::Current)
        return;
    const int last = m_target == Target::Custom ? CustomSlots : InternalSlots;
    m_slot = (m_slot - 1 + delta + last) % last + 1;
}

QString SimPanel::display() const
{
    QString what;
    switch (m_target) {
    case Target::Current:
        what = QStringLiteral("CURRENT");
        break;
    case Target::Custom:
        what = QStringLiteral("CUSTOM %1").arg(m_slot);
        break;
    case Target::Internal:
        what = QStringLiteral("INTERNAL %1").arg(m_slot);
        break;
    }
    switch (m_page) {
    case Page::Play:
        return QStringLiteral("PLAY");
    case Page::DumpOut:
        return QStringLiteral("DUMPOUT %1").arg(what);
    case Page::DumpOutConfirm:
        return QStringLiteral("DUMPOUT %1 sure?").arg(what);
    case Page::Other:
        break;
    }
    return QStringLiteral("other page");
}
