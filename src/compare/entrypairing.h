#pragma once

#include "cache/multientry.h"
#include "compare/componentvalue.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <vector>

// 128 bits of an entry's components, in any order, and its bounds: two sums
// of differently mixed hashes, so that entries alike by chance are not taken
// for the same.
struct EntryKey
{
    quint64 a = 0;
    quint64 b = 0;

    static EntryKey of(const std::vector<ComponentValue> &values, const QRect &bounds);
    friend bool operator==(const EntryKey &x, const EntryKey &y)
    {
        return x.a == y.a && x.b == y.b;
    }
};

// Which entry of the old side is which of the new; see MultiComparison for
// the rules. Entries are known by their keys (EntryKey::of) and, for
// entries left without an equal, by their components.
class EntryPairing
{
public:
    enum Rule
    {
        ByComponents,         // ties between equal candidates broken by order
        ByComponentsAndNames, // by name first, then by order
    };

    // New entries left that one component may be in for it to name a
    // candidate.
    static constexpr int RareComponent = 8;

    // `oldNames` and `newNames`: each entry's name, for ByComponentsAndNames.
    EntryPairing(const QList<MultiEntry> &olds, const std::vector<EntryKey> &oldKeys,
                 const QList<MultiEntry> &news, const std::vector<EntryKey> &newKeys, Rule rule,
                 const QStringList &oldNames = {}, const QStringList &newNames = {});

    // The new entry paired with old entry `i`, -1 when none; and the reverse.
    qsizetype newOf(qsizetype i) const { return pairOfOld[size_t(i)]; }
    qsizetype oldOf(qsizetype n) const { return pairOfNew[size_t(n)]; }
    // Whether old entry `i` has the same key as its pair.
    bool exact(qsizetype i) const { return isExact[size_t(i)]; }
    // The sorted components of new entry `n` when it was left without an
    // equal, else null.
    const std::vector<ComponentValue> *sortedComponents(qsizetype n) const
    {
        const qsizetype slot = slotOfNew[size_t(n)];
        return slot < 0 ? nullptr : &newValues[size_t(slot)];
    }
    // Where old entry `i` would stand in the new side: as far after the
    // nearest entry paired before it by key (or by name) as it is in the old
    // side.
    qsizetype expected(qsizetype i) const { return expectedAt[size_t(i)]; }

private:
    struct Candidate;

    void pair(qsizetype i, qsizetype n);
    void pairSame();
    void findExpected();
    void pairChanged();
    std::vector<std::pair<quint64, qsizetype>> readLeftNew();
    void candidateSlots(qsizetype i, const std::vector<std::pair<quint64, qsizetype>> &postings,
                        std::vector<qsizetype> *slots);
    void weigh(qsizetype i, const std::vector<qsizetype> &slots,
               std::vector<Candidate> *candidates) const;
    qsizetype sameName(qsizetype i) const;

    const QList<MultiEntry> &olds;
    const std::vector<EntryKey> &oldKeys;
    const QList<MultiEntry> &news;
    const std::vector<EntryKey> &newKeys;
    const Rule rule;
    const QStringList oldNames;
    const QStringList newNames;
    std::vector<qsizetype> pairOfOld;
    std::vector<qsizetype> pairOfNew;
    std::vector<bool> isExact;
    std::vector<qsizetype> expectedAt;
    QHash<QString, qsizetype> newByName; // the first new entry of each name
    // pairChanged: the new entries left, their sorted components, and where
    // each new entry is among them (-1 when paired).
    std::vector<qsizetype> leftNew;
    std::vector<std::vector<ComponentValue>> newValues;
    std::vector<qsizetype> slotOfNew;
    std::vector<ComponentValue> oldValues; // of the old entry being weighed
    std::vector<quint64> hashes;           // of its distinct components
    std::vector<qsizetype> votes;          // by slot
    std::vector<qsizetype> voted;          // the slots with votes
};
