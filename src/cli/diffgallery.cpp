#include "diffgallery.h"

#include "diffreport.h"
#include "gallerybatch.h"

#include "client/clientdata.h"
#include "gallery/galleryjob.h"

#include <QSet>
#include <QStringList>

#include <unordered_map>
#include <vector>

namespace {

QString bounds(const MultiEntry &entry)
{
    if (entry.components.isEmpty())
        return QStringLiteral("no components");
    const QRect &b = entry.bounds;
    return QStringLiteral("%1 components, bounds %2 %3 to %4 %5")
        .arg(entry.components.size())
        .arg(b.left())
        .arg(b.top())
        .arg(b.right())
        .arg(b.bottom());
}

// The first components changed, and how many more: "; added 1545 (tree) at
// 9,9,0, ... and 12 more".
constexpr qsizetype CardChanges = 4;
QString changesText(const MultiDifference &d, const DiffGallerySide (&sides)[2])
{
    QStringList shown;
    for (qsizetype n = 0; n < d.components.size() && n < CardChanges; ++n)
        shown.append(componentChangeText(d.components[n], sides[0].client->tiles(),
                                         sides[1].client->tiles()));
    QString text = QStringLiteral("; ") + shown.join(QStringLiteral("; "));
    if (d.components.size() > CardChanges)
        text += QStringLiteral(" and %1 more").arg(d.components.size() - CardChanges);
    return text;
}

// What changed, in the words of a card.
QString details(const MultiDifference &d, const MultiEntry *before, const MultiEntry *after)
{
    switch (d.kind) {
    case MultiDifference::Changed:
        return QStringLiteral("components: %1 added, %2 removed, %3 moved, %4 given another "
                              "graphic; %5 before, %6 now")
            .arg(d.added)
            .arg(d.removed)
            .arg(d.moved)
            .arg(d.replaced)
            .arg(bounds(*before), bounds(*after));
    case MultiDifference::PictureChanged: {
        QStringList ids;
        for (qsizetype n = 0; n < d.graphics.size() && n < 10; ++n)
            ids << QString::number(d.graphics[n]);
        QString text = QStringLiteral("the same components; the art or tile data of graphic%1 %2")
                           .arg(d.graphics.size() == 1 ? "" : "s", ids.join(QStringLiteral(", ")));
        if (d.graphics.size() > 10)
            text += QStringLiteral(" and %1 more").arg(d.graphics.size() - 10);
        return text + QStringLiteral(" changed; ") + bounds(*after);
    }
    case MultiDifference::Added:
        return bounds(*after);
    default:
        return bounds(*before);
    }
}

QString changeWord(MultiDifference::Kind kind)
{
    switch (kind) {
    case MultiDifference::Added:
        return QStringLiteral("added");
    case MultiDifference::Removed:
        return QStringLiteral("removed");
    case MultiDifference::Renumbered:
        return QStringLiteral("renumbered");
    case MultiDifference::Changed:
        return QStringLiteral("changed");
    case MultiDifference::PictureChanged:
        break;
    }
    return QStringLiteral("picture changed");
}

using MarkedValues = std::vector<std::pair<ComponentValue, ComponentMark::Kind>>;

// The components of `entry` that hold `wanted`'s values, each taken once, as
// marks of their kinds.
QList<ComponentMark> marksOf(const MultiEntry &entry, const MarkedValues &wanted)
{
    if (wanted.empty())
        return {};
    std::vector<ComponentValue> values;
    readComponentValues(entry.components, &values);
    std::unordered_map<quint64, std::vector<qsizetype>> at; // by hash, the last first
    for (qsizetype n = qsizetype(values.size()) - 1; n >= 0; --n)
        at[values[size_t(n)].hash()].push_back(n);
    QList<ComponentMark> marks;
    for (const auto &[value, kind] : wanted) {
        const auto found = at.find(value.hash());
        if (found == at.end())
            continue;
        std::vector<qsizetype> &indices = found->second;
        for (size_t k = indices.size(); k-- > 0;) {
            if (values[size_t(indices[k])] == value) {
                marks.append({indices[k], kind});
                indices.erase(indices.begin() + qsizetype(k));
                break;
            }
        }
    }
    return marks;
}

// What a changed entry's pictures mark: on the old one the components
// removed or moved away, on the new one those added, moved or given another
// graphic.
void markedValues(const MultiDifference &d, MarkedValues (&marked)[2])
{
    for (const ComponentChange &change : d.components) {
        switch (change.kind) {
        case ComponentChange::Added:
            marked[1].push_back({change.after, ComponentMark::Added});
            break;
        case ComponentChange::Removed:
            marked[0].push_back({change.before, ComponentMark::Removed});
            break;
        case ComponentChange::Moved:
            marked[0].push_back({change.before, ComponentMark::Moved});
            marked[1].push_back({change.after, ComponentMark::Moved});
            break;
        case ComponentChange::Replaced:
            marked[1].push_back({change.after, ComponentMark::Replaced});
            break;
        }
    }
}

// The pictures of the differences: each side's items, and the place of each
// difference's pictures among them (-1 for none); the kinds of marks drawn.
struct DiffPictures
{
    QList<GalleryItem> items[2];
    std::vector<std::array<qsizetype, 2>> places;
    QList<ComponentMark::Kind> legend;

