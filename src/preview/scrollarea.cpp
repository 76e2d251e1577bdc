#include "scrollarea.h"

#include "cache/multipayload.h"
#include "core/processwide.h"
#include "preview/multirenderer.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPixmap>

namespace {

bool carriesEntries(const QMimeData *data)
{
    return data && data->hasFormat(QLatin1String(MultiMimeType));
}

} // namespace

ScrollArea::ScrollArea(QWidget *parent) : QScrollArea(parent)
{
    setAcceptDrops(true);
}

ScrollArea::~ScrollArea() = default;

QImage ScrollArea::renderMulti(const QMimeData *data)
{
    if (!carriesEntries(data))
        return {};
    return renderMultiPayload(data->data(QLatin1String(MultiMimeType)), artStore, tileDataStore);
}

// A drag whose enter is ignored never moves or drops here, so the enter
// makes the same decision as every move.
void ScrollArea::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

void ScrollArea::dragMoveEvent(QDragMoveEvent *event)
{
    if (carriesEntries(event->mimeData()))
        event->accept();
    else
        event->ignore();
}

void ScrollArea::dropEvent(QDropEvent *event)
{
    if (!carriesEntries(event->mimeData())) {
        event->ignore();
        return;
    }
    event->accept();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QImage image = renderMulti(event->mimeData());
    previewLabel = new QLabel;
    previewLabel->setMinimumSize(image.width(), image.height());
    previewLabel->setPixmap(QPixmap::fromImage(image));
    // Deletes the previous label.
    setWidget(previewLabel);
    previewLabel->show();
    QApplication::restoreOverrideCursor();
}
