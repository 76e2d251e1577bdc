#include "entrypairing.h"

#include <algorithm>
#include <unordered_map>

namespace {

using Values = std::vector<ComponentValue>;

struct KeyHash
{
    size_t operator()(const EntryKey &key) const { return size_t(key.a); }
};

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

// Each distinct component's hash with the slot of the new entry left that
// holds it, sorted: the entries holding one component are a run.
using Postings = std::vector<std::pair<quint64, qsizetype>>;

// The first posting from `from` on whose hash is not below `hash`, found by
// steps that double, then halve: as cheap as the distance it goes.
Postings::const_iterator lowerBoundFrom(Postings::const_iterator from, Postings::const_iterator end,
                                        quint64 hash)
{
    qsizetype step = 1;
    while (step < end - from && from[step].first < hash) {
        from += step;
        step *= 2;
    }
    const auto bound = step < end - from ? from + step : end;
    return std::lower_bound(from, bound, hash,
                            [](const auto &posting, quint64 h) { return posting.first < h; });
}

} // namespace

EntryKey EntryKey::of(const Values &values, const QRect &bounds)
{
    quint64 a = mixBits(quint64(values.size()));
    quint64 b = mixBits(quint64(bounds.left()) << 32 ^ quint32(bounds.top()));
    b = mixBits(b ^ (quint64(bounds.right()) << 32 ^ quint32(bounds.bottom())));
    for (const ComponentValue &value : values) {
        const quint64 h = value.hash();
        a += h;
        b += mixBits(h ^ 0x5851f42d4c957f2dull);
    }
    return {mixBits(a), b};
}

// One way an old entry left may pair with a new one left.
struct EntryPairing::Candidate
{
    qsizetype shared;
    bool otherName;     // under another name than the old entry's
    qsizetype distance; // from where the old entry would stand
    qsizetype oldEntry;
    qsizetype newEntry;
};

EntryPairing::EntryPairing(const QList<MultiEntry> &olds, const std::vector<EntryKey> &oldKeys,
                           const QList<MultiEntry> &news, const std::vector<EntryKey> &newKeys,
                           Rule rule, const QStringList &oldNames, const QStringList &newNames)
    : olds(olds), oldKeys(oldKeys), news(news), newKeys(newKeys), rule(rule), oldNames(oldNames),
      newNames(newNames), pairOfOld(size_t(olds.size()), -1), pairOfNew(size_t(news.size()), -1),
      slotOfNew(size_t(news.size()), -1)
{
    if (rule == ByComponentsAndNames) {
        for (qsizetype n = news.size() - 1; n >= 0; --n)
            newByName.insert(newNames[n], n);
    }
    pairSame();
    findExpected();
    isExact.resize(size_t(olds.size()));
    for (qsizetype i = 0; i < olds.size(); ++i)
        isExact[size_t(i)] = newOf(i) >= 0 && oldKeys[size_t(i)] == newKeys[size_t(newOf(i))];
    pairChanged();
}

void EntryPairing::pair(qsizetype i, qsizetype n)
{
    pairOfOld[size_t(i)] = n;
    pairOfNew[size_t(n)] = i;
}

qsizetype EntryPairing::sameName(qsizetype i) const
{
    return newByName.value(oldNames[i], -1);
}

// Each old entry with a new one of the same key not yet paired: the one of
// its name when the rule has names, else the first in order.
void EntryPairing::pairSame()
{
    if (rule == ByComponentsAndNames) {
        for (qsizetype i = 0; i < olds.size(); ++i) {
            const qsizetype n = sameName(i);
            if (n >= 0 && oldOf(n) < 0 && newKeys[size_t(n)] == oldKeys[size_t(i)])
                pair(i, n);
        }
    }
    // Each key's new entries in order, and how many of the first are paired.
    struct Bucket
    {
        std::vector<qsizetype> entries;
        size_t taken = 0;
    };
    std::unordered_map<EntryKey, Bucket, KeyHash> byKey;
    for (qsizetype n = 0; n < news.size(); ++n)
        byKey[newKeys[size_t(n)]].entries.push_back(n);
    for (qsizetype i = 0; i < olds.size(); ++i) {
        const auto it = byKey.find(oldKeys[size_t(i)]);
        if (newOf(i) >= 0 || it == byKey.end())
            continue;
        Bucket &bucket = it->second;
        while (bucket.taken < bucket.entries.size() && oldOf(bucket.entries[bucket.taken]) >= 0)
            ++bucket.taken;
        if (bucket.taken < bucket.entries.size())
            pair(i, bucket.entries[bucket.taken++]);
    }
}

void EntryPairing::findExpected()
{
    expectedAt.resize(size_t(olds.size()));
    qsizetype shift = 0;
    for (qsizetype i = 0; i < olds.size(); ++i) {
        if (newOf(i) >= 0)
            shift = newOf(i) - i;
        expectedAt[size_t(i)] = i + shift;
    }
}

