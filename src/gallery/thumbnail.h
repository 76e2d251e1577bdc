#pragma once

#include "preview/multirenderer.h"

#include <QImage>

// The largest thumbnail asked for. File managers ask 128 to 1024 pixels;
// past this a thumbnail would be a picture of its own (render draws those).
inline constexpr int MaxThumbnailSize = 4096;

// The picture a file manager shows for a multi: the rendered picture cut to
// its painted pixels, then reduced to fit a square of `size` pixels (1 to
// MaxThumbnailSize), its proportions kept, each side at least 1 pixel. The
// reduction averages the pixels it merges, so thin walls stay visible. A
// picture that fits already is kept as it is: never enlarged, as a file
// manager shows a small picture at its own size. Null, with `status`
// NoMemory, when its memory cannot be had; `made` (when given) is the size
// of the picture it was making then.
QImage thumbnailPicture(const QImage &rendered, int size, RenderStatus *status,
                        QSize *made = nullptr);
