#pragma once

#include "compare/componentvalue.h"

#include <QList>

#include <vector>

// One component of a changed entry that is not what or where it was.
struct ComponentChange
{
    enum Kind
    {
        Added,    // only in the new entry
        Removed,  // only in the old entry
        Moved,    // the same graphic and kind at another place
        Replaced, // another graphic (or kind) at the same place
    };

    Kind kind = Added;
    ComponentValue before; // as it stood; all zero for Added
    ComponentValue after;  // as it stands; all zero for Removed
};

// How one entry differs between the old and the new side of a comparison.
struct MultiDifference
{
    enum Kind
    {
        Added,          // only in the new side
        Removed,        // only in the old side
        Renumbered,     // the same components under another number or name
        Changed,        // paired, but its components differ
        PictureChanged, // the same components, drawn from other art or tile data
    };
    static constexpr int Kinds = 5;

    Kind kind = Added;
    qsizetype oldEntry = -1; // in the old side's entries; -1 for Added
    qsizetype newEntry = -1; // in the new side's; -1 for Removed

    // Changed: components of the new entry not in the old one, and the
    // reverse; of those, pairs at the same place (x, y, z) with another
    // graphic are "replaced", pairs of one graphic at another place "moved".
    qsizetype added = 0;
    qsizetype removed = 0;
    qsizetype moved = 0;
    qsizetype replaced = 0;
    // Changed, when listed: each component counted above, by kind in the
    // order of ComponentChange::Kind, then by where it stood (added ones by
    // where they stand).
    QList<ComponentChange> components;
    // PictureChanged: the graphics whose art or tile data differ, ascending.
    QList<quint16> graphics;

    // Counts how the components `before` became `after` (both sorted), and
    // lists them when `list` is set. Replaced ones are paired first, place
    // by place; then moved ones, graphic by graphic in the order of their
    // places. Time near linear in the components, memory in those changed.
    void describeChange(const std::vector<ComponentValue> &before,
                        const std::vector<ComponentValue> &after, bool list);
};
