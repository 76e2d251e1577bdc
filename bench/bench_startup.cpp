#include "benchreport.h"

#include "demoencoders.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

constexpr int Runs = 7;

struct Startup
{
    double seconds = 0; // median of the runs
    qint64 peakKiB = 0; // largest of the runs
    bool ok = true;
};

// Whole processes, from their start to the line the probe prints once its
// first frame is painted.
Startup measure(const QString &probe, const QString &mode)
{
    Startup result;
    QList<double> times;
    for (int i = 0; i < Runs; ++i) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        process.start(probe, {mode});
        QByteArray line;
        while (!line.contains('\n') && process.waitForReadyRead(120000))
            line += process.readAllStandardOutput();
        const double seconds = timer.nsecsElapsed() / 1e9;
        process.waitForFinished(60000);
        if (!line.startsWith("painted ")) {
            result.ok = false;
            continue;
        }
        times.append(seconds);
        result.peakKiB = std::max(result.peakKiB, line.mid(8).trimmed().toLongLong());
    }
    result.seconds = median(times);
    return result;
}

void startupSection(const BenchContext &context)
{
    const QString built = context.buildDir + QStringLiteral("/bench/korvane-startupprobe");
    const QString config = context.largeDir + QLatin1Char('/') + QLatin1String(DemoConfigName);
    const QString cache = context.largeDir + QLatin1Char('/') + QLatin1String(DemoCacheName);
    // A copy of the probe with the large set's korvane.xml beside it, as a
    // user would have the window.
    const QString dir = context.scratchDir + QStringLiteral("/startup");
    const QString probe = dir + QStringLiteral("/korvane-startupprobe");
    if (!QDir().mkpath(dir) || !QFile::copy(built, probe) ||
        !QFile::copy(config, dir + QLatin1Char('/') + QLatin1String(DemoConfigName))) {
        std::printf("cannot set up %s beside the large set's korvane.xml\n", qPrintable(built));
        return;
    }

    const Startup window = measure(probe, QStringLiteral("window"));
    const Startup empty = measure(probe, QStringLiteral("empty"));
    if (!window.ok || !empty.ok) {
        std::printf("the start-up probe did not paint its window\n");
        return;
    }
    reportRatio(QStringLiteral("start-up to first paint (large set)"), window.seconds * 1e3,
                QStringLiteral("empty QMainWindow's"), empty.seconds * 1e3, QStringLiteral("ms"));

    const double cacheMiB = QFileInfo(cache).size() / 1048576.0;
    const double peakMiB = window.peakKiB / 1024.0;
    const double emptyMiB = empty.peakKiB / 1024.0;
    reportRatio(QStringLiteral("peak RSS after loading the large set"), peakMiB,
                QStringLiteral("cache file size"), cacheMiB, QStringLiteral("MiB"));
    reportRatio(QStringLiteral("  the same above the empty window's"), peakMiB - emptyMiB,
                QStringLiteral("cache file size"), cacheMiB, QStringLiteral("MiB"));
    reportValue(QStringLiteral("  empty QMainWindow's peak RSS"), emptyMiB, QStringLiteral("MiB"));
}

} // namespace

KORVANE_BENCH_SECTION("startup", startupSection);
