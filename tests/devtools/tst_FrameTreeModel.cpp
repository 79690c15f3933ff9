#include "devtools/FrameTreeModel.h"

#include <QAbstractItemModelTester>
#include <QtTest>

namespace {

// Writes the tree below parent as "name|url(children),name|url"; an item that
// has other than two columns gets "#<count>".
QString dump(const QAbstractItemModel& model, const QModelIndex& parent = QModelIndex())
{
    QStringList items;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex item = model.index(row, 0, parent);
        QString text = item.data().toString() + '|' + item.siblingAtColumn(1).data().toString();
        if (model.columnCount(item) != 2)
            text += '#' + QString::number(model.columnCount(item));
        if (model.rowCount(item) > 0)
            text += '(' + dump(model, item) + ')';
        items << text;
    }
    return items.join(',');
}

} // namespace

class tst_FrameTreeModel : public QObject
{
    Q_OBJECT

private slots:
    void writesRows_data();
    void writesRows();
};

void tst_FrameTreeModel::writesRows_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("row");

    QTest::newRow("level 0") << 0 << "A" << "http://a/" << "A\thttp://a/\n";
    QTest::newRow("leading blanks of name removed") << 1 << "   A" << "u" << " A\tu\n";
    QTest::newRow("tabs and line breaks become blanks")
        << 2 << QString::fromUtf8("\tA\nB\rC\x0b" "D\u2028E\u2029F\u0085G") << "u\tv\nw" << "  A B C D E F G\tu v w\n";
    QTest::newRow("neither name nor url") << 1 << "" << "" << " (unnamed)\t\n";
    QTest::newRow("white space only") << 1 << QString::fromUtf8(" \t\n\u00a0\v\f") << "" << " (unnamed)\t\n";
}

void tst_FrameTreeModel::writesRows()
{
    QFETCH(int, level);
    QFETCH(QString, name);
    QFETCH(QString, url);
    QFETCH(QString, row);

    QCOMPARE(FrameTreeModel::toRawDataItem(level, name, url), row);

    // Read back under a chain of unnamed parents, the row is one item of two
    // columns at its level.
    QString text;
    QString tree = row.section('\t', 0, 0).trimmed() + '|' + row.section('\t', 1).trimmed();
    for (int i = level - 1; i >= 0; --i) {
        text.prepend(FrameTreeModel::toRawDataItem(i, QString(), QStringLiteral("p")));
        tree = "(unnamed)|p(" + tree + ')';
    }
    FrameTreeModel model(text + row);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(dump(model), tree);
}

QTEST_MAIN(tst_FrameTreeModel)
#include "tst_FrameTreeModel.moc"
