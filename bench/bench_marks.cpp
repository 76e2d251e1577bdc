#include "benchreport.h"

#include "cache/multicache.h"
#include "core/configuration.h"
#include "core/outputdirectory.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "demoencoders.h"
#include "demographics.h"
#include "gallery/galleryrun.h"
#include "preview/artimagecache.h"
#include "preview/componentmarks.h"
#include "preview/multirenderer.h"

#include <QDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <limits>

namespace {

// The marks of a house whose walls were all given other graphics, the most a
// real change marks: every wall as replaced, and its first three components
// as added, removed and moved.
QList<ComponentMark> wallMarks(const MultiEntry &entry)
{
    QList<ComponentMark> marks;
    qsizetype n = 0;
    for (const ComponentSpec &spec : entry.components) {
        const int graphic = spec.field(ComponentSpec::Graphic).toInt();
        if (n < 3)
            marks.append({n, ComponentMark::Kind(n)});
        else if (graphic >= Gfx::WallBase && graphic < Gfx::WallBase + 8 * WallMaterials)
            marks.append({n, ComponentMark::Replaced});
        ++n;
    }
    return marks;
}

struct GalleryFigures
{
    double seconds = std::numeric_limits<double>::max();    // wall time, best run
    double cpuSeconds = std::numeric_limits<double>::max(); // of every thread, best run
    qint64 bytes = 0;
    qsizetype written = 0;
};

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// One gallery of `items` into `dir` with a worker a core, trimmed as the
// comparison's gallery draws: each picture drawn, encoded and written.
void runGallery(const MultiCache &cache, const QList<GalleryItem> &items,
                const Configuration &files, const TileDataStore &tiles, const QString &dir,
                GalleryFigures &figures)
{
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    OutputDirectory output;
    if (!output.open(dir))
        return;
    PictureStyle style;
    style.setTrim(true);
    GalleryRun run(cache, items, &tiles, style, output);
    std::vector<std::unique_ptr<ArtStore>> stores;
    const int workers = std::clamp(QThread::idealThreadCount(), 1, int(GalleryRun::MostWorkers));
    for (int n = 0; n < workers; ++n)
        stores.push_back(std::make_unique<ArtStore>(files.artidx, files.artmul));
    const double cpu = processCpuSeconds();
    figures.seconds = std::min(figures.seconds, bestSeconds(1, [&] {
                                   run.start(std::move(stores));
                                   while (!run.finished()) {
                                       if (run.drawsOnCallingThread())
                                           run.drawNext();
                                       else
                                           run.waitForProgress(50);
                                   }
                                   run.join();
                               }));
    figures.cpuSeconds = std::min(figures.cpuSeconds, processCpuSeconds() - cpu);
    figures.bytes = 0;
    figures.written = 0;
    for (const GalleryResult &result : run.results()) {
        figures.written += result.outcome == GalleryResult::Written;
        figures.bytes += result.fileBytes;
    }
}

// Every 8th entry of the large set drawn as a gallery with marks and without,
// in turns, best of five each, in wall time and in the processor time of
// every thread (which other programs on the machine disturb less); then the
// drawing alone on one thread, the marks painted over it and not.
void marksSection(const BenchContext &context)
{
    const ConfigurationFile file =
        readConfigurationFile(context.largeDir + u'/' + QLatin1String(DemoConfigName));
    MultiCache cache;
    if (!file.opened || !cache.load(file.values.cache)) {
        std::printf("the large demo set is missing\n");
        return;
    }
    const Configuration &files = file.values;
    TileDataStore tiles(files.tiledata);
    QList<GalleryItem> plain;
    QList<GalleryItem> marked;
    qint64 marks = 0;
    for (qsizetype n = 0; n < cache.size(); n += 8) {
        plain.append({n, {}, MultiCache::entryName(n)});
        marked.append({n, {}, MultiCache::entryName(n), wallMarks(cache.entry(n))});
        marks += marked.last().marks.size();
    }

    GalleryFigures without;
    GalleryFigures with;
    for (int round = 0; round < 5; ++round) {
        runGallery(cache, plain, files, tiles, context.scratchDir + QStringLiteral("/plain"),
                   without);
        runGallery(cache, marked, files, tiles, context.scratchDir + QStringLiteral("/marked"),
                   with);
    }
    if (with.written != without.written || with.written == 0)
        std::printf("the galleries wrote %lld and %lld pictures\n",
                    static_cast<long long>(with.written), static_cast<long long>(without.written));

    // The renderer's part alone: layout, painting and marks, as GalleryRun.
    ArtStore art(files.artidx, files.artmul);
    const auto draw = [&](const QList<GalleryItem> &items) {
        return bestSeconds(3, [&] {
            for (const GalleryItem &item : items) {
                const MultiLayout layout =
                    layoutMultiEntry(cache.entry(item.cacheIndex), &art, &tiles);
                ArtImageCache images(&art, MaxCachedArtBytes);
                QImage picture = paintMultiLayout(layout, images);
                paintMarks(picture, layout, images, item.marks);
            }
        });
    };
    const double drawPlain = draw(plain);
    const double drawMarked = draw(marked);

    const double pictures = double(std::max<qsizetype>(with.written, 1));
    reportValue(QStringLiteral("pictures (every 8th entry of the large set)"), pictures, QString());
    reportValue(QStringLiteral("marks a picture (walls given another graphic)"),
                double(marks) / double(plain.size()), QString());
    reportRatio(QStringLiteral("gallery with marks, trimmed"), with.seconds,
                QStringLiteral("the same pictures unmarked (aim: at most 1.2 times)"),
                without.seconds, QStringLiteral("s"));
    reportRatio(QStringLiteral("  in processor time"), with.cpuSeconds, QStringLiteral("unmarked"),
                without.cpuSeconds, QStringLiteral("s"));
    reportRatio(QStringLiteral("  its bytes a picture"), double(with.bytes) / pictures,
                QStringLiteral("unmarked"), double(without.bytes) / pictures,
                QStringLiteral("B/pic"));
    reportRatio(QStringLiteral("  drawing alone with marks, one thread"), drawMarked * 1e3,
                QStringLiteral("without"), drawPlain * 1e3, QStringLiteral("ms"));
}

} // namespace

KORVANE_BENCH_SECTION("marks", marksSection);
