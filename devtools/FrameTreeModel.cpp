#include "devtools/FrameTreeModel.h"

#include "devtools/FrameTreeItem.h"

#include <QList>
#include <QVector>

namespace {

const QString HEADER_NAME = QStringLiteral("Id / Name");
const QString HEADER_URL = QStringLiteral("URL");
const QChar LEVEL_CHAR = QLatin1Char(' ');
const QChar COLUMN_DELIMITER = QLatin1Char('\t');
const QChar ROW_DELIMITER = QLatin1Char('\n');

// Shown for a frame without a name: a row without any text would be skipped
// by the reader and shift every row after it, and a row that starts with the
// column delimiter would read its URL back as the name.
const QString UNNAMED_FRAME_NAME = QStringLiteral("(unnamed)");

// Every item keeps at least the header's columns, or the columns of its
// children could not be reached.
const int MIN_COLUMNS = 2;

// Tabs would split a row into extra columns and line breaks into extra rows.
QString flattenControls(QString text)
{
    for (QChar& c : text) {
        switch (c.unicode()) {
        case 0x0009: // tab
        case 0x000A: // line feed
        case 0x000B: // vertical tab
        case 0x000C: // form feed
        case 0x000D: // carriage return
        case 0x0085: // next line
        case 0x2028: // line separator
        case 0x2029: // paragraph separator
            c = QLatin1Char(' ');
            break;
        default:
            break;
        }
    }
    return text;
}

} // namespace

class FrameTreeModelPrivate
{
public:
    std::unique_ptr<FrameTreeItem> rootItem;
};

FrameTreeModel::FrameTreeModel(const QString& data, QObject* parent)
    : QAbstractItemModel(parent)
    , d(new FrameTreeModelPrivate)
{
    d->rootItem.reset(new FrameTreeItem(QList<QVariant>() << HEADER_NAME << HEADER_URL));
    setupModelData(data.split(QStringLiteral("\n"), Qt::KeepEmptyParts), d->rootItem.get());
}

FrameTreeModel::~FrameTreeModel() = default;

QString FrameTreeModel::toRawDataItem(int level, QString name, QString url)
{
    // Leading blanks of a name would be read as deeper indentation.
    name = flattenControls(name);
    int start = 0;
    while (start < name.size() && name.at(start) == LEVEL_CHAR)
        ++start;
    name.remove(0, start);
    url = flattenControls(url);
    if (name.trimmed().isEmpty())
        name = UNNAMED_FRAME_NAME;

    QString row(qMax(level, 0), LEVEL_CHAR);
    row += name;
    row += COLUMN_DELIMITER;
    row += url;
    row += ROW_DELIMITER;
    return row;
}

void FrameTreeModel::setupModelData(const QStringList& lines, FrameTreeItem* parent)
{
    QVector<FrameTreeItem*> parents;
    QVector<int> indentations;
    parents << parent;
    indentations << 0;

    for (const QString& line : lines) {
        int position = 0;
        while (position < line.size() && line.at(position) == QLatin1Char(' '))
            ++position;

        const QString lineData = line.mid(position).trimmed();
        if (lineData.isEmpty())
            continue;

        QList<QVariant> columnData;
        const QStringList columnStrings =
            lineData.split(QStringLiteral("\t"), Qt::SkipEmptyParts);
        for (const QString& column : columnStrings)
            columnData << column;
        while (columnData.size() < MIN_COLUMNS)
            columnData << QString();

        if (position > indentations.last()) {
            // Deeper than the last row: nest under the current parent's last
            // child, if there is one to nest under.
            FrameTreeItem* top = parents.last();
            if (top->childCount() > 0) {
                parents << top->child(top->childCount() - 1);
                indentations << position;
            }
        } else {
            while (position < indentations.last() && parents.size() > 1) {
                parents.pop_back();
                indentations.pop_back();
            }
        }

        FrameTreeItem* top = parents.last();
        top->appendChild(new FrameTreeItem(columnData, top));
    }
}

FrameTreeItem* FrameTreeModel::itemFor(const QModelIndex& index) const
{
    if (index.isValid())
        return static_cast<FrameTreeItem*>(index.internalPointer());
    return d->rootItem.get();
}

QModelIndex FrameTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();

    FrameTreeItem* childItem = itemFor(parent)->child(row);
    if (!childItem)
        return QModelIndex();
    return createIndex(row, column, childItem);
}

QModelIndex FrameTreeModel::parent(const QModelIndex& index) const
{
    if (!index.isValid())
        return QModelIndex();

    FrameTreeItem* parentItem = itemFor(index)->parent();
    if (!parentItem || parentItem == d->rootItem.get())
        return QModelIndex();
    return createIndex(parentItem->row(), 0, parentItem);
}

int FrameTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return itemFor(parent)->childCount();
}

int FrameTreeModel::columnCount(const QModelIndex& parent) const
{
    return itemFor(parent)->columnCount();
}

QVariant FrameTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return QVariant();
    return itemFor(index)->data(index.column());
}

QVariant FrameTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return d->rootItem->data(section);
    return QVariant();
}

Qt::ItemFlags FrameTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}
