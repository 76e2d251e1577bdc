#include "artimagecache.h"

#include "data/artstore.h"

#include <algorithm>

ArtImageCache::ArtImageCache(ArtStore *art, qint64 budgetBytes)
    : art(art), images(qsizetype(std::max<qint64>(budgetBytes, 0)))
{}

QImage ArtImageCache::image(quint16 graphicId)
{
    if (const QImage *kept = images.object(graphicId))
        return *kept;
    if (!art)
        return {};
    QImage image = art->staticImage(graphicId);
    ++fetched;
    if (!image.isNull())
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    // An image larger than the whole budget is not kept; a graphic without
    // art costs a byte, so that it is not asked for again and again.
    images.insert(graphicId, new QImage(image), std::max<qsizetype>(image.sizeInBytes(), 1));
    return image;
}
