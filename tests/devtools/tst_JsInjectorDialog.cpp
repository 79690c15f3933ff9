#include "devtools/JsInjectorDialog.h"
#include "tests/devtools/MessageBoxCatcher.h"

#include <QtTest>

#include <QDialogButtonBox>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QGraphicsWebView>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeView>
#include <QWebFrame>
#include <QWebPage>

namespace {

// Nine frames, several named with blanks, tabs and line breaks that must not
// shift rows or levels in the tree.
const QList<QPair<QString, QByteArray>> PAGES = {
    {"index.html", "<iframe name='&#32;&#32;lead&#9;A' src='a.html'></iframe>"
                   "<iframe name='B&#10;line&#13;&#10;two' src='b.html'></iframe>"
                   "<iframe name='&#32;&#9;&#32;'></iframe>"
                   "<iframe name='&#32;C' src='c.html'></iframe>"},
    {"a.html", "<iframe name='&#9;A1' src='a1.html'></iframe>"
               "<iframe name='&#32;A2' src='leaf.html'></iframe>"},
    {"a1.html", "<iframe name='&#32;&#32;&#32;deep' src='leaf.html'></iframe>"},
    {"b.html", "<iframe name='B1&#9;&#9;x' src='leaf.html'></iframe>"},
    {"c.html", "<iframe name='&#10;' src='leaf.html'></iframe>"},
    {"leaf.html", "leaf"},
};

const QString MARK_SCRIPT = QStringLiteral("\n\n  window.injected = (window.injected || 0) + 1;\n\n");
const QString SELECT_FRAME = QStringLiteral("Unable To Inject/Please Select A Frame First.");

// Frames, or tree rows, in depth-first order with their levels.
void walk(QWebFrame* frame, int level, QList<QPair<QWebFrame*, int>>& out)
{
    for (QWebFrame* child : frame->childFrames()) {
        out << qMakePair(child, level);
        walk(child, level + 1, out);
    }
}

void walk(const QAbstractItemModel* model, const QModelIndex& parent, int level,
          QList<QPair<QModelIndex, int>>& out)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        out << qMakePair(model->index(row, 0, parent), level);
        walk(model, out.last().first, level + 1, out);
    }
}

QTreeView* tree(QDialog* dialog) { return dialog->findChild<QTreeView*>("frameTreeView"); }

QStringList inject(QDialog* dialog, const QString& script)
{
    dialog->findChild<QTextEdit*>("jsEdit")->setPlainText(script);
    MessageBoxCatcher catcher;
    dialog->findChild<QPushButton*>("injectButton")->click();
    return catcher.seen;
}

} // namespace

class tst_JsInjectorDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void treeListsEveryFrameInOrder();
    void injectsIntoSelectedFrameOnly_data();
    void injectsIntoSelectedFrameOnly();
    void warnsInsteadOfInjecting_data();
    void warnsInsteadOfInjecting();
    void noPageView();
    void staleRowHideOnCloseAndRebuild();

private:
    QList<QPair<QWebFrame*, int>> frames() const
    {
        QList<QPair<QWebFrame*, int>> out;
        walk(m_webView->page()->mainFrame(), 0, out);
        return out;
    }
    QList<QPair<QModelIndex, int>> rows() const
    {
        QList<QPair<QModelIndex, int>> out;
        walk(tree(m_dialog)->model(), QModelIndex(), 0, out);
        return out;
    }
    void select(const QModelIndex& index)
    {
        tree(m_dialog)->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect
                                                            | QItemSelectionModel::Rows);
    }
    QList<int> marks() const // how often the script ran in each frame
    {
        QList<int> out;
        for (const auto& frame : frames())
            out << frame.first->evaluateJavaScript("window.injected || 0").toInt();
        return out;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QGraphicsScene> m_scene;
    QGraphicsView* m_view = nullptr;
    QGraphicsWebView* m_webView = nullptr;
    JsInjectorDialog* m_dialog = nullptr;
};

void tst_JsInjectorDialog::init()
{
    for (const auto& page : PAGES) {
        QFile out(m_dir.filePath(page.first));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write("<html><body>" + page.second + "</body></html>") > 0);
    }
    m_scene.reset(new QGraphicsScene);
    m_view = new QGraphicsView(m_scene.get());
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
    m_scene.reset(); // and the page view
}