// Each old entry left with the new entry left that shares the most
// components with it, at least half of the larger one's.
void EntryPairing::pairChanged()
{
    const Postings postings = readLeftNew();
    if (leftNew.empty())
        return;
    votes.assign(leftNew.size(), 0);
    std::vector<Candidate> candidates;
    std::vector<qsizetype> slots;
    for (qsizetype i = 0; i < olds.size(); ++i) {
        if (newOf(i) >= 0)
            continue;
        readSortedComponentValues(olds[i].components, &oldValues);
        candidateSlots(i, postings, &slots);
        weigh(i, slots, &candidates);
    }
    oldValues = {};
    votes = {};

    std::sort(candidates.begin(), candidates.end(), [](const Candidate &a, const Candidate &b) {
        return std::tie(b.shared, a.otherName, a.distance, a.oldEntry, a.newEntry) <
               std::tie(a.shared, b.otherName, b.distance, b.oldEntry, b.newEntry);
    });
    for (const Candidate &candidate : candidates) {
        if (newOf(candidate.oldEntry) < 0 && oldOf(candidate.newEntry) < 0)
            pair(candidate.oldEntry, candidate.newEntry);
    }
}

// The sorted components of every new entry left, and the postings of their
// distinct components.
Postings EntryPairing::readLeftNew()
{
    Postings postings;
    for (qsizetype n = 0; n < news.size(); ++n) {
        if (oldOf(n) >= 0)
            continue;
        const qsizetype slot = qsizetype(leftNew.size());
        slotOfNew[size_t(n)] = slot;
        leftNew.push_back(n);
        newValues.emplace_back();
        readSortedComponentValues(news[n].components, &newValues.back());
        const Values &values = newValues.back();
        for (size_t k = 0; k < values.size(); ++k) {
            if (k == 0 || values[k] != values[k - 1])
                postings.emplace_back(values[k].hash(), slot);
        }
    }
    std::sort(postings.begin(), postings.end());
    return postings;
}

// The slots old entry `i` is weighed against: the two new entries left with
// the most votes, a vote from each rare component they share with it (the
// nearer first where votes tie), the one where it would stand, the one of
// its number and the one of its name. Its components are looked up in hash
// order, each from where the one before was found, so that a long entry
// reads the postings once.
void EntryPairing::candidateSlots(qsizetype i, const Postings &postings,
                                  std::vector<qsizetype> *slots)
{
    hashes.clear();
    for (size_t k = 0; k < oldValues.size(); ++k) {
        if (k == 0 || oldValues[k] != oldValues[k - 1])
            hashes.push_back(oldValues[k].hash());
    }
    std::sort(hashes.begin(), hashes.end());
    auto first = postings.cbegin();
    for (const quint64 hash : hashes) {
        first = lowerBoundFrom(first, postings.cend(), hash);
        auto last = first;
        while (last != postings.cend() && last->first == hash && last - first <= RareComponent)
            ++last;
        if (last - first > RareComponent)
            continue;
        for (auto it = first; it != last; ++it) {
            if (votes[size_t(it->second)]++ == 0)
                voted.push_back(it->second);
        }
    }
    const qsizetype where = expected(i);
    const auto distance = [&](qsizetype slot) { return qAbs(leftNew[size_t(slot)] - where); };
    const size_t best = std::min<size_t>(2, voted.size());
    std::partial_sort(voted.begin(), voted.begin() + best, voted.end(),
                      [&](qsizetype a, qsizetype b) {
                          return std::tuple(-votes[size_t(a)], distance(a), a) <
                                 std::tuple(-votes[size_t(b)], distance(b), b);
                      });
    slots->assign(voted.begin(), voted.begin() + best);
    for (qsizetype slot : voted)
        votes[size_t(slot)] = 0;
    voted.clear();
    for (qsizetype n : {where, i, rule == ByComponentsAndNames ? sameName(i) : -1}) {
        if (n >= 0 && n < news.size() && slotOfNew[size_t(n)] >= 0)
            slots->push_back(slotOfNew[size_t(n)]);
    }
}

// The candidates among `slots` for old entry `i` (its components in
// oldValues). Two entries whose sizes differ more than twice over cannot
// share half of the larger one, so they are not counted: the work of
// weighing stays within three times the old entry's components a slot.
void EntryPairing::weigh(qsizetype i, const std::vector<qsizetype> &slots,
                         std::vector<Candidate> *candidates) const
{
    for (size_t k = 0; k < slots.size(); ++k) {
        const qsizetype slot = slots[k];
        if (std::find(slots.cbegin(), slots.cbegin() + qsizetype(k), slot) !=
            slots.cbegin() + qsizetype(k))
            continue;
        const Values &other = newValues[size_t(slot)];
        const size_t larger = std::max(oldValues.size(), other.size());
        if (2 * std::min(oldValues.size(), other.size()) < larger)
            continue;
        const qsizetype shared = sharedCount(oldValues, other);
        if (shared == 0 || 2 * size_t(shared) < larger)
            continue;
        const qsizetype n = leftNew[size_t(slot)];
        const bool otherName = rule == ByComponentsAndNames && newNames[n] != oldNames[i];
        candidates->push_back({shared, otherName, qAbs(n - expected(i)), i, n});
    }
}
