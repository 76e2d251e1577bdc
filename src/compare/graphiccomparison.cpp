#include "graphiccomparison.h"

#include "data/artdecoder.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"

GraphicComparison::GraphicComparison(ArtStore *oldArt, const TileDataStore *oldTiles,
                                     ArtStore *newArt, const TileDataStore *newTiles)
    : oldArt(oldArt), oldTiles(oldTiles), newArt(newArt), newTiles(newTiles), art(65536, -1)
{}

bool GraphicComparison::artDiffers(quint16 graphic)
{
    qint8 &known = art[graphic];
    if (known < 0) {
        const QByteArray before = oldArt ? oldArt->entryBytes(graphic) : QByteArray();
        const QByteArray after = newArt ? newArt->entryBytes(graphic) : QByteArray();
        const bool sameBytes = before.isNull() == after.isNull() && before == after;
        known = sameBytes && (before.isNull() || artEntryReadsOnlyItself(before))
                    ? 0
                    : qint8(decodedArtDiffers(graphic));
    }
    return known == 1;
}

bool GraphicComparison::decodedArtDiffers(quint16 graphic)
{
    ++decodedCount;
    qint16 width = 0;
    qint16 height = 0;
    // The store keeps a bitmap only until its next insertion: copied first.
    const QByteArray *decoded = oldArt ? oldArt->decodedBitmap(graphic, width, height) : nullptr;
    const QByteArray before = decoded ? *decoded : QByteArray();
    decoded = newArt ? newArt->decodedBitmap(graphic, width, height) : nullptr;
    const QByteArray after = decoded ? *decoded : QByteArray();
    return before.isNull() != after.isNull() || before != after;
}

bool GraphicComparison::tileDataDiffers(quint16 graphic, bool item) const
{
    if (!oldTiles || !newTiles)
        return (oldTiles == nullptr) != (newTiles == nullptr);
    const TileDataRecord before =
        item ? oldTiles->itemRecord(graphic) : oldTiles->landRecord(graphic);
    const TileDataRecord after =
        item ? newTiles->itemRecord(graphic) : newTiles->landRecord(graphic);
    return before.flags != after.flags || before.height != after.height;
}
