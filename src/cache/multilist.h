#pragma once

#include "cache/multicache.h"

#include <QListWidget>

// The "Cache Entries" list: one MultiItem per multi of CacheFile, read while
// the list is constructed. Dragging entries carries them as a MultiPayload.
class MultiList : public QListWidget
{
    Q_OBJECT

public:
    explicit MultiList(QWidget *parent = nullptr);

    // What the items answer their bounds and components from.
    const MultiCache &cache() const { return entries; }

protected:
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QList<QListWidgetItem *> &items) const override;
    Qt::DropActions supportedDropActions() const override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    void loadEntries();

    MultiCache entries;
};
