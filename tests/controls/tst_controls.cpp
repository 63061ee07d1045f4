#include "DataColumns.h"
#include "KeyboardGeometry.h"
#include "TKeys.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QSet>
#include <QtTest>

#include <vector>

namespace {

struct NoteEvent
{
    bool on;
    int note;
    int velocity;
    bool operator==(const NoteEvent &o) const = default;
};

// Records what a keyboard reports.
struct Recorder
{
    std::vector<NoteEvent> events;
    void attach(TKeys &keys)
    {
        keys.OnNoteOn = [this](QObject *, int n, int v) { events.push_back({true, n, v}); };
        keys.OnNoteOff = [this](QObject *, int n, int v) { events.push_back({false, n, v}); };
    }
};

void sendMouse(QWidget &w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
               QPoint at)
{
    QMouseEvent e(type, QPointF(at), w.mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

void press(QWidget &w, QPoint at, Qt::MouseButton b = Qt::LeftButton)
{
    sendMouse(w, QEvent::MouseButtonPress, b, b, at);
}

void drag(QWidget &w, QPoint at)
{
    sendMouse(w, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, at);
}

void release(QWidget &w, QPoint at, Qt::MouseButton b = Qt::LeftButton)
{
    sendMouse(w, QEvent::MouseButtonRelease, b, Qt::NoButton, at);
}

bool isBlackNote(int note)
{
    const int s = ((note % 12) + 12) % 12;
    return s == 1 || s == 3 || s == 6 || s == 8 || s == 10;
}

const QRgb PenColour = qRgb(200, 0, 0);
const QRgb BlackColour = qRgb(0, 0, 160);
const QRgb WhiteColour = qRgb(205, 255, 149);

void colourKeys(TKeys &keys)
{
    keys.setPen(QPen(QColor(PenColour)));
    keys.setBlackBrush(QBrush(QColor(BlackColour)));
    keys.setWhiteBrush(QBrush(QColor(WhiteColour)));
}

} // namespace

Q_DECLARE_METATYPE(TKeyboardOrientation)

class ControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void metrics_data();
    void metrics();
    void drawnKeys_data();
    void drawnKeys();
    void hitTest_data();
    void hitTest();
    void highlightsLieOnTheirKey_data();
    void highlightsLieOnTheirKey();
    void noteWidthBelowOneIsClamped();

    void defaults();
    void pointerPlaysGlissando();
    void stayingOnOneKeyOrLeavingKeepsTheNote();
    void otherButtons();
    void repeatedPressAndStrayRelease();
    void notesAboveTheRangeAreIgnored();

    void paintingMatchesHitTest_data();
    void paintingMatchesHitTest();
    void heldKeyIsInvertedAndSurvivesRepaint();
};

void ControlsTest::metrics_data()
{
    addColumns<TKeyboardOrientation, int, int, int, int, int, int>(
        "orientation", "width", "height", "noteWidth", "blackWidth", "half", "blackLength");

    QTest::newRow("defaults") << kbHorizontal << 200 << 50 << 10 << 7 << 3 << 30;
    QTest::newRow("main window strip") << kbHorizontal << 379 << 25 << 10 << 7 << 3 << 15;
    QTest::newRow("note width 5") << kbHorizontal << 200 << 50 << 5 << 3 << 1 << 30;
    QTest::newRow("note width 1") << kbHorizontal << 200 << 50 << 1 << 1 << 0 << 30;
    QTest::newRow("vertical uses width") << kbVertical << 50 << 200 << 10 << 7 << 3 << 30;
    QTest::newRow("one pixel deep") << kbHorizontal << 200 << 1 << 10 << 7 << 3 << 0;
}

void ControlsTest::metrics()
{
    QFETCH(TKeyboardOrientation, orientation);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, noteWidth);
    const KeyboardGeometry g(orientation, noteWidth, 3, width, height);
    QTEST(g.blackKeyWidth(), "blackWidth");
    QTEST(g.halfWidth(), "half");
    QTEST(g.blackKeyLength(), "blackLength");
}

void ControlsTest::drawnKeys_data()
{
    addColumns<TKeyboardOrientation, int, int, int, int, int>(
        "orientation", "width", "height", "separators", "lastSeparator", "blackKeys");

    // 20 whole white keys, the last boundary at x = 190.
    // The A sharp after the last boundary reaches into the control (x 198, 199).
    QTest::newRow("defaults") << kbHorizontal << 200 << 50 << 19 << 190 << 15;
    // 37 whole white keys and a 9-pixel partial one.
    QTest::newRow("main window strip") << kbHorizontal << 379 << 25 << 37 << 370 << 27;
    QTest::newRow("vertical") << kbVertical << 50 << 200 << 19 << 9 << 15;
    QTest::newRow("narrower than a key") << kbHorizontal << 8 << 50 << 0 << -1 << 1;
}

