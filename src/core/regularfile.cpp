#include "regularfile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

} // namespace

bool openRegularFile(QFile &file, QString *error, QIODevice::OpenMode extra)
{
    const QString name = file.fileName();
    if (name.isEmpty())
        return fail(error, QStringLiteral("no file name"));
#ifdef Q_OS_UNIX
    // Opened without blocking, then asked what it is: checking the name first
    // would leave a moment in which it could be swapped for a FIFO.
    const int fd =
        ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fail(error, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return fail(error, QStringLiteral("not a regular file"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly | extra, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(error, file.errorString());
    }
    return true;
#else
    const QFileInfo info(name);
    if (info.exists() && !info.isFile())
        return fail(error, QStringLiteral("not a regular file"));
    if (!file.open(QIODevice::ReadOnly | extra))
        return fail(error, file.errorString());
    return true;
#endif
}

QByteArray readUpTo(QIODevice &device, qint64 limit, bool *complete)
{
    // A file's size is known: read that much in place, then whatever it grew
    // by meanwhile, as far as the limit allows. A sequential device comes in
    // pieces.
    const qint64 expected =
        device.isSequential() ? 0 : std::clamp<qint64>(device.size() - device.pos(), 0, limit);
    QByteArray bytes(expected, Qt::Uninitialized);
    qint64 got = 0;
    while (got < expected) {
        const qint64 n = device.read(bytes.data() + got, expected - got);
        if (n <= 0)
            break;
        got += n;
    }
    bytes.truncate(got);
    while (got == expected && bytes.size() < limit) {
        const QByteArray more = device.read(std::min<qint64>(limit - bytes.size(), 1 << 16));
        if (more.isEmpty())
            break;
        bytes += more;
    }
    if (complete) {
        char extra;
        *complete = bytes.size() < limit || device.read(&extra, 1) <= 0;
    }
    return bytes;
}

QString notEnoughMemory(const QString &what, qint64 bytes)
{
    return QStringLiteral("not enough memory to read %1 (%2 bytes)").arg(what).arg(bytes);
}
