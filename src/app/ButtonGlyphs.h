#pragma once

#include <QIcon>

// The small pictures of the main window's buttons and its icon, drawn in
// code: cheap to make at start-up and the same on every platform. Each icon
// has a normal and a disabled (greyed) state.
class ButtonGlyphs
{
public:
    enum Glyph { Open, Save, Import, Send, Close, Window };

    static QIcon icon(Glyph glyph);
};
