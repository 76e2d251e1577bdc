#pragma once

#include <QtGlobal>

#include <vector>

class ArtStore;
class TileDataStore;

// Whether a graphic draws the same on two sides of a comparison: its art, and
// the tile data record that orders it among the components of its cell (the
// item record for an item, the land record otherwise). Each graphic is
// compared once. Art is compared by the bytes of its entry first; only
// entries whose bytes differ, or whose rows reach outside the entry, are
// decoded and compared as bitmaps, so that art stored anew or elsewhere in the
// file counts as the same when it draws the same.
class GraphicComparison
{
public:
    GraphicComparison(ArtStore *oldArt, const TileDataStore *oldTiles, ArtStore *newArt,
                      const TileDataStore *newTiles);

    bool artDiffers(quint16 graphic);
    bool tileDataDiffers(quint16 graphic, bool item) const;
    bool differs(quint16 graphic, bool item)
    {
        return artDiffers(graphic) || tileDataDiffers(graphic, item);
    }

    // Art entries decoded so far, for the benchmark and the tests.
    qsizetype decoded() const { return decodedCount; }

private:
    bool decodedArtDiffers(quint16 graphic);

    ArtStore *oldArt;
    const TileDataStore *oldTiles;
    ArtStore *newArt;
    const TileDataStore *newTiles;
    std::vector<qint8> art; // by graphic: -1 not compared yet, 0 same, 1 differs
    qsizetype decodedCount = 0;
};
