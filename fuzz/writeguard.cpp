#include "writeguard.h"

#include <QList>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <mutex>

#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> armed{false};
std::mutex mutex;
QByteArray allowedRoot;
QStringList refusedCalls;

// The C library's own function behind an interposed one.
template <auto Function> decltype(Function) next(const char *name)
{
    static const auto function = reinterpret_cast<decltype(Function)>(dlsym(RTLD_NEXT, name));
    return function;
}

QByteArray currentDirectory()
{
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? QByteArray(buffer) : QByteArray("/");
}

// The directory a *at call's relative path starts from.
QByteArray directoryOf(int dirfd)
{
    if (dirfd == AT_FDCWD)
        return currentDirectory();
    char buffer[PATH_MAX];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(dirfd);
    const ssize_t size = readlink(link.constData(), buffer, sizeof buffer);
    // An unknown directory counts as outside.
    return size > 0 ? QByteArray(buffer, size) : QByteArray("/nonexistent-directory");
}

bool inside(const QByteArray &path)
{
    return path == allowedRoot || path.startsWith(allowedRoot + '/');
}

// True when the call may go on; records it otherwise.
bool permitted(const char *call, int dirfd, const char *path)
{
    if (!armed.load() || !path)
        return true;
    const std::lock_guard<std::mutex> lock(mutex);
    QByteArray absolute = lexicalAbsolutePath(path, directoryOf(dirfd));
    // A file open under no name is linked into place through its /proc entry.
    if (absolute.startsWith("/proc/self/fd/"))
        absolute = directoryOf(absolute.mid(14).toInt());
    if (inside(absolute))
        return true;
    refusedCalls.append(QString::fromLatin1(call) + u' ' + QString::fromLocal8Bit(absolute));
    errno = EACCES;
    return false;
}

bool permitted(const char *call, const char *path)
{
    return permitted(call, AT_FDCWD, path);
}

// A link's target is taken from the directory the link is made in.
bool permittedLink(const char *call, const char *target, int dirfd, const char *linkPath)
{
    if (!permitted(call, dirfd, linkPath))
        return false;
    const QByteArray linkDirectory = lexicalAbsolutePath(linkPath, directoryOf(dirfd)) + "/..";
    return permitted(call, AT_FDCWD, lexicalAbsolutePath(target, linkDirectory).constData());
}

bool writes(int flags)
{
    return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND)) != 0;
}

mode_t modeArgument(int flags, va_list arguments)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t) : 0;
}

} // namespace

WriteGuard::WriteGuard(const QByteArray &allowed)
{
    const std::lock_guard<std::mutex> lock(mutex);
    allowedRoot = lexicalAbsolutePath(allowed, "/");
    refusedCalls.clear();
    armed = true;
}

WriteGuard::~WriteGuard()
{
    armed = false;
}

QStringList WriteGuard::refused() const
{
    const std::lock_guard<std::mutex> lock(mutex);
    return refusedCalls;
}

QByteArray lexicalAbsolutePath(const QByteArray &path, const QByteArray &base)
{
    QList<QByteArray> parts;
    const QByteArray whole = path.startsWith('/') ? path : base + '/' + path;
    for (const QByteArray &part : whole.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else {
            parts.append(part);
        }
    }
    QByteArray result;
    for (const QByteArray &part : parts)
        result += '/' + part;
    return result.isEmpty() ? QByteArray("/") : result;
}

// The interposed C library calls.
extern "C" {

int open(const char *path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    if (writes(flags) && !permitted("open", path))
        return -1;
    return next<&open>("open")(path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    if (writes(flags) && !permitted("open64", path))
        return -1;
    return next<&open64>("open64")(path, flags, mode);
}

int openat(int dirfd, const char *path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    if (writes(flags) && !permitted("openat", dirfd, path))
        return -1;
    return next<&openat>("openat")(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char *path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    if (writes(flags) && !permitted("openat64", dirfd, path))
        return -1;
    return next<&openat64>("openat64")(dirfd, path, flags, mode);
}

int creat(const char *path, mode_t mode)
{
    return permitted("creat", path) ? next<&creat>("creat")(path, mode) : -1;
}

int creat64(const char *path, mode_t mode)
{
    return permitted("creat64", path) ? next<&creat64>("creat64")(path, mode) : -1;
}

int mkdir(const char *path, mode_t mode) noexcept
{
    return permitted("mkdir", path) ? next<&mkdir>("mkdir")(path, mode) : -1;
}

int mkdirat(int dirfd, const char *path, mode_t mode) noexcept
{
    return permitted("mkdirat", dirfd, path) ? next<&mkdirat>("mkdirat")(dirfd, path, mode) : -1;
}

int rename(const char *from, const char *to) noexcept
{
    if (!permitted("rename", from) || !permitted("rename", to))
        return -1;
    return next<&rename>("rename")(from, to);
}

int renameat(int fromfd, const char *from, int tofd, const char *to) noexcept
{
    if (!permitted("renameat", fromfd, from) || !permitted("renameat", tofd, to))
        return -1;
    return next<&renameat>("renameat")(fromfd, from, tofd, to);
}

int renameat2(int fromfd, const char *from, int tofd, const char *to, unsigned flags) noexcept
{
    if (!permitted("renameat2", fromfd, from) || !permitted("renameat2", tofd, to))
        return -1;
    return next<&renameat2>("renameat2")(fromfd, from, tofd, to, flags);
}

int link(const char *from, const char *to) noexcept
{
    if (!permitted("link", from) || !permitted("link", to))
        return -1;
    return next<&link>("link")(from, to);
}

int linkat(int fromfd, const char *from, int tofd, const char *to, int flags) noexcept
{
    if (!permitted("linkat", fromfd, from) || !permitted("linkat", tofd, to))
        return -1;
    return next<&linkat>("linkat")(fromfd, from, tofd, to, flags);
}

int symlink(const char *target, const char *path) noexcept
{
    if (!permittedLink("symlink", target, AT_FDCWD, path))
        return -1;
    return next<&symlink>("symlink")(target, path);
}

int symlinkat(const char *target, int dirfd, const char *path) noexcept
{
    if (!permittedLink("symlinkat", target, dirfd, path))
        return -1;
    return next<&symlinkat>("symlinkat")(target, dirfd, path);
}

int unlink(const char *path) noexcept
{
    return permitted("unlink", path) ? next<&unlink>("unlink")(path) : -1;
}

int unlinkat(int dirfd, const char *path, int flags) noexcept
{
    return permitted("unlinkat", dirfd, path) ? next<&unlinkat>("unlinkat")(dirfd, path, flags)
                                              : -1;
}

int rmdir(const char *path) noexcept
{
    return permitted("rmdir", path) ? next<&rmdir>("rmdir")(path) : -1;
}

int chmod(const char *path, mode_t mode) noexcept
{
    return permitted("chmod", path) ? next<&chmod>("chmod")(path, mode) : -1;
}

int truncate(const char *path, off_t length) noexcept
{
    return permitted("truncate", path) ? next<&truncate>("truncate")(path, length) : -1;
}

int truncate64(const char *path, off64_t length) noexcept
{
    return permitted("truncate64", path) ? next<&truncate64>("truncate64")(path, length) : -1;
}

} // extern "C"
