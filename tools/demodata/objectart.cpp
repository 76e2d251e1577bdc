#include "demographics.h"
#include "demorandom.h"
#include "isocanvas.h"

namespace {

const QColor Wood(150, 100, 58);
const QColor Outline(0, 0, 0);

QImage table()
{
    IsoCanvas canvas(44, 64);
    for (double i : {0.22, 0.72})
        for (double j : {0.22, 0.72})
            canvas.block({i, i + 0.06, j, j + 0.06, 0, 14}, Wood.darker(120));
    canvas.block({0.18, 0.82, 0.18, 0.82, 14, 18}, Wood, Wood.darker(180));
    return canvas.image();
}

QImage chair()
{
    IsoCanvas canvas(44, 72);
    for (double i : {0.32, 0.62})
        for (double j : {0.32, 0.62})
            canvas.block({i, i + 0.06, j, j + 0.06, 0, 9}, Wood.darker(120));
    canvas.block({0.3, 0.36, 0.3, 0.7, 11, 26}, Wood, Wood.darker(180));
    canvas.block({0.3, 0.7, 0.3, 0.7, 9, 11}, Wood, Wood.darker(180));
    return canvas.image();
}

QImage chest()
{
    IsoCanvas canvas(44, 62);
    const Block box{0.22, 0.78, 0.28, 0.72, 0, 14};
    canvas.block(box, QColor(120, 70, 36), Outline);
    // Iron bands over the lid and down the front.
    for (double i : {0.34, 0.66}) {
        canvas.line({i, 0.28, 14}, {i, 0.72, 14}, Outline);
        canvas.line({i, 0.72, 0}, {i, 0.72, 14}, Outline);
    }
    canvas.fill(IsoCanvas::jFace({0.46, 0.54, 0.28, 0.72, 6, 11}), QColor(236, 196, 64));
    return canvas.image();
}

QImage barrel()
{
    IsoCanvas canvas(44, 68);
    canvas.cylinder(0.5, 0.5, 0.28, 0, 22, QColor(142, 92, 50), Outline);
    const QPointF lid = canvas.at({0.5, 0.5, 22});
    canvas.painter().setPen(QColor(90, 56, 30));
    canvas.painter().drawLine(lid - QPointF(5, 0), lid + QPointF(5, 0));
    for (double h : {5.0, 16.0}) {
        const QPointF band = canvas.at({0.5, 0.5, h});
        canvas.painter().setPen(Outline);
        canvas.painter().drawLine(band - QPointF(8.7, 0), band + QPointF(8.7, 0));
    }
    return canvas.image();
}

QImage bed()
{
    IsoCanvas canvas(44, 68);
    canvas.block({0.08, 0.9, 0.22, 0.78, 0, 8}, Wood, Wood.darker(180));
    canvas.block({0.06, 0.14, 0.22, 0.78, 0, 24}, Wood.darker(115), Wood.darker(200));
    canvas.block({0.14, 0.88, 0.25, 0.75, 8, 12}, QColor(236, 232, 220));
    canvas.block({0.42, 0.88, 0.24, 0.76, 8, 13}, QColor(60, 84, 160));
    canvas.block({0.17, 0.34, 0.32, 0.68, 12, 15}, QColor(248, 246, 240));
    return canvas.image();
}

QImage bookshelf()
{
    IsoCanvas canvas(44, 112);
    DemoRandom random(41);
    const Block shelf{0.16, 0.44, 0.04, 0.96, 0, 64};
    canvas.block(shelf, Wood.darker(115), Outline);
    const QColor spines[] = {QColor(150, 30, 30),  QColor(30, 90, 40), QColor(40, 50, 130),
                             QColor(190, 150, 60), QColor(90, 40, 90), QColor(200, 200, 190)};
    for (double h : {4.0, 24.0, 44.0}) {
        double s = 0.08;
        while (s < 0.9) {
            const double width = 0.04 + 0.03 * random.unit();
            const double top = h + 11 + random.between(0, 5);
            const QColor colour = spines[random.between(0, 5)];
            canvas.fill(IsoCanvas::iFace({0, 0.44, s, std::min(s + width, 0.92), h, top}),
                        IsoCanvas::lit(colour, 1, 0, 0));
            s += width + 0.01;
        }
        canvas.line({0.44, 0.04, h - 1}, {0.44, 0.96, h - 1}, Outline);
    }
    return canvas.image();
}

QImage crate()
{
    IsoCanvas canvas(44, 70);
    const Block box{0.2, 0.8, 0.2, 0.8, 0, 24};
    const QColor pine(196, 156, 96);
    canvas.block(box, pine, Outline);
    const QColor board = pine.darker(150);
    for (double h : {8.0, 16.0}) {
        canvas.line({0.8, 0.2, h}, {0.8, 0.8, h}, board);
        canvas.line({0.2, 0.8, h}, {0.8, 0.8, h}, board);
    }
    canvas.line({0.8, 0.2, 0}, {0.8, 0.8, 24}, board);
    canvas.line({0.2, 0.8, 0}, {0.8, 0.8, 24}, board);
    return canvas.image();
}

QImage plant()
{
    IsoCanvas canvas(44, 80);
    DemoRandom random(42);
    canvas.cylinder(0.5, 0.5, 0.18, 0, 10, QColor(184, 96, 60), Outline);
    for (int n = 0; n < 9; ++n) {
        const double h = 12 + random.between(0, 14);
        const QPointF at = canvas.at({0.35 + 0.3 * random.unit(), 0.35 + 0.3 * random.unit(), h});
        canvas.painter().setPen(QColor(20, 70, 24));
        canvas.painter().setBrush(
            QColor(50 + random.between(0, 30), 130 + random.between(0, 40), 50));
        canvas.painter().drawEllipse(at, 5.0, 4.0);
    }
    return canvas.image();
}

DemoGraphic object(int id, const char *name, qint8 height, const QImage &art)
{
    return {id, name, 0, height, art};
}

} // namespace

void addObjectArt(QList<DemoGraphic> &graphics)
{
    graphics << object(Gfx::Table, "table", 4, table()) << object(Gfx::Chair, "chair", 6, chair())
             << object(Gfx::Chest, "chest", 3, chest())
             << object(Gfx::Barrel, "barrel", 5, barrel()) << object(Gfx::Bed, "bed", 3, bed())
             << object(Gfx::Bookshelf, "bookshelf", 16, bookshelf())
             << object(Gfx::Crate, "crate", 6, crate())
             << object(Gfx::Plant, "potted plant", 6, plant());
}
