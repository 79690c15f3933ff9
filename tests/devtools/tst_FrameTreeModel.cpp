#include "devtools/FrameTreeModel.h"

#include <QAbstractItemModelTester>
#include <QtTest>

namespace {

// Writes the tree below parent as "values(children),values": the values of
// a row joined by "|"; an item that holds other than two values gets
// "#<count>".
QString dump(const QAbstractItemModel& model, const QModelIndex& parent = QModelIndex())
{
    QStringList items;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex item = model.index(row, 0, parent);
        QStringList values;
        for (int column = 0; column < model.columnCount(parent); ++column) {
            const QVariant value = model.index(row, column, parent).data();
            if (value.isValid())
                values << value.toString();
        }
        QString text = values.join(QLatin1Char('|'));
        if (model.columnCount(item) != 2)
            text += QLatin1Char('#') + QString::number(model.columnCount(item));
        if (model.rowCount(item) > 0)
            text += QLatin1Char('(') + dump(model, item) + QLatin1Char(')');
        items << text;
    }
    return items.join(QLatin1Char(','));
}

} // namespace

class tst_FrameTreeModel : public QObject
{
    Q_OBJECT

private slots:
    void readsText_data();
    void readsText();
    void writesRows_data();
    void writesRows();
};

void tst_FrameTreeModel::readsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tree");

    QTest::newRow("blank lines only") << "\n   \n\t\n \t \r\n" << "";
    QTest::newRow("carriage returns, blank lines between") << "A\ta\r\n\n  \n B\tb\r\nC\tc" << "A|a(B|b),C|c";
    QTest::newRow("siblings under a parent") << "A\ta\n B\tb\n C\tc\nD\td\n" << "A|a(B|b,C|c),D|d";
    QTest::newRow("jump of several levels") << "A\ta\n   B\tb\n C\tc\n D\td\n" << "A|a(B|b),C|c(D|d)";
    QTest::newRow("three levels and back") << "A\ta\n B\tb\n  C\tc\nD\td\n" << "A|a(B|b(C|c)),D|d";
    QTest::newRow("only blanks indent, a tab does not") << "A\ta\n\tB\tb\n" << "A|a,B|b";
    QTest::newRow("tab in name") << "A\tB\tu\n C\tw\n" << "A|B#3(C|w)";
}

void tst_FrameTreeModel::readsText()
{
    QFETCH(QString, text);
    QFETCH(QString, tree);

    FrameTreeModel model(text);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(dump(model), tree);
    QCOMPARE(model.columnCount(), 2);
}

void tst_FrameTreeModel::writesRows_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("row");

    QTest::newRow("level 0") << 0 << "A" << "http://a/" << "A\thttp://a/\n";
    QTest::newRow("negative level") << -3 << "A" << "u" << "A\tu\n";
    QTest::newRow("empty url, trailing blanks kept") << 1 << "A  " << "" << " A  \t\n";
    QTest::newRow("leading blanks of name removed") << 1 << "   A" << "u" << " A\tu\n";
    QTest::newRow("tabs and line breaks become blanks")
        << 0 << "\tA\nB\rC\x0b" "D" << "u\tv\nw" << "A B C D\tu v w\n";
    QTest::newRow("unicode line separators become blanks")
        << 2 << QString::fromUtf8("A\u2028B\u2029C\u0085D") << "u" << "  A B C D\tu\n";
    QTest::newRow("neither name nor url") << 1 << "" << "" << " (unnamed)\t\n";
    QTest::newRow("white space only, no url") << 1 << QString::fromUtf8(" \t\n\u00a0") << "" << " (unnamed)\t\n";
    QTest::newRow("no name, url of blanks") << 0 << "\v\f" << "  " << "(unnamed)\t  \n";
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
    QCOMPARE(dump(FrameTreeModel(text + row)), tree);
}

QTEST_MAIN(tst_FrameTreeModel)
#include "tst_FrameTreeModel.moc"
