#include "DataColumns.h"
#include "GradientGeometry.h"
#include "TFPanel.h"
#include "TfmAbout.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

quint32 grey(int v)
{
    return quint32(v) | quint32(v) << 8 | quint32(v) << 16;
}

const quint32 AboutStart = 0;
const quint32 AboutEnd = grey(134);

void click(QWidget *w, Qt::MouseButton button = Qt::LeftButton)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent down(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), button, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(w, &up);
}

QRgb pixelAt(QWidget &w, int x, int y)
{
    return w.grab().toImage().pixel(x, y) & 0xFFFFFF;
}

QRgb rgbOf(quint32 packed)
{
    return TFPanel::fromPacked(packed).rgb() & 0xFFFFFF;
}

} // namespace

Q_DECLARE_METATYPE(TDirection)

class AboutTest : public QObject
{
    Q_OBJECT

private slots:
    void colorTable_data();
    void colorTable();
    void colourChannelsAreTakenApartAsStored();
    void mulDiv_data();
    void mulDiv();
    void fiftyPixelPanelShowsHalfTheEntries();
    void bandEntries_data();
    void bandEntries();
    void panelPaintsBands_data();
    void panelPaintsBands();
    void drNoneShowsTheBackground();
    void newColorStartFollowsTheDirection();
    void shadowSizeSwitchesToShadowStyle();

    void versionText_data();
    void versionText();
    void windowLayout();
    void versionLineIsNotTranslated();
    void linksOpenThroughTheOpener();
    void handCursorBelongsToTheLinks();
    void closeButtonEndsTheModalLoop();
};

void AboutTest::colorTable_data()
{
    addColumns<quint32, quint32, int, quint32>("from", "to", "entry", "expected");

    QTest::newRow("about: entry 0") << AboutStart << AboutEnd << 0 << grey(0);
    QTest::newRow("about: entry 1") << AboutStart << AboutEnd << 1 << grey(1);
    QTest::newRow("about: entry 50") << AboutStart << AboutEnd << 50 << grey(67);
    QTest::newRow("about: entry 99 short of 134") << AboutStart << AboutEnd << 99 << grey(132);
    // Falling channels truncate toward zero as well: 255 - 2.55 * 3 = 247.35.
    QTest::newRow("falling") << grey(255) << grey(0) << 3 << grey(247);
    // Teal to white: red 0 -> 255, green and blue 128 -> 255.
    QTest::newRow("teal to white")
        << 0x808000u << 0xFFFFFFu << 10 << (25u | 140u << 8 | 140u << 16);
    QTest::newRow("one colour") << 0x123456u << 0x123456u << 99 << 0x123456u;
}

void AboutTest::colorTable()
{
    QFETCH(quint32, from);
    QFETCH(quint32, to);
    QFETCH(int, entry);
    QTEST(GradientGeometry::colorTable(from, to)[std::size_t(entry)], "expected");
}

void AboutTest::colourChannelsAreTakenApartAsStored()
{
    // A value with its high byte set (as a system colour constant has) is
    // taken as the three low bytes: red 0x0F, nothing else.
    const GradientGeometry::Table t = GradientGeometry::colorTable(0x8000000Fu, 0);
    QCOMPARE(t[0], 0x0Fu);
    QCOMPARE(t[50], 0x07u);
}

void AboutTest::mulDiv_data()
{
    addColumns<int, int, int, int>("a", "b", "c", "expected");
    QTest::newRow("exact") << 10 << 199 << 100 << 20; // 19.9
    QTest::newRow("half rounds up") << 1 << 50 << 100 << 1;
    QTest::newRow("below half") << 49 << 1 << 100 << 0;
    QTest::newRow("negative half") << -1 << 50 << 100 << -1;
    QTest::newRow("divisor 0") << 5 << 5 << 0 << -1;
}

void AboutTest::mulDiv()
{
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, c);
    QTEST(GradientGeometry::mulDiv(a, b, c), "expected");
}

void AboutTest::fiftyPixelPanelShowsHalfTheEntries()
{
    int shown = 0;
    int covered = 0;
    int previousEnd = 0;
    for (int band = 0; band < GradientGeometry::Steps; ++band) {
        const auto [first, last] = GradientGeometry::bandSpan(band, 50);
        QCOMPARE(first, previousEnd); // bands tile the panel without gaps
        previousEnd = last;
        if (last > first)
            ++shown;
        covered += last - first;
    }
    QCOMPARE(covered, 50);
    QCOMPARE(shown, 50);
    QCOMPARE(GradientGeometry::bandSpan(1, 50), std::make_pair(1, 1));
    // The About window's height: every band is two rows, some three.
    QCOMPARE(GradientGeometry::bandSpan(99, 199), std::make_pair(197, 199));
}

