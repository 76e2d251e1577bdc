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
        json.endObject();
        output.write(json.take());
    }
    json.endArray();
    output.write(json.take());
}

// TAB-separated, as they come; on a terminal, held and aligned, two spaces
// between columns.
void DiffReport::writeColumns(const QList<MultiDifference> &differences, bool renumbered) const
{
    const QStringList header{QStringLiteral("change"),
                             QStringLiteral("old"),
                             QStringLiteral("new"),
                             QStringLiteral("old components"),
                             QStringLiteral("new components"),
                             QStringLiteral("added"),
                             QStringLiteral("removed"),
                             QStringLiteral("moved"),
                             QStringLiteral("replaced"),
                             QStringLiteral("old bounds"),
                             QStringLiteral("new bounds"),
                             QStringLiteral("graphics")};
    const bool aligned = output.outputIsTerminal();
    QList<QStringList> rows{header};
    for (const MultiDifference &d : differences) {
        if (d.kind == MultiDifference::Renumbered && !renumbered)
            continue;
        rows.append(columns(d));
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
        writeColumns(differences, form.renumbered);
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
