#pragma once

#include "gallerymanifest.h"
#include "galleryrun.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>

#include <vector>

class ArtStore;
class OutputDirectory;
class MultiCache;
class PictureStyle;
class TileDataStore;

// Which pictures of a gallery are drawn again: those its directory does not
// hold already as they would be drawn now (see PictureKeys and
// GalleryManifest), and the manifest to leave behind once they are.
class GalleryUpdate
{
public:
    // Reads the directory's manifest; with `force`, no picture is kept.
    GalleryUpdate(const OutputDirectory &directory, bool force);

    // Of `items`, those whose picture is to be drawn; the others are up to
    // date. Decodes art with `art`, which no other thread may use meanwhile.
    // Called once for each side of a gallery, the items of each following
    // those of the one before.
    QList<GalleryItem> select(const QList<GalleryItem> &items, const MultiCache &cache,
                              ArtStore *art, const TileDataStore *tiles, const PictureStyle &style);
    qsizetype upToDate() const { return qsizetype(kept.size()); }
    // Whether the directory held a record of pictures drawn before (without
    // `force`): a rerun, whose pictures drawn are those that changed.
    bool rerun() const { return !force && previous.size() > 0; }

    // The results of all items in their order, given those of the ones
    // selected (in theirs, every side's); an up-to-date picture counts as
    // written.
    std::vector<GalleryResult> merge(const std::vector<GalleryResult> &drawn) const;

    // Tells of a page written in this run, with its bytes.
    void pageWritten(const QString &name, const QByteArray &bytes);
    // The pages of the gallery's names past its `pages` pages now, among
    // those recorded and the files page-N.html from N = pages + 1 on while
    // there are such files: the ones the gallery wrote and that still hold
    // what it wrote, which may be removed; and the others, which never are
    // (the user's own, or changed since).
    struct StalePages
    {
        QStringList ours;
        QStringList others;
        QStringList gone; // recorded, and no longer there
    };
    StalePages stalePages(int pages) const;
    // Tells of a page removed.
    void pageRemoved(const QString &name);

    // The manifest after a run with those results: a line for each picture
    // written or kept, and the old one of an entry not tried. Pictures of
    // entries not among the items keep theirs only with `keepOthers` (the
    // items were chosen, not every entry). The pages are those recorded
    // before, less those removed, and those written now.
    QByteArray manifest(const std::vector<GalleryResult> &results, bool keepOthers) const;

private:
    struct Kept
    {
        qsizetype slot;
        GalleryResult result;
    };

    const OutputDirectory &directory;
    const bool force;
    GalleryManifest previous;
    QList<QByteArray> keys;      // of each item
    QList<QString> names;        // each item's picture
    QList<qsizetype> drawnSlots; // each selected item's place among the items
    std::vector<Kept> kept;
    QMap<QString, GalleryManifest::Page> writtenPages;
    QStringList removedPages;
};
