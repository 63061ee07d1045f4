#include "DataColumns.h"
#include "FrontPanelRemote.h"
#include "RemoteHotSpots.h"
#include "RemotePicture.h"
#include "RemoteRig.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <set>

namespace {

// A window as the program lays one out: the remote's panel and a close
// button inside a group box. Keys that reach the window are recorded.
class HostWindow : public QWidget
{
public:
    explicit HostWindow(const QString &closeText = QStringLiteral("&Close"))
    {
        resize(240, 180);
        box = new QGroupBox(QStringLiteral(" VL70-m: "), this);
        box->setGeometry(3, 0, 209, 170);
        panel = new QFrame(box);
        panel->setObjectName(QStringLiteral("pnlRemote"));
        panel->setFrameShape(QFrame::Box);
        panel->setGeometry(23, 20, 162, 102);
        closeButton = new QPushButton(closeText, box);
        closeButton->setGeometry(23, 130, 143, 25);
        connect(closeButton, &QPushButton::clicked, this, [this] { ++closeClicks; });
    }
    QGroupBox *box;
    QFrame *panel;
    QPushButton *closeButton;
    int closeClicks = 0;
    QList<int> keysSeen;

protected:
    void keyPressEvent(QKeyEvent *event) override { keysSeen << event->key(); }
};

struct Fixture
{
    explicit Fixture(FrontPanelRemote::Timing timing = FrontPanelRemote::MainWindowTiming,
                     const QString &closeText = QStringLiteral("&Close"))
        : window(closeText), guard(rig.prompts, &window),
          remote(new FrontPanelRemote(window.panel, rig.manager.get(), rig.sleeper, guard, timing))
    {
    }
    // Shown and active, the close button focused, as a user would have it.
    void activate()
    {
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.closeButton->setFocus();
        QCOMPARE(QApplication::focusWidget(), window.closeButton);
        rig.platform.clearCalls();
    }
    RemoteRig rig;
    HostWindow window;
    ErrorGuard guard;
    FrontPanelRemote *remote;
};

} // namespace

class TestFrontPanelRemote : public QObject
{
    Q_OBJECT

private slots:
    void hotSpotsFollowTheGrid();
    void clickSendsItsSwitch_data();
    void clickSendsItsSwitch();
    void playKeepsItsSpacing_data();
    void playKeepsItsSpacing();
    void shortcuts_data();
    void shortcuts();
    void repeatedKeyPressesEachTime();
    void remoteKeysBeatMnemonics_data();
    void remoteKeysBeatMnemonics();
    void keysOfAnotherWindowPressNothing();
    void openFailureIsShownOnce();
    void picture();
};

void TestFrontPanelRemote::hotSpotsFollowTheGrid()
{
    Fixture f;
    // The switch number is the place on the panel: column * 3 + row.
    std::set<int> lefts, tops;
    for (int tag = 0; tag < RemoteHotSpots::Count; ++tag) {
        const QLabel *label = f.remote->hotSpot(tag);
        QVERIFY(label);
        lefts.insert(label->x());
        tops.insert(label->y());
    }
    QCOMPARE(int(lefts.size()), RemoteHotSpots::Columns);
    QCOMPARE(int(tops.size()), RemoteHotSpots::Rows);
    QSet<QString> hints;
    for (int tag = 0; tag < RemoteHotSpots::Count; ++tag) {
        const QLabel *label = f.remote->hotSpot(tag);
        const int column = int(std::distance(lefts.begin(), lefts.find(label->x())));
        const int row = int(std::distance(tops.begin(), tops.find(label->y())));
        QCOMPARE(tag, column * RemoteHotSpots::Rows + row);
        QCOMPARE(FrontPanelRemote::tagOf(label), tag);
        QVERIFY(f.window.panel->rect().contains(label->geometry()));
        QVERIFY(label->cursor().shape() == Qt::PointingHandCursor);
        hints << label->toolTip();
        // Above the picture, so that it takes the clicks.
        QVERIFY(f.window.panel->childAt(label->geometry().center()) == label);
    }
    QCOMPARE(hints.size(), RemoteHotSpots::Count);
}

void TestFrontPanelRemote::clickSendsItsSwitch_data()
{
    addColumns<int, Qt::MouseButton>("tag", "button");
    for (int tag = 0; tag < RemoteHotSpots::Count; ++tag) {
        const QByteArray name = RemoteHotSpots::All[tag].name;
        QTest::newRow(name + " left") << tag << Qt::LeftButton;
        QTest::newRow(name + " right") << tag << Qt::RightButton;
    }
}

void TestFrontPanelRemote::clickSendsItsSwitch()
{
    QFETCH(int, tag);
    QFETCH(Qt::MouseButton, button);
    Fixture f(FrontPanelRemote::ImportWindowTiming);
    f.rig.manager->setDeviceID(3);
    QTest::mouseClick(f.remote->hotSpot(tag), button, Qt::ShiftModifier);
    QStringList expected{RemoteRig::switchHex(3, tag, false)};
    // PLAY alone is released as well.
    if (tag == RemoteHotSpots::PlayTag)
        expected << RemoteRig::switchHex(3, tag, true);
    QCOMPARE(f.rig.sentHex(), expected);
    QVERIFY(f.rig.prompts.shown.isEmpty());
}

