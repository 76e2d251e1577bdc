#include "multibuilder.h"

#include <algorithm>

void MultiBuilder::add(int graphicId, int x, int y, int z)
{
    list.append({graphicId, x, y, z});
}

void MultiBuilder::floor(const QRect &cells, int graphicId, int z)
{
    for (int y = cells.top(); y <= cells.bottom(); ++y)
        for (int x = cells.left(); x <= cells.right(); ++x)
            add(graphicId, x, y, z);
}

void MultiBuilder::walls(const QRect &cells, int z, WallMaterial material, int windowEvery,
                         std::optional<QPoint> door)
{
    auto piece = [&](bool west, int along, QPoint cell) {
        if (door && *door == cell)
            return wallId(material, west ? DoorWest : DoorNorth);
        if (windowEvery > 0 && along % windowEvery == windowEvery / 2)
            return wallId(material, west ? WindowWest : WindowNorth);
        return wallId(material, west ? WallWest : WallNorth);
    };
    for (int y = cells.top(); y <= cells.bottom(); ++y) {
        const int along = y - cells.top();
        add(piece(true, along, {cells.left(), y}), cells.left(), y, z);
        add(piece(true, along, {cells.right() + 1, y}), cells.right() + 1, y, z);
    }
    for (int x = cells.left(); x <= cells.right(); ++x) {
        const int along = x - cells.left();
        add(piece(false, along, {x, cells.top()}), x, cells.top(), z);
        add(piece(false, along, {x, cells.bottom() + 1}), x, cells.bottom() + 1, z);
    }
    add(wallId(material, Post), cells.right() + 1, cells.bottom() + 1, z);
}

void MultiBuilder::edgeRing(const QRect &cells, int z, int westPiece, int northPiece)
{
    for (int y = cells.top(); y <= cells.bottom(); ++y) {
        add(westPiece, cells.left(), y, z);
        add(westPiece, cells.right() + 1, y, z);
    }
    for (int x = cells.left(); x <= cells.right(); ++x) {
        add(northPiece, x, cells.top(), z);
        add(northPiece, x, cells.bottom() + 1, z);
    }
}

void MultiBuilder::outline(const QList<QPoint> &cells,
                           const std::function<bool(int x, int y)> &inside, int z, int westPiece,
                           int northPiece)
{
    for (const QPoint &cell : cells) {
        const int x = cell.x(), y = cell.y();
        if (!inside(x - 1, y))
            add(westPiece, x, y, z);
        if (!inside(x + 1, y))
            add(westPiece, x + 1, y, z);
        if (!inside(x, y - 1))
            add(northPiece, x, y, z);
        if (!inside(x, y + 1))
            add(northPiece, x, y + 1, z);
    }
}

void MultiBuilder::replace(int x, int y, int z, int from, int to)
{
    for (DemoComponent &component : list) {
        if (component.graphicId == from && component.x == x && component.y == y && component.z == z)
            component.graphicId = to;
    }
}

void MultiBuilder::hipRoof(const QRect &cells, int z, RoofMaterial material, int maxSteps)
{
    // Height in steps of the roof at a cell corner (i, j): its distance from
    // the nearest eave. Corners of one cell differ by at most one step.
    auto corner = [&](int i, int j) {
        const int fromEave = std::min(
            {i - cells.left(), cells.right() + 1 - i, j - cells.top(), cells.bottom() + 1 - j});
        return std::min(fromEave, maxSteps);
    };
    for (int y = cells.top(); y <= cells.bottom(); ++y) {
        for (int x = cells.left(); x <= cells.right(); ++x) {
            const int heights[4] = {corner(x, y), corner(x + 1, y), corner(x + 1, y + 1),
                                    corner(x, y + 1)};
            const int low = *std::min_element(heights, heights + 4);
            int pattern = 0;
            for (int bit = 0; bit < 4; ++bit)
                if (heights[bit] > low)
                    pattern |= 1 << bit;
            add(roofId(material, pattern), x, y, z + 5 * low);
        }
    }
}

void MultiBuilder::stairs(bool west, int x, int y, int z, int pieces)
{
    const int first = west ? Gfx::StairsWest : Gfx::StairsNorth;
    for (int piece = 0; piece < pieces; ++piece)
        add(first + piece, west ? x - piece : x, west ? y : y - piece, z);
}
