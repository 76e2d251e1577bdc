#pragma once

#include "batchrun.h"

#include "gallery/galleryjob.h"

#include <QString>

// A gallery job run as a batch into its directory, for gallery and diff
// --gallery alike: the directory opened once, the progress bar, a stop by
// signal between two pictures, a line for each picture not written and one
// for an error that stopped them all, then the pages, the record and the
// summary.
class GalleryBatch
{
public:
    GalleryBatch(const CommandOutput &output, const QString &directory);

    // Opens the job's art and the directory, and chooses the pictures to
    // draw; false, having said why, when it cannot.
    bool open(GalleryJob &job, bool force);
    // Draws the pictures; whether every one was written.
    bool draw(GalleryJob &job);
    // Whether drawing ran to its end, so that there are pages to write.
    bool drawn() const { return ended && !stoppedAll; }
    // Writes the pages and the record; whether both were written.
    bool writePages(GalleryJob &job, const GalleryPages &pages, bool keepOthers);
    // "Wrote 12 pictures and index.html to DIR; 3 up to date".
    QString summary(const GalleryJob &job) const;

private:
    BatchRun batch;
    const CommandOutput &output;
    bool ended = false;
    bool stoppedAll = false;
    int pages = 0; // written, with index.html
};
