#include "pictureoptions.h"

#include "core/wholenumber.h"
#include "gallery/galleryrun.h"

#include <QThread>

namespace {

constexpr int MaxJobs = 256;

int idealJobs()
{
    return qBound(1, QThread::idealThreadCount(), MaxJobs);
}

} // namespace

QList<QCommandLineOption> pictureOptions()
{
    return {{QStringLiteral("scale"),
             QStringLiteral("Enlarge the picture <n> times (1 to %1), each pixel a "
                            "square of n x n.")
                 .arg(PictureStyle::MaxScale),
             QStringLiteral("n")},
            {QStringLiteral("background"),
             QStringLiteral("Put the picture on <color> (\"white\", \"#rrggbb\", "
                            "\"#aarrggbb\"; default: transparent)."),
             QStringLiteral("color")},
            {QStringLiteral("trim"),
             QStringLiteral("Cut the transparent margin: the picture ends at its "
                            "painted pixels.")}};
}

QString readPictureOptions(const Invocation &call, PictureStyle *style)
{
    const QStringList scales = call.values(QStringLiteral("scale"));
    const QStringList backgrounds = call.values(QStringLiteral("background"));
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
    *style = PictureStyle(factor, fill, call.isSet(QStringLiteral("trim")));
    return {};
}

QCommandLineOption jobsOption()
{
    return {QStringLiteral("jobs"),
            QStringLiteral("Draw <n> pictures at a time (1 to %1; default: %2, the processor "
                           "threads; at most %3, what the memory budget holds).")
                .arg(MaxJobs)
                .arg(idealJobs())
                .arg(GalleryRun::MostWorkers),
            QStringLiteral("n")};
}

QString readJobs(const Invocation &call, int *jobs)
{
    const QStringList values = call.values(QStringLiteral("jobs"));
    const int most = MaxJobs;
    *jobs = idealJobs();
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