void ControlsTest::drawnKeys()
{
    QFETCH(TKeyboardOrientation, orientation);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, lastSeparator);
    const KeyboardGeometry::Drawing d =
        KeyboardGeometry(orientation, 10, 3, width, height).drawing();
    QTEST(int(d.separators.size()), "separators");
    QTEST(int(d.blackKeys.size()), "blackKeys");
    if (!d.separators.isEmpty()) {
        const QLine last = d.separators.last();
        QCOMPARE(orientation == kbHorizontal ? last.x1() : last.y1(), lastSeparator);
    }
}

void ControlsTest::hitTest_data()
{
    addColumns<TKeyboardOrientation, int, bool, int, int, int, int>(
        "orientation", "baseOctave", "velocityMode", "x", "y", "note", "velocity");

    // 200 x 50 horizontal, 50 x 200 vertical, NoteWidth 10.
    QTest::newRow("first pixel") << kbHorizontal << 3 << true << 0 << 0 << 36 << 0;
    QTest::newRow("x 5 is C") << kbHorizontal << 3 << true << 5 << 10 << 36 << 25;
    QTest::newRow("x 6 is C sharp") << kbHorizontal << 3 << true << 6 << 10 << 37 << 42;
    QTest::newRow("x 7 is C sharp") << kbHorizontal << 3 << true << 7 << 29 << 37 << 122;
    QTest::newRow("below black keys is white") << kbHorizontal << 3 << true << 7 << 30 << 36 << 76;
    QTest::newRow("last row") << kbHorizontal << 3 << true << 3 << 49 << 36 << 124;
    QTest::newRow("left part of D is C sharp") << kbHorizontal << 3 << true << 12 << 0 << 37 << 0;
    QTest::newRow("D") << kbHorizontal << 3 << true << 13 << 0 << 38 << 0;
    QTest::newRow("D sharp") << kbHorizontal << 3 << true << 18 << 0 << 39 << 0;
    QTest::newRow("E has no black key after") << kbHorizontal << 3 << true << 29 << 0 << 40 << 0;
    QTest::newRow("F has none before") << kbHorizontal << 3 << true << 30 << 0 << 41 << 0;
    QTest::newRow("A sharp") << kbHorizontal << 3 << true << 59 << 5 << 46 << 21;
    QTest::newRow("B") << kbHorizontal << 3 << true << 69 << 5 << 47 << 12;
    QTest::newRow("next octave") << kbHorizontal << 3 << true << 70 << 5 << 48 << 12;
    QTest::newRow("fixed velocity") << kbHorizontal << 3 << false << 0 << 0 << 36 << 127;
    QTest::newRow("fixed velocity black") << kbHorizontal << 3 << false << 7 << 0 << 37 << 127;
    QTest::newRow("base octave 11") << kbHorizontal << 11 << true << 0 << 40 << 132 << 101;
    QTest::newRow("before the first key") << kbHorizontal << 3 << true << -1 << 5 << -1 << 0;

    QTest::newRow("vertical bottom row") << kbVertical << 3 << true << 40 << 199 << 36 << 101;
    QTest::newRow("vertical black") << kbVertical << 3 << true << 29 << 192 << 37 << 122;
    QTest::newRow("vertical black stops at its length")
        << kbVertical << 3 << true << 30 << 192 << 36 << 76;
    QTest::newRow("vertical top pixel") << kbVertical << 3 << true << 40 << 0 << 69 << 101;
    QTest::newRow("vertical below the keyboard") << kbVertical << 3 << true << 5 << 200 << -1 << 0;
}

void ControlsTest::hitTest()
{
    QFETCH(TKeyboardOrientation, orientation);
    QFETCH(int, baseOctave);
    QFETCH(bool, velocityMode);
    QFETCH(int, x);
    QFETCH(int, y);
    const bool horizontal = orientation == kbHorizontal;
    const KeyboardGeometry g(orientation, 10, baseOctave, horizontal ? 200 : 50,
                             horizontal ? 50 : 200, velocityMode);
    const KeyboardGeometry::Hit hit = g.noteAt(x, y);
    QTEST(hit.note, "note");
    QTEST(hit.velocity, "velocity");
}

void ControlsTest::highlightsLieOnTheirKey_data()
{
    addColumns<TKeyboardOrientation, int, int, int>("orientation", "noteWidth", "width", "height");

    QTest::newRow("defaults") << kbHorizontal << 10 << 200 << 50;
    QTest::newRow("main window strip") << kbHorizontal << 10 << 379 << 25;
    QTest::newRow("wide keys") << kbHorizontal << 23 << 500 << 80;
    QTest::newRow("narrow keys") << kbHorizontal << 6 << 200 << 40;
    QTest::newRow("vertical") << kbVertical << 10 << 50 << 200;
    QTest::newRow("vertical wide") << kbVertical << 17 << 60 << 333;
}

