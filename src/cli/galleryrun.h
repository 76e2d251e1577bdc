#pragma once

#include "cache/multientry.h"
#include "picturestyle.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class ArtStore;
class AtomicFile;
class MultiCache;
class TileDataStore;

// One entry of a gallery: an entry of the cache by number, or one read from
// a .mlt file.
struct GalleryItem
{
    qsizetype cacheIndex = -1; // -1: `entry` is the entry
    MultiEntry entry;
    QString shown; // the entry as messages name it
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
// directory as soon as it is encoded, on worker threads: each has an
// ArtStore of its own (its caches are not shared) and takes the next entry
// from a shared counter. The tile data and the cache are only read. A
// worker waits while the pictures under way would hold more than
// PictureBudget bytes, so that memory does not grow with the workers.
class GalleryRun
{
public:
    static constexpr qint64 PictureBudget = qint64(1) << 30;

    GalleryRun(const MultiCache &cache, QList<GalleryItem> items, const TileDataStore *tiles,
               const PictureStyle &style, const QString &directory);
    ~GalleryRun(); // stops and waits for the workers

    GalleryRun(const GalleryRun &) = delete;
    GalleryRun &operator=(const GalleryRun &) = delete;

    static QString pictureName(const QString &entryName);

    // Starts one worker per store, which becomes that worker's own.
    void start(std::vector<std::unique_ptr<ArtStore>> stores);
    // Waits up to `milliseconds` for the next entry to be handled; returns
    // how many are handled.
    qsizetype waitForProgress(int milliseconds);
    // Whether every worker has ended.
    bool finished();
    // Starts no further entry; the workers finish those under way.
    void stop();
    // Waits for the workers to end.
    void join();

    // Whether the run stopped at an error that every later file would meet.
    bool stoppedByError() const { return stoppedAtError.load(); }
    // Valid once join() returned.
    const std::vector<GalleryResult> &results() const { return done; }
    qsizetype size() const { return items.size(); }

private:
    void work(ArtStore *art);
    void handle(qsizetype index, ArtStore *art, AtomicFile &file);
    void acquire(qint64 bytes);
    void release(qint64 bytes);

    const MultiCache &cache;
    const QList<GalleryItem> items;
    const TileDataStore *tiles;
    const PictureStyle style;
    const QString directory;

    std::vector<std::unique_ptr<ArtStore>> stores;
    std::vector<std::thread> workers;
    std::vector<GalleryResult> done; // each slot written by the worker of its entry

    std::atomic<qsizetype> next{0};
    std::atomic<bool> stopping{false};
    std::atomic<bool> stoppedAtError{false};

    std::mutex mutex; // guards what follows
    std::condition_variable progressed;
    std::condition_variable budgetFreed;
    qsizetype handled = 0;
    int running = 0;
    qint64 budgetUsed = 0;
};