void AboutTest::bandEntries_data()
{
    addColumns<TDirection, int, int>("direction", "band", "entry");

    QTest::newRow("straight first") << drTopToBottom << 0 << 0;
    QTest::newRow("straight last") << drLeftToRight << 99 << 99;
    QTest::newRow("mirrored outer") << drUpDownToCenter << 0 << 1;
    QTest::newRow("mirrored second") << drUpDownToCenter << 1 << 3;
    QTest::newRow("mirrored middle upper") << drCenterToUpDown << 49 << 99;
    QTest::newRow("mirrored middle lower") << drLeftRightToCenter << 50 << 98;
    QTest::newRow("mirrored outer lower") << drCenterToLeftRight << 99 << 0;
}

void AboutTest::bandEntries()
{
    QFETCH(TDirection, direction);
    QFETCH(int, band);
    QTEST(GradientGeometry::bandEntry(direction, band), "entry");
}

void AboutTest::panelPaintsBands_data()
{
    // startAt: where ColorStart shows
    addColumns<TDirection, QPoint, QPoint>("direction", "startAt", "endSideAt");

    QTest::newRow("top to bottom") << drTopToBottom << QPoint(100, 0) << QPoint(100, 199);
    QTest::newRow("bottom to top") << drBottomToTop << QPoint(100, 199) << QPoint(100, 0);
    QTest::newRow("right to left") << drRightToLeft << QPoint(199, 50) << QPoint(0, 50);
    QTest::newRow("left to right") << drLeftToRight << QPoint(0, 50) << QPoint(199, 50);
    QTest::newRow("up-down to centre") << drUpDownToCenter << QPoint(50, 199) << QPoint(50, 100);
    QTest::newRow("centre to up-down") << drCenterToUpDown << QPoint(50, 100) << QPoint(50, 0);
    QTest::newRow("left-right to centre")
        << drLeftRightToCenter << QPoint(199, 50) << QPoint(100, 50);
    QTest::newRow("centre to left-right") << drCenterToLeftRight << QPoint(99, 50) << QPoint(0, 50);
}

void AboutTest::panelPaintsBands()
{
    QFETCH(TDirection, direction);
    QFETCH(QPoint, startAt);
    QFETCH(QPoint, endSideAt);
    TFPanel panel;
    panel.resize(200, 200);
    panel.setBevelOuter(BvNone);
    panel.setColorStart(QColor(0, 0, 0));
    panel.setColorEnd(QColor(200, 100, 0));
    panel.setDirection(direction);

    // Steps are 2 in red: ColorStart's side is at most two entries off black
    // (reversed pairs stop one step short of it, mirrored ones skip an entry)...
    const QColor start = QColor(pixelAt(panel, startAt.x(), startAt.y()));
    QVERIFY2(start.red() <= 4, qPrintable(start.name()));
    // ...and the other side is as close to ColorEnd.
    const QColor end = QColor(pixelAt(panel, endSideAt.x(), endSideAt.y()));
    QVERIFY2(end.red() >= 196 && end.red() <= 200, qPrintable(end.name()));
}

void AboutTest::drNoneShowsTheBackground()
{
    TFPanel panel;
    panel.resize(60, 60);
    panel.setBevelOuter(BvNone);
    panel.setColor(QColor(10, 20, 30));
    panel.setDirection(drNone);
    QCOMPARE(pixelAt(panel, 30, 30), qRgb(10, 20, 30) & 0xFFFFFFu);
    QCOMPARE(pixelAt(panel, 0, 59), qRgb(10, 20, 30) & 0xFFFFFFu);
}

void AboutTest::newColorStartFollowsTheDirection()
{
    TFPanel panel;
    panel.resize(100, 100);
    panel.setBevelOuter(BvNone);
    panel.setDirection(drBottomToTop);
    panel.setColorStart(QColor(250, 0, 0));
    QCOMPARE(panel.GradientTo(), QColor(250, 0, 0));
    QCOMPARE(pixelAt(panel, 50, 99), rgbOf(panel.GradientColors()[99]));
    QVERIFY(QColor(pixelAt(panel, 50, 99)).red() > 240);
    QCOMPARE(pixelAt(panel, 50, 0), qRgb(255, 255, 255) & 0xFFFFFFu);
}

