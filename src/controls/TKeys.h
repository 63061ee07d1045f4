#pragma once

#include "KeyboardGeometry.h"

#include <QBrush>
#include <QPen>
#include <QWidget>

#include <bitset>
#include <functional>

// A key press or release: the control, the note number and the velocity.
using TKeyboardNoteEvent = std::function<void(QObject *Sender, int note, int velocity)>;

// On-screen piano keyboard. Paints white and black keys, turns pointer
// presses and drags into notes with a velocity, shows held keys inverted and
// reports every press and release through OnNoteOn and OnNoteOff.
class TKeys : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(TKeyboardOrientation Orientation READ Orientation WRITE setOrientation)
    Q_PROPERTY(int NoteWidth READ NoteWidth WRITE setNoteWidth)
    Q_PROPERTY(int BaseOctave READ BaseOctave WRITE setBaseOctave)
    Q_PROPERTY(QBrush BlackBrush READ BlackBrush WRITE setBlackBrush)
    Q_PROPERTY(QBrush WhiteBrush READ WhiteBrush WRITE setWhiteBrush)
    Q_PROPERTY(QPen Pen READ Pen WRITE setPen)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE setShowHint)
    Q_PROPERTY(bool VelocityMode READ VelocityMode WRITE setVelocityMode)

public:
    static constexpr int NoteCount = 128;
    static constexpr int DefaultWidth = 200;
    static constexpr int DefaultHeight = 50;
    static constexpr int DefaultNoteWidth = 10;
    static constexpr int DefaultBaseOctave = 3;

    explicit TKeys(QWidget *parent = nullptr);
    ~TKeys() override;

    TKeyboardOrientation Orientation() const { return m_orientation; }
    void setOrientation(TKeyboardOrientation orientation);
    int NoteWidth() const { return m_noteWidth; }
    // Values below 1 are taken as 1.
    void setNoteWidth(int width);
    int BaseOctave() const { return m_baseOctave; }
    void setBaseOctave(int octave);
    QBrush BlackBrush() const { return m_blackBrush; }
    void setBlackBrush(const QBrush &brush);
    QBrush WhiteBrush() const { return m_whiteBrush; }
    void setWhiteBrush(const QBrush &brush);
    QPen Pen() const { return m_pen; }
    void setPen(const QPen &pen);
    // Whether the tool tip (the hint) is shown.
    bool ShowHint() const { return m_showHint; }
    void setShowHint(bool show) { m_showHint = show; }
    bool VelocityMode() const { return m_velocityMode; }
    void setVelocityMode(bool on) { m_velocityMode = on; }

    // The note last pressed by the pointer, -1 before the first press. It is
    // kept after the release.
    int CurrentNote() const { return m_currentNote; }
    bool isPressed(int note) const;

    // The geometry of the keyboard at its current size and settings.
    KeyboardGeometry keyGeometry() const;

    // Hit test: the note may lie outside 0..127.
    KeyboardGeometry::Hit NoteAt(int x, int y) const;
    // Highlights the key unless already held, then reports the press (also a
    // repeated one) when notify is set. Notes outside 0..127 are ignored.
    void PressNote(int note, int velocity, bool notify);
    // Clears the highlight if the key is held, then reports the release
    // (also of a key not held) with velocity 0 when notify is set.
    void ReleaseNote(int note, bool notify);
    // Toggles the highlight of one key.
    void InvertKey(int note);

    TKeyboardNoteEvent OnNoteOn;
    TKeyboardNoteEvent OnNoteOff;

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    static bool isNote(int note) { return note >= 0 && note < NoteCount; }
    void updateKey(int note);

    TKeyboardOrientation m_orientation = kbHorizontal;
    int m_noteWidth = DefaultNoteWidth;
    int m_baseOctave = DefaultBaseOctave;
    QBrush m_blackBrush{Qt::black, Qt::SolidPattern};
    QBrush m_whiteBrush{Qt::white, Qt::SolidPattern};
    QPen m_pen{Qt::black};
    bool m_showHint = true;
    bool m_velocityMode = true;

    // Keys drawn inverted; equal to the held keys unless InvertKey is called
    // on its own.
    std::bitset<NoteCount> m_inverted;
    std::bitset<NoteCount> m_pressedNotes;
    int m_currentNote = -1;
};
