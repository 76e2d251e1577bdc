#include "gallerypage.h"

#include <QStringList>
#include <QUrl>

#include <algorithm>

namespace {

// The box a thumbnail is fitted into, in CSS pixels.
constexpr int ThumbWidth = 256;
constexpr int ThumbHeight = 192;

const char *const Head = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>)";

const char *const Style = R"(</title>
<style>
body { font: 14px/1.4 sans-serif; margin: 16px; background: #f2f2f2; color: #222; }
h1 { font-size: 1.5em; margin: 0 0 4px; }
.summary { margin: 0 0 16px; color: #555; }
.sheet { display: grid; grid-template-columns: repeat(auto-fill, minmax(272px, 1fr)); gap: 12px; }
.card { margin: 0; padding: 8px; background: #fff; border: 1px solid #ccc; border-radius: 4px; }
.pic, .none { display: flex; align-items: center; justify-content: center; height: 192px; }
.pic { background: repeating-conic-gradient(#ddd 0 25%, #f8f8f8 0 50%) 0 0 / 16px 16px; }
.pic img { width: auto; height: auto; max-width: 100%; max-height: 100%; }
.pic img.up { width: 100%; height: 100%; object-fit: contain; image-rendering: pixelated; }
.none { padding: 0 12px; text-align: center; color: #833; background: #f8f0f0; }
.name { display: block; margin-top: 6px; font-weight: bold; overflow-wrap: anywhere; }
.facts { margin: 0; color: #555; font-size: 0.9em; }
.pages { margin: 0 0 16px; display: flex; flex-wrap: wrap; gap: 4px 10px; }
.pages:last-child { margin: 16px 0 0; }
</style>
</head>
<body>
)";

const char *const Title = "Korvane Extractor gallery";

QString counted(qint64 count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// The facts under a card's name: components, cells, pixels.
QString facts(const GalleryResult &result)
{
    QStringList parts{counted(result.components, "component", "components")};
    if (result.components > 0) {
        const QRect &b = result.bounds;
        parts << QStringLiteral("%1 \u00d7 %2 cells")
                     .arg(qint64(b.right()) - b.left() + 1)
                     .arg(qint64(b.bottom()) - b.top() + 1);
    }
    if (result.outcome == GalleryResult::Written)
        parts << QStringLiteral("%1 \u00d7 %2 pixels")
                     .arg(result.pixels.width())
                     .arg(result.pixels.height());
    return parts.join(QStringLiteral(" \u00b7 "));
}

QString card(const GalleryResult &result)
{
    const QString name = escaped(result.name);
    QString html = QStringLiteral("<figure class=\"card\">\n");
    if (result.outcome == GalleryResult::Written) {
        const QString link =
            QString::fromLatin1(QUrl::toPercentEncoding(GalleryRun::pictureName(result.name)));
        html += galleryThumbnail(result, QSize(ThumbWidth, ThumbHeight)) + u'\n';
        html += QStringLiteral("<figcaption><a class=\"name\" href=\"") + link +
                QStringLiteral("\">") + name + QStringLiteral("</a>\n");
    } else {
        const QString why =
            result.outcome == GalleryResult::NotWritten
                ? QStringLiteral("The picture could not be written: ") + result.reason
                : result.reason;
        html += QStringLiteral("<div class=\"none\">") + escaped(why) +
                QStringLiteral("</div>\n<figcaption><span class=\"name\">") + name +
                QStringLiteral("</span>\n");
    }
    html += QStringLiteral("<p class=\"facts\">") + facts(result) +
            QStringLiteral("</p></figcaption>\n</figure>\n");
    return html;
}

} // namespace

QString galleryThumbnail(const GalleryResult &result, QSize box)
{
    // Names hold spaces and may hold "#", "?" or ":": the link is
    // percent-encoded, so that it always names the file beside the page.
    // Joined, not arg()ed: a "%3A" in it is no placeholder.
    const QString link =
        QString::fromLatin1(QUrl::toPercentEncoding(GalleryRun::pictureName(result.name)));
    const QSize &size = result.pixels;
    // A picture that fits the box twice over is enlarged to fill it,
    // keeping pixel art sharp; larger ones are only made smaller.
    const bool enlarged = 2 * size.width() <= box.width() && 2 * size.height() <= box.height();
    return QStringLiteral("<a class=\"pic\" href=\"") + link + QStringLiteral("\"><img src=\"") +
           link + QStringLiteral("\" width=\"") + QString::number(size.width()) +
           QStringLiteral("\" height=\"") + QString::number(size.height()) +
           QStringLiteral("\" loading=\"lazy\" alt=\"") + result.name.toHtmlEscaped() +
           (enlarged ? QStringLiteral("\" class=\"up\"></a>") : QStringLiteral("\"></a>"));
}

QString galleryNavigation(int page, int pages)
{
    const auto link = [](int to, const QString &text) {
        return QStringLiteral("<a href=\"") + galleryPageName(to) + QStringLiteral("\">") + text +
               QStringLiteral("</a>");
    };
    QStringList parts;
    if (page > 0)
        parts << link(page - 1, QStringLiteral("\u2190 previous"));
    for (int n = 0; n < pages; ++n)
        parts << (n == page ? QStringLiteral("<strong>%1</strong>").arg(n + 1)
                            : link(n, QString::number(n + 1)));
    if (page + 1 < pages)
        parts << link(page + 1, QStringLiteral("next \u2192"));
    return QStringLiteral("<nav class=\"pages\">") + parts.join(u'\n') + QStringLiteral("</nav>\n");
}

int galleryPageCount(qsizetype results)
{
    return int(std::max<qsizetype>(1, (results + CardsPerPage - 1) / CardsPerPage));
}

QString galleryPageName(int page)
{
    return page == 0 ? QStringLiteral("index.html") : QStringLiteral("page-%1.html").arg(page + 1);
}

int galleryPageNumber(const QString &name)
{
    if (name == u"index.html")
        return 0;
    if (!name.startsWith(u"page-") || !name.endsWith(u".html"))
        return -1;
    bool number = false;
    const int page = name.mid(5, name.size() - 10).toInt(&number) - 1;
    return number && page >= 1 && galleryPageName(page) == name ? page : -1;
}

QByteArray galleryPage(const std::vector<GalleryResult> &results, int page)
{
    const int pages = galleryPageCount(qsizetype(results.size()));
    const qsizetype first = qsizetype(page) * CardsPerPage;
    const qsizetype end = std::min<qsizetype>(qsizetype(results.size()), first + CardsPerPage);
    qint64 pictures = 0;
    for (const GalleryResult &result : results)
        pictures += result.outcome == GalleryResult::Written;
    const QString title = pages == 1 ? QLatin1String(Title)
                                     : QStringLiteral("%1, page %2 of %3")
                                           .arg(QLatin1String(Title))
                                           .arg(page + 1)
                                           .arg(pages);
    QByteArray html = Head;
    html += page == 0 ? QByteArray(Title) : title.toUtf8();
    html += Style;
    html += QStringLiteral("<h1>%1</h1>\n").arg(title).toUtf8();
    QString summary = QStringLiteral("%1: %2, %3 without one.")
                          .arg(counted(qint64(results.size()), "entry", "entries"),
                               counted(pictures, "picture", "pictures"),
                               QString::number(qint64(results.size()) - pictures));
    if (pages > 1)
        summary += QStringLiteral(" This page: %1 to %2.").arg(first + 1).arg(end);
    html += QStringLiteral("<p class=\"summary\">%1</p>\n").arg(summary).toUtf8();
    const QByteArray links = pages > 1 ? galleryNavigation(page, pages).toUtf8() : QByteArray();
    html += links;
    html += "<div class=\"sheet\">\n";
    for (qsizetype n = first; n < end; ++n)
        html += card(results[size_t(n)]).toUtf8();
    html += "</div>\n";
    html += links;
    html += "</body>\n</html>\n";
    return html;
}
