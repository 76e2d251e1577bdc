#include "dirview.h"

#include "cache/multipayload.h"
#include "export/dirmodel.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>

DirView::DirView(QWidget *parent) : QTreeView(parent)
{
    setAcceptDrops(true);
    dirModel = new DirModel(this);
    setModel(dirModel);
}

bool DirView::acceptsDrop(const QMimeData *data, const QModelIndex &index) const
{
    if (!data || !data->hasFormat(QString::fromLatin1(MultiMimeType)))
        return false;
    if (!index.isValid())
        return false;
    // Asked of the disk now: the model's file information dates from when the
    // directory was listed.
    const QFileInfo info(dirModel->filePath(index));
    return info.isWritable() && info.isDir();
}

void DirView::dragMoveEvent(QDragMoveEvent *event)
{
    // No auto-scroll and no drop indicator: the verdict is the row's alone.
    if (acceptsDrop(event->mimeData(), indexAt(event->position().toPoint()))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void DirView::dropEvent(QDropEvent *event)
{
    // The entries go into the directory of the row under the cursor, wherever
    // on the row they land; the item view would take a drop near a row's edge,
    // or on a row the model does not flag for drops, as one between rows.
    const QModelIndex index = indexAt(event->position().toPoint());
    event->ignore();
    if (acceptsDrop(event->mimeData(), index)) {
        event->setDropAction(Qt::CopyAction);
        if (dirModel->dropMimeData(event->mimeData(), Qt::CopyAction, -1, -1, index))
            event->accept();
    }
    setState(NoState);
    viewport()->update();
}
