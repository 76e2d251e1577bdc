#include "picturestyle.h"

#include <QPainter>

#include <algorithm>

namespace {

// The smallest rectangle holding every pixel that is not fully transparent;
// the whole picture when there is none, so that a picture is never empty.
QRect paintedRect(const QImage &image)
{
    const QImage pixels = image.format() == QImage::Format_ARGB32_Premultiplied ||
                                  image.format() == QImage::Format_ARGB32
                              ? image
                              : image.convertToFormat(QImage::Format_ARGB32);
    int left = pixels.width();
    int right = -1;
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        int x = 0;
        while (x < pixels.width() && qAlpha(row[x]) == 0)
            ++x;
        if (x == pixels.width())
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        left = std::min(left, x);
        int last = pixels.width() - 1;
        while (qAlpha(row[last]) == 0)
            --last;
        right = std::max(right, last);
    }
    if (top < 0)
        return image.rect();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

QSize PictureStyle::finishedSize(QSize size) const
{
    const qint64 width = qint64(size.width()) * factor;
    const qint64 height = qint64(size.height()) * factor;
    if (width > MaxRenderSide || height > MaxRenderSide || width * height > MaxRenderPixels)
        return {};
    return QSize(int(width), int(height));
}

QImage PictureStyle::finish(const QImage &rendered, RenderStatus *status, QSize *finished) const
{
    *status = RenderStatus::Rendered;
    if (finished)
        *finished = rendered.size();
    if (isPlain())
        return rendered;
    const QImage painted = trim ? rendered.copy(paintedRect(rendered)) : rendered;
    const QSize size = finishedSize(painted.size());
    if (finished)
        *finished = size;
    if (size.isEmpty()) {
        *status = RenderStatus::TooLarge;
        return {};
    }
    QImage picture =
        factor == 1 ? painted : painted.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (picture.isNull()) {
        *status = RenderStatus::NoMemory;
        return {};
    }
    if (fill.alpha() > 0) {
        // Behind what is painted: the picture's own pixels are laid over it.
        QPainter painter(&picture);
        if (!painter.isActive()) {
            *status = RenderStatus::NoMemory;
            return {};
        }
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        painter.fillRect(picture.rect(), fill);
    }
    return picture;
}
