#include "multicomparison.h"

#include "componentvalue.h"
#include "graphiccomparison.h"

#include <QHash>

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace {

using Values = std::vector<ComponentValue>;

// 128 bits of an entry's sorted components and bounds: two chains of mixing,
// so that entries alike by chance are not taken for the same.
struct Key
{
    quint64 a = 0;
    quint64 b = 0;
    friend bool operator==(const Key &x, const Key &y) { return x.a == y.a && x.b == y.b; }
};

struct KeyHash
{
    size_t operator()(const Key &key) const { return size_t(key.a); }
};

// What is kept of every entry: its key and which graphics it may draw, as
// one bit per graphic's hash (a bit set for a graphic it does not draw is
// possible, one missing for a graphic it draws is not).
struct Summary
{
    Key key;
    quint64 graphics = 0;
};

// A graphic's slot among the graphics of both kinds, and its bit.
int graphicSlot(const ComponentValue &value)
{
    return value.graphic * 2 + (value.isItem() ? 1 : 0);
}

quint64 graphicBit(int slot)
{
    return quint64(1) << (mixBits(quint64(slot)) & 63);
}

// The entry's components as values, sorted.
void sortedValues(const MultiEntry &entry, Values *values)
{
    readComponentValues(entry.components, values);
    std::sort(values->begin(), values->end());
}

Summary summarize(const MultiEntry &entry, Values *values, std::vector<bool> *used)
{
    sortedValues(entry, values);
    Summary summary;
    const QRect &bounds = entry.bounds;
    quint64 a = mixBits(quint64(values->size()));
    quint64 b = mixBits(quint64(bounds.left()) << 32 ^ quint32(bounds.top()));
    b = mixBits(b ^ (quint64(bounds.right()) << 32 ^ quint32(bounds.bottom())));
    for (const ComponentValue &value : *values) {
        const quint64 h = value.hash();
        a = mixBits(a ^ h);
        b = mixBits(b + (h << 29 | h >> 35));
        const int slot = graphicSlot(value);
        summary.graphics |= graphicBit(slot);
        if (used)
            (*used)[size_t(slot)] = true;
    }
    summary.key = {a, b};
    return summary;
}

// Components the two sorted lists share, duplicates counted.
qsizetype sharedCount(const Values &a, const Values &b)
{
    qsizetype shared = 0;
    auto i = a.cbegin();
    auto j = b.cbegin();
    while (i != a.cend() && j != b.cend()) {
        if (*i < *j) {
            ++i;
        } else if (*j < *i) {
            ++j;
        } else {
            ++shared;
            ++i;
            ++j;
        }
    }
    return shared;
}

bool placeBefore(const ComponentValue &a, const ComponentValue &b)
{
    return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z);
}

bool graphicBefore(const ComponentValue &a, const ComponentValue &b)
{
    return std::tie(a.graphic, a.kind) < std::tie(b.graphic, b.kind);
}

// Pairs of `gone` and `come` (both sorted by `before`) that `before` holds
// equal; those paired are taken out of both. Returns how many.
template <typename Before> qsizetype pairUp(Values *gone, Values *come, Before before)
{
    Values goneLeft;
    Values comeLeft;
    qsizetype pairs = 0;
    auto i = gone->cbegin();
    auto j = come->cbegin();
    while (i != gone->cend() || j != come->cend()) {
        if (j == come->cend() || (i != gone->cend() && before(*i, *j))) {
            goneLeft.push_back(*i++);
        } else if (i == gone->cend() || before(*j, *i)) {
            comeLeft.push_back(*j++);
        } else {
            ++pairs;
            ++i;
            ++j;
        }
    }
    *gone = std::move(goneLeft);
    *come = std::move(comeLeft);
    return pairs;
}

