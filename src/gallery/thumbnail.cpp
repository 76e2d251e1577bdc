#include "thumbnail.h"

#include "picturestyle.h"

QImage thumbnailPicture(const QImage &rendered, int size, RenderStatus *status)
{
    PictureStyle style;
    style.setTrim(true);
    const QImage painted = style.finish(rendered, status);
    if (*status != RenderStatus::Rendered)
        return {};
    if (painted.width() <= size && painted.height() <= size)
        return painted;
    const QSize fit = painted.size().scaled(size, size, Qt::KeepAspectRatio);
    const QImage reduced = painted.scaled(fit.expandedTo(QSize(1, 1)), Qt::IgnoreAspectRatio,
                                          Qt::SmoothTransformation);
    if (reduced.isNull())
        *status = RenderStatus::TooLarge;
    return reduced;
}
