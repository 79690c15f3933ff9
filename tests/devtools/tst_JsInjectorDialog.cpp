#include "devtools/JsInjectorDialog.h"
#include "tests/common/TestFiles.h"
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

// Seven frames, several named with blanks, tabs and line breaks that must not
// shift rows or levels in the tree.
const QList<QPair<QString, QByteArray>> PAGES = {
    {"index.html", "<iframe name='&#32;&#32;lead&#9;A' src='a.html'></iframe>"
                   "<iframe name='B&#10;line&#13;&#10;two' src='b.html'></iframe>"
                   "<iframe name='&#32;&#9;&#10;'></iframe>"},
    {"a.html", "<iframe name='&#9;A1' src='a1.html'></iframe>"
               "<iframe name='&#32;A2' src='leaf.html'></iframe>"},
    {"a1.html", "<iframe name='&#32;&#32;&#32;deep' src='leaf.html'></iframe>"},
    {"b.html", "<iframe name='B1&#9;&#9;x' src='leaf.html'></iframe>"},
    {"leaf.html", "leaf"},
};

const QString MARK_SCRIPT = QStringLiteral("\n\n  window.injected = (window.injected || 0) + 1;\n\n");
const QString SELECT_FRAME = QStringLiteral("Unable To Inject/Please Select A Frame First.");

// The frames below frame, depth first.
QList<QWebFrame*> frames(QWebFrame* frame)
{
    QList<QWebFrame*> out;
    for (QWebFrame* child : frame->childFrames())
        out << child << frames(child);
    return out;
}

// How often the script ran in each frame of the page.
QList<int> marks(QGraphicsWebView* page)
{
    QList<int> out;
    for (QWebFrame* frame : frames(page->page()->mainFrame()))
        out << frame->evaluateJavaScript("window.injected || 0").toInt();
    return out;
}

QModelIndexList rows(QTreeView* tree) // depth first
{
    QModelIndexList out;
    tree->expandAll();
    for (QModelIndex row = tree->model()->index(0, 0); row.isValid(); row = tree->indexBelow(row))
        out << row;
    return out;
}

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
    void pageCannotReachTheDialog();
    void injectsIntoFrameOfChosenRow();
};

void tst_JsInjectorDialog::pageCannotReachTheDialog()
{
    const QMetaObject& meta = JsInjectorDialog::staticMetaObject;
    QStringList methods;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        methods << meta.method(i).methodSignature() + QByteArray::number(meta.method(i).access());
    QCOMPARE(methods, QStringList({"on_injectButton_clicked()0", "on_refreshFrameTreeButton_clicked()0"}));
}

void tst_JsInjectorDialog::injectsIntoFrameOfChosenRow()
{
    QTemporaryDir dir;
    for (const auto& page : PAGES)
        QVERIFY(writeFile(dir.filePath(page.first), "<html><body>" + page.second + "</body></html>"));
    QGraphicsScene scene;
    QGraphicsView view(&scene);
    auto* web = new QGraphicsWebView;
    scene.addItem(web);
    view.resize(800, 600);
    view.show();
    QSignalSpy loaded(web, SIGNAL(loadFinished(bool)));
    web->load(QUrl::fromLocalFile(dir.filePath("index.html")));
    QVERIFY(loaded.wait(20000));
    QTRY_COMPARE_WITH_TIMEOUT(frames(web->page()->mainFrame()).size(), 7, 20000);

    auto* dialog = new JsInjectorDialog(&view);
    dialog->webView = web;
    dialog->show();
    auto* tree = dialog->findChild<QTreeView*>("frameTreeView");
    QCOMPARE(inject(dialog, QString()), QStringList{SELECT_FRAME});
    tree->setCurrentIndex(rows(tree).value(1));
    QCOMPARE(inject(dialog, " \t\n\r\n "), QStringList{"Unable To Inject/Please Input Some JavaScript First."});

    // The tree lists every frame in page order, and a script typed for a
    // row runs in that row's frame only.
    const QList<QWebFrame*> walked = frames(web->page()->mainFrame());
    const QModelIndexList listed = rows(tree);
    QCOMPARE(listed.size(), walked.size());
    QCOMPARE(listed.first().data().toString(), QStringLiteral("lead A"));
    QList<int> expected = QVector<int>(7, 0).toList();
    for (int i = 0; i < listed.size(); ++i) {
        QCOMPARE(dialog->toFrame(listed.at(i).siblingAtColumn(1)), walked.at(i));
        tree->setCurrentIndex(listed.at(i));
        QCOMPARE(inject(dialog, MARK_SCRIPT), QStringList());
        expected[i] = 1;
        QCOMPARE(marks(web), expected);
    }

    // The last top-level frame leaves the page while its row is selected.
    tree->setCurrentIndex(tree->model()->index(2, 0));
    web->page()->mainFrame()->evaluateJavaScript(
        "var f = document.body.lastElementChild; f.parentNode.removeChild(f);");
    QTRY_COMPARE(marks(web).size(), 6);
    QCOMPARE(inject(dialog, MARK_SCRIPT), QStringList());
    QCOMPARE(marks(web), QVector<int>(6, 1).toList());

    // Closing only hides; showing again lists the page as it is now, with nothing selected.
    QPointer<JsInjectorDialog> guard(dialog);
    dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Close)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard && dialog->isHidden());
    dialog->show();
    QCOMPARE(rows(tree).size(), 6);
    QVERIFY(tree->selectionModel()->selectedIndexes().isEmpty());

    // Without a page view a row taken before finds no frame, and the tree is empty.
    const QModelIndex row = rows(tree).first();
    dialog->webView = nullptr;
    QVERIFY(!dialog->toFrame(row));
    dialog->refreshFrameTreeView();
    QCOMPARE(tree->model()->rowCount(), 0);
}

QTEST_MAIN(tst_JsInjectorDialog)
#include "tst_JsInjectorDialog.moc"
