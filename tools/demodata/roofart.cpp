#include "demographics.h"
#include "demorandom.h"
#include "isocanvas.h"

#include <array>

namespace {

// A roof piece covers one cell as a surface through its four corners, each at
// the cell's height or one step (20 px, 5 z units) higher. Pattern bits: 0 the
// top corner (i 0, j 0), 1 the right one (1, 0), 2 the bottom one (1, 1),
// 3 the left one (0, 1). Neighbouring pieces of a hip roof share their corner
// heights, so the roof joins up without seams.
constexpr double Rise = 20;
constexpr double CellPixels = 31.1; // length of a cell side on screen, for the light

using Triangle = std::array<World, 3>;

QList<Triangle> trianglesOf(int pattern)
{
    auto height = [pattern](int bit) { return (pattern >> bit) & 1 ? Rise : 0.0; };
    const World t{0, 0, height(0)}, r{1, 0, height(1)}, b{1, 1, height(2)}, l{0, 1, height(3)};
    const int raised = __builtin_popcount(unsigned(pattern));
    // The crease runs through the corner that differs from the other three
    // (a hip), or along a raised diagonal (a ridge end).
    bool alongRightLeft = pattern == 0b1010;
    if (raised == 1 || raised == 3) {
        const int odd = raised == 1 ? pattern : (~pattern & 0xF);
        alongRightLeft = odd == 0b0010 || odd == 0b1000;
    }
    if (alongRightLeft)
        return {{r, b, l}, {r, l, t}};
    return {{t, r, b}, {t, b, l}};
}

QColor shadeOf(const Triangle &triangle, const QColor &colour)
{
    const double ai = (triangle[1].i - triangle[0].i) * CellPixels;
    const double aj = (triangle[1].j - triangle[0].j) * CellPixels;
    const double ah = triangle[1].h - triangle[0].h;
    const double bi = (triangle[2].i - triangle[0].i) * CellPixels;
    const double bj = (triangle[2].j - triangle[0].j) * CellPixels;
    const double bh = triangle[2].h - triangle[0].h;
    double ni = aj * bh - ah * bj, nj = ah * bi - ai * bh, nh = ai * bj - aj * bi;
    if (nh < 0) {
        ni = -ni;
        nj = -nj;
        nh = -nh;
    }
    return IsoCanvas::lit(colour, ni, nj, nh);
}

// The part of a triangle at height h: a segment when the triangle crosses it.
void contour(IsoCanvas &canvas, const Triangle &triangle, double h, const QColor &colour)
{
    QList<World> crossings;
    for (int k = 0; k < 3; ++k) {
        const World &a = triangle[k];
        const World &b = triangle[(k + 1) % 3];
        if ((a.h - h) * (b.h - h) < 0) {
            const double f = (h - a.h) / (b.h - a.h);
            crossings.append({a.i + f * (b.i - a.i), a.j + f * (b.j - a.j), h});
        }
    }
    if (crossings.size() == 2)
        canvas.line(crossings[0], crossings[1], colour);
}

QImage roofArt(RoofMaterial material, int pattern)
{
    const QColor colours[] = {QColor(84, 98, 124), QColor(176, 72, 50), QColor(200, 164, 88)};
    const QColor colour = colours[material];
    IsoCanvas canvas(44, 44 + int(Rise));
    DemoRandom random(300 + 16 * material + pattern);
    for (const Triangle &triangle : trianglesOf(pattern)) {
        const QColor shade = shadeOf(triangle, colour);
        canvas.fill({triangle[0], triangle[1], triangle[2]}, shade);
        // Courses of tiles (or bundles of straw) run level along the slope.
        for (double h = 4; h < Rise; h += 4)
            contour(canvas, triangle, h, shade.darker(material == Thatch ? 125 : 140));
    }
    QImage art = canvas.image();
    if (material == Thatch) {
        // Loose straw: darker specks on the painted pixels only.
        for (int n = 0; n < 60; ++n) {
            const int x = random.between(0, art.width() - 1),
                      y = random.between(0, art.height() - 1);
            if (qAlpha(art.pixel(x, y)) != 0)
                art.setPixel(x, y, QColor(art.pixel(x, y)).darker(random.between(115, 140)).rgb());
        }
    }
    return art;
}

} // namespace

void addRoofArt(QList<DemoGraphic> &graphics)
{
    const char *names[] = {"slate roof", "tiled roof", "thatched roof"};
    for (int material = 0; material < RoofMaterials; ++material) {
        for (int pattern = 0; pattern < 15; ++pattern) {
            graphics << DemoGraphic{roofId(RoofMaterial(material), pattern), names[material], 0, 5,
                                    roofArt(RoofMaterial(material), pattern)};
        }
    }
}
