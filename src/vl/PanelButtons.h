#pragma once

#include <QString>

// The instrument's fifteen front-panel buttons, by the switch numbers its
// remote switch message carries (counted down each column, left column
// first), and the names printed on them.
class PanelButtons
{
public:
    enum Button {
        Play = 0,
        Util = 1,
        Mode = 2,
        Edit = 3,
        Effect = 4,
        Breath = 5,
        MidiWx = 6,
        Enter = 7,
        Exit = 8,
        PartMinus = 9,
        SelectMinus = 10,
        ValueMinus = 11,
        PartPlus = 12,
        SelectPlus = 13,
        ValuePlus = 14,
    };
    static constexpr int ButtonCount = 15;

    // "switch N" for a number no button has.
    static QString buttonName(int button);
};
