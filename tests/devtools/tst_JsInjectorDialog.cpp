#include "devtools/FrameTreeModel.h"
#include "devtools/JsInjectorDialog.h"

#include <QtTest>

#include <QApplication>
#include <QDialogButtonBox>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QGraphicsWebView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeView>
#include <QWebFrame>
#include <QWebPage>

namespace {

const char* const INDEX_HTML =
    "<html><body>"
    "<iframe name='&#32;&#32;lead&#9;A' src='a.html'></iframe>"
    "<iframe name='B&#10;line&#13;&#10;two' src='b.html'></iframe>"
    "<iframe name='&#32;&#9;&#32;'></iframe>"
    "<iframe name='&#32;C' src='c.html'></iframe>"
    "</body></html>";
const char* const A_HTML =
    "<html><body>"
    "<iframe name='&#9;A1' src='a1.html'></iframe>"
    "<iframe name='&#32;A2' src='leaf.html'></iframe>"
    "</body></html>";
const char* const A1_HTML =
    "<html><body><iframe name='&#32;&#32;&#32;deep' src='leaf.html'></iframe></body></html>";
const char* const B_HTML =
    "<html><body><iframe name='B1&#9;&#9;x' src='leaf.html'></iframe></body></html>";
const char* const C_HTML =
    "<html><body><iframe name='&#10;' src='leaf.html'></iframe></body></html>";
const char* const LEAF_HTML = "<html><body>leaf</body></html>";

const QString MARK_SCRIPT = QStringLiteral("\n\n  window.injected = (window.injected || 0) + 1;\n\n");
const QString READ_MARK_SCRIPT = QStringLiteral("window.injected || 0");

struct WalkedFrame
{
    QWebFrame* frame;
    int level;
};

void walkFrames(QWebFrame* frame, int level, QList<WalkedFrame>& out)
{
    const QList<QWebFrame*> children = frame->childFrames();
    for (QWebFrame* child : children) {
        out << WalkedFrame{child, level};
        walkFrames(child, level + 1, out);
    }
}

void walkModel(const QAbstractItemModel* model, const QModelIndex& parent, int level,
               QList<QPair<QModelIndex, int>>& out)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex item = model->index(row, 0, parent);
        out << qMakePair(item, level);
        walkModel(model, item, level + 1, out);
    }
}

// Records and dismisses every message box that opens while it runs, so a
// warning does not block the test.
class MessageBoxCatcher : public QObject
{
public:
    MessageBoxCatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen << box->windowTitle() + QLatin1Char('/') + box->text();
            box->done(QMessageBox::Ok);
        });
        m_timer.start(10);
    }
    QStringList seen;

private:
    QTimer m_timer;
};

} // namespace

class tst_JsInjectorDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void treeListsEveryFrameInOrder();
    void injectsIntoSelectedFrameOnly_data();
    void injectsIntoSelectedFrameOnly();
    void warnsInsteadOfInjecting_data();
    void warnsInsteadOfInjecting();
    void vanishedFrameIsIgnored();
    void noPageView();
    void windowFlagsAndHideOnClose();

private:
    QModelIndex indexForPath(const QList<int>& rows) const;
    QList<WalkedFrame> frames() const;
    void select(const QModelIndex& index);

    QTemporaryDir m_dir;
    QGraphicsScene* m_scene = nullptr;
    QGraphicsView* m_view = nullptr;
    QGraphicsWebView* m_webView = nullptr;
    JsInjectorDialog* m_dialog = nullptr;
};

void tst_JsInjectorDialog::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QList<QPair<QString, const char*>> files = {
        {"index.html", INDEX_HTML}, {"a.html", A_HTML}, {"a1.html", A1_HTML},
        {"b.html", B_HTML}, {"c.html", C_HTML}, {"leaf.html", LEAF_HTML}};
    for (const auto& file : files) {
        QFile out(m_dir.filePath(file.first));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file.second);
    }
}

void tst_JsInjectorDialog::init()
{
    m_scene = new QGraphicsScene(this);
    m_view = new QGraphicsView(m_scene);
    m_webView = new QGraphicsWebView;
    m_scene->addItem(m_webView);
    m_view->resize(800, 600);
    m_view->show();

    QSignalSpy loaded(m_webView, SIGNAL(loadFinished(bool)));
    m_webView->load(QUrl::fromLocalFile(m_dir.filePath("index.html")));
    QVERIFY(loaded.wait(20000));
    QTRY_COMPARE_WITH_TIMEOUT(frames().size(), 9, 20000);

    m_dialog = new JsInjectorDialog(m_view);
    m_dialog->webView = m_webView;
    m_dialog->show();
}

void tst_JsInjectorDialog::cleanup()
{
    delete m_view; // takes the dialog with it
    m_view = nullptr;
    m_dialog = nullptr;
    delete m_scene;
    m_scene = nullptr;
    m_webView = nullptr;
}

