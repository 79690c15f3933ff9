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

#include <pwd.h>
#include <unistd.h>

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

// Copies the build's help files into folder, with or without their times.
bool copyBuildHelp(const QString& folder, bool keepTimes)
{
    for (const QString name : {"vornhelm.qch", "vornhelm.qhc"}) {
        QFile copy(folder + '/' + name);
        const QString original = BUILD_HELP_DIR + '/' + name;
        const QDateTime time = QFileInfo(original).lastModified();
        if (!QFile::copy(original, copy.fileName()) || !copy.open(QIODevice::ReadWrite)
            || (keepTimes && !copy.setFileTime(time, QFileDevice::FileModificationTime)))
            return false;
    }
    return true;
}

} // namespace

class TestHelpBrowser : public QObject
{
    Q_OBJECT

    QTemporaryDir cache;

private slots:
    void initTestCase() { qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path())); }
    void history_data();
    void history();
    void missingCollection();
    void pagesOrWarning_data();
    void pagesOrWarning();
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
    QVERIFY(copyBuildHelp(dir.path(), true));
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

void TestHelpBrowser::pagesOrWarning_data()
{
    // The build's collection copied with or without its file times, or
    // random bytes or an empty file in its place. The window shows the pages
    // from it ("own"), from a copy in the user's cache ("copy"), or warns.
    QTest::addColumn<bool>("keepTimes");
    QTest::addColumn<int>("replacedBy"); // bytes; -1 keeps the collection
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("cacheWritable");
    QTest::newRow("times kept") << true << -1 << true << "own" << true;
    QTest::newRow("times lost") << false << -1 << true << "copy" << true;
    QTest::newRow("times lost, folder not writable") << false << -1 << false << "copy" << true;
    QTest::newRow("random bytes") << true << 5000 << true << "warning" << true;
    QTest::newRow("empty file") << true << 0 << true << "warning" << true;
    // Without a cache to copy into, a collection opens as it stands, but for an empty one.
    QTest::newRow("times kept, no cache") << true << -1 << true << "own" << false;
    QTest::newRow("empty file, no cache") << true << 0 << true << "warning" << false;
}

void TestHelpBrowser::pagesOrWarning()
{
    QFETCH(bool, keepTimes);
    QFETCH(int, replacedBy);
    QFETCH(bool, folderWritable);
    QFETCH(QString, shown);
    QFETCH(bool, cacheWritable);
    // A file where the cache folder would be.
    const QByteArray cacheHome = qgetenv("XDG_CACHE_HOME");
    const auto restoreCache = qScopeGuard([&]() { qputenv("XDG_CACHE_HOME", cacheHome); });
    if (!cacheWritable)
        qputenv("XDG_CACHE_HOME", QFile::encodeName(QCoreApplication::applicationFilePath()));
    if (!folderWritable && ::geteuid() == 0) {
        // Root writes anywhere: the row runs again as a user who may not, with
        // a runtime folder of its own.
        const struct passwd* nobody = ::getpwnam("nobody");
        QTemporaryDir runtime;
        const QByteArray runtimePath = QFile::encodeName(runtime.path());
        QVERIFY(nobody && ::chown(runtimePath.constData(), nobody->pw_uid, nobody->pw_gid) == 0);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", qApp->applicationFilePath(),
                                QString("pagesOrWarning:") + QTest::currentDataTag()});
        QVERIFY(child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        return;
    }
    QTemporaryDir dir;
    QFile qhc(dir.filePath("vornhelm.qhc"));
    QByteArray bytes(qMax(replacedBy, 0), '\0');
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
    QVERIFY(copyBuildHelp(dir.path(), keepTimes));
    QVERIFY(replacedBy < 0 || (qhc.open(QIODevice::WriteOnly) && qhc.write(bytes) == replacedBy && qhc.flush()));
    // Whatever fails, the folder is left such that it can go.
    const QFileDevice::Permissions readable = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
    const auto unlock = qScopeGuard([&]() { QFile::setPermissions(dir.path(), readable | QFileDevice::WriteOwner); });
    QVERIFY(folderWritable
            || (qhc.setPermissions(QFileDevice::ReadOwner) && QFile::setPermissions(dir.path(), readable)));
    const auto files = [&]() {
        QByteArrayList named;
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files)) {
            QFile file(dir.filePath(name));
            named << name.toUtf8() + '\0' + (file.open(QIODevice::ReadOnly) ? file.readAll() : "?");
        }
        return named;
    };
    const QByteArrayList before = files();
    MessageBoxCatcher catcher;
    {
        HelpBrowserDialog dialog(dir.path(), "vornhelm.qhc", "doc", QString(), nullptr);
        auto* engine = dialog.findChild<QHelpEngine*>();
        const QString warning = "Missing Resource/The Help Documentation Could Not Ne Found.";
        QCOMPARE(catcher.seen.join(""), shown == "warning" ? warning : "");
        QCOMPARE(engine && view(&dialog), shown != "warning");
        if (engine) {
            QCOMPARE(QFileInfo(engine->collectionFile()).dir() == QDir(dir.path()), shown == "own");
            QTRY_COMPARE_WITH_TIMEOUT(view(&dialog)->title(), TITLES.first(), 10000);
        }
    }
    // The help folder's files are as they were, the empty one included.
    QCOMPARE(files(), before);
}

QTEST_MAIN(TestHelpBrowser)
#include "tst_helpbrowser.moc"
