#include "KeyboardGeometry.h"

#include <QtGlobal>

namespace {

// Keeps every product of the note arithmetic inside 32 bits.
constexpr int MaxOctave = 1000000;

void addIfNotEmpty(QList<QRect> &rects, int x, int y, int w, int h)
{
    if (w > 0 && h > 0)
        rects.append(QRect(x, y, w, h));
}

} // namespace

KeyboardGeometry::KeyboardGeometry(TKeyboardOrientation orientation, int noteWidth, int baseOctave,
                                   int width, int height, bool velocityMode)
    : m_orientation(orientation), m_noteWidth(qBound(1, noteWidth, MaxExtent)),
      m_baseOctave(qBound(-MaxOctave, baseOctave, MaxOctave)), m_width(qBound(0, width, MaxExtent)),
      m_height(qBound(0, height, MaxExtent)), m_velocityMode(velocityMode)
{
}

int KeyboardGeometry::keyboardLength() const
{
    return m_orientation == kbHorizontal ? m_width : m_height;
}

int KeyboardGeometry::keyLength() const
{
    return m_orientation == kbHorizontal ? m_height : m_width;
}

int KeyboardGeometry::blackKeyLength() const
{
    return keyLength() * 3 / 5;
}

int KeyboardGeometry::blackKeyWidth() const
{
    const int w = m_noteWidth * 3 / 5;
    return w % 2 == 0 ? w + 1 : w;
}

int KeyboardGeometry::halfWidth() const
{
    return blackKeyWidth() / 2;
}

int KeyboardGeometry::whiteSemitone(int w)
{
    const int s = 2 * w;
    return s >= 6 ? s - 1 : s;
}

KeyboardGeometry::Hit KeyboardGeometry::noteAt(int x, int y) const
{
    const int along = m_orientation == kbHorizontal ? x : m_height - y - 1;
    const int across = m_orientation == kbHorizontal ? y : x;
    if (along < 0)
        return {};

    const int nw = m_noteWidth;
    const int h = halfWidth();
    const int k = along / nw;
    const int r = along % nw;
    const int octave = k / WhiteKeysPerOctave;
    int w = k % WhiteKeysPerOctave;
    const int p = previousWhite(w);

    bool black = false;
    if (across < blackKeyLength()) {
        if (HasBlackKeyAfter[w] && r >= nw - h + BlackKeyOffset[w]) {
            black = true;
        } else if (HasBlackKeyAfter[p] && r < blackKeyWidth() - h + BlackKeyOffset[p]) {
            black = true;
            w = p; // p is never the B before a C, so the octave stays
        }
    }

    Hit hit;
    hit.note = (m_baseOctave + octave) * SemitonesPerOctave + whiteSemitone(w) + (black ? 1 : 0);
    if (!m_velocityMode) {
        hit.velocity = MaxVelocity;
    } else {
        const int depth = black ? blackKeyLength() : keyLength();
        hit.velocity = depth > 0 ? int(qint64(across) * MaxVelocity / depth) : 0;
    }
    return hit;
}

QList<QRect> KeyboardGeometry::highlightRects(int note) const
{
    QList<QRect> rects;
    const qint64 rel = qint64(note) - qint64(firstNote());
    if (rel < 0)
        return rects;
    const qint64 octave = rel / SemitonesPerOctave;
    const int s = int(rel % SemitonesPerOctave);
    const int t = s >= 5 ? s + 1 : s;
    const int w = t / 2;
    const bool black = t % 2 == 1;
    const int p = previousWhite(w);

    const qint64 start = (WhiteKeysPerOctave * octave + w) * qint64(m_noteWidth);
    if (start >= keyboardLength())
        return rects; // beyond the far edge: nothing visible to invert

    const int nw = m_noteWidth;
    const int h = halfWidth();
    const int bkw = blackKeyWidth();
    const int bkl = blackKeyLength();
    const int kl = keyLength();
    const int pos = int(start);
    const bool upperAfterOnly = w == 0 || w == 3;  // C, F
    const bool upperBeforeOnly = w == 2 || w == 6; // E, B

    if (m_orientation == kbHorizontal) {
        const int bx = pos + nw - h + BlackKeyOffset[w];
        const int px = pos - h + BlackKeyOffset[p];
        if (black) {
            addIfNotEmpty(rects, bx + 1, 1, bkw - 2, bkl - 2);
            return rects;
        }
        addIfNotEmpty(rects, pos + 2, bkl + 1, nw - 3, kl - bkl - 3);
        if (upperAfterOnly)
            addIfNotEmpty(rects, pos + 2, 2, bx - pos - 3, bkl - 1);
        else if (upperBeforeOnly)
            addIfNotEmpty(rects, px + bkw + 1, 2, pos + nw - px - bkw - 2, bkl - 1);
        else
            addIfNotEmpty(rects, px + bkw + 1, 2, bx - px - bkw - 2, bkl - 1);
        return rects;
    }

    const int top = m_height - pos - nw;
    const int bt = top - h - 1 - BlackKeyOffset[w];
    const int pt = top + nw - h - 1 - BlackKeyOffset[p];
    if (black) {
        addIfNotEmpty(rects, 1, bt + 1, bkl - 2, bkw - 2);
        return rects;
    }
    addIfNotEmpty(rects, bkl + 1, top + 1, kl - bkl - 3, nw - 3);
    if (upperAfterOnly)
        addIfNotEmpty(rects, 2, bt + bkw + 1, bkl - 1, nw - h - 4);
    else if (upperBeforeOnly)
        addIfNotEmpty(rects, 2, top + 1, bkl - 1, pt - top - 2);
    else
        addIfNotEmpty(rects, 2, bt + bkw + 1, bkl - 1, pt - bt - bkw - 2);
    return rects;
}

KeyboardGeometry::Drawing KeyboardGeometry::drawing() const
{
    Drawing d;
    const int nw = m_noteWidth;
    const int h = halfWidth();
    const int bkw = blackKeyWidth();
    const int bkl = blackKeyLength();
    const int kl = keyLength();
    const int length = keyboardLength();
    // Boundaries are walked on past the far edge as long as the black key
    // that belongs to one still reaches into the control, so that a black
    // key cut by the edge is drawn wherever the hit test finds it.
    int w = 0;
    if (m_orientation == kbHorizontal) {
        for (qint64 x = nw; x - h - 1 < length; x += nw) {
            if (x < length && kl > 0)
                d.separators.append(QLine(int(x), 0, int(x), kl - 1));
            const qint64 start = x - h + BlackKeyOffset[w];
            if (HasBlackKeyAfter[w] && bkl > 0 && start < length)
                d.blackKeys.append(QRect(int(start), 0, bkw, bkl));
            w = (w + 1) % WhiteKeysPerOctave;
        }
    } else {
        for (qint64 y = qint64(length) - nw - 1; y + h + 1 > 0; y -= nw) {
            if (y > 0 && kl > 0)
                d.separators.append(QLine(0, int(y), kl - 1, int(y)));
            const qint64 top = y - h - BlackKeyOffset[w];
            if (HasBlackKeyAfter[w] && bkl > 0 && top + bkw > 0)
                d.blackKeys.append(QRect(0, int(top), bkl, bkw));
            w = (w + 1) % WhiteKeysPerOctave;
        }
    }
    return d;
}
