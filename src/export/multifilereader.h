#pragma once

#include "cache/multientry.h"

#include <QString>

// Reads a ".mlt" file (a 4-byte lead of 0, then one 12-byte record per
// component: u16 graphic, i16 x, y, z, i32 1) back into an entry named
// `name`, its records kept as they are and its bounds taken from them. The
// file must be a regular file of 4 + 12 x n bytes whose lead is 0; false,
// with `error` saying which rule it breaks, otherwise.
bool readMultiFile(const QString &path, const QString &name, MultiEntry *entry, QString *error);
