#pragma once

#include "preview/multirenderer.h"

#include <QColor>
#include <QImage>
#include <QString>

// How a rendered picture becomes the one written: cut to its painted pixels
// when asked, enlarged a whole number of times by nearest neighbour (pixel
// art stays sharp) and composited over a background colour (transparent by
// default).
class PictureStyle
{
public:
    static constexpr int MaxScale = 16;

    PictureStyle() = default;
    PictureStyle(int scale, const QColor &background, bool trim)
        : factor(scale), fill(background), trim(trim)
    {}

    int scale() const { return factor; }
    QColor background() const { return fill; }
    bool trims() const { return trim; }
    // --trim without the command line.
    void setTrim(bool on) { trim = on; }
    // Whether the written picture is the rendered one as it is.
    bool isPlain() const { return factor == 1 && fill.alpha() == 0 && !trim; }

    // The size of the written picture of a rendered one of `size` (with
    // --trim, the most it can be); an empty size when it would exceed the
    // renderer's limits (MaxRenderSide, MaxRenderPixels).
    QSize finishedSize(QSize size) const;
    // The picture to write: null, with `status` TooLarge when it would be
    // too large, NoMemory when its memory cannot be had. `size` (when given)
    // is the size of the picture to write.
    QImage finish(const QImage &rendered, RenderStatus *status, QSize *size = nullptr) const;

private:
    int factor = 1;
    QColor fill = QColor(Qt::transparent);
    bool trim = false;
};
