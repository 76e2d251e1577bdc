#pragma once

#include "cache/multientry.h"

#include <QListWidgetItem>
#include <QRect>
#include <QStringList>

// One entry of the "Cache Entries" list: its text ("Entry N", editable),
// bounds and components.
class MultiItem : public QListWidgetItem
{
public:
    explicit MultiItem(QListWidget *view, int type = Type);
    ~MultiItem() override;

    void setBounds(const QRect &rect) { rectBounds = rect; }
    QRect bounds() const { return rectBounds; }
    void setComponents(const ComponentList &list) { componentList = list; }
    // The ComponentSpec texts, made from the cache text when asked for.
    QStringList components() const { return componentList.texts(); }

    // The entry as a drag carries it: the item's current text, its bounds and
    // its components.
    MultiEntry entry() const { return {text(), rectBounds, componentList}; }

private:
    QRect rectBounds;
    ComponentList componentList;
};
