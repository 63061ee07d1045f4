#pragma once

#include "PanelButtons.h"

#include <QString>

// The front panel of the simulated instrument: the fifteen buttons
// (PanelButtons) and the one menu the program drives remotely, the dump-out
// page of UTIL.
//
// UTIL opens the dump-out page with CURRENT chosen. SELECT -/+ step the
// choice between CURRENT, CUSTOM and INTERNAL; VALUE -/+ step the slot of a
// CUSTOM or INTERNAL choice, going round from the last slot to the first. The first ENTER asks for confirmation, the
// second starts the dump-out and goes back to the page. EXIT steps back
// (confirmation to page, page to play mode); any other button leaves the
// page.
class SimPanel : public PanelButtons
{
public:
    enum class Page { Play, DumpOut, DumpOutConfirm, Other };
    enum class Target { Current, Custom, Internal };

    // What a press asks the instrument to do.
    struct Action
    {
        bool dump = false;
        Target target = Target::Current;
        int slot = 0; // 1-based, for Custom and Internal
    };

    static constexpr int CustomSlots = 6;
    static constexpr int InternalSlots = 64;

    // Presses a button (switch number 0..14); other numbers change nothing.
    Action press(int button);

    Page page() const { return m_page; }
    Target target() const { return m_target; }
    int slot() const { return m_slot; }
    // What the display would show, for the log.
    QString display() const;

private:
    void step(int delta);
    void stepSlot(int delta);

    Page m_page = Page::Play;
    Target m_target = Target::Current;
    int m_slot = 1;
};
