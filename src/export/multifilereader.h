#pragma once

#include "cache/multientry.h"

#include <QRect>
#include <QString>

// Most components a ".mlt" file read as an entry may have: the most a
// rendering takes. The file's size tells its count before anything is read.
inline constexpr qint64 MaxMultiFileComponents = qint64(1) << 20;

// A ".mlt" file's component count and bounds.
struct MultiFileSummary
{
    qint64 components = 0;
    QRect bounds;
};

// Reads a ".mlt" file (a 4-byte lead of 0, then one 12-byte record per
// component: u16 graphic, i16 x, y, z, i32 1) back into an entry named
// `name`, its records kept as they are and its bounds taken from them. The
// file must be a regular file of 4 + 12 x n bytes, n at most
// MaxMultiFileComponents, whose lead is 0; false, with `error` saying which
// rule it breaks, otherwise.
bool readMultiFile(const QString &path, const QString &name, MultiEntry *entry, QString *error);

// The count and bounds of the ".mlt" file at `path`, of any size: its records
// are read a piece at a time, none kept. The same rules but the count limit.
bool summarizeMultiFile(const QString &path, MultiFileSummary *summary, QString *error);
