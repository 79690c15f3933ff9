#include "devtools/FrameTreeItem.h"

FrameTreeItem::FrameTreeItem(const QList<QVariant>& data, FrameTreeItem* parent)
    : itemData(data)
    , parentItem(parent)
{
}

FrameTreeItem::~FrameTreeItem()
{
    for (FrameTreeItem* child : qAsConst(childItems))
        delete child;
}

void FrameTreeItem::appendChild(FrameTreeItem* child)
{
    childItems.append(child);
}

FrameTreeItem* FrameTreeItem::child(int row)
{
    if (row < 0 || row >= childItems.size())
        return nullptr;
    return childItems.at(row);
}

int FrameTreeItem::childCount() const
{
    return childItems.size();
}

int FrameTreeItem::columnCount() const
{
    return itemData.size();
}

QVariant FrameTreeItem::data(int column) const
{
    if (column < 0 || column >= itemData.size())
        return QVariant();
    return itemData.at(column);
}

FrameTreeItem* FrameTreeItem::parent()
{
    return parentItem;
}

int FrameTreeItem::row() const
{
    if (!parentItem)
        return 0;
    return parentItem->childItems.indexOf(const_cast<FrameTreeItem*>(this));
}
