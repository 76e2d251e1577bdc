#include "thumbnail.h"

#include "picturestyle.h"

QImage thumbnailPicture(const QImage &rendered, int size, RenderStatus *status, QSize *made)
{
    PictureStyle style;
    style.setTrim(true);
    const QImage painted = style.finish(rendered, status, made);
    if (*status != RenderStatus::Rendered)
        return {};
    if (painted.width() <= size && painted.height() <= size)
        return painted;
    const QSize fit = painted.size().scaled(size, size, Qt::KeepAspectRatio).expandedTo({1, 1});
    const QImage reduced = painted.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (made)
        *made = fit;
    if (reduced.isNull())
        *status = RenderStatus::NoMemory;
    return reduced;
}
