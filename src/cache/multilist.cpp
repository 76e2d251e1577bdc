#include "multilist.h"

#include "cache/multicache.h"
#include "cache/multiitem.h"
#include "cache/multipayload.h"
#include "core/processwide.h"

#include <QDataStream>
#include <QMimeData>

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

Qt::DropActions MultiList::supportedDropActions() const
{
    return Qt::CopyAction;
}