// How the components of a changed entry differ: its counts in `difference`.
void describeChange(const Values &before, const Values &after, MultiDifference *difference)
{
    Values gone;
    Values come;
    std::set_difference(before.cbegin(), before.cend(), after.cbegin(), after.cend(),
                        std::back_inserter(gone));
    std::set_difference(after.cbegin(), after.cend(), before.cbegin(), before.cend(),
                        std::back_inserter(come));
    // Sorted by place already: the values sort by x, y, z first.
    difference->replaced = pairUp(&gone, &come, placeBefore);
    std::stable_sort(gone.begin(), gone.end(), graphicBefore);
    std::stable_sort(come.begin(), come.end(), graphicBefore);
    difference->moved = pairUp(&gone, &come, graphicBefore);
    difference->removed = qsizetype(gone.size());
    difference->added = qsizetype(come.size());
}

// One way an old entry left may pair with a new one left.
struct Candidate
{
    qsizetype shared;
    qsizetype distance; // from where the old entry would stand
    qsizetype oldEntry;
    qsizetype newEntry;
};

// Pairs the old entries left (pairOfOld[i] < 0) with new ones left as
// changed; see MultiComparison.
void pairChanged(const QList<MultiEntry> &olds, const QList<MultiEntry> &news,
                 std::vector<qsizetype> &pairOfOld, std::vector<qsizetype> &pairOfNew,
                 std::vector<qsizetype> &expected)
{
    // The sorted components of every new entry left, and the rare ones
    // among them as (hash, slot), sorted: equal hashes are runs.
    std::vector<qsizetype> leftNew;
    std::vector<Values> newValues;
    std::vector<std::pair<quint64, qsizetype>> postings;
    for (qsizetype n = 0; n < news.size(); ++n) {
        if (pairOfNew[size_t(n)] >= 0)
            continue;
        const qsizetype slot = qsizetype(leftNew.size());
        leftNew.push_back(n);
        newValues.emplace_back();
        sortedValues(news[n], &newValues.back());
        const Values &values = newValues.back();
        for (size_t k = 0; k < values.size(); ++k) {
            if (k == 0 || values[k] != values[k - 1])
                postings.emplace_back(values[k].hash(), slot);
        }
    }
    if (leftNew.empty())
        return;
    std::sort(postings.begin(), postings.end());
    std::vector<qsizetype> slotOfNew(size_t(news.size()), -1);
    for (size_t slot = 0; slot < leftNew.size(); ++slot)
        slotOfNew[size_t(leftNew[slot])] = qsizetype(slot);

    std::vector<Candidate> candidates;
    std::vector<qsizetype> votes(leftNew.size(), 0);
    std::vector<qsizetype> voted;
    Values values;
    for (qsizetype i = 0; i < olds.size(); ++i) {
        if (pairOfOld[size_t(i)] >= 0)
            continue;
        sortedValues(olds[i], &values);
        for (size_t k = 0; k < values.size(); ++k) {
            if (k > 0 && values[k] == values[k - 1])
                continue;
            const auto [first, last] =
                std::equal_range(postings.cbegin(), postings.cend(),
                                 std::pair<quint64, qsizetype>(values[k].hash(), -1),
                                 [](const auto &a, const auto &b) { return a.first < b.first; });
            if (last - first > MultiComparison::RareComponent)
                continue;
            for (auto it = first; it != last; ++it) {
                if (votes[size_t(it->second)]++ == 0)
                    voted.push_back(it->second);
            }
        }
        // The two with the most votes, the one where it would stand and the
        // one of its number.
        const qsizetype where = expected[size_t(i)];
        const auto distance = [&](qsizetype slot) { return qAbs(leftNew[size_t(slot)] - where); };
        std::partial_sort(voted.begin(), voted.begin() + std::min<size_t>(2, voted.size()),
                          voted.end(), [&](qsizetype a, qsizetype b) {
                              if (votes[size_t(a)] != votes[size_t(b)])
                                  return votes[size_t(a)] > votes[size_t(b)];
                              return distance(a) < distance(b);
                          });
        std::vector<qsizetype> slots(voted.begin(),
                                     voted.begin() + std::min<size_t>(2, voted.size()));
        for (qsizetype n : {where, i}) {
            if (n >= 0 && n < news.size() && slotOfNew[size_t(n)] >= 0)
                slots.push_back(slotOfNew[size_t(n)]);
        }
        for (qsizetype slot : voted)
            votes[size_t(slot)] = 0;
        voted.clear();
        std::sort(slots.begin(), slots.end());
        slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
        for (qsizetype slot : slots) {
            const Values &other = newValues[size_t(slot)];
            const qsizetype shared = sharedCount(values, other);
            const qsizetype larger = qsizetype(std::max(values.size(), other.size()));
            if (shared > 0 && 2 * shared >= larger)
                candidates.push_back({shared, distance(slot), i, leftNew[size_t(slot)]});
        }
    }

    std::sort(candidates.begin(), candidates.end(), [](const Candidate &a, const Candidate &b) {
        return std::tie(b.shared, a.distance, a.oldEntry, a.newEntry) <
               std::tie(a.shared, b.distance, b.oldEntry, b.newEntry);
    });
    for (const Candidate &candidate : candidates) {
        if (pairOfOld[size_t(candidate.oldEntry)] >= 0 ||
            pairOfNew[size_t(candidate.newEntry)] >= 0)
            continue;
        pairOfOld[size_t(candidate.oldEntry)] = candidate.newEntry;
        pairOfNew[size_t(candidate.newEntry)] = candidate.oldEntry;
    }
}

} // namespace

