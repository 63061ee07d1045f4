#include "RemoteHotSpots.h"

#include <QKeyEvent>

namespace {

struct KeyTag
{
    int key;
    bool keypad; // the key counts only when it comes from the keypad
    int tag;
};

// Letters and Enter from anywhere; digits from the keypad only.
constexpr std::array<KeyTag, 16> Keys{{
    {Qt::Key_Return, false, 7},
    {Qt::Key_Enter, false, 7},
    {Qt::Key_4, true, 7},
    {Qt::Key_B, false, 5},
    {Qt::Key_E, false, 3},
    {Qt::Key_F, false, 4},
    {Qt::Key_M, false, 2},
    {Qt::Key_U, false, 1},
    {Qt::Key_1, true, 8},
    {Qt::Key_2, true, 11},
    {Qt::Key_3, true, 14},
    {Qt::Key_5, true, 10},
    {Qt::Key_6, true, 13},
    {Qt::Key_7, true, 6},
    {Qt::Key_8, true, 9},
    {Qt::Key_9, true, 12},
}};

} // namespace

int RemoteHotSpots::tagForKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (!modifiers.testFlag(Qt::AltModifier))
        return -1;
    const bool fromKeypad = modifiers.testFlag(Qt::KeypadModifier);
    for (const KeyTag &k : Keys) {
        if (k.key == key && (!k.keypad || fromKeypad))
            return k.tag;
    }
    return -1;
}

int RemoteHotSpots::tagForKey(const QKeyEvent &event)
{
    return tagForKey(event.key(), event.modifiers());
}
