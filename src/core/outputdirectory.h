#pragma once

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QString>

#include <mutex>

class QFile;

// A directory written into, opened once: every file made, replaced, looked
// at or removed in it is reached through that one handle, so renaming the
// directory or putting a link in its place meanwhile sends nothing
// elsewhere. A symbolic link at the path is followed when it is opened.
//
// It also remembers the files committed into it (by their identity on the
// file system), so that a name the file system takes for one written before
// under another name (letter case on a case-folding file system) is caught:
// by that identity, and by the names themselves, case folded, where the
// directory is found to fold letter case.
class OutputDirectory
{
public:
    OutputDirectory() = default;
    ~OutputDirectory();

    OutputDirectory(const OutputDirectory &) = delete;
    OutputDirectory &operator=(const OutputDirectory &) = delete;

    bool open(const QString &path);
    void close();
    bool isOpen() const { return fd >= 0; }
    int handle() const { return fd; }
    QString path() const { return where; }
    QString errorString() const { return error; }

    // Whether the directory has been removed since it was opened.
    bool isGone() const;

    // Removes the temporaries that writers of this user on this host left
    // here when they were killed: regular files whose writing process is
    // gone. Those of running writers stay. Returns how many were removed.
    int removeStaleTemporaries() const;

    // Opens the regular file `name` for reading, never following a link nor
    // blocking on a FIFO; -1 when there is none. `size` gets its size.
    int openRegular(const QByteArray &name, qint64 *size) const;
    // The same as a file to read, which closes the descriptor; false when
    // there is none.
    bool openRegular(const QByteArray &name, QFile *file, qint64 *size) const;
    // Removes the file `name` (not a directory); whether there was one.
    bool removeFile(const QByteArray &name) const;

    // Held while a file is put in place and recorded, by every writer.
    std::mutex &commitLock() const { return committing; }
    // The name committed before whose file `name` now reaches, when it is
    // another name; "" otherwise. Called with commitLock() held.
    QByteArray committedAs(const QByteArray &name) const;
    // Records the file `name` now reaches. Called with commitLock() held.
    void recordCommitted(const QByteArray &name) const;

private:
    using Identity = QPair<quint64, quint64>; // device, inode
    bool identityOf(const QByteArray &name, Identity *identity) const;
    bool foldsCase() const;

    // Some file systems (FUSE ones) give a name a new identity each time it
    // is looked up, so the names are also compared as letter case folds them
    // where the directory is found to fold it.
    mutable int folding = -1; // unknown until the first commit
    mutable QHash<QString, QByteArray> committedFolded;

    int fd = -1;
    QString where;
    QString error;
    mutable std::mutex committing;
    mutable QHash<Identity, QByteArray> committed;
};
