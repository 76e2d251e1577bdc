#include "demographics.h"
#include "demorandom.h"
#include "isocanvas.h"

#include <cmath>

namespace {

const QColor Outline(0, 0, 0);
const QColor Stone(164, 160, 150);

QImage lamp()
{
    IsoCanvas canvas(44, 124);
    canvas.block({0.46, 0.54, 0.46, 0.54, 0, 64}, QColor(40, 40, 44));
    canvas.block({0.4, 0.6, 0.4, 0.6, 64, 76}, QColor(250, 222, 110), Outline);
    canvas.block({0.38, 0.62, 0.38, 0.62, 76, 79}, QColor(30, 30, 34));
    return canvas.image();
}

QImage tree()
{
    IsoCanvas canvas(66, 150);
    DemoRandom random(51);
    canvas.block({0.42, 0.58, 0.42, 0.58, 0, 48}, QColor(104, 70, 40), QColor(60, 38, 20));
    // Leaves: dark clusters first, lit ones on top.
    for (int layer = 0; layer < 3; ++layer) {
        for (int n = 0; n < 9; ++n) {
            const double angle = random.unit() * 6.2832;
            const double reach = 0.45 * random.unit();
            const double h = 50 + random.between(0, 40) + 6 * layer;
            const QPointF at =
                canvas.at({0.5 + reach * std::cos(angle), 0.5 + reach * std::sin(angle), h});
            canvas.painter().setPen(Qt::NoPen);
            canvas.painter().setBrush(
                QColor(30 + 20 * layer, 82 + 30 * layer + random.between(0, 20), 34 + 8 * layer));
            canvas.painter().drawEllipse(at, 10.0 - 2 * layer, 9.0 - 2 * layer);
        }
    }
    return canvas.image();
}

QImage fountain()
{
    IsoCanvas canvas(44, 84);
    canvas.cylinder(0.5, 0.5, 0.46, 0, 10, Stone, QColor(90, 88, 84));
    const QPointF water = canvas.at({0.5, 0.5, 10});
    canvas.painter().setPen(Qt::NoPen);
    canvas.painter().setBrush(QColor(70, 130, 200));
    canvas.painter().drawEllipse(water, 12.0, 12.0);
    canvas.cylinder(0.5, 0.5, 0.07, 10, 30, Stone);
    canvas.painter().setBrush(QColor(170, 210, 246));
    for (double dx : {-6.0, -3.0, 3.0, 6.0}) {
        const QPointF drop = canvas.at({0.5, 0.5, 24 - 2 * std::abs(dx)}) + QPointF(dx, 0);
        canvas.painter().drawEllipse(drop, 1.5, 1.5);
    }
    canvas.cylinder(0.5, 0.5, 0.12, 30, 33, Stone);
    return canvas.image();
}

QImage banner()
{
    IsoCanvas canvas(44, 140);
    canvas.block({0.1, 0.16, 0.47, 0.53, 0, 92}, QColor(44, 44, 48));
    const QList<World> cloth{
        {0.16, 0.5, 88}, {0.8, 0.5, 88}, {0.8, 0.5, 46}, {0.48, 0.5, 38}, {0.16, 0.5, 46}};
    canvas.fill(cloth, IsoCanvas::lit(QColor(168, 24, 32), 0, 1, 0));
    canvas.outline(cloth, Outline);
    canvas.fill({{0.48, 0.5, 80}, {0.62, 0.5, 66}, {0.48, 0.5, 52}, {0.34, 0.5, 66}},
                QColor(236, 190, 70));
    return canvas.image();
}

QImage mast()
{
    // The sail spans the whole beam of the ship, five cells, hence the wider and
    // taller art (its far end rises 33 px above the cell's top corner).
    IsoCanvas canvas(132, 280);
    const QColor spar(112, 74, 42);
    canvas.block({0.45, 0.55, 0.45, 0.55, 0, 196}, spar);
    canvas.line({0.5, 0.5, 196}, {-1.0, 0.5, 20}, Outline);
    canvas.line({0.5, 0.5, 196}, {2.0, 0.5, 20}, Outline);
    const QColor cloth(240, 232, 208);
    for (int panel = 0; panel < 4; ++panel) {
        const double j0 = -1.9 + 1.2 * panel, j1 = j0 + 1.2;
        const QList<World> sail{{0.58, j0, 186}, {0.58, j1, 186}, {0.64, j1, 70}, {0.64, j0, 70}};
        canvas.fill(sail, IsoCanvas::lit(cloth.darker(100 + 6 * (panel % 2)), 0.3, 1, 0));
        canvas.outline(sail, QColor(150, 140, 120));
    }
    canvas.block({0.45, 0.55, -1.95, 2.95, 186, 190}, spar);
    canvas.block({0.45, 0.55, -1.95, 2.95, 66, 70}, spar);
    return canvas.image();
}

QImage tiller()
{
    IsoCanvas canvas(44, 64);
    canvas.block({0.44, 0.56, 0.44, 0.56, 0, 12}, QColor(96, 62, 36));
    canvas.block({0.2, 0.56, 0.46, 0.54, 12, 15}, QColor(140, 96, 56), Outline);
    return canvas.image();
}

// Stairs rising towards -i (west) or -j (north): a solid block whose back half
// is 10 px higher than its front half.
QImage stairs(bool west, int piece)
{
    const double low = 20.0 * piece + 10, high = low + 10;
    IsoCanvas canvas(44, 44 + int(high));
    const QColor edge = Stone.darker(160);
    if (west) {
        canvas.block({0, 0.5, 0, 1, 0, high}, Stone, edge);
        canvas.block({0.5, 1, 0, 1, 0, low}, Stone, edge);
    } else {
        canvas.block({0, 1, 0, 0.5, 0, high}, Stone, edge);
        canvas.block({0, 1, 0.5, 1, 0, low}, Stone, edge);
    }
    return canvas.image();
}

} // namespace

void addOutdoorArt(QList<DemoGraphic> &graphics)
{
    graphics << DemoGraphic{Gfx::Lamp, "lamp post", 0, 18, lamp()}
             << DemoGraphic{Gfx::Tree, "tree", 0, 24, tree()}
             << DemoGraphic{Gfx::Fountain, "fountain", 0, 4, fountain()}
             << DemoGraphic{Gfx::Banner, "banner", 0, 22, banner()}
             << DemoGraphic{Gfx::Mast, "mast", 0, 38, mast()}
             << DemoGraphic{Gfx::Tiller, "tiller", 0, 3, tiller()};
    for (int piece = 0; piece < 8; ++piece) {
        const qint8 height = qint8(5 * (piece + 1));
        graphics << DemoGraphic{Gfx::StairsWest + piece, "stairs", 0, height, stairs(true, piece)}
                 << DemoGraphic{Gfx::StairsNorth + piece, "stairs", 0, height,
                                stairs(false, piece)};
    }
}
