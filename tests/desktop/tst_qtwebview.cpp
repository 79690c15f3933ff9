// The desktop view on a real WebKit page: the access key, the answers the
// page receives, the frame-id road and what the script object exposes.
#include <QtTest>

#include <QGraphicsWebView>
#include <QMenuBar>
#include <QWebFrame>
#include <QWebPage>

#include "core/AppSettings.h"
#include "DesktopTestPage.h"
#include "desktop/QtWebViewPrivate.h"
#include "devtools/HelpBrowserDialog.h"
#include "devtools/JsInjectorDialog.h"
#include "mime/MimeTypeMap.h"

namespace {

// The host page records every call of the functions the program expects a
// page to define, as JSON text in window.calls.
const char* const HOST_PAGE = R"(<!DOCTYPE html><html><head><script>
var calls = [];
var ret = 'page value';
var key = '';
function setCookie(name, value) { calls.push(['setCookie', name, value]); key = value; }
function invokeCallback(name, result, state) { calls.push(['invokeCallback', name, result, state]); }
function invokeOnErrorCallback(frame, code, items) { calls.push(['invokeOnErrorCallback', frame, code, items]); }
function callsJson() { return JSON.stringify(calls); }
</script></head><body>
<iframe name="contentFrame" src="child.html"></iframe>
<iframe name="remote" src="about:blank"></iframe>
</body></html>)";

const char* const CHILD_PAGE = R"(<!DOCTYPE html><html><head><script>var ret = 'child value';</script></head>
<body><iframe name="nested" src="nested.html"></iframe></body></html>)";

const char* const NESTED_PAGE = "<!DOCTYPE html><html><body>nested</body></html>";

} // namespace

class TestQtWebView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void accessKeyReachesSetCookie();
    void refusedKeyReachesOnlyTheErrorChannel_data();
    void refusedKeyReachesOnlyTheErrorChannel();
    void keyedCallIsAnsweredWithTheExactArray_data();
    void keyedCallIsAnsweredWithTheExactArray();
    void answerCarriesLineSeparators();
    void frameIdRoad();
    void unknownFrameIdFindsNothing();
    void scriptObjectExposesOnlyItsOperations_data();
    void scriptObjectExposesOnlyItsOperations();
    void toolsMenuFollowsDeveloperOptions_data();
    void toolsMenuFollowsDeveloperOptions();
    void injectorActionShowsTheLivePage();
    void helpDialogsAreFreedWhenClosed();
    void adjustPath();

private:
    QVariant eval(const QString& script) { return mainFrame()->evaluateJavaScript(script); }
    QWebFrame* mainFrame() { return m_view->graphicsWebView()->page()->mainFrame(); }
    QWebFrame* childFrame(const QString& name);
    QString callsJson() { return eval(QStringLiteral("callsJson();")).toString(); }
    void clearCalls() { eval(QStringLiteral("calls = [];")); }

    QTemporaryDir m_dir;
    QScopedPointer<QtWebView> m_view;
};

void TestQtWebView::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(writeFile(m_dir.filePath("index.html"), HOST_PAGE));
    QVERIFY(writeFile(m_dir.filePath("child.html"), CHILD_PAGE));
    QVERIFY(writeFile(m_dir.filePath("nested.html"), NESTED_PAGE));
}

void TestQtWebView::init()
{
    MimeTypeMap::resetToBuiltIn();
    m_view.reset(new QtWebView);
    m_view->resize(800, 600);
    QVERIFY(loadPage(*m_view, m_dir.filePath("index.html")));
}

void TestQtWebView::cleanup()
{
    m_view.reset();
    MimeTypeMap::resetToBuiltIn();
}

QWebFrame* TestQtWebView::childFrame(const QString& name)
{
    QList<QWebFrame*> pending = mainFrame()->childFrames();
    while (!pending.isEmpty()) {
        QWebFrame* frame = pending.takeFirst();
        if (frame->frameName() == name)
            return frame;
        pending << frame->childFrames();
    }
    return nullptr;
}

void TestQtWebView::accessKeyReachesSetCookie()
{
    const QString key = m_view->accessKey();
    QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z0-9]{64}$")).match(key).hasMatch());
    QCOMPARE(callsJson(), QStringLiteral("[[\"setCookie\",\"QT_ACCESS_KEY_COOKIE\",\"%1\"]]").arg(key));
}

