#pragma once

#include "client/clientdata.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

// One side of a comparison, as diff reads it: a client (a configuration, or
// a directory whose client files are found by their content) or a directory
// of .mlt files, each an entry under its own file name.
class DiffSide
{
public:
    DiffSide(const char *which, const QString &argument) : which(which), given(argument) {}

    // What the argument names; false, with errorString() set, when it names
    // nothing that can be read.
    bool classify();
    // Reads its entries (and a client's readers); false as above. A .mlt
    // file that cannot be read is told to `skipped` in one line and left out.
    bool read(const std::function<void(const QString &message)> &skipped);

    const QString &argument() const { return given; }
    bool multiFiles() const { return fromFiles; }
    // The client of its entries, art and tile data; for .mlt files, none.
    ClientData &client() { return data; }
    const QList<MultiEntry> &entries() const { return found; }
    // The names its .mlt files pair by, an export's own: a file's name
    // without ".mlt" ("Entry 3" for "Entry 3.mlt", as an entry of a client
    // is named), or its whole name where two differ only in that ending's
    // case. Empty for a client, whose entries are known by number.
    const QStringList &names() const { return pairingNames; }
    // The .mlt files left out.
    qsizetype skippedFiles() const { return skipped; }
    // The file its entries come from when it is the same as `other`'s (a
    // cache file, or a directory of the same .mlt files); "" otherwise.
    QString sameFilesAs(const DiffSide &other) const;
    const QString &errorString() const { return error; }

private:
    using Identity = std::pair<quint64, quint64>; // device, inode

    bool fail(const QString &why);
    bool readClientDirectory();
    bool readMultiFiles(const std::function<void(const QString &message)> &skipped);

    const char *which; // "old", "new"
    QString given;
    bool fromFiles = false;
    ClientData data;
    QList<MultiEntry> found;
    QStringList pairingNames;
    QSet<Identity> files; // the .mlt files read
    qsizetype skipped = 0;
    QString error; // why it cannot be read, naming the side
};
