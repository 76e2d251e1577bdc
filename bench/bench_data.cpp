#include "benchreport.h"

#include "data/artdecoder.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "demoencoders.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtEndian>

#include <cstring>
#include <limits>
#include <memory>

namespace {

constexpr int Runs = 10;
constexpr int GraphicIds = 16384;

QString demoFile(const BenchContext &context, const char *name)
{
    return context.demoDir + QLatin1Char('/') + QLatin1String(name);
}

qint64 readAllBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().size();
}

// Decodes every graphic of a new store (so no bitmap is cached); the pixels
// decoded.
qint64 decodeAll(ArtStore &store, QList<QByteArray> *bitmaps = nullptr)
{
    qint64 pixels = 0;
    for (int g = 0; g < GraphicIds; ++g) {
        qint16 width = 0;
        qint16 height = 0;
        if (const QByteArray *bitmap = store.decodedBitmap(g, width, height)) {
            pixels += qint64(width) * height;
            if (bitmaps)
                bitmaps->append(*bitmap);
        }
    }
    return pixels;
}

// Best time of `Runs` calls of `work` on a new store each.
double bestOnNewStore(const BenchContext &context, const std::function<void(ArtStore &)> &work)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < Runs; ++i) {
        ArtStore store(demoFile(context, DemoArtIndexName), demoFile(context, DemoArtDataName));
        QElapsedTimer timer;
        timer.start();
        work(store);
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

void dataSection(const BenchContext &context)
{
    const QString index = demoFile(context, DemoArtIndexName);
    const QString data = demoFile(context, DemoArtDataName);
    const QString tiles = demoFile(context, DemoTileDataName);

    const double artStore = bestSeconds(Runs, [&] { ArtStore store(index, data); });
    const double indexRead = bestSeconds(Runs, [&] { readAllBytes(index); });
    reportRatio(QStringLiteral("construct ArtStore"), artStore * 1e3,
                QStringLiteral("readAll of the art index"), indexRead * 1e3, QStringLiteral("ms"));
    const double tileStore = bestSeconds(Runs, [&] { TileDataStore store(tiles); });
    const double tilesRead = bestSeconds(Runs, [&] { readAllBytes(tiles); });
    reportRatio(QStringLiteral("construct TileDataStore"), tileStore * 1e3,
                QStringLiteral("readAll of the tile data"), tilesRead * 1e3, QStringLiteral("ms"));

    ArtStore store(index, data);
    QList<QByteArray> bitmaps;
    const double megapixels = decodeAll(store, &bitmaps) / 1e6;
    if (megapixels == 0) {
        std::printf("the demo set has no art\n");
        return;
    }
    reportValue(QStringLiteral("demo art: graphics"), bitmaps.size(), QString());
    reportValue(QStringLiteral("demo art: pixels"), megapixels, QStringLiteral("Mpx"));
    reportValue(QStringLiteral("demo art: data file"), readAllBytes(data) / 1048576.0,
                QStringLiteral("MiB"));

    const double decode = bestOnNewStore(context, [](ArtStore &s) { decodeAll(s); });
    const double dataRead = bestSeconds(Runs, [&] { readAllBytes(data); });
    reportRatio(QStringLiteral("decode all art, cold cache"), megapixels / decode,
                QStringLiteral("readAll of the art data, as Mpx/s"), megapixels / dataRead,
                QStringLiteral("Mpx/s"));

    const double convert = bestSeconds(Runs, [&] {
        for (const QByteArray &bitmap : bitmaps)
            artImage(bitmap);
    });
    const double copy = bestSeconds(Runs, [&] {
        for (const QByteArray &bitmap : bitmaps) {
            if (bitmap.size() < 4)
                continue;
            const int width = qFromLittleEndian<quint16>(bitmap.constData());
            const int height = qFromLittleEndian<quint16>(bitmap.constData() + 2);
            QImage image(width, height, QImage::Format_ARGB32);
            std::memset(image.bits(), 0x5A, image.sizeInBytes());
        }
    });
    reportRatio(QStringLiteral("bitmap to ARGB32 image"), megapixels / convert,
                QStringLiteral("allocate and fill the same images"), megapixels / copy,
                QStringLiteral("Mpx/s"));

    const double images = bestOnNewStore(context, [](ArtStore &s) {
        for (int g = 0; g < GraphicIds; ++g)
            s.staticImage(g);
    });
    reportRatio(QStringLiteral("staticImage of all art, cold cache"), megapixels / images,
                QStringLiteral("decode all art, cold cache"), megapixels / decode,
                QStringLiteral("Mpx/s"));
}

} // namespace

KORVANE_BENCH_SECTION("data", dataSection);
