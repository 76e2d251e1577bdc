#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPointF>

// A point of the world inside one map cell: i along the map's x axis, j along
// its y axis (the cell spans 0 to 1 in both), h the height above the cell's
// floor in screen pixels.
struct World
{
    double i;
    double j;
    double h;
};

// An axis-aligned block of the world: [i0, i1] x [j0, j1] x [h0, h1].
struct Block
{
    double i0, i1, j0, j1, h0, h1;
};

// A transparent ARGB32 art image with the cell-to-screen projection of the
// preview: +1 in i moves 22 px right and 22 px down, +1 in j 22 px left and
// 22 px down, +1 in h 1 px up. The cell's top corner sits at the middle
// column, 44 px above the bottom row, so its floor diamond fills the bottom
// 44 x 44 of the image. Drawing is aliased: every pixel is fully painted or
// left transparent.
class IsoCanvas
{
public:
    IsoCanvas(int width, int height);

    QPointF at(const World &point) const;
    QPolygonF polygon(const QList<World> &points) const;

    // Brightness of a face with this world normal under the demo light.
    static QColor lit(const QColor &colour, double ni, double nj, double nh);

    void fill(const QList<World> &points, const QColor &colour);
    void outline(const QList<World> &points, const QColor &colour);
    void line(const World &from, const World &to, const QColor &colour);
    // The faces of a block seen from the viewer (top, +i side, +j side),
    // each lit by its direction, with an optional outline in `edge`.
    void block(const Block &box, const QColor &colour, const QColor &edge = QColor());
    // An upright cylinder on the point (i, j) of the cell; radius in cells.
    // Ground circles stay circles in this projection.
    void cylinder(double i, double j, double radius, double h0, double h1, const QColor &colour,
                  const QColor &edge = QColor());

    // The four faces of a block as corner lists.
    static QList<World> topFace(const Block &box);
    static QList<World> iFace(const Block &box); // the face at i = i1
    static QList<World> jFace(const Block &box); // the face at j = j1

    QPainter &painter() { return paint; }
    QImage image();

private:
    QImage art;
    QPainter paint;
};
