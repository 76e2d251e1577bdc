#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>

class ArtStore;
class TileDataStore;
struct MultiEntry;

// Why a rendering gave the image it gave.
enum class RenderStatus
{
    Rendered,
    NoReaders,    // no ArtStore to draw from
    NoComponents, // the entry has no component (or the payload no entry)
    TooLarge,     // the picture would exceed the size limit below
};

// Largest picture rendered: real multis are at most a few thousand pixels a
// side, so anything beyond this comes from corrupt or foreign coordinates.
inline constexpr qint64 MaxRenderSide = 16384;
inline constexpr qint64 MaxRenderPixels = qint64(64) * 1024 * 1024; // 256 MiB as ARGB32

// One piece of art at its place in the picture. Pieces that share a graphic
// share their (already premultiplied) image.
struct PlacedArt
{
    QImage image;
    QPoint topLeft;
};

// Everything a rendering decides before it paints: the picture's size and its
// art, back to front. An empty size when nothing is to be painted.
struct MultiLayout
{
    QSize size;
    QList<PlacedArt> arts;
    RenderStatus status = RenderStatus::NoComponents;
};

// Lays out the components of `entry` as an isometric picture: 22 pixels a cell
// step, 4 pixels a z unit, each art's bottom 44 pixels below its cell and the
// picture sized to all components' art plus a 40-pixel margin. `tiles` may be
// null (no component then has tile data).
MultiLayout layoutMultiEntry(const MultiEntry &entry, ArtStore *art, const TileDataStore *tiles);

// Paints a layout onto a transparent ARGB32_Premultiplied image (source-over).
QImage paintMultiLayout(const MultiLayout &layout);

// The picture of one entry; a null image unless `status` says Rendered.
QImage renderMultiEntry(const MultiEntry &entry, ArtStore *art, const TileDataStore *tiles,
                        RenderStatus *status = nullptr);

// The picture of a MultiPayload's first entry; the other entries are not read.
QImage renderMultiPayload(const QByteArray &payload, ArtStore *art, const TileDataStore *tiles,
                          RenderStatus *status = nullptr);
