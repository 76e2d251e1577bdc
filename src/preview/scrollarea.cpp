#include "scrollarea.h"

#include "cache/multipayload.h"
#include "client/clientdata.h"
#include "core/processwide.h"
#include "preview/multirenderer.h"
#include "preview/previewlabel.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QShortcut>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <iterator>

namespace {

// Scales the zoom steps through. Enlargements are whole numbers, so that
// pixel art stays sharp drawn without smoothing; the smallest shows the
// largest real multis whole in a small pane.
constexpr double ZoomSteps[] = {1.0 / 8, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 1, 2, 3, 4, 6, 8};
constexpr int ZoomStepCount = int(std::size(ZoomSteps));
constexpr int OwnSizeStep = 5;
static_assert(ZoomSteps[OwnSizeStep] == 1);

// Scales closer than this are the same step.
constexpr double SameScale = 1e-9;

// One step of a wheel, in eighths of a degree.
constexpr int WheelStep = 120;

bool carriesEntries(const QMimeData *data)
{
    return data && data->hasFormat(QLatin1String(MultiMimeType));
}

// Files are only read: they are taken as a copy, never as a move, which a
// file manager would finish by removing them.
bool carriesMultiFiles(const QDropEvent *event)
{
    return (event->possibleActions() & Qt::CopyAction) &&
           !ScrollArea::multiFilePaths(event->mimeData()).isEmpty();
}

} // namespace

ScrollArea::ScrollArea(QWidget *parent) : QScrollArea(parent), zoomStep(OwnSizeStep)
{
    setAcceptDrops(true);

    // Anywhere in the window: the preview is the one thing there to zoom, and
    // the keyboard is usually still in the list the entry was dragged from.
    const auto addShortcut = [this](const QKeySequence &keys, auto slot) {
        auto *shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    const auto zoomInAtCentre = [this] { zoomIn(viewportCentre()); };
    const auto zoomOutAtCentre = [this] { zoomOut(viewportCentre()); };
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Plus), zoomInAtCentre);
    // Where "+" is a shifted "=", Ctrl and that key without Shift as well.
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), zoomInAtCentre);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus), zoomOutAtCentre);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_0),
                [this] { zoomTo(OwnSizeStep, false, viewportCentre()); });
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_9),
                [this] { zoomTo(zoomStep, true, viewportCentre()); });
}

ScrollArea::~ScrollArea() = default;

QImage ScrollArea::renderMulti(const QMimeData *data)
{
    if (!carriesEntries(data))
        return {};
    return renderMultiPayload(data->data(QLatin1String(MultiMimeType)), artStore, tileDataStore);
}

QStringList ScrollArea::multiFilePaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    const QList<QUrl> urls = data->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile() && ClientData::isMultiFile(url.toLocalFile()))
            paths.append(url.toLocalFile());
    }
    return paths;
}

bool ScrollArea::showMultiFile(const QStringList &paths)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The one reader of ".mlt" files, with its limits: a file that is not one
    // (or too large to draw) is passed over.
    ClientData reader;
    MultiEntry entry;
    bool read = false;
    for (const QString &path : paths) {
        read = ClientData::isMultiFile(path) && reader.readMultiFileEntry(path, &entry);
        if (read)
            break;
    }
    if (read)
        showPicture(renderMultiEntry(entry, artStore, tileDataStore));
    QApplication::restoreOverrideCursor();
    return read;
}

// A drag whose enter is ignored never moves or drops here, so the enter
// makes the same decision as every move.
void ScrollArea::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

void ScrollArea::dragMoveEvent(QDragMoveEvent *event)
{
    if (carriesEntries(event->mimeData())) {
        event->accept();
    } else if (carriesMultiFiles(event)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ScrollArea::dropEvent(QDropEvent *event)
{
    if (carriesEntries(event->mimeData())) {
        event->accept();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        showPicture(renderMulti(event->mimeData()));
        QApplication::restoreOverrideCursor();
        return;
    }
    // Files of which none can be read leave the pane as it was, silently.
    event->ignore();
    if (carriesMultiFiles(event) && showMultiFile(multiFilePaths(event->mimeData()))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void ScrollArea::showPicture(const QImage &image)
{
    previewLabel = new PreviewLabel(image);
    // Deletes the previous label.
    setWidget(previewLabel);
    previewLabel->show();
    // A zoom the user chose shows the new picture zoomed, from its top left.
    if (fitted || zoomStep != OwnSizeStep) {
        previewLabel->setScale(chosenScale());
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
    }
}

void ScrollArea::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QScrollArea::wheelEvent(event);
        return;
    }
    event->accept();
    // Wheels that turn in smaller steps (touchpads) zoom once a whole step
    // has added up; the point under the pointer stays where it is.
    // A turn of more steps than there are zooms no further.
    const qint64 turn = wheelTurn + qint64(event->angleDelta().y());
    const int steps = int(std::clamp<qint64>(turn / WheelStep, -ZoomStepCount, ZoomStepCount));
    wheelTurn = int(turn % WheelStep);
    const QPoint anchor = event->position().toPoint();
    for (int n = 0; n < steps; ++n)
        zoomIn(anchor);
    for (int n = 0; n > steps; --n)
        zoomOut(anchor);
}

void ScrollArea::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    if (fitted)
        applyScale(QPoint());
}

void ScrollArea::zoomIn(const QPoint &anchor)
{
    // From a fitted picture, the first step larger than the fit.
    const double scale = chosenScale();
    int step = 0;
    while (step < ZoomStepCount - 1 && ZoomSteps[step] <= scale + SameScale)
        ++step;
    zoomTo(step, false, anchor);
}

void ScrollArea::zoomOut(const QPoint &anchor)
{
    const double scale = chosenScale();
    int step = ZoomStepCount - 1;
    while (step > 0 && ZoomSteps[step] >= scale - SameScale)
        --step;
    // Already below the smallest step (a large picture fitted): it stays.
    if (ZoomSteps[step] >= scale - SameScale)
        return;
    zoomTo(step, false, anchor);
}

void ScrollArea::zoomTo(int step, bool fit, const QPoint &anchor)
{
    // Without a picture there is nothing to zoom, and no zoom is chosen.
    if (!previewLabel || previewLabel->pictureSize().isEmpty())
        return;
    zoomStep = step;
    fitted = fit;
    applyScale(anchor);
}

double ScrollArea::chosenScale() const
{
    if (!fitted || !previewLabel || previewLabel->pictureSize().isEmpty())
        return ZoomSteps[zoomStep];
    // As large as fits the pane without scroll bars, never enlarged.
    const QSize room = maximumViewportSize();
    const QSize size = previewLabel->pictureSize();
    return std::min(
        {1.0, double(room.width()) / size.width(), double(room.height()) / size.height()});
}

// Scales the label, keeping the picture's point under `anchor` (a point of
// the viewport) where it is, as far as the scroll bars allow.
void ScrollArea::applyScale(const QPoint &anchor)
{
    if (!previewLabel)
        return;
    const double before = previewLabel->scale();
    const double after = chosenScale();
    const QPointF picturePoint = QPointF(horizontalScrollBar()->value() + anchor.x(),
                                         verticalScrollBar()->value() + anchor.y()) /
                                 before;
    previewLabel->setScale(after);
    const QPointF moved = picturePoint * after - QPointF(anchor);
    horizontalScrollBar()->setValue(qRound(moved.x()));
    verticalScrollBar()->setValue(qRound(moved.y()));
}

QPoint ScrollArea::viewportCentre() const
{
    return viewport()->rect().center();
}
