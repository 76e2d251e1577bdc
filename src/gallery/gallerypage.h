#pragma once

#include "galleryrun.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The gallery's pages: each needs nothing but the directory it is in (inline
// style, no script, no other file) and holds at most CardsPerPage cards, in
// the given order: a card per entry, with its picture as a thumbnail linking
// to the picture itself, its name, component count, size in cells and in
// pixels; an entry without a picture gets the reason instead. Every page
// has the summary and links to the others; the first is index.html.
inline constexpr qsizetype CardsPerPage = 500;

// How many pages the results fill: at least one.
int galleryPageCount(qsizetype results);
// "index.html" for page 0, then "page-2.html", "page-3.html", ...
QString galleryPageName(int page);
// The page a name is galleryPageName() of; -1 for any other name.
int galleryPageNumber(const QString &name);
QByteArray galleryPage(const std::vector<GalleryResult> &results, int page);

// A written picture's thumbnail, fitted into `box` CSS pixels and linking to
// the picture.
QString galleryThumbnail(const GalleryResult &result, QSize box);
// Links to the previous page, every page by number and the next one.
QString galleryNavigation(int page, int pages);
