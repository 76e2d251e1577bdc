#include "diffreport.h"

#include "core/jsonwriter.h"
#include "core/shownname.h"

namespace {

const char *const KindWords[MultiDifference::Kinds] = {"added", "removed", "renumbered", "changed",
                                                       "picture-changed"};

const MultiEntry *entryOf(const DiffReport::Side &side, qsizetype n)
{
    return n >= 0 ? &(*side.entries)[n] : nullptr;
}

// A name as a column holds it: a TAB or line break in it would make another
// column or line.
QString name(const MultiEntry *entry)
{
    return entry ? escapeControls(entry->text) : QString();
}

QString count(const MultiEntry *entry)
{
    return entry ? QString::number(entry->components.size()) : QString();
}

QString bounds(const MultiEntry *entry)
{
    if (!entry || entry->components.isEmpty())
        return {};
    const QRect &b = entry->bounds;
    return QStringLiteral("%1 %2 %3 %4").arg(b.left()).arg(b.top()).arg(b.right()).arg(b.bottom());
}

// The entry's number (null for a .mlt file), name, components and bounds
// (null without components), as list --json gives them, on one line.
void writeEntry(JsonWriter &json, const MultiEntry *entry, qsizetype number, bool multiFile)
{
    if (!entry)
        return json.null();
    const bool bounded = !entry->components.isEmpty();
    const QRect &b = entry->bounds;
    const int values[] = {b.left(), b.top(), b.right(), b.bottom()};
    static const char *const keys[] = {"x1", "y1", "x2", "y2"};
    json.beginObject(JsonWriter::Inline);
    json.key("number");
    multiFile ? json.null() : json.value(qint64(number));
    json.key("name");
    json.value(entry->text);
    json.key("components");
    json.value(qint64(entry->components.size()));
    for (int k = 0; k < 4; ++k) {
        json.key(keys[k]);
        bounded ? json.value(qint64(values[k])) : json.null();
    }
    json.endObject();
}

} // namespace

QByteArray DiffReport::line(const MultiDifference &d) const
{
    const MultiEntry *was = entryOf(before, d.oldEntry);
    const MultiEntry *is = entryOf(after, d.newEntry);
    const bool changed = d.kind == MultiDifference::Changed;
    QStringList columns{QLatin1String(KindWords[d.kind]), name(was), name(is), count(was),
                        count(is)};
    for (qsizetype value : {d.added, d.removed, d.moved, d.replaced})
        columns << (changed ? QString::number(value) : QString());
    QStringList graphics;
    for (quint16 graphic : d.graphics)
        graphics << QString::number(graphic);
    columns << bounds(was) << bounds(is) << graphics.join(u' ');
    return columns.join(u'\t').toUtf8() + '\n';
}

void DiffReport::writeJson(const QList<MultiDifference> &differences) const
{
    JsonWriter json;
    json.beginArray();
    for (const MultiDifference &d : differences) {
        const bool changed = d.kind == MultiDifference::Changed;
        json.beginObject();
        json.key("change");
        json.value(QLatin1String(KindWords[d.kind]));
        json.key("old");
        writeEntry(json, entryOf(before, d.oldEntry), d.oldEntry, before.multiFiles);
        json.key("new");
        writeEntry(json, entryOf(after, d.newEntry), d.newEntry, after.multiFiles);
        static const char *const keys[] = {"added", "removed", "moved", "replaced"};
        const qsizetype counts[] = {d.added, d.removed, d.moved, d.replaced};
        for (int k = 0; k < 4; ++k) {
            json.key(keys[k]);
            changed ? json.value(qint64(counts[k])) : json.null();
        }
        json.key("graphics");
        json.beginArray(JsonWriter::Inline);
        for (quint16 graphic : d.graphics)
            json.value(qint64(graphic));
        json.endArray();
        json.endObject();
        output.write(json.take());
    }
    json.endArray();
    output.write(json.take());
}

bool DiffReport::write(const QList<MultiDifference> &differences, bool json) const
{
    if (json) {
        writeJson(differences);
    } else {
        output.write("change\told\tnew\told components\tnew components\tadded\tremoved\tmoved"
                     "\treplaced\told bounds\tnew bounds\tgraphics\n");
        for (const MultiDifference &d : differences)
            output.write(line(d));
    }
    return output.flush(QStringLiteral("the report"));
}

QString DiffReport::summary(const MultiComparison &comparison)
{
    return QStringLiteral("%1 added, %2 removed, %3 renumbered, %4 changed, %5 picture changed; "
                          "%6 unchanged")
        .arg(comparison.count(MultiDifference::Added))
        .arg(comparison.count(MultiDifference::Removed))
        .arg(comparison.count(MultiDifference::Renumbered))
        .arg(comparison.count(MultiDifference::Changed))
        .arg(comparison.count(MultiDifference::PictureChanged))
        .arg(comparison.unchanged());
}
