// The help browser on the collection the build generates, with the real help
// engine and a real page view on the offscreen platform.

#include "devtools/HelpBrowserDialog.h"
#include "tests/devtools/MessageBoxCatcher.h"

#include <QToolButton>
#include <QtHelp/QHelpContentModel>
#include <QtHelp/QHelpContentWidget>
#include <QtHelp/QHelpEngine>
#include <QtHelp/QHelpIndexModel>
#include <QtHelp/QHelpIndexWidget>
#include <QtTest>
#include <QtWebKitWidgets/QWebFrame>
#include <QtWebKitWidgets/QWebView>

namespace {

const QString BUILD_HELP_DIR = QStringLiteral(VH_BUILD_DIR "/Resources/help");

const QStringList TITLES = {"Vornhelm Help", "Scripting with QtObj", "File Types", "Sending Mail", "PDF Documents"};

QWebView* view(QDialog* dialog) { return dialog->findChild<QWebView*>("webView"); }
QToolButton* button(QDialog* dialog, const QString& name) { return dialog->findChild<QToolButton*>(name); }

// Runs an action and tells whether a page finished loading within the time.
bool loads(QDialog* dialog, const std::function<void()>& action, int timeoutMs = 10000)
{
    QSignalSpy finished(view(dialog), &QWebView::loadFinished);
    action();
    return !finished.isEmpty() || finished.wait(timeoutMs);
}

// The user picks an entry of the contents or the index and presses Return.
bool choose(QDialog* dialog, QAbstractItemView* widget, const QString& entry)
{
    const QModelIndexList found = widget->model()->match(widget->model()->index(0, 0), Qt::DisplayRole, entry,
                                                         1, Qt::MatchExactly | Qt::MatchRecursive);
    widget->setCurrentIndex(found.value(0));
    return found.size() == 1 && loads(dialog, [&]() { QTest::keyClick(widget, Qt::Key_Return); });
}

} // namespace

class TestHelpBrowser : public QObject
{
    Q_OBJECT

private slots:
    void history_data();
    void history();
    void missingCollection();
};

void TestHelpBrowser::history_data()
{
    // The row name is the sequence of steps: A is the first page, shown by
    // itself; B to D are requested after it. The walk is the page shown, then
    // the pages forward to the end, back to the start and forward again.
    QTest::addColumn<QString>("walk");
    QTest::newRow("A,B,C") << "C,B,A,B,C";
    QTest::newRow("A,B,C,back,back,forward") << "B,C,B,A,B,C";
    QTest::newRow("A,B,C,back,D") << "D,B,A,B,D";
    QTest::newRow("A,B,C,back,back,D") << "D,A,D";
    // The ends of the history hold.
    QTest::newRow("A,back,forward") << "A";
    QTest::newRow("A,B,back,back,forward,forward") << "B,A,B";
    // Reload shows the current page again and leaves the history as it was.
    QTest::newRow("A,D,back,reload") << "A,D,A,D";
}

void TestHelpBrowser::history()
{
    QFETCH(QString, walk);
    // The help engine may write to the collection: every row has its own
    // copy. The collection drops the documentation file when its time
    // differs from the one recorded, so the copies keep the original's.
    QTemporaryDir dir;
    for (const QString name : {"vornhelm.qch", "vornhelm.qhc"}) {
        QFile copy(dir.filePath(name));
        const QString original = BUILD_HELP_DIR + '/' + name;
        QVERIFY(QFile::copy(original, copy.fileName()) && copy.open(QIODevice::ReadWrite));
        QVERIFY(copy.setFileTime(QFileInfo(original).lastModified(), QFileDevice::FileModificationTime));
    }
    HelpBrowserDialog dialog(dir.path(), "vornhelm.qhc", "doc", QString(), nullptr);
    QWebView* web = view(&dialog);
    auto* engine = dialog.findChild<QHelpEngine*>();
    QTRY_COMPARE_WITH_TIMEOUT(web->title(), TITLES.first(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!engine->indexModel()->isCreatingIndex(), 10000);
    const QModelIndex top = engine->contentModel()->index(0, 0);
    QStringList titles{top.data().toString()};
    for (int row = 0; row < engine->contentModel()->rowCount(top); ++row)
        titles << top.model()->index(row, 0, top).data().toString();
    QCOMPARE(titles, TITLES);

    // B is reached by the link on A, C from the contents, D from the index.
    // Back and forward are invoked directly, so also where their buttons are
    // off. A reload must load again the page changed here.
    for (const QString& step : QString(QTest::currentDataTag()).split(',').mid(1)) {
        if (step == "reload") {
            web->page()->mainFrame()->evaluateJavaScript("document.title = 'changed';");
            QVERIFY(loads(&dialog, [&]() { button(&dialog, "reloadButton")->click(); }));
        } else if (step == "back" || step == "forward") {
            const bool enabled = button(&dialog, step + "Button")->isEnabled();
            const QByteArray slot = "on_" + step.toLatin1() + "Button_clicked";
            const auto invoke = [&]() { QMetaObject::invokeMethod(&dialog, slot.constData()); };
            QCOMPARE(loads(&dialog, invoke, enabled ? 10000 : 100), enabled);
        } else if (step == "B") {
            QVERIFY(loads(&dialog, [&]() {
                web->page()->mainFrame()->evaluateJavaScript("document.getElementById('scriptingLink').click();");
            }));
        } else if (step == "C") {
            QVERIFY(choose(&dialog, engine->contentWidget(), "File Types"));
        } else {
            QVERIFY(choose(&dialog, engine->indexWidget(), "sendMail"));
        }
    }
    QVERIFY(button(&dialog, "printButton")->isEnabled());

    // Read the history back with the buttons.
    const auto current = [&]() { return QString(QChar('A' + TITLES.indexOf(web->title()))); };
    QStringList walked{current()};
    QToolButton* forward = button(&dialog, "forwardButton");
    for (QToolButton* step : {forward, button(&dialog, "backButton"), forward}) {
        for (int guard = 0; step->isEnabled() && guard < 10; ++guard) {
            QVERIFY(loads(&dialog, [&]() { step->click(); }));
            walked << current();
        }
    }
    QCOMPARE(walked.join(','), walk);
}

void TestHelpBrowser::missingCollection()
{
    MessageBoxCatcher catcher;
    HelpBrowserDialog dialog(BUILD_HELP_DIR, "absent.qhc", "doc", QString(), nullptr);
    QCOMPARE(catcher.seen, QStringList{"Missing Resource/The Help Documentation Could Not Ne Found."});
    QVERIFY(!dialog.findChild<QHelpEngine*>() && !view(&dialog));
}

QTEST_MAIN(TestHelpBrowser)
#include "tst_helpbrowser.moc"
