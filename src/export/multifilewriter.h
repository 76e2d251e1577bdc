#pragma once

#include "cache/multientry.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class OutputDirectory;

// MultiFile (".mlt"), little-endian:
//   i32 0
//   per component, in ComponentSpec order, 12 bytes:
//     u16 graphic id (field 0), i16 X, Y, Z (fields 1 to 3), i32 1
// A field that is not a base-10 number in its 16-bit range is written as 0.
QByteArray encodeMultiFile(const ComponentList &components);
// The same, handed to `sink` a piece at a time, so that an entry of millions
// of components is never held whole; stops at the first false from `sink`.
bool encodeMultiFile(const ComponentList &components,
                     const std::function<bool(const QByteArray &piece)> &sink);

// One entry that was not written, and why.
struct MultiFileFailure
{
    QString entryText;
    QString reason;
};

// What became of one entry written by writeMultiFile.
enum class MultiFileOutcome
{
    Written,
    UpToDate,     // the file held exactly its bytes already and was left alone
    NotWritten,   // for a reason of its own
    StoppedWrite, // for a reason every later entry would meet too
};

// Writes one entry as <entry text>.mlt into `directory`, as writeMultiFiles
// does. With `keepUpToDate`, a regular file of that name that already holds
// exactly the bytes is left untouched. `failure` gets the reason when it is
// not written.
MultiFileOutcome writeMultiFile(const OutputDirectory &directory, const MultiEntry &entry,
                                bool keepUpToDate, QString *failure);

// What writeMultiFiles did, entry by entry.
struct MultiFileReport
{
    int written = 0;
    QStringList files; // the paths written, in order
    QList<MultiFileFailure> failures;
    // Set when writing stopped at an error that every later entry would meet
    // too (no space, no quota, a read-only file system): its reason. The entry
    // that met it is the last failure; the entries after it were not tried.
    QString stopped;
};

// Called after each entry with the number of entries handled so far; the
// report passed to writeMultiFiles is up to date by then.
using MultiFileProgress = std::function<void(int handled)>;

// Writes each entry as `directory`/<entry text>.mlt, in order, replacing a
// file (or symbolic link) of that name; anything else of that name is left
// alone. Each file appears complete or not at all (see AtomicFile), and
// temporaries that killed writers left in the directory are removed first.
// The directory is opened once, and every file is written through it.
// Entries whose text holds a path separator or a NUL are skipped. Returns
// true only when every entry was written.
bool writeMultiFiles(const QList<MultiEntry> &entries, const QString &directory,
                     MultiFileReport *report = nullptr, const MultiFileProgress &progress = {});
// The same for `count` entries made one at a time by `entryAt`, so that a
// batch of many entries need not be held as a list.
bool writeMultiFiles(qsizetype count, const std::function<MultiEntry(qsizetype)> &entryAt,
                     const QString &directory, MultiFileReport *report = nullptr,
                     const MultiFileProgress &progress = {});
// A drop: the payload's entries, decoded first. An entry cut short ends the
// payload and is not written: it is reported as a failure.
bool writeMultiFiles(const QByteArray &payload, const QString &directory,
                     MultiFileReport *report = nullptr, const MultiFileProgress &progress = {});
