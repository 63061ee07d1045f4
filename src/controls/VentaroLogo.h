#pragma once

#include <QPixmap>

// The program's logo, painted in code: a 242 x 51 banner.
class VentaroLogo
{
public:
    static constexpr int Width = 242;
    static constexpr int Height = 51;

    static QPixmap render();
};
