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
    QList<double> times; // seconds, one a run
    qint64 peakKiB = 0;  // largest of the runs
    bool ok = true;
};

// One whole process, from its start to the line the probe prints once its
// first frame is painted.
void measureOnce(const QString &probe, const QString &mode, Startup *result)
{
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
        result->ok = false;
        return;
    }
    result->times.append(seconds);
    result->peakKiB = std::max(result->peakKiB, line.mid(8).trimmed().toLongLong());
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

    // The window and its floor in turns, so that both meet the same machine.
    Startup window;
    Startup empty;
    for (int i = 0; i < Runs; ++i) {
        measureOnce(probe, QStringLiteral("window"), &window);
        measureOnce(probe, QStringLiteral("empty"), &empty);
    }
    if (!window.ok || !empty.ok) {
        std::printf("the start-up probe did not paint its window\n");
        return;
    }
    reportRatio(QStringLiteral("start-up to first paint (large set)"), median(window.times) * 1e3,
                QStringLiteral("empty QMainWindow's"), median(empty.times) * 1e3,
                QStringLiteral("ms"));

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