// Every inverted pixel belongs to the key it highlights, and no two keys
// share a pixel, so inverting one key never disturbs another.
void ControlsTest::highlightsLieOnTheirKey()
{
    QFETCH(TKeyboardOrientation, orientation);
    QFETCH(int, noteWidth);
    QFETCH(int, width);
    QFETCH(int, height);
    const KeyboardGeometry g(orientation, noteWidth, 3, width, height);
    QSet<QPair<int, int>> used;
    int keysSeen = 0;
    for (int note = 0; note < 128; ++note) {
        const QList<QRect> rects = g.highlightRects(note);
        if (note < 36)
            QVERIFY2(rects.isEmpty(), "a key before the first one");
        if (!rects.isEmpty())
            ++keysSeen;
        for (const QRect &r : rects) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                for (int x = r.left(); x <= r.right(); ++x) {
                    if (x >= width || y >= height || y < 0)
                        continue; // cut by the far edge
                    QCOMPARE(g.noteAt(x, y).note, note);
                    QVERIFY(!used.contains({x, y}));
                    used.insert({x, y});
                }
            }
        }
    }
    QVERIFY(keysSeen > 12);
}

void ControlsTest::noteWidthBelowOneIsClamped()
{
    TKeys keys;
    keys.setNoteWidth(0);
    QCOMPARE(keys.NoteWidth(), 1);
    keys.setNoteWidth(-7);
    QCOMPARE(keys.NoteWidth(), 1);
    QCOMPARE(keys.NoteAt(12, 40).note, 57); // white key 12: the A of the second octave
    QVERIFY(!keys.grab().isNull());         // painting ends
    keys.setOrientation(kbVertical);
    QVERIFY(!keys.grab().isNull());
}

void ControlsTest::defaults()
{
    TKeys keys;
    QCOMPARE(keys.size(), QSize(200, 50));
    QCOMPARE(keys.CurrentNote(), -1);
    QCOMPARE(keys.NoteAt(0, 49).note, 36);
}

void ControlsTest::pointerPlaysGlissando()
{
    TKeys keys;
    Recorder rec;
    rec.attach(keys);
    press(keys, {3, 40});
    drag(keys, {15, 40});
    drag(keys, {8, 10});
    release(keys, {8, 10});
    const std::vector<NoteEvent> expected{{true, 36, 40 * 127 / 50}, {false, 36, 0},
                                          {true, 38, 40 * 127 / 50}, {false, 38, 0},
                                          {true, 37, 10 * 127 / 30}, {false, 37, 0}};
    QCOMPARE(rec.events, expected);
    QCOMPARE(keys.CurrentNote(), 37);
    QVERIFY(!keys.isPressed(36) && !keys.isPressed(37) && !keys.isPressed(38));
}

void ControlsTest::stayingOnOneKeyOrLeavingKeepsTheNote()
{
    TKeys keys;
    Recorder rec;
    rec.attach(keys);
    press(keys, {3, 40});
    drag(keys, {4, 45});   // same key, another velocity: no retrigger
    drag(keys, {15, 49});  // last row counts as outside
    drag(keys, {199, 10}); // last column too
    drag(keys, {250, 10}); // outside the control
    drag(keys, {-5, 10});
    QCOMPARE(rec.events.size(), std::size_t(1));
    QVERIFY(keys.isPressed(36));
    release(keys, {250, 10});
    QCOMPARE(rec.events.back(), (NoteEvent{false, 36, 0}));
    // Moving with no button held plays nothing.
    sendMouse(keys, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, {30, 10});
    QCOMPARE(rec.events.size(), std::size_t(2));
}

void ControlsTest::otherButtons()
{
    TKeys keys;
    Recorder rec;
    rec.attach(keys);
    press(keys, {3, 40}, Qt::RightButton);
    release(keys, {3, 40}, Qt::RightButton);
    QVERIFY(rec.events.empty());

    press(keys, {3, 40});
    release(keys, {3, 40});
    // A later right click releases the last note once more.
    press(keys, {50, 40}, Qt::RightButton);
    release(keys, {50, 40}, Qt::RightButton);
    QCOMPARE(rec.events.size(), std::size_t(3));
    QCOMPARE(rec.events.back(), (NoteEvent{false, 36, 0}));
    QVERIFY(!keys.isPressed(36));
}