MultiComparison::MultiComparison(const Side &oldSide, const Side &newSide, Pairing pairing)
{
    const QList<MultiEntry> &olds = oldSide.entries;
    const QList<MultiEntry> &news = newSide.entries;
    Values values;
    std::vector<bool> used(65536 * 2, false); // graphic slots the old side draws
    std::vector<Summary> oldSummaries;
    std::vector<Summary> newSummaries;
    oldSummaries.reserve(size_t(olds.size()));
    newSummaries.reserve(size_t(news.size()));
    for (const MultiEntry &entry : olds)
        oldSummaries.push_back(summarize(entry, &values, &used));
    for (const MultiEntry &entry : news)
        newSummaries.push_back(summarize(entry, &values, nullptr));

    std::vector<qsizetype> pairOfOld(size_t(olds.size()), -1);
    std::vector<qsizetype> pairOfNew(size_t(news.size()), -1);
    if (pairing == ByName) {
        QHash<QString, qsizetype> named;
        for (qsizetype n = 0; n < news.size(); ++n)
            named.insert(news[n].text, n);
        for (qsizetype i = 0; i < olds.size(); ++i) {
            const qsizetype n = named.value(olds[i].text, -1);
            if (n >= 0 && pairOfNew[size_t(n)] < 0) {
                pairOfOld[size_t(i)] = n;
                pairOfNew[size_t(n)] = i;
            }
        }
    } else {
        // Each key's new entries in order, and how many are taken.
        struct Bucket
        {
            std::vector<qsizetype> entries;
            size_t taken = 0;
        };
        std::unordered_map<Key, Bucket, KeyHash> byKey;
        for (qsizetype n = 0; n < news.size(); ++n)
            byKey[newSummaries[size_t(n)].key].entries.push_back(n);
        for (qsizetype i = 0; i < olds.size(); ++i) {
            const auto it = byKey.find(oldSummaries[size_t(i)].key);
            if (it == byKey.end() || it->second.taken == it->second.entries.size())
                continue;
            const qsizetype n = it->second.entries[it->second.taken++];
            pairOfOld[size_t(i)] = n;
            pairOfNew[size_t(n)] = i;
        }
    }

    // Where each old entry would stand in the new side: as far after the
    // nearest entry paired before it as it is in the old side.
    std::vector<qsizetype> expected(size_t(olds.size()));
    qsizetype shift = 0;
    for (qsizetype i = 0; i < olds.size(); ++i) {
        if (pairOfOld[size_t(i)] >= 0)
            shift = pairOfOld[size_t(i)] - i;
        expected[size_t(i)] = i + shift;
    }
    // Exact pairs so far: those of the same key.
    std::vector<bool> exact(size_t(olds.size()), false);
    for (qsizetype i = 0; i < olds.size(); ++i) {
        const qsizetype n = pairOfOld[size_t(i)];
        exact[size_t(i)] = n >= 0 && oldSummaries[size_t(i)].key == newSummaries[size_t(n)].key;
    }
    if (pairing == ByComponents)
        pairChanged(olds, news, pairOfOld, pairOfNew, expected);

    // The graphics whose picture differs, among those the old side draws.
    const bool pictures = oldSide.art && newSide.art;
    std::vector<bool> changedGraphic(used.size(), false);
    quint64 changedBits = 0;
    if (pictures) {
        GraphicComparison graphics(oldSide.art, oldSide.tiles, newSide.art, newSide.tiles);
        for (size_t slot = 0; slot < used.size(); ++slot) {
            if (used[slot] && graphics.differs(quint16(slot / 2), slot % 2 == 1)) {
                changedGraphic[slot] = true;
                changedBits |= graphicBit(int(slot));
            }
        }
        decoded = graphics.decoded();
    }

    struct Placed
    {
        qsizetype at; // in the new side's order
        int removed;  // 0: a removed entry comes before the one at its place
        MultiDifference difference;
    };
    std::vector<Placed> placed;
    const auto add = [&](qsizetype at, MultiDifference difference) {
        ++counts[difference.kind];
        placed.push_back(
            {at, difference.kind == MultiDifference::Removed ? 0 : 1, std::move(difference)});
    };
    Values after;
    for (qsizetype i = 0; i < olds.size(); ++i) {
        const qsizetype n = pairOfOld[size_t(i)];
        MultiDifference difference;
        difference.oldEntry = i;
        difference.newEntry = n;
        if (n < 0) {
            difference.kind = MultiDifference::Removed;
            add(expected[size_t(i)], difference);
            continue;
        }
        if (!exact[size_t(i)]) {
            difference.kind = MultiDifference::Changed;
            sortedValues(olds[i], &values);
            sortedValues(news[n], &after);
            describeChange(values, after, &difference);
            add(n, difference);
            continue;
        }
        if (pictures && (oldSummaries[size_t(i)].graphics & changedBits) != 0) {
            readComponentValues(olds[i].components, &values);
            for (const ComponentValue &value : values) {
                if (changedGraphic[size_t(graphicSlot(value))])
                    difference.graphics.append(value.graphic);
            }
            std::sort(difference.graphics.begin(), difference.graphics.end());
            difference.graphics.erase(
                std::unique(difference.graphics.begin(), difference.graphics.end()),
                difference.graphics.end());
        }
        if (!difference.graphics.isEmpty()) {
            difference.kind = MultiDifference::PictureChanged;
            add(n, difference);
        } else if (pairing == ByComponents && n != i) {
            difference.kind = MultiDifference::Renumbered;
            add(n, difference);
        } else {
            ++same;
        }
    }
    for (qsizetype n = 0; n < news.size(); ++n) {
        if (pairOfNew[size_t(n)] < 0) {
            MultiDifference difference;
            difference.kind = MultiDifference::Added;
            difference.newEntry = n;
            add(n, difference);
        }
    }

    if (pairing == ByName) {
        const auto name = [&](const Placed &entry) -> const QString & {
            const MultiDifference &d = entry.difference;
            return d.newEntry >= 0 ? news[d.newEntry].text : olds[d.oldEntry].text;
        };
        std::stable_sort(placed.begin(), placed.end(),
                         [&](const Placed &a, const Placed &b) { return name(a) < name(b); });
    } else {
        std::stable_sort(placed.begin(), placed.end(), [](const Placed &a, const Placed &b) {
            return std::tie(a.at, a.removed) < std::tie(b.at, b.removed);
        });
    }
    found.reserve(qsizetype(placed.size()));
    for (Placed &entry : placed)
        found.append(std::move(entry.difference));
}
