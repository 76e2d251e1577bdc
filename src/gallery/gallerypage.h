#pragma once

#include "galleryrun.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The pages of a gallery: each needs nothing but the directory it is in
// (inline style, no script, no other file) and holds at most CardsPerPage
// cards, in the given order. Every page has the summary and links to the
// others; the first is index.html. A gallery's card shows an entry's
// picture as a thumbnail linking to the picture itself, its name and facts;
// a comparison's card shows the old and new pictures side by side, and what
// changed. An entry without a picture gets the reason instead.
inline constexpr qsizetype CardsPerPage = 500;

// One picture of a card.
struct CardPicture
{
    QString label;                         // "old", "new"; "" on a gallery's card
    const GalleryResult *result = nullptr; // null: the entry is not on that side
};

struct GalleryCard
{
    QString title;  // the entry's name, "Entry 5 → Entry 4"
    QString change; // "changed", "added", ...; "" on a gallery's card
    QString facts;
    std::vector<CardPicture> pictures;
};

// What the pages show: their title, the line under it and the cards.
struct GalleryPages
{
    GalleryPages() = default;
    GalleryPages(QString title, QString summary, std::vector<GalleryCard> cards,
                 bool sideBySide = false, QList<ComponentMark::Kind> legend = {})
        : title(std::move(title)), summary(std::move(summary)), cards(std::move(cards)),
          sideBySide(sideBySide), legend(std::move(legend))
    {}

    QString title;
    QString summary;
    std::vector<GalleryCard> cards;
    bool sideBySide = false; // cards of two pictures each
    // The kinds of marks on the pictures, each explained once with its
    // colour under the summary, in the order of the kinds; none: no legend.
    QList<ComponentMark::Kind> legend;
};

// How many pages `cards` cards fill: at least one.
int galleryPageCount(qsizetype cards);
// "index.html" for page 0, then "page-2.html", "page-3.html", ...
QString galleryPageName(int page);
// The page a name is galleryPageName() of; -1 for any other name.
int galleryPageNumber(const QString &name);
QByteArray galleryPage(const GalleryPages &pages, int page);

// A gallery's card of one entry: its name linking to its picture, and its
// component count, size in cells and in pixels.
GalleryCard galleryCard(const GalleryResult &result);
// A gallery's summary: "12 entries: 10 pictures, 2 without one."
QString gallerySummary(const std::vector<GalleryResult> &results);
