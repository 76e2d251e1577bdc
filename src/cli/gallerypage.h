#pragma once

#include "galleryrun.h"

#include <QByteArray>

#include <vector>

// The gallery's index.html: one page that needs nothing but the directory it
// is in (inline style, no script, no other file): a card per entry in the
// given order, with its picture as a thumbnail linking to the picture itself,
// its name, component count, size in cells and in pixels; an entry without a
// picture gets the reason instead.
QByteArray galleryPage(const std::vector<GalleryResult> &results);
