#include "clientdata.h"
#include "clioptions.h"
#include "commands.h"
#include "gallerypage.h"
#include "galleryrun.h"
#include "galleryupdate.h"
#include "interruptguard.h"
#include "progressbar.h"

#include "data/artstore.h"
#include "export/atomicfile.h"

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
bool writeGalleryPages(const QString &directory, const std::vector<GalleryResult> &results)
{
    const int pages = galleryPageCount(qsizetype(results.size()));
    for (int page = pages - 1; page >= 0; --page) {
        const QString name = galleryPageName(page);
        AtomicFile file;
        if (!(file.open(directory, name) && file.write(galleryPage(results, page)) &&
              file.commit())) {
            printError(QStringLiteral("%1 was not written to %2: %3")
                           .arg(name, QDir::toNativeSeparators(directory + u'/' + name),
                                file.errorString()));
            return false;
        }
    }
    int stale = pages;
    while (QFile::remove(directory + u'/' + galleryPageName(stale)))
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
                       "threads).")
            .arg(MaxJobs)
            .arg(idealJobs),
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
    bool loaded = false;
    const auto load = [&] { return loaded || (loaded = client.loadEntries()); };
    if (names.isEmpty()) {
        if (!load()) {
            printError(client.errorMessage());
            return ExitInput;
        }
        items.reserve(client.cache().size());
        for (qsizetype n = 0; n < client.cache().size(); ++n)
            items.append({n, {}, MultiCache::entryName(n)});
    } else {
        QSet<QString> seen;                // entries and files already taken
        QHash<QString, QString> pictureOf; // picture name -> the argument drawing it
        for (const QString &name : std::as_const(names)) {
            GalleryItem item;
            QString key;
            if (ClientData::isMultiFile(name)) {
                if (!client.readMultiFileEntry(name, &item.entry)) {
                    printError(client.errorMessage());
                    return ExitInput;
                }
                item.shown = name;
                key = QFileInfo(name).absoluteFilePath();
            } else {
                if (!load() || (item.cacheIndex = client.findEntry(name)) < 0) {
                    printError(client.errorMessage());
                    return ExitInput;
                }
                item.shown = item.entry.text = MultiCache::entryName(item.cacheIndex);
                key = QString::number(item.cacheIndex);
            }
            if (seen.contains(key))
                continue;
            seen.insert(key);
            const QString picture = GalleryRun::pictureName(item.entry.text);
            if (const auto other = pictureOf.constFind(picture); other != pictureOf.constEnd()) {
                printError(QStringLiteral("%1 and %2 would both be drawn as %3")
                               .arg(*other, name, picture));
                return ExitInput;
            }
            pictureOf.insert(picture, name);
            if (item.cacheIndex >= 0)
                item.entry = MultiEntry(); // made again by the worker that draws it
            items.append(item);
        }
    }

    // One art store per worker: each caches what it decodes.
    if (!client.openReaders()) {
        printError(client.errorMessage());
        return ExitInput;
    }
    jobs = int(std::max<qsizetype>(1, std::min<qsizetype>(jobs, items.size())));
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

    if (const QString why = prepareDirectory(directory); !why.isEmpty()) {
        printError(QStringLiteral("cannot write the gallery to %1: %2").arg(directory, why));
        return ExitInput;
    }
    AtomicFile::removeStaleTemporaries(directory);
    const QString shown = QDir::toNativeSeparators(directory);
    const auto fileOf = [&directory](const QString &name) {
        return QDir::toNativeSeparators(directory + u'/' + name);
    };

    // Only the pictures DIR does not hold already as they would be drawn.
    GalleryUpdate update(directory, parser.isSet(forceOption));
    GalleryRun run(client.cache(),
                   update.select(items, client.cache(), client.art(), client.tiles(), style),
                   client.tiles(), style, directory);
    bool interrupted = false;
    {
        // Before the workers start: they take the signal mask it sets, so a
        // signal waits until the main thread lets it through, between files.
        InterruptGuard guard;
        ProgressBar bar(run.size());
        run.start(std::move(stores));
        while (!run.finished()) {
            bar.update(run.waitForProgress(100));
            if (guard.pending()) {
                run.stop();
                run.join();
                qsizetype written = 0;
                for (const GalleryResult &result : run.results())
                    written += result.outcome == GalleryResult::Written;
                bar.clear();
                printError(QStringLiteral("interrupted after writing %1 to %2; no index.html")
                               .arg(pictures(written), shown));
                guard.deliverPending();
                interrupted = true;
                break;
            }
        }
    }
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
        printError(
            QStringLiteral("%1 was not written to %2: %3")
                .arg(result.name, fileOf(GalleryRun::pictureName(result.name)), result.reason));
    }

    written -= update.upToDate(); // counted as written, but not drawn

    // The page comes last, naming only the pictures there are.
    bool paged = false;
    if (stop) {
        printError(QStringLiteral("stopped at %1 (%2): %3; wrote %4, no index.html")
                       .arg(stop->name, fileOf(GalleryRun::pictureName(stop->name)), stop->reason,
                            pictures(written)));
    } else if (!interrupted) {
        AtomicFile record;
        const QString &manifest = GalleryManifest::FileName;
        if (!(record.open(directory, manifest) &&
              record.write(update.manifest(results, !names.isEmpty())) && record.commit())) {
            printError(QStringLiteral("%1 was not written to %2: %3")
                           .arg(manifest, fileOf(manifest), record.errorString()));
            complete = false;
        }
        paged = writeGalleryPages(directory, results);
        complete = complete && paged;
    }

    const int pages = galleryPageCount(qsizetype(results.size()));
    const QString andPages = !paged       ? QString()
                             : pages == 1 ? QStringLiteral(" and index.html")
                                          : QStringLiteral(" and index.html (%1 pages)").arg(pages);
    QString summary = QStringLiteral("Wrote %1%2 to %3").arg(pictures(written), andPages, shown);
    if (update.upToDate() > 0)
        summary += QStringLiteral("; %1 up to date").arg(pictures(update.upToDate()));
    std::printf("%s\n", qPrintable(summary));
    if (!flushStandardOutput(QStringLiteral("the summary")))
        return ExitInput;
    return complete && paged ? ExitSuccess : ExitPartial;
}
