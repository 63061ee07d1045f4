#pragma once

#include <QRect>
#include <QString>

#include <array>

class QKeyEvent;

// The fifteen hot-spots laid over the front-panel picture: where each lies
// on the panel, the switch number it presses (its tag), its hint, and the
// ALT shortcuts that press it.
class RemoteHotSpots
{
public:
    struct HotSpot
    {
        const char *name;   // object name of the label
        int tag;            // switch number sent to the instrument
        const char *button; // the button's name on the picture
        int left;
        int top;
        int width;
        int height;
        const char *hint;

        QRect rect() const { return QRect(left, top, width, height); }
    };

    static constexpr int Count = 15;
    // Switch numbers count down each column, left column first.
    static constexpr int Rows = 3;
    static constexpr int Columns = 5;
    static constexpr int PlayTag = 0;
    static constexpr int EnterTag = 7;

    static constexpr std::array<HotSpot, Count> All{{
        {"lblPlay", 0, "PLAY", 2, 16, 25, 25, "Play"},
        {"lblUtil", 1, "UTIL", 2, 45, 25, 25, "ALT + U"},
        {"lblMode", 2, "MODE", 2, 72, 25, 25, "ALT + M"},
        {"lblEdit", 3, "EDIT", 32, 16, 26, 25, "ALT + E"},
        {"lblEffect", 4, "EFFECT", 32, 45, 26, 25, "ALT + F"},
        {"lblBreath", 5, "BREATH", 32, 72, 26, 25, "ALT + B"},
        {"lblMidiWX", 6, "MIDI/WX", 73, 16, 26, 25, "ALT + NUM 7"},
        {"lblEnter", 7, "ENTER", 73, 45, 26, 25, "ALT + ENTER"},
        {"lblExit", 8, "EXIT", 73, 72, 26, 25, "ALT + NUM 1"},
        {"lblPartm", 9, "PART -", 104, 16, 25, 25, "ALT + NUM 8"},
        {"lblSelm", 10, "SELECT -", 104, 45, 25, 25, "ALT + NUM 5"},
        {"lblValm", 11, "VALUE -", 104, 72, 25, 25, "ALT + NUM 2"},
        {"lblPartp", 12, "PART +", 133, 16, 26, 25, "ALT + NUM 9"},
        {"lblSelp", 13, "SELECT +", 133, 45, 26, 25, "ALT + NUM 6"},
        {"lblValp", 14, "VALUE +", 133, 72, 26, 25, "ALT + NUM 3"},
    }};

    // The switch number that a key pressed with these modifiers presses, or
    // -1. ALT must be held (SHIFT and CTRL do not matter). Enter is the main
    // Return key and the keypad's Enter; digits count only from the keypad
    // (Qt's keypad modifier), and keypad keys with Num Lock off (arrows,
    // Home, Insert...) press nothing. PLAY has no shortcut.
    static int tagForKey(int key, Qt::KeyboardModifiers modifiers);
    static int tagForKey(const QKeyEvent &event);
};
