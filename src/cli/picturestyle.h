#pragma once

#include "preview/multirenderer.h"

#include <QColor>
#include <QImage>
#include <QString>

class QCommandLineParser;

// How a rendered picture becomes the one written: enlarged a whole number of
// times by nearest neighbour (pixel art stays sharp) and composited over a
// background colour (transparent by default). --scale and --background.
class PictureStyle
{
public:
    static constexpr int MaxScale = 16;

    // Adds --scale and --background to a command's parser.
    static void addOptions(QCommandLineParser &parser);
    // Takes the options' values; the usage problem when one is not valid,
    // else "".
    QString read(const QCommandLineParser &parser);

    // Whether the written picture is the rendered one as it is.
    bool isPlain() const { return factor == 1 && fill.alpha() == 0; }

    // The size of the written picture of a rendered one of `size`; an empty
    // size when it would exceed the renderer's limits (MaxRenderSide,
    // MaxRenderPixels).
    QSize finishedSize(QSize size) const;
    // The picture to write: null, with `status` TooLarge, when it would be
    // too large or its memory cannot be had.
    QImage finish(const QImage &rendered, RenderStatus *status) const;

private:
    int factor = 1;
    QColor fill = QColor(Qt::transparent);
};
