#pragma once

#include <QImage>
#include <QScrollArea>

class QLabel;
class QMimeData;

// The "Preview" pane: accepts dragged cache entries and shows the first one
// rendered, in a label that each drop replaces.
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

private:
    QLabel *previewLabel = nullptr; // owned as the area's widget
};
