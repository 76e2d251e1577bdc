#pragma once

#include <QPersistentModelIndex>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QTreeView>

class DirModel;

// The "Destination" tree of the file system. A drag of cache entries is
// accepted only over a directory that can be written to, and dropped there;
// while it is, that directory's row shows the drop indicator. Files' rows
// are dragged out as the files (copied, never moved), onto the preview, say.
//
// It opens expanded down to the user's home directory, with that directory in
// view; after a drop, the directory dropped on is expanded and the files
// written are brought into view. Until the user scrolls, clicks or types in
// the tree, it keeps them in view while the directories' listings arrive.
class DirView : public QTreeView
{
    Q_OBJECT

public:
    explicit DirView(QWidget *parent = nullptr);

    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

protected:
    bool event(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool acceptsDrop(const QMimeData *data, const QModelIndex &index) const;
    void showHome();
    void showWritten(const QString &directory, const QStringList &paths);
    void reveal();
    void stopRevealing();
    void showDropTarget(const QModelIndex &index);

    DirModel *dirModel;

    // What is kept in view: the directory's row, and below it the rows of
    // `revealedNames` (all its rows when empty) as far as they fit.
    QString revealedDir;
    QSet<QString> revealedNames;
    bool fromTop = false;   // from the tree's first row on, as far as room allows
    bool revealing = false; // scrolling from reveal(), not from elsewhere
    QTimer revealTimer;     // one reveal for the model's changes of a pass

    QPersistentModelIndex dropTarget; // the row a drag of entries is accepted over
};
