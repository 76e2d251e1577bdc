#include "benchreport.h"

#include "cache/multicache.h"
#include "core/configuration.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "demoencoders.h"
#include "gallery/pngencoder.h"
#include "preview/multirenderer.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageWriter>
#include <QProcess>
#include <QThread>

#include <cstdio>
#include <functional>

namespace {

// One way of writing PNG pictures, with what it took on the sample.
struct Encoding
{
    QString name;
    std::function<QByteArray(const QImage &)> encode;
    qint64 nanoseconds = 0;
    qint64 bytes = 0;
};

QByteArray qtPng(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return bytes;
}

Encoding ours(const char *name, PngSettings settings)
{
    return {QLatin1String(name), [settings](const QImage &image) {
                QString error;
                return encodePng(image, &error, settings);
            }};
}

// The gallery of the whole large set as a user's script runs it, with every
// core, against the renderings alone: one thread, in-process, no encoding
// and no files. Both as pictures per second; then the same gallery again,
// with nothing to draw, beside the first run; then the PNG writers side by
// side on every 8th picture, each as drawing and encoding on one thread
// against drawing alone, and its bytes a picture against Qt's writer's.
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
    const QFileInfoList written = QDir(directory).entryInfoList({QStringLiteral("*.png")});
    qint64 writtenBytes = 0;
    for (const QFileInfo &picture : written)
        writtenBytes += picture.size();

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
    if (!ok || written.size() != pictures)
        std::printf("korvane-cli gallery failed, or wrote %lld pictures of %lld\n",
                    static_cast<long long>(written.size()), static_cast<long long>(pictures));

    // The writers on the same pictures, each drawn once for all of them.
    QList<Encoding> encodings{
        {QStringLiteral("Qt's PNG writer, default"), qtPng},
        ours("RGBA, zlib 1, no filter", {1, 0, PngFilter::None, false}),
        ours("RGBA, zlib 5, Up", {5, 0, PngFilter::Up, false}),
        ours("palette, zlib 1", {1, 0, PngFilter::Up, true}),
        ours("palette, zlib 3 (korvane-cli)", {}),
        ours("palette, zlib 6", {6, 0, PngFilter::Up, true}),
    };
    qsizetype sampled = 0;
    qint64 drawing = 0;
    for (qsizetype n = 0; n < cache.size(); n += 8) {
        QElapsedTimer timer;
        timer.start();
        RenderStatus status = RenderStatus::NoReaders;
        const QImage image = renderMultiEntry(cache.entry(n), &art, &tiles, &status);
        drawing += timer.nsecsElapsed();
        if (status != RenderStatus::Rendered || image.isNull())
            continue;
        ++sampled;
        for (Encoding &encoding : encodings) {
            timer.restart();
            encoding.bytes += encoding.encode(image).size();
            encoding.nanoseconds += timer.nsecsElapsed();
        }
    }

    reportValue(QStringLiteral("large set: pictures"), double(pictures), QString());
    reportValue(QStringLiteral("threads (--jobs default)"), double(QThread::idealThreadCount()),
                QString());
    reportRatio(QStringLiteral("korvane-cli gallery DIR (large set)"),
                double(written.size()) / whole, QStringLiteral("render alone, one thread"),
                double(pictures) / floor, QStringLiteral("pic/s"));
    reportRatio(QStringLiteral("korvane-cli gallery DIR again, nothing changed"), rerun,
                QStringLiteral("the first run"), whole, QStringLiteral("s"));
    const double qtBytes =
        double(encodings.first().bytes) / double(std::max<qsizetype>(1, sampled));
    reportRatio(QStringLiteral("its pictures"),
                double(writtenBytes) / double(std::max<qsizetype>(1, written.size())),
                QStringLiteral("Qt's writer, sampled"), qtBytes, QStringLiteral("B/pic"));
    reportValue(QStringLiteral("sampled pictures (every 8th entry)"), double(sampled), QString());
    const double drawRate = double(sampled) / (double(drawing) / 1e9);
    for (const Encoding &encoding : std::as_const(encodings)) {
        const double seconds = double(drawing + encoding.nanoseconds) / 1e9;
        reportRatio(QStringLiteral("draw + ") + encoding.name, double(sampled) / seconds,
                    QStringLiteral("draw alone, one thread"), drawRate, QStringLiteral("pic/s"));
        reportRatio(QStringLiteral("  its bytes"),
                    double(encoding.bytes) / double(std::max<qsizetype>(1, sampled)),
                    QStringLiteral("Qt's writer"), qtBytes, QStringLiteral("B/pic"));
    }
}

} // namespace

KORVANE_BENCH_SECTION("gallery", gallerySection);
