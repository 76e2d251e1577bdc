#include "demomultis.h"
#include "demorandom.h"

namespace {

const int Floors[] = {Gfx::WoodFloor, Gfx::DarkWoodFloor, Gfx::StoneFloor, Gfx::MarbleFloor};
const int Furniture[] = {Gfx::Table, Gfx::Chair, Gfx::Chest, Gfx::Barrel,
                         Gfx::Bed,   Gfx::Crate, Gfx::Plant, Gfx::Lamp};

void furnish(MultiBuilder &multi, DemoRandom &random, const QRect &cells, int count)
{
    for (int n = 0; n < count; ++n) {
        const int x = random.between(cells.left(), cells.right());
        const int y = random.between(cells.top(), cells.bottom());
        multi.add(Furniture[random.between(0, 7)], x, y, 0);
    }
}

void house(MultiBuilder &multi, DemoRandom &random)
{
    const int width = random.between(3, 9), depth = random.between(3, 8);
    HouseStyle style;
    style.cells = QRect(-width / 2, -depth / 2, width, depth);
    style.storeys = 1 + int(random.chance(0.45)) + int(random.chance(0.2));
    style.walls = WallMaterial(random.between(0, WallMaterials - 1));
    style.groundFloor = Floors[random.between(0, 3)];
    style.upperFloor = Floors[random.between(0, 3)];
    const int top = random.between(0, 9);
    style.top = top < 7 ? HouseStyle::HipRoof : (top < 9 ? HouseStyle::FlatRoof : HouseStyle::Open);
    style.roof = RoofMaterial(random.between(0, RoofMaterials - 1));
    style.windowEvery = random.between(0, 3);
    if (random.chance(0.5)) {
        const int margin = random.between(1, 2);
        const QRect area = style.cells.adjusted(-margin, -margin, margin, margin + 1);
        const int ground = random.chance(0.7) ? Gfx::Grass : Gfx::Dirt;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (!style.cells.contains(x, y))
                    multi.add(ground, x, y, 0);
    }
    buildHouse(multi, style);
    furnish(multi, random, style.cells, random.between(0, 4));
}

void tower(MultiBuilder &multi, DemoRandom &random)
{
    const int side = random.between(3, 5);
    HouseStyle style;
    style.cells = QRect(-side / 2, -side / 2, side, side);
    style.storeys = random.between(2, 5);
    style.groundFloor = style.upperFloor = Gfx::StoneFloor;
    style.top = HouseStyle::FlatRoof;
    style.windowEvery = 3;
    buildHouse(multi, style);
    multi.add(Gfx::Banner, 0, 0, 20 * style.storeys);
}

void walledYard(MultiBuilder &multi, DemoRandom &random)
{
    const int side = random.between(6, 12);
    const QRect cells(-side / 2, -side / 2, side, side);
    multi.floor(cells, Gfx::Grass, 0);
    multi.walls(cells, 0, Stone, 0, QPoint(cells.center().x(), cells.bottom() + 1));
    for (int n = random.between(1, 4); n > 0; --n)
        multi.add(Gfx::Tree, random.between(cells.left(), cells.right()),
                  random.between(cells.top(), cells.bottom()), 0);
    if (random.chance(0.5))
        multi.add(Gfx::Fountain, 0, 0, 0);
}

} // namespace

QList<DemoComponent> generatedMulti(quint64 seed)
{
    DemoRandom random(seed);
    MultiBuilder multi;
    const int kind = random.between(0, 19);
    if (kind < 16)
        house(multi, random);
    else if (kind < 18)
        tower(multi, random);
    else
        walledYard(multi, random);
    return multi.components();
}
