#include "VentaroLogo.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

QPixmap VentaroLogo::render()
{
    QPixmap pixmap(Width, Height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    // Banner.
    QLinearGradient face(0, 0, 0, Height);
    face.setColorAt(0.0, QColor(24, 64, 72));
    face.setColorAt(1.0, QColor(8, 24, 30));
    p.setPen(QPen(QColor(96, 200, 190), 1.5));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(1, 1, Width - 2, Height - 2), 8, 8);

    // A breath turning into a sound wave, the tone generator's kind of voice.
    QPainterPath wave;
    constexpr double left = 12;
    constexpr double right = 58;
    constexpr double middle = Height / 2.0;
    wave.moveTo(left, middle);
    for (double x = left; x <= right; x += 0.5) {
        const double t = (x - left) / (right - left);
        wave.lineTo(x, middle - std::sin(t * 4 * M_PI) * 14 * t);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 128, 64), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(wave);

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(30);
    title.setBold(true);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(title);
    p.setPen(QColor(230, 245, 240));
    p.drawText(QRectF(66, 2, Width - 72, 34), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("VENTARO"));

    QFont subtitle(QStringLiteral("DejaVu Sans"));
    subtitle.setPixelSize(10);
    p.setFont(subtitle);
    p.setPen(QColor(96, 200, 190));
    p.drawText(QRectF(68, 34, Width - 74, 14), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("voices for the VL70-m"));
    return pixmap;
}
