#include "multiitem.h"

#include "cache/multicache.h"
#include "cache/multilist.h"

namespace {

bool isText(int role)
{
    return role == Qt::DisplayRole || role == Qt::EditRole;
}

} // namespace

MultiItem::MultiItem(QListWidget *view, qsizetype number, int type)
    : QListWidgetItem(view, type), entryNumber(quint32(number)), renamed(false)
{
    // Enabled as well, or the toolkit shows the entry greyed out and refuses
    // to select or drag it.
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsEnabled);
}

MultiItem::~MultiItem() = default;

const MultiCache *MultiItem::cache() const
{
    const auto *list = qobject_cast<const MultiList *>(listWidget());
    if (!list || number() >= list->cache().size())
        return nullptr;
    return &list->cache();
}

QRect MultiItem::bounds() const
{
    const MultiCache *entries = cache();
    return entries ? entries->bounds(number()) : QRect();
}

QStringList MultiItem::components() const
{
    const MultiCache *entries = cache();
    return entries ? entries->components(number()).texts() : QStringList();
}

MultiEntry MultiItem::entry() const
{
    const MultiCache *entries = cache();
    if (!entries)
        return {text(), QRect(), {}};
    return {text(), entries->bounds(number()), entries->components(number())};
}

QVariant MultiItem::data(int role) const
{
    if (!renamed && isText(role))
        return MultiCache::entryName(number());
    return QListWidgetItem::data(role);
}

void MultiItem::setData(int role, const QVariant &value)
{
    if (!renamed && isText(role)) {
        // Given its own name, it stays unstored and unchanged.
        if (value == data(role))
            return;
        renamed = true;
    }
    QListWidgetItem::setData(role, value);
}

QListWidgetItem *MultiItem::clone() const
{
    return new MultiItem(*this);
}

void MultiItem::read(QDataStream &in)
{
    QListWidgetItem::read(in);
    renamed = QListWidgetItem::data(Qt::DisplayRole).isValid();
}

void MultiItem::write(QDataStream &out) const
{
    // With its text, as an item that stores it writes it.
    QListWidgetItem named(*this);
    named.setText(text());
    named.write(out);
}
