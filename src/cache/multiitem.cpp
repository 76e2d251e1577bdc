#include "multiitem.h"

MultiItem::MultiItem(QListWidget *view, int type) : QListWidgetItem(view, type)
{
    // Enabled as well, or the toolkit shows the entry greyed out and refuses
    // to select or drag it.
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsEnabled);
}

MultiItem::~MultiItem() = default;
