#include "isocanvas.h"

#include <QPen>

#include <algorithm>
#include <cmath>

IsoCanvas::IsoCanvas(int width, int height) : art(width, height, QImage::Format_ARGB32)
{
    art.fill(Qt::transparent);
    paint.begin(&art);
    paint.setRenderHint(QPainter::Antialiasing, false);
}

QPointF IsoCanvas::at(const World &point) const
{
    const double x = art.width() / 2.0 + 22.0 * (point.i - point.j);
    const double y = art.height() - 44.0 + 22.0 * (point.i + point.j) - point.h;
    return {x, y};
}

QPolygonF IsoCanvas::polygon(const QList<World> &points) const
{
    QPolygonF result;
    for (const World &point : points)
        result << at(point);
    return result;
}

QColor IsoCanvas::lit(const QColor &colour, double ni, double nj, double nh)
{
    // Light from above, a little from the viewer's left.
    const double li = -0.2, lj = 0.7, lh = 1.0;
    const double length = std::sqrt(li * li + lj * lj + lh * lh);
    const double normal = std::sqrt(ni * ni + nj * nj + nh * nh);
    const double facing = (ni * li + nj * lj + nh * lh) / (length * normal);
    const double brightness = 0.55 + 0.5 * std::max(0.0, facing);
    auto channel = [brightness](int value) {
        return std::clamp(int(std::lround(value * brightness)), 0, 255);
    };
    return QColor(channel(colour.red()), channel(colour.green()), channel(colour.blue()));
}

void IsoCanvas::fill(const QList<World> &points, const QColor &colour)
{
    paint.setPen(Qt::NoPen);
    paint.setBrush(colour);
    paint.drawPolygon(polygon(points));
}

void IsoCanvas::outline(const QList<World> &points, const QColor &colour)
{
    paint.setPen(QPen(colour, 0));
    paint.setBrush(Qt::NoBrush);
    paint.drawPolygon(polygon(points));
}

void IsoCanvas::line(const World &from, const World &to, const QColor &colour)
{
    paint.setPen(QPen(colour, 0));
    paint.drawLine(at(from), at(to));
}

QList<World> IsoCanvas::topFace(const Block &box)
{
    return {{box.i0, box.j0, box.h1},
            {box.i1, box.j0, box.h1},
            {box.i1, box.j1, box.h1},
            {box.i0, box.j1, box.h1}};
}

QList<World> IsoCanvas::iFace(const Block &box)
{
    return {{box.i1, box.j0, box.h0},
            {box.i1, box.j1, box.h0},
            {box.i1, box.j1, box.h1},
            {box.i1, box.j0, box.h1}};
}

QList<World> IsoCanvas::jFace(const Block &box)
{
    return {{box.i0, box.j1, box.h0},
            {box.i1, box.j1, box.h0},
            {box.i1, box.j1, box.h1},
            {box.i0, box.j1, box.h1}};
}

void IsoCanvas::block(const Block &box, const QColor &colour, const QColor &edge)
{
    const QList<QList<World>> faces = {iFace(box), jFace(box), topFace(box)};
    const QColor shades[] = {lit(colour, 1, 0, 0), lit(colour, 0, 1, 0), lit(colour, 0, 0, 1)};
    for (int face = 0; face < 3; ++face) {
        fill(faces[face], shades[face]);
        if (edge.isValid())
            outline(faces[face], edge);
    }
}

void IsoCanvas::cylinder(double i, double j, double radius, double h0, double h1,
                         const QColor &colour, const QColor &edge)
{
    const double r = radius * 31.1; // a cell side is 31.1 px on screen
    const QPointF bottom = at({i, j, h0});
    const QPointF top = at({i, j, h1});
    paint.setPen(edge.isValid() ? QPen(edge, 0) : QPen(Qt::NoPen));
    paint.setBrush(lit(colour, 1, 0, 0));
    paint.drawEllipse(bottom, r, r);
    paint.setPen(Qt::NoPen);
    paint.drawRect(QRectF(QPointF(top.x(), top.y()), QPointF(bottom.x() + r, bottom.y())));
    paint.setBrush(lit(colour, 0, 1, 0));
    paint.drawRect(QRectF(QPointF(top.x() - r, top.y()), QPointF(top.x(), bottom.y())));
    if (edge.isValid()) {
        paint.setPen(QPen(edge, 0));
        paint.drawLine(QPointF(top.x() - r, top.y()), QPointF(bottom.x() - r, bottom.y()));
        paint.drawLine(QPointF(top.x() + r, top.y()), QPointF(bottom.x() + r, bottom.y()));
    }
    paint.setBrush(lit(colour, 0, 0, 1));
    paint.drawEllipse(top, r, r);
}

QImage IsoCanvas::image()
{
    if (paint.isActive())
        paint.end();
    return art;
}
