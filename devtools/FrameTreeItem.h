#ifndef VORNHELM_FRAMETREEITEM_H
#define VORNHELM_FRAMETREEITEM_H

#include <QList>
#include <QVariant>

// One node of the frame tree: the column values of one frame row and the
// rows nested under it. A node owns its children.
class FrameTreeItem
{
public:
    explicit FrameTreeItem(const QList<QVariant>& data, FrameTreeItem* parent = nullptr);
    ~FrameTreeItem();

    FrameTreeItem(const FrameTreeItem&) = delete;
    FrameTreeItem& operator=(const FrameTreeItem&) = delete;

    // Takes ownership of child.
    void appendChild(FrameTreeItem* child);

    FrameTreeItem* child(int row);
    int childCount() const;
    int columnCount() const;
    QVariant data(int column) const;
    FrameTreeItem* parent();
    int row() const;

private:
    QList<FrameTreeItem*> childItems;
    QList<QVariant> itemData;
    FrameTreeItem* parentItem;
};

#endif // VORNHELM_FRAMETREEITEM_H
