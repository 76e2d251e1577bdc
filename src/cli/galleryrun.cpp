#include "galleryrun.h"

#include "gallerymanifest.h"

#include "cache/multicache.h"
#include "data/artstore.h"
#include "export/atomicfile.h"
#include "export/pngencoder.h"
#include "preview/artimagecache.h"
#include "preview/multirenderer.h"

#include <algorithm>
#include <chrono>

namespace {

qint64 pixelBytes(QSize size)
{
    return qint64(size.width()) * size.height() * 4;
}

} // namespace

GalleryRun::GalleryRun(const MultiCache &cache, QList<GalleryItem> items,
                       const TileDataStore *tiles, const PictureStyle &style,
                       const QString &directory)
    : cache(cache), items(std::move(items)), tiles(tiles), style(style), directory(directory),
      done(size_t(this->items.size()))
{}

GalleryRun::~GalleryRun()
{
    stop();
    join();
}

QString GalleryRun::pictureName(const QString &entryName)
{
    return entryName + QStringLiteral(".png");
}

void GalleryRun::start(std::vector<std::unique_ptr<ArtStore>> artStores)
{
    stores = std::move(artStores);
    std::lock_guard<std::mutex> lock(mutex);
    for (const std::unique_ptr<ArtStore> &store : stores) {
        ++running;
        workers.emplace_back(&GalleryRun::work, this, store.get());
    }
}

qsizetype GalleryRun::waitForProgress(int milliseconds)
{
    std::unique_lock<std::mutex> lock(mutex);
    const qsizetype before = handled;
    progressed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                        [&] { return handled != before || running == 0; });
    return handled;
}

bool GalleryRun::finished()
{
    std::lock_guard<std::mutex> lock(mutex);
    return running == 0;
}

void GalleryRun::stop()
{
    stopping = true;
}

void GalleryRun::join()
{
    for (std::thread &worker : workers) {
        if (worker.joinable())
            worker.join();
    }
    workers.clear();
}

void GalleryRun::work(ArtStore *art)
{
    AtomicFile file;
    for (;;) {
        if (stopping)
            break;
        const qsizetype index = next.fetch_add(1);
        if (index >= items.size())
            break;
        handle(index, art, file);
        std::lock_guard<std::mutex> lock(mutex);
        ++handled;
        progressed.notify_all();
    }
    std::lock_guard<std::mutex> lock(mutex);
    --running;
    progressed.notify_all();
}

void GalleryRun::handle(qsizetype index, ArtStore *art, AtomicFile &file)
{
    const GalleryItem &item = items[index];
    const MultiEntry entry = item.cacheIndex >= 0 ? cache.entry(item.cacheIndex) : item.entry;
    GalleryResult &result = done[size_t(index)];
    result.name = entry.text;
    result.components = entry.components.size();
    result.bounds = entry.bounds;

    // As renderMultiEntry() draws it, with the memory of the pictures taken
    // from the budget once their size is known.
    MultiLayout layout = layoutMultiEntry(entry, art, tiles);
    RenderStatus status = layout.status;
    const QSize size = status == RenderStatus::Rendered ? style.finishedSize(layout.size) : QSize();
    if (status == RenderStatus::Rendered && size.isEmpty())
        status = RenderStatus::TooLarge;
    if (status != RenderStatus::Rendered) {
        result.outcome = GalleryResult::NoPicture;
        result.reason = renderFailure(item.shown, status);
        return;
    }

    // The rendered picture, the finished one, its PNG bytes (at most about
    // as many) and the art kept meanwhile.
    const qint64 cost = pixelBytes(layout.size) + 2 * pixelBytes(size) +
                        std::min(MaxCachedArtBytes, layout.paintedPixels * 4);
    acquire(cost);
    QByteArray png;
    QString error;
    {
        QImage picture;
        {
            ArtImageCache images(art, MaxCachedArtBytes);
            const QImage rendered = paintMultiLayout(layout, images);
            layout = MultiLayout();
            if (!rendered.isNull())
                picture = style.finish(rendered, &status);
            else
                status = RenderStatus::TooLarge;
        }
        if (status == RenderStatus::Rendered && !picture.isNull()) {
            result.pixels = picture.size();
            png = encodePng(picture, &error);
        } else {
            status = RenderStatus::TooLarge;
        }
    }
    if (status != RenderStatus::Rendered) {
        release(cost);
        result.outcome = GalleryResult::NoPicture;
        result.reason = renderFailure(item.shown, status);
        return;
    }

    if (error.isEmpty() &&
        !(file.open(directory, pictureName(entry.text)) && file.write(png) && file.commit())) {
        error = file.errorString();
        result.hitsEveryFile = file.errorHitsEveryFile();
        file.discard();
    }
    release(cost);
    if (!error.isEmpty()) {
        result.outcome = GalleryResult::NotWritten;
        result.reason = error;
        if (result.hitsEveryFile) {
            stoppedAtError = true;
            stopping = true;
        }
        return;
    }
    result.outcome = GalleryResult::Written;
    result.digest = GalleryManifest::digest(png);
    result.fileBytes = png.size();
}

void GalleryRun::acquire(qint64 bytes)
{
    // A picture larger than the whole budget is drawn alone.
    std::unique_lock<std::mutex> lock(mutex);
    budgetFreed.wait(lock, [&] { return budgetUsed == 0 || budgetUsed + bytes <= PictureBudget; });
    budgetUsed += bytes;
}

void GalleryRun::release(qint64 bytes)
{
    std::lock_guard<std::mutex> lock(mutex);
    budgetUsed -= bytes;
    budgetFreed.notify_all();
}
