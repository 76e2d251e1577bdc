#pragma once

#include <QImage>
#include <QScrollArea>

class PreviewLabel;
class QMimeData;

// The "Preview" pane: accepts dragged cache entries and shows the first one
// rendered, in a label that each drop replaces, at the picture's own size.
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

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
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
