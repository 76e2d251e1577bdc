#pragma once

#include "demographics.h"
#include "multibuilder.h"

// A house: floors, walls with a door in the middle of the south wall, stairs
// between storeys and a roof.
struct HouseStyle
{
    enum Top
    {
        HipRoof,
        FlatRoof,
        Open
    };

    QRect cells;
    int storeys = 1;
    WallMaterial walls = Stone;
    int groundFloor = Gfx::WoodFloor;
    int upperFloor = Gfx::WoodFloor;
    Top top = HipRoof;
    RoofMaterial roof = Slate;
    int windowEvery = 2;
};

void buildHouse(MultiBuilder &multi, const HouseStyle &style);

// The multis of the demo set, each centred on cell (0, 0).
QList<QList<DemoComponent>> demoHouses();
QList<DemoComponent> demoKeep();
QList<DemoComponent> demoBoat();
// A varied house-like multi made from a seed, for the large set.
QList<DemoComponent> generatedMulti(quint64 seed);
