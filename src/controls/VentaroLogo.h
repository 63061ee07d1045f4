#pragma once

#include <QPixmap>

// The program's logo, painted in code: a 242 x 51 banner.
class VentaroLogo
{
public:
    static constexpr int width = 242;
    static constexpr int height = 51;

    static QPixmap render();
};