void TestFrontPanelRemote::playKeepsItsSpacing_data()
{
    addColumns<int, int>("pressWait", "releaseWait");
    QTest::newRow("main window") << 300 << 0;
    QTest::newRow("import window") << 0 << 150;
}

void TestFrontPanelRemote::playKeepsItsSpacing()
{
    QFETCH(int, pressWait);
    QFETCH(int, releaseWait);
    Fixture f(FrontPanelRemote::Timing{pressWait, releaseWait});
    QLabel *play = f.remote->hotSpot(RemoteHotSpots::PlayTag);

    // However short the click, press and release lie the window's wait apart.
    QTest::mousePress(play, Qt::LeftButton);
    QCOMPARE(f.rig.sleeper.waits, pressWait ? QList<int>{pressWait} : QList<int>{});
    QTest::mouseRelease(play, Qt::LeftButton, {}, {}, 0);
    QCOMPARE(f.rig.sleeper.waits, QList<int>{qMax(pressWait, releaseWait)});
    const auto sent = f.rig.sent();
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent[1].bytes, TVLManager::remoteSwitchMessage(0, 0, true));
    QCOMPARE((sent[1].timeNs - sent[0].timeNs) / 1000000, qint64(qMax(pressWait, releaseWait)));

    // A double click presses twice and releases twice.
    f.rig.platform.clearCalls();
    const QPointF at(5, 5);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, play->mapToGlobal(at), Qt::LeftButton, held, {});
        QApplication::sendEvent(play, &event);
    }
    QCOMPARE(f.rig.sentHex(),
             QStringList({RemoteRig::switchHex(0, 0, false), RemoteRig::switchHex(0, 0, true),
                          RemoteRig::switchHex(0, 0, false), RemoteRig::switchHex(0, 0, true)}));
}

void TestFrontPanelRemote::shortcuts_data()
{
    // tag -1: nothing pressed
    addColumns<int, Qt::KeyboardModifiers, int>("key", "modifiers", "tag");

    const Qt::KeyboardModifiers alt = Qt::AltModifier;
    const Qt::KeyboardModifiers pad = Qt::AltModifier | Qt::KeypadModifier;
    QTest::newRow("ALT+U") << int(Qt::Key_U) << alt << 1;
    QTest::newRow("ALT+M") << int(Qt::Key_M) << alt << 2;
    QTest::newRow("ALT+E") << int(Qt::Key_E) << alt << 3;
    QTest::newRow("ALT+F") << int(Qt::Key_F) << alt << 4;
    QTest::newRow("ALT+B") << int(Qt::Key_B) << alt << 5;
    QTest::newRow("ALT+SHIFT+CTRL+B")
        << int(Qt::Key_B) << (alt | Qt::ShiftModifier | Qt::ControlModifier) << 5;
    QTest::newRow("ALT+Return") << int(Qt::Key_Return) << alt << 7;
    QTest::newRow("ALT+keypad Enter") << int(Qt::Key_Enter) << pad << 7;
    QTest::newRow("ALT+keypad 4") << int(Qt::Key_4) << pad << 7;
    QTest::newRow("ALT+keypad 7") << int(Qt::Key_7) << pad << 6;
    QTest::newRow("ALT+keypad 1") << int(Qt::Key_1) << pad << 8;
    QTest::newRow("ALT+keypad 8") << int(Qt::Key_8) << pad << 9;
    QTest::newRow("ALT+keypad 5") << int(Qt::Key_5) << pad << 10;
    QTest::newRow("ALT+keypad 2") << int(Qt::Key_2) << pad << 11;
    QTest::newRow("ALT+keypad 9") << int(Qt::Key_9) << pad << 12;
    QTest::newRow("ALT+keypad 6") << int(Qt::Key_6) << pad << 13;
    QTest::newRow("ALT+keypad 3") << int(Qt::Key_3) << pad << 14;
    // Nothing else presses a button.
    QTest::newRow("U alone") << int(Qt::Key_U) << Qt::KeyboardModifiers() << -1;
    QTest::newRow("CTRL+U") << int(Qt::Key_U) << Qt::KeyboardModifiers(Qt::ControlModifier) << -1;
    QTest::newRow("keypad 4 without ALT")
        << int(Qt::Key_4) << Qt::KeyboardModifiers(Qt::KeypadModifier) << -1;
    QTest::newRow("ALT+4 of the top row") << int(Qt::Key_4) << alt << -1;
    QTest::newRow("ALT+keypad 0") << int(Qt::Key_0) << pad << -1;
    QTest::newRow("ALT+keypad left, Num Lock off") << int(Qt::Key_Left) << pad << -1;
    QTest::newRow("ALT+keypad home, Num Lock off") << int(Qt::Key_Home) << pad << -1;
    QTest::newRow("ALT+keypad insert, Num Lock off") << int(Qt::Key_Insert) << pad << -1;
    QTest::newRow("ALT+P (PLAY has no shortcut)") << int(Qt::Key_P) << alt << -1;
}

