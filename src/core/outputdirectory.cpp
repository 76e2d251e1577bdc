#include "outputdirectory.h"

#include "atomicfile.h"

#include <QFile>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Only names are looked up through the handle, where the system allows it.
#ifdef O_PATH
constexpr int LookUp = O_PATH;
#else
constexpr int LookUp = O_RDONLY;
#endif

} // namespace

OutputDirectory::~OutputDirectory()
{
    close();
}

bool OutputDirectory::open(const QString &path)
{
    close();
    where = path;
    if (path.isEmpty()) {
        error = QStringLiteral("no directory given");
        return false;
    }
    fd = ::open(QFile::encodeName(path).constData(), LookUp | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = qt_error_string(errno);
        return false;
    }
    error.clear();
    return true;
}

void OutputDirectory::close()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    committed.clear();
    committedFolded.clear();
    folding = -1;
}

bool OutputDirectory::isGone() const
{
    struct stat status;
    return fd >= 0 && fstat(fd, &status) == 0 && status.st_nlink == 0;
}

int OutputDirectory::removeStaleTemporaries() const
{
    if (fd < 0)
        return 0;
    const int listFd = openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return 0;
    DIR *dir = fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return 0;
    }
    int removed = 0;
    while (const dirent *entry = readdir(dir)) {
        const QByteArray name(entry->d_name);
        const qint64 pid = AtomicFile::temporaryWriter(name);
        if (pid < 0)
            continue;
        // A running writer's file stays; so does one we may not ask about.
        if (kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        struct stat status;
        if (fstatat(fd, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode) || status.st_uid != geteuid())
            continue;
        if (unlinkat(fd, name.constData(), 0) == 0)
            ++removed;
    }
    closedir(dir);
    return removed;
}

int OutputDirectory::openRegular(const QByteArray &name, qint64 *size) const
{
    const int file =
        openat(fd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file < 0)
        return -1;
    struct stat status;
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(file);
        return -1;
    }
    *size = status.st_size;
    return file;
}

bool OutputDirectory::openRegular(const QByteArray &name, QFile *file, qint64 *size) const
{
    const int opened = openRegular(name, size);
    if (opened < 0)
        return false;
    if (file->open(opened, QIODevice::ReadOnly | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle))
        return true;
    ::close(opened);
    return false;
}

bool OutputDirectory::removeFile(const QByteArray &name) const
{
    return unlinkat(fd, name.constData(), 0) == 0;
}

QByteArray OutputDirectory::committedAs(const QByteArray &name) const
{
    if (!committedFolded.isEmpty() && foldsCase()) {
        const QByteArray before = committedFolded.value(QFile::decodeName(name).toCaseFolded());
        if (!before.isEmpty() && before != name)
            return before;
    }
    Identity identity;
    if (committed.isEmpty() || !identityOf(name, &identity))
        return {};
    const QByteArray before = committed.value(identity);
    return before == name ? QByteArray() : before;
}

void OutputDirectory::recordCommitted(const QByteArray &name) const
{
    Identity identity;
    if (identityOf(name, &identity))
        committed.insert(identity, name);
    if (foldsCase())
        committedFolded.insert(QFile::decodeName(name).toCaseFolded(), name);
}

bool OutputDirectory::foldsCase() const
{
    if (folding < 0) {
        // A file of ours in lower case, looked up in upper case.
        const QByteArray probe = AtomicFile::temporaryPrefix(getpid()) + "case.part";
        const int file = openat(fd, probe.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        folding = 0;
        if (file >= 0) {
            ::close(file);
            struct stat status;
            folding = fstatat(fd, probe.toUpper().constData(), &status, AT_SYMLINK_NOFOLLOW) == 0;
            unlinkat(fd, probe.constData(), 0);
        }
    }
    return folding == 1;
}

bool OutputDirectory::identityOf(const QByteArray &name, Identity *identity) const
{
    struct stat status;
    if (fstatat(fd, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    *identity = {quint64(status.st_dev), quint64(status.st_ino)};
    return true;
}
