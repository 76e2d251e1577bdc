#include "gallerypage.h"

#include <QColor>
#include <QStringList>
#include <QUrl>

#include <algorithm>

namespace {

// The box a thumbnail is fitted into, in CSS pixels: one picture a card,
// or two side by side.
constexpr QSize ThumbBox(256, 192);
constexpr QSize PairBox(240, 180);

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
.sheet.pairs { grid-template-columns: repeat(auto-fill, minmax(520px, 1fr)); }
.card { margin: 0; padding: 8px; background: #fff; border: 1px solid #ccc; border-radius: 4px; }
.pair { display: grid; grid-template-columns: 1fr 1fr; gap: 8px; }
.label { display: block; color: #555; font-size: 0.85em; }
.pic, .none, .absent { display: flex; align-items: center; justify-content: center; height: 192px; }
.pair .pic, .pair .none, .pair .absent { height: 180px; }
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
)";

const char *const StyleEnd = R"(</style>
</head>
<body>
)";

// A legend's rules: each swatch drawn as the marks are, its kind's colour
// whole on the rim and half over white inside.
const char *const LegendStyle =
    R"(.legend { margin: -8px 0 16px; display: flex; flex-wrap: wrap; gap: 4px 16px; color: #555; }
.mark { display: inline-block; width: 10px; height: 10px; margin-right: 5px; vertical-align: -1px;
  border: 2px solid currentColor; background: linear-gradient(#fff8, #fff8) currentColor; }
)";

QString counted(qint64 count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// Names hold spaces and may hold "#", "?" or ":": a link is percent-encoded,
// so that it always names the file beside the page.
QString pictureLink(const GalleryResult &result)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(GalleryRun::pictureName(result.name)));
}

// A written picture's thumbnail, fitted into `box` CSS pixels and linking to
// the picture. Joined, not arg()ed: a "%3A" in a link is no placeholder.
QString thumbnail(const GalleryResult &result, QSize box)
{
    const QString link = pictureLink(result);
    const QSize &size = result.pixels;
    // A picture that fits the box twice over is enlarged to fill it,
    // keeping pixel art sharp; larger ones are only made smaller.
    const bool enlarged = 2 * size.width() <= box.width() && 2 * size.height() <= box.height();
    return QStringLiteral("<a class=\"pic\" href=\"") + link + QStringLiteral("\"><img src=\"") +
           link + QStringLiteral("\" width=\"") + QString::number(size.width()) +
           QStringLiteral("\" height=\"") + QString::number(size.height()) +
           QStringLiteral("\" loading=\"lazy\" alt=\"") + escaped(result.name) +
           (enlarged ? QStringLiteral("\" class=\"up\"></a>") : QStringLiteral("\"></a>"));
}

// A picture's place on a card: its thumbnail, the reason it has none, or a
// word that the entry is not on that side.
QString picture(const CardPicture &picture, QSize box)
{
    const GalleryResult *result = picture.result;
    if (!result)
        return QStringLiteral("<div class=\"absent\">not there</div>");
    if (result->outcome == GalleryResult::Written)
        return thumbnail(*result, box);
    const QString why = result->outcome == GalleryResult::NotWritten
                            ? QStringLiteral("The picture could not be written: ") + result->reason
                        : result->outcome == GalleryResult::NotTried ? QStringLiteral("Not drawn.")
                                                                     : result->reason;
    return QStringLiteral("<div class=\"none\">") + escaped(why) + QStringLiteral("</div>");
}

QString card(const GalleryCard &card)
{
    QString html = QStringLiteral("<figure class=\"card\">\n");
    const GalleryResult *only = card.pictures.size() == 1 ? card.pictures.front().result : nullptr;
    if (card.pictures.size() == 1 && card.pictures.front().label.isEmpty()) {
        html += picture(card.pictures.front(), ThumbBox) + u'\n';
    } else {
        html += QStringLiteral("<div class=\"pair\">\n");
        for (const CardPicture &side : card.pictures)
            html += QStringLiteral("<div class=\"side\"><span class=\"label\">") +
                    escaped(side.label) + QStringLiteral("</span>\n") + picture(side, PairBox) +
                    QStringLiteral("</div>\n");
        html += QStringLiteral("</div>\n");
    }
    // The name of a gallery's entry links to its picture.
    if (only && only->outcome == GalleryResult::Written)
        html += QStringLiteral("<figcaption><a class=\"name\" href=\"") + pictureLink(*only) +
                QStringLiteral("\">") + escaped(card.title) + QStringLiteral("</a>\n");
    else
        html += QStringLiteral("<figcaption><span class=\"name\">") + escaped(card.title) +
                QStringLiteral("</span>\n");
    if (!card.change.isEmpty())
        html += QStringLiteral("<p class=\"change\">") + escaped(card.change) +
                QStringLiteral("</p>\n");
    return html + QStringLiteral("<p class=\"facts\">") + escaped(card.facts) +
           QStringLiteral("</p></figcaption>\n</figure>\n");
}

QString markClass(ComponentMark::Kind kind)
{
    static const char *const names[] = {"added", "removed", "moved", "replaced"};
    return QStringLiteral("mark-") + QLatin1String(names[kind]);
}

// Where a kind is marked: on the old picture, the new one or both.
QString markPlace(ComponentMark::Kind kind)
{
    switch (kind) {
    case ComponentMark::Removed:
        return QStringLiteral("on the old picture");
    case ComponentMark::Moved:
        return QStringLiteral("where it stood on the old picture, where it stands on the new");
    case ComponentMark::Added:
    case ComponentMark::Replaced:
        break;
    }
    return QStringLiteral("on the new picture");
}

// The kinds a legend explains: each of `asked` once, in their order.
QList<ComponentMark::Kind> legendKinds(const QList<ComponentMark::Kind> &asked)
{
    QList<ComponentMark::Kind> kinds;
    for (int kind = 0; kind < ComponentMark::Kinds; ++kind) {
        if (asked.contains(ComponentMark::Kind(kind)))
            kinds.append(ComponentMark::Kind(kind));
    }
    return kinds;
}

// The stylesheet's rules for the swatches of `kinds`, and the legend itself.
QString legendStyle(const QList<ComponentMark::Kind> &kinds)
{
    QString css = QLatin1String(LegendStyle);
    for (const ComponentMark::Kind kind : kinds)
        css += u'.' + markClass(kind) + QStringLiteral(" { color: ") +
               QColor(markColour(kind)).name() + QStringLiteral("; }\n");
    return css;
}

QString legend(const QList<ComponentMark::Kind> &kinds)
{
    QString html = QStringLiteral("<p class=\"legend\">");
    for (const ComponentMark::Kind kind : kinds)
        html += QStringLiteral("<span><span class=\"mark ") + markClass(kind) +
                QStringLiteral("\"></span>") + markWord(kind) + QStringLiteral(" (") +
                markPlace(kind) + QStringLiteral(")</span>\n");
    return html + QStringLiteral("</p>\n");
}

// Links to the previous page, every page by number and the next one.
QString navigation(int page, int pages)
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

} // namespace

