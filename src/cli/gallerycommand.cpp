#include "batchrun.h"
#include "client/clientdata.h"
#include "clioptions.h"
#include "commands.h"
#include "gallery/gallerypage.h"
#include "gallery/galleryrun.h"
#include "gallery/galleryupdate.h"

#include "core/atomicfile.h"
#include "core/shownname.h"
#include "data/artstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <sys/stat.h>

namespace {

constexpr int MaxJobs = 256;

// "1 picture", "2 pictures".
QString pictures(qsizetype count)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? QStringLiteral("picture")
                                                             : QStringLiteral("pictures"));
}

// On a rerun, the pictures drawn again: " (Entry 4.png, Entry 9.png and 3
// more)", at most RedrawnNamed names; "" when none was.
constexpr int RedrawnNamed = 5;
QString redrawn(const std::vector<GalleryResult> &drawn)
{
    QStringList names;
    qsizetype count = 0;
    for (const GalleryResult &result : drawn) {
        if (result.outcome == GalleryResult::Written && count++ < RedrawnNamed)
            names << escapeControls(GalleryRun::pictureName(result.name));
    }
    if (count == 0)
        return {};
    if (count > RedrawnNamed)
        return QStringLiteral(" (%1 and %2 more)")
            .arg(names.join(QStringLiteral(", ")), QString::number(count - RedrawnNamed));
    return QStringLiteral(" (%1)").arg(names.join(QStringLiteral(", ")));
}

// DIR as a writable directory: made when it is missing and its parent is
// there; "" when it can be written into, else why not.
QString prepareDirectory(const QString &directory)
{
    const QFileInfo info(directory);
    if (!info.exists() && !info.isSymLink()) {
        const QString parent = info.dir().path();
        const QFileInfo up(parent);
        if (!up.exists())
            return QStringLiteral("no such directory, nor its parent %1").arg(parent);
        if (!up.isDir())
            return QStringLiteral("its parent %1 is not a directory").arg(parent);
        if (::mkdir(QFile::encodeName(directory).constData(), 0777) != 0)
            return QStringLiteral("cannot create it: %1").arg(qt_error_string(errno));
    }
    return unwritableDirectory(directory);
}

// Every page, index.html last so that it links only to pages there are; a
// later page left by a larger gallery is removed. Whether all were written.
bool writeGalleryPages(const BatchRun &batch, const std::vector<GalleryResult> &results)
{
    const int pages = galleryPageCount(qsizetype(results.size()));
    for (int page = pages - 1; page >= 0; --page) {
        const QString name = galleryPageName(page);
        AtomicFile file;
        if (!(file.open(batch.directory(), name) && file.write(galleryPage(results, page)) &&
              file.commit())) {
            batch.notWritten(name, batch.fileOf(name), file.errorString());
            return false;
        }
    }
    int stale = pages;
    while (batch.directory().removeFile(QFile::encodeName(galleryPageName(stale))))
        ++stale;
    return true;
}

} // namespace

