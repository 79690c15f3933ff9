#ifndef VORNHELM_FRAMETREEMODEL_H
#define VORNHELM_FRAMETREEMODEL_H

#include <QAbstractItemModel>
#include <QString>
#include <QStringList>

#include <memory>

class FrameTreeItem;
class FrameTreeModelPrivate;

// Read-only two-column tree ("Id / Name", "URL") over the frame tree text:
// one row per frame, "<level blanks><name>\t<url>\n", in depth-first order.
// A model is built whole from one text and never changes afterwards; every
// item has at least the two columns, an empty one for a row without a URL.
class FrameTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    explicit FrameTreeModel(const QString& data, QObject* parent = nullptr);
    ~FrameTreeModel() override;

    // One row of the frame tree text. Tabs and line breaks in the name and
    // the URL become blanks and the name loses its leading blanks, and a
    // frame without a name is given a stand-in name, so that every row is
    // read back as exactly one item at exactly its level, its URL in the
    // second column.
    static QString toRawDataItem(int level, QString name, QString url);

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void setupModelData(const QStringList& lines, FrameTreeItem* parent);
    FrameTreeItem* itemFor(const QModelIndex& index) const;

    std::unique_ptr<FrameTreeModelPrivate> d;
};

#endif // VORNHELM_FRAMETREEMODEL_H
