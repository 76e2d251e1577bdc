#include "componentmarks.h"

#include "preview/artimagecache.h"
#include "preview/multirenderer.h"

#include <QHash>
#include <QImage>

#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

// How much of its kind's colour a marked pixel takes, of 255, where the
// picture is not opaque; an opaque one takes the mean of the two.
constexpr uint TintAlpha = 128;

struct MarkedPiece
{
    const PlacedArt *piece;
    quint8 kind;
};

// (x * a + y * b) / 255 for each channel of two premultiplied pixels, two
// channels in one multiplication.
QRgb interpolate(QRgb x, uint a, QRgb y, uint b)
{
    uint low = (x & 0xff00ff) * a + (y & 0xff00ff) * b;
    low = ((low + ((low >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
    uint high = ((x >> 8) & 0xff00ff) * a + ((y >> 8) & 0xff00ff) * b;
    high = (high + ((high >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
    return high | low;
}

// An opaque `colour` laid half over `pixel`, keeping the pixel's alpha, so
// that nothing is painted where the picture is empty.
QRgb tinted(QRgb pixel, QRgb colour)
{
    const uint alpha = qAlpha(pixel);
    if (alpha == 255) // the mean of the two, rounded down, and opaque
        return ((pixel & 0xfefefefe) >> 1) + ((colour & 0xfefefefe) >> 1) +
               (pixel & colour & 0x01010101);
    return interpolate(interpolate(colour, alpha, 0, 0), TintAlpha, pixel, 255 - TintAlpha);
}

// The whole `colour` over `pixel`, keeping its alpha.
QRgb covered(QRgb pixel, QRgb colour)
{
    const uint alpha = qAlpha(pixel);
    return alpha == 255 ? colour : interpolate(colour, alpha, 0, 0);
}

// The runs of opaque pixels of a graphic's art, row by row (art is at most
// MaxArtSide pixels a side): at most width / 2 + 1 a row.
struct Run
{
    quint16 y;
    quint16 x;
    quint16 length;
};
using Runs = std::vector<Run>;

Runs opaqueRuns(const QImage &art)
{
    Runs runs;
    const int width = art.width();
    for (int y = 0; y < art.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(art.constScanLine(y));
        for (int x = 0; x < width;) {
            while (x < width && qAlpha(row[x]) == 0)
                ++x;
            const int start = x;
            while (x < width && qAlpha(row[x]) != 0)
                ++x;
            if (x > start)
                runs.push_back({quint16(y), quint16(start), quint16(x - start)});
        }
    }
    return runs;
}

// The kinds marked over an area of the picture, a byte a pixel (0: none,
// else kind + 1), with a border of unmarked pixels around it so that every
// marked pixel has four neighbours.
struct MarkMask
{
    QRect area;
    int stride = 0;
    std::vector<quint8> kinds;

    quint8 *row(int y) { return kinds.data() + size_t(y + 1) * size_t(stride) + 1; }
};

// Sets the mask under the opaque pixels of a piece's art to its kind: from
// the art's runs, or from its pixels.
void maskRuns(MarkMask &mask, QPoint topLeft, const Runs &runs, quint8 kind)
{
    const QPoint origin = topLeft - mask.area.topLeft();
    for (const Run &run : runs)
        std::memset(mask.row(origin.y() + run.y) + origin.x() + run.x, kind, run.length);
}

void maskPixels(MarkMask &mask, QPoint topLeft, const QImage &art, quint8 kind)
{
    const QPoint origin = topLeft - mask.area.topLeft();
    const int width = art.width();
    for (int y = 0; y < art.height(); ++y) {
        const QRgb *source = reinterpret_cast<const QRgb *>(art.constScanLine(y));
        quint8 *target = mask.row(origin.y() + y) + origin.x();
        for (int x = 0; x < width; ++x)
            target[x] = qAlpha(source[x]) != 0 ? kind : target[x];
    }
}

// Tints each pixel the mask marks: whole on the rim of a marked area (beside
// a pixel unmarked or of another kind), half elsewhere.
void tintArea(QImage &picture, MarkMask &mask)
{
    QRgb colours[ComponentMark::Kinds + 1] = {};
    for (int kind = 0; kind < ComponentMark::Kinds; ++kind)
        colours[kind + 1] = markColour(ComponentMark::Kind(kind));
    const QRect &area = mask.area;
    for (int y = 0; y < area.height(); ++y) {
        const quint8 *here = mask.row(y);
        const quint8 *above = here - mask.stride;
        const quint8 *below = here + mask.stride;
        QRgb *row = reinterpret_cast<QRgb *>(picture.scanLine(area.top() + y)) + area.left();
        for (int x = 0; x < area.width(); ++x) {
            const quint8 kind = here[x];
            if (kind == 0)
                continue;
            const bool rim = (above[x] != kind) | (below[x] != kind) | (here[x - 1] != kind) |
                             (here[x + 1] != kind);
            row[x] = rim ? covered(row[x], colours[kind]) : tinted(row[x], colours[kind]);
        }
    }
}

} // namespace

QRgb markColour(ComponentMark::Kind kind)
{
    // Chosen by their distances in CIELAB, seen as they are and through the
    // usual simulations of protanopia, deuteranopia and tritanopia: each pair
    // stays at least 28 apart, each at least 29 from greys, browns, sand and
    // grass, and their lightness (47 to 68) keeps them off white and black.
    switch (kind) {
    case ComponentMark::Added:
        return qRgb(0x00, 0xAA, 0xFF); // azure
    case ComponentMark::Removed:
        return qRgb(0xE0, 0x00, 0xBB); // magenta: a red would pass for brown
    case ComponentMark::Moved:
        return qRgb(0xE0, 0x96, 0x00); // amber
    case ComponentMark::Replaced:
        break;
    }
    return qRgb(0x99, 0x33, 0xFF); // violet
}

QString markWord(ComponentMark::Kind kind)
{
    switch (kind) {
    case ComponentMark::Added:
        return QStringLiteral("added");
    case ComponentMark::Removed:
        return QStringLiteral("removed");
    case ComponentMark::Moved:
        return QStringLiteral("moved");
    case ComponentMark::Replaced:
        break;
    }
    return QStringLiteral("given another graphic");
}

bool paintMarks(QImage &picture, const MultiLayout &layout, ArtImageCache &images,
                const QList<ComponentMark> &marks)
{
    if (marks.isEmpty() || picture.size() != layout.size ||
        picture.format() != QImage::Format_ARGB32_Premultiplied)
        return true;
    QHash<qsizetype, quint8> kinds;
    kinds.reserve(marks.size());
    for (const ComponentMark &mark : marks) {
        if (mark.kind >= 0 && mark.kind < ComponentMark::Kinds)
            kinds.insert(mark.component, quint8(mark.kind + 1));
    }
    // The pieces marked, back to front as the art, and the area they cover.
    std::vector<MarkedPiece> pieces;
    QRect area;
    for (const PlacedArt &piece : layout.arts) {
        const auto kind = kinds.constFind(piece.component);
        const QRect place(piece.topLeft, piece.size);
        if (kind != kinds.constEnd() && picture.rect().contains(place)) {
            pieces.push_back({&piece, *kind});
            area |= place;
        }
    }
    if (pieces.empty())
        return true;
    // Each pixel marked once, with the kind of the frontmost marked piece.
    // Each graphic's runs are found once while they can take no more than the
    // mask; past that, a piece's art is read pixel by pixel.
    MarkMask mask{area, area.width() + 2, {}};
    std::unordered_map<quint16, Runs> found;
    qint64 foundBytes = 0;
    try {
        mask.kinds.assign(size_t(mask.stride) * size_t(area.height() + 2), 0);
        for (const MarkedPiece &marked : pieces) {
            const PlacedArt &piece = *marked.piece;
            auto it = found.find(piece.graphicId);
            if (it == found.end()) {
                const QImage art = images.image(piece.graphicId);
                if (art.size() != piece.size)
                    continue;
                const qint64 most =
                    qint64(art.width() / 2 + 1) * art.height() * qint64(sizeof(Run));
                if (foundBytes + most > qint64(mask.kinds.size())) {
                    maskPixels(mask, piece.topLeft, art, marked.kind);
                    continue;
                }
                it = found.emplace(piece.graphicId, opaqueRuns(art)).first;
                foundBytes += most;
            }
            maskRuns(mask, piece.topLeft, it->second, marked.kind);
        }
    } catch (const std::bad_alloc &) {
        return false;
    }
    tintArea(picture, mask);
    return true;
}
