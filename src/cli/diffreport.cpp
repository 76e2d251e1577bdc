#include "diffreport.h"

#include "core/jsonwriter.h"
#include "core/shownname.h"
#include "data/tiledatastore.h"

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

// A graphic's name in the tile data, "" when there is none.
QString tileName(const TileDataStore *tiles, const ComponentValue &value)
{
    if (!tiles)
        return {};
    return (value.isItem() ? tiles->itemRecord(value.graphic) : tiles->landRecord(value.graphic))
        .name;
}

QString placeText(const ComponentValue &value)
{
    return QStringLiteral("%1,%2,%3").arg(value.x).arg(value.y).arg(value.z);
}

// A tile name, null without tile data to read it from.
void writeTile(JsonWriter &json, const TileDataStore *tiles, const ComponentValue &value)
{
    if (!tiles)
        return json.null();
    json.value(tileName(tiles, value));
}

void writePlace(JsonWriter &json, const ComponentValue *value)
{
    if (!value)
        return json.null();
    json.beginArray(JsonWriter::Inline);
    for (const qint64 coordinate : {qint64(value->x), qint64(value->y), qint64(value->z)})
        json.value(coordinate);
    json.endArray();
}

const char *const ChangeWords[] = {"added", "removed", "moved", "replaced"};

} // namespace

QString componentChangeText(const ComponentChange &change, const TileDataStore *beforeTiles,
                            const TileDataStore *afterTiles)
{
    const auto graphic = [](const TileDataStore *tiles, const ComponentValue &value) {
        const QString name = tileName(tiles, value);
        return name.isEmpty() ? QString::number(value.graphic)
                              : QString::number(value.graphic) + QStringLiteral(" (") + name + u')';
    };
    switch (change.kind) {
    case ComponentChange::Added:
        return QStringLiteral("added ") + graphic(afterTiles, change.after) +
               QStringLiteral(" at ") + placeText(change.after);
    case ComponentChange::Removed:
        return QStringLiteral("removed ") + graphic(beforeTiles, change.before) +
               QStringLiteral(" at ") + placeText(change.before);
    case ComponentChange::Moved:
        return QStringLiteral("moved ") + graphic(afterTiles, change.after) +
               QStringLiteral(" from ") + placeText(change.before) + QStringLiteral(" to ") +
               placeText(change.after);
    case ComponentChange::Replaced:
        break;
    }
    return graphic(beforeTiles, change.before) + QStringLiteral(" replaced by ") +
           graphic(afterTiles, change.after) + QStringLiteral(" at ") + placeText(change.after);
}

// Each component changed, on a line of its own: the graphic as it stands (as
// it stood, for a removed one) and its tile name, the old graphic of a
// replaced one, where it stood and where it stands.
void DiffReport::writeComponents(JsonWriter &json, const MultiDifference &d) const
{
    if (d.kind != MultiDifference::Changed)
        return json.null();
    json.beginArray();
    for (const ComponentChange &change : d.components) {
        const bool gone = change.kind == ComponentChange::Removed;
        const ComponentValue &now = gone ? change.before : change.after;
        const bool replaced = change.kind == ComponentChange::Replaced;
        json.beginObject(JsonWriter::Inline);
        json.key("change");
        json.value(QLatin1String(ChangeWords[change.kind]));
        json.key("graphic");
        json.value(qint64(now.graphic));
        json.key("tile");
        writeTile(json, gone ? before.tiles : after.tiles, now);
        json.key("old graphic");
        replaced ? json.value(qint64(change.before.graphic)) : json.null();
        json.key("old tile");
        replaced ? writeTile(json, before.tiles, change.before) : json.null();
        json.key("from");
        writePlace(json, change.kind == ComponentChange::Added ? nullptr : &change.before);
        json.key("to");
        writePlace(json, gone ? nullptr : &change.after);
        json.endObject();
    }
    json.endArray();
}

QStringList DiffReport::columns(const MultiDifference &d) const
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
    return columns;
}

void DiffReport::writeJson(const QList<MultiDifference> &differences, bool renumbered) const
{
    JsonWriter json;
    json.beginArray();
    for (const MultiDifference &d : differences) {
        if (d.kind == MultiDifference::Renumbered && !renumbered)
            continue;
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
        json.key("components");
        writeComponents(json, d);
        json.endObject();
        output.write(json.take());
    }
    json.endArray();
    output.write(json.take());
}

// TAB-separated, as they come; on a terminal, held and aligned, two spaces
// between columns.
void DiffReport::writeColumns(const QList<MultiDifference> &differences, Form form) const
{
    QStringList header = QStringLiteral("change\told\tnew\told components\tnew components\t"
                                        "added\tremoved\tmoved\treplaced\told bounds\t"
                                        "new bounds\tgraphics")
                             .split(u'\t');
    if (form.components)
        header.append(QStringLiteral("components"));
    const bool aligned = output.outputIsTerminal();
    QList<QStringList> rows{header};
    for (const MultiDifference &d : differences) {
        if (d.kind == MultiDifference::Renumbered && !form.renumbered)
            continue;
        rows.append(columns(d));
        if (form.components) {
            QStringList changes;
            for (const ComponentChange &change : d.components)
                changes.append(
                    escapeControls(componentChangeText(change, before.tiles, after.tiles)));
            rows.last().append(changes.join(QStringLiteral("; ")));
        }
        if (!aligned) {
            for (const QStringList &row : std::as_const(rows))
                output.write(row.join(u'\t').toUtf8() + '\n');
            rows.clear();
        }
    }
    QList<qsizetype> widths(header.size(), 0);
    for (const QStringList &row : std::as_const(rows))
        for (qsizetype n = 0; n < row.size(); ++n)
            widths[n] = std::max(widths[n], row[n].size());
    for (const QStringList &row : std::as_const(rows)) {
        QString line;
        for (qsizetype n = 0; n < row.size(); ++n)
            line += aligned ? row[n].leftJustified(widths[n] + 2) : row[n] + u'\t';
        line.chop(aligned ? 0 : 1);
        output.printLine(aligned ? line.trimmed() : line);
    }
}

bool DiffReport::write(const QList<MultiDifference> &differences, Form form) const
{
    if (form.json)
        writeJson(differences, form.renumbered);
    else
        writeColumns(differences, form);
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
