#include "demographics.h"
#include "demorandom.h"
#include "isocanvas.h"

#include <functional>

namespace {

// Walls stand on the west or north edge of their cell, 80 px (20 z units,
// one storey) high and about 3 px thick. Art 44 x 124: the cell's diamond
// plus the wall's height.
constexpr double Thickness = 0.16;
constexpr double WallHeight = 80;

// A wall face in its own coordinates: s from 0 to 1 along the wall, h up.
struct Face
{
    std::function<World(double s, double h)> at;
    double ni, nj; // its normal

    QList<World> quad(double s0, double s1, double h0, double h1) const
    {
        return {at(s0, h0), at(s1, h0), at(s1, h1), at(s0, h1)};
    }
};

Face faceOf(bool west, double depth)
{
    if (west)
        return {[depth](double s, double h) { return World{depth, s, h}; }, 1, 0};
    return {[depth](double s, double h) { return World{s, depth, h}; }, 0, 1};
}

Block wallBlock(bool west, double thickness, double height)
{
    return west ? Block{0, thickness, 0, 1, 0, height} : Block{0, 1, 0, thickness, 0, height};
}

void courses(IsoCanvas &canvas, const Face &face, DemoRandom &random, const QColor &colour,
             const QColor &mortar, double courseHeight, int perCourse)
{
    const QColor joint = IsoCanvas::lit(mortar, face.ni, face.nj, 0);
    int course = 0;
    for (double h = 0; h < WallHeight - 0.5; h += courseHeight, ++course) {
        const double top = std::min(h + courseHeight, WallHeight);
        const double shift = (course % 2) * 0.5 / perCourse;
        for (int k = -1; k < perCourse; ++k) {
            const double s0 = std::max(0.0, shift + double(k) / perCourse);
            const double s1 = std::min(1.0, shift + double(k + 1) / perCourse);
            if (s1 <= s0)
                continue;
            const QColor stone = colour.lighter(random.between(90, 112));
            canvas.fill(face.quad(s0, s1, h, top), IsoCanvas::lit(stone, face.ni, face.nj, 0));
            canvas.line(face.at(s0, h), face.at(s0, top), joint);
        }
        if (h > 0)
            canvas.line(face.at(0, h), face.at(1, h), joint);
    }
}

void timberFrame(IsoCanvas &canvas, const Face &face)
{
    canvas.fill(face.quad(0, 1, 0, WallHeight),
                IsoCanvas::lit(QColor(226, 212, 176), face.ni, face.nj, 0));
    const QColor beam = IsoCanvas::lit(QColor(86, 56, 34), face.ni, face.nj, 0);
    for (double h : {0.0, 38.0, 76.0})
        canvas.fill(face.quad(0, 1, h, h + 4), beam);
    for (double s : {0.0, 0.47, 0.94})
        canvas.fill(face.quad(s, s + 0.06, 0, WallHeight), beam);
    canvas.fill({face.at(0.06, 42), face.at(0.12, 42), face.at(0.47, 72), face.at(0.41, 72)}, beam);
}

void logs(IsoCanvas &canvas, const Face &face)
{
    for (double h = 0; h < WallHeight; h += 10) {
        canvas.fill(face.quad(0, 1, h, h + 10),
                    IsoCanvas::lit(QColor(124, 82, 48), face.ni, face.nj, 0));
        canvas.line(face.at(0, h + 9), face.at(1, h + 9),
                    IsoCanvas::lit(QColor(176, 128, 82), face.ni, face.nj, 0));
        canvas.line(face.at(0, h), face.at(1, h), QColor(52, 32, 18));
    }
}

void door(IsoCanvas &canvas, const Face &face)
{
    canvas.fill(face.quad(0.22, 0.78, 0, 58),
                IsoCanvas::lit(QColor(104, 64, 36), face.ni, face.nj, 0));
    for (double s = 0.36; s < 0.78; s += 0.14)
        canvas.line(face.at(s, 0), face.at(s, 58), QColor(60, 36, 20));
    canvas.outline(face.quad(0.22, 0.78, 0, 58), Qt::black);
    canvas.fill(face.quad(0.66, 0.71, 26, 30), QColor(232, 196, 72));
}

void window(IsoCanvas &canvas, const Face &face)
{
    canvas.fill(face.quad(0.28, 0.72, 34, 62),
                IsoCanvas::lit(QColor(150, 196, 228), face.ni, face.nj, 0));
    canvas.line(face.at(0.5, 34), face.at(0.5, 62), Qt::black);
    canvas.line(face.at(0.28, 48), face.at(0.72, 48), Qt::black);
    canvas.outline(face.quad(0.28, 0.72, 34, 62), Qt::black);
    canvas.fill(face.quad(0.24, 0.76, 31, 34),
                IsoCanvas::lit(QColor(200, 196, 188), face.ni, face.nj, 0));
}

QImage wallArt(WallMaterial material, WallKind kind)
{
    IsoCanvas canvas(44, 44 + int(WallHeight));
    DemoRandom random(100 + 8 * material + kind);
    const QColor stone(150, 146, 136), brick(164, 76, 54), plaster(226, 212, 176),
        wood(124, 82, 48);
    const QColor colours[] = {stone, brick, plaster, wood};
    const QColor colour = colours[material];

    if (kind == Post) {
        canvas.block({0, Thickness, 0, Thickness, 0, WallHeight}, colour, colour.darker(170));
        return canvas.image();
    }
    const bool west = kind == WallWest || kind == DoorWest || kind == WindowWest;
    const Block body = wallBlock(west, Thickness, WallHeight);
    canvas.block(body, colour);
    const Face face = faceOf(west, Thickness);
    switch (material) {
    case Stone:
        courses(canvas, face, random, stone, QColor(96, 92, 86), 10, 3);
        break;
    case Brick:
        courses(canvas, face, random, brick, QColor(206, 196, 176), 5, 6);
        break;
    case Plaster:
        timberFrame(canvas, face);
        break;
    default:
        logs(canvas, face);
        break;
    }
    canvas.outline(IsoCanvas::topFace(body), colour.darker(170));
    if (kind == DoorWest || kind == DoorNorth)
        door(canvas, face);
    if (kind == WindowWest || kind == WindowNorth)
        window(canvas, face);
    return canvas.image();
}

QImage battlementArt(bool west)
{
    IsoCanvas canvas(44, 44 + 26);
    const QColor stone(150, 146, 136);
    canvas.block(wallBlock(west, 0.22, 12), stone, stone.darker(170));
    for (double s : {0.0, 0.5}) {
        const Block merlon =
            west ? Block{0, 0.22, s, s + 0.25, 12, 26} : Block{s, s + 0.25, 0, 0.22, 12, 26};
        canvas.block(merlon, stone, stone.darker(170));
    }
    return canvas.image();
}

QImage hullArt(bool west)
{
    IsoCanvas canvas(44, 44 + 20);
    const QColor hull(92, 58, 34);
    canvas.block(wallBlock(west, 0.2, 20), hull);
    const Face face = faceOf(west, 0.2);
    canvas.fill(face.quad(0, 1, 2, 5), IsoCanvas::lit(QColor(58, 84, 70), face.ni, face.nj, 0));
    canvas.line(face.at(0, 12), face.at(1, 12), QColor(50, 30, 16));
    return canvas.image();
}

QImage railArt(bool west)
{
    IsoCanvas canvas(44, 44 + 14);
    const QColor wood(170, 124, 76);
    canvas.block(wallBlock(west, 0.1, 4), wood);
    for (double s : {0.0, 0.5}) {
        const Block post =
            west ? Block{0, 0.1, s, s + 0.1, 4, 10} : Block{s, s + 0.1, 0, 0.1, 4, 10};
        canvas.block(post, wood);
    }
    canvas.block(west ? Block{0, 0.1, 0, 1, 10, 14} : Block{0, 1, 0, 0.1, 10, 14}, wood,
                 wood.darker(180));
    return canvas.image();
}

} // namespace

