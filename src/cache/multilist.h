#pragma once

#include "cache/multicache.h"

#include <QListWidget>

class QDrag;

// The "Cache Entries" list: one MultiItem per multi of CacheFile, read while
// the list is constructed. Dragging entries carries them as a MultiPayload,
// shown beside the pointer as a small label of their names.
class MultiList : public QListWidget
{
    Q_OBJECT

public:
    explicit MultiList(QWidget *parent = nullptr);

    // What the items answer their bounds and components from.
    const MultiCache &cache() const { return entries; }

    // The lines of a drag's label for the dragged entries' names, in the
    // drag's order: at most MaxDragNames of them, then how many more there are.
    static QStringList dragLines(const QStringList &names);
    static constexpr int MaxDragNames = 3;

    // The drag of the selected entries, not yet started: their payload, the
    // label of their names, placed below and right of the pointer. Null when
    // nothing is selected.
    QDrag *createDrag();

protected:
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QList<QListWidgetItem *> &items) const override;
    Qt::DropActions supportedDropActions() const override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    void loadEntries();
    QPixmap dragPixmap(const QStringList &lines) const;

    MultiCache entries;
};
