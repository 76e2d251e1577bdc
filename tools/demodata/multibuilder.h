#pragma once

#include "demoencoders.h"
#include "demographics.h"

#include <QList>
#include <QPoint>
#include <QRect>

#include <functional>
#include <optional>

// Puts a multi together from whole building parts. Cell rectangles are
// inclusive: `cells.right()` is the last column of floor.
class MultiBuilder
{
public:
    void add(int graphicId, int x, int y, int z);
    void floor(const QRect &cells, int graphicId, int z);

    // The walls around a rectangle of cells: west and north pieces on the back
    // edges of its cells, east and south pieces on the edges of the cells just
    // beyond it, and a post where the east and south walls meet. Every
    // `windowEvery`-th piece (0: none) has a window; the piece in the cell
    // `door` is a door.
    void walls(const QRect &cells, int z, WallMaterial material, int windowEvery,
               std::optional<QPoint> door = std::nullopt);
    // The same ring of edges with two given pieces (west-running, north-running).
    void edgeRing(const QRect &cells, int z, int westPiece, int northPiece);
    // Pieces on every edge between a cell of `cells` and a cell that is not
    // `inside` (cells themselves must be inside).
    void outline(const QList<QPoint> &cells, const std::function<bool(int x, int y)> &inside, int z,
                 int westPiece, int northPiece);
    // Swaps the graphic of every component `from` at (x, y, z) for `to`.
    void replace(int x, int y, int z, int from, int to);

    // A hip roof resting on walls of height z over the rectangle, at most
    // `maxSteps` steps of 5 z units high, flat above that.
    void hipRoof(const QRect &cells, int z, RoofMaterial material, int maxSteps = 4);

    // A flight of stairs from the cell (x, y) at height z, rising one piece a
    // cell towards -x (west) or -y (north).
    void stairs(bool west, int x, int y, int z, int pieces);

    const QList<DemoComponent> &components() const { return list; }
    qsizetype size() const { return list.size(); }

private:
    QList<DemoComponent> list;
};