int runGallery(const QStringList &arguments)
{
    CommandLine commandLine(
        QStringLiteral("gallery"),
        QStringLiteral("Draws the preview of each entry as DIR/<entry name>.png (a .mlt file: "
                       "its base name) and writes DIR/index.html, a page that shows them "
                       "as a contact sheet and needs nothing but DIR (past 500 entries, the "
                       "first 500, linking to page-2.html and on). Entries without a "
                       "picture are listed there with the reason. DIR is made when it does not "
                       "exist. An ENTRY is a name (\"Entry 12\"), a number (12) or a .mlt file; "
                       "without any, every entry of the cache is drawn."),
        {successLine(),
         {ExitPartial, QStringLiteral("partial failure: some pictures or the page were not "
                                      "written")},
         usageLine(),
         inputLine(QStringLiteral("configuration, client file, entry, .mlt file or "
                                  "directory"))});
    QCommandLineParser &parser = commandLine.parser();
    parser.addPositionalArgument(QStringLiteral("DIR"),
                                 QStringLiteral("The directory to write into."));
    parser.addPositionalArgument(QStringLiteral("ENTRY"),
                                 QStringLiteral("An entry or .mlt file to draw (default: every "
                                                "entry)."),
                                 QStringLiteral("[ENTRY...]"));
    PictureStyle::addOptions(parser);
    const int idealJobs = qBound(1, QThread::idealThreadCount(), MaxJobs);
    const QCommandLineOption jobsOption(
        QStringLiteral("jobs"),
        QStringLiteral("Draw <n> pictures at a time (1 to %1; default: %2, the processor "
                       "threads; at most %3, what the memory budget holds).")
            .arg(MaxJobs)
            .arg(idealJobs)
            .arg(GalleryRun::MostWorkers),
        QStringLiteral("n"));
    parser.addOption(jobsOption);
    const QCommandLineOption forceOption(
        QStringLiteral("force"),
        QStringLiteral("Draw every picture again, even those DIR holds as they would be drawn."));
    parser.addOption(forceOption);
    if (const auto outcome = commandLine.parse(arguments); outcome != CommandLine::Run)
        return outcome == CommandLine::Finished ? ExitSuccess : ExitUsage;

    QStringList names = commandLine.arguments();
    if (names.isEmpty())
        return usageError(QStringLiteral("gallery needs a directory DIR"));
    const QString directory = QDir::cleanPath(names.takeFirst());
    PictureStyle style;
    if (const QString problem = style.read(parser); !problem.isEmpty())
        return usageError(problem);
    int jobs = idealJobs;
    const QStringList jobValues = parser.values(jobsOption);
    if (jobValues.size() > 1)
        return usageError(QStringLiteral("--jobs given %1 times").arg(jobValues.size()));
    if (!jobValues.isEmpty() && !readWholeNumber(jobValues.first(), 1, MaxJobs, &jobs))
        return usageError(QStringLiteral("--jobs takes a whole number from 1 to %1, not '%2'")
                              .arg(QString::number(MaxJobs), jobValues.first()));

    // Every entry is found, and every .mlt file read, before anything is
    // written. An entry named twice is drawn once; two that would write the
    // same picture are refused.
    ClientData client;
    if (!client.readConfiguration(commandLine.configPath())) {
        printError(client.errorMessage());
        return ExitInput;
    }
    QList<GalleryItem> items;
    QSet<QString> files;               // .mlt files already taken
    QHash<QString, QString> pictureOf; // picture name -> the argument drawing it
    const auto claimPicture = [&](const QString &entryText, const QString &name) {
        if (name.isEmpty())
            return true; // every entry of the cache: their names differ
        const QString picture = GalleryRun::pictureName(entryText);
        if (const auto other = pictureOf.constFind(picture); other != pictureOf.constEnd()) {
            printError(
                QStringLiteral("%1 and %2 would both be drawn as %3").arg(*other, name, picture));
            return false;
        }
        pictureOf.insert(picture, name);
        return true;
    };
    const auto takeEntry = [&](qsizetype n, const QString &name) {
        const QString text = MultiCache::entryName(n);
        if (!claimPicture(text, name))
            return false;
        items.append({n, {}, text});
        return true;
    };
    const auto takeFile = [&](const QString &name, bool *ok) {
        if (!ClientData::isMultiFile(name))
            return false;
        GalleryItem item;
        if (!client.readMultiFileEntry(name, &item.entry)) {
            printError(client.errorMessage());
            *ok = false;
            return true;
        }
        item.shown = name;
        const QString key = QFileInfo(name).absoluteFilePath();
        if (!files.contains(key)) {
            files.insert(key);
            *ok = claimPicture(item.entry.text, name);
            items.append(item);
        }
        return true;
    };
    if (!BatchRun::chooseEntries(client, names, takeEntry, takeFile))
        return ExitInput;

    // One art store per worker: each caches what it decodes.
    if (!client.openReaders()) {
        printError(client.errorMessage());
        return ExitInput;
    }
    // Never more workers than the memory budget holds the art of.
    jobs = int(std::max<qsizetype>(
        1, std::min<qsizetype>({jobs, items.size(), qsizetype(GalleryRun::MostWorkers)})));
    std::vector<std::unique_ptr<ArtStore>> stores;
    for (int n = 0; n < jobs; ++n) {
        stores.push_back(std::make_unique<ArtStore>(client.paths().artidx, client.paths().artmul));
        const ArtStore &store = *stores.back();
        if (!store.indexError().isEmpty() || !store.dataError().isEmpty()) {
            printError(QStringLiteral("cannot read the art files %1 and %2: %3")
                           .arg(client.paths().artidx, client.paths().artmul,
                                store.indexError() + store.dataError()));
            return ExitInput;
        }
    }

    BatchRun batch(directory, pictures, QStringLiteral(", no index.html"),
                   QStringLiteral("; no index.html"));
    QString why = prepareDirectory(directory);
    if (why.isEmpty())
        why = batch.open();
    if (!why.isEmpty()) {
        printError(QStringLiteral("cannot write the gallery to %1: %2").arg(directory, why));
        return ExitInput;
    }

    // Only the pictures DIR does not hold already as they would be drawn.
    GalleryUpdate update(batch.directory(), parser.isSet(forceOption));
    GalleryRun run(client.cache(),
                   update.select(items, client.cache(), client.art(), client.tiles(), style),
                   client.tiles(), style, batch.directory());
    bool started = false;
    const bool ended = batch.run(
        run.size(),
        [&](qsizetype *handled) {
            if (!started) {
                started = true;
                if (const int threads = run.start(std::move(stores)); threads < jobs)
                    printError(QStringLiteral("could start only %1 of %2 threads; drawing with %3")
                                   .arg(threads)
                                   .arg(jobs)
                                   .arg(std::max(threads, 1)));
            }
            if (run.finished())
                return false;
            *handled = run.waitForProgress(100);
            return true;
        },
        [&] {
            run.stop();
            run.join();
            qsizetype written = 0;
            for (const GalleryResult &result : run.results())
                written += result.outcome == GalleryResult::Written;
            return written;
        });
    const bool interrupted = !ended;
    run.join();

    const std::vector<GalleryResult> results = update.merge(run.results());
    qsizetype written = 0;
    bool complete = !interrupted;
    const GalleryResult *stop = nullptr;
    for (const GalleryResult &result : results) {
        if (result.outcome == GalleryResult::Written)
            ++written;
        if (result.outcome != GalleryResult::NotWritten)
            continue;
        complete = false;
        // The error that ended the run is told once, for all it hit.
        if (result.hitsEveryFile) {
            if (!stop)
                stop = &result;
            continue;
        }
        batch.notWritten(result.name, batch.fileOf(GalleryRun::pictureName(result.name)),
                         result.reason);
    }

    written -= update.upToDate(); // counted as written, but not drawn

    // The page comes last, naming only the pictures there are.
    bool paged = false;
    if (stop) {
        batch.stopped(stop->name, batch.fileOf(GalleryRun::pictureName(stop->name)), stop->reason,
                      written);
    } else if (!interrupted) {
        AtomicFile record;
        const QString &manifest = GalleryManifest::FileName;
        if (!(record.open(batch.directory(), manifest) &&
              record.write(update.manifest(results, !names.isEmpty())) && record.commit())) {
            batch.notWritten(manifest, batch.fileOf(manifest), record.errorString());
            complete = false;
        }
        paged = writeGalleryPages(batch, results);
        complete = complete && paged;
    }

    const int pages = galleryPageCount(qsizetype(results.size()));
    const QString andPages = !paged       ? QString()
                             : pages == 1 ? QStringLiteral(" and index.html")
                                          : QStringLiteral(" and index.html (%1 pages)").arg(pages);
    QString summary =
        QStringLiteral("Wrote %1%2%3 to %4")
            .arg(pictures(written), update.rerun() ? redrawn(run.results()) : QString(), andPages,
                 batch.shown());
    if (update.upToDate() > 0)
        summary += QStringLiteral("; %1 up to date").arg(pictures(update.upToDate()));
    std::printf("%s\n", qPrintable(summary));
    if (!flushStandardOutput(QStringLiteral("the summary")))
        return ExitInput;
    return complete && paged ? ExitSuccess : ExitPartial;
}
