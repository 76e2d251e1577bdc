#include "gallerybatch.h"

#include "core/shownname.h"

namespace {

// "1 picture", "2 pictures".
QString pictures(qsizetype count)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? QStringLiteral("picture")
                                                             : QStringLiteral("pictures"));
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

} // namespace

GalleryBatch::GalleryBatch(const CommandOutput &output, const QString &directory)
    : batch(output, directory, pictures, QStringLiteral(", no index.html"),
            QStringLiteral("; no index.html")),
      output(output)
{}

bool GalleryBatch::open(GalleryJob &job, bool force)
{
    if (!job.openArt()) {
        output.error(job.errorString());
        return false;
    }
    if (!batch.open()) {
        output.error(QStringLiteral("cannot write the gallery to %1: %2")
                         .arg(batch.path(), batch.errorString()));
        return false;
    }
    job.choose(batch.directory(), force);
    job.onFewerThreads([this](int started, int wanted) {
        output.error(QStringLiteral("could start only %1 of %2 threads; drawing with %3")
                         .arg(started)
                         .arg(wanted)
                         .arg(std::max(started, 1)));
    });
    return true;
}

bool GalleryBatch::draw(GalleryJob &job)
{
    ended = batch.run(
        job.toDraw(), [&](qsizetype *handled) { return job.step(handled); },
        [&] { return job.halt(); });
    job.halt();
    bool complete = ended;
    // The error that ended the run is told once, for all it hit.
    const GalleryResult *stop = job.stop();
    for (const GalleryResult &result : job.drawn()) {
        if (result.outcome != GalleryResult::NotWritten)
            continue;
        complete = false;
        if (!result.hitsEveryFile)
            batch.notWritten(result.name, batch.fileOf(GalleryRun::pictureName(result.name)),
                             result.reason);
    }
    if (stop) {
        stoppedAll = true;
        batch.stopped(stop->name, batch.fileOf(GalleryRun::pictureName(stop->name)), stop->reason,
                      job.written());
    }
    return complete;
}

bool GalleryBatch::writePages(GalleryJob &job, const GalleryPages &cards, bool keepOthers)
{
    const bool paged = job.writePages(cards);
    if (!paged) {
        batch.notWritten(job.failedFile(), batch.fileOf(job.failedFile()), job.errorString());
    } else {
        pages = galleryPageCount(qsizetype(cards.cards.size()));
        if (!job.keptPages().isEmpty())
            output.error(QStringLiteral("did not remove %1 from %2: not written by this gallery, "
                                        "or changed since")
                             .arg(listedNames(job.keptPages()), batch.shown()));
    }
    // The record last, naming the pages written too.
    if (!job.writeRecord(keepOthers)) {
        batch.notWritten(job.failedFile(), batch.fileOf(job.failedFile()), job.errorString());
        return false;
    }
    return paged;
}

QString GalleryBatch::summary(const GalleryJob &job) const
{
    const QString andPages = pages == 0   ? QString()
                             : pages == 1 ? QStringLiteral(" and index.html")
                                          : QStringLiteral(" and index.html (%1 pages)").arg(pages);
    QString line = QStringLiteral("Wrote %1%2%3 to %4")
                       .arg(pictures(job.written()), job.rerun() ? redrawn(job.drawn()) : QString(),
                            andPages, batch.shown());
    if (job.upToDate() > 0)
        line += QStringLiteral("; %1 up to date").arg(pictures(job.upToDate()));
    return line;
}
