#include "galleryupdate.h"

#include "picturekey.h"

#include "cache/multicache.h"

GalleryUpdate::GalleryUpdate(const OutputDirectory &directory, bool force)
    : directory(directory), force(force), previous(GalleryManifest::read(directory))
{}

QList<GalleryItem> GalleryUpdate::select(const QList<GalleryItem> &items, const MultiCache &cache,
                                         ArtStore *art, const TileDataStore *tiles,
                                         const PictureStyle &style)
{
    PictureKeys pictureKeys(art, tiles, style);
    QList<GalleryItem> selected;
    for (qsizetype n = 0; n < items.size(); ++n) {
        const GalleryItem &item = items[n];
        const MultiEntry entry = item.cacheIndex >= 0 ? cache.entry(item.cacheIndex) : item.entry;
        keys.append(pictureKeys.key(entry));
        names.append(GalleryRun::pictureName(entry.text));
        const GalleryManifest::Picture *picture =
            force ? nullptr : previous.intact(directory, names.last(), keys.last());
        if (!picture) {
            drawnSlots.append(n);
            selected.append(item);
            continue;
        }
        GalleryResult result;
        result.outcome = GalleryResult::Written;
        result.name = entry.text;
        result.components = entry.components.size();
        result.bounds = entry.bounds;
        result.pixels = picture->pixels;
        result.digest = picture->digest;
        result.fileBytes = picture->bytes;
        kept.push_back({n, result});
    }
    return selected;
}

std::vector<GalleryResult> GalleryUpdate::merge(const std::vector<GalleryResult> &drawn) const
{
    std::vector<GalleryResult> results(size_t(keys.size()));
    for (const Kept &picture : kept)
        results[size_t(picture.slot)] = picture.result;
    for (size_t n = 0; n < drawn.size() && n < size_t(drawnSlots.size()); ++n)
        results[size_t(drawnSlots[qsizetype(n)])] = drawn[n];
    return results;
}

QByteArray GalleryUpdate::manifest(const std::vector<GalleryResult> &results, bool keepOthers) const
{
    GalleryManifest next;
    if (keepOthers)
        next = previous;
    for (qsizetype n = 0; n < keys.size() && n < qsizetype(results.size()); ++n) {
        const GalleryResult &result = results[size_t(n)];
        const QString &name = names[n];
        next.remove(name);
        if (result.outcome == GalleryResult::Written && !result.digest.isEmpty())
            next.insert(name, {keys[n], result.digest, result.fileBytes, result.pixels});
        else if (result.outcome == GalleryResult::NotTried)
            if (const GalleryManifest::Picture *old = previous.find(name))
                next.insert(name, *old);
    }
    return next.text();
}
