#pragma once

#include "commandoutput.h"

#include "compare/multicomparison.h"

#include <QList>
#include <QString>

// diff's report on standard output: a header line and a line per
// difference, TAB-separated (on a terminal, in aligned columns), or a JSON
// array of objects with the same facts. Renumbered entries are counted, and
// listed only when asked for.
class DiffReport
{
public:
    // The entries of each side, and whether a side's are .mlt files (which
    // have no number).
    struct Side
    {
        const QList<MultiEntry> *entries;
        bool multiFiles;
    };

    DiffReport(const CommandOutput &output, Side before, Side after)
        : output(output), before(before), after(after)
    {}

    struct Form
    {
        bool json = false;
        bool renumbered = false; // list renumbered entries too
    };
    // Writes the differences; whether standard output took them all.
    bool write(const QList<MultiDifference> &differences, Form form) const;

    // "2 added, 1 removed, 0 renumbered, 1 changed, 0 picture changed; 95
    // unchanged"
    static QString summary(const MultiComparison &comparison);

private:
    QStringList columns(const MultiDifference &difference) const;
    void writeJson(const QList<MultiDifference> &differences, bool renumbered) const;
    void writeColumns(const QList<MultiDifference> &differences, bool renumbered) const;

    const CommandOutput &output;
    Side before;
    Side after;
};
