#pragma once

#include <QList>
#include <QRect>
#include <QStringList>

class QIODevice;

// One multi of the cache file, before it becomes a list entry ("Entry N",
// N its position in the returned list).
struct CacheEntry
{
    QRect bounds;           // smallest X, smallest Y, largest X, largest Y
    QStringList components; // ComponentSpec strings, in file order
};

// Bound start values: an entry without component lines keeps them.
inline constexpr int CacheBoundsStart = 80000;

// Parses the multi cache text. Lines are TAB-separated; a line with exactly
// 6 TABs is a header whose field 2 is the count E of the component lines that
// follow it (taken without any test of their form); all other lines are
// skipped. A count running past the end of the data takes only the lines
// that exist. The device is read from its current position to its end.
QList<CacheEntry> loadCacheEntries(QIODevice *device);

// The ComponentSpec of one component line: fields 0, 2, 3, 4 and ":0:1:1".
QString componentSpec(QStringView line);