void tst_JsInjectorDialog::treeListsEveryFrameInOrder()
{
    const auto walked = frames();
    const auto listed = rows();
    QCOMPARE(listed.size(), walked.size());
    for (int i = 0; i < listed.size(); ++i) {
        const QModelIndex row = listed.at(i).first;
        QCOMPARE(listed.at(i).second, walked.at(i).second);
        QCOMPARE(m_dialog->toFrame(row), walked.at(i).first);
        QCOMPARE(m_dialog->toFrame(row.sibling(row.row(), 1)), walked.at(i).first);
    }
    QCOMPARE(listed.first().first.data().toString(), QStringLiteral("lead A"));
    QVERIFY(listed.first().first.sibling(0, 1).data().toString().endsWith("/a.html"));
}

void tst_JsInjectorDialog::injectsIntoSelectedFrameOnly_data()
{
    // Position in a depth-first walk, both of the tree and of the page.
    QTest::addColumn<int>("position");

    QTest::newRow("top level, name with leading blanks") << 0;
    QTest::newRow("three deep, name with leading blanks") << 2;
    QTest::newRow("child of a name with line breaks") << 5;
    QTest::newRow("blank name, no source") << 6;
    QTest::newRow("name of only a line feed") << 8;
}

void tst_JsInjectorDialog::injectsIntoSelectedFrameOnly()
{
    QFETCH(int, position);

    select(rows().value(position).first);
    QCOMPARE(inject(m_dialog, MARK_SCRIPT), QStringList());
    QList<int> expected = QVector<int>(9, 0).toList();
    expected[position] = 1;
    QCOMPARE(marks(), expected);
    QCOMPARE(m_webView->page()->mainFrame()->evaluateJavaScript("window.injected || 0").toInt(), 0);
}

void tst_JsInjectorDialog::warnsInsteadOfInjecting_data()
{
    QTest::addColumn<bool>("selectFrame");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("message");

    QTest::newRow("nothing selected, no script") << false << "" << SELECT_FRAME;
    QTest::newRow("nothing selected, a script") << false << MARK_SCRIPT << SELECT_FRAME;
    QTest::newRow("frame selected, white space only")
        << true << " \t\n\r\n " << "Unable To Inject/Please Input Some JavaScript First.";
}

void tst_JsInjectorDialog::warnsInsteadOfInjecting()
{
    QFETCH(bool, selectFrame);
    QFETCH(QString, script);
    QFETCH(QString, message);

    if (selectFrame)
        select(rows().value(1).first);
    QCOMPARE(inject(m_dialog, script), QStringList{message});
    QCOMPARE(marks(), QVector<int>(9, 0).toList());
}

void tst_JsInjectorDialog::noPageView()
{
    JsInjectorDialog dialog;
    dialog.show();
    QVERIFY(dialog.isVisible());
    QCOMPARE(tree(&dialog)->model()->rowCount(), 0);
    QCOMPARE(inject(&dialog, MARK_SCRIPT), QStringList{SELECT_FRAME});

    // A row taken while a page view was set, asked for after it went.
    dialog.webView = m_webView;
    dialog.refreshFrameTreeView();
    const QModelIndex row = tree(&dialog)->model()->index(0, 0);
    QVERIFY(dialog.toFrame(row));
    dialog.webView = nullptr;
    QVERIFY(!dialog.toFrame(row));
}

void tst_JsInjectorDialog::staleRowHideOnCloseAndRebuild()
{
    QCOMPARE(m_dialog->windowFlags() & ~Qt::WindowSystemMenuHint,
             Qt::Window | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint
                 | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    QVERIFY(!m_dialog->isModal());
    // The meta-object offers the two button slots, both private, and nothing else.
    const QMetaObject& meta = JsInjectorDialog::staticMetaObject;
    QStringList methods;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        methods << meta.method(i).methodSignature() + QByteArray::number(meta.method(i).access());
    QCOMPARE(methods, QStringList({"on_injectButton_clicked()0", "on_refreshFrameTreeButton_clicked()0"}));

    // The last top-level frame leaves the page while its row is selected.
    select(tree(m_dialog)->model()->index(3, 0));
    m_webView->page()->mainFrame()->evaluateJavaScript(
        "var f = document.body.lastElementChild; f.parentNode.removeChild(f);");
    QTRY_COMPARE(frames().size(), 7);
    QCOMPARE(inject(m_dialog, MARK_SCRIPT), QStringList());
    QCOMPARE(marks(), QVector<int>(7, 0).toList());

    QPointer<JsInjectorDialog> guard(m_dialog);
    m_dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Close)->click();
    QVERIFY(guard && m_dialog->isHidden());

    // Showing again lists the page as it is now, with nothing selected.
    m_dialog->show();
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(rows().size(), 7);
    QVERIFY(tree(m_dialog)->selectionModel()->selectedIndexes().isEmpty());

    QVERIFY(m_dialog->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard && m_dialog->isHidden());
}

QTEST_MAIN(tst_JsInjectorDialog)
#include "tst_JsInjectorDialog.moc"
