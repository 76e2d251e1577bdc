#include "previewlabel.h"

#include <QPaintEvent>
#include <QPainter>

#include <cmath>

QSize scaledPictureSize(const QSize &size, double scale)
{
    if (size.isEmpty())
        return {0, 0};
    // The small allowance keeps 300 x (1/3) at 100, not 99.
    const auto side = [scale](int length) {
        return std::max(1, int(std::floor(length * scale + 1e-6)));
    };
    return {side(size.width()), side(size.height())};
}

PreviewLabel::PreviewLabel(const QImage &image, QWidget *parent)
    : QLabel(parent), picture(QPixmap::fromImage(image))
{
    setMinimumSize(image.width(), image.height());
    setPixmap(picture);
}

void PreviewLabel::setScale(double scale)
{
    if (scale == factor)
        return;
    factor = scale;
    reduced = QPixmap();
    if (factor < 1 && !picture.isNull())
        reduced = picture.scaled(scaledPictureSize(picture.size(), factor), Qt::IgnoreAspectRatio,
                                 Qt::SmoothTransformation);
    const QSize size = scaledPictureSize(picture.size(), factor);
    setMinimumSize(size);
    resize(size);
    update();
}

QSize PreviewLabel::sizeHint() const
{
    if (factor == 1)
        return QLabel::sizeHint();
    return scaledPictureSize(picture.size(), factor);
}

void PreviewLabel::paintEvent(QPaintEvent *event)
{
    if (factor == 1 || picture.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    const QRect exposed = event->rect();
    QPainter painter(this);
    if (factor < 1) {
        painter.drawPixmap(exposed.topLeft(), reduced, exposed);
        return;
    }
    // Enlarged: the picture's pixels that fall into the exposed part, each
    // drawn as a square of `factor` pixels, without smoothing.
    const int step = int(factor);
    const QRect source = QRect(QPoint(exposed.left() / step, exposed.top() / step),
                               QPoint(exposed.right() / step, exposed.bottom() / step))
                             .intersected(picture.rect());
    if (source.isEmpty())
        return;
    const QRect target(source.topLeft() * step, source.size() * step);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawPixmap(target, picture, source);
}
