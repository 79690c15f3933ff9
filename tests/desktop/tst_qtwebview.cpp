// The desktop view on a real WebKit page: the access key, the answers the
// page receives, the frame-id road and what the script object exposes.
#include <QtTest>

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

    void callIsAnsweredExactly_data();
    void callIsAnsweredExactly();
    void frameIdRoad();
    void scriptObjectExposesOnlyItsOperations();
    void injectorOnlyWithDeveloperOptions_data();
    void injectorOnlyWithDeveloperOptions();
    void helpDialogsAreFreedWhenClosed();
    void adjustPath();

private:
    QVariant eval(const QString& script) { return mainFrame()->evaluateJavaScript(script); }
    QWebFrame* mainFrame() { return m_view->graphicsWebView()->page()->mainFrame(); }
    QWebFrame* childFrame(const QString& name);
    // The calls the page has seen since the last one.
    QString takeCalls() { return eval(QStringLiteral("var s = JSON.stringify(calls); calls = []; s")).toString(); }

    QTemporaryDir m_dir;
    QScopedPointer<QtWebView> m_view;
};

void TestQtWebView::initTestCase()
{
    QVERIFY(writeFile(m_dir.filePath("index.html"), HOST_PAGE));
    QVERIFY(writeFile(m_dir.filePath("child.html"), CHILD_PAGE));
    QVERIFY(writeFile(m_dir.filePath("nested.html"), NESTED_PAGE));
}

void TestQtWebView::init()
{
    MimeTypeMap::resetToBuiltIn();
    m_view.reset(new QtWebView);
    QVERIFY(loadPage(*m_view, m_dir.filePath("index.html")));
    // The page has been handed its key, and nothing else.
    QCOMPARE(takeCalls(),
             QStringLiteral("[[\"setCookie\",\"QT_ACCESS_KEY_COOKIE\",\"%1\"]]").arg(m_view->accessKey()));
}

QWebFrame* TestQtWebView::childFrame(const QString& name)
{
    for (QWebFrame* frame : mainFrame()->findChildren<QWebFrame*>()) {
        if (frame->frameName() == name)
            return frame;
    }
    return nullptr;
}

void TestQtWebView::callIsAnsweredExactly_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("answer");
    // A refused key reaches the error channel only: the operation is neither done nor answered.
    const QString registration = QStringLiteral("QtObj.registerExtension(%1, 'cb', 1, 'zzz', true);");
    const QString refusal = QStringLiteral(R"([["invokeOnErrorCallback",null,4,["%1"]]])");
    const QString invalid = refusal.arg("Invalid access key provided.");
    const QString missing = refusal.arg("No access key provided.");
    QTest::newRow("wrong key") << registration.arg("'wrong'") << invalid;
    QTest::newRow("key in the wrong case")
        << registration.arg("key.toLowerCase() == key ? key.toUpperCase() : key.toLowerCase()") << invalid;
    QTest::newRow("key prefix") << registration.arg("key.slice(0, -1)") << invalid;
    QTest::newRow("key with one letter changed")
        << registration.arg("key.slice(0, -1) + (key.slice(-1) == 'a' ? 'b' : 'a')") << invalid;
    QTest::newRow("blank key") << registration.arg("'   '") << missing;
    QTest::newRow("no key") << registration.arg("null") << missing;
    QTest::newRow("wrong key, PDF") << "QtObj.tavrinDocToPdf('nope', 'onPdf', 5, 'text', 'x');" << invalid;

    QTest::newRow("success") << "QtObj.registerExtension(key, 'onDone', 7, 'vhx', true);"
                             << R"([["invokeCallback","onDone",[7,true,0,""],0]])";
    QTest::newRow("failure")
        << "QtObj.registerExtension(key, 'onDone', 8, ' . ', true);"
        << R"([["invokeCallback","onDone",[8,false,1000,"Could not register extension: \" . \""],0]])";
    QTest::newRow("quoted callback name") << "QtObj.registerExtension(key, \"it's\", 9, 'vhx', false);"
                                          << R"([["invokeCallback","it's",[9,true,0,""],0]])";
    QTest::newRow("no callback, no answer") << "QtObj.registerExtension(key, '', 10, 'vhx', false);" << "[]";
    // U+2028 raw inside a script literal is a syntax error: the answer would never arrive.
    QTest::newRow("line separator")
        << "QtObj.registerMimeType(key, 'cb', 3, '', 'a\\u2028b', true, true);"
        << QString(R"([["invokeCallback","cb",[3,false,1000,"Could not register mime type: \"\" with associated )"
                   R"(extension: \"a%1b\""],0]])").arg(QChar(0x2028));
}

void TestQtWebView::callIsAnsweredExactly()
{
    QFETCH(QString, call);
    QFETCH(QString, answer);
    eval(call);
    QCOMPARE(takeCalls(), answer);
}

