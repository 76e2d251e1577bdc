#pragma once

#include <QFileSystemModel>

// The file system from its roots, names only, as the drop target of cache
// entries. Read-only: it never renames, moves or deletes the user's files.
class DirModel : public QFileSystemModel
{
    Q_OBJECT

public:
    explicit DirModel(QObject *parent = nullptr);

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    // A file's row may be dragged out (as its URL), a directory's not: a
    // drop of one would copy a whole tree.
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Writes one ".mlt" file per dropped entry into the directory `parent`;
    // true only when every entry was written.
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;

Q_SIGNALS:
    // After a drop that wrote files: the directory and the paths written.
    void filesWritten(const QString &directory, const QStringList &paths);

private:
    void showFiles(const QStringList &paths);
};
