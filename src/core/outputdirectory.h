#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <mutex>

class QFile;

// A directory written into, opened once: every file made, replaced, looked
// at or removed in it is reached through that one handle, so renaming the
// directory or putting a link in its place meanwhile sends nothing
// elsewhere. A symbolic link at the path is followed when it is opened.
//
// Where the directory folds letter case, it also remembers the names
// committed into it, case folded, so that a name the file system would take
// for one written before ("house.mlt" after "House.mlt") is caught instead of
// replacing that file. Identities (device and inode) decide nothing: another
// process may replace a file meanwhile and its freed inode number go to
// another name.
class OutputDirectory
{
public:
    OutputDirectory() = default;
    ~OutputDirectory();

    OutputDirectory(const OutputDirectory &) = delete;
    OutputDirectory &operator=(const OutputDirectory &) = delete;

    // Opens the directory and finds out whether it folds letter case (see
    // probeCaseFolding()).
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

    // Whether the directory folds letter case, as found when it was opened.
    bool foldsCase() const { return folding; }
    // Finds that out again: a file of ours made in lower case and looked up
    // in upper case (removed again). A directory that cannot be written into
    // is taken as not folding.
    void probeCaseFolding();
    // How the probe is made, for file systems a test cannot mount: a function
    // of the directory's handle, or null for the real probe.
    using FoldProbe = bool (*)(int directoryFd);
    static void setFoldProbe(FoldProbe probe);

    // Held while a file is put in place and recorded, by every writer.
    std::mutex &commitLock() const { return committing; }
    // The name committed before that `name` folds together with, on a
    // directory that folds letter case, when it is another name; ""
    // otherwise. Called with commitLock() held.
    QByteArray committedAs(const QByteArray &name) const;
    // Records that `name` was committed. Called with commitLock() held.
    void recordCommitted(const QByteArray &name) const;

private:
    bool folding = false;
    int fd = -1;
    QString where;
    QString error;
    // The names committed, case folded, while the directory folds case:
    // written by every writer's commit, under the lock.
    mutable std::mutex committing;
    mutable QHash<QString, QByteArray> committedFolded;
};