void TestQtWebView::frameIdRoad()
{
    QWebFrame* content = childFrame(QStringLiteral("contentFrame"));
    QWebFrame* nested = childFrame(QStringLiteral("nested"));
    QWebFrame* remote = childFrame(QStringLiteral("remote"));
    QVERIFY(content && nested && remote);
    const uint contentId =
        content->evaluateJavaScript(QStringLiteral("qtCallbackParameters(['text', 42, true, 'x']);")).toUInt();
    const uint nestedId = nested->evaluateJavaScript(QStringLiteral("qtCallbackParameters([]);")).toUInt();
    QVERIFY(contentId >= 1 && nestedId >= 1 && contentId != nestedId);

    QtWebViewPrivate* d = m_view->privateObject();
    QCOMPARE(d->frame(contentId), content);
    QCOMPARE(d->frame(nestedId), nested);
    // Ids never handed out find nothing, nor does the -1 a frame without the script object reads.
    QVERIFY(!d->frame(0) && !d->frame(4000) && !d->frame(4294967295u));

    QCOMPARE(d->callbackParmsCount(content), 4);
    QCOMPARE(d->callbackParmToString(content, 0), QStringLiteral("text"));
    QCOMPARE(d->callbackParmToInt(content, 1), 42);
    QCOMPARE(d->callbackParmToBool(content, 2), true);
    QCOMPARE(d->callbackParmToString(content, 9), QStringLiteral(""));
    QCOMPARE(d->callbackParmToInt(content, 9), 0);
    QCOMPARE(d->callbackParmToBool(content, 9), false);
    QCOMPARE(d->callbackParmsCount(nested), 0);
    // A frame that is not a local file gets neither the script object nor the frame functions.
    QCOMPARE(remote->evaluateJavaScript(QStringLiteral("typeof QtObj + typeof frameId")).toString(),
             QStringLiteral("undefinedundefined"));
    QCOMPARE(d->callbackParmsCount(remote), 0);
    d->callbackParmsClear(content);
    QCOMPARE(d->callbackParmsCount(content), 0);

    // The lookups leave the pages' own globals alone.
    QCOMPARE(content->evaluateJavaScript(QStringLiteral("ret")).toString(), QStringLiteral("child value"));
    QCOMPARE(eval(QStringLiteral("ret")).toString(), QStringLiteral("page value"));
}

void TestQtWebView::scriptObjectExposesOnlyItsOperations()
{
    // The view's own public slots and properties must stay out of the page's reach.
    const QString probe = QStringLiteral(
        "['registerExtension', 'registerMimeType', 'deleteLater', 'close', 'hide', 'setStyleSheet', 'windowTitle']"
        ".map(function (name) { return typeof QtObj[name]; }).join(' ')");
    const QString expected = QStringLiteral("function function undefined undefined undefined undefined undefined");
    QCOMPARE(eval(probe).toString(), expected);
    QCOMPARE(childFrame(QStringLiteral("contentFrame"))->evaluateJavaScript(probe).toString(), expected);
}

void TestQtWebView::injectorOnlyWithDeveloperOptions_data()
{
    QTest::addColumn<bool>("developerOptions");
    QTest::newRow("on") << true;
    QTest::newRow("off") << false;
}

void TestQtWebView::injectorOnlyWithDeveloperOptions()
{
    QFETCH(bool, developerOptions);
    AppSettings settings;
    const bool configured = settings.developerOptions();
    settings.setDeveloperOptions(developerOptions);
    QtWebView view;
    settings.setDeveloperOptions(configured);

    const QList<QAction*> menus = view.menuBar()->actions();
    QCOMPARE(menus.size(), developerOptions ? 2 : 1);
    if (!developerOptions)
        return;
    JsInjectorDialog* injector = view.findChild<JsInjectorDialog*>();
    QVERIFY(injector && !injector->isVisible());
    QAction* showInjector = menus.first()->menu()->actions().first();
    showInjector->trigger();
    QVERIFY(injector->isVisible());
    QCOMPARE(injector->webView, view.graphicsWebView());
    // One dialog for the life of the view: a second request shows the same one.
    showInjector->trigger();
    QCOMPARE(view.findChildren<JsInjectorDialog*>().size(), 1);
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
    // The build lays the bundle out beside the executables.
    QVERIFY(QFileInfo::exists(QtWebViewPrivate::adjustPath(QStringLiteral("html/index.html"))));
    QCOMPARE(QtWebViewPrivate::adjustPath(QStringLiteral("/tmp/../tmp/x")), QStringLiteral("/tmp/x"));
}

QTEST_MAIN(TestQtWebView)
#include "tst_qtwebview.moc"
