#include "devtools/FrameTreeModel.h"

#include <QtTest>

namespace {

// Writes the tree below parent as "values(children),values": the values of
// an item are those reachable through its row's columns, joined by "|"; an
// item that holds other than two values gets "#<count>".
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

struct Frame
{
    int level;
    QString name;
    QString url;
};

// Visits the tree in pre-order, recording the depth of every item.
void depths(const QAbstractItemModel& model, const QModelIndex& parent, int level,
            QList<int>& out)
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        out << level;
        depths(model, model.index(row, 0, parent), level + 1, out);
    }
}

} // namespace

Q_DECLARE_METATYPE(QList<Frame>)

class tst_FrameTreeModel : public QObject
{
    Q_OBJECT

private slots:
    void readsText_data();
    void readsText();
    void emptyModelKeepsHeaders();
    void answersNothingOutsideTree();
    void writesRows_data();
    void writesRows();
    void writtenRowsReadBackOneItemPerFrame_data();
    void writtenRowsReadBackOneItemPerFrame();
};

void tst_FrameTreeModel::readsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tree");

    QTest::newRow("empty") << "" << "";
    QTest::newRow("blank lines only") << "\n   \n\t\n \t \r\n" << "";
    QTest::newRow("trailing line feed")
        << "A\ta\nB\tb\n" << "A|a,B|b";
    QTest::newRow("no trailing line feed")
        << "A\ta\nB\tb" << "A|a,B|b";
    QTest::newRow("carriage returns") << "A\ta\r\n B\tb\r\n" << "A|a(B|b)";
    QTest::newRow("blank lines between rows") << "A\ta\n\n  \n B\tb\n\nC\tc" << "A|a(B|b),C|c";
    QTest::newRow("siblings under a parent")
        << "A\ta\n B\tb\n C\tc\nD\td\n" << "A|a(B|b,C|c),D|d";
    QTest::newRow("first row indented")
        << " X\tx\n Y\ty\nZ\tz\n" << "X|x(Y|y),Z|z";
    QTest::newRow("jump of several levels")
        << "A\ta\n   B\tb\n C\tc\n D\td\n" << "A|a(B|b),C|c(D|d)";
    QTest::newRow("three levels and back")
        << "A\ta\n B\tb\n  C\tc\nD\td\n" << "A|a(B|b(C|c)),D|d";
    QTest::newRow("only blanks indent, a tab does not")
        << "A\ta\n\tB\tb\n" << "A|a,B|b";
    QTest::newRow("empty name") << "A\ta\n \tv\n" << "A|a(v#1)";
    QTest::newRow("empty url") << "A\t\n" << "A#1";
    QTest::newRow("empty frame between parent and child")
        << "P\tp\n \t\n  C\tc\n S\ts\n" << "P|p(C|c),S|s";
    QTest::newRow("empty frame among siblings")
        << "P\tp\n Q\tq\n \t\n  C\tc\n S\ts\n" << "P|p(Q|q(C|c),S|s)";
    QTest::newRow("empty frame first")
        << "\t\n C1\tc1\n C2\tc2\nS\ts\n" << "C1|c1(C2|c2),S|s";
    QTest::newRow("tab in name at top level")
        << "A\tB\tu\n C\tw\n" << "A|B#3(C|w)";
    QTest::newRow("line feed in name")
        << "A\nB\tu\n C\tv\n" << "A#1,B|u(C|v)";
    QTest::newRow("blank at start of name")
        << "A\ta\n N\tn\n K\tk\n" << "A|a(N|n,K|k)";
    QTest::newRow("only outer white space trimmed")
        << "A \t u \n" << "A | u";
    QTest::newRow("other white space at start trimmed")
        << "\vA\tu\x0c\n" << "A|u";
}

void tst_FrameTreeModel::readsText()
{
    QFETCH(QString, text);
    QFETCH(QString, tree);

    FrameTreeModel model(text);
    QCOMPARE(dump(model), tree);
    QCOMPARE(model.columnCount(), 2);
}

void tst_FrameTreeModel::emptyModelKeepsHeaders()
{
    FrameTreeModel model(QStringLiteral(" \n\n"));
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Id / Name"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("URL"));
    QVERIFY(!model.headerData(2, Qt::Horizontal).isValid());
    QVERIFY(!model.headerData(0, Qt::Vertical).isValid());
    QVERIFY(!model.headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());
}

