#include "RemotePicture.h"

#include "RemoteHotSpots.h"

#include <QPainter>

#include <array>

namespace {

// Lettering: a pixel font five rows high, one column of space between
// letters. Each glyph is its rows top to bottom, '#' for a lit pixel.
struct Glyph
{
    char letter;
    std::array<const char *, 5> rows;
};

constexpr int GlyphHeight = 5;
constexpr int GlyphSpacing = 1;

constexpr std::array<Glyph, 29> Glyphs{{
    {'A', {".#.", "#.#", "###", "#.#", "#.#"}},
    {'B', {"##.", "#.#", "##.", "#.#", "##."}},
    {'C', {".##", "#..", "#..", "#..", ".##"}},
    {'D', {"##.", "#.#", "#.#", "#.#", "##."}},
    {'E', {"###", "#..", "##.", "#..", "###"}},
    {'F', {"###", "#..", "##.", "#..", "#.."}},
    {'H', {"#.#", "#.#", "###", "#.#", "#.#"}},
    {'I', {"###", ".#.", ".#.", ".#.", "###"}},
    {'L', {"#..", "#..", "#..", "#..", "###"}},
    {'M', {"#...#", "##.##", "#.#.#", "#...#", "#...#"}},
    {'N', {"#..#", "##.#", "#.##", "#..#", "#..#"}},
    {'O', {".#.", "#.#", "#.#", "#.#", ".#."}},
    {'P', {"##.", "#.#", "##.", "#..", "#.."}},
    {'R', {"##.", "#.#", "##.", "#.#", "#.#"}},
    {'S', {".##", "#..", ".#.", "..#", "##."}},
    {'T', {"###", ".#.", ".#.", ".#.", ".#."}},
    {'U', {"#.#", "#.#", "#.#", "#.#", "###"}},
    {'V', {"#.#", "#.#", "#.#", "#.#", ".#."}},
    {'W', {"#...#", "#...#", "#.#.#", "##.##", "#...#"}},
    {'X', {"#.#", "#.#", ".#.", "#.#", "#.#"}},
    {'Y', {"#.#", "#.#", ".#.", ".#.", ".#."}},
    {'0', {"###", "#.#", "#.#", "#.#", "###"}},
    {'7', {"###", "..#", ".#.", ".#.", ".#."}},
    {'/', {"..#", "..#", ".#.", "#..", "#.."}},
    {'-', {"...", "...", "###", "...", "..."}},
    {'+', {"...", ".#.", "###", ".#.", "..."}},
    {' ', {"..", "..", "..", "..", ".."}},
    {'m', {".....", "##.#.", "#.#.#", "#.#.#", "#.#.#"}},
    {'.', {".", ".", ".", ".", "#"}},
}};

const Glyph *glyphOf(QChar c)
{
    for (const Glyph &g : Glyphs) {
        if (QChar::fromLatin1(g.letter) == c)
            return &g;
    }
    return nullptr;
}

int glyphWidth(const Glyph &g)
{
    return int(qstrlen(g.rows[0]));
}

// Name above the cap and the sign on the cap: "PART -" is "PART" above a cap
// marked "-"; the two columns of a pair share one name, drawn once across
// both.
struct ButtonCaption
{
    QString name;
    QString sign;
};

ButtonCaption captionOf(const RemoteHotSpots::HotSpot &spot)
{
    const QString button = QString::fromLatin1(spot.button);
    const qsizetype blank = button.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return {button, {}};
    return {button.left(blank), button.mid(blank + 1)};
}

constexpr int NameTop = 2;  // name's first row below the hot-spot's top
constexpr int CapTop = 9;   // cap's first row below the hot-spot's top
constexpr int CapInset = 2; // cap's margin inside the hot-spot, left and right
constexpr int CapBottomGap = 1;
constexpr int LightColumns = 2; // the two left columns have light caps
constexpr int TitleLeft = 4;
constexpr int TitleTop = 5;
const QString Title = QStringLiteral("VL70-m");

} // namespace

QRect RemotePicture::capRect(const QRect &hotSpot)
{
    return QRect(hotSpot.left() + CapInset, hotSpot.top() + CapTop,
                 hotSpot.width() - 2 * CapInset, hotSpot.height() - CapTop - CapBottomGap);
}

int RemotePicture::textWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text) {
        if (const Glyph *g = glyphOf(c))
            width += glyphWidth(*g) + GlyphSpacing;
    }
    return width > 0 ? width - GlyphSpacing : 0;
}

void RemotePicture::drawText(QImage &image, int left, int top, const QString &text,
                             const QColor &color)
{
    const QRgb rgb = color.rgb();
    int x = left;
    for (const QChar c : text) {
        const Glyph *g = glyphOf(c);
        if (!g)
            continue;
        for (int row = 0; row < GlyphHeight; ++row) {
            for (int col = 0; g->rows[row][col] != '\0'; ++col) {
                const QPoint p(x + col, top + row);
                if (g->rows[row][col] == '#' && image.rect().contains(p))
                    image.setPixel(p, rgb);
            }
        }
        x += glyphWidth(*g) + GlyphSpacing;
    }
}

QImage RemotePicture::render()
{
    QImage image(Width, Height, QImage::Format_RGB888);
    image.fill(Background);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        for (const RemoteHotSpots::HotSpot &spot : RemoteHotSpots::All) {
            const int column = spot.tag / RemoteHotSpots::Rows;
            const QRectF cap = QRectF(capRect(spot.rect())).adjusted(0.5, 0.5, -0.5, -0.5);
            const QColor face = column < LightColumns ? LightCap : DarkCap;
            painter.setPen(face.darker(160));
            painter.setBrush(face);
            painter.drawRoundedRect(cap, 3, 3);
        }
    }
    drawText(image, TitleLeft, TitleTop, Title, Lettering);
    for (const RemoteHotSpots::HotSpot &spot : RemoteHotSpots::All) {
        const QRect area = spot.rect();
        const ButtonCaption text = captionOf(spot);
        if (text.sign.isEmpty()) {
            drawText(image, area.center().x() + 1 - textWidth(text.name) / 2, area.top() + NameTop,
                     text.name, Lettering);
        } else {
            // The minus column names the pair, centred over both columns.
            if (text.sign == QLatin1String("-")) {
                const RemoteHotSpots::HotSpot &plus =
                    RemoteHotSpots::All[spot.tag + RemoteHotSpots::Rows];
                const int centre = (area.left() + plus.rect().right() + 1) / 2;
                drawText(image, centre - textWidth(text.name) / 2, area.top() + NameTop, text.name,
                         Lettering);
            }
            const QRect cap = capRect(area);
            drawText(image, cap.center().x() + 1 - textWidth(text.sign) / 2,
                     cap.center().y() - GlyphHeight / 2, text.sign, Lettering);
        }
    }
    return image;
}
