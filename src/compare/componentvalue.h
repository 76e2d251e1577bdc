#pragma once

#include "cache/componentlist.h"

#include <QtGlobal>

#include <tuple>
#include <vector>

// One component as the renderer takes it from its text (see MultiComponent):
// its graphic, its cell, its height and its kind. Two components with the
// same values draw the same, whatever their texts.
struct ComponentValue
{
    qint32 x = 0;
    qint32 y = 0;
    quint16 graphic = 0;
    qint16 z = 0;
    qint32 kind = 0;

    bool isItem() const { return kind == 1; }
    // A well-mixed 64-bit hash of all five values.
    quint64 hash() const;
    // The same of the place alone (x, y, z).
    quint64 placeHash() const;

    friend bool operator==(const ComponentValue &a, const ComponentValue &b)
    {
        return a.x == b.x && a.y == b.y && a.graphic == b.graphic && a.z == b.z && a.kind == b.kind;
    }
    friend bool operator!=(const ComponentValue &a, const ComponentValue &b) { return !(a == b); }
    friend bool operator<(const ComponentValue &a, const ComponentValue &b)
    {
        return std::tie(a.x, a.y, a.z, a.graphic, a.kind) <
               std::tie(b.x, b.y, b.z, b.graphic, b.kind);
    }
};

// Every component of `list` in its order, replacing what `values` held. Cache
// lines and .mlt records are read where they are, without a text for each;
// what they cannot give that way goes through ComponentSpec and
// MultiComponent, so the values are always those the renderer reads.
void readComponentValues(const ComponentList &list, std::vector<ComponentValue> *values);
// The same, sorted.
void readSortedComponentValues(const ComponentList &list, std::vector<ComponentValue> *values);

// splitmix64's finaliser: every bit of the result depends on every bit of `x`.
inline quint64 mixBits(quint64 x)
{
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}
