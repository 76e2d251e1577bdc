#include "outputdirectory.h"

#include "atomicfile.h"

#include <QFile>

#include <atomic>
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

std::atomic<OutputDirectory::FoldProbe> foldProbe{nullptr};

// A file of ours in lower case, looked up in upper case.
bool probeFolding(int directoryFd)
{
    const QByteArray probe = AtomicFile::temporaryPrefix(getpid()) + "case.part";
    const int file = openat(directoryFd, probe.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file < 0)
        return false;
    ::close(file);
    struct stat status;
    const bool folds =
        fstatat(directoryFd, probe.toUpper().constData(), &status, AT_SYMLINK_NOFOLLOW) == 0;
    unlinkat(directoryFd, probe.constData(), 0);
    return folds;
}

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
    probeCaseFolding();
    return true;
}

void OutputDirectory::close()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    committedFolded.clear();
    folding = false;
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
    if (!folding)
        return {};
    const QByteArray before = committedFolded.value(QFile::decodeName(name).toCaseFolded());
    return before == name ? QByteArray() : before;
}

void OutputDirectory::recordCommitted(const QByteArray &name) const
{
    if (folding)
        committedFolded.insert(QFile::decodeName(name).toCaseFolded(), name);
}

void OutputDirectory::probeCaseFolding()
{
    const FoldProbe probe = foldProbe;
    folding = fd >= 0 && (probe ? probe(fd) : probeFolding(fd));
}

void OutputDirectory::setFoldProbe(FoldProbe probe)
{
    foldProbe = probe;
}
