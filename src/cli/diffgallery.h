#pragma once

#include "compare/multicomparison.h"
#include "core/configuration.h"

#include <QString>

class PictureStyle;
class TileDataStore;

// One side of a comparison as its pictures are drawn: its entries, the art
// files its workers read and its tile data.
struct DiffGallerySide
{
    const QList<MultiEntry> *entries = nullptr;
    Configuration paths;
    const TileDataStore *tiles = nullptr;
};

// korvane-cli diff --gallery DIR: the old and new pictures of the entries
// that changed side by side, an added entry's new picture and a removed
// one's old picture, drawn as "old <name>.png" and "new <name>.png" into
// DIR, then the pages. DIR is made when missing (its parent must exist);
// nothing is written outside it; a stop is told in one line. `summary` heads
// the pages. Prints every problem and the gallery's summary on stderr;
// returns whether every picture and page was written.
bool writeDiffGallery(const QString &directory, const MultiComparison &comparison,
                      const DiffGallerySide &oldSide, const DiffGallerySide &newSide,
                      const PictureStyle &style, int jobs, const QString &summary);
