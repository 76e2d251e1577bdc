#pragma once

#include "cache/multientry.h"

#include <QList>
#include <QString>

#include <array>

class ArtStore;
class TileDataStore;

// How one entry differs between the old and the new side of a comparison.
struct MultiDifference
{
    enum Kind
    {
        Added,          // only in the new side
        Removed,        // only in the old side
        Renumbered,     // the same components under another number
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
    // PictureChanged: the graphics whose art or tile data differ, ascending.
    QList<quint16> graphics;
};

// Compares two lists of entries and says which differ, and how.
//
// Entries of two cache files are paired by their components: first each old
// entry with the first new entry not yet paired that has exactly the same
// components (the same graphic, x, y, z and kind, in any order) and bounds,
// taken in entry order, so that entries inserted or removed anywhere never
// make the others differ, and two entries alike pair in their order. Then
// each old entry left is paired with the new entry left that shares the most
// components with it, when they share at least half of the larger one's:
// "changed". Where shares are equal, the new entry standing where the old one
// would stand wins: after the nearest paired entry before it, as far on as
// the old one is. The candidates are that entry, the one of the same number
// and the two sharing the most of the rarer components (those in at most
// RareComponent entries left); so nothing is quadratic in the entries or the
// components. What is left was removed or added.
//
// Entries of two directories of .mlt files pair by name instead.
//
// Pairs of the same components are compared as pictures: when a graphic they
// draw has other art (compared as the bytes of its entry, decoded only when
// those differ) or another tile data record on the new side, the picture
// changed. Without art on both sides, pictures are not compared.
class MultiComparison
{
public:
    struct Side
    {
        QList<MultiEntry> entries;
        ArtStore *art = nullptr;
        const TileDataStore *tiles = nullptr;
    };
    enum Pairing
    {
        ByComponents,
        ByName,
    };

    // New entries left that one component may be in for it to name a
    // candidate.
    static constexpr int RareComponent = 8;

    MultiComparison(const Side &oldSide, const Side &newSide, Pairing pairing);

    // Every difference, in the new side's order; a removed entry where it stood.
    const QList<MultiDifference> &differences() const { return found; }
    qsizetype count(MultiDifference::Kind kind) const { return counts[kind]; }
    qsizetype unchanged() const { return same; }

    // Art entries decoded to compare pictures.
    qsizetype artDecoded() const { return decoded; }

private:
    QList<MultiDifference> found;
    std::array<qsizetype, MultiDifference::Kinds> counts{};
    qsizetype same = 0;
    qsizetype decoded = 0;
};
