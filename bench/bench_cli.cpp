#include "benchreport.h"

#include "cache/multicache.h"
#include "core/configuration.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "demoencoders.h"
#include "export/multifilewriter.h"
#include "preview/multirenderer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

QString configOf(const QString &demoDir)
{
    return demoDir + QLatin1Char('/') + QLatin1String(DemoConfigName);
}

// Runs the companion as a user's script would; false when it fails.
bool runCli(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(600000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QList<MultiEntry> cacheEntries(const Configuration &configuration)
{
    MultiCache cache;
    cache.load(configuration.cache);
    return cache.entries();
}

// The whole batch inside one process: read the cache, write every entry's
// file, as the companion does.
void exportInProcess(const Configuration &configuration, const QString &directory)
{
    writeMultiFiles(cacheEntries(configuration), directory);
}

// One picture inside one process: read the cache and the readers, render the
// entry and encode it as PNG.
void renderInProcess(const Configuration &configuration, qsizetype index)
{
    const QList<MultiEntry> entries = cacheEntries(configuration);
    ArtStore art(configuration.artidx, configuration.artmul);
    TileDataStore tiles(configuration.tiledata);
    const QImage image = renderMultiEntry(entries[index], &art, &tiles);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QImageWriter(&png, "png").write(image);
}

void cliSection(const BenchContext &context)
{
    const QString program = context.buildDir + QStringLiteral("/src/korvane-cli");
    const ConfigurationFile largeFile = readConfigurationFile(configOf(context.largeDir));
    const ConfigurationFile demoFile = readConfigurationFile(configOf(context.demoDir));
    const Configuration *large = &largeFile.values;
    const Configuration *demo = &demoFile.values;
    if (!QFileInfo(program).isExecutable() || !largeFile.opened || !demoFile.opened) {
        std::printf("korvane-cli or the demo configurations are missing\n");
        return;
    }

    const double start = bestSeconds(5, [&] { runCli(program, {QStringLiteral("--version")}); });
    reportValue(QStringLiteral("korvane-cli start and exit"), start * 1e3, QStringLiteral("ms"));

    const qsizetype count = cacheEntries(*large).size();
    const QString exported = context.scratchDir + QStringLiteral("/cli-export");
    const QString inProcess = context.scratchDir + QStringLiteral("/in-process");
    QDir().mkpath(exported);
    QDir().mkpath(inProcess);
    // In turns, so that both meet the disk in the same state; each run after
    // the first replaces the files of the one before.
    bool ok = true;
    double batch = std::numeric_limits<double>::max();
    double floor = batch;
    for (int i = 0; i < 3; ++i) {
        batch = std::min(batch, bestSeconds(1, [&] {
                             ok = runCli(program, {QStringLiteral("export"), exported,
                                                   QStringLiteral("--config"),
                                                   configOf(context.largeDir)}) &&
                                  ok;
                         }));
        floor = std::min(floor, bestSeconds(1, [&] { exportInProcess(*large, inProcess); }));
    }
    if (!ok)
        std::printf("korvane-cli export failed\n");
    reportValue(QStringLiteral("large set: entries"), double(count), QString());
    reportRatio(QStringLiteral("korvane-cli export DIR (large set)"), batch,
                QStringLiteral("the same in-process"), floor, QStringLiteral("s"));

    // The keep: the demo entry with the most components.
    const QList<MultiEntry> entries = cacheEntries(*demo);
    const auto keep = std::max_element(entries.cbegin(), entries.cend(),
                                       [](const MultiEntry &a, const MultiEntry &b) {
                                           return a.components.size() < b.components.size();
                                       }) -
                      entries.cbegin();
    if (keep >= entries.size()) {
        std::printf("the demo set has no entries\n");
        return;
    }
    ok = true;
    const QString png = context.scratchDir + QStringLiteral("/keep.png");
    const double render = bestSeconds(5, [&] {
        ok = runCli(program, {QStringLiteral("render"), QString::number(keep), QStringLiteral("-o"),
                              png, QStringLiteral("--config"), configOf(context.demoDir)}) &&
             ok;
    });
    const double renderFloor = bestSeconds(5, [&] { renderInProcess(*demo, keep); });
    if (!ok)
        std::printf("korvane-cli render failed\n");
    reportRatio(QStringLiteral("korvane-cli render <keep> -o FILE.png"), render * 1e3,
                QStringLiteral("the same in-process"), renderFloor * 1e3, QStringLiteral("ms"));
}

} // namespace

KORVANE_BENCH_SECTION("cli", cliSection);
