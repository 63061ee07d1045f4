// The main window's keyboard strip: where it sits and how it looks, and the
// way its notes take to the instrument: through the device manager's output
// port on channel 1, never through the keyboard's own port.

#include "DataColumns.h"
#include "MainWindowRig.h"
#include "SimulatedVl70mDevice.h"
#include "TMIDIKeys.h"
#include "TVLManager.h"
#include "TfmVLDump.h"
#include "WidgetPrompts.h"

#include <QComboBox>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString MachinePort = QStringLiteral("Machine port");

void sendMouse(QWidget *w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
               QPoint at)
{
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QString hex(const QList<QByteArray> &messages)
{
    QStringList list;
    for (const QByteArray &m : messages)
        list << QString::fromLatin1(m.toHex(' '));
    return list.join(QStringLiteral(" | "));
}

// The main window on loopback devices: a machine port first (the device -1
// opens) and the simulated instrument after it. The window goes first.
struct Rig : MainWindowRig
{
    LoopbackMidi::DevicePair machine = platform.addDevicePair(MachinePort);
    SimulatedVl70mDevice instrument{platform, sleeper};

    Rig() { open(); }
    ~Rig() { window.reset(); } // before the instrument it plays

    TMIDIKeys *keys() const { return child<TMIDIKeys>("MIDIKeys1"); }
    int simulatorOutput() const { return instrument.devices().output; }
    // Opens on the platform: the device number asked for, in order.
    QList<int> outOpens() const
    {
        QList<int> devices;
        for (const LoopbackCall &c : platform.calls()) {
            if (c.call == MidiPlatform::Call::OutOpen)
                devices << c.device;
        }
        return devices;
    }
    QList<QByteArray> reachedInstrument()
    {
        platform.waitUntilSent();
        instrument.waitUntilIdle();
        return platform.received(simulatorOutput());
    }
};

} // namespace

class MainWindowKeysTest : public QObject
{
    Q_OBJECT

private slots:
    void placeAndLook();
    void pressDragRelease_data();
    void pressDragRelease();
    void outputThatCannotOpen();
    void releaseTakenByErrorBox();
};

void MainWindowKeysTest::placeAndLook()
{
    Rig rig;
    TfmVLDump &w = *rig.window;
    TMIDIKeys *keys = rig.keys();
    // It replaces the layout's place holder: one control of that name.
    QCOMPARE(w.findChildren<QWidget *>(QStringLiteral("MIDIKeys1")).size(), 1);
    QCOMPARE(keys->parentWidget(), &w);
    QCOMPARE(keys->geometry(), QRect(2, 280, 379, 25));
    QVERIFY(w.rect().contains(keys->geometry()));
    QCOMPARE(keys->WhiteBrush().color(), QColor(205, 255, 149));
    QCOMPARE(keys->BlackBrush().color(), QColor(Qt::black));
    QCOMPARE(keys->toolTip(), QStringLiteral("Click to play"));
    QVERIFY(keys->ShowHint());
    QCOMPARE(keys->MIDIDevice(), -1);
    QCOMPARE(keys->MIDIChannel(), 1);
    QCOMPARE(keys->NoteWidth(), TKeys::DefaultNoteWidth);
    QCOMPARE(keys->BaseOctave(), TKeys::DefaultBaseOctave);
    QCOMPARE(keys->Orientation(), kbHorizontal);
    QVERIFY(keys->VelocityMode());
    QCOMPARE(keys->NoteAt(0, 24).note, 36);
    QVERIFY(!keys->MIDIPortOk());

    // Seen in the window, on top of everything: the first white key in the
    // window's colour below the black keys, a black key above it.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QImage shot = w.grab().toImage();
    const QPoint origin = keys->geometry().topLeft();
    QCOMPARE(shot.pixelColor(origin + QPoint(4, 22)), QColor(205, 255, 149));
    QCOMPARE(shot.pixelColor(origin + QPoint(10, 4)), QColor(Qt::black));
    QVERIFY(rig.outOpens().isEmpty());
}

void MainWindowKeysTest::pressDragRelease_data()
{
    addColumns<int>("deviceRow");
    QTest::newRow("device number 1") << 0;
    QTest::newRow("device number 16") << 15;
}