void tst_FrameTreeModel::answersNothingOutsideTree()
{
    FrameTreeModel model(QStringLiteral("A\ta\n B\tb\nC\t\n"));
    const QModelIndex a = model.index(0, 0);
    const QModelIndex aUrl = model.index(0, 1);
    const QModelIndex b = model.index(0, 0, a);
    const QModelIndex c = model.index(1, 0);

    QVERIFY(a.isValid() && aUrl.isValid() && b.isValid() && c.isValid());
    QCOMPARE(model.flags(a), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    QCOMPARE(model.flags(QModelIndex()), Qt::NoItemFlags);
    QVERIFY(!model.data(a, Qt::EditRole).isValid());
    QVERIFY(!model.data(a, Qt::ToolTipRole).isValid());
    QVERIFY(!model.data(QModelIndex(), Qt::DisplayRole).isValid());
    QCOMPARE(model.data(aUrl, Qt::DisplayRole).toString(), QStringLiteral("a"));
    // C has only its name: nothing under "URL", and its rows have one column.
    QVERIFY(!model.data(model.index(1, 1), Qt::DisplayRole).isValid());
    QCOMPARE(model.columnCount(c), 1);

    QVERIFY(!model.index(-1, 0).isValid());
    QVERIFY(!model.index(2, 0).isValid());
    QVERIFY(!model.index(0, 2).isValid());
    QVERIFY(!model.index(0, -1).isValid());
    QVERIFY(!model.index(0, 1, b).isValid());
    QCOMPARE(model.rowCount(aUrl), 0);
    QCOMPARE(model.rowCount(a), 1);

    QVERIFY(!model.parent(a).isValid());
    QVERIFY(!model.parent(QModelIndex()).isValid());
    QCOMPARE(model.parent(b), a);
    QCOMPARE(model.parent(model.index(0, 1, a)).column(), 0);
}

void tst_FrameTreeModel::writesRows_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("row");

    QTest::newRow("level 0") << 0 << "A" << "http://a/" << "A\thttp://a/\n";
    QTest::newRow("negative level") << -3 << "A" << "u" << "A\tu\n";
    QTest::newRow("level 2") << 2 << "A" << "u" << "  A\tu\n";
    QTest::newRow("empty name") << 1 << "" << "u" << " \tu\n";
    QTest::newRow("empty url") << 1 << "A" << "" << " A\t\n";
    QTest::newRow("trailing blanks kept") << 0 << "A  " << "u " << "A  \tu \n";
    QTest::newRow("leading blanks of name removed") << 1 << "   A" << "u" << " A\tu\n";
    QTest::newRow("tabs and line breaks become blanks")
        << 0 << "\tA\nB\rC\x0b" "D" << "u\tv\nw" << "A B C D\tu v w\n";
    QTest::newRow("unicode line separators become blanks")
        << 0 << QString::fromUtf8("A\u2028B\u2029C\u0085D") << "u"
        << "A B C D\tu\n";
    QTest::newRow("neither name nor url") << 1 << "" << "" << " (unnamed)\t\n";
    QTest::newRow("name of white space only, no url") << 0 << " \t\n" << "" << "(unnamed)\t\n";
    QTest::newRow("no name, url of blanks") << 0 << "" << "  " << "(unnamed)\t  \n";
}

void tst_FrameTreeModel::writesRows()
{
    QFETCH(int, level);
    QFETCH(QString, name);
    QFETCH(QString, url);
    QFETCH(QString, row);

    QCOMPARE(FrameTreeModel::toRawDataItem(level, name, url), row);
}

void tst_FrameTreeModel::writtenRowsReadBackOneItemPerFrame_data()
{
    QTest::addColumn<QList<Frame>>("frames");

    QTest::newRow("plain") << QList<Frame>{
        {0, "A", "a"}, {1, "A1", "a1"}, {2, "A11", "a11"}, {1, "A2", "a2"}, {0, "B", "b"}};
    QTest::newRow("names that move rows") << QList<Frame>{
        {0, "A", "a"}, {0, " B", "b"}, {1, "\tB1", "b1"}, {1, "B2\nX", "b2"},
        {2, "  \n  B21", ""}, {0, "C\tD", "c"}};
    QTest::newRow("empty frames") << QList<Frame>{
        {0, "", ""}, {1, "", ""}, {1, "  ", ""}, {0, "\n", "\t"}, {1, "Q", ""}};
    QTest::newRow("white space of other kinds") << QList<Frame>{
        {0, QString::fromUtf8("\u00a0"), ""}, {1, "\v\f", " "}, {0, "\r\n", "u"}};
}

void tst_FrameTreeModel::writtenRowsReadBackOneItemPerFrame()
{
    QFETCH(QList<Frame>, frames);

    QString text;
    QList<int> levels;
    for (const Frame& frame : frames) {
        text += FrameTreeModel::toRawDataItem(frame.level, frame.name, frame.url);
        levels << frame.level;
    }
    FrameTreeModel model(text);
    QList<int> read;
    depths(model, QModelIndex(), 0, read);
    QCOMPARE(read, levels);
}

QTEST_MAIN(tst_FrameTreeModel)
#include "tst_FrameTreeModel.moc"
