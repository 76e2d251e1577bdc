#include "pictureoptions.h"

#include "core/wholenumber.h"

#include <QCommandLineParser>

void addPictureOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("scale"),
                      QStringLiteral("Enlarge the picture <n> times (1 to %1), each pixel a "
                                     "square of n x n.")
                          .arg(PictureStyle::MaxScale),
                      QStringLiteral("n")});
    parser.addOption({QStringLiteral("background"),
                      QStringLiteral("Put the picture on <color> (\"white\", \"#rrggbb\", "
                                     "\"#aarrggbb\"; default: transparent)."),
                      QStringLiteral("color")});
    parser.addOption({QStringLiteral("trim"),
                      QStringLiteral("Cut the transparent margin: the picture ends at its "
                                     "painted pixels.")});
}

QString readPictureOptions(const QCommandLineParser &parser, PictureStyle *style)
{
    const QStringList scales = parser.values(QStringLiteral("scale"));
    const QStringList backgrounds = parser.values(QStringLiteral("background"));
    int factor = 1;
    QColor fill(Qt::transparent);
    if (scales.size() > 1)
        return QStringLiteral("--scale given %1 times").arg(scales.size());
    if (backgrounds.size() > 1)
        return QStringLiteral("--background given %1 times").arg(backgrounds.size());
    if (!scales.isEmpty()) {
        const std::optional<qint64> scale = wholeNumber(scales.first(), 1, PictureStyle::MaxScale);
        if (!scale)
            return QStringLiteral("--scale takes a whole number from 1 to %1, not '%2'")
                .arg(PictureStyle::MaxScale)
                .arg(scales.first());
        factor = int(*scale);
    }
    if (!backgrounds.isEmpty()) {
        const QColor color = QColor::fromString(backgrounds.first());
        if (!color.isValid())
            return QStringLiteral("--background takes a colour name or #rrggbb or #aarrggbb, "
                                  "not '%1'")
                .arg(backgrounds.first());
        fill = color;
    }
    *style = PictureStyle(factor, fill, parser.isSet(QStringLiteral("trim")));
    return {};
}

QString readJobs(const QStringList &values, int most, int *jobs)
{
    if (values.size() > 1)
        return QStringLiteral("--jobs given %1 times").arg(values.size());
    if (values.isEmpty())
        return {};
    const std::optional<qint64> value = wholeNumber(values.first(), 1, most);
    if (!value)
        return QStringLiteral("--jobs takes a whole number from 1 to %1, not '%2'")
            .arg(QString::number(most), values.first());
    *jobs = int(*value);
    return {};
}
