#pragma once

#include "core/configuration.h"

#include <QList>
#include <QPair>
#include <QString>

// Finds the four client files among the files of one directory by their
// content, never their names. Each candidate is read within a bound (at most
// the first MiB), and only regular files are opened, so a directory may hold
// files of any size, FIFOs and devices; names that are links to one file
// (hard or symbolic) are one candidate, read once. A file is taken when it
// fits best, as the readers would read it:
// - the art index: ArtStore::IndexSize bytes or more of 12-byte entries, some
//   pointing at item art, nine in ten of those inside one other file of the
//   directory, the art data file, where nine in ten of the headers sampled
//   are those of art (the readers take the others as without art); of such
//   pairs, the one with the most art inside;
// - the tile data: TileDataStore::FileSize bytes or more laid out as tile
//   data (TileDataStore::layoutProblem), the one with the most names of text;
// - the cache file: text (UTF-8, or what a byte order mark names) whose first
//   lines include a header of exactly six TABs, as the cache reader reads it.
// Two that fit equally well are named, and neither is taken.
class ClientFileFinder
{
public:
    // What was taken for one of the files, and why; or why none was.
    struct Finding
    {
        QString path; // absolute; "" when none was taken
        QString why;
    };

    // The files `named` gives (absolute or not) are taken as they are and
    // not looked for; a named art index or art data file is the one the
    // other is fitted to.
    ClientFileFinder(const QString &directory, const Configuration &named);

    // Looks for the files not named; false when the directory cannot be read.
    bool find(QString *error);

    // One per ClientFiles entry, in its order.
    const Finding &finding(int file) const { return findings[file]; }
    bool complete() const;
    Configuration paths() const;

    // Bytes of a file read to judge it as the cache file.
    static constexpr qint64 TextHead = 64 * 1024;

private:
    struct Candidate
    {
        QString path;
        QString name;
        qint64 size;
        QPair<quint64, quint64> identity; // device, inode
        int links = 0;                    // other names of the directory for it
    };

    struct ArtPairing;
    struct ArtChoice;

    void findCache();
    void findTileData();
    void findArt();
    // A file named for `file`, as a candidate.
    Candidate namedCandidate(int file) const;
    // Reads one index and pairs it with those of `data` that fit it best;
    // false, with why in `passedOver`, when none does.
    bool pairIndex(const Candidate &index, const QList<Candidate> &data, ArtPairing *pairing,
                   QStringList *passedOver) const;
    // Ends the search for the art index and art data files not named.
    void settleArt(const ArtChoice &choice, bool indexNamed, bool dataNamed);
    // Candidates that are not yet taken for another file.
    QList<Candidate> untaken() const;
    // Ends a search: the one that fits, or why none (or more than one) does.
    void settle(int file, const QStringList &fits, const QStringList &why,
                const QStringList &passedOver, const QString &none);

    QString directory;
    Configuration named;
    QList<Candidate> candidates;
    Finding findings[4];
};
