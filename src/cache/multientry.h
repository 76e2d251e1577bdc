#pragma once

#include "cache/componentlist.h"

#include <QRect>
#include <QString>

// Bounds of an entry without components: the start values of the running
// minimum and maximum, kept as they are.
inline constexpr int CacheBoundsStart = 80000;

// One multi: its name, its bounds and its components. The entry list, a drag,
// the ".mlt" writer, the renderer and the command line all take entries in
// this form, whether they come from the cache file, a drop or a ".mlt" file.
struct MultiEntry
{
    QString text;             // "Entry N" as loaded; the name it is exported under
    QRect bounds;             // smallest X, smallest Y, largest X, largest Y
    ComponentList components; // in file order

    friend bool operator==(const MultiEntry &a, const MultiEntry &b)
    {
        return a.text == b.text && a.bounds == b.bounds && a.components == b.components;
    }
    friend bool operator!=(const MultiEntry &a, const MultiEntry &b) { return !(a == b); }
};
