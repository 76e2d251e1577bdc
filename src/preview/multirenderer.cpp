#include "multirenderer.h"

#include "cache/multipayload.h"
#include "data/artdecoder.h"
#include "data/artstore.h"
#include "preview/artimagecache.h"
#include "preview/multicomponent.h"

#include <QHash>
#include <QPainter>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// Screen geometry, in pixels. All of it is computed in 64 bits: cells of a
// corrupt entry may lie billions of pixels apart.
constexpr qint64 CellStep = 22;  // per cell step along each screen axis
constexpr qint64 BoxBottom = 44; // a component's box ends this far below its v
constexpr qint64 ZStep = 4;      // per z unit
constexpr qint64 Margin = 40;    // around the extents on every side

struct Cell
{
    qint64 x;
    qint64 y;
};

struct Box
{
    qint64 left;
    qint64 top;
    qint64 right;
    qint64 bottom;
};

// Middle of the entry's bounds; halvings truncate toward zero.
Cell centreCell(const QRect &bounds)
{
    return {(qint64(bounds.left()) + bounds.right()) / 2,
            (qint64(bounds.top()) + bounds.bottom()) / 2};
}

// Horizontal offset of a cell from the centre cell: +x goes right, +y left.
qint64 cellToScreenX(qint64 dx, qint64 dy)
{
    return CellStep * (dx - dy);
}

// Vertical offset (downwards) of a cell from the centre cell, lifted by z.
qint64 cellToScreenY(qint64 dx, qint64 dy, qint64 z)
{
    return CellStep * (dx + dy) - ZStep * z;
}

// The box of a component's art of the given size: centred on its u, bottom
// 44 below its v.
Box artBox(const MultiComponent &component, Cell centre, QSize size)
{
    const qint64 dx = component.x - centre.x;
    const qint64 dy = component.y - centre.y;
    const qint64 u = cellToScreenX(dx, dy);
    const qint64 v = cellToScreenY(dx, dy, component.z);
    const qint64 halfWidth = size.width() / 2;
    return {u - halfWidth, v + BoxBottom - size.height(), u + halfWidth, v + BoxBottom};
}

Box unite(const Box &a, const Box &b)
{
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

// Back to front: cells by x + y (the screen's upper rows first), then by x
// (left to right within a row); within one cell by the records' own order.
bool drawnBefore(const MultiComponent &a, const MultiComponent &b)
{
    const qint64 aRow = qint64(a.x) + a.y;
    const qint64 bRow = qint64(b.x) + b.y;
    if (aRow != bRow)
        return aRow < bRow;
    if (a.x != b.x)
        return a.x < b.x;
    return a < b;
}

// Size of a graphic's art, asked once per graphic and rendering. The art
// header's sizes are unsigned.
QSize artSize(ArtStore *art, QHash<quint16, QSize> &sizes, quint16 graphicId)
{
    auto it = sizes.constFind(graphicId);
    if (it == sizes.constEnd()) {
        qint16 width = 0;
        qint16 height = 0;
        art->staticSize(graphicId, width, height);
        it = sizes.insert(graphicId, QSize(quint16(width), quint16(height)));
    }
    return *it;
}

} // namespace

QString renderFailure(const QString &name, RenderStatus status, QSize picture)
{
    // One arg() call each: a "%1" in a file name is no placeholder.
    switch (status) {
    case RenderStatus::NoComponents:
        return QStringLiteral("%1 has no components: nothing to render").arg(name);
    case RenderStatus::TooLarge:
        return QStringLiteral("%1 is too large to render (the picture may be at most %2 pixels "
                              "a side and %3 pixels in all)")
            .arg(name, QString::number(MaxRenderSide), QString::number(MaxRenderPixels));
    case RenderStatus::NoArt:
        return QStringLiteral("%1 has no art: none of its graphics is in the art files").arg(name);
    case RenderStatus::DamagedArt:
        return QStringLiteral("%1 has no art that can be drawn: the art of its graphics is "
                              "damaged (its header lies past the end of the art data file, or "
                              "claims more than %2 pixels a side or %3 in all)")
            .arg(name, QString::number(MaxArtSide), QString::number(MaxArtPixels));
    case RenderStatus::TooManyComponents:
        return QStringLiteral("%1 has too many components to render (at most %2)")
            .arg(name, QString::number(MaxRenderComponents));
    case RenderStatus::TooMuchArt:
        return QStringLiteral("%1 is too large to render (its art may paint at most %2 pixels)")
            .arg(name, QString::number(MaxPaintedPixels));
    case RenderStatus::NoMemory:
        if (picture.isEmpty())
            return QStringLiteral("not enough memory to draw %1").arg(name);
        return QStringLiteral("not enough memory to draw %1 (a picture of %2 x %3 pixels)")
            .arg(name, QString::number(picture.width()), QString::number(picture.height()));
    case RenderStatus::NoReaders:
    case RenderStatus::Rendered:
        break;
    }
    return QStringLiteral("%1 could not be rendered").arg(name);
}

