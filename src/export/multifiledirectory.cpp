#include "multifiledirectory.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "core/shownname.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool endsInMlt(const char *name, size_t length)
{
    static const char suffix[] = ".mlt";
    if (length < sizeof suffix - 1)
        return false;
    const char *end = name + length - (sizeof suffix - 1);
    for (size_t i = 0; i < sizeof suffix - 1; ++i) {
        const char c = end[i];
        if ((c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) != suffix[i])
            return false;
    }
    return true;
}

// Whether the entry `name` of the open directory is one (or links to one).
bool isDirectoryEntry(int directory, const dirent *entry)
{
    if (entry->d_type == DT_DIR)
        return true;
    if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK)
        return false;
    struct stat status;
    return ::fstatat(directory, entry->d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

bool isDirectoryPath(const QString &path)
{
    struct stat status;
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &status) == 0 &&
           S_ISDIR(status.st_mode);
}

bool listDirectoryMultiFiles(const QString &directory, QList<DirectoryMultiFile> *files,
                             QString *error, qsizetype most)
{
    files->clear();
    const int fd = ::open(QFile::encodeName(directory).constData(),
                          O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    DIR *const opened = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!opened) {
        *error = qt_error_string(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(opened, ::closedir);

    QList<QByteArray> names;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir.get());
        if (!entry) {
            if (errno != 0) {
                *error = qt_error_string(errno);
                return false;
            }
            break;
        }
        const size_t length = std::strlen(entry->d_name);
        if (entry->d_name[0] == '.' || !endsInMlt(entry->d_name, length) ||
            isDirectoryEntry(fd, entry))
            continue;
        if (names.size() == most) {
            *error = QStringLiteral("it holds more than the %1 .mlt files read from one "
                                    "directory")
                         .arg(most);
            return false;
        }
        names.append(QByteArray(entry->d_name, qsizetype(length)));
    }
    std::sort(names.begin(), names.end());

    // "." names its files as they are; "dir/" is not given a second slash.
    QString prefix = directory;
    if (prefix == u".")
        prefix.clear();
    else if (!prefix.endsWith(u'/'))
        prefix += u'/';
    files->reserve(names.size());
    for (const QByteArray &name : names) {
        const QString decoded = QFile::decodeName(name);
        if (QFile::encodeName(decoded) == name)
            files->append({prefix + decoded, {}});
        else
            files->append({prefix + shownBytes(name), QStringLiteral("its name is not UTF-8 "
                                                                     "text")});
    }
    return true;
}

bool forEachMultiFile(const QStringList &arguments,
                      const std::function<bool(const QString &)> &visit,
                      const std::function<void(const QString &)> &problem)
{
    for (const QString &argument : arguments) {
        if (!isDirectoryPath(argument)) {
            if (!visit(argument))
                return false;
            continue;
        }
        QList<DirectoryMultiFile> files;
        QString why;
        if (!listDirectoryMultiFiles(argument, &files, &why))
            problem(QStringLiteral("cannot read directory %1: %2").arg(argument, why));
        else if (files.isEmpty())
            problem(QStringLiteral("directory %1 holds no .mlt files").arg(argument));
        for (const DirectoryMultiFile &file : std::as_const(files)) {
            if (!file.problem.isEmpty())
                problem(
                    QStringLiteral("cannot read .mlt file %1: %2").arg(file.path, file.problem));
            else if (!visit(file.path))
                return false;
        }
    }
    return true;
}
