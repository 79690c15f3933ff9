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

#include <memory>

namespace {

const QString BUILD_HELP_DIR = QStringLiteral(VH_BUILD_DIR "/Resources/help");
const QString DOC_NAME = QStringLiteral("vornhelm.qhc");
const QString QCH_NAME = QStringLiteral("vornhelm.qch");

// The titles of the pages, in the order of the table of contents.
const QStringList TITLES = {"Vornhelm Help", "Scripting with QtObj", "File Types", "Sending Mail",
                            "PDF Documents"};

// The collection records the documentation file's time and drops it on a
// mismatch: copies keep the original's modification time.
bool copyKeepingTime(const QString& from, const QString& to)
{
    QFile copy(to);
    return QFile::copy(from, to) && copy.open(QIODevice::ReadWrite)
           && copy.setFileTime(QFileInfo(from).lastModified(), QFileDevice::FileModificationTime);
}

QWebView* view(QDialog* dialog) { return dialog->findChild<QWebView*>("webView"); }
QToolButton* button(QDialog* dialog, const char* name) { return dialog->findChild<QToolButton*>(name); }

// Runs an action and, when it should load a page, waits until the load ends;
// otherwise checks that no load starts.
bool runAndWait(QDialog* dialog, const std::function<void()>& action, bool expectLoad = true)
{
    QSignalSpy finished(view(dialog), &QWebView::loadFinished);
    action();
    if (expectLoad)
        return QTest::qWaitFor([&]() { return finished.count() > 0; }, 10000);
    QTest::qWait(100);
    return finished.isEmpty();
}

bool click(QDialog* dialog, const char* name)
{
    return runAndWait(dialog, [&]() { button(dialog, name)->click(); });
}

// The user picks an entry of the contents or the index and presses Return.
bool choose(QDialog* dialog, QAbstractItemView* widget, const QString& entry)
{
    const QModelIndexList found = widget->model()->match(widget->model()->index(0, 0), Qt::DisplayRole, entry,
                                                         1, Qt::MatchExactly | Qt::MatchRecursive);
    if (found.size() != 1)
        return false;
    widget->setCurrentIndex(found.first());
    return runAndWait(dialog, [&]() { QTest::keyClick(widget, Qt::Key_Return); });
}

} // namespace

class TestHelpBrowser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void collectionListsItsPages();
    void history_data();
    void history();
    void missingCollection();

private:
    // A dialog on this test's copy of the collection, its first page shown
    // and its index built.
    std::unique_ptr<HelpBrowserDialog> openDialog()
    {
        auto dialog = std::make_unique<HelpBrowserDialog>(m_helpFolder, DOC_NAME, "doc", QString(), nullptr);
        auto* engine = dialog->findChild<QHelpEngine*>();
        if (!QTest::qWaitFor([&]() { return view(dialog.get())->title() == TITLES.first(); }, 10000)
            || !QTest::qWaitFor([&]() { return !engine->indexModel()->isCreatingIndex(); }, 10000))
            dialog.reset();
        return dialog;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_helpFolder;
};

void TestHelpBrowser::init()
{
    // The help engine may write to the collection: every test has its own copy.
    m_dir.reset(new QTemporaryDir);
    m_helpFolder = m_dir->path() + QStringLiteral("/help");
    QVERIFY(QDir().mkpath(m_helpFolder));
    QVERIFY(copyKeepingTime(BUILD_HELP_DIR + "/" + QCH_NAME, m_helpFolder + "/" + QCH_NAME));
    QVERIFY(copyKeepingTime(BUILD_HELP_DIR + "/" + DOC_NAME, m_helpFolder + "/" + DOC_NAME));
}

void TestHelpBrowser::collectionListsItsPages()
{
    auto dialog = openDialog();
    QVERIFY(dialog);
    QHelpContentModel* contents = dialog->findChild<QHelpEngine*>()->contentModel();
    const QModelIndex top = contents->index(0, 0);
    QStringList titles{top.data().toString()};
    for (int row = 0; row < contents->rowCount(top); ++row)
        titles << contents->index(row, 0, top).data().toString();
    QCOMPARE(titles, TITLES);
}

