#pragma once

#include <QCache>
#include <QImage>

class ArtStore;

// The converted art of one rendering, by graphic. An image is fetched from
// the store and premultiplied when first asked for, and kept while the kept
// images stay within a byte budget; past it the least recently used are
// dropped and fetched again when asked for. The store's own cache of decoded
// bitmaps is a separate one.
class ArtImageCache
{
public:
    ArtImageCache(ArtStore *art, qint64 budgetBytes);

    ArtImageCache(const ArtImageCache &) = delete;
    ArtImageCache &operator=(const ArtImageCache &) = delete;

    // The graphic's art as ARGB32_Premultiplied (drawing premultiplies
    // anyway, so the pixels painted are the same); null without art.
    QImage image(quint16 graphicId);

    // Bytes of the images kept now; never above the budget.
    qint64 keptBytes() const { return images.totalCost(); }
    // Images fetched from the store so far, fetches again included.
    int fetches() const { return fetched; }

private:
    ArtStore *art;
    QCache<quint16, QImage> images; // cost: the image's bytes
    int fetched = 0;
};
