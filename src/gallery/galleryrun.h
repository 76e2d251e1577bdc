#pragma once

#include "cache/multientry.h"
#include "picturestyle.h"

#include "preview/componentmarks.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class ArtStore;
class MultiCache;
class OutputDirectory;
class TileDataStore;

// One entry of a gallery: an entry of the cache by number, or one read from
// a .mlt file.
struct GalleryItem
{
    GalleryItem() = default;
    GalleryItem(qsizetype cacheIndex, MultiEntry entry, QString shown,
                QList<ComponentMark> marks = {})
        : cacheIndex(cacheIndex), entry(std::move(entry)), shown(std::move(shown)),
          marks(std::move(marks))
    {}

    qsizetype cacheIndex = -1; // -1: `entry` is the entry
    MultiEntry entry;
    QString shown;              // the entry as messages name it
    QList<ComponentMark> marks; // drawn over its picture; none on a plain one
};

// What became of one entry of a gallery.
struct GalleryResult
{
    enum Outcome
    {
        NotTried,   // the run stopped before it
        Written,    // its picture is in the directory
        NoPicture,  // nothing to draw, or too much: `reason` says which
        NotWritten, // its picture could not be written: `reason` says why
    };
    Outcome outcome = NotTried;
    QString name; // the entry's name; its picture is pictureName(name)
    qsizetype components = 0;
    QRect bounds;
    QSize pixels;      // of the picture written
    QByteArray digest; // of its bytes, see GalleryManifest::digest()
    qint64 fileBytes = 0;
    QString reason;
    bool hitsEveryFile = false; // not written for a reason every later file meets too
};

// Draws the pictures of a gallery and writes each as "<name>.png" into a
// directory as soon as it is encoded, on workers of a thread pool: each has
// an ArtStore of its own (its caches are not shared) and takes the next
// entry from a shared counter. The tile data and the cache are only read.
// The art the workers' stores may keep and the pictures under way share
// MemoryBudget bytes: there are never more workers than half of it holds in
// art, and a worker waits while its picture would not fit in the rest.
class GalleryRun
{
public:
    static constexpr qint64 MemoryBudget = qint64(1) << 30;
    // The most an ArtStore keeps: 20 decoded bitmaps of at most 2 MiB, and
    // the window of art data it reads through.
    static constexpr qint64 ArtStoreBytes = qint64(42) << 20;
    // The workers the budget allows.
    static constexpr int MostWorkers = int(MemoryBudget / 2 / ArtStoreBytes);

    GalleryRun(const MultiCache &cache, QList<GalleryItem> items, const TileDataStore *tiles,
               const PictureStyle &style, const OutputDirectory &directory);
    ~GalleryRun(); // stops and waits for the workers

    GalleryRun(const GalleryRun &) = delete;
    GalleryRun &operator=(const GalleryRun &) = delete;

    static QString pictureName(const QString &entryName);

    // How many of `wanted` threads can be started; by default they are
    // tried, tests give a limit of their own.
    using ThreadProbe = std::function<int(int wanted)>;
    void setThreadProbe(ThreadProbe probe) { threadProbe = std::move(probe); }

    // Starts one worker per store, which becomes that worker's own, as far
    // as threads can be started; returns how many were. Without any, the
    // calling thread draws the pictures itself, with drawNext().
    int start(std::vector<std::unique_ptr<ArtStore>> stores);
    // Whether no worker could start, so that the caller draws.
    bool drawsOnCallingThread() const { return drawsHere; }
    // Draws the next picture on the calling thread; returns how many entries
    // are handled.
    qsizetype drawNext();
    // Waits up to `milliseconds` for a worker to handle the next entry;
    // returns how many are handled.
    qsizetype waitForProgress(int milliseconds);
    // What the pictures under way may take, once started: the budget less
    // the art of the workers that run.
    qint64 pictureBudgetBytes() const { return pictureBudget; }
    // Whether every worker has ended.
    bool finished();
    // Starts no further entry; the workers finish those under way.
    void stop();
    // Waits for the workers to end.
    void join();

    // Valid once join() returned.
    const std::vector<GalleryResult> &results() const { return done; }
    qsizetype size() const { return items.size(); }

private:
    static int startableThreads(int wanted);
    void work(ArtStore *art);
    bool handleNext(ArtStore *art);
    void handle(qsizetype index, ArtStore *art);
    void acquire(qint64 bytes);
    void release(qint64 bytes);

    const MultiCache &cache;
    const QList<GalleryItem> items;
    const TileDataStore *tiles;
    const PictureStyle style;
    const OutputDirectory &directory;
    ThreadProbe threadProbe = startableThreads;

    std::vector<std::unique_ptr<ArtStore>> stores;
    QThreadPool pool;
    bool drawsHere = false;          // no worker could start
    std::vector<GalleryResult> done; // each slot written by the worker of its entry

    std::atomic<qsizetype> next{0};
    std::atomic<bool> stopping{false};

    std::mutex mutex; // guards what follows
    std::condition_variable progressed;
    std::condition_variable budgetFreed;
    qsizetype handled = 0;
    int running = 0;
    qint64 budgetUsed = 0; // by pictures under way
    qint64 pictureBudget = MemoryBudget;
};
