#include "benchreport.h"

#include "cache/multicache.h"
#include "cache/multipayload.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "demoencoders.h"
#include "preview/artimagecache.h"
#include "preview/multirenderer.h"

#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {

QString demoFile(const BenchContext &context, const char *name)
{
    return context.demoDir + QLatin1Char('/') + QLatin1String(name);
}

// The entry of the demo cache with the most components (the keep).
MultiEntry largestEntry(const BenchContext &context)
{
    MultiCache cache;
    if (!cache.load(demoFile(context, DemoCacheName)) || cache.isEmpty())
        return {};
    qsizetype largest = 0;
    for (qsizetype n = 1; n < cache.size(); ++n) {
        if (cache.componentCount(n) > cache.componentCount(largest))
            largest = n;
    }
    return cache.entry(largest);
}

void renderSection(const BenchContext &context)
{
    const MultiEntry entry = largestEntry(context);
    ArtStore art(demoFile(context, DemoArtIndexName), demoFile(context, DemoArtDataName));
    TileDataStore tiles(demoFile(context, DemoTileDataName));

    const MultiLayout layout = layoutMultiEntry(entry, &art, &tiles);
    if (layout.status != RenderStatus::Rendered) {
        std::printf("the demo keep did not render\n");
        return;
    }
    reportValue(QStringLiteral("demo keep: components"), entry.components.size(), QString());
    reportValue(QStringLiteral("demo keep: picture"),
                double(layout.size.width()) * layout.size.height() / 1e6, QStringLiteral("Mpx"));
    reportValue(QStringLiteral("demo keep: art painted"), double(layout.paintedPixels) / 1e6,
                QStringLiteral("Mpx"));

    constexpr int Runs = 15;
    const double render = bestSeconds(Runs, [&] { renderMultiEntry(entry, &art, &tiles); });
    // The painting alone: the renderer's own painting step, with every
    // converted image already in its cache.
    ArtImageCache images(&art, MaxCachedArtBytes);
    paintMultiLayout(layout, images);
    const int fetches = images.fetches();
    const double painting = bestSeconds(Runs, [&] { paintMultiLayout(layout, images); });
    reportRatio(QStringLiteral("render the demo keep"), render * 1e3,
                QStringLiteral("paint its converted art only"), painting * 1e3,
                QStringLiteral("ms"));
    if (images.fetches() != fetches)
        std::printf("the demo keep's art did not stay in the image cache\n");
    // What the rendering spends before it paints: records, art sizes, order.
    const double layingOut = bestSeconds(Runs, [&] { layoutMultiEntry(entry, &art, &tiles); });
    reportValue(QStringLiteral("  of which laying out"), layingOut * 1e3, QStringLiteral("ms"));
}

} // namespace

KORVANE_BENCH_SECTION("render", renderSection);