QList<WalkedFrame> tst_JsInjectorDialog::frames() const
{
    QList<WalkedFrame> out;
    walkFrames(m_webView->page()->mainFrame(), 0, out);
    return out;
}

QModelIndex tst_JsInjectorDialog::indexForPath(const QList<int>& rows) const
{
    const QAbstractItemModel* model = m_dialog->findChild<QTreeView*>("frameTreeView")->model();
    QModelIndex index;
    for (int row : rows)
        index = model->index(row, 0, index);
    return index;
}

void tst_JsInjectorDialog::select(const QModelIndex& index)
{
    auto* tree = m_dialog->findChild<QTreeView*>("frameTreeView");
    tree->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect
                                          | QItemSelectionModel::Rows);
}

void tst_JsInjectorDialog::treeListsEveryFrameInOrder()
{
    const QList<WalkedFrame> walked = frames();
    const QAbstractItemModel* model = m_dialog->findChild<QTreeView*>("frameTreeView")->model();
    QVERIFY(model);
    QList<QPair<QModelIndex, int>> items;
    walkModel(model, QModelIndex(), 0, items);

    QCOMPARE(items.size(), walked.size());
    for (int i = 0; i < items.size(); ++i) {
        QCOMPARE(items.at(i).second, walked.at(i).level);
        QCOMPARE(m_dialog->toFrame(items.at(i).first), walked.at(i).frame);
        // Any column of a row names the same frame.
        QCOMPARE(m_dialog->toFrame(items.at(i).first.sibling(items.at(i).first.row(), 1)),
                 walked.at(i).frame);
    }
    QCOMPARE(items.first().first.data().toString(), QStringLiteral("lead A"));
    QVERIFY(items.first().first.sibling(0, 1).data().toString().endsWith("/a.html"));
    QCOMPARE(m_dialog->rowList(indexForPath({0, 0, 0})), (QList<int>{0, 0, 0}));
}

void tst_JsInjectorDialog::injectsIntoSelectedFrameOnly_data()
{
    // The n-th row of the tree, counted from the top with every row expanded,
    // is the n-th frame of a depth-first walk of the page.
    QTest::addColumn<int>("position");

    QTest::newRow("first top-level frame, name with leading blanks") << 0;
    QTest::newRow("name with leading tab") << 1;
    QTest::newRow("name with leading blanks, three deep") << 2;
    QTest::newRow("second child, name with leading blank") << 3;
    QTest::newRow("name with line breaks") << 4;
    QTest::newRow("child of a name with line breaks") << 5;
    QTest::newRow("blank name, no source") << 6;
    QTest::newRow("after a blank-named frame") << 7;
    QTest::newRow("name of only a line feed") << 8;
}

void tst_JsInjectorDialog::injectsIntoSelectedFrameOnly()
{
    QFETCH(int, position);

    QWebFrame* expected = frames().at(position).frame;
    QList<QPair<QModelIndex, int>> items;
    walkModel(m_dialog->findChild<QTreeView*>("frameTreeView")->model(), QModelIndex(), 0,
              items);
    QVERIFY(position < items.size());
    select(items.at(position).first);
    m_dialog->findChild<QTextEdit*>("jsEdit")->setPlainText(MARK_SCRIPT);

    MessageBoxCatcher catcher;
    m_dialog->findChild<QPushButton*>("injectButton")->click();
    QVERIFY(catcher.seen.isEmpty());

    QCOMPARE(m_webView->page()->mainFrame()->evaluateJavaScript(READ_MARK_SCRIPT).toInt(), 0);
    for (const WalkedFrame& walked : frames()) {
        const int marks = walked.frame->evaluateJavaScript(READ_MARK_SCRIPT).toInt();
        QCOMPARE(marks, walked.frame == expected ? 1 : 0);
    }
    QCOMPARE(m_dialog->findChild<QTextEdit*>("jsEdit")->toPlainText(), MARK_SCRIPT);
}

void tst_JsInjectorDialog::warnsInsteadOfInjecting_data()
{
    QTest::addColumn<bool>("selectFrame");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("message");

    QTest::newRow("nothing selected, no script")
        << false << "" << "Unable To Inject/Please Select A Frame First.";
    QTest::newRow("nothing selected, a script")
        << false << MARK_SCRIPT << "Unable To Inject/Please Select A Frame First.";
    QTest::newRow("frame selected, white space only")
        << true << " \t\n\r\n " << "Unable To Inject/Please Input Some JavaScript First.";
}

