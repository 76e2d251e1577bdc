#include "dirview.h"

#include "cache/multipayload.h"
#include "export/dirmodel.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOption>

DirView::DirView(QWidget *parent) : QTreeView(parent)
{
    setAcceptDrops(true);
    // A file's row dragged out carries the file as a URL; the model offers
    // only a copy, so that no drop target moves the user's file away.
    setDragEnabled(true);
    // The item view's own drop indicator knows nothing of the verdict below,
    // and with no row of its own it marks the corner pixel; this view draws it.
    setDropIndicatorShown(false);
    dirModel = new DirModel(this);
    setModel(dirModel);

    // Listings come a part at a time, and are sorted after they come: the
    // rows are placed again once the model has settled for the moment.
    revealTimer.setSingleShot(true);
    revealTimer.setInterval(0);
    connect(&revealTimer, &QTimer::timeout, this, &DirView::reveal);
    const auto later = [this] {
        if (!revealedDir.isEmpty())
            revealTimer.start();
    };
    connect(dirModel, &QAbstractItemModel::rowsInserted, this, later);
    connect(dirModel, &QAbstractItemModel::rowsRemoved, this, later);
    connect(dirModel, &QAbstractItemModel::layoutChanged, this, later);
    connect(dirModel, &DirModel::filesWritten, this, &DirView::showWritten);
    // Dragging the scroll bar, or clicking it, is the user's.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &DirView::stopRevealing);

    showHome();
}

void DirView::showHome()
{
    // Looking the path up creates its rows at once, before their directories
    // are listed; a home directory that does not exist gives the invalid index.
    const QString home = QDir::homePath();
    const QModelIndex index = dirModel->index(home);
    if (!index.isValid())
        return;
    for (QModelIndex up = index; up.isValid(); up = up.parent())
        expand(up);
    // Where the keyboard starts, without selecting it.
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    revealedDir = dirModel->filePath(index);
    revealedNames.clear();
    fromTop = true;
    revealTimer.start();
}

void DirView::showWritten(const QString &directory, const QStringList &paths)
{
    const QModelIndex index = dirModel->index(directory);
    if (!index.isValid())
        return;
    expand(index);
    revealedDir = directory;
    revealedNames.clear();
    for (const QString &path : paths)
        revealedNames.insert(QFileInfo(path).fileName());
    fromTop = false;
    revealTimer.start();
}

// Brings the revealed directory's row into view with the rows wanted below it
// where they fit; where they do not, the first of them. EnsureVisible moves
// the rows as little as it can.
void DirView::reveal()
{
    const QModelIndex dir = revealedDir.isEmpty() ? QModelIndex() : dirModel->index(revealedDir);
    if (!dir.isValid())
        return;
    // The model replaces a row whose directory it finds again in a listing
    // begun before the row was made; the new row comes collapsed.
    if (!isExpanded(dir))
        expand(dir);
    QModelIndex first;
    QModelIndex last;
    const int rows = isExpanded(dir) ? dirModel->rowCount(dir) : 0;
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = dirModel->index(row, 0, dir);
        if (revealedNames.isEmpty() || revealedNames.contains(dirModel->fileName(child))) {
            if (!first.isValid())
                first = child;
            last = child;
        }
    }
    if (revealedNames.isEmpty() || !first.isValid())
        first = dir;
    if (!last.isValid())
        last = dir;

    const auto fits = [this](const QModelIndex &top, const QModelIndex &bottom) {
        return visualRect(bottom).bottom() - visualRect(top).top() < viewport()->height();
    };
    revealing = true;
    if (fromTop)
        verticalScrollBar()->setValue(0);
    scrollTo(last);
    if (fits(dir, last))
        scrollTo(dir);
    else if (fits(first, last))
        scrollTo(first);
    else
        scrollTo(first, PositionAtTop);
    revealing = false;
}

void DirView::stopRevealing()
{
    revealedDir.clear();
    revealedNames.clear();
    revealTimer.stop();
}

void DirView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    // Scrolled to a row from elsewhere (the keyboard, a search): the row wanted
    // there stays in view.
    if (!revealing)
        stopRevealing();
    QTreeView::scrollTo(index, hint);
}

bool DirView::event(QEvent *event)
{
    // On showing, the view scrolls to its current row, the home directory
    // set above: that scroll is not the user's.
    if (event->type() != QEvent::Show)
        return QTreeView::event(event);
    const bool before = revealing;
    revealing = true;
    const bool handled = QTreeView::event(event);
    revealing = before;
    if (!revealedDir.isEmpty())
        revealTimer.start();
    return handled;
}

void DirView::keyPressEvent(QKeyEvent *event)
{
    stopRevealing();
    QTreeView::keyPressEvent(event);
}

void DirView::mousePressEvent(QMouseEvent *event)
{
    stopRevealing();
    QTreeView::mousePressEvent(event);
}

void DirView::wheelEvent(QWheelEvent *event)
{
    stopRevealing();
    QTreeView::wheelEvent(event);
}

void DirView::resizeEvent(QResizeEvent *event)
{
    QTreeView::resizeEvent(event);
    if (!revealedDir.isEmpty())
        revealTimer.start();
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

void DirView::dragEnterEvent(QDragEnterEvent *event)
{
    // Rows that moved now would move under the pointer.
    stopRevealing();
    QTreeView::dragEnterEvent(event);
}

void DirView::dragMoveEvent(QDragMoveEvent *event)
{
    // No auto-scroll: the verdict is the row's alone, and the row it accepts
    // shows the drop indicator.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (acceptsDrop(event->mimeData(), index)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        showDropTarget(index);
    } else {
        event->ignore();
        showDropTarget(QModelIndex());
    }
}

void DirView::dragLeaveEvent(QDragLeaveEvent *event)
{
    showDropTarget(QModelIndex());
    QTreeView::dragLeaveEvent(event);
}

void DirView::dropEvent(QDropEvent *event)
{
    // The entries go into the directory of the row under the cursor, wherever
    // on the row they land; the item view would take a drop near a row's edge,
    // or on a row the model does not flag for drops, as one between rows.
    // A drop that writes files expands the directory and shows them.
    showDropTarget(QModelIndex());
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

void DirView::showDropTarget(const QModelIndex &index)
{
    if (index == dropTarget)
        return;
    dropTarget = index;
    viewport()->update();
}

void DirView::paintEvent(QPaintEvent *event)
{
    QTreeView::paintEvent(event);
    // The toolkit's drop indicator around the row's name, as the item view
    // draws it over a row that takes a drop.
    if (!dropTarget.isValid())
        return;
    QStyleOption option;
    option.initFrom(this);
    option.rect = visualRect(dropTarget);
    QPainter painter(viewport());
    style()->drawPrimitive(QStyle::PE_IndicatorItemViewItemDrop, &option, &painter, this);
}