void TestHelpBrowser::history_data()
{
    // The row name is the sequence of steps.
    QTest::addColumn<QString>("history");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("back");
    QTest::addColumn<bool>("forward");

    // A is the first page, shown by itself; B to D are requested after it.
    QTest::newRow("A,B,C") << "A,B,C" << "C" << true << false;
    QTest::newRow("A,B,C,back,back,forward") << "A,B,C" << "B" << true << true;
    QTest::newRow("A,B,C,back,D") << "A,B,D" << "D" << true << false;
    QTest::newRow("A,B,C,back,back,D") << "A,D" << "D" << true << false;
    // The ends of the history hold.
    QTest::newRow("A,back,forward") << "A" << "A" << false << false;
    QTest::newRow("A,B,back,back,forward,forward") << "A,B" << "B" << true << false;
    // Reload shows the current page again and leaves the history as it was.
    QTest::newRow("A,D,back,reload") << "A,D" << "A" << false << true;
}

void TestHelpBrowser::history()
{
    const QString sequence = QTest::currentDataTag();
    QFETCH(QString, history);
    QFETCH(QString, shown);
    QFETCH(bool, back);
    QFETCH(bool, forward);

    auto dialog = openDialog();
    QVERIFY(dialog);
    QDialog* d = dialog.get();
    QWebView* web = view(d);
    QToolButton* backButton = button(d, "backButton");
    QToolButton* forwardButton = button(d, "forwardButton");
    // A to D are the first four pages.
    auto current = [&]() { return QString(QChar('A' + TITLES.indexOf(web->title()))); };

    // B is reached by the link on A (a file address the browser maps into
    // the collection), C from the contents, D from the index. Back and
    // forward are invoked directly, so they are tried also where their
    // buttons are off. Before a reload the shown page is changed, to see
    // that it is loaded.
    auto* engine = d->findChild<QHelpEngine*>();
    for (const QString& step : sequence.split(',').mid(1)) {
        if (step == "reload") {
            web->page()->mainFrame()->evaluateJavaScript("document.title = 'changed';");
            QVERIFY(click(d, "reloadButton"));
        } else if (step == "back" || step == "forward") {
            const bool enabled = (step == "back" ? backButton : forwardButton)->isEnabled();
            const QByteArray slot = "on_" + step.toLatin1() + "Button_clicked";
            QVERIFY(runAndWait(d, [&]() { QMetaObject::invokeMethod(d, slot.constData()); }, enabled));
        } else if (step == "B") {
            QVERIFY(runAndWait(d, [&]() {
                web->page()->mainFrame()->evaluateJavaScript("document.getElementById('scriptingLink').click();");
            }));
        } else if (step == "C") {
            QVERIFY(choose(d, engine->contentWidget(), "File Types"));
        } else {
            QVERIFY(choose(d, engine->indexWidget(), "sendMail"));
        }
    }
    QCOMPARE(current(), shown);
    QCOMPARE(backButton->isEnabled(), back);
    QCOMPARE(forwardButton->isEnabled(), forward);
    QVERIFY(button(d, "reloadButton")->isEnabled() && button(d, "printButton")->isEnabled());

    // Read the whole history back: back to its start, then forward to its end.
    for (int guard = 0; backButton->isEnabled() && guard < 10; ++guard)
        QVERIFY(click(d, "backButton"));
    QStringList walked{current()};
    for (int guard = 0; forwardButton->isEnabled() && guard < 10; ++guard) {
        QVERIFY(click(d, "forwardButton"));
        walked << current();
    }
    QCOMPARE(walked.join(','), history);
}

void TestHelpBrowser::missingCollection()
{
    std::unique_ptr<HelpBrowserDialog> dialog;
    {
        MessageBoxCatcher catcher;
        dialog.reset(new HelpBrowserDialog(m_helpFolder, "absent.qhc", "doc", QString(), nullptr));
        QCOMPARE(catcher.seen, QStringList{"Missing Resource/The Help Documentation Could Not Ne Found."});
    }
    QVERIFY(!dialog->findChild<QHelpEngine*>() && !view(dialog.get()));
    QTest::qWait(300); // the queued close; no first page follows
    QVERIFY(!dialog->isVisible());
}

QTEST_MAIN(TestHelpBrowser)
#include "tst_helpbrowser.moc"