// Press on C, drag onto D, release there: note on, note off, note on, note
// off, on channel 1 whatever the device number, at the instrument chosen as
// the output port; the keyboard's own port (device -1, the machine port
// here) is never opened, not even when the window closes.
void MainWindowKeysTest::pressDragRelease()
{
    QFETCH(int, deviceRow);
    auto rig = std::make_unique<Rig>();
    TMIDIKeys *keys = rig->keys();
    rig->window->show();
    rig->choose("cbxDevNo", deviceRow);
    QCOMPARE(rig->window->VLManager1()->DeviceID(), deviceRow);
    rig->choose("cbxMidiOut", 1);
    QCOMPARE(rig->outOpens(), QList<int>{rig->simulatorOutput()});
    rig->reachedInstrument();
    rig->platform.clearReceived(rig->simulatorOutput());
    const int onsBefore = rig->instrument.instrument().noteOnCount();
    const int offsBefore = rig->instrument.instrument().noteOffCount();

    const QPoint onC(4, 20), onD(14, 20);
    const int velocityC = keys->NoteAt(onC.x(), onC.y()).velocity;
    const int velocityD = keys->NoteAt(onD.x(), onD.y()).velocity;
    QCOMPARE(keys->NoteAt(onD.x(), onD.y()).note, 38);
    QVERIFY(velocityC > 0 && velocityD > 0);

    sendMouse(keys, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, onC);
    QVERIFY(keys->isPressed(36));
    sendMouse(keys, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, onD);
    QVERIFY(!keys->isPressed(36) && keys->isPressed(38));
    sendMouse(keys, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, onD);
    QVERIFY(!keys->isPressed(38));

    const QList<QByteArray> expected{
        QByteArray::fromHex("9024") + char(velocityC), QByteArray::fromHex("802400"),
        QByteArray::fromHex("9026") + char(velocityD), QByteArray::fromHex("802600")};
    QCOMPARE(hex(rig->reachedInstrument()), hex(expected));
    QCOMPARE(rig->instrument.instrument().noteOnCount() - onsBefore, 2);
    QCOMPARE(rig->instrument.instrument().noteOffCount() - offsBefore, 2);
    QCOMPARE(rig->platform.received(rig->machine.output).size(), 0);
    QVERIFY(!keys->MIDIPortOk());
    QVERIFY(rig->prompts.shown.isEmpty());

    rig->window.reset();
    QCOMPARE(rig->outOpens(), QList<int>{rig->simulatorOutput()});
}

// The manager's port refuses to open: the error box tells it, the key is
// held all the same, nothing leaves, and the keyboard does not fall back on
// a port of its own. The release tries again and goes through.
void MainWindowKeysTest::outputThatCannotOpen()
{
    Rig rig;
    TMIDIKeys *keys = rig.keys();
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    // Through the window, as the screen's mouse: the button is still down
    // when the (scripted) box has been shown.
    QWindow *screen = rig.window->windowHandle();
    const QPoint onC = keys->mapTo(rig.window.get(), QPoint(4, 20));
    rig.platform.failNext(MidiPlatform::Call::OutOpen, MidiPlatform::DeviceBusy);
    QTest::mousePress(screen, Qt::LeftButton, {}, onC);
    QCOMPARE(rig.prompts.errors().size(), 1);
    QVERIFY(keys->isPressed(36));
    QVERIFY(!keys->MIDIPortOk());
    QTest::mouseRelease(screen, Qt::LeftButton, {}, onC);
    QCOMPARE(rig.prompts.errors().size(), 1);
    // The manager's port has no device chosen: -1, the machine port, both times.
    QCOMPARE(rig.outOpens(), (QList<int>{-1, -1}));
    rig.platform.waitUntilSent();
    QCOMPARE(hex(rig.platform.received(rig.machine.output)), QStringLiteral("80 24 00"));
    QVERIFY(!keys->MIDIPortOk());
}

// On the screen the error box a Note On raises is modal: the user lets go of
// the mouse over it and the keyboard never hears of the release. Once the
// box is closed the key is let go, without a Note Off (nothing sounds), and
// no second box follows. Real message boxes, mouse through the window.
void MainWindowKeysTest::releaseTakenByErrorBox()
{
    Rig rig;
    WidgetPrompts boxes;
    rig.window.reset();
    rig.window = std::make_unique<TfmVLDump>(TfmVLDump::Services{
        rig.platform, boxes, rig.sleeper, rig.settings, rig.dir.path(), nullptr});
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    TMIDIKeys *keys = rig.keys();
    QWindow *screen = rig.window->windowHandle();
    const QPoint onC = keys->mapTo(rig.window.get(), QPoint(4, 20));

    QStringList shown;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        shown << box->text();
        QTest::mouseRelease(screen, Qt::LeftButton, {}, onC);
        box->accept();
    });
    user.start(10);
    rig.platform.failNext(MidiPlatform::Call::OutOpen, MidiPlatform::DeviceBusy);
    QTest::mousePress(screen, Qt::LeftButton, {}, onC);
    QTest::qWait(100);
    user.stop();

    QCOMPARE(shown.size(), 1);
    QVERIFY2(!keys->isPressed(36), "the key is still held");
    rig.platform.waitUntilSent();
    QCOMPARE(hex(rig.platform.received(rig.machine.output)), QString());
}

QTEST_MAIN(MainWindowKeysTest)
#include "tst_mainwindow_keys.moc"
