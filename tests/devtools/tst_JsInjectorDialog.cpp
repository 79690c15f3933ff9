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

// The frames below frame, depth first.
void walk(QWebFrame* frame, QList<QWebFrame*>& out)
{
    for (QWebFrame* child : frame->childFrames()) {
        out << child;
        walk(child, out);
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
    void injectsIntoFrameOfChosenRow();
    void warnsInsteadOfInjecting();
    void staleRowsCloseAndNoPageView();

private:
    QList<QWebFrame*> frames() const
    {
        QList<QWebFrame*> out;
        walk(m_webView->page()->mainFrame(), out);
        return out;
    }
    QModelIndexList rows() const // of the tree, depth first
    {
        QModelIndexList out;
        QTreeView* view = tree(m_dialog);
        view->expandAll();
        for (QModelIndex row = view->model()->index(0, 0); row.isValid(); row = view->indexBelow(row))
            out << row;
        return out;
    }
    QList<int> marks() const // how often the script ran in each frame
    {
        QList<int> out;
        for (QWebFrame* frame : frames())
            out << frame->evaluateJavaScript("window.injected || 0").toInt();
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

void tst_JsInjectorDialog::injectsIntoFrameOfChosenRow()
{
    // The tree lists every frame in page order, and a script typed for a
    // row runs in that row's frame only.
    const QList<QWebFrame*> walked = frames();
    const QModelIndexList listed = rows();
    QCOMPARE(listed.size(), walked.size());
    QCOMPARE(listed.first().data().toString(), QStringLiteral("lead A"));
    QList<int> expected = QVector<int>(9, 0).toList();
    for (int i = 0; i < listed.size(); ++i) {
        const QModelIndex row = listed.at(i);
        QCOMPARE(m_dialog->toFrame(row.sibling(row.row(), 1)), walked.at(i));
        tree(m_dialog)->setCurrentIndex(row);
        QCOMPARE(inject(m_dialog, MARK_SCRIPT), QStringList());
        expected[i] = 1;
        QCOMPARE(marks(), expected);
    }
    QCOMPARE(m_webView->page()->mainFrame()->evaluateJavaScript("window.injected || 0").toInt(), 0);
}

void tst_JsInjectorDialog::warnsInsteadOfInjecting()
{
    QCOMPARE(inject(m_dialog, QString()), QStringList{SELECT_FRAME});
    QCOMPARE(inject(m_dialog, MARK_SCRIPT), QStringList{SELECT_FRAME});
    tree(m_dialog)->setCurrentIndex(rows().value(1));
    QCOMPARE(inject(m_dialog, " \t\n\r\n "), QStringList{"Unable To Inject/Please Input Some JavaScript First."});
    QCOMPARE(marks(), QVector<int>(9, 0).toList());
}

void tst_JsInjectorDialog::staleRowsCloseAndNoPageView()
{
    // The page cannot reach the dialog: no signals, and only the two private button slots.
    const QMetaObject& meta = JsInjectorDialog::staticMetaObject;
    QStringList methods;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        methods << meta.method(i).methodSignature() + QByteArray::number(meta.method(i).access());
    QCOMPARE(methods, QStringList({"on_injectButton_clicked()0", "on_refreshFrameTreeButton_clicked()0"}));

    // The last top-level frame leaves the page while its row is selected.
    tree(m_dialog)->setCurrentIndex(tree(m_dialog)->model()->index(3, 0));
    m_webView->page()->mainFrame()->evaluateJavaScript(
        "var f = document.body.lastElementChild; f.parentNode.removeChild(f);");
    QTRY_COMPARE(frames().size(), 7);
    QCOMPARE(inject(m_dialog, MARK_SCRIPT), QStringList());
    QCOMPARE(marks(), QVector<int>(7, 0).toList());

    // Closing only hides; showing again lists the page as it is now, with nothing selected.
    QPointer<JsInjectorDialog> guard(m_dialog);
    m_dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Close)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard && m_dialog->isHidden());
    m_dialog->show();
    QCOMPARE(rows().size(), 7);
    QVERIFY(tree(m_dialog)->selectionModel()->selectedIndexes().isEmpty());

    // Without a page view a row taken before finds no frame, and the tree is empty.
    const QModelIndex row = rows().first();
    m_dialog->webView = nullptr;
    QVERIFY(!m_dialog->toFrame(row));
    m_dialog->refreshFrameTreeView();
    QCOMPARE(tree(m_dialog)->model()->rowCount(), 0);
    QCOMPARE(inject(m_dialog, MARK_SCRIPT), QStringList{SELECT_FRAME});
}

QTEST_MAIN(tst_JsInjectorDialog)
#include "tst_JsInjectorDialog.moc"
