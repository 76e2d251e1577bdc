#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>

class ArtImageCache;
class ArtStore;
class TileDataStore;
struct MultiEntry;

// Why a rendering gave the image it gave.
enum class RenderStatus
{
    Rendered,
    NoReaders,         // no ArtStore to draw from
    NoComponents,      // the entry has no component (or the payload no entry)
    TooLarge,          // the picture would exceed the size limit below
    NoArt,             // no component's graphic has art: the picture would be empty
    DamagedArt,        // the index points at art for some, but no header can be drawn
    TooManyComponents, // more components than MaxRenderComponents
    TooMuchArt,        // the art would paint more than MaxPaintedPixels
    NoMemory,          // the picture, within the limits, could not have its memory
};

// Why an entry gave no picture, in the words of the window and of every
// command that draws: "<name> has no components: nothing to render", ...;
// for NoMemory, the size of the picture that memory could not hold.
QString renderFailure(const QString &name, RenderStatus status, QSize picture = {});

// Largest picture rendered: real multis are at most a few thousand pixels a
// side, so anything beyond this comes from corrupt or foreign coordinates.
inline constexpr qint64 MaxRenderSide = 16384;
inline constexpr qint64 MaxRenderPixels = qint64(64) * 1024 * 1024; // 256 MiB as ARGB32

// Most components a rendering takes. Real multis have a few thousand; each
// costs about 60 bytes (its record, its number in the order and in the sort's
// buffer, and its place), so at the limit about 60 MiB. Checked before any
// record is built.
inline constexpr qint64 MaxRenderComponents = qint64(1) << 20;

// Most pixels the art of one picture may paint: width x height summed over
// the pieces placed. Painting, and fetching the art painted, take time in
// proportion: about a second at the limit. Real multis paint a few million
// (the demo keep 10 million, each pixel of its picture 2.7 times); the limit
// leaves room for the largest picture painted 4 times over.
inline constexpr qint64 MaxPaintedPixels = qint64(256) * 1024 * 1024;

// Most bytes of converted art images a rendering keeps (see ArtImageCache):
// 16 of the largest art images, or thousands of real ones (44 x 44 art takes
// 8 KB). Past it, art is fetched again. With the picture (at most 256 MiB),
// the store's decoded bitmaps (at most 40 MiB) and the records, a rendering
// stays under 512 MiB.
inline constexpr qint64 MaxCachedArtBytes = qint64(64) * 1024 * 1024;

// One piece of art at its place in the picture, by the art's size.
struct PlacedArt
{
    quint16 graphicId = 0;
    qint32 component = -1; // its index in MultiEntry::components
    QPoint topLeft;
    QSize size;
};

// Everything a rendering decides before it paints: the picture's size and its
// art, back to front. An empty size when nothing is to be painted.
struct MultiLayout
{
    QSize size;
    QList<PlacedArt> arts;
    qint64 paintedPixels = 0; // width x height summed over `arts`
    RenderStatus status = RenderStatus::NoComponents;
};

// Lays out the components of `entry` as an isometric picture: 22 pixels a cell
// step, 4 pixels a z unit, each art's bottom 44 pixels below its cell and the
// picture sized to all components' art plus a 40-pixel margin. `tiles` may be
// null (no component then has tile data).
MultiLayout layoutMultiEntry(const MultiEntry &entry, ArtStore *art, const TileDataStore *tiles);

// Paints a layout onto a transparent ARGB32_Premultiplied image (source-over),
// with the art of `images`. A piece whose art no longer has the size it was
// placed by (the art file changed meanwhile) is left out.
QImage paintMultiLayout(const MultiLayout &layout, ArtImageCache &images);

// The picture of one entry; a null image unless `status` says Rendered.
// `size` (when given) is the picture's size as laid out, drawn or not.
QImage renderMultiEntry(const MultiEntry &entry, ArtStore *art, const TileDataStore *tiles,
                        RenderStatus *status = nullptr, QSize *size = nullptr);

// The picture of a MultiPayload's first entry; the other entries are not read.
QImage renderMultiPayload(const QByteArray &payload, ArtStore *art, const TileDataStore *tiles,
                          RenderStatus *status = nullptr);
