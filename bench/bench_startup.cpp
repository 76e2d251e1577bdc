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
// A cache file of bare header lines, 8 bytes an entry: the most entries a
// file of its size can hold, so what an entry costs the window shows plainly.
constexpr qsizetype BareEntries = 1250000;
constexpr char BareHeader[] = "\t\t0\t\t\t\t\n";
// Its peak is the same from run to run, give or take a page or two.
constexpr int BareRuns = 3;

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

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A copy of the probe in `dir` with the given korvane.xml beside it, as a
// user would have the window; empty when it cannot be set up.
QString probeBeside(const BenchContext &context, const QString &dir, const QByteArray &config)
{
    const QString built = context.buildDir + QStringLiteral("/bench/korvane-startupprobe");
    const QString probe = dir + QStringLiteral("/korvane-startupprobe");
    if (!QDir().mkpath(dir) || !QFile::copy(built, probe) ||
        !writeFile(dir + QLatin1Char('/') + QLatin1String(DemoConfigName), config)) {
        std::printf("cannot set up %s in %s\n", qPrintable(built), qPrintable(dir));
        return QString();
    }
    return probe;
}

void bareHeaders(const BenchContext &context, const Startup &empty)
{
    const QString dir = context.scratchDir + QStringLiteral("/startup-bare");
    const QString cache = dir + QLatin1Char('/') + QLatin1String(DemoCacheName);
    const QByteArray config =
        "<conf><cache>" + cache.toHtmlEscaped().toUtf8() + "</cache></conf>\n";
    const QString probe = probeBeside(context, dir, config);
    if (probe.isEmpty())
        return;
    if (!writeFile(cache, QByteArray(BareHeader).repeated(BareEntries))) {
        std::printf("cannot write %s\n", qPrintable(cache));
        return;
    }
    Startup window;
    for (int i = 0; i < BareRuns; ++i)
        measureOnce(probe, QStringLiteral("window"), &window);
    if (!window.ok) {
        std::printf("the start-up probe did not paint its window on %s\n", qPrintable(cache));
        return;
    }
    const double fileBytes = QFileInfo(cache).size();
    reportRatio(QStringLiteral("peak RSS, 1.25 M bare header lines"), window.peakKiB / 1024.0,
                QStringLiteral("cache file size"), fileBytes / 1048576.0, QStringLiteral("MiB"));
    reportRatio(QStringLiteral("  above the empty window's, an entry"),
                (window.peakKiB - empty.peakKiB) * 1024.0 / BareEntries,
                QStringLiteral("the file's bytes an entry"), fileBytes / BareEntries,
                QStringLiteral("bytes"));
}

void startupSection(const BenchContext &context)
{
    const QString cache = context.largeDir + QLatin1Char('/') + QLatin1String(DemoCacheName);
    QFile largeConfig(context.largeDir + QLatin1Char('/') + QLatin1String(DemoConfigName));
    if (!largeConfig.open(QIODevice::ReadOnly)) {
        std::printf("cannot read %s\n", qPrintable(largeConfig.fileName()));
        return;
    }
    const QString probe = probeBeside(context, context.scratchDir + QStringLiteral("/startup"),
                                      largeConfig.readAll());
    if (probe.isEmpty())
        return;

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

    bareHeaders(context, empty);
}

} // namespace

KORVANE_BENCH_SECTION("startup", startupSection);
