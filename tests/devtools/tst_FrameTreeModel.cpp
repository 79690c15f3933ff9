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

    QTest::newRow("empty") << "" << "";
    QTest::newRow("blank lines only") << "\n   \n\t\n \t \r\n" << "";
    QTest::newRow("carriage returns") << "A\ta\r\n B\tb\r\n" << "A|a(B|b)";
    QTest::newRow("blank lines between rows") << "A\ta\n\n  \n B\tb\n\nC\tc" << "A|a(B|b),C|c";
    QTest::newRow("siblings under a parent") << "A\ta\n B\tb\n C\tc\nD\td\n" << "A|a(B|b,C|c),D|d";
    QTest::newRow("first row indented") << " X\tx\n Y\ty\nZ\tz\n" << "X|x(Y|y),Z|z";
    QTest::newRow("jump of several levels") << "A\ta\n   B\tb\n C\tc\n D\td\n" << "A|a(B|b),C|c(D|d)";
    QTest::newRow("three levels and back") << "A\ta\n B\tb\n  C\tc\nD\td\n" << "A|a(B|b(C|c)),D|d";
    QTest::newRow("only blanks indent, a tab does not") << "A\ta\n\tB\tb\n" << "A|a,B|b";
    QTest::newRow("empty name") << "A\ta\n \tv\n" << "A|a(v|)";
    QTest::newRow("empty url") << "A\t\n" << "A|";
    QTest::newRow("empty frame between parent and child")
        << "P\tp\n \t\n  C\tc\n S\ts\n" << "P|p(C|c),S|s";
    QTest::newRow("tab in name") << "A\tB\tu\n C\tw\n" << "A|B#3(C|w)";
    QTest::newRow("line feed in name") << "A\nB\tu\n C\tv\n" << "A|,B|u(C|v)";
    QTest::newRow("only outer white space trimmed") << "A \t u \n" << "A | u";
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
    QTest::newRow("empty url") << 1 << "A" << "" << " A\t\n";
    QTest::newRow("trailing blanks kept") << 0 << "A  " << "u " << "A  \tu \n";
    QTest::newRow("leading blanks of name removed") << 1 << "   A" << "u" << " A\tu\n";
    QTest::newRow("tabs and line breaks become blanks")
        << 0 << "\tA\nB\rC\x0b" "D" << "u\tv\nw" << "A B C D\tu v w\n";
    QTest::newRow("unicode line separators become blanks")
        << 2 << QString::fromUtf8("A\u2028B\u2029C\u0085D") << "u" << "  A B C D\tu\n";
    QTest::newRow("neither name nor url") << 1 << "" << "" << " (unnamed)\t\n";
    QTest::newRow("white space only, no url") << 1 << QString::fromUtf8(" \t\n\u00a0") << ""
                                              << " (unnamed)\t\n";
    QTest::newRow("no name, url of blanks") << 0 << "\v\f" << "  " << "(unnamed)\t  \n";
    QTest::newRow("no name") << 1 << " " << "http://x/" << " (unnamed)\thttp://x/\n";
}

void tst_FrameTreeModel::writesRows()
{
    QFETCH(int, level);
    QFETCH(QString, name);
    QFETCH(QString, url);
    QFETCH(QString, row);

    QCOMPARE(FrameTreeModel::toRawDataItem(level, name, url), row);

    // Read back under a chain of unnamed parents, the row is one item at its
    // level, with its URL in the second of its two columns.
    QString text;
    for (int i = 0; i < level; ++i)
        text += FrameTreeModel::toRawDataItem(i, QString(), QStringLiteral("p"));
    FrameTreeModel model(text + row);
    QModelIndex parent;
    for (int i = 0; i < level; ++i) {
        QCOMPARE(model.rowCount(parent), 1);
        QCOMPARE(model.index(0, 1, parent).data().toString(), QStringLiteral("p"));
        parent = model.index(0, 0, parent);
    }
    QCOMPARE(model.rowCount(parent), 1);
    QCOMPARE(model.index(0, 1, parent).data().toString(), row.section('\t', 1).trimmed());
    QCOMPARE(model.columnCount(model.index(0, 0, parent)), 2);
    QCOMPARE(model.rowCount(model.index(0, 0, parent)), 0);
}

QTEST_MAIN(tst_FrameTreeModel)
#include "tst_FrameTreeModel.moc"