MultiLayout layoutMultiEntry(const MultiEntry &entry, ArtStore *art, const TileDataStore *tiles)
{
    MultiLayout layout;
    if (!art) {
        layout.status = RenderStatus::NoReaders;
        return layout;
    }
    const qint64 count = entry.components.size();
    if (count == 0) {
        layout.status = RenderStatus::NoComponents;
        return layout;
    }
    if (count > MaxRenderComponents) {
        layout.status = RenderStatus::TooManyComponents;
        return layout;
    }

    QList<MultiComponent> components;
    components.reserve(count);
    for (const ComponentSpec &spec : entry.components)
        components.append(MultiComponent(spec, tiles));

    // Extents of every component's art, relative to the centre cell, and the
    // pixels its art paints. Art that is missing counts as the point at the
    // bottom of its box.
    const Cell centre = centreCell(entry.bounds);
    QHash<quint16, QSize> sizes;
    Box extents =
        artBox(components.first(), centre, artSize(art, sizes, components.first().graphicId));
    qint64 painted = 0;
    for (const MultiComponent &component : components) {
        const QSize size = artSize(art, sizes, component.graphicId);
        extents = unite(extents, artBox(component, centre, size));
        painted += qint64(size.width()) * size.height();
    }

    const qint64 width = extents.right - extents.left + 2 * Margin;
    const qint64 height = extents.bottom - extents.top + 2 * Margin;
    if (width > MaxRenderSide || height > MaxRenderSide || width * height > MaxRenderPixels) {
        layout.status = RenderStatus::TooLarge;
        return layout;
    }
    if (painted == 0) {
        // Art the index points at whose header cannot be drawn is damaged,
        // not missing.
        const auto keys = sizes.keys();
        layout.status = std::any_of(keys.cbegin(), keys.cend(),
                                    [art](quint16 graphicId) { return art->hasArt(graphicId); })
                            ? RenderStatus::DamagedArt
                            : RenderStatus::NoArt;
        return layout;
    }
    if (painted > MaxPaintedPixels) {
        layout.status = RenderStatus::TooMuchArt;
        return layout;
    }
    layout.size = QSize(int(width), int(height));
    layout.paintedPixels = painted;

    // The components' numbers in drawing order, so that each piece keeps
    // which component it is. Every piece lies inside the picture: its box is
    // one of the extents.
    std::vector<qint32> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&components](qint32 a, qint32 b) {
        return drawnBefore(components[a], components[b]);
    });
    layout.arts.reserve(count);
    for (const qint32 index : order) {
        const MultiComponent &component = components[index];
        const QSize size = sizes.value(component.graphicId);
        if (size.isEmpty())
            continue;
        const Box box = artBox(component, centre, size);
        const QPoint topLeft(int(box.left - extents.left + Margin),
                             int(box.top - extents.top + Margin));
        layout.arts.append({component.graphicId, index, topLeft, size});
    }
    layout.status = RenderStatus::Rendered;
    return layout;
}

QImage paintMultiLayout(const MultiLayout &layout, ArtImageCache &images)
{
    if (layout.size.isEmpty())
        return {};
    QImage image(layout.size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(0);
    QPainter painter(&image);
    for (const PlacedArt &piece : layout.arts) {
        const QImage art = images.image(piece.graphicId);
        if (art.size() == piece.size)
            painter.drawImage(piece.topLeft, art);
    }
    painter.end();
    return image;
}

QImage renderMultiEntry(const MultiEntry &entry, ArtStore *art, const TileDataStore *tiles,
                        RenderStatus *status, QSize *size)
{
    const MultiLayout layout = layoutMultiEntry(entry, art, tiles);
    ArtImageCache images(art, MaxCachedArtBytes);
    QImage image = paintMultiLayout(layout, images);
    RenderStatus outcome = layout.status;
    // The memory for a picture within the limit may still be missing.
    if (outcome == RenderStatus::Rendered && image.isNull())
        outcome = RenderStatus::NoMemory;
    if (status)
        *status = outcome;
    if (size)
        *size = layout.size;
    return image;
}

QImage renderMultiPayload(const QByteArray &payload, ArtStore *art, const TileDataStore *tiles,
                          RenderStatus *status)
{
    // An entry whose count promises more than the data holds keeps the
    // components really there.
    MultiPayloadReader reader(payload);
    MultiEntry entry;
    reader.readEntry(entry);
    return renderMultiEntry(entry, art, tiles, status);
}
