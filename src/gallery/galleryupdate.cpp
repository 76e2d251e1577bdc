#include "galleryupdate.h"

#include "gallerypage.h"
#include "picturekey.h"

#include "cache/multicache.h"
#include "core/outputdirectory.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

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
        const qsizetype slot = keys.size(); // among the items of every call
        const MultiEntry entry = item.cacheIndex >= 0 ? cache.entry(item.cacheIndex) : item.entry;
        keys.append(pictureKeys.key(entry, item.marks));
        names.append(GalleryRun::pictureName(entry.text));
        const GalleryManifest::Picture *picture =
            force ? nullptr : previous.intact(directory, names.last(), keys.last());
        if (!picture) {
            drawnSlots.append(slot);
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
        kept.push_back({slot, result});
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

namespace {

// Whether `directory` has an entry `name`, of whatever kind.
bool holdsName(const OutputDirectory &directory, const QString &name)
{
    struct stat status;
    return fstatat(directory.handle(), QFile::encodeName(name).constData(), &status,
                   AT_SYMLINK_NOFOLLOW) == 0;
}

} // namespace

void GalleryUpdate::pageWritten(const QString &name, const QByteArray &bytes)
{
    writtenPages.insert(name, {GalleryManifest::digest(bytes), bytes.size()});
}

GalleryUpdate::StalePages GalleryUpdate::stalePages(int pages) const
{
    // By number: those recorded, and the files that follow the last page.
    QMap<int, QString> names;
    for (const QString &name : previous.pageNames()) {
        if (const int page = galleryPageNumber(name); page >= pages)
            names.insert(page, name);
    }
    for (int page = pages; holdsName(directory, galleryPageName(page)); ++page)
        names.insert(page, galleryPageName(page));
    StalePages stale;
    for (const QString &name : std::as_const(names)) {
        if (previous.pageIntact(directory, name))
            stale.ours.append(name);
        else if (holdsName(directory, name))
            stale.others.append(name);
        else
            stale.gone.append(name);
    }
    return stale;
}

void GalleryUpdate::pageRemoved(const QString &name)
{
    removedPages.append(name);
}

QByteArray GalleryUpdate::manifest(const std::vector<GalleryResult> &results, bool keepOthers) const
{
    GalleryManifest next;
    if (keepOthers)
        next = previous;
    else
        for (const QString &name : previous.pageNames())
            next.insertPage(name, *previous.findPage(name));
    for (const QString &name : removedPages)
        next.removePage(name);
    for (auto it = writtenPages.constBegin(); it != writtenPages.constEnd(); ++it)
        next.insertPage(it.key(), *it);
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
