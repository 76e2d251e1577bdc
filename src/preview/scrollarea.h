#pragma once

#include <QImage>
#include <QScrollArea>
#include <QStringList>

class PreviewLabel;
class QMimeData;

// The "Preview" pane: accepts dragged cache entries and shows the first one
// rendered, in a label that each drop replaces, at the picture's own size.
// Dragged files (from the "Destination" tree or a file manager) show the
// first readable ".mlt" file among them as a drop of its entry would.
// The user may zoom it (Ctrl+wheel, Ctrl+plus, Ctrl+minus, Ctrl+0 for the own
// size, Ctrl+9 to fit the pane); the zoom chosen stays for the next drops
// while the pane exists.
class ScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    explicit ScrollArea(QWidget *parent = nullptr);
    ~ScrollArea() override;

    // The picture of the payload's first entry, drawn with the process-wide
    // readers; a null image when they do not exist or the entry is empty.
    static QImage renderMulti(const QMimeData *data);
    // The local files named ".mlt" that a drag of files carries, in order.
    static QStringList multiFilePaths(const QMimeData *data);

    // Shows the first of `paths` that is a readable ".mlt" file, as a drop of
    // its entry would; false, with the pane unchanged, when none is.
    bool showMultiFile(const QStringList &paths);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void showPicture(const QImage &image);
    void zoomIn(const QPoint &anchor);
    void zoomOut(const QPoint &anchor);
    void zoomTo(int step, bool fit, const QPoint &anchor);
    double chosenScale() const;
    void applyScale(const QPoint &anchor);
    QPoint viewportCentre() const;

    PreviewLabel *previewLabel = nullptr; // owned as the area's widget
    int zoomStep;                         // into the zoom steps; the own size at first
    bool fitted = false;                  // fit the pane rather than the step
    int wheelTurn = 0;                    // Ctrl+wheel turned short of a whole step
};
