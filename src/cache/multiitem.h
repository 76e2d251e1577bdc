#pragma once

#include <QListWidgetItem>
#include <QRect>
#include <QStringList>

// One entry of the "Cache Entries" list: its text ("Entry N", editable),
// bounds and ComponentSpec strings.
class MultiItem : public QListWidgetItem
{
public:
    explicit MultiItem(QListWidget *view, int type = Type);
    ~MultiItem() override;

    void setBounds(const QRect &rect) { rectBounds = rect; }
    QRect bounds() const { return rectBounds; }
    void setComponents(const QStringList &list) { componentList = list; }
    QStringList components() const { return componentList; }

private:
    QRect rectBounds;
    QStringList componentList;
};
