#pragma once

#include "commandoutput.h"

#include "compare/multicomparison.h"

#include <QString>

#include "gallery/picturestyle.h"

class ClientData;

// One side of a comparison as its pictures are drawn: its entries, and the
// client whose art and tile data draw them.
struct DiffGallerySide
{
    const QList<MultiEntry> *entries = nullptr;
    ClientData *client = nullptr;
};

// How the pictures of a comparison are drawn and told.
struct DiffGalleryForm
{
    PictureStyle style;
    int jobs = 1;
    QString summary;         // heads the pages
    bool components = false; // the cards list the first components changed
};

// diff --gallery DIR: the old and new pictures of the entries that changed
// side by side, an added entry's new picture and a removed one's old
// picture, drawn as "old <name>.png" and "new <name>.png" into DIR, then the
// pages. DIR is made when missing (its parent must exist); nothing is
// written outside it. Tells every problem and the gallery's summary on
// standard error; returns whether every picture and page was written.
bool writeDiffGallery(const CommandOutput &output, const QString &directory,
                      const MultiComparison &comparison, const DiffGallerySide &oldSide,
                      const DiffGallerySide &newSide, const DiffGalleryForm &form);
