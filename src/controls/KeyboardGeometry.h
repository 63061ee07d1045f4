#pragma once

#include <QLine>
#include <QList>
#include <QRect>

#include <array>

// Direction in which the keys of a piano keyboard are laid out.
enum TKeyboardOrientation : quint8 { kbHorizontal, kbVertical };

// Key metrics, hit test and highlight rectangles of a piano keyboard of a
// given size. Horizontal keyboards run low to high from left to right with
// the black keys hanging from the top edge; vertical ones run from bottom to
// top with the black keys reaching in from the left edge. A plain value: all
// metrics are derived from the six inputs on every call.
class KeyboardGeometry
{
public:
    struct Hit
    {
        int note = -1;
        int velocity = 0;
    };

    // What a repaint draws over the white background: the separator lines
    // between white keys (end points included) and the black key rectangles
    // (each outlined with the pen and filled with the black brush).
    struct Drawing
    {
        QList<QLine> separators;
        QList<QRect> blackKeys;
    };

    static constexpr int WhiteKeysPerOctave = 7;
    static constexpr int SemitonesPerOctave = 12;
    static constexpr int MaxVelocity = 127;
    static constexpr int HighestNote = 127;
    // Largest size and note width taken; larger values are clamped (a widget
    // is never larger).
    static constexpr int MaxExtent = (1 << 24) - 1;
    // Shift of the black key that follows each white key (C..B), in pixels
    // toward higher notes.
    static constexpr std::array<int, WhiteKeysPerOctave> BlackKeyOffset{-1, 1, 0, -1, 0, 1, 0};
    // Which white keys (C..B) have a black key after them.
    static constexpr std::array<bool, WhiteKeysPerOctave> HasBlackKeyAfter{true, true, false, true,
                                                                           true, true, false};

    KeyboardGeometry(TKeyboardOrientation orientation, int noteWidth, int baseOctave, int width,
                     int height, bool velocityMode = true);

    // Extent along which the keys are laid out, and the length of a white key.
    int keyboardLength() const;
    int keyLength() const;
    int blackKeyLength() const;
    // Always odd, so a black key has a middle pixel.
    int blackKeyWidth() const;
    int halfWidth() const;
    int firstNote() const { return m_baseOctave * SemitonesPerOctave; }

    // The key under a point of the control. The note may lie outside 0..127,
    // and is -1 for a point before the first key.
    Hit noteAt(int x, int y) const;

    // The rectangles whose pixels are inverted to show the note's key held.
    // Empty rectangles are left out.
    QList<QRect> highlightRects(int note) const;

    Drawing drawing() const;

    // Semitone (0..11) of white key w (0..6, C..B).
    static int whiteSemitone(int w);

private:
    static int previousWhite(int w) { return w == 0 ? WhiteKeysPerOctave - 1 : w - 1; }

    TKeyboardOrientation m_orientation;
    int m_noteWidth;
    int m_baseOctave;
    int m_width;
    int m_height;
    bool m_velocityMode;
};
