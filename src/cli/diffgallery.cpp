#include "diffgallery.h"

#include "batchrun.h"
#include "clioptions.h"

#include "cache/multicache.h"
#include "core/atomicfile.h"
#include "data/artstore.h"
#include "gallery/diffpage.h"
#include "gallery/gallerypage.h"
#include "gallery/galleryrun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include <sys/stat.h>

namespace {

QString pictures(qsizetype count)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? QStringLiteral("picture")
                                                             : QStringLiteral("pictures"));
}

} // namespace

namespace {

// The pictures of one side, drawn by workers of its own art files.
struct SideRun
{
    const DiffGallerySide *side;
    QList<GalleryItem> items;
    std::unique_ptr<GalleryRun> run;
    qsizetype handled = 0;
};

QString bounds(const MultiEntry &entry)
{
    if (entry.components.isEmpty())
        return QStringLiteral("no components");
    const QRect &b = entry.bounds;
    return QStringLiteral("%1 components, bounds %2 %3 to %4 %5")
        .arg(entry.components.size())
        .arg(b.left())
        .arg(b.top())
        .arg(b.right())
        .arg(b.bottom());
}

// What changed, in the words of a card.
QString details(const MultiDifference &d, const MultiEntry *before, const MultiEntry *after)
{
    switch (d.kind) {
    case MultiDifference::Changed:
        return QStringLiteral("components: %1 added, %2 removed, %3 moved, %4 given another "
                              "graphic; %5 before, %6 now")
            .arg(d.added)
            .arg(d.removed)
            .arg(d.moved)
            .arg(d.replaced)
            .arg(bounds(*before), bounds(*after));
    case MultiDifference::PictureChanged: {
        QStringList ids;
        for (qsizetype n = 0; n < d.graphics.size() && n < 10; ++n)
            ids << QString::number(d.graphics[n]);
        QString text = QStringLiteral("the same components; the art or tile data of graphic%1 %2")
                           .arg(d.graphics.size() == 1 ? "" : "s", ids.join(QStringLiteral(", ")));
        if (d.graphics.size() > 10)
            text += QStringLiteral(" and %1 more").arg(d.graphics.size() - 10);
        return text + QStringLiteral(" changed; ") + bounds(*after);
    }
    case MultiDifference::Added:
        return bounds(*after);
    default:
        return bounds(*before);
    }
}

const char *changeWord(MultiDifference::Kind kind)
{
    switch (kind) {
    case MultiDifference::Added:
        return "added";
    case MultiDifference::Removed:
        return "removed";
    case MultiDifference::Renumbered:
        return "renumbered";
    case MultiDifference::Changed:
        return "changed";
    case MultiDifference::PictureChanged:
        break;
    }
    return "picture changed";
}

bool writePages(const BatchRun &batch, const std::vector<DiffCard> &cards, const QString &summary)
{
    const int pages = galleryPageCount(qsizetype(cards.size()));
    for (int page = pages - 1; page >= 0; --page) {
        const QString name = galleryPageName(page);
        AtomicFile file;
        if (!(file.open(batch.directory(), name) && file.write(diffPage(cards, page, summary)) &&
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

bool writeDiffGallery(const QString &directory, const MultiComparison &comparison,
                      const DiffGallerySide &oldSide, const DiffGallerySide &newSide,
                      const PictureStyle &style, int jobs, const QString &summary)
{
    // Each difference's pictures: its place among each side's items.
    SideRun runs[2] = {{&oldSide, {}, {}, 0}, {&newSide, {}, {}, 0}};
    struct Slots
    {
        qsizetype before = -1;
        qsizetype after = -1;
    };
    std::vector<Slots> slots;
    const auto take = [](SideRun &side, qsizetype entry, const char *which) {
        GalleryItem item;
        item.entry = (*side.side->entries)[entry];
        item.shown = QStringLiteral("%1 %2").arg(QLatin1String(which), item.entry.text);
        item.entry.text = item.shown;
        side.items.append(item);
        return side.items.size() - 1;
    };
    for (const MultiDifference &d : comparison.differences()) {
        Slots place;
        if (d.kind == MultiDifference::Renumbered)
            continue;
        if (d.oldEntry >= 0 && d.kind != MultiDifference::Added)
            place.before = take(runs[0], d.oldEntry, "old");
        if (d.newEntry >= 0 && d.kind != MultiDifference::Removed)
            place.after = take(runs[1], d.newEntry, "new");
        slots.push_back(place);
    }

    BatchRun batch(directory, pictures, QStringLiteral(", no index.html"),
                   QStringLiteral("; no index.html"));
    if (const QString why = batch.open(); !why.isEmpty()) {
        printError(QStringLiteral("cannot write the gallery to %1: %2").arg(directory, why));
        return false;
    }

    static const MultiCache none; // every item carries its entry
    int current = 0;
    bool started = false;
    QString startError;
    const auto startSide = [&](SideRun &side) {
        const int workers = int(std::max<qsizetype>(
            1, std::min<qsizetype>({jobs, side.items.size(), qsizetype(GalleryRun::MostWorkers)})));
        std::vector<std::unique_ptr<ArtStore>> stores;
        for (int n = 0; n < workers; ++n) {
            const Configuration &paths = side.side->paths;
            stores.push_back(std::make_unique<ArtStore>(paths.artidx, paths.artmul));
            if (!stores.back()->indexError().isEmpty() || !stores.back()->dataError().isEmpty()) {
                startError = QStringLiteral("cannot read the art files %1 and %2: %3")
                                 .arg(paths.artidx, paths.artmul,
                                      stores.back()->indexError() + stores.back()->dataError());
                return false;
            }
        }
        side.run = std::make_unique<GalleryRun>(none, side.items, side.side->tiles, style,
                                                batch.directory());
        if (const int threads = side.run->start(std::move(stores)); threads < workers)
            printError(QStringLiteral("could start only %1 of %2 threads; drawing with %3")
                           .arg(threads)
                           .arg(workers)
                           .arg(std::max(threads, 1)));
        return true;
    };
    const auto written = [&] {
        qsizetype count = 0;
        for (const SideRun &side : runs) {
            if (side.run)
                for (const GalleryResult &result : side.run->results())
                    count += result.outcome == GalleryResult::Written;
        }
        return count;
    };
    const bool ended = batch.run(
        runs[0].items.size() + runs[1].items.size(),
        [&](qsizetype *handled) {
            for (;;) {
                if (current == 2)
                    return false;
                SideRun &side = runs[current];
                if (side.items.isEmpty()) {
                    ++current;
                    continue;
                }
                if (!started) {
                    started = true;
                    if (!startSide(side))
                        return false;
                }
                if (!side.run->finished())
                    break;
                side.run->join();
                // An error every later file meets too stops both sides.
                const std::vector<GalleryResult> &results = side.run->results();
                if (std::any_of(results.cbegin(), results.cend(), [](const GalleryResult &r) {
                        return r.outcome == GalleryResult::NotWritten && r.hitsEveryFile;
                    }))
                    return false;
                ++current;
                started = false;
            }
            GalleryRun &run = *runs[current].run;
            runs[current].handled =
                run.drawsOnCallingThread() ? run.drawNext() : run.waitForProgress(100);
            *handled = runs[0].handled + runs[1].handled;
            return true;
        },
        [&] {
            for (SideRun &side : runs) {
                if (side.run) {
                    side.run->stop();
                    side.run->join();
                }
            }
            return written();
        });
    for (SideRun &side : runs) {
        if (side.run)
            side.run->join();
    }
    if (!startError.isEmpty()) {
        printError(startError);
        return false;
    }

    // Each result, and the one error that stopped the gallery.
    bool complete = ended;
    const GalleryResult *stop = nullptr;
    for (const SideRun &side : runs) {
        if (!side.run)
            continue;
        for (const GalleryResult &result : side.run->results()) {
            if (result.outcome != GalleryResult::NotWritten)
                continue;
            complete = false;
            if (result.hitsEveryFile) {
                if (!stop)
                    stop = &result;
                continue;
            }
            batch.notWritten(result.name, batch.fileOf(GalleryRun::pictureName(result.name)),
                             result.reason);
        }
    }
    if (stop) {
        batch.stopped(stop->name, batch.fileOf(GalleryRun::pictureName(stop->name)), stop->reason,
                      written());
        return false;
    }
    if (!ended)
        return false;

    std::vector<DiffCard> cards;
    qsizetype n = 0;
    for (const MultiDifference &d : comparison.differences()) {
        if (d.kind == MultiDifference::Renumbered)
            continue;
        const Slots &place = slots[size_t(n++)];
        const MultiEntry *before = d.oldEntry >= 0 ? &(*oldSide.entries)[d.oldEntry] : nullptr;
        const MultiEntry *after = d.newEntry >= 0 ? &(*newSide.entries)[d.newEntry] : nullptr;
        DiffCard card;
        card.title = before && after && before->text != after->text
                         ? before->text + QStringLiteral(" \u2192 ") + after->text
                         : (after ? after->text : before->text);
        card.change = QLatin1String(changeWord(d.kind));
        card.details = details(d, before, after);
        if (place.before >= 0)
            card.before = &runs[0].run->results()[size_t(place.before)];
        if (place.after >= 0)
            card.after = &runs[1].run->results()[size_t(place.after)];
        cards.push_back(card);
    }
    const bool paged = writePages(batch, cards, summary);
    const int pages = galleryPageCount(qsizetype(cards.size()));
    const QString andPages = !paged       ? QString()
                             : pages == 1 ? QStringLiteral(" and index.html")
                                          : QStringLiteral(" and index.html (%1 pages)").arg(pages);
    std::fprintf(
        stderr, "%s\n",
        qPrintable(
            QStringLiteral("Wrote %1%2 to %3").arg(pictures(written()), andPages, batch.shown())));
    return complete && paged;
}
