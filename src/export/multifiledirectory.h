#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Most .mlt files read from one directory: a folder a user keeps holds
// hundreds; past this many the list of their names alone would take a
// hundred MiB or more.
inline constexpr qsizetype MaxDirectoryMultiFiles = qsizetype(1) << 20;

// One .mlt file of a directory: its path, the directory's path as given
// joined to its name ("." adds nothing), or, for a name that is not UTF-8
// text (a path built from it would name another file), the path with each
// such byte shown as \xHH and `problem` saying so.
struct DirectoryMultiFile
{
    QString path;
    QString problem; // "" for a file to read
};

// Whether `path` names a directory (through symbolic links), whose .mlt
// files a command reads in place of a file.
bool isDirectoryPath(const QString &path);

// The .mlt files of `directory`: its entries whose names end in ".mlt" in any
// letter case, in the order of their names' code points. Directories (and
// links to them) are not entered, and hidden names (".x.mlt") are left out,
// as the shell's *.mlt leaves them; anything else of such a name is listed,
// for its reader to refuse (a FIFO, a dangling link). False, with `error`
// set, when the directory cannot be read or holds more than `most` of them.
bool listDirectoryMultiFiles(const QString &directory, QList<DirectoryMultiFile> *files,
                             QString *error, qsizetype most = MaxDirectoryMultiFiles);

// The .mlt files `arguments` name, as list, gallery and diff read them: a
// file as given, a directory's .mlt files as listDirectoryMultiFiles() finds
// them. `visit` gets each file to read, in order, and returns false to end
// the walk (which then returns false); `problem` gets the one line of each
// directory that cannot be read or holds no .mlt file, and of each file whose
// name cannot be read.
bool forEachMultiFile(const QStringList &arguments,
                      const std::function<bool(const QString &path)> &visit,
                      const std::function<void(const QString &message)> &problem);