void addWallArt(QList<DemoGraphic> &graphics)
{
    const char *names[WallMaterials][7] = {
        {"stone wall", "stone wall", "stone door", "stone door", "stone window", "stone window",
         "stone post"},
        {"brick wall", "brick wall", "brick door", "brick door", "brick window", "brick window",
         "brick post"},
        {"plaster wall", "plaster wall", "plaster door", "plaster door", "plaster window",
         "plaster window", "plaster post"},
        {"log wall", "log wall", "log door", "log door", "log window", "log window", "log post"},
    };
    for (int material = 0; material < WallMaterials; ++material) {
        for (int kind = WallWest; kind <= Post; ++kind) {
            graphics << DemoGraphic{wallId(WallMaterial(material), WallKind(kind)),
                                    names[material][kind], 0, 20,
                                    wallArt(WallMaterial(material), WallKind(kind))};
        }
    }
    for (int side = 0; side < 2; ++side) {
        graphics << DemoGraphic{Gfx::Battlement + side, "battlement", 0, 6,
                                battlementArt(side == 0)}
                 << DemoGraphic{Gfx::Hull + side, "hull", 0, 5, hullArt(side == 0)}
                 << DemoGraphic{Gfx::Rail + side, "rail", 0, 3, railArt(side == 0)};
    }
}