void TestQtWebView::refusedKeyReachesOnlyTheErrorChannel_data()
{
    QTest::addColumn<QString>("keyExpression");
    QTest::addColumn<QString>("message");
    QTest::newRow("wrong") << "'wrong'" << "Invalid access key provided.";
    QTest::newRow("wrong case") << "key.toLowerCase() == key ? key.toUpperCase() : key.toLowerCase()"
                                << "Invalid access key provided.";
    QTest::newRow("blank") << "'   '" << "No access key provided.";
    QTest::newRow("missing") << "null" << "No access key provided.";
}

void TestQtWebView::refusedKeyReachesOnlyTheErrorChannel()
{
    QFETCH(QString, keyExpression);
    QFETCH(QString, message);
    clearCalls();
    const int rows = MimeTypeMap::table().size();
    eval(QStringLiteral("QtObj.registerExtension(%1, 'cb', 1, 'zzz', true);").arg(keyExpression));
    QCOMPARE(callsJson(), QStringLiteral("[[\"invokeOnErrorCallback\",null,4,[\"%1\"]]]").arg(message));
    QCOMPARE(MimeTypeMap::table().size(), rows);
}

void TestQtWebView::keyedCallIsAnsweredWithTheExactArray_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("answer");
    QTest::newRow("success") << "QtObj.registerExtension(key, 'onDone', 7, 'vhx', true);"
                             << R"([["invokeCallback","onDone",[7,true,0,""],0]])";
    QTest::newRow("failure") << "QtObj.registerExtension(key, 'onDone', 8, ' . ', true);"
                             << R"([["invokeCallback","onDone",[8,false,1000,"Could not register extension: \" . \""],0]])";
    QTest::newRow("quoted callback name")
        << "QtObj.registerExtension(key, \"it's\", 9, 'vhx', false);"
        << R"([["invokeCallback","it's",[9,true,0,""],0]])";
    QTest::newRow("no callback, no answer") << "QtObj.registerExtension(key, '', 10, 'vhx', false);"
                                            << "[]";
}

void TestQtWebView::keyedCallIsAnsweredWithTheExactArray()
{
    QFETCH(QString, call);
    QFETCH(QString, answer);
    clearCalls();
    eval(call);
    QCOMPARE(callsJson(), answer);
}

void TestQtWebView::answerCarriesLineSeparators()
{
    // U+2028 inside a script literal would be a syntax error and the answer
    // would never arrive.
    clearCalls();
    eval(QStringLiteral("QtObj.registerMimeType(key, 'cb', 3, '', 'a\\u2028b', true, true);"));
    QCOMPARE(eval(QStringLiteral("calls.length")).toInt(), 1);
    QCOMPARE(eval(QStringLiteral("calls[0][2][3]")).toString(),
             QString::fromUtf8("Could not register mime type: \"\" with associated extension: \"a\u2028b\""));
}

void TestQtWebView::frameIdRoad()
{
    QWebFrame* content = childFrame(QStringLiteral("contentFrame"));
    QWebFrame* nested = childFrame(QStringLiteral("nested"));
    QVERIFY(content && nested);

    const QVariant contentId = content->evaluateJavaScript(
        QStringLiteral("qtCallbackParameters(['text', 42, true, 'x']);"));
    const QVariant nestedId = nested->evaluateJavaScript(QStringLiteral("qtCallbackParameters([]);"));
    QVERIFY(contentId.toUInt() >= 1);
    QVERIFY(nestedId.toUInt() >= 1);
    QVERIFY(contentId.toUInt() != nestedId.toUInt());

    QtWebViewPrivate* d = m_view->privateObject();
    QCOMPARE(d->frame(contentId.toUInt()), content);
    QCOMPARE(d->frame(nestedId.toUInt()), nested);

    QCOMPARE(d->callbackParmsCount(content), 4);
    QCOMPARE(d->callbackParmToString(content, 0), QStringLiteral("text"));
    QCOMPARE(d->callbackParmToInt(content, 1), 42);
    QCOMPARE(d->callbackParmToBool(content, 2), true);
    QCOMPARE(d->callbackParmToString(content, 9), QStringLiteral(""));
    QCOMPARE(d->callbackParmToInt(content, 9), 0);
    QCOMPARE(d->callbackParmToBool(content, 9), false);
    QCOMPARE(d->callbackParmsCount(nested), 0);

    d->callbackParmsClear(content);
    QCOMPARE(d->callbackParmsCount(content), 0);

    // The lookups leave the pages' own globals alone.
    QCOMPARE(content->evaluateJavaScript(QStringLiteral("ret")).toString(), QStringLiteral("child value"));
    QCOMPARE(eval(QStringLiteral("ret")).toString(), QStringLiteral("page value"));
}

