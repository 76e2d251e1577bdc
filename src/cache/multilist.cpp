#include "multilist.h"

#include "app/processwide.h"
#include "cache/cacheloader.h"
#include "cache/multiitem.h"
#include "cache/multipayload.h"

#include <QDataStream>
#include <QMimeData>

MultiList::MultiList(QWidget *parent) : QListWidget(parent)
{
    setDragEnabled(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    loadEntries();
}

void MultiList::loadEntries()
{
    // A file that does not open (missing, unreadable, no name) gives no entry.
    if (CacheFile.fileName().isEmpty() || !CacheFile.open(QIODevice::ReadOnly))
        return;
    const QList<CacheEntry> entries = loadCacheEntries(&CacheFile);
    CacheFile.close();

    setUpdatesEnabled(false);
    for (qsizetype n = 0; n < entries.size(); ++n) {
        auto *item = new MultiItem(this);
        item->setText(QStringLiteral("Entry %1").arg(n));
        item->setBounds(entries[n].bounds);
        item->setComponents(entries[n].components);
    }
    setUpdatesEnabled(true);
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
        const auto *item = static_cast<const MultiItem *>(listItem);
        writeMultiEntry(out, item->text(), item->bounds(), item->components());
    }
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(MultiMimeType), bytes);
    return data;
}

Qt::DropActions MultiList::supportedDropActions() const
{
    return Qt::CopyAction;
}
