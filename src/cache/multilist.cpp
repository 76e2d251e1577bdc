#include "multilist.h"

#include "cache/multicache.h"
#include "cache/multiitem.h"
#include "cache/multipayload.h"
#include "core/processwide.h"

#include <QDataStream>
#include <QDrag>
#include <QMimeData>
#include <QPainter>
#include <QStyle>

#include <limits>
#include <new>

MultiList::MultiList(QWidget *parent) : QListWidget(parent)
{
    setDragEnabled(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    loadEntries();
    // The loaded entries' texts are alike: laying out the first stands for
    // all, where measuring each of thousands would hold up the start.
    setUniformItemSizes(true);
}

void MultiList::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                            const QList<int> &roles)
{
    // A renamed entry may be wider than the others: measure each from now on.
    setUniformItemSizes(false);
    QListWidget::dataChanged(topLeft, bottomRight, roles);
}

void MultiList::loadEntries()
{
    // A file that cannot be read (missing, unreadable, no name, not a regular
    // file), that memory cannot hold, or that has more entries than a list has
    // rows, gives no entry.
    bool listed = false;
    try {
        if (entries.load(CacheFile) && entries.size() <= std::numeric_limits<int>::max()) {
            // Thousands of rows, told to the view once: a row at a time, the
            // view would handle every insertion on its own.
            model()->blockSignals(true);
            for (qsizetype n = 0; n < entries.size(); ++n)
                new MultiItem(this, n);
            listed = true;
        }
    } catch (const std::bad_alloc &) {
        clear();
    }
    model()->blockSignals(false);
    if (!listed)
        entries = MultiCache();
    reset();
}

QStringList MultiList::mimeTypes() const
{
    return {QString::fromLatin1(MultiMimeType)};
}

QMimeData *MultiList::mimeData(const QList<QListWidgetItem *> &items) const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    for (QListWidgetItem *listItem : items) {
        // The loader creates no other kind of item.
        writeMultiEntry(out, static_cast<const MultiItem *>(listItem)->entry());
    }
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(MultiMimeType), bytes);
    return data;
}

QStringList MultiList::dragLines(const QStringList &names)
{
    QStringList lines = names.mid(0, MaxDragNames);
    // One line each: control characters (a tab, a line feed) drawn as marks.
    for (QString &line : lines) {
        for (QChar &c : line) {
            if (c.category() == QChar::Other_Control)
                c = QChar::ReplacementCharacter;
        }
    }
    if (names.size() > MaxDragNames)
        lines << QStringLiteral("and %1 more").arg(names.size() - MaxDragNames);
    return lines;
}

// The lines on the colours of a tool tip, each elided to a few dozen
// characters: a small label, whatever the names.
QPixmap MultiList::dragPixmap(const QStringList &lines) const
{
    const QFontMetrics metrics(font());
    const int widest = metrics.averageCharWidth() * 32;
    const int padding = metrics.height() / 3;
    QStringList shown;
    int width = 0;
    for (const QString &line : lines) {
        shown << metrics.elidedText(line, Qt::ElideRight, widest);
        width = std::max(width, metrics.horizontalAdvance(shown.last()));
    }
    const QSize size(width + 2 * padding, int(shown.size()) * metrics.height() + 2 * padding);
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(palette().color(QPalette::ToolTipBase));
    QPainter painter(&pixmap);
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.setFont(font());
    painter.drawRect(QRect(QPoint(), size).adjusted(0, 0, -1, -1));
    for (int n = 0; n < shown.size(); ++n) {
        const QRect line(padding, padding + n * metrics.height(), width, metrics.height());
        painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown.at(n));
    }
    painter.end();
    return pixmap;
}

QDrag *MultiList::createDrag()
{
    QModelIndexList indexes = selectedIndexes();
    indexes.removeIf(
        [](const QModelIndex &index) { return !(index.flags() & Qt::ItemIsDragEnabled); });
    if (indexes.isEmpty())
        return nullptr;
    QMimeData *data = model()->mimeData(indexes);
    if (!data)
        return nullptr;
    QStringList names;
    for (const QModelIndex &index : indexes)
        names << index.data().toString();

    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(dragPixmap(dragLines(names)));
    // Below and right of the pointer, clear of the row under it: the row a
    // drop would go to stays readable.
    const int rowHeight = std::max(fontMetrics().height(),
                                   style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this)) +
                          8;
    drag->setHotSpot(QPoint(-fontMetrics().height(), -rowHeight));
    return drag;
}

void MultiList::startDrag(Qt::DropActions supportedActions)
{
    // The toolkit's own drag shows every dragged row, full width, under the
    // pointer, over the row it is aimed at.
    if (QDrag *drag = createDrag())
        drag->exec(supportedActions, Qt::CopyAction);
}

Qt::DropActions MultiList::supportedDropActions() const
{
    return Qt::CopyAction;
}
