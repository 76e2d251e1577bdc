#pragma once

#include <QByteArray>
#include <QString>

class OutputDirectory;

// A file that appears at its name in a directory complete or not at all.
//
// It is written without a name where the file system allows it (O_TMPFILE),
// else under a temporary name beside its target,
//   .korvane-<host>-<pid>-<16 hex digits>.part
// and linked or renamed into place by commit(). Every step works relative to
// the directory's one handle, so nothing is written anywhere else, even when
// the directory is moved meanwhile. Nothing is synced to disk: the rename
// alone keeps a failed write from touching the target.
//
// An existing target is replaced only when it is a regular file (the new file
// keeps its permission bits) or a symbolic link (replaced, not followed); a
// directory, device, FIFO or socket of that name is refused, and so is a
// name the file system takes for another file committed into the directory
// before (see OutputDirectory).
class AtomicFile
{
public:
    AtomicFile() = default;
    ~AtomicFile(); // an uncommitted file is dropped

    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Starts the file `name`, a single path component, in `directory`, which
    // stays open while the file is.
    bool open(const OutputDirectory &directory, const QString &name);
    bool write(const char *data, qint64 size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    // Puts the complete file in place.
    bool commit();
    // Puts the complete file in place only where no file has its name, never
    // replacing one that appeared meanwhile; fails with "exists" then
    // (errorCode() EEXIST).
    bool commitNew();
    // Drops the file; the target stays as it was.
    void discard();

    QString errorString() const { return error; }
    int errorCode() const { return code; }
    // Whether the last error will hit every later file in the directory too:
    // no space, no quota, a read-only file system, a file too large, no file
    // descriptors left, the directory removed.
    bool errorHitsEveryFile() const;

    // The file that saving to `path` replaces: the one a symbolic link there
    // names, so that the link stays, as editors save through links; `path`
    // itself otherwise.
    static QString savedThroughLinks(const QString &path);

    // The start of the temporary names of the process `pid` on this host.
    static QByteArray temporaryPrefix(qint64 pid);
    // The process of this host that `name` is a temporary of, -1 when it is
    // no such temporary.
    static qint64 temporaryWriter(const QByteArray &name);

    // Whether files are written without a name where the file system allows
    // it (the default); tests turn it off to exercise the named temporaries.
    static void setUnnamedFiles(bool allowed);

private:
    bool fail(int code, const QString &reason = {});
    bool drop(int code); // discards, then fails
    bool checkTarget(bool *exists);
    bool openNamed();
    bool linkUnnamed(const QByteArray &name);
    bool putInPlace();
    bool linkInPlace();

    const OutputDirectory *directory = nullptr;
    int directoryFd = -1;
    int fd = -1;
    QByteArray target;
    QByteArray temporary; // empty while the file has no name
    bool targetExisted = false;
    int keptMode = -1; // permission bits of the replaced file
    int code = 0;
    bool directoryGone = false;
    QString error;
};
