#pragma once

#include "gallerypage.h"
#include "galleryrun.h"
#include "galleryupdate.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ClientData;
class OutputDirectory;

// A whole gallery written into one directory: a side's pictures drawn at a
// time by workers of its own client's art (a gallery has one side, a
// comparison two: old and new), only those the directory does not hold
// already as they would be drawn, then the pages and the record of what
// was written. The only pages it ever removes are later pages the record
// says it wrote that it needs no more, and only while they still hold those
// bytes. Prints nothing: the caller reports the results.
//
// In order: addSide(), openArt(), choose(), step() until it returns false
// (or halt()), then the results, writePages() and writeRecord().
class GalleryJob
{
public:
    GalleryJob(const PictureStyle &style, int jobs);
    ~GalleryJob();

    // A side: its items, drawn with the art and tile data of `client`,
    // whose readers are open (and whose cache holds the items by number).
    void addSide(ClientData &client, QList<GalleryItem> items);
    // Opens an art store for each worker of each side, never more than the
    // memory budget holds the art of; false, with errorString() set, when
    // one cannot be opened.
    bool openArt();
    // Reads `directory`'s record and chooses the pictures to draw: all with
    // `force`.
    void choose(const OutputDirectory &directory, bool force);
    qsizetype toDraw() const;
    qsizetype upToDate() const { return update->upToDate(); }
    bool rerun() const { return update->rerun(); }

    // Tests give a limit of threads of their own (see GalleryRun).
    void setThreadProbe(GalleryRun::ThreadProbe probe) { threadProbe = std::move(probe); }
    // Told when a side could start fewer threads than it has stores for.
    void onFewerThreads(std::function<void(int started, int wanted)> notice)
    {
        fewerThreads = std::move(notice);
    }

    // Draws on: starts the next side's workers in its turn, then draws on
    // the calling thread when none could start, or waits a moment for them;
    // `handled` becomes the pictures handled so far. False once every side
    // is drawn, or when an error that every later file meets stopped it.
    bool step(qsizetype *handled);
    // Stops drawing and waits for the workers; the pictures written.
    qsizetype halt();

    // Once drawing ended: the pictures written in this run, those among
    // `drawn()`, and the results of every side's items in their order, a
    // picture up to date counting as written.
    qsizetype written() const;
    std::vector<GalleryResult> drawn() const;
    const std::vector<GalleryResult> &results();
    // The result of a side's item.
    const GalleryResult &result(int side, qsizetype item);
    // The first picture not written for an error every later file meets,
    // or null.
    const GalleryResult *stop() const;

    // Writes the pages, the last first, so that index.html links only to
    // pages there are; then removes the later pages it wrote before that
    // these no longer need. False when a page cannot be written: failedFile()
    // and errorString() tell which and why.
    bool writePages(const GalleryPages &pages);
    // Later pages kept: not written by this gallery, or changed since.
    const QStringList &keptPages() const { return kept; }
    // Writes the record; `keepOthers` keeps the pictures of entries not
    // among the items (they were chosen, not every entry). False as above.
    bool writeRecord(bool keepOthers);

    const QString &failedFile() const { return failed; }
    const QString &errorString() const { return error; }

private:
    struct Side;
    void startSide(Side &side);

    const PictureStyle style;
    const int jobs;
    GalleryRun::ThreadProbe threadProbe;
    std::function<void(int, int)> fewerThreads;
    std::vector<Side> sides;
    std::optional<GalleryUpdate> update;
    const OutputDirectory *directory = nullptr;
    size_t current = 0; // the side being drawn
    std::vector<GalleryResult> merged;
    QStringList kept;
    QString failed;
    QString error;
};
