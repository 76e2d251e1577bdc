#include "atomicfile.h"

#include <QFile>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> unnamedFiles{true};

// A directory is opened only to look names up in it, where the system allows.
#ifdef O_PATH
constexpr int LookUp = O_PATH;
#else
constexpr int LookUp = O_RDONLY;
#endif

// The host part of temporary names: writers on other hosts sharing the
// directory cannot be asked whether they still run.
QByteArray hostTag()
{
    static const QByteArray tag = [] {
        char name[256] = {};
        if (gethostname(name, sizeof name - 1) != 0)
            return QByteArray("host");
        QByteArray text = QByteArray(name).left(64);
        for (char &c : text) {
            if (!QChar::isLetterOrNumber(uchar(c)) && c != '.' && c != '-')
                c = '_';
        }
        return text.isEmpty() ? QByteArray("host") : text;
    }();
    return tag;
}

QByteArray freshTemporaryName()
{
    const quint64 tag = QRandomGenerator::global()->generate64();
    return AtomicFile::temporaryPrefix(getpid()) +
           QByteArray::number(tag, 16).rightJustified(16, '0') + ".part";
}

QLatin1String kindOf(mode_t mode)
{
    return QLatin1String(S_ISDIR(mode)    ? "directory"
                         : S_ISCHR(mode)  ? "character device"
                         : S_ISBLK(mode)  ? "block device"
                         : S_ISFIFO(mode) ? "FIFO"
                         : S_ISSOCK(mode) ? "socket"
                                          : "special file");
}

} // namespace

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::open(const QString &directory, const QString &name)
{
    discard();
    errorCode = 0;
    error.clear();
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/') ||
        name.contains(QChar(0)))
        return fail(EINVAL, QStringLiteral("not a file name"));
    // A name the file system cannot hold as given would become another one.
    target = QFile::encodeName(name);
    if (QFile::decodeName(target) != name)
        return fail(EINVAL, QStringLiteral("name is not valid Unicode text"));
    if (directory.isEmpty())
        return fail(ENOENT, QStringLiteral("no directory given"));

    directoryFd =
        ::open(QFile::encodeName(directory).constData(), LookUp | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd < 0)
        return fail(errno);
    if (!checkTarget(&targetExisted))
        return false;
#ifdef O_TMPFILE
    if (unnamedFiles) {
        fd = openat(directoryFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0)
            return true;
        // Kernels and file systems without unnamed files say so in these ways.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
            return fail(errno);
    }
#endif
    return openNamed();
}

bool AtomicFile::write(const char *data, qint64 size)
{
    if (fd < 0)
        return fail(EBADF, QStringLiteral("file not open"));
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(qMin<qint64>(size, 1 << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : EIO);
        data += n;
        size -= n;
    }
    return true;
}

bool AtomicFile::commit()
{
    if (fd < 0)
        return fail(EBADF, QStringLiteral("file not open"));
    if (temporary.isEmpty() && !targetExisted) {
        // A free name: linked straight to it.
        if (linkUnnamed(target)) {
            discard();
            return true;
        }
        if (errno != EEXIST)
            return drop(errno);
        if (!checkTarget(&targetExisted)) {
            discard();
            return false;
        }
    }
    if (keptMode >= 0)
        fchmod(fd, mode_t(keptMode));
    if (temporary.isEmpty()) {
        // A link never replaces anything: linked under a temporary name, which
        // is renamed over the target.
        for (int attempt = 0; attempt < 8 && temporary.isEmpty(); ++attempt) {
            const QByteArray name = freshTemporaryName();
            if (linkUnnamed(name))
                temporary = name;
            else if (errno != EEXIST)
                break;
        }
        if (temporary.isEmpty())
            return drop(errno);
    } else {
        // Some network file systems report a failed write only here.
        const int closed = close(fd);
        fd = -1;
        if (closed != 0)
            return drop(errno);
    }
    // Replaces whatever has the target name, a symbolic link included,
    // instead of writing through it.
    if (renameat(directoryFd, temporary.constData(), directoryFd, target.constData()) != 0)
        return drop(errno);
    temporary.clear();
    discard();
    return true;
}

