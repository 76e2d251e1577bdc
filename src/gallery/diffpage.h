#pragma once

#include "galleryrun.h"

#include <QByteArray>
#include <QString>

#include <vector>

// One entry that differs between two versions, as a card of the comparison's
// page: its old and new pictures side by side (an added entry has only the
// new one, a removed one only the old one) and what changed, in words.
struct DiffCard
{
    QString title;   // "Entry 5 → Entry 4"
    QString change;  // "changed", "picture changed", "added", "removed"
    QString details; // what changed
    const GalleryResult *before = nullptr;
    const GalleryResult *after = nullptr;
};

// A page of the comparison, laid out as the gallery's pages are (see
// gallerypage.h: the same names, at most CardsPerPage cards a page, nothing
// outside the directory), with `summary` at its top.
QByteArray diffPage(const std::vector<DiffCard> &cards, int page, const QString &summary);