void AboutTest::shadowSizeSwitchesToShadowStyle()
{
    TFPanel panel;
    panel.setTextStyle(ts3D);
    panel.setShadowSize(3);
    QCOMPARE(panel.TextStyle(), tsShadow);
    QCOMPARE(panel.ShadowSize(), 3);
    // A layout recording both applies TextStyle after ShadowSize and keeps it.
    panel.setTextStyle(tsNone);
    QCOMPARE(panel.TextStyle(), tsNone);
}

void AboutTest::versionText_data()
{
    addColumns<QString, QString>("version", "expected");
    QTest::newRow("four parts") << "1.2.0.5"
                                << "Version: 1.2.0.5";
    QTest::newRow("leading zeros") << "01.002.0.05"
                                   << "Version: 1.2.0.5";
    QTest::newRow("largest") << "65535.0.0.65535"
                             << "Version: 65535.0.0.65535";
    QTest::newRow("two parts") << "1.4"
                               << "Version: 1.4.0.0";
    QTest::newRow("empty") << ""
                           << "Version: unknown";
    QTest::newRow("five parts") << "1.2.3.4.5"
                                << "Version: unknown";
    QTest::newRow("too large") << "65536.0.0.0"
                               << "Version: unknown";
    QTest::newRow("letters") << "1.2.0-beta"
                             << "Version: unknown";
    QTest::newRow("sign") << "1.-2.0.5"
                          << "Version: unknown";
    QTest::newRow("empty part") << "1..0.5"
                                << "Version: unknown";
}

void AboutTest::versionText()
{
    QFETCH(QString, version);
    QTEST(TfmAbout::versionText(version), "expected");
}

void AboutTest::windowLayout()
{
    TfmAbout about(QStringLiteral("1.2.0.5"));
    QCOMPARE(about.lblVersion->text(), QStringLiteral("Version: 1.2.0.5"));
    QCOMPARE(about.Image1->pixmap().size(), QSize(242, 51));
    // The gradient runs from black at the top toward grey at the bottom.
    const QImage shot = about.grab().toImage();
    QCOMPARE(shot.pixel(2, 0) & 0xFFFFFF, 0u);
    QCOMPARE(shot.pixel(2, 198) & 0xFFFFFF, qRgb(132, 132, 132) & 0xFFFFFFu);
}

void AboutTest::versionLineIsNotTranslated()
{
    QStringList order;
    const auto translate = [&order](QWidget *w) {
        auto *about = static_cast<TfmAbout *>(w);
        order << about->lblVersion->text();
        for (QLabel *label : w->findChildren<QLabel *>())
            label->setText(label->text().replace(QStringLiteral("Version"), QStringLiteral("Ver")));
        about->SpeedButton1->setText(QStringLiteral("Fermer"));
    };
    TfmAbout about(QStringLiteral("1.2.0.5"), nullptr, translate);
    QCOMPARE(order, QStringList{QStringLiteral("lblVersion")});
    QCOMPARE(about.SpeedButton1->text(), QStringLiteral("Fermer"));
    QCOMPARE(about.lblVersion->text(), QStringLiteral("Version: 1.2.0.5"));
}

void AboutTest::linksOpenThroughTheOpener()
{
    QList<QUrl> opened;
    TfmAbout about(QStringLiteral("1.0.0.0"), nullptr, {}, [&opened](const QUrl &url) {
        opened << url;
        return false; // no handler: nothing is reported
    });
    click(about.Label1);
    click(about.Label2);
    click(about.Label1, Qt::RightButton);
    click(about.lblVersion);
    QCOMPARE(opened.size(), 2);
    QCOMPARE(opened[0], TfmAbout::webUrl());
    QCOMPARE(opened[0].scheme(), QStringLiteral("https"));
    QCOMPARE(opened[1].scheme(), QStringLiteral("mailto"));
    QVERIFY(opened[1].path().contains(QLatin1Char('@')));
}

void AboutTest::handCursorBelongsToTheLinks()
{
    auto about = std::make_unique<TfmAbout>(QStringLiteral("1.0.0.0"));
    QCOMPARE(about->Label1->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(about->Label2->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(about->lblVersion->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(about->cursor().shape(), Qt::ArrowCursor);

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(about->Label1, &enter);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    about.reset(); // closed with the pointer still over a link
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void AboutTest::closeButtonEndsTheModalLoop()
{
    TfmAbout about(QStringLiteral("1.0.0.0"));
    bool clicked = false;
    QTimer::singleShot(0, &about, [&] {
        clicked = about.isVisible();
        about.SpeedButton1->click();
    });
    QTimer::singleShot(5000, &about, [&] { about.done(99); }); // a safety net only
    QCOMPARE(about.exec(), int(QDialog::Rejected));
    QVERIFY(clicked);
    QVERIFY(!about.isVisible());
}

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
