#pragma once

#include "commandoutput.h"

#include "compare/multicomparison.h"

#include <QList>
#include <QString>

class JsonWriter;
class TileDataStore;

// diff's report on standard output: a header line and a line per
// difference, TAB-separated (on a terminal, in aligned columns), or a JSON
// array of objects with the same facts and every component a changed entry
// added, removed, moved or replaced. Renumbered entries are counted, and
// listed only when asked for.
// A component changed, in words: "moved 1545 (tree) from 1,2,0 to 2,2,0",
// its tile names from the tile data of each side (none without).
QString componentChangeText(const ComponentChange &change, const TileDataStore *before,
                            const TileDataStore *after);

class DiffReport
{
public:
    // The entries of each side, whether they are .mlt files (which have no
    // number), and the tile data that names their graphics (may be null).
    struct Side
    {
        const QList<MultiEntry> *entries;
        bool multiFiles;
        const TileDataStore *tiles;
    };

    DiffReport(const CommandOutput &output, Side before, Side after)
        : output(output), before(before), after(after)
    {}

    struct Form
    {
        bool json = false;
        bool renumbered = false; // list renumbered entries too
        bool components = false; // a column of the components changed
    };
    // Writes the differences; whether standard output took them all.
    bool write(const QList<MultiDifference> &differences, Form form) const;

    // "2 added, 1 removed, 0 renumbered, 1 changed, 0 picture changed; 95
    // unchanged"
    static QString summary(const MultiComparison &comparison);

private:
    QStringList columns(const MultiDifference &difference) const;
    void writeJson(const QList<MultiDifference> &differences, bool renumbered) const;
    void writeComponents(JsonWriter &json, const MultiDifference &difference) const;
    void writeColumns(const QList<MultiDifference> &differences, Form form) const;

    const CommandOutput &output;
    Side before;
    Side after;
};