void AtomicFile::discard()
{
    if (!temporary.isEmpty() && directoryFd >= 0)
        unlinkat(directoryFd, temporary.constData(), 0);
    temporary.clear();
    if (fd >= 0)
        close(fd);
    if (directoryFd >= 0)
        close(directoryFd);
    fd = directoryFd = -1;
}

bool AtomicFile::errorHitsEveryFile() const
{
#ifdef EDQUOT
    if (errorCode == EDQUOT)
        return true;
#endif
    return errorCode == ENOSPC || errorCode == EROFS;
}

int AtomicFile::removeStaleTemporaries(const QString &directory)
{
    const int listFd =
        ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return 0;
    DIR *dir = fdopendir(listFd);
    if (!dir) {
        close(listFd);
        return 0;
    }
    const QByteArray prefix = temporaryPrefix(0).chopped(2); // ".korvane-<host>-"
    int removed = 0;
    while (const dirent *entry = readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith(prefix) || !name.endsWith(".part"))
            continue; // then <pid>-<16 hex digits>
        const QByteArray rest = name.mid(prefix.size(), name.size() - prefix.size() - 5);
        const qsizetype dash = rest.indexOf('-');
        bool number = false;
        const qint64 pid = rest.left(dash).toLongLong(&number);
        if (dash <= 0 || !number || pid <= 0 || pid > INT_MAX || rest.size() - dash - 1 != 16)
            continue;
        // A running writer's file stays; so does one we may not ask about.
        if (kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        struct stat status;
        if (fstatat(listFd, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode) || status.st_uid != geteuid())
            continue;
        if (unlinkat(listFd, name.constData(), 0) == 0)
            ++removed;
    }
    closedir(dir);
    return removed;
}

QByteArray AtomicFile::temporaryPrefix(qint64 pid)
{
    return ".korvane-" + hostTag() + '-' + QByteArray::number(pid) + '-';
}

void AtomicFile::setUnnamedFiles(bool allowed)
{
    unnamedFiles = allowed;
}

bool AtomicFile::fail(int code, const QString &reason)
{
    errorCode = code;
    error = reason.isEmpty() ? qt_error_string(code) : reason;
    return false;
}

bool AtomicFile::checkTarget(bool *exists)
{
    keptMode = -1;
    struct stat status;
    if (fstatat(directoryFd, target.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        *exists = false;
        return errno == ENOENT || fail(errno);
    }
    *exists = true;
    if (S_ISREG(status.st_mode)) {
        // As when it is rewritten in place; never the set-id bits.
        keptMode = int(status.st_mode & 0777);
        return true;
    }
    if (S_ISLNK(status.st_mode))
        return true;
    return fail(EEXIST, QStringLiteral("a %1 is in the way; only a regular file or a symbolic "
                                       "link is replaced")
                            .arg(kindOf(status.st_mode)));
}

bool AtomicFile::openNamed()
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        temporary = freshTemporaryName();
        fd = openat(directoryFd, temporary.constData(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    const int code = errno;
    temporary.clear();
    return fail(code);
}

bool AtomicFile::linkUnnamed(const QByteArray &name)
{
#ifdef O_TMPFILE
    if (linkat(fd, "", directoryFd, name.constData(), AT_EMPTY_PATH) == 0)
        return true;
    if (errno != ENOENT && errno != EPERM)
        return false;
    // Without the capability to link a descriptor, through its /proc entry.
    char path[40];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    return linkat(AT_FDCWD, path, directoryFd, name.constData(), AT_SYMLINK_FOLLOW) == 0;
#else
    Q_UNUSED(name);
    return false; // never opened without a name
#endif
}

bool AtomicFile::drop(int code)
{
    discard();
    return fail(code);
}
