#include "ButtonGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int Size = 16;
const QColor Outline(60, 60, 60);
const QColor Folder(230, 190, 90);
const QColor Disk(70, 110, 170);
const QColor Label(235, 235, 235);
const QColor Arrow(40, 140, 60);
const QColor Cross(190, 40, 40);
const QColor Grey(150, 150, 150);

void drawGlyph(QPainter &p, ButtonGlyphs::Glyph glyph, bool disabled)
{
    const auto colour = [disabled](const QColor &c) { return disabled ? Grey : c; };
    p.setPen(QPen(colour(Outline), 1));
    switch (glyph) {
    case ButtonGlyphs::Open: {
        QPainterPath folder;
        folder.moveTo(1.5, 3.5);
        folder.lineTo(6.5, 3.5);
        folder.lineTo(8.5, 5.5);
        folder.lineTo(14.5, 5.5);
        folder.lineTo(14.5, 13.5);
        folder.lineTo(1.5, 13.5);
        folder.closeSubpath();
        p.setBrush(colour(Folder));
        p.drawPath(folder);
        break;
    }
    case ButtonGlyphs::Save:
        p.setBrush(colour(Disk));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(colour(Label));
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.drawRect(QRectF(3.5, 9.5, 9, 5));
        break;
    case ButtonGlyphs::Import:
    case ButtonGlyphs::Send: {
        // An arrow pointing down (into the computer) or right (to the instrument).
        QPolygonF arrow{{5.5, 1.5}, {10.5, 1.5}, {10.5, 7.5}, {14.5, 7.5},
                        {8, 14.5},  {1.5, 7.5},  {5.5, 7.5}};
        if (glyph == ButtonGlyphs::Send) {
            for (QPointF &pt : arrow)
                pt = QPointF(pt.y(), pt.x());
        }
        p.setBrush(colour(Arrow));
        p.drawPolygon(arrow);
        break;
    }
    case ButtonGlyphs::Close:
        p.setPen(QPen(colour(Cross), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case ButtonGlyphs::Window: {
        // A "V" on a round badge.
        p.setBrush(colour(QColor(214, 194, 177)));
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        p.setPen(QPen(colour(Disk), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF{{4, 4.5}, {8, 12}, {12, 4.5}});
        break;
    }
    }
}

QPixmap pixmap(ButtonGlyphs::Glyph glyph, bool disabled)
{
    QPixmap pm(Size, Size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    drawGlyph(p, glyph, disabled);
    return pm;
}

} // namespace

QIcon ButtonGlyphs::icon(Glyph glyph)
{
    QIcon icon;
    icon.addPixmap(pixmap(glyph, false), QIcon::Normal);
    icon.addPixmap(pixmap(glyph, true), QIcon::Disabled);
    return icon;
}
