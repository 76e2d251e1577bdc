#include "picturestyle.h"

#include "clioptions.h"

#include <QCommandLineParser>
#include <QPainter>

void PictureStyle::addOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("scale"),
                      QStringLiteral("Enlarge the picture <n> times (1 to %1), each pixel a "
                                     "square of n x n.")
                          .arg(MaxScale),
                      QStringLiteral("n")});
    parser.addOption({QStringLiteral("background"),
                      QStringLiteral("Put the picture on <color> (\"white\", \"#rrggbb\", "
                                     "\"#aarrggbb\"; default: transparent)."),
                      QStringLiteral("color")});
}

QString PictureStyle::read(const QCommandLineParser &parser)
{
    const QStringList scales = parser.values(QStringLiteral("scale"));
    const QStringList backgrounds = parser.values(QStringLiteral("background"));
    if (scales.size() > 1)
        return QStringLiteral("--scale given %1 times").arg(scales.size());
    if (backgrounds.size() > 1)
        return QStringLiteral("--background given %1 times").arg(backgrounds.size());
    if (!scales.isEmpty()) {
        if (!readWholeNumber(scales.first(), 1, MaxScale, &factor))
            return QStringLiteral("--scale takes a whole number from 1 to %1, not '%2'")
                .arg(MaxScale)
                .arg(scales.first());
    }
    if (!backgrounds.isEmpty()) {
        const QColor color = QColor::fromString(backgrounds.first());
        if (!color.isValid())
            return QStringLiteral("--background takes a colour name or #rrggbb or #aarrggbb, "
                                  "not '%1'")
                .arg(backgrounds.first());
        fill = color;
    }
    return {};
}

QSize PictureStyle::finishedSize(QSize size) const
{
    const qint64 width = qint64(size.width()) * factor;
    const qint64 height = qint64(size.height()) * factor;
    if (width > MaxRenderSide || height > MaxRenderSide || width * height > MaxRenderPixels)
        return {};
    return QSize(int(width), int(height));
}

QImage PictureStyle::finish(const QImage &rendered, RenderStatus *status) const
{
    *status = RenderStatus::Rendered;
    if (isPlain())
        return rendered;
    const QSize size = finishedSize(rendered.size());
    if (size.isEmpty()) {
        *status = RenderStatus::TooLarge;
        return {};
    }
    QImage picture = factor == 1
                         ? rendered
                         : rendered.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (picture.isNull()) {
        *status = RenderStatus::TooLarge;
        return {};
    }
    if (fill.alpha() > 0) {
        // Behind what is painted: the picture's own pixels are laid over it.
        QPainter painter(&picture);
        if (!painter.isActive()) {
            *status = RenderStatus::TooLarge;
            return {};
        }
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        painter.fillRect(picture.rect(), fill);
    }
    return picture;
}
