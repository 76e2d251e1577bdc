#pragma once

#include "cache/multientry.h"
#include "compare/entrypairing.h"
#include "compare/multidifference.h"

#include <QList>

#include <array>

class ArtStore;
class TileDataStore;

// Compares two lists of entries and says which differ, and how.
//
// Entries are paired by their components: first each old entry with the
// first new entry not yet paired that has exactly the same components (the
// same graphic, x, y, z and kind, in any order) and bounds, taken in entry
// order, so that entries inserted or removed anywhere never make the others
// differ, and two entries alike pair in their order. Then each old entry left
// is paired with the new entry left that shares the most components with it,
// when they share at least half of the larger one's: "changed". Where shares
// are equal, the new entry standing where the old one would stand wins: after
// the nearest paired entry before it, as far on as the old one is. The
// candidates are that entry, the one of the same number, the one of the same
// name and the two sharing the most of the rarer components (those in at most
// EntryPairing::RareComponent entries left), and entries whose sizes differ
// more than twice over are never counted; so nothing is quadratic in the
// entries or the components. What is left was removed or added.
//
// When both sides are named (their entries' texts are names of their own, as
// the names of .mlt files are), a name breaks ties before the order: of equal
// candidates, the one of the same name wins. A pair of the same components is
// renumbered when its number differs, or, when a side is named, its name.
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
        // Whether its entries have names of their own (.mlt files'), not
        // "Entry N" after their numbers: `names`, or else their texts. The
        // first of two alike names counts.
        bool named = false;
        QStringList names = {};
    };
    // Whether a changed entry lists its components (MultiDifference::components)
    // or only counts them.
    enum Detail
    {
        CountComponents,
        ListComponents,
    };

    MultiComparison(const Side &oldSide, const Side &newSide, Detail detail = ListComponents);

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
