#include "diffpage.h"

#include "gallerypage.h"

#include <QStringList>

#include <algorithm>

namespace {

// The box each of a card's two pictures is fitted into, in CSS pixels.
constexpr int ThumbWidth = 240;
constexpr int ThumbHeight = 180;

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
.sheet { display: grid; grid-template-columns: repeat(auto-fill, minmax(520px, 1fr)); gap: 12px; }
.card { margin: 0; padding: 8px; background: #fff; border: 1px solid #ccc; border-radius: 4px; }
.pair { display: grid; grid-template-columns: 1fr 1fr; gap: 8px; }
.side { margin: 0; }
.label { display: block; color: #555; font-size: 0.85em; }
.pic, .none, .absent { display: flex; align-items: center; justify-content: center; height: 180px; }
.pic { background: repeating-conic-gradient(#ddd 0 25%, #f8f8f8 0 50%) 0 0 / 16px 16px; }
.pic img { width: auto; height: auto; max-width: 100%; max-height: 100%; }
.pic img.up { width: 100%; height: 100%; object-fit: contain; image-rendering: pixelated; }
.none { padding: 0 12px; text-align: center; color: #833; background: #f8f0f0; }
.absent { color: #888; background: #f6f6f6; }
.name { display: block; margin-top: 6px; font-weight: bold; overflow-wrap: anywhere; }
.change { margin: 0; font-weight: bold; color: #a50; }
.facts { margin: 0; color: #555; font-size: 0.9em; overflow-wrap: anywhere; }
.pages { margin: 0 0 16px; display: flex; flex-wrap: wrap; gap: 4px 10px; }
.pages:last-child { margin: 16px 0 0; }
</style>
</head>
<body>
)";

const char *const Title = "Korvane Extractor: what changed";

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// One side of a card: its label and its picture, the reason it has none, or
// a word that the entry is not on that side.
QString side(const char *label, const GalleryResult *result)
{
    QString html = QStringLiteral("<div class=\"side\"><span class=\"label\">") +
                   QLatin1String(label) + QStringLiteral("</span>\n");
    if (!result) {
        html += QStringLiteral("<div class=\"absent\">not there</div>");
    } else if (result->outcome == GalleryResult::Written) {
        html += galleryThumbnail(*result, QSize(ThumbWidth, ThumbHeight));
    } else {
        const QString why =
            result->outcome == GalleryResult::NotWritten
                ? QStringLiteral("The picture could not be written: ") + result->reason
            : result->outcome == GalleryResult::NotTried ? QStringLiteral("Not drawn.")
                                                         : result->reason;
        html += QStringLiteral("<div class=\"none\">") + escaped(why) + QStringLiteral("</div>");
    }
    return html + QStringLiteral("</div>\n");
}

QString card(const DiffCard &card)
{
    return QStringLiteral("<figure class=\"card\">\n<div class=\"pair\">\n") +
           side("old", card.before) + side("new", card.after) +
           QStringLiteral("</div>\n<figcaption><span class=\"name\">") + escaped(card.title) +
           QStringLiteral("</span>\n<p class=\"change\">") + escaped(card.change) +
           QStringLiteral("</p>\n<p class=\"facts\">") + escaped(card.details) +
           QStringLiteral("</p></figcaption>\n</figure>\n");
}

} // namespace

QByteArray diffPage(const std::vector<DiffCard> &cards, int page, const QString &summary)
{
    const int pages = galleryPageCount(qsizetype(cards.size()));
    const qsizetype first = qsizetype(page) * CardsPerPage;
    const qsizetype end = std::min<qsizetype>(qsizetype(cards.size()), first + CardsPerPage);
    const QString title = pages == 1 ? QLatin1String(Title)
                                     : QStringLiteral("%1, page %2 of %3")
                                           .arg(QLatin1String(Title))
                                           .arg(page + 1)
                                           .arg(pages);
    QByteArray html = Head;
    html += escaped(title).toUtf8();
    html += Style;
    html += (QStringLiteral("<h1>") + escaped(title) + QStringLiteral("</h1>\n")).toUtf8();
    QString line = escaped(summary);
    if (pages > 1)
        line += QStringLiteral(" This page: %1 to %2.").arg(first + 1).arg(end);
    html += (QStringLiteral("<p class=\"summary\">") + line + QStringLiteral("</p>\n")).toUtf8();
    const QByteArray links = pages > 1 ? galleryNavigation(page, pages).toUtf8() : QByteArray();
    html += links;
    html += "<div class=\"sheet\">\n";
    for (qsizetype n = first; n < end; ++n)
        html += card(cards[size_t(n)]).toUtf8();
    html += "</div>\n";
    html += links;
    html += "</body>\n</html>\n";
    return html;
}
