#include "benchreport.h"

#include "cache/multicache.h"
#include "cache/multipayload.h"
#include "demoencoders.h"
#include "export/multifilewriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>

#include <cstdio>
#include <limits>
#include <unistd.h>

namespace {

constexpr int Runs = 3;

// Seconds `work` takes to fill a new empty directory. The disk is synced
// first and nothing is removed until the section ends, so that neither the
// write-back of an earlier run nor freeing its files weighs on this one.
double timeIntoNewDirectory(const QString &dir, const std::function<void(const QString &)> &work)
{
    QDir().mkpath(dir);
    ::sync();
    QElapsedTimer timer;
    timer.start();
    work(dir);
    return timer.nsecsElapsed() / 1e9;
}

// Drops every entry of the large set, as "Entry N", into an empty directory:
// through the writer, beside plain writes of the same bytes to as many files.
void runExport(const BenchContext &context)
{
    MultiCache cache;
    if (!cache.load(context.largeDir + u'/' + QLatin1String(DemoCacheName))) {
        std::printf("no large demo set in %s\n", qPrintable(context.largeDir));
        return;
    }
    const QList<MultiEntry> entries = cache.entries();
    const QByteArray payload = encodeMultiPayload(entries);

    QList<QByteArray> files;
    qint64 bytes = 0;
    for (const MultiEntry &entry : std::as_const(entries)) {
        files.append(encodeMultiFile(entry.components));
        bytes += files.last().size();
    }
    reportValue(QStringLiteral("entries"), entries.size(), QStringLiteral("files"));
    reportValue(QStringLiteral("bytes written per drop"), bytes / 1048576.0, QStringLiteral("MiB"));

    const auto plainWrites = [&](const QString &dir) {
        for (qsizetype n = 0; n < files.size(); ++n) {
            QFile file(dir + u'/' + MultiCache::entryName(n) + QStringLiteral(".mlt"));
            if (file.open(QIODevice::WriteOnly))
                file.write(files[n]);
        }
    };
    // What the writer would cost if each file went through QSaveFile, which
    // also syncs it to disk before the rename.
    const auto savedWrites = [&](const QString &dir) {
        for (qsizetype n = 0; n < files.size(); ++n) {
            QSaveFile file(dir + u'/' + MultiCache::entryName(n) + QStringLiteral(".mlt"));
            if (file.open(QIODevice::WriteOnly)) {
                file.write(files[n]);
                file.commit();
            }
        }
    };
    const auto drop = [&](const QString &dir) { writeMultiFiles(payload, dir); };

    // Interleaved, so that a busy disk weighs on both alike. The far slower
    // QSaveFile writes run once.
    double floor = std::numeric_limits<double>::max();
    double exported = floor;
    for (int run = 0; run < Runs; ++run) {
        const QString dir = context.scratchDir + QStringLiteral("/export-%1").arg(run);
        floor = std::min(floor, timeIntoNewDirectory(dir + QStringLiteral("-plain"), plainWrites));
        exported = std::min(exported, timeIntoNewDirectory(dir + QStringLiteral("-drop"), drop));
    }
    const double saved =
        timeIntoNewDirectory(context.scratchDir + QStringLiteral("/export-saved"), savedWrites);
    const QString floorName = QStringLiteral("plain writes of the same files");
    reportRatio(QStringLiteral("drop of all entries (writeMultiFiles)"), exported, floorName, floor,
                QStringLiteral("s"));
    reportRatio(QStringLiteral("same files through QSaveFile"), saved, floorName, floor,
                QStringLiteral("s"));
}

} // namespace

KORVANE_BENCH_SECTION("export", runExport);