    DiffPictures(const MultiComparison &comparison, const DiffGallerySide (&sides)[2])
    {
        bool used[ComponentMark::Kinds] = {};
        for (const MultiDifference &d : comparison.differences()) {
            if (d.kind == MultiDifference::Renumbered)
                continue;
            MarkedValues marked[2];
            markedValues(d, marked);
            for (const MarkedValues &side : marked)
                for (const auto &value : side)
                    used[value.second] = true;
            places.push_back(
                {d.kind == MultiDifference::Added ? -1 : take(0, sides, d.oldEntry, marked[0]),
                 d.kind == MultiDifference::Removed ? -1 : take(1, sides, d.newEntry, marked[1])});
        }
        for (int kind = 0; kind < ComponentMark::Kinds; ++kind)
            if (used[kind])
                legend.append(ComponentMark::Kind(kind));
    }

    // Each picture under a name of its own, also where letter case does not
    // tell names apart: "new x.mlt.png", "new X.mlt (2).png".
    qsizetype take(int side, const DiffGallerySide (&sides)[2], qsizetype entry,
                   const MarkedValues &marked)
    {
        if (entry < 0)
            return -1;
        GalleryItem item;
        item.entry = (*sides[side].entries)[entry];
        item.marks = marksOf(item.entry, marked);
        const QString name = QLatin1String(side == 0 ? "old " : "new ") + item.entry.text;
        item.shown = name;
        for (int n = 2; taken.contains(item.shown.toCaseFolded()); ++n)
            item.shown = name + QStringLiteral(" (") + QString::number(n) + u')';
        taken.insert(item.shown.toCaseFolded());
        item.entry.text = item.shown;
        items[side].append(item);
        return items[side].size() - 1;
    }

    QSet<QString> taken;
};

GalleryPages diffPages(const MultiComparison &comparison, const DiffGallerySide (&sides)[2],
                       const DiffPictures &pictures, GalleryJob &job, const DiffGalleryForm &form)
{
    GalleryPages pages{
        QStringLiteral("Korvane Extractor: what changed"), form.summary, {}, true, pictures.legend};
    size_t n = 0;
    for (const MultiDifference &d : comparison.differences()) {
        if (d.kind == MultiDifference::Renumbered)
            continue;
        const std::array<qsizetype, 2> &place = pictures.places[n++];
        const MultiEntry *before = d.oldEntry >= 0 ? &(*sides[0].entries)[d.oldEntry] : nullptr;
        const MultiEntry *after = d.newEntry >= 0 ? &(*sides[1].entries)[d.newEntry] : nullptr;
        GalleryCard card;
        card.title = before && after && before->text != after->text
                         ? before->text + QStringLiteral(" \u2192 ") + after->text
                         : (after ? after->text : before->text);
        card.change = changeWord(d.kind);
        card.facts = details(d, before, after);
        if (form.components && !d.components.isEmpty())
            card.facts += changesText(d, sides);
        for (int side = 0; side < 2; ++side)
            card.pictures.push_back({QLatin1String(side == 0 ? "old" : "new"),
                                     place[side] >= 0 ? &job.result(side, place[side]) : nullptr});
        pages.cards.push_back(card);
    }
    return pages;
}

} // namespace

bool writeDiffGallery(const CommandOutput &output, const QString &directory,
                      const MultiComparison &comparison, const DiffGallerySide &oldSide,
                      const DiffGallerySide &newSide, const DiffGalleryForm &form)
{
    const DiffGallerySide sides[2] = {oldSide, newSide};
    const DiffPictures pictures(comparison, sides);
    GalleryJob job(form.style, form.jobs);
    for (int side = 0; side < 2; ++side)
        job.addSide(*sides[side].client, pictures.items[side]);
    GalleryBatch batch(output, directory);
    // Every picture is drawn again: the pages say what changed now.
    if (!batch.open(job, true))
        return false;
    const bool complete = batch.draw(job);
    if (!batch.drawn())
        return false;
    const bool paged =
        batch.writePages(job, diffPages(comparison, sides, pictures, job, form), false);
    output.noteLine(batch.summary(job));
    return complete && paged;
}
