#include "demographics.h"
#include "demorandom.h"
#include "isocanvas.h"

#include <QPainterPath>

namespace {

// Floors are 44 x 44 diamonds that tile without seams: only the two back
// edges (i = 0 and j = 0) get a joint line, so every edge is drawn once.
const Block Cell{0, 1, 0, 1, 0, 0};

void speckle(IsoCanvas &canvas, DemoRandom &random, int count, const QColor &base, int spread)
{
    for (int n = 0; n < count; ++n) {
        const QPointF at = canvas.at({random.unit(), random.unit(), 0});
        const int shift = random.between(-spread, spread);
        canvas.painter().setPen(base.lighter(100 + shift));
        canvas.painter().drawPoint(at);
    }
}

// A quad of the floor: [i0, i1] x [j0, j1].
QList<World> quad(double i0, double i1, double j0, double j1)
{
    return IsoCanvas::topFace({i0, i1, j0, j1, 0, 0});
}

QImage planks(int seed, const QColor &wood, bool withHatch)
{
    IsoCanvas canvas(44, 44);
    DemoRandom random(seed);
    canvas.fill(IsoCanvas::topFace(Cell), wood);
    canvas.painter().setClipRegion(QRegion(canvas.polygon(IsoCanvas::topFace(Cell)).toPolygon()));
    const QColor seam = wood.darker(160);
    for (int k = 0; k < 4; ++k) {
        const double j0 = k / 4.0, j1 = (k + 1) / 4.0;
        // Each board a shade of its own, ends staggered from board to board.
        canvas.fill(quad(0, 1, j0, j1), wood.lighter(random.between(92, 110)));
        const double end = 0.2 + 0.27 * ((k * 3) % 4);
        canvas.line({end, j0, 0}, {end, j1, 0}, seam);
        canvas.line({0, j0, 0}, {1, j0, 0}, seam);
    }
    canvas.line({0, 0, 0}, {0, 1, 0}, seam);
    speckle(canvas, random, 40, wood, 12);
    if (withHatch) {
        canvas.fill(quad(0.2, 0.8, 0.2, 0.8), wood.darker(140));
        for (double g = 0.35; g < 0.8; g += 0.15) {
            canvas.line({g, 0.2, 0}, {g, 0.8, 0}, Qt::black);
            canvas.line({0.2, g, 0}, {0.8, g, 0}, Qt::black);
        }
        canvas.outline(quad(0.2, 0.8, 0.2, 0.8), Qt::black);
    }
    return canvas.image();
}

QImage flagstones(int seed)
{
    IsoCanvas canvas(44, 44);
    DemoRandom random(seed);
    for (int a = 0; a < 2; ++a) {
        for (int b = 0; b < 2; ++b) {
            const int grey = random.between(138, 168);
            canvas.fill(quad(a / 2.0, (a + 1) / 2.0, b / 2.0, (b + 1) / 2.0),
                        QColor(grey, grey - 4, grey - 12));
        }
    }
    speckle(canvas, random, 50, QColor(150, 146, 138), 18);
    const QColor joint(92, 88, 82);
    for (double g : {0.0, 0.5}) {
        canvas.line({g, 0, 0}, {g, 1, 0}, joint);
        canvas.line({0, g, 0}, {1, g, 0}, joint);
    }
    return canvas.image();
}

QImage marble(int seed)
{
    IsoCanvas canvas(44, 44);
    DemoRandom random(seed);
    for (int a = 0; a < 2; ++a) {
        for (int b = 0; b < 2; ++b) {
            const bool dark = (a + b) % 2 == 1;
            canvas.fill(quad(a / 2.0, (a + 1) / 2.0, b / 2.0, (b + 1) / 2.0),
                        dark ? QColor(0, 0, 0) : QColor(236, 232, 224));
        }
    }
    // Grey veins on the white squares.
    for (int n = 0; n < 6; ++n) {
        const double i = random.unit() * 0.5, j = random.unit() * 0.5;
        const int square = random.between(0, 1);
        const double i0 = i + square * 0.5, j0 = j + square * 0.5;
        canvas.line({i0, j0, 0}, {std::min(i0 + 0.12, square * 0.5 + 0.49), j0, 0},
                    QColor(170, 168, 176));
    }
    return canvas.image();
}

QImage carpet()
{
    IsoCanvas canvas(44, 44);
    canvas.fill(IsoCanvas::topFace(Cell), QColor(150, 28, 36));
    const QColor gold(224, 176, 64);
    canvas.fill(quad(0.3, 0.7, 0.3, 0.7), gold);
    canvas.fill(quad(0.4, 0.6, 0.4, 0.6), QColor(40, 40, 120));
    canvas.outline(quad(0.1, 0.9, 0.1, 0.9), gold);
    return canvas.image();
}

QImage cobbles(int seed)
{
    IsoCanvas canvas(44, 44);
    DemoRandom random(seed);
    canvas.fill(IsoCanvas::topFace(Cell), QColor(96, 88, 76));
    canvas.painter().setClipRegion(QRegion(canvas.polygon(IsoCanvas::topFace(Cell)).toPolygon()));
    for (int a = 0; a < 4; ++a) {
        for (int b = 0; b < 4; ++b) {
            const QPointF at = canvas.at({(a + 0.5) / 4, (b + 0.5) / 4, 0});
            const int grey = random.between(120, 175);
            canvas.painter().setPen(QColor(70, 64, 56));
            canvas.painter().setBrush(QColor(grey, grey - 6, grey - 16));
            canvas.painter().drawEllipse(at, 4.0 + random.between(0, 1), 3.0);
        }
    }
    return canvas.image();
}

QImage ground(int seed, const QColor &colour, int blades)
{
    IsoCanvas canvas(44, 44);
    DemoRandom random(seed);
    canvas.fill(IsoCanvas::topFace(Cell), colour);
    canvas.painter().setClipRegion(QRegion(canvas.polygon(IsoCanvas::topFace(Cell)).toPolygon()));
    speckle(canvas, random, 90, colour, 25);
    for (int n = 0; n < blades; ++n) {
        const QPointF at = canvas.at({random.unit(), random.unit(), 0});
        canvas.painter().setPen(random.chance(0.5) ? colour.darker(130) : colour.lighter(125));
        canvas.painter().drawLine(at, at - QPointF(random.between(-1, 1), 3));
    }
    return canvas.image();
}

DemoGraphic floorGraphic(int id, const char *name, const QImage &art)
{
    return {id, name, 0x1, 0, art};
}

} // namespace

void addFloorArt(QList<DemoGraphic> &graphics)
{
    graphics << floorGraphic(Gfx::WoodFloor, "wood floor", planks(1, QColor(184, 130, 78), false))
             << floorGraphic(Gfx::DarkWoodFloor, "dark wood floor",
                             planks(2, QColor(112, 72, 46), false))
             << floorGraphic(Gfx::StoneFloor, "stone floor", flagstones(3))
             << floorGraphic(Gfx::MarbleFloor, "marble floor", marble(4))
             << floorGraphic(Gfx::Carpet, "carpet", carpet())
             << floorGraphic(Gfx::Cobbles, "cobblestones", cobbles(5))
             << floorGraphic(Gfx::Grass, "grass", ground(6, QColor(72, 128, 52), 30))
             << floorGraphic(Gfx::Dirt, "dirt", ground(7, QColor(128, 96, 62), 0))
             << floorGraphic(Gfx::Deck, "deck", planks(8, QColor(150, 104, 62), false))
             << floorGraphic(Gfx::Hatch, "hatch", planks(8, QColor(150, 104, 62), true));
}
