#include "TFPanel.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

const QColor BevelLight(255, 255, 255);
const QColor BevelDark(128, 128, 128);

// A horizontal or vertical line from a up to, not including, b.
void lineTo(QPainter &painter, int x1, int y1, int x2, int y2)
{
    if (x1 == x2 && y1 == y2)
        return;
    const int dx = x2 > x1 ? 1 : (x2 < x1 ? -1 : 0);
    const int dy = y2 > y1 ? 1 : (y2 < y1 ? -1 : 0);
    painter.drawLine(x1, y1, x2 - dx, y2 - dy);
}

} // namespace

TFPanel::TFPanel(QWidget *parent) : QWidget(parent), m_color(palette().color(QPalette::Button))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    rebuildGradient();
}

quint32 TFPanel::toPacked(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return quint32(rgb.red()) | quint32(rgb.green()) << 8 | quint32(rgb.blue()) << 16;
}

QColor TFPanel::fromPacked(quint32 packed)
{
    return QColor(int(packed & 0xFFu), int((packed >> 8) & 0xFFu), int((packed >> 16) & 0xFFu));
}

void TFPanel::rebuildGradient()
{
    m_gradient =
        GradientGeometry::gradientPair(m_direction, toPacked(m_colorStart), toPacked(m_colorEnd));
    m_gradientColors = GradientGeometry::colorTable(m_gradient.first, m_gradient.second);
}

void TFPanel::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

void TFPanel::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void TFPanel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment & Qt::AlignHorizontal_Mask;
    update();
}

void TFPanel::setBevelInner(TPanelBevel bevel)
{
    m_bevelInner = bevel;
    update();
}

void TFPanel::setBevelOuter(TPanelBevel bevel)
{
    m_bevelOuter = bevel;
    update();
}

void TFPanel::setBevelWidth(int width)
{
    m_bevelWidth = qMax(1, width);
    update();
}

void TFPanel::setBorderWidth(int width)
{
    m_borderWidth = qMax(0, width);
    update();
}

void TFPanel::setCtl3D(bool on)
{
    m_ctl3D = on;
    update();
}

void TFPanel::setColorStart(const QColor &color)
{
    m_colorStart = color;
    rebuildGradient();
    repaint();
}

void TFPanel::setColorEnd(const QColor &color)
{
    m_colorEnd = color;
    rebuildGradient();
    repaint();
}

void TFPanel::setColorShadow(const QColor &color)
{
    m_colorShadow = color;
    repaint();
}

void TFPanel::setColor3D(const QColor &color)
{
    m_color3D = color;
    repaint();
}

void TFPanel::setShadowSize(int size)
{
    m_shadowSize = qBound(0, size, MaxShadowSize);
    setTextStyle(tsShadow);
}

void TFPanel::setDirection(TDirection direction)
{
    m_direction = direction;
    rebuildGradient();
    repaint();
}

void TFPanel::setTextStyle(TTextStyle style)
{
    m_textStyle = style;
    repaint();
}

void TFPanel::setAlignmentVertical(TAlignmentVertical alignment)
{
    m_alignmentVertical = alignment;
    repaint();
}

void TFPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color);

    if (GradientGeometry::hasBands(m_direction)) {
        const bool rows = GradientGeometry::horizontalBands(m_direction);
        const int extent = rows ? height() : width();
        for (int band = 0; band < GradientGeometry::Steps; ++band) {
            const auto [first, last] = GradientGeometry::bandSpan(band, extent);
            if (last <= first)
                continue;
            const QColor colour = fromPacked(
                m_gradientColors[std::size_t(GradientGeometry::bandEntry(m_direction, band))]);
            const QRect r = rows ? QRect(0, first, width(), last - first)
                                 : QRect(first, 0, last - first, height());
            painter.fillRect(r, colour);
        }
    }

    paintBevels(painter);
    paintCaption(painter);
}

void TFPanel::paintBevels(QPainter &painter) const
{
    const int panelWidth = width();
    const int panelHeight = height();
    int w = 1;
    if (m_bevelOuter != BvNone) {
        const QColor first = m_bevelOuter == BvRaised ? BevelLight : BevelDark;
        const QColor second = m_bevelOuter == BvRaised ? BevelDark : BevelLight;
        for (int i = 0; i < m_bevelWidth; ++i) {
            painter.setPen(first);
            lineTo(painter, i, i, panelWidth, i);
            lineTo(painter, i, i, i, panelHeight);
            painter.setPen(second);
            lineTo(painter, i, panelHeight - 1 - i, panelWidth - i, panelHeight - 1 - i);
            lineTo(painter, panelWidth - 1 - i, panelHeight - 1 - i, panelWidth - 1 - i, i);
        }
        w = m_bevelWidth;
    }
    w += m_borderWidth;
    if (m_bevelInner != BvNone) {
        const QColor first = m_bevelInner == BvRaised ? BevelLight : BevelDark;
        const QColor second = m_bevelInner == BvRaised ? BevelDark : BevelLight;
        for (int i = 0; i < m_bevelWidth; ++i) {
            painter.setPen(first);
            lineTo(painter, w + i, w + i, panelWidth - w - i, w + i);
            lineTo(painter, w + i, w + i, w + i, panelHeight - w - i);
            painter.setPen(second);
            lineTo(painter, w + i, panelHeight - w - i - 1, panelWidth - w - i,
                   panelHeight - w - i - 1);
            lineTo(painter, panelWidth - w - i - 1, panelHeight - w - i - 1, panelWidth - w - i - 1,
                   w + i);
        }
    }
    if (m_ctl3D && m_bevelInner != BvNone) {
        const int a = m_bevelOuter != BvNone ? m_bevelWidth - 1 : 0;
        painter.setPen(m_color);
        painter.setBrush(Qt::NoBrush);
        for (int i = 1; i <= m_borderWidth; ++i) {
            const int left = a + i;
            const int top = a + i;
            const int right = panelWidth - i - a;   // excluded
            const int bottom = panelHeight - i - a; // excluded
            if (right - left >= 1 && bottom - top >= 1)
                painter.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
        }
    }
}

void TFPanel::paintCaption(QPainter &painter) const
{
    if (m_caption.isEmpty())
        return;
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(m_caption);
    const int inset = m_borderWidth + m_bevelWidth + 2;

    int x = width() / 2 - textWidth / 2;
    if (m_alignment & Qt::AlignLeft)
        x = inset;
    else if (m_alignment & Qt::AlignRight)
        x = width() - inset - textWidth;

    const int h = metrics.height(); // the height of "^_": one full line of the font
    int y = height() / 2 - h / 2;
    if (m_alignmentVertical == avTop)
        y = inset;
    else if (m_alignmentVertical == avBottom)
        y = height() - m_borderWidth - m_bevelWidth - h - 1;

    painter.setFont(font());
    painter.setBackgroundMode(Qt::TransparentMode);
    const auto draw = [&](int dx, int dy, const QColor &colour) {
        painter.setPen(colour);
        painter.drawText(QPoint(x + dx, y + dy + metrics.ascent()), m_caption);
    };
    if (m_textStyle == tsShadow) {
        for (int k = 1; k <= m_shadowSize; ++k)
            draw(k, k, m_colorShadow);
    } else if (m_textStyle == ts3D) {
        draw(Emboss, Emboss, m_colorShadow);
        draw(-Emboss, -Emboss, m_color3D);
    }
    draw(0, 0, palette().color(QPalette::WindowText));
}
