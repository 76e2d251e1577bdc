#include "atomicfile.h"

#include "core/wholenumber.h"
#include "core/writeall.h"
#include "outputdirectory.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> unnamedFiles{true};

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

// A temporary name ends in a random tag of this many hex digits, then this.
constexpr qsizetype TagDigits = 16;
constexpr char TemporarySuffix[] = ".part";

QByteArray freshTemporaryName()
{
    const quint64 tag = QRandomGenerator::global()->generate64();
    return AtomicFile::temporaryPrefix(getpid()) +
           QByteArray::number(tag, 16).rightJustified(TagDigits, '0') + TemporarySuffix;
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

bool AtomicFile::open(const OutputDirectory &outputDirectory, const QString &name)
{
    discard();
    directory = nullptr;
    directoryFd = -1;
    code = 0;
    error.clear();
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/') ||
        name.contains(QChar(0)))
        return fail(EINVAL, QStringLiteral("not a file name"));
    // A name the file system cannot hold as given would become another one.
    target = QFile::encodeName(name);
    if (QFile::decodeName(target) != name)
        return fail(EINVAL, QStringLiteral("name is not valid Unicode text"));
    if (!outputDirectory.isOpen())
        return fail(ENOENT, QStringLiteral("no directory given"));
    directory = &outputDirectory;
    directoryFd = outputDirectory.handle();
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
    const int written = writeAll(fd, data, size);
    return written == 0 || fail(written);
}

bool AtomicFile::commit()
{
    if (fd < 0)
        return fail(EBADF, QStringLiteral("file not open"));
    // One writer at a time puts its file in place, so that what the name
    // reaches afterwards is known to be this file.
    std::lock_guard<std::mutex> lock(directory->commitLock());
    const QByteArray before = directory->committedAs(target);
    if (!before.isEmpty()) {
        discard();
        return fail(EEXIST, QStringLiteral("this file system takes the name for %1, written "
                                           "before")
                                .arg(QFile::decodeName(before)));
    }
    if (!putInPlace())
        return false;
    directory->recordCommitted(target);
    return true;
}

bool AtomicFile::commitNew()
{
    if (fd < 0)
        return fail(EBADF, QStringLiteral("file not open"));
    std::lock_guard<std::mutex> lock(directory->commitLock());
    if (!linkInPlace())
        return false;
    directory->recordCommitted(target);
    return true;
}

bool AtomicFile::linkInPlace()
{
    bool linked = false;
    if (temporary.isEmpty()) {
        linked = linkUnnamed(target);
    } else {
        // Some network file systems report a failed write only here.
        const int closed = close(fd);
        fd = -1;
        if (closed != 0)
            return drop(errno);
        // A link never replaces anything; where the file system has no
        // links, a rename that refuses to replace.
        linked =
            linkat(directoryFd, temporary.constData(), directoryFd, target.constData(), 0) == 0;
#ifdef RENAME_NOREPLACE
        if (!linked && (errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK)) {
            const int linkError = errno;
            linked = renameat2(directoryFd, temporary.constData(), directoryFd, target.constData(),
                               RENAME_NOREPLACE) == 0;
            if (linked)
                temporary.clear();
            else if (errno == EINVAL || errno == ENOSYS)
                errno = linkError; // no such rename either
        }
#endif
    }
    const int why = errno;
    discard(); // the temporary name, once linked, is no longer needed
    if (linked)
        return true;
    return why == EEXIST ? fail(EEXIST, QStringLiteral("exists")) : fail(why);
}

bool AtomicFile::putInPlace()
{
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
    fd = -1;
}

bool AtomicFile::errorHitsEveryFile() const
{
#ifdef EDQUOT
    if (code == EDQUOT)
        return true;
#endif
    return code == ENOSPC || code == EROFS || code == EFBIG || code == EMFILE || code == ENFILE ||
           directoryGone;
}

QByteArray AtomicFile::temporaryPrefix(qint64 pid)
{
    return ".korvane-" + hostTag() + '-' + QByteArray::number(pid) + '-';
}

QString AtomicFile::savedThroughLinks(const QString &path)
{
    const QFileInfo info(path);
    return info.isSymLink() ? info.symLinkTarget() : path;
}

qint64 AtomicFile::temporaryWriter(const QByteArray &name)
{
    // ".korvane-<host>-" <pid> "-" <tag> ".part"
    const QByteArray prefix = temporaryPrefix(0).chopped(2);
    if (!name.startsWith(prefix) || !name.endsWith(TemporarySuffix))
        return -1;
    const QByteArray rest =
        name.sliced(prefix.size()).chopped(qsizetype(sizeof TemporarySuffix) - 1);
    const qsizetype dash = rest.indexOf('-');
    if (dash <= 0 || rest.size() - dash - 1 != TagDigits)
        return -1;
    return wholeNumber(QByteArrayView(rest).first(dash), 1, std::numeric_limits<pid_t>::max())
        .value_or(-1);
}

void AtomicFile::setUnnamedFiles(bool allowed)
{
    unnamedFiles = allowed;
}

bool AtomicFile::fail(int why, const QString &reason)
{
    code = why;
    error = reason.isEmpty() ? qt_error_string(why) : reason;
    // Nothing can be made in a directory that is no longer there, whatever
    // the step that met it says.
    directoryGone = directory && directory->isGone();
    if (directoryGone)
        error = QStringLiteral("the directory was removed");
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
    const int why = errno;
    temporary.clear();
    return fail(why);
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

bool AtomicFile::drop(int why)
{
    discard();
    return fail(why);
}
