#include "TKeys.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace {

constexpr int MaxBaseOctave = 1000000;

} // namespace

TKeys::TKeys(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(DefaultWidth, DefaultHeight);
}

TKeys::~TKeys() = default;

void TKeys::setOrientation(TKeyboardOrientation orientation)
{
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    update();
}

void TKeys::setNoteWidth(int width)
{
    width = qBound(1, width, KeyboardGeometry::MaxExtent);
    if (width == m_noteWidth)
        return;
    m_noteWidth = width;
    update();
}

void TKeys::setBaseOctave(int octave)
{
    octave = qBound(-MaxBaseOctave, octave, MaxBaseOctave);
    if (octave == m_baseOctave)
        return;
    m_baseOctave = octave;
    repaint();
}

void TKeys::setBlackBrush(const QBrush &brush)
{
    m_blackBrush = brush;
    update();
}

void TKeys::setWhiteBrush(const QBrush &brush)
{
    m_whiteBrush = brush;
    update();
}

void TKeys::setPen(const QPen &pen)
{
    m_pen = pen;
    update();
}

bool TKeys::isPressed(int note) const
{
    return isNote(note) && m_pressedNotes.test(std::size_t(note));
}

KeyboardGeometry TKeys::keyGeometry() const
{
    return KeyboardGeometry(m_orientation, m_noteWidth, m_baseOctave, width(), height(),
                            m_velocityMode);
}

KeyboardGeometry::Hit TKeys::NoteAt(int x, int y) const
{
    return keyGeometry().noteAt(x, y);
}

void TKeys::PressNote(int note, int velocity, bool notify)
{
    if (!isNote(note))
        return;
    if (!m_pressedNotes.test(std::size_t(note))) {
        InvertKey(note);
        m_pressedNotes.set(std::size_t(note));
    }
    if (notify && OnNoteOn)
        OnNoteOn(this, note, velocity);
}

void TKeys::ReleaseNote(int note, bool notify)
{
    if (!isNote(note))
        return;
    if (m_pressedNotes.test(std::size_t(note))) {
        InvertKey(note);
        m_pressedNotes.reset(std::size_t(note));
    }
    if (notify && OnNoteOff)
        OnNoteOff(this, note, 0);
}

void TKeys::InvertKey(int note)
{
    if (!isNote(note))
        return;
    m_inverted.flip(std::size_t(note));
    updateKey(note);
}

void TKeys::updateKey(int note)
{
    QRegion region;
    for (const QRect &r : keyGeometry().highlightRects(note))
        region += r;
    if (!region.isEmpty())
        update(region);
}

bool TKeys::event(QEvent *e)
{
    if (e->type() == QEvent::ToolTip && !m_showHint) {
        e->ignore();
        return true;
    }
    return QWidget::event(e);
}

void TKeys::paintEvent(QPaintEvent *)
{
    const KeyboardGeometry g = keyGeometry();
    QPainter painter(this);

    // Outline and background; the outline covers the first and last row and column.
    painter.setPen(m_pen);
    painter.setBrush(m_whiteBrush);
    if (width() > 0 && height() > 0)
        painter.drawRect(QRect(0, 0, width() - 1, height() - 1));

    const KeyboardGeometry::Drawing d = g.drawing();
    painter.drawLines(d.separators);
    painter.setBrush(m_blackBrush);
    for (const QRect &r : d.blackKeys)
        painter.drawRect(r.adjusted(0, 0, -1, -1));

    // Held keys stay highlighted across repaints.
    if (m_inverted.none())
        return;
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    for (int note = 0; note < NoteCount; ++note) {
        if (!m_inverted.test(std::size_t(note)))
            continue;
        for (const QRect &r : g.highlightRects(note))
            painter.fillRect(r, Qt::black);
    }
}

void TKeys::mousePressEvent(QMouseEvent *e)
{
    // Qt grabs the pointer for the widget while any button is held.
    if (e->button() != Qt::LeftButton)
        return;
    const QPoint p = e->position().toPoint();
    const KeyboardGeometry::Hit hit = NoteAt(p.x(), p.y());
    if (isNote(hit.note)) {
        m_currentNote = hit.note;
        PressNote(hit.note, hit.velocity, true);
    }
}

void TKeys::mouseMoveEvent(QMouseEvent *e)
{
    if (!(e->buttons() & Qt::LeftButton))
        return;
    const QPoint p = e->position().toPoint();
    // The last row and column count as outside, so the note there keeps sounding.
    if (p.x() < 0 || p.y() < 0 || p.x() > width() - 2 || p.y() > height() - 2)
        return;
    const KeyboardGeometry::Hit hit = NoteAt(p.x(), p.y());
    if (!isNote(hit.note) || hit.note == m_currentNote)
        return;
    ReleaseNote(m_currentNote, true);
    m_currentNote = hit.note;
    PressNote(hit.note, hit.velocity, true);
}

void TKeys::mouseReleaseEvent(QMouseEvent *)
{
    if (isNote(m_currentNote))
        ReleaseNote(m_currentNote, true);
}
