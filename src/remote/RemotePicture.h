#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

// The picture of the instrument's fifteen front-panel buttons, drawn in
// code: 161 x 101 pixels, 24-bit, the buttons in their grid of five columns
// and three rows with their names, each cap inside its hot-spot.
class RemotePicture
{
public:
    static constexpr int Width = 161;
    static constexpr int Height = 101;

    static inline const QColor Background{58, 60, 66};
    static inline const QColor LightCap{222, 220, 212};
    static inline const QColor DarkCap{104, 108, 118};
    static inline const QColor Lettering{236, 236, 230};

    // The whole picture.
    static QImage render();
    // Where the cap of a hot-spot is drawn: the lower part of its rectangle,
    // below the button's name.
    static QRect capRect(const QRect &hotSpot);
    // Width in pixels of a text in the picture's lettering (0 for none).
    static int textWidth(const QString &text);

private:
    static void drawText(QImage &image, int left, int top, const QString &text,
                         const QColor &color);
};
