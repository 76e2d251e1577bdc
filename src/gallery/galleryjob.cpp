#include "galleryjob.h"

#include "client/clientdata.h"
#include "core/atomicfile.h"
#include "core/outputdirectory.h"
#include "data/artstore.h"

#include <QFile>

#include <algorithm>

struct GalleryJob::Side
{
    ClientData *client;
    QList<GalleryItem> items;
    std::vector<std::unique_ptr<ArtStore>> stores; // one a worker
    QList<GalleryItem> selected;                   // of the items, those to draw
    std::unique_ptr<GalleryRun> run;
    qsizetype handled = 0;
    qsizetype first = 0; // its first item's place among every side's
};

GalleryJob::GalleryJob(const PictureStyle &style, int jobs) : style(style), jobs(jobs) {}

GalleryJob::~GalleryJob() = default;

void GalleryJob::addSide(ClientData &client, QList<GalleryItem> items)
{
    const qsizetype first = sides.empty() ? 0 : sides.back().first + sides.back().items.size();
    sides.push_back({&client, std::move(items), {}, {}, {}, 0, first});
}

bool GalleryJob::openArt()
{
    for (Side &side : sides) {
        // Never more workers than the memory budget holds the art of.
        const qsizetype workers = std::min<qsizetype>(
            {qsizetype(jobs), side.items.size(), qsizetype(GalleryRun::MostWorkers)});
        for (qsizetype n = 0; n < std::max<qsizetype>(workers, 1) && !side.items.isEmpty(); ++n) {
            std::unique_ptr<ArtStore> store = side.client->openArtStore();
            if (!store) {
                error = side.client->errorString();
                return false;
            }
            if (!store->indexError().isEmpty() || !store->dataError().isEmpty()) {
                const Configuration &paths = side.client->paths();
                error =
                    QStringLiteral("cannot read the art files %1 and %2: %3")
                        .arg(paths.artidx, paths.artmul, store->indexError() + store->dataError());
                return false;
            }
            side.stores.push_back(std::move(store));
        }
    }
    return true;
}

void GalleryJob::choose(const OutputDirectory &into, bool force)
{
    directory = &into;
    update.emplace(into, force);
    for (Side &side : sides)
        side.selected = update->select(side.items, side.client->cache(), side.client->art(),
                                       side.client->tiles(), style);
}

qsizetype GalleryJob::toDraw() const
{
    qsizetype count = 0;
    for (const Side &side : sides)
        count += side.selected.size();
    return count;
}

void GalleryJob::startSide(Side &side)
{
    side.run = std::make_unique<GalleryRun>(side.client->cache(), side.selected,
                                            side.client->tiles(), style, *directory);
    if (threadProbe)
        side.run->setThreadProbe(threadProbe);
    const int wanted = int(side.stores.size());
    const int started = side.run->start(std::move(side.stores));
    if (started < wanted && fewerThreads)
        fewerThreads(started, wanted);
}

bool GalleryJob::step(qsizetype *handled)
{
    for (;; ++current) {
        if (current == sides.size())
            return false;
        Side &side = sides[current];
        if (side.selected.isEmpty())
            continue;
        if (!side.run)
            startSide(side);
        if (!side.run->finished())
            break;
        side.run->join();
        // An error every later file meets too stops every side.
        const std::vector<GalleryResult> &results = side.run->results();
        if (std::any_of(results.cbegin(), results.cend(), [](const GalleryResult &result) {
                return result.outcome == GalleryResult::NotWritten && result.hitsEveryFile;
            }))
            return false;
    }
    Side &side = sides[current];
    side.handled =
        side.run->drawsOnCallingThread() ? side.run->drawNext() : side.run->waitForProgress(100);
    *handled = 0;
    for (const Side &each : sides)
        *handled += each.handled;
    return true;
}

qsizetype GalleryJob::halt()
{
    for (Side &side : sides) {
        if (side.run) {
            side.run->stop();
            side.run->join();
        }
    }
    return written();
}

qsizetype GalleryJob::written() const
{
    qsizetype count = 0;
    for (const GalleryResult &result : drawn())
        count += result.outcome == GalleryResult::Written;
    return count;
}

std::vector<GalleryResult> GalleryJob::drawn() const
{
    std::vector<GalleryResult> results;
    for (const Side &side : sides) {
        if (side.run)
            results.insert(results.end(), side.run->results().cbegin(), side.run->results().cend());
        else
            results.resize(results.size() + size_t(side.selected.size()));
    }
    return results;
}

const std::vector<GalleryResult> &GalleryJob::results()
{
    if (merged.empty())
        merged = update->merge(drawn());
    return merged;
}

const GalleryResult &GalleryJob::result(int side, qsizetype item)
{
    return results()[size_t(sides[size_t(side)].first + item)];
}

const GalleryResult *GalleryJob::stop() const
{
    for (const Side &side : sides) {
        if (!side.run)
            continue;
        for (const GalleryResult &result : side.run->results()) {
            if (result.outcome == GalleryResult::NotWritten && result.hitsEveryFile)
                return &result;
        }
    }
    return nullptr;
}

bool GalleryJob::writePages(const GalleryPages &pages)
{
    const int count = galleryPageCount(qsizetype(pages.cards.size()));
    for (int page = count - 1; page >= 0; --page) {
        const QString name = galleryPageName(page);
        const QByteArray html = galleryPage(pages, page);
        AtomicFile file;
        if (!(file.open(*directory, name) && file.write(html) && file.commit())) {
            failed = name;
            error = file.errorString();
            return false;
        }
        update->pageWritten(name, html);
    }
    const GalleryUpdate::StalePages stale = update->stalePages(count);
    for (const QString &name : stale.ours) {
        if (directory->removeFile(QFile::encodeName(name)))
            update->pageRemoved(name);
    }
    // A page someone else removed is no longer the gallery's either.
    for (const QString &name : stale.gone)
        update->pageRemoved(name);
    kept = stale.others;
    return true;
}

bool GalleryJob::writeRecord(bool keepOthers)
{
    AtomicFile record;
    const QString &name = GalleryManifest::FileName;
    if (record.open(*directory, name) && record.write(update->manifest(results(), keepOthers)) &&
        record.commit())
        return true;
    failed = name;
    error = record.errorString();
    return false;
}
