#pragma once

#include "client/clientdata.h"

#include <QList>
#include <QString>
#include <QStringList>

// One side of a comparison, as diff reads it: a client (a configuration, or
// a directory whose client files are found by their content) or a directory
// of .mlt files.
class DiffSide
{
public:
    DiffSide(const char *which, const QString &argument) : which(which), given(argument) {}

    // What the argument names; false, with errorString() set, when it names
    // nothing that can be read.
    bool classify();
    // Reads its entries (and a client's readers); false as above.
    bool read();

    const QString &argument() const { return given; }
    bool multiFiles() const { return fromFiles; }
    // The client of its entries, art and tile data; for .mlt files, none.
    ClientData &client() { return data; }
    const QList<MultiEntry> &entries() const { return found; }
    const QString &errorString() const { return error; }

private:
    bool fail(const QString &why);
    bool readClientDirectory();

    const char *which; // "old", "new"
    QString given;
    bool fromFiles = false;
    ClientData data;
    QList<MultiEntry> found;
    QString error; // why it cannot be read, naming the side
};
