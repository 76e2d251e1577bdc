#include "multifiledirectory.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

#include <dirent.h>

bool listMultiFiles(const QString &directory, QStringList *files, QString *error)
{
    files->clear();
    // QDir says nothing of a directory it cannot read: opened here first.
    DIR *opened = ::opendir(QFile::encodeName(directory).constData());
    if (!opened) {
        *error = qt_error_string(errno);
        return false;
    }
    ::closedir(opened);
    const QDir dir(directory);
    const QFileInfoList found = dir.entryInfoList(
        {QStringLiteral("*.mlt")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo &info : found) {
        // A FIFO or device of that name is no .mlt file.
        if (info.isFile())
            files->append(dir.filePath(info.fileName()));
    }
    return true;
}
