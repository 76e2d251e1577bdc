#include "demomultis.h"

void buildHouse(MultiBuilder &multi, const HouseStyle &style)
{
    const QRect &cells = style.cells;
    const QPoint door(cells.left() + cells.width() / 2, cells.bottom() + 1);
    for (int storey = 0; storey < style.storeys; ++storey) {
        const int z = 20 * storey;
        multi.floor(cells, storey == 0 ? style.groundFloor : style.upperFloor, z);
        multi.walls(cells, z, style.walls, style.windowEvery,
                    storey == 0 ? std::optional<QPoint>(door) : std::nullopt);
        if (storey + 1 < style.storeys && cells.height() >= 5)
            multi.stairs(false, cells.left(), cells.bottom(), z, 4);
    }
    const int top = 20 * style.storeys;
    if (style.top == HouseStyle::HipRoof) {
        multi.hipRoof(cells, top, style.roof);
    } else if (style.top == HouseStyle::FlatRoof) {
        multi.floor(cells, Gfx::StoneFloor, top);
        multi.edgeRing(cells, top, Gfx::Battlement, Gfx::Battlement + 1);
    }
}

namespace {

// Ground of `graphicId` on the cells of `area` outside `house`.
void garden(MultiBuilder &multi, const QRect &area, const QRect &house, int graphicId)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (!house.contains(x, y))
                multi.add(graphicId, x, y, 0);
}

QList<DemoComponent> cottage()
{
    MultiBuilder multi;
    const QRect house(-2, -2, 4, 4);
    garden(multi, QRect(-4, -4, 8, 9), house, Gfx::Grass);
    buildHouse(multi,
               {house, 1, Stone, Gfx::WoodFloor, Gfx::WoodFloor, HouseStyle::HipRoof, Slate, 2});
    multi.add(Gfx::Table, -1, -1, 0);
    multi.add(Gfx::Chair, -2, -1, 0);
    multi.add(Gfx::Barrel, 2, -2, 0);
    multi.add(Gfx::Barrel, 2, -1, 0);
    multi.add(Gfx::Lamp, -1, 2, 0);
    multi.add(Gfx::Plant, 1, 2, 0);
    multi.add(Gfx::Marker, 0, 0, 0);
    return multi.components();
}

QList<DemoComponent> brickHouse()
{
    MultiBuilder multi;
    const QRect house(-3, -2, 6, 5);
    buildHouse(multi, {house, 2, Brick, Gfx::StoneFloor, Gfx::DarkWoodFloor, HouseStyle::HipRoof,
                       RedTiles, 2});
    multi.add(Gfx::Chest, 1, 1, 0);
    multi.add(Gfx::Bed, 1, -2, 20);
    multi.add(Gfx::Crate, 3, 3, 0);
    multi.add(Gfx::Barrel, 3, 2, 0);
    multi.add(Gfx::Plant, -2, 3, 0);
    return multi.components();
}

QList<DemoComponent> timberHouse()
{
    MultiBuilder multi;
    const QRect house(-2, -2, 5, 4);
    garden(multi, QRect(-4, -4, 9, 9), house, Gfx::Grass);
    buildHouse(multi,
               {house, 1, Plaster, Gfx::WoodFloor, Gfx::WoodFloor, HouseStyle::HipRoof, Thatch, 2});
    for (int y = 2; y <= 4; ++y)
        multi.add(Gfx::Dirt, 0, y, 0);
    multi.add(Gfx::Tree, -4, -4, 0);
    multi.add(Gfx::Tree, 4, 3, 0);
    multi.add(Gfx::Plant, -1, 2, 0);
    multi.add(Gfx::Plant, 1, 2, 0);
    return multi.components();
}

QList<DemoComponent> logCabin()
{
    MultiBuilder multi;
    const QRect house(-1, -1, 3, 3);
    garden(multi, QRect(-2, -2, 5, 5), house, Gfx::Dirt);
    buildHouse(multi, {house, 1, Logs, Gfx::DarkWoodFloor, Gfx::DarkWoodFloor, HouseStyle::HipRoof,
                       Thatch, 3});
    multi.add(Gfx::Crate, 2, -1, 0);
    multi.add(Gfx::Barrel, 2, 0, 0);
    return multi.components();
}

QList<DemoComponent> watchtower()
{
    MultiBuilder multi;
    const QRect tower(-1, -1, 3, 3);
    buildHouse(multi,
               {tower, 4, Stone, Gfx::StoneFloor, Gfx::StoneFloor, HouseStyle::FlatRoof, Slate, 3});
    multi.add(Gfx::Banner, 0, 0, 80);
    return multi.components();
}

// No roof, so the furniture shows.
QList<DemoComponent> openHall()
{
    MultiBuilder multi;
    const QRect hall(-3, -3, 7, 6);
    buildHouse(multi,
               {hall, 1, Plaster, Gfx::MarbleFloor, Gfx::MarbleFloor, HouseStyle::Open, Slate, 2});
    for (int x = -1; x <= 1; ++x)
        for (int y = -1; y <= 0; ++y)
            multi.add(Gfx::Carpet, x, y, 0);
    for (int y = -3; y <= -1; ++y)
        multi.add(Gfx::Bookshelf, -3, y, 0);
    multi.add(Gfx::Table, 0, -1, 0);
    multi.add(Gfx::Chair, -1, -1, 0);
    multi.add(Gfx::Chair, 1, -1, 0);
    multi.add(Gfx::Bed, 2, -3, 0);
    multi.add(Gfx::Chest, 3, -3, 0);
    multi.add(Gfx::Plant, -3, 2, 0);
    multi.add(Gfx::Plant, 3, 2, 0);
    multi.add(Gfx::Lamp, 3, 0, 0);
    return multi.components();
}

} // namespace

QList<QList<DemoComponent>> demoHouses()
{
    return {cottage(), brickHouse(), timberHouse(), logCabin(), watchtower(), openHall()};
}