void TestQtWebView::unknownFrameIdFindsNothing()
{
    QtWebViewPrivate* d = m_view->privateObject();
    QVERIFY(!d->frame(0));
    QVERIFY(!d->frame(4000));
    // The frame without the script object reads -1: no id may match it.
    QVERIFY(!d->frame(4294967295u));
    // A frame that is not a local file gets neither the script object nor the frame functions.
    QWebFrame* remote = childFrame(QStringLiteral("remote"));
    QVERIFY(remote);
    QCOMPARE(remote->evaluateJavaScript(QStringLiteral("typeof QtObj + typeof frameId")).toString(),
             QStringLiteral("undefinedundefined"));
    QCOMPARE(d->callbackParmsCount(remote), 0);
}

void TestQtWebView::scriptObjectExposesOnlyItsOperations_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<QString>("type");
    QTest::newRow("registerExtension") << "registerExtension" << "function";
    QTest::newRow("registerMimeType") << "registerMimeType" << "function";
    QTest::newRow("deleteLater") << "deleteLater" << "undefined";
    QTest::newRow("close") << "close" << "undefined";
    QTest::newRow("hide") << "hide" << "undefined";
    QTest::newRow("setStyleSheet") << "setStyleSheet" << "undefined";
    QTest::newRow("windowTitle") << "windowTitle" << "undefined";
}

void TestQtWebView::scriptObjectExposesOnlyItsOperations()
{
    QFETCH(QString, member);
    QFETCH(QString, type);
    QCOMPARE(eval(QStringLiteral("typeof QtObj.") + member).toString(), type);
    QWebFrame* content = childFrame(QStringLiteral("contentFrame"));
    QCOMPARE(content->evaluateJavaScript(QStringLiteral("typeof QtObj.") + member).toString(), type);
}

void TestQtWebView::toolsMenuFollowsDeveloperOptions_data()
{
    QTest::addColumn<bool>("developerOptions");
    QTest::newRow("on") << true;
    QTest::newRow("off") << false;
}

void TestQtWebView::toolsMenuFollowsDeveloperOptions()
{
    QFETCH(bool, developerOptions);
    AppSettings settings;
    const bool configured = settings.developerOptions();
    settings.setDeveloperOptions(developerOptions);
    QtWebView view;
    settings.setDeveloperOptions(configured);

    QStringList titles;
    for (QAction* action : view.menuBar()->actions())
        titles << action->text();
    QStringList expected;
    if (developerOptions)
        expected << "&Tools";
    expected << "&Help";
    QCOMPARE(titles, expected);
    if (developerOptions) {
        const QList<QAction*> tools = view.menuBar()->actions().first()->menu()->actions();
        QCOMPARE(tools.size(), 1);
        QCOMPARE(tools.first()->text(), QStringLiteral("In&jector"));
    }
}

void TestQtWebView::injectorActionShowsTheLivePage()
{
    QAction* tools = m_view->menuBar()->actions().first();
    QCOMPARE(tools->text(), QStringLiteral("&Tools"));
    JsInjectorDialog* injector = m_view->findChild<JsInjectorDialog*>();
    QVERIFY(injector);
    QVERIFY(!injector->isVisible());
    tools->menu()->actions().first()->trigger();
    QVERIFY(injector->isVisible());
    QCOMPARE(injector->webView, m_view->graphicsWebView());
    // One dialog for the life of the view: a second request shows the same one.
    tools->menu()->actions().first()->trigger();
    QCOMPARE(m_view->findChildren<JsInjectorDialog*>().size(), 1);
}

void TestQtWebView::helpDialogsAreFreedWhenClosed()
{
    QAction* help = m_view->menuBar()->actions().last()->menu()->actions().first();
    help->trigger();
    help->trigger();
    const auto dialogs = m_view->findChildren<HelpBrowserDialog*>();
    QCOMPARE(dialogs.size(), 2); // one per request
    QPointer<HelpBrowserDialog> first(dialogs.first()), second(dialogs.last());
    QVERIFY(first->isVisible() && first->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first && second && second->isVisible());
}

void TestQtWebView::adjustPath()
{
    QCOMPARE(QtWebViewPrivate::adjustPath(QStringLiteral("html/index.html")),
             QCoreApplication::applicationDirPath() + "/../Resources/html/index.html");
    QCOMPARE(QtWebViewPrivate::adjustPath(QStringLiteral("/tmp/../tmp/x")), QStringLiteral("/tmp/x"));
    // The build lays the bundle out beside the executables.
    QVERIFY(QFileInfo::exists(QtWebViewPrivate::adjustPath(QStringLiteral("html/index.html"))));
}

QTEST_MAIN(TestQtWebView)
#include "tst_qtwebview.moc"
