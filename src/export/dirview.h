#pragma once

#include <QTreeView>

class DirModel;

// The "Destination" tree of the file system. A drag of cache entries is
// accepted only over a directory that can be written to, and dropped there.
class DirView : public QTreeView
{
    Q_OBJECT

public:
    explicit DirView(QWidget *parent = nullptr);

protected:
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool acceptsDrop(const QMimeData *data, const QModelIndex &index) const;

    DirModel *dirModel;
};