void TestFrontPanelRemote::shortcuts()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, tag);
    Fixture f;
    f.activate();
    // The focused button does not take the key: Qt hands it on to the group
    // box and the window, and it must press the button once all the same.
    QTest::keyClick(f.window.closeButton, Qt::Key(key), modifiers);
    QCOMPARE(f.rig.sentHex(),
             tag < 0 ? QStringList() : QStringList{RemoteRig::switchHex(0, tag, false)});
    // A key of the remote goes on to the window's own handling.
    if (tag >= 0)
        QCOMPARE(f.window.keysSeen.count(key), 1);
}

void TestFrontPanelRemote::repeatedKeyPressesEachTime()
{
    Fixture f;
    f.activate();
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_U, Qt::AltModifier, QStringLiteral("u"), i > 0);
        QApplication::sendEvent(f.window.closeButton, &repeat);
    }
    QCOMPARE(f.rig.sentHex(), QStringList(3, RemoteRig::switchHex(0, 1, false)));
}

void TestFrontPanelRemote::remoteKeysBeatMnemonics_data()
{
    addColumns<bool>("withRemote");
    QTest::newRow("without the remote the mnemonic works") << false;
    QTest::newRow("with the remote ALT+F is EFFECT") << true;
}

void TestFrontPanelRemote::remoteKeysBeatMnemonics()
{
    QFETCH(bool, withRemote);
    // The French close button: "&Fermer".
    Fixture f(FrontPanelRemote::MainWindowTiming, QStringLiteral("&Fermer"));
    if (!withRemote)
        delete f.remote;
    f.activate();
    QTest::keyClick(f.window.closeButton, Qt::Key_F, Qt::AltModifier);
    // A mnemonic clicks its button a moment later.
    QTest::qWait(250);
    QCOMPARE(f.window.closeClicks, withRemote ? 0 : 1);
    QCOMPARE(f.rig.sentHex(),
             withRemote ? QStringList{RemoteRig::switchHex(0, 4, false)} : QStringList());
}

void TestFrontPanelRemote::keysOfAnotherWindowPressNothing()
{
    Fixture f;
    f.activate();
    QWidget other;
    auto *button = new QPushButton(QStringLiteral("x"), &other);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    button->setFocus();
    QTest::keyClick(button, Qt::Key_U, Qt::AltModifier);
    QVERIFY(f.rig.sent().isEmpty());
}

void TestFrontPanelRemote::openFailureIsShownOnce()
{
    Fixture f;
    f.activate();
    f.rig.platform.failNext(MidiPlatform::Call::OutOpen, MidiPlatform::DeviceGone);
    // The key travels on to the window after the error: still one press.
    QTest::keyClick(f.window.closeButton, Qt::Key_U, Qt::AltModifier);
    QCOMPARE(f.rig.prompts.errors().size(), 1);
    QVERIFY(f.rig.sent().isEmpty());
    // The next press opens the port and goes out.
    QTest::keyClick(f.window.closeButton, Qt::Key_U, Qt::AltModifier);
    QCOMPARE(f.rig.sentHex(), QStringList{RemoteRig::switchHex(0, 1, false)});
    QCOMPARE(f.rig.prompts.errors().size(), 1);
}

void TestFrontPanelRemote::picture()
{
    const QImage image = RemotePicture::render();
    QCOMPARE(image.size(), QSize(161, 101));
    QCOMPARE(image.depth(), 24);
    // Each button's cap lies inside its hot-spot: light caps in the two left
    // columns, dark ones in the others; between the columns the panel.
    for (const RemoteHotSpots::HotSpot &spot : RemoteHotSpots::All) {
        const QRect cap = RemotePicture::capRect(spot.rect());
        QVERIFY(spot.rect().contains(cap));
        const QColor face =
            spot.tag < 2 * RemoteHotSpots::Rows ? RemotePicture::LightCap : RemotePicture::DarkCap;
        QCOMPARE(image.pixelColor(cap.left() + 3, cap.center().y()), face);
        // The name is lettered above the cap (the minus column names its pair).
        bool lettered = false;
        for (int x = spot.left; x < spot.left + spot.width; ++x)
            lettered |= image.pixelColor(x, spot.top + 4) == RemotePicture::Lettering;
        QVERIFY2(lettered || QByteArray(spot.button).endsWith('+'), spot.name);
    }
    QCOMPARE(image.pixelColor(65, 50), RemotePicture::Background);

    Fixture f;
    QCOMPARE(f.remote->image()->size(), QSize(161, 105));
    QCOMPARE(f.remote->image()->pixmap().toImage().convertToFormat(QImage::Format_RGB888), image);
}

QTEST_MAIN(TestFrontPanelRemote)
#include "tst_frontpanelremote.moc"