int galleryPageCount(qsizetype cards)
{
    return int(std::max<qsizetype>(1, (cards + CardsPerPage - 1) / CardsPerPage));
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

QByteArray galleryPage(const GalleryPages &pages, int page)
{
    const qsizetype cards = qsizetype(pages.cards.size());
    const int count = galleryPageCount(cards);
    const qsizetype first = qsizetype(page) * CardsPerPage;
    const qsizetype end = std::min(cards, first + CardsPerPage);
    const QString title =
        count == 1 ? pages.title
                   : QStringLiteral("%1, page %2 of %3").arg(pages.title).arg(page + 1).arg(count);
    QString html =
        QLatin1String(Head) + escaped(page == 0 ? pages.title : title) + QLatin1String(Style);
    const QList<ComponentMark::Kind> kinds = legendKinds(pages.legend);
    if (!kinds.isEmpty())
        html += legendStyle(kinds);
    html += QLatin1String(StyleEnd) + QStringLiteral("<h1>") + escaped(title) +
            QStringLiteral("</h1>\n<p class=\"summary\">") + escaped(pages.summary);
    if (count > 1)
        html += QStringLiteral(" This page: %1 to %2.").arg(first + 1).arg(end);
    html += QStringLiteral("</p>\n");
    if (!kinds.isEmpty())
        html += legend(kinds);
    const QString links = count > 1 ? navigation(page, count) : QString();
    html += links + (pages.sideBySide ? QStringLiteral("<div class=\"sheet pairs\">\n")
                                      : QStringLiteral("<div class=\"sheet\">\n"));
    for (qsizetype n = first; n < end; ++n)
        html += card(pages.cards[size_t(n)]);
    html += QStringLiteral("</div>\n") + links + QStringLiteral("</body>\n</html>\n");
    return html.toUtf8();
}

GalleryCard galleryCard(const GalleryResult &result)
{
    QStringList facts{counted(result.components, "component", "components")};
    if (result.components > 0) {
        const QRect &b = result.bounds;
        facts << QStringLiteral("%1 \u00d7 %2 cells")
                     .arg(qint64(b.right()) - b.left() + 1)
                     .arg(qint64(b.bottom()) - b.top() + 1);
    }
    if (result.outcome == GalleryResult::Written)
        facts << QStringLiteral("%1 \u00d7 %2 pixels")
                     .arg(result.pixels.width())
                     .arg(result.pixels.height());
    return {result.name, {}, facts.join(QStringLiteral(" \u00b7 ")), {{{}, &result}}};
}

QString gallerySummary(const std::vector<GalleryResult> &results)
{
    qint64 pictures = 0;
    for (const GalleryResult &result : results)
        pictures += result.outcome == GalleryResult::Written;
    return QStringLiteral("%1: %2, %3 without one.")
        .arg(counted(qint64(results.size()), "entry", "entries"),
             counted(pictures, "picture", "pictures"),
             QString::number(qint64(results.size()) - pictures));
}
