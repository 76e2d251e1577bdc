#include "dirmodel.h"

#include "cache/multipayload.h"
#include "export/multifilewriter.h"
#include "export/nameiconprovider.h"

#include <QDir>
#include <QMimeData>

DirModel::DirModel(QObject *parent) : QFileSystemModel(parent)
{
    // Lives to the end of the process: the model's lister thread may still ask
    // it while the model goes away.
    static NameIconProvider *const iconProvider = new NameIconProvider;
    setIconProvider(iconProvider);
    setReadOnly(true);
    setRootPath(QDir::rootPath());
}

int DirModel::columnCount(const QModelIndex &) const
{
    return 1;
}

Qt::ItemFlags DirModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags flags = QFileSystemModel::flags(index);
    return index.isValid() && isDir(index) ? flags & ~Qt::ItemIsDragEnabled : flags;
}

bool DirModel::dropMimeData(const QMimeData *data, Qt::DropAction, int, int,
                            const QModelIndex &parent)
{
    // Only entries are taken: the file system model's own handling would move
    // or link the user's files. An invalid parent is the list of roots.
    const QString type = QString::fromLatin1(MultiMimeType);
    if (!data || !data->hasFormat(type) || !parent.isValid() || !isDir(parent))
        return false;

    // An entry cut short ends the drop and is not written.
    bool whole = true;
    const QList<MultiEntry> entries = decodeMultiPayload(data->data(type), &whole);
    MultiFileReport report;
    const bool written = writeMultiFiles(entries, filePath(parent), &report);
    showFiles(report.files);
    if (!report.files.isEmpty())
        Q_EMIT filesWritten(filePath(parent), report.files);
    return written && whole;
}

QStringList DirModel::mimeTypes() const
{
    return {QString::fromLatin1(MultiMimeType)};
}

Qt::DropActions DirModel::supportedDropActions() const
{
    return Qt::CopyAction;
}

void DirModel::showFiles(const QStringList &paths)
{
    // Asking for the index of a path that exists adds its row at once; the
    // directory watch would add it only later, or never where watches run out.
    QString previous;
    for (const QString &path : paths) {
        if (path != previous)
            index(path);
        previous = path;
    }
}
