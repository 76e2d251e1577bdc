#include "benchreport.h"

#include "cache/multicache.h"
#include "core/configuration.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "demoencoders.h"
#include "preview/multirenderer.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <cstdio>

namespace {

// The gallery of the whole large set as a user's script runs it, with every
// core, against the renderings alone: one thread, in-process, no encoding
// and no files. Both as pictures per second; then the same gallery again,
// with nothing to draw, beside the first run.
void gallerySection(const BenchContext &context)
{
    const QString program = context.buildDir + QStringLiteral("/src/korvane-cli");
    const QString config = context.largeDir + u'/' + QLatin1String(DemoConfigName);
    const ConfigurationFile file = readConfigurationFile(config);
    if (!QFileInfo(program).isExecutable() || !file.opened) {
        std::printf("korvane-cli or the large demo configuration is missing\n");
        return;
    }
    const Configuration &files = file.values;

    MultiCache cache;
    cache.load(files.cache);
    ArtStore art(files.artidx, files.artmul);
    TileDataStore tiles(files.tiledata);
    qsizetype pictures = 0;
    const double floor = bestSeconds(1, [&] {
        pictures = 0;
        for (qsizetype n = 0; n < cache.size(); ++n) {
            RenderStatus status = RenderStatus::NoReaders;
            const QImage image = renderMultiEntry(cache.entry(n), &art, &tiles, &status);
            pictures += status == RenderStatus::Rendered && !image.isNull();
        }
    });

    const QString directory = context.scratchDir + QStringLiteral("/gallery");
    bool ok = true;
    const double whole = bestSeconds(1, [&] {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(program,
                      {QStringLiteral("gallery"), directory, QStringLiteral("--config"), config});
        ok = process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
             process.exitCode() == 0;
    });
    const qsizetype written = QDir(directory).entryList({QStringLiteral("*.png")}).size();

    // The same gallery again over the same files: every picture is up to date.
    QByteArray summary;
    const double rerun = bestSeconds(1, [&] {
        QProcess process;
        process.start(program,
                      {QStringLiteral("gallery"), directory, QStringLiteral("--config"), config});
        ok = process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
             process.exitCode() == 0 && ok;
        summary = process.readAllStandardOutput();
    });
    if (!summary.startsWith("Wrote 0 pictures"))
        std::printf("the unchanged rerun drew pictures again: %s", summary.constData());
    if (!ok || written != pictures)
        std::printf("korvane-cli gallery failed, or wrote %lld pictures of %lld\n",
                    static_cast<long long>(written), static_cast<long long>(pictures));

    reportValue(QStringLiteral("large set: pictures"), double(pictures), QString());
    reportValue(QStringLiteral("threads (--jobs default)"), double(QThread::idealThreadCount()),
                QString());
    reportRatio(QStringLiteral("korvane-cli gallery DIR (large set)"), double(written) / whole,
                QStringLiteral("render alone, one thread"), double(pictures) / floor,
                QStringLiteral("pic/s"));
    reportRatio(QStringLiteral("korvane-cli gallery DIR again, nothing changed"), rerun,
                QStringLiteral("the first run"), whole, QStringLiteral("s"));
}

} // namespace

KORVANE_BENCH_SECTION("gallery", gallerySection);
