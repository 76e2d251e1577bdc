#include "demomultis.h"

namespace {

// The keep: a curtain wall one cell thick around a 28 x 28 yard, two storeys
// high with a walk and battlements on top, four towers of four storeys on
// its corners, and a central keep of three storeys.
const QRect Outer(-15, -15, 30, 30);
const QRect Yard = Outer.adjusted(1, 1, -1, -1);
const QRect Hall(-5, -5, 10, 10);
const int StoneWest = wallId(Stone, WallWest);
const int StoneNorth = wallId(Stone, WallNorth);

QList<QRect> towers()
{
    QList<QRect> result;
    for (const QPoint &corner :
         {Outer.topLeft(), QPoint(Outer.right() + 1, Outer.top()),
          QPoint(Outer.left(), Outer.bottom() + 1), Outer.bottomRight() + QPoint(1, 1)})
        result.append(QRect(corner - QPoint(3, 3), QSize(6, 6)));
    return result;
}

bool inTower(int x, int y)
{
    for (const QRect &tower : towers())
        if (tower.contains(x, y))
            return true;
    return false;
}

void yard(MultiBuilder &keep)
{
    for (int y = Yard.top(); y <= Yard.bottom(); ++y) {
        for (int x = Yard.left(); x <= Yard.right(); ++x) {
            if (inTower(x, y) || Hall.contains(x, y))
                continue;
            const bool toGate = x >= -2 && x <= 1 && y > Hall.bottom();
            const bool aroundHall = Hall.adjusted(-2, -2, 2, 2).contains(x, y);
            keep.add(toGate || aroundHall ? Gfx::Cobbles : Gfx::Grass, x, y, 0);
        }
    }
    // Stairs up to the wall walk, 40 z units in eight pieces.
    keep.stairs(false, 8, -7, 0, 8);
    keep.stairs(true, -7, 8, 0, 8);
    for (const QPoint &tree : {QPoint(-10, -10), QPoint(-11, 4), QPoint(10, -11), QPoint(11, 9)})
        keep.add(Gfx::Tree, tree.x(), tree.y(), 0);
    keep.add(Gfx::Fountain, -9, 9, 0);
    for (int y = 7; y <= 13; y += 3) {
        keep.add(Gfx::Lamp, -3, y, 0);
        keep.add(Gfx::Lamp, 2, y, 0);
    }
    for (int x = 4; x <= 8; ++x)
        keep.add(x % 2 ? Gfx::Barrel : Gfx::Crate, x, 13, 0);
    for (int y = -13; y <= -9; ++y)
        keep.add(y % 2 ? Gfx::Crate : Gfx::Barrel, 13, y, 0);
    // Plants along the hall, lamps at its corners.
    for (int k = Hall.left(); k <= Hall.right(); k += 3) {
        keep.add(Gfx::Plant, k, Hall.bottom() + 1, 0);
        keep.add(Gfx::Plant, Hall.right() + 1, k, 0);
    }
    for (const QPoint &corner :
         {Hall.topLeft() - QPoint(1, 1), Hall.bottomRight() + QPoint(1, 1),
          QPoint(Hall.left() - 1, Hall.bottom() + 1), QPoint(Hall.right() + 1, Hall.top() - 1)})
        keep.add(Gfx::Lamp, corner.x(), corner.y(), 0);
    keep.add(Gfx::Marker, -1, 14, 0);
    keep.add(Gfx::Marker, 0, 14, 0);
}

void curtainWall(MultiBuilder &keep)
{
    QList<QPoint> ring;
    for (int y = Outer.top(); y <= Outer.bottom(); ++y)
        for (int x = Outer.left(); x <= Outer.right(); ++x)
            if (!Yard.contains(x, y) && !inTower(x, y))
                ring.append({x, y});
    auto inRing = [](int x, int y) { return Outer.contains(x, y) && !Yard.contains(x, y); };
    auto solid = [&](int x, int y) { return inRing(x, y) || inTower(x, y); };
    for (int z : {0, 20})
        keep.outline(ring, solid, z, StoneWest, StoneNorth);
    // The gate through both faces of the south wall; arrow slits above.
    for (int x : {-1, 0}) {
        keep.replace(x, Outer.bottom(), 0, StoneNorth, wallId(Stone, DoorNorth));
        keep.replace(x, Outer.bottom() + 1, 0, StoneNorth, wallId(Stone, DoorNorth));
    }
    for (int k = Outer.left() + 5; k <= Outer.right() - 4; k += 4) {
        keep.replace(k, Outer.bottom() + 1, 20, StoneNorth, wallId(Stone, WindowNorth));
        keep.replace(Outer.right() + 1, k, 20, StoneWest, wallId(Stone, WindowWest));
    }
    for (const QPoint &cell : ring)
        keep.add(Gfx::StoneFloor, cell.x(), cell.y(), 40);
    auto walled = [&](int x, int y) { return solid(x, y) || Yard.contains(x, y); };
    keep.outline(ring, walled, 40, Gfx::Battlement, Gfx::Battlement + 1);
}

void tower(MultiBuilder &keep, const QRect &cells)
{
    for (int z = 0; z <= 60; z += 20) {
        keep.floor(cells, Gfx::StoneFloor, z);
        keep.walls(cells, z, Stone, 3);
    }
    // Doors at the height of the wall walk, where it meets the tower.
    auto onWalk = [](int x, int y) { return !Yard.contains(x, y) && Outer.contains(x, y); };
    for (int y = cells.top(); y <= cells.bottom(); ++y) {
        if (onWalk(cells.left() - 1, y))
            keep.replace(cells.left(), y, 40, StoneWest, wallId(Stone, DoorWest));
        if (onWalk(cells.right() + 1, y))
            keep.replace(cells.right() + 1, y, 40, StoneWest, wallId(Stone, DoorWest));
    }
    for (int x = cells.left(); x <= cells.right(); ++x) {
        if (onWalk(x, cells.top() - 1))
            keep.replace(x, cells.top(), 40, StoneNorth, wallId(Stone, DoorNorth));
        if (onWalk(x, cells.bottom() + 1))
            keep.replace(x, cells.bottom() + 1, 40, StoneNorth, wallId(Stone, DoorNorth));
    }
    keep.floor(cells, Gfx::StoneFloor, 80);
    keep.edgeRing(cells, 80, Gfx::Battlement, Gfx::Battlement + 1);
    keep.add(Gfx::Banner, cells.center().x(), cells.center().y(), 80);
}

} // namespace

