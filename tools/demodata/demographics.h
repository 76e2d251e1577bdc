#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// The graphics of the demo set: their art (drawn by code) and their tile data.
struct DemoGraphic
{
    int id;
    QByteArray name; // tile data name, at most 20 characters
    qint32 flags;    // bit 0: floor or background, drawn first in its cell
    qint8 height;    // in z units; walls 20, floors 0
    QImage art;      // null for graphics that deliberately have no art
};

// Wall materials, each with the pieces of WallKind.
enum WallMaterial
{
    Stone,
    Brick,
    Plaster,
    Logs,
    WallMaterials
};

// A piece along the west edge of its cell (running along y) or along the north
// edge (running along x). The front corner where an east and a south wall
// meet is closed by a post.
enum WallKind
{
    WallWest,
    WallNorth,
    DoorWest,
    DoorNorth,
    WindowWest,
    WindowNorth,
    Post
};

enum RoofMaterial
{
    Slate,
    RedTiles,
    Thatch,
    RoofMaterials
};

namespace Gfx {
// Floors
inline constexpr int WoodFloor = 256;
inline constexpr int DarkWoodFloor = 257;
inline constexpr int StoneFloor = 258;
inline constexpr int MarbleFloor = 259;
inline constexpr int Carpet = 260;
inline constexpr int Cobbles = 261;
inline constexpr int Grass = 262;
inline constexpr int Dirt = 263;
inline constexpr int Deck = 264;
inline constexpr int Hatch = 265;
// Walls: WallBase + 8 * material + kind
inline constexpr int WallBase = 512;
inline constexpr int Battlement = 560; // + 0 west, + 1 north
inline constexpr int Hull = 562;       // + 0 west, + 1 north
inline constexpr int Rail = 564;       // + 0 west, + 1 north
// Roofs: RoofBase + 16 * material + corner pattern (bit 0 top corner raised,
// bit 1 right, bit 2 bottom, bit 3 left; 15 never occurs)
inline constexpr int RoofBase = 1024;
// Stairs: + piece 0 to 7; piece k is a solid block from the floor whose two
// steps reach 20k + 10 and 20k + 20 px, so four pieces climb one storey.
inline constexpr int StairsWest = 1280;  // rising towards -x
inline constexpr int StairsNorth = 1288; // rising towards -y
// Objects
inline constexpr int Table = 1536;
inline constexpr int Chair = 1537;
inline constexpr int Chest = 1538;
inline constexpr int Barrel = 1539;
inline constexpr int Bed = 1540;
inline constexpr int Bookshelf = 1541;
inline constexpr int Crate = 1542;
inline constexpr int Plant = 1543;
inline constexpr int Lamp = 1544;
inline constexpr int Tree = 1545;
inline constexpr int Fountain = 1546;
inline constexpr int Banner = 1547;
inline constexpr int Mast = 1548;
inline constexpr int Tiller = 1549;
// Used by multis but deliberately without art.
inline constexpr int Marker = 1900;
inline constexpr int Anchor = 1901;
} // namespace Gfx

inline int wallId(WallMaterial material, WallKind kind)
{
    return Gfx::WallBase + 8 * material + kind;
}

inline int roofId(RoofMaterial material, int pattern)
{
    return Gfx::RoofBase + 16 * material + pattern;
}

// All graphics of the demo set, in id order.
QList<DemoGraphic> demoGraphics();

// The parts of the catalog, one per art file.
void addFloorArt(QList<DemoGraphic> &graphics);
void addWallArt(QList<DemoGraphic> &graphics);
void addRoofArt(QList<DemoGraphic> &graphics);
void addObjectArt(QList<DemoGraphic> &graphics);
void addOutdoorArt(QList<DemoGraphic> &graphics);
