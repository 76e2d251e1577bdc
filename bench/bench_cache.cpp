#include "benchreport.h"

#include "cache/multicache.h"
#include "demoencoders.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

constexpr int Runs = 5;
constexpr qint64 Block = 1 << 20;

// The floor: the file read in blocks and its line ends counted, nothing kept.
qint64 countLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    QByteArray block(Block, Qt::Uninitialized);
    qint64 lines = 0;
    for (qint64 n; (n = file.read(block.data(), Block)) > 0;) {
        const char *at = block.constData();
        const char *end = at + n;
        while ((at = static_cast<const char *>(std::memchr(at, '\n', end - at)))) {
            ++lines;
            ++at;
        }
    }
    return lines;
}

// Best time of the loads alone: each result is dropped outside the timing.
double bestLoad(const QString &path, qsizetype *entries, qsizetype *components)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        MultiCache cache;
        if (!cache.load(path))
            return 0;
        best = std::min(best, timer.nsecsElapsed() / 1e9);
        *entries = cache.size();
        *components = cache.scan().componentLines;
    }
    return best;
}

void cacheSection(const BenchContext &context)
{
    const QString path = context.largeDir + QLatin1Char('/') + QLatin1String(DemoCacheName);
    if (!QFileInfo::exists(path)) {
        std::printf("the large demo set has no cache file\n");
        return;
    }
    qint64 lines = 0;
    const double count = bestSeconds(Runs, [&] { lines = countLines(path); });
    qsizetype entries = 0;
    qsizetype components = 0;
    const double load = bestLoad(path, &entries, &components);

    reportValue(QStringLiteral("large cache: lines"), double(lines), QString());
    reportValue(QStringLiteral("large cache: entries"), double(entries), QString());
    reportValue(QStringLiteral("large cache: components"), double(components), QString());
    reportValue(QStringLiteral("large cache: size"), QFileInfo(path).size() / 1048576.0,
                QStringLiteral("MiB"));
    reportRatio(QStringLiteral("MultiCache::load (large set)"), load * 1e3,
                QStringLiteral("line count of the same file"), count * 1e3, QStringLiteral("ms"));

    // What a user waits for: whole processes, medians of 7.
    const QString cli = context.buildDir + QStringLiteral("/src/korvane-cli");
    const QString config = context.largeDir + QLatin1Char('/') + QLatin1String(DemoConfigName);
    const auto run = [](const QString &program, const QStringList &arguments) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(program, arguments);
        process.waitForFinished(120000);
    };
    const double list = medianSeconds(7, [&] {
        run(cli, {QStringLiteral("list"), QStringLiteral("--config"), config});
    });
    const double wc = medianSeconds(7, [&] {
        run(QStringLiteral("wc"), {QStringLiteral("-l"), path});
    });
    reportRatio(QStringLiteral("korvane-cli list (large set), process"), list * 1e3,
                QStringLiteral("wc -l of the same file, process"), wc * 1e3, QStringLiteral("ms"));
}

} // namespace

KORVANE_BENCH_SECTION("cache", cacheSection);
