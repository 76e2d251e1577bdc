#include "multicomparison.h"

#include "graphiccomparison.h"

#include <algorithm>

namespace {

using Values = std::vector<ComponentValue>;

// A graphic's slot among the graphics of both kinds, and its bit.
int graphicSlot(const ComponentValue &value)
{
    return value.graphic * 2 + (value.isItem() ? 1 : 0);
}

quint64 graphicBit(int slot)
{
    return quint64(1) << (mixBits(quint64(slot)) & 63);
}

// What is kept of every entry of a side: its key and which graphics it may
// draw, as one bit per graphic's hash (a bit set for a graphic it does not
// draw is possible, one missing for a graphic it draws is not).
struct SideSummary
{
    std::vector<EntryKey> keys;
    std::vector<quint64> graphics;
};

// `used` marks the graphic slots the side draws, when it is given.
SideSummary summarize(const QList<MultiEntry> &entries, std::vector<bool> *used)
{
    SideSummary summary;
    summary.keys.reserve(size_t(entries.size()));
    summary.graphics.reserve(size_t(entries.size()));
    Values values;
    for (const MultiEntry &entry : entries) {
        readComponentValues(entry.components, &values);
        summary.keys.push_back(EntryKey::of(values, entry.bounds));
        quint64 graphics = 0;
        for (const ComponentValue &value : values) {
            const int slot = graphicSlot(value);
            graphics |= graphicBit(slot);
            if (used)
                (*used)[size_t(slot)] = true;
        }
        summary.graphics.push_back(graphics);
    }
    return summary;
}

// The graphic slots whose picture differs, among those the old side draws.
struct GraphicChanges
{
    bool compared = false; // art on both sides
    std::vector<bool> slots;
    quint64 bits = 0;
    qsizetype decoded = 0;
};

GraphicChanges compareGraphics(const MultiComparison::Side &oldSide,
                               const MultiComparison::Side &newSide, const std::vector<bool> &used)
{
    GraphicChanges changes;
    changes.compared = oldSide.art && newSide.art;
    changes.slots.assign(used.size(), false);
    if (!changes.compared)
        return changes;
    GraphicComparison graphics(oldSide.art, oldSide.tiles, newSide.art, newSide.tiles);
    for (size_t slot = 0; slot < used.size(); ++slot) {
        if (used[slot] && graphics.differs(quint16(slot / 2), slot % 2 == 1)) {
            changes.slots[slot] = true;
            changes.bits |= graphicBit(int(slot));
        }
    }
    changes.decoded = graphics.decoded();
    return changes;
}

// How each old entry and its pair differ, once entries are paired.
struct PairJudge
{
    const QList<MultiEntry> &olds;
    const QList<MultiEntry> &news;
    const EntryPairing &pairing;
    const SideSummary &oldSummary;
    const GraphicChanges &graphics;
    const QStringList &oldNames;
    const QStringList &newNames;
    bool named; // a pair of other names is renumbered, not one of other numbers
    bool list;  // the components of a changed entry

    // False when old entry `i` and its pair are the same.
    bool judge(qsizetype i, MultiDifference *difference) const;
    // The changed graphics the old entry `i` draws, ascending.
    QList<quint16> changedGraphics(qsizetype i) const;
};

bool PairJudge::judge(qsizetype i, MultiDifference *difference) const
{
    const qsizetype n = pairing.newOf(i);
    difference->oldEntry = i;
    difference->newEntry = n;
    if (n < 0) {
        difference->kind = MultiDifference::Removed;
        return true;
    }
    if (!pairing.exact(i)) {
        difference->kind = MultiDifference::Changed;
        Values before;
        readSortedComponentValues(olds[i].components, &before);
        const Values *after = pairing.sortedComponents(n);
        Values read;
        if (!after) {
            readSortedComponentValues(news[n].components, &read);
            after = &read;
        }
        difference->describeChange(before, *after, list);
        return true;
    }
    if (graphics.compared && (oldSummary.graphics[size_t(i)] & graphics.bits) != 0)
        difference->graphics = changedGraphics(i);
    if (!difference->graphics.isEmpty())
        difference->kind = MultiDifference::PictureChanged;
    else if (named ? oldNames[i] != newNames[n] : n != i)
        difference->kind = MultiDifference::Renumbered;
    else
        return false;
    return true;
}

QList<quint16> PairJudge::changedGraphics(qsizetype i) const
{
    QList<quint16> changed;
    Values values;
    readComponentValues(olds[i].components, &values);
    for (const ComponentValue &value : values) {
        if (graphics.slots[size_t(graphicSlot(value))])
            changed.append(value.graphic);
    }
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    return changed;
}

// A difference and where it is reported.
struct Placed
{
    qsizetype at; // in the new side's order
    int removed;  // 0: a removed entry comes before the one at its place
    MultiDifference difference;
};

} // namespace

namespace {

// The names entries pair and are renumbered by: their own, or their texts.
QStringList namesOf(const MultiComparison::Side &side)
{
    if (!side.names.isEmpty())
        return side.names;
    QStringList names;
    names.reserve(side.entries.size());
    for (const MultiEntry &entry : side.entries)
        names.append(entry.text);
    return names;
}

} // namespace

MultiComparison::MultiComparison(const Side &oldSide, const Side &newSide, Detail detail)
{
    const QList<MultiEntry> &olds = oldSide.entries;
    const QList<MultiEntry> &news = newSide.entries;
    std::vector<bool> used(65536 * 2, false); // graphic slots the old side draws
    const SideSummary oldSummary = summarize(olds, &used);
    const SideSummary newSummary = summarize(news, nullptr);
    const bool named = oldSide.named || newSide.named;
    const QStringList oldNames = named ? namesOf(oldSide) : QStringList();
    const QStringList newNames = named ? namesOf(newSide) : QStringList();
    const EntryPairing pairing(olds, oldSummary.keys, news, newSummary.keys,
                               oldSide.named && newSide.named ? EntryPairing::ByComponentsAndNames
                                                              : EntryPairing::ByComponents,
                               oldNames, newNames);
    const GraphicChanges graphics = compareGraphics(oldSide, newSide, used);
    decoded = graphics.decoded;
    const PairJudge judge{olds,       news,     pairing,
                          oldSummary, graphics, oldNames,
                          newNames,   named,    detail == ListComponents};

    std::vector<Placed> placed;
    const auto add = [&](qsizetype at, MultiDifference difference) {
        ++counts[difference.kind];
        placed.push_back(
            {at, difference.kind == MultiDifference::Removed ? 0 : 1, std::move(difference)});
    };
    for (qsizetype i = 0; i < olds.size(); ++i) {
        MultiDifference difference;
        if (!judge.judge(i, &difference))
            ++same;
        else
            add(difference.newEntry < 0 ? pairing.expected(i) : difference.newEntry, difference);
    }
    for (qsizetype n = 0; n < news.size(); ++n) {
        if (pairing.oldOf(n) < 0) {
            MultiDifference difference;
            difference.newEntry = n;
            add(n, difference);
        }
    }

    std::stable_sort(placed.begin(), placed.end(), [](const Placed &a, const Placed &b) {
        return std::tie(a.at, a.removed) < std::tie(b.at, b.removed);
    });
    found.reserve(qsizetype(placed.size()));
    for (Placed &entry : placed)
        found.append(std::move(entry.difference));
}
