#pragma once

#include "cache/multientry.h"

#include <QListWidgetItem>
#include <QRect>
#include <QStringList>

class MultiCache;

// One entry of the "Cache Entries" list. It holds only its entry's number:
// its text is "Entry N" until the user renames it, and its bounds and
// components are those of the list's MultiCache. A list keeps a million of
// these, so the number and the renamed mark share the 4 bytes the toolkit's
// item leaves unused.
class MultiItem : public QListWidgetItem
{
public:
    MultiItem(QListWidget *view, qsizetype number, int type = Type);
    MultiItem(const MultiItem &other) = default;
    ~MultiItem() override;

    qsizetype number() const { return entryNumber; }
    // Entry number()'s, from the cache of the MultiList the item is in;
    // QRect() and no components outside one.
    QRect bounds() const;
    QStringList components() const;

    // The entry as a drag carries it: the item's current text, its bounds and
    // its components.
    MultiEntry entry() const;

    QVariant data(int role) const override;
    void setData(int role, const QVariant &value) override;
    QListWidgetItem *clone() const override;
    void read(QDataStream &in) override;
    void write(QDataStream &out) const override;

private:
    const MultiCache *cache() const;

    quint32 entryNumber : 31;
    quint32 renamed : 1; // the text is stored, as any item's
};
