#include "batchrun.h"
#include "client/clientdata.h"
#include "clioptions.h"
#include "commands.h"
#include "export/multifiledirectory.h"
#include "gallery/gallerypage.h"
#include "gallery/galleryrun.h"
#include "gallery/galleryupdate.h"
#include "pictureoptions.h"

#include "core/atomicfile.h"
#include "core/outputdirectory.h"
#include "core/shownname.h"
#include "data/artstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int MaxJobs = 256;
// Most components of all the .mlt files a gallery reads, each held whole
// until it is drawn: 96 MiB of records, several times all the entries of
// a large client. A folder of huge files stops here, not short of memory.
constexpr qint64 MaxFileComponents = qint64(1) << 23;

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

// "a", "a and b", "a, b and c", "a, b, c and 2 more".
QString listedNames(const QStringList &names)
{
    constexpr qsizetype Shown = 3;
    QStringList shown = names.mid(0, Shown);
    if (names.size() > Shown)
        shown.append(QStringLiteral("%1 more").arg(names.size() - Shown));
    if (shown.size() < 2)
        return shown.join(QString());
    return shown.mid(0, shown.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           shown.last();
}

// Every page, index.html last so that it links only to pages there are;
// then the later pages this gallery wrote before and needs no more are
// removed, those it did not write (or that changed since) named instead.
// Whether all were written.
bool writeGalleryPages(const BatchRun &batch, const std::vector<GalleryResult> &results,
                       GalleryUpdate &update)
{
    const int pages = galleryPageCount(qsizetype(results.size()));
    for (int page = pages - 1; page >= 0; --page) {
        const QString name = galleryPageName(page);
        const QByteArray html = galleryPage(results, page);
        AtomicFile file;
        if (!(file.open(batch.directory(), name) && file.write(html) && file.commit())) {
            batch.notWritten(name, batch.fileOf(name), file.errorString());
            return false;
        }
        update.pageWritten(name, html);
    }
    const GalleryUpdate::StalePages stale = update.stalePages(pages);
    for (const QString &name : stale.ours) {
        if (batch.directory().removeFile(QFile::encodeName(name)))
            update.pageRemoved(name);
    }
    if (!stale.others.isEmpty())
        printError(QStringLiteral("did not remove %1 from %2: not written by this gallery, or "
                                  "changed since")
                       .arg(listedNames(stale.others), batch.shown()));
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
                       "exist. An ENTRY is a name (\"Entry 12\"), a number (12), a .mlt file "
                       "or a directory of them (its .mlt files in name order, not its "
                       "subdirectories); without any, every entry of the cache is drawn. A "
                       ".mlt file that cannot be read is named and left out."),
        {successLine(),
         {ExitPartial, QStringLiteral("partial failure: some pictures or the page were not "
                                      "written, or some .mlt files not read")},
         usageLine(),
         inputLine(QStringLiteral("configuration, client file, entry, .mlt file or "
                                  "directory"))});
    QCommandLineParser &parser = commandLine.parser();
    parser.addPositionalArgument(QStringLiteral("DIR"),
                                 QStringLiteral("The directory to write into."));
    parser.addPositionalArgument(QStringLiteral("ENTRY"),
                                 QStringLiteral("An entry, .mlt file or directory of them to "
                                                "draw (default: every entry)."),
                                 QStringLiteral("[ENTRY...]"));
    addPictureOptions(parser);
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
    if (const QString problem = readPictureOptions(parser, &style); !problem.isEmpty())
        return usageError(problem);
    int jobs = idealJobs;
    const QStringList jobValues = parser.values(jobsOption);
    if (const QString problem = readJobs(jobValues, MaxJobs, &jobs); !problem.isEmpty())
        return usageError(problem);

    // Every entry is found, and every .mlt file read, before anything is
    // written. An entry named twice is drawn once; two that would write the
    // same picture are refused.
    ClientData client;
    if (!client.readConfiguration(commandLine.configPath())) {
        // Files and directories alone need no cache, but their pictures need
        // the client's art.
        const bool filesOnly =
            !names.isEmpty() && std::all_of(names.cbegin(), names.cend(), [](const QString &name) {
                return !ClientData::isEntryName(name) &&
                       (ClientData::isMultiFile(name) || isDirectoryPath(name));
            });
        printError(filesOnly ? cannotDrawWithoutConfiguration(QStringLiteral("the .mlt files"),
                                                              commandLine.configPath(),
                                                              client.errorMessage())
                             : client.errorMessage());
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
    // A .mlt file that cannot be read is named and left out; the others are
    // drawn.
    qsizetype unread = 0;
    qint64 fileComponents = 0;
    const auto notRead = [&](const QString &message) {
        printError(message);
        ++unread;
    };
    const auto takeMultiFile = [&](const QString &name) {
        GalleryItem item;
        if (!client.readMultiFileEntry(name, &item.entry)) {
            notRead(client.errorMessage());
            return true;
        }
        item.shown = name;
        const QString key = QFileInfo(name).absoluteFilePath();
        if (files.contains(key))
            return true;
        files.insert(key);
        fileComponents += item.entry.components.size();
        if (fileComponents > MaxFileComponents) {
            printError(QStringLiteral("the .mlt files given hold more than the %1 components a "
                                      "gallery reads: %2 is past them")
                           .arg(MaxFileComponents)
                           .arg(name));
            return false;
        }
        items.append(item);
        return claimPicture(item.entry.text, name);
    };
    // A name of an entry's form ("12") is an entry, even where a directory
    // of that name is at hand.
    const auto takeFile = [&](const QString &name, bool *ok) {
        if (ClientData::isEntryName(name))
            return false;
        if (!isDirectoryPath(name)) {
            if (!ClientData::isMultiFile(name))
                return false;
            *ok = takeMultiFile(name);
            return true;
        }
        QList<DirectoryMultiFile> found;
        QString why;
        if (!listDirectoryMultiFiles(name, &found, &why))
            notRead(QStringLiteral("cannot read directory %1: %2").arg(name, why));
        else if (found.isEmpty())
            notRead(QStringLiteral("directory %1 holds no .mlt files").arg(name));
        for (const DirectoryMultiFile &file : found) {
            if (!file.problem.isEmpty())
                notRead(
                    QStringLiteral("cannot read .mlt file %1: %2").arg(file.path, file.problem));
            else if (!(*ok = takeMultiFile(file.path)))
                break;
        }
        return true;
    };
    if (!BatchRun::chooseEntries(client, names, takeEntry, takeFile))
        return ExitInput;
    // Nothing to draw of all that was named: nothing is written.
    if (items.isEmpty() && unread > 0)
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
        std::unique_ptr<ArtStore> store = client.openArtStore();
        if (!store) {
            printError(client.errorMessage());
            return ExitInput;
        }
        if (!store->indexError().isEmpty() || !store->dataError().isEmpty()) {
            printError(QStringLiteral("cannot read the art files %1 and %2: %3")
                           .arg(client.paths().artidx, client.paths().artmul,
                                store->indexError() + store->dataError()));
            return ExitInput;
        }
        stores.push_back(std::move(store));
    }

    BatchRun batch(directory, pictures, QStringLiteral(", no index.html"),
                   QStringLiteral("; no index.html"));
    if (const QString why = batch.open(); !why.isEmpty()) {
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
            *handled = run.drawsOnCallingThread() ? run.drawNext() : run.waitForProgress(100);
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
        paged = writeGalleryPages(batch, results, update);
        // The record last, naming the pages written too.
        AtomicFile record;
        const QString &manifest = GalleryManifest::FileName;
        if (!(record.open(batch.directory(), manifest) &&
              record.write(update.manifest(results, !names.isEmpty())) && record.commit())) {
            batch.notWritten(manifest, batch.fileOf(manifest), record.errorString());
            complete = false;
        }
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
    return complete && paged && unread == 0 ? ExitSuccess : ExitPartial;
}
