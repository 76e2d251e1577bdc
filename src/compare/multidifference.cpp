#include "multidifference.h"

#include <algorithm>
#include <iterator>

namespace {

using Values = std::vector<ComponentValue>;

bool placeBefore(const ComponentValue &a, const ComponentValue &b)
{
    return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z);
}

bool graphicBefore(const ComponentValue &a, const ComponentValue &b)
{
    return std::tie(a.graphic, a.kind) < std::tie(b.graphic, b.kind);
}

// Pairs of `gone` and `come` (both sorted by `before`) that `before` holds
// equal, listed in `changes` as `kind` when it is given; those paired are
// taken out of both. Returns how many.
template <typename Before>
qsizetype pairUp(Values *gone, Values *come, Before before, ComponentChange::Kind kind,
                 QList<ComponentChange> *changes)
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
            if (changes)
                changes->append({kind, *i, *j});
            ++pairs;
            ++i;
            ++j;
        }
    }
    *gone = std::move(goneLeft);
    *come = std::move(comeLeft);
    return pairs;
}

bool changeBefore(const ComponentChange &a, const ComponentChange &b)
{
    return std::tie(a.kind, a.before, a.after) < std::tie(b.kind, b.before, b.after);
}

} // namespace

void MultiDifference::describeChange(const Values &before, const Values &after, bool list)
{
    Values gone;
    Values come;
    std::set_difference(before.cbegin(), before.cend(), after.cbegin(), after.cend(),
                        std::back_inserter(gone));
    std::set_difference(after.cbegin(), after.cend(), before.cbegin(), before.cend(),
                        std::back_inserter(come));
    QList<ComponentChange> *changes = list ? &components : nullptr;
    components.clear();
    // Each change takes at least one of those gone or come.
    if (list)
        components.reserve(qsizetype(std::max(gone.size(), come.size())));
    // Sorted by place already: the values sort by x, y, z first.
    replaced = pairUp(&gone, &come, placeBefore, ComponentChange::Replaced, changes);
    std::stable_sort(gone.begin(), gone.end(), graphicBefore);
    std::stable_sort(come.begin(), come.end(), graphicBefore);
    moved = pairUp(&gone, &come, graphicBefore, ComponentChange::Moved, changes);
    removed = qsizetype(gone.size());
    added = qsizetype(come.size());
    if (!list)
        return;
    for (const ComponentValue &value : gone)
        components.append({ComponentChange::Removed, value, {}});
    for (const ComponentValue &value : come)
        components.append({ComponentChange::Added, {}, value});
    std::sort(components.begin(), components.end(), changeBefore);
}