QList<DemoComponent> demoKeep()
{
    MultiBuilder keep;
    yard(keep);
    curtainWall(keep);
    for (const QRect &cells : towers())
        tower(keep, cells);
    buildHouse(keep, {Hall, 3, Stone, Gfx::StoneFloor, Gfx::DarkWoodFloor, HouseStyle::FlatRoof,
                      Slate, 3});
    keep.add(Gfx::Banner, 0, 0, 60);
    return keep.components();
}

QList<DemoComponent> demoBoat()
{
    // A hull 13 cells long and 5 wide with a pointed bow towards +x; the deck
    // lies 5 z units up, on the hull.
    QList<QPoint> deck;
    for (int x = -6; x <= 6; ++x) {
        const int half = x <= 3 ? 2 : (x <= 5 ? 1 : 0);
        for (int y = -half; y <= half; ++y)
            deck.append({x, y});
    }
    auto onDeck = [&deck](int x, int y) { return deck.contains(QPoint(x, y)); };
    MultiBuilder boat;
    boat.outline(deck, onDeck, 0, Gfx::Hull, Gfx::Hull + 1);
    for (const QPoint &cell : deck)
        boat.add(Gfx::Deck, cell.x(), cell.y(), 5);
    boat.outline(deck, onDeck, 5, Gfx::Rail, Gfx::Rail + 1);
    boat.add(Gfx::Hatch, -3, 0, 5);
    boat.add(Gfx::Mast, 0, 0, 5);
    boat.add(Gfx::Tiller, -6, 0, 5);
    boat.add(Gfx::Crate, 2, -1, 5);
    boat.add(Gfx::Crate, 2, 1, 5);
    boat.add(Gfx::Barrel, -5, -2, 5);
    boat.add(Gfx::Barrel, -5, 2, 5);
    boat.add(Gfx::Anchor, 6, 0, 5);
    return boat.components();
}