void ControlsTest::repeatedPressAndStrayRelease()
{
    TKeys keys;
    colourKeys(keys);
    Recorder rec;
    rec.attach(keys);
    const QImage released = keys.grab().toImage();

    keys.PressNote(40, 90, true);
    const QImage once = keys.grab().toImage();
    keys.PressNote(40, 91, true);
    QCOMPARE(keys.grab().toImage(), once); // inverted only once
    QVERIFY(once != released);

    keys.ReleaseNote(40, true);
    QCOMPARE(keys.grab().toImage(), released);
    keys.ReleaseNote(40, true);
    keys.ReleaseNote(41, false);
    QCOMPARE(keys.grab().toImage(), released);
    const std::vector<NoteEvent> expected{
        {true, 40, 90}, {true, 40, 91}, {false, 40, 0}, {false, 40, 0}};
    QCOMPARE(rec.events, expected);
}

void ControlsTest::notesAboveTheRangeAreIgnored()
{
    TKeys keys;
    Recorder rec;
    rec.attach(keys);
    keys.setBaseOctave(11);
    press(keys, {0, 40});
    drag(keys, {100, 40});
    release(keys, {100, 40});
    QVERIFY(rec.events.empty());
    QCOMPARE(keys.CurrentNote(), -1);

    keys.PressNote(128, 10, true);
    keys.PressNote(-1, 10, true);
    keys.ReleaseNote(200, true);
    QVERIFY(rec.events.empty());
}

void ControlsTest::paintingMatchesHitTest_data()
{
    addColumns<TKeyboardOrientation, int, QSize>("orientation", "noteWidth", "size");

    QTest::newRow("defaults") << kbHorizontal << 10 << QSize(200, 50);
    QTest::newRow("main window strip") << kbHorizontal << 10 << QSize(379, 25);
    QTest::newRow("wide keys") << kbHorizontal << 19 << QSize(300, 90);
    QTest::newRow("vertical") << kbVertical << 10 << QSize(50, 200);
    QTest::newRow("vertical wide") << kbVertical << 14 << QSize(70, 251);
}

// A rendered keyboard: every pixel painted as a black key is hit as a black
// key and every pixel painted white as a white key.
void ControlsTest::paintingMatchesHitTest()
{
    QFETCH(TKeyboardOrientation, orientation);
    QFETCH(int, noteWidth);
    QFETCH(QSize, size);
    TKeys keys;
    colourKeys(keys);
    keys.setOrientation(orientation);
    keys.setNoteWidth(noteWidth);
    keys.resize(size);
    const QImage image = keys.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), size);

    int blackPixels = 0;
    int whitePixels = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb c = image.pixel(x, y) & 0xFFFFFF;
            const int note = keys.NoteAt(x, y).note;
            if (c == (BlackColour & 0xFFFFFF)) {
                ++blackPixels;
                QVERIFY2(isBlackNote(note), qPrintable(QString("%1,%2").arg(x).arg(y)));
            } else if (c == (WhiteColour & 0xFFFFFF)) {
                ++whitePixels;
                QVERIFY2(!isBlackNote(note), qPrintable(QString("%1,%2").arg(x).arg(y)));
            } else {
                QCOMPARE(c, PenColour & 0xFFFFFF);
            }
        }
    }
    QVERIFY(blackPixels > 0 && whitePixels > blackPixels);
    // The outline: first and last rows and columns are drawn with the pen.
    QCOMPARE(image.pixel(0, 0) & 0xFFFFFF, PenColour & 0xFFFFFF);
    QCOMPARE(image.pixel(size.width() - 1, size.height() - 1) & 0xFFFFFF, PenColour & 0xFFFFFF);
}

void ControlsTest::heldKeyIsInvertedAndSurvivesRepaint()
{
    TKeys keys;
    colourKeys(keys);
    const QImage before = keys.grab().toImage().convertToFormat(QImage::Format_RGB32);
    keys.PressNote(37, 100, false); // C sharp
    keys.PressNote(43, 100, false); // G
    const QImage held = keys.grab().toImage().convertToFormat(QImage::Format_RGB32);

    QSet<QPair<int, int>> inverted;
    for (int note : {37, 43})
        for (const QRect &r : keys.keyGeometry().highlightRects(note))
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    inverted.insert({x, y});
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x) {
            const QRgb expected =
                inverted.contains({x, y}) ? ~before.pixel(x, y) : before.pixel(x, y);
            QCOMPARE(held.pixel(x, y) & 0xFFFFFF, expected & 0xFFFFFF);
        }
    }

    // A change of geometry keeps the key held and highlighted where it now lies.
    keys.setNoteWidth(12);
    QVERIFY(keys.isPressed(37));
    const QImage moved = keys.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect black = keys.keyGeometry().highlightRects(37).first();
    QCOMPARE(moved.pixel(black.center()) & 0xFFFFFF, ~BlackColour & 0xFFFFFF);

    keys.ReleaseNote(37, false);
    keys.ReleaseNote(43, false);
    keys.setNoteWidth(10);
    QCOMPARE(keys.grab().toImage().convertToFormat(QImage::Format_RGB32), before);
}

QTEST_MAIN(ControlsTest)
#include "tst_controls.moc"
