#include "galleryrun.h"

#include "gallerymanifest.h"

#include "cache/multicache.h"
#include "core/atomicfile.h"
#include "core/outputdirectory.h"
#include "data/artstore.h"
#include "gallery/pngencoder.h"
#include "preview/artimagecache.h"
#include "preview/componentmarks.h"
#include "preview/multirenderer.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <new>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace {

qint64 pixelBytes(QSize size)
{
    return qint64(size.width()) * size.height() * 4;
}

} // namespace

GalleryRun::GalleryRun(const MultiCache &cache, QList<GalleryItem> items,
                       const TileDataStore *tiles, const PictureStyle &style,
                       const OutputDirectory &directory)
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
    // A name that starts with a dot would make a hidden file.
    const QString visible = entryName.startsWith(u'.') ? u'_' + entryName : entryName;
    return visible + QStringLiteral(".png");
}

namespace {

// A thread of the pool opens descriptors for its event dispatcher's wake-up
// (and the toolkit ends the process when it cannot), and one for the picture
// it writes; the calling thread keeps two for the pages and the record.
constexpr int DescriptorsPerThread = 3;
constexpr int DescriptorsKept = 2;

// How many threads the descriptor limit leaves room for, up to `wanted`.
int threadsWithDescriptors(int wanted)
{
    std::vector<int> opened;
    const int needed = DescriptorsKept + wanted * DescriptorsPerThread;
    while (int(opened.size()) < needed) {
        const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            break;
        opened.push_back(fd);
    }
    for (int fd : opened)
        ::close(fd);
    return std::max(0, (int(opened.size()) - DescriptorsKept) / DescriptorsPerThread);
}

} // namespace

int GalleryRun::startableThreads(int wanted)
{
    // The pool cannot tell when a thread fails to start (an address space
    // or process limit, too few descriptors), so the descriptors are counted
    // and as many threads as it will need are tried first.
    wanted = threadsWithDescriptors(wanted);
    struct Gate
    {
        std::mutex mutex;
        std::condition_variable opened;
        bool open = false;
    } gate;
    const auto waitAtGate = [](void *argument) -> void * {
        // A thread's first allocation gives it its memory arena, which the
        // pool's threads then take over, so that they fit where these did.
        std::free(std::malloc(64));
        Gate &gate = *static_cast<Gate *>(argument);
        std::unique_lock<std::mutex> lock(gate.mutex);
        gate.opened.wait(lock, [&] { return gate.open; });
        return nullptr;
    };
    std::vector<pthread_t> started;
    for (int n = 0; n < wanted; ++n) {
        pthread_t thread;
        if (pthread_create(&thread, nullptr, waitAtGate, &gate) != 0)
            break;
        started.push_back(thread);
    }
    {
        std::lock_guard<std::mutex> lock(gate.mutex);
        gate.open = true;
    }
    gate.opened.notify_all();
    for (pthread_t thread : started)
        pthread_join(thread, nullptr);
    return int(started.size());
}

int GalleryRun::start(std::vector<std::unique_ptr<ArtStore>> artStores)
{
    stores = std::move(artStores);
    const int threads = std::clamp(threadProbe(int(stores.size())), 0, int(stores.size()));
    pictureBudget = MemoryBudget - qint64(std::max(threads, 1)) * ArtStoreBytes;
    std::lock_guard<std::mutex> lock(mutex);
    if (threads == 0) {
        drawsHere = true;
        running = 1;
        return 0;
    }
    pool.setMaxThreadCount(threads);
    for (int n = 0; n < threads; ++n) {
        ++running;
        ArtStore *art = stores[size_t(n)].get();
        pool.start([this, art] { work(art); });
    }
    return threads;
}

qsizetype GalleryRun::drawNext()
{
    const bool more = handleNext(stores.front().get());
    std::lock_guard<std::mutex> lock(mutex);
    if (!more)
        running = 0;
    return handled;
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
    pool.waitForDone();
}

bool GalleryRun::handleNext(ArtStore *art)
{
    if (stopping)
        return false;
    const qsizetype index = next.fetch_add(1);
    if (index >= items.size())
        return false;
    try {
        handle(index, art);
    } catch (const std::bad_alloc &) {
        // Memory that runs out for one picture runs out for the next ones.
        GalleryResult &result = done[size_t(index)];
        result.outcome = GalleryResult::NotWritten;
        result.reason = QStringLiteral("not enough memory to draw it");
        result.hitsEveryFile = true;
        stopping = true;
    }
    std::lock_guard<std::mutex> lock(mutex);
    ++handled;
    progressed.notify_all();
    return true;
}

void GalleryRun::work(ArtStore *art)
{
    while (handleNext(art)) {
    }
    std::lock_guard<std::mutex> lock(mutex);
    --running;
    progressed.notify_all();
}

void GalleryRun::handle(qsizetype index, ArtStore *art)
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
    // as many) and the art kept meanwhile. The marks take at most two bytes a
    // pixel, given back before the finished picture is made.
    const qint64 cost = pixelBytes(layout.size) + 2 * pixelBytes(size) +
                        std::min(MaxCachedArtBytes, layout.paintedPixels * 4);
    acquire(cost);
    // Given back however this picture ends.
    struct Held
    {
        GalleryRun *run;
        qint64 bytes;
        ~Held() { run->release(bytes); }
    } const held{this, cost};
    QByteArray png;
    QString error;
    QSize drawing = layout.size; // the picture memory may not hold
    {
        QImage picture;
        {
            ArtImageCache images(art, MaxCachedArtBytes);
            QImage rendered = paintMultiLayout(layout, images);
            if (!paintMarks(rendered, layout, images, item.marks))
                rendered = QImage(); // a picture without its marks would mislead
            layout = MultiLayout();
            if (!rendered.isNull())
                picture = style.finish(rendered, &status, &drawing);
            else
                status = RenderStatus::NoMemory;
        }
        if (status == RenderStatus::Rendered && !picture.isNull()) {
            result.pixels = picture.size();
            png = encodePng(picture, &error);
        } else if (status == RenderStatus::Rendered) {
            status = RenderStatus::NoMemory;
        }
    }
    if (status != RenderStatus::Rendered) {
        result.outcome = GalleryResult::NoPicture;
        result.reason = renderFailure(item.shown, status, drawing);
        return;
    }

    AtomicFile file;
    if (error.isEmpty() &&
        !(file.open(directory, pictureName(entry.text)) && file.write(png) && file.commit())) {
        error = file.errorString();
        result.hitsEveryFile = file.errorHitsEveryFile();
        file.discard();
    }
    if (!error.isEmpty()) {
        result.outcome = GalleryResult::NotWritten;
        result.reason = error;
        if (result.hitsEveryFile)
            stopping = true;
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
    budgetFreed.wait(lock, [&] { return budgetUsed == 0 || budgetUsed + bytes <= pictureBudget; });
    budgetUsed += bytes;
}

void GalleryRun::release(qint64 bytes)
{
    std::lock_guard<std::mutex> lock(mutex);
    budgetUsed -= bytes;
    budgetFreed.notify_all();
}
