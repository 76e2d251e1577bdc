#pragma once

#include <QString>
#include <QStringList>

// The .mlt files directly in `directory` (letter case of the extension
// ignored, hidden ones included, no subdirectory), as paths sorted by name;
// only regular files and links to them. False, with `error` saying why, when
// the directory cannot be read.
bool listMultiFiles(const QString &directory, QStringList *files, QString *error);