void tst_JsInjectorDialog::warnsInsteadOfInjecting()
{
    QFETCH(bool, selectFrame);
    QFETCH(QString, script);
    QFETCH(QString, message);

    if (selectFrame)
        select(indexForPath({0, 1}));
    m_dialog->findChild<QTextEdit*>("jsEdit")->setPlainText(script);

    MessageBoxCatcher catcher;
    m_dialog->findChild<QPushButton*>("injectButton")->click();
    QCOMPARE(catcher.seen, QStringList{message});
    for (const WalkedFrame& walked : frames())
        QCOMPARE(walked.frame->evaluateJavaScript(READ_MARK_SCRIPT).toInt(), 0);
}

void tst_JsInjectorDialog::vanishedFrameIsIgnored()
{
    const QModelIndex lastTopLevel = indexForPath({3});
    m_webView->page()->mainFrame()->evaluateJavaScript(
        "var f = document.getElementsByTagName('iframe');"
        "f[f.length - 1].parentNode.removeChild(f[f.length - 1]);");
    QTRY_COMPARE(m_webView->page()->mainFrame()->childFrames().size(), 3);

    select(lastTopLevel);
    m_dialog->findChild<QTextEdit*>("jsEdit")->setPlainText(MARK_SCRIPT);
    MessageBoxCatcher catcher;
    m_dialog->findChild<QPushButton*>("injectButton")->click();
    QVERIFY(catcher.seen.isEmpty());
    for (const WalkedFrame& walked : frames())
        QCOMPARE(walked.frame->evaluateJavaScript(READ_MARK_SCRIPT).toInt(), 0);

    // A refresh shows the page as it is now.
    m_dialog->findChild<QPushButton*>("refreshFrameTreeButton")->click();
    const QAbstractItemModel* model = m_dialog->findChild<QTreeView*>("frameTreeView")->model();
    QCOMPARE(model->rowCount(), 3);
    QVERIFY(m_dialog->findChild<QTreeView*>("frameTreeView")->selectionModel()->selectedIndexes().isEmpty());
}

void tst_JsInjectorDialog::noPageView()
{
    JsInjectorDialog dialog;
    QVERIFY(!dialog.webView);
    dialog.show();
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.topLevelFrame());
    QCOMPARE(dialog.frameTreeAsString(), QString());
    const QAbstractItemModel* model = dialog.findChild<QTreeView*>("frameTreeView")->model();
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Id / Name"));
    QVERIFY(!dialog.toFrame(QModelIndex()));
    QVERIFY(!dialog.findFrame({0}, 0, nullptr));

    dialog.findChild<QTextEdit*>("jsEdit")->setPlainText(MARK_SCRIPT);
    MessageBoxCatcher catcher;
    dialog.findChild<QPushButton*>("injectButton")->click();
    QCOMPARE(catcher.seen, QStringList{"Unable To Inject/Please Select A Frame First."});

    // A row path that a page view once had, with the view gone.
    dialog.webView = m_webView;
    dialog.refreshFrameTreeView();
    const QModelIndex row = dialog.findChild<QTreeView*>("frameTreeView")->model()->index(0, 0);
    QVERIFY(dialog.toFrame(row));
    dialog.webView = nullptr;
    QVERIFY(!dialog.toFrame(row));
}

void tst_JsInjectorDialog::windowFlagsAndHideOnClose()
{
    const Qt::WindowFlags wanted = Qt::Window | Qt::WindowTitleHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
        | Qt::WindowCloseButtonHint;
    QCOMPARE(m_dialog->windowType(), Qt::Window);
    QCOMPARE(m_dialog->windowFlags() & ~Qt::WindowSystemMenuHint, wanted);
    QVERIFY(!m_dialog->isModal());
    QCOMPARE(m_dialog->minimumSize(), QSize(550, 550));
    QCOMPARE(m_dialog->maximumSize(), QSize(550, 550));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Injector"));

    QPointer<JsInjectorDialog> guard(m_dialog);
    auto* tree = m_dialog->findChild<QTreeView*>("frameTreeView");
    const QAbstractItemModel* firstModel = tree->model();
    select(indexForPath({0, 0}));
    m_dialog->findChild<QTextEdit*>("jsEdit")->setPlainText(MARK_SCRIPT);

    m_dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Close)->click();
    QVERIFY(guard);
    QVERIFY(m_dialog->isHidden());
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));

    m_dialog->show();
    QVERIFY(m_dialog->isVisible());
    QVERIFY(tree->model() != firstModel);
    QVERIFY(tree->selectionModel()->selectedIndexes().isEmpty());
    QVERIFY(!tree->isExpanded(indexForPath({0})));
    QCOMPARE(m_dialog->findChild<QTextEdit*>("jsEdit")->toPlainText(), MARK_SCRIPT);

    QVERIFY(m_dialog->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard);
    QVERIFY(m_dialog->isHidden());
}

QTEST_MAIN(tst_JsInjectorDialog)
#include "tst_JsInjectorDialog.moc"
