// The desktop view on a real WebKit page: the access key, the exact answers, the frame-id road, the script object.
#include <QMenuBar>
#include <QWebFrame>
#include <QWebPage>
#include <QtTest>

#include "core/AppSettings.h"
#include "DesktopTestPage.h"
#include "desktop/QtObj.h"
#include "desktop/QtWebViewPrivate.h"
#include "devtools/HelpBrowserDialog.h"
#include "devtools/JsInjectorDialog.h"

namespace {

// The host page records, as JSON in window.calls, every call of the functions a page must define.
const char* const HOST_PAGE = R"(<!DOCTYPE html><html><head><script>
var calls = [], ret = 'page value', key = '';
function setCookie(name, value) { calls.push(['setCookie', name, value]); key = value; }
function invokeCallback(name, result, state) { calls.push(['invokeCallback', name, result, state]); }
function invokeOnErrorCallback(frame, code, items) { calls.push(['invokeOnErrorCallback', frame, code, items]); }
</script></head><body><iframe src="child.html"></iframe><iframe src="about:blank"></iframe></body></html>)";

const char* const CHILD_PAGE = R"(<script>var ret = 'child value';</script><iframe src="nested.html"></iframe>)";

} // namespace

class TestQtWebView : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QtWebView m_view;

    QWebFrame* mainFrame() { return m_view.graphicsWebView()->page()->mainFrame(); }
    QVariant eval(const QString& script) { return mainFrame()->evaluateJavaScript(script); }
    // The calls the page has seen since the last one.
    QString takeCalls() { return eval(QStringLiteral("var s = JSON.stringify(calls); calls = []; s")).toString(); }

private slots:
    void initTestCase()
    {
        QVERIFY(writeFile(m_dir.filePath("index.html"), HOST_PAGE));
        QVERIFY(writeFile(m_dir.filePath("child.html"), CHILD_PAGE));
        QVERIFY(writeFile(m_dir.filePath("nested.html"), "<p>nested</p>"));
        QVERIFY(loadPage(m_view, m_dir.filePath("index.html")));
        // The page has been handed its key, and nothing else.
        QCOMPARE(takeCalls(), QStringLiteral(R"([["setCookie","QT_ACCESS_KEY_COOKIE","%1"]])").arg(m_view.accessKey()));
    }

    void callIsAnsweredExactly_data(); // defined below the class: moc misreads the raw strings in it
    void callIsAnsweredExactly()
    {
        QFETCH(QString, call);
        QFETCH(QString, answer);
        eval(call);
        QCOMPARE(takeCalls(), answer);
        // Whatever the call was, the program is still there and answers the next one.
        eval(QStringLiteral("QtObj.registerExtension(key, 'alive', 99, 'vhx', true);"));
        QCOMPARE(takeCalls(), QStringLiteral(R"([["invokeCallback","alive",[99,true,0,""],0]])"));
    }

    void frameIdRoad()
    {
        const QList<QWebFrame*> frames = mainFrame()->childFrames();
        QCOMPARE(frames.size(), 2);
        QWebFrame *content = frames.first(), *remote = frames.last(), *nested = content->childFrames().value(0);
        QVERIFY(nested);
        const uint contentId =
            content->evaluateJavaScript(QStringLiteral("qtCallbackParameters(['text', 42, true, 'x']);")).toUInt();
        const uint nestedId = nested->evaluateJavaScript(QStringLiteral("qtCallbackParameters([]);")).toUInt();

        QtWebViewPrivate* d = m_view.privateObject();
        QCOMPARE(d->frame(contentId), content);
        QCOMPARE(d->frame(nestedId), nested);
        // Ids never handed out find nothing, nor does the -1 a frame without the script object reads.
        QVERIFY(!d->frame(0) && !d->frame(4000) && !d->frame(4294967295u));

        // Read back, and out of range the empty value of each kind.
        const QVariantList read = {d->callbackParmsCount(content), d->callbackParmToString(content, 0),
            d->callbackParmToInt(content, 1), d->callbackParmToBool(content, 2), d->callbackParmToString(content, 9),
            d->callbackParmToInt(content, 9), d->callbackParmToBool(content, 9)};
        QCOMPARE(read, (QVariantList{4, "text", 42, true, "", 0, false}));
        d->callbackParmsClear(content);
        QCOMPARE(d->callbackParmsCount(content), 0);
        // A frame that is not a local file gets neither the script object nor the frame functions.
        QCOMPARE(remote->evaluateJavaScript(QStringLiteral("typeof QtObj + typeof frameId")).toString(),
                 QStringLiteral("undefinedundefined"));

        // The lookups leave the pages' own globals alone.
        QCOMPARE(content->evaluateJavaScript(QStringLiteral("ret")).toString(), QStringLiteral("child value"));
        QCOMPARE(eval(QStringLiteral("ret")).toString(), QStringLiteral("page value"));
    }

    void scriptObjectExposesOnlyItsOperations()
    {
        // The view's own public slots and properties must stay out of the page's reach.
        const QString probe = QStringLiteral(
            "['registerExtension', 'registerMimeType', 'deleteLater', 'close', 'hide', 'setStyleSheet', 'windowTitle']"
            ".map(function (name) { return typeof QtObj[name]; }).join(' ')");
        const QString expected = QStringLiteral("function function undefined undefined undefined undefined undefined");
        QCOMPARE(eval(probe).toString(), expected);
        QCOMPARE(mainFrame()->childFrames().value(0)->evaluateJavaScript(probe).toString(), expected);
    }

    // The index the bridge passes for a member it could not match reaches no member, method or property.
    void unmatchedIndexReachesNothing()
    {
        QObject* script = m_view.privateObject()->scriptObject();
        for (QMetaObject::Call call : {QMetaObject::InvokeMetaMethod, QMetaObject::ReadProperty,
                                       QMetaObject::WriteProperty, QMetaObject::ResetProperty,
                                       QMetaObject::QueryPropertyDesignable, QMetaObject::QueryPropertyUser}) {
            QString value = QStringLiteral("untouched");
            void* args[] = {&value, nullptr, nullptr};
            QCOMPARE(script->qt_metacall(call, -1, args), -1);
            QCOMPARE(value, QStringLiteral("untouched"));
        }
        QCOMPARE(script->objectName(), QString());
    }

    void developerMenuAndHelpDialogs()
    {
        AppSettings settings;
        const bool configured = settings.developerOptions();
        settings.setDeveloperOptions(false);
        QtWebView plain;
        settings.setDeveloperOptions(true);
        QtWebView view;
        settings.setDeveloperOptions(configured);
        QCOMPARE(plain.menuBar()->actions().size(), 1);
        QCOMPARE(view.menuBar()->actions().size(), 2);

        JsInjectorDialog* injector = view.findChild<JsInjectorDialog*>();
        QVERIFY(injector && !injector->isVisible());
        QAction* showInjector = view.menuBar()->actions().first()->menu()->actions().first();
        showInjector->trigger();
        QVERIFY(injector->isVisible());
        QCOMPARE(injector->webView, view.graphicsWebView());
        // One dialog for the life of the view: a second request shows the same one.
        showInjector->trigger();
        QCOMPARE(view.findChildren<JsInjectorDialog*>().size(), 1);

        // A help dialog per request, freed when closed.
        QAction* help = view.menuBar()->actions().last()->menu()->actions().first();
        help->trigger();
        help->trigger();
        const auto dialogs = view.findChildren<HelpBrowserDialog*>();
        QCOMPARE(dialogs.size(), 2);
        QPointer<HelpBrowserDialog> first(dialogs.first()), second(dialogs.last());
        QVERIFY(first->isVisible() && first->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first && second && second->isVisible());
    }

    void adjustPath()
    {
        QVERIFY(QFileInfo::exists(QtWebViewPrivate::adjustPath(QStringLiteral("html/index.html"))));
        QCOMPARE(QtWebViewPrivate::adjustPath(QStringLiteral("/tmp/../tmp/x")), QStringLiteral("/tmp/x"));
    }
};

void TestQtWebView::callIsAnsweredExactly_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("answer");
    // A refused key reaches the error channel only: the operation is neither done nor answered.
    const QString registration = QStringLiteral("QtObj.registerExtension(%1, 'cb', 1, 'zzz', true);");
    const QString wrong = QStringLiteral(R"([["invokeOnErrorCallback",null,4,["Invalid access key provided."]]])");
    const QString missing = QStringLiteral(R"([["invokeOnErrorCallback",null,4,["No access key provided."]]])");
    QTest::newRow("wrong key") << registration.arg("'wrong'") << wrong;
    QTest::newRow("key in the wrong case")
        << registration.arg("key.toLowerCase() == key ? key.toUpperCase() : key.toLowerCase()") << wrong;
    QTest::newRow("key prefix") << registration.arg("key.slice(0, -1)") << wrong;
    QTest::newRow("key with one letter changed")
        << registration.arg("key.slice(0, -1) + (key.slice(-1) == 'a' ? 'b' : 'a')") << wrong;
    QTest::newRow("blank key") << registration.arg("'   '") << missing;
    QTest::newRow("no key") << registration.arg("null") << missing;
    QTest::newRow("wrong key, PDF") << "QtObj.tavrinDocToPdf('nope', 'onPdf', 5, 'text', 'x');" << wrong;

    QTest::newRow("success") << "QtObj.registerExtension(key, 'onDone', 7, 'vhx', true);"
                             << R"([["invokeCallback","onDone",[7,true,0,""],0]])";
    QTest::newRow("failure") << "QtObj.registerExtension(key, 'onDone', 8, ' . ', true);"
        << R"([["invokeCallback","onDone",[8,false,1000,"Could not register extension: \" . \""],0]])";
    QTest::newRow("quoted callback name") << "QtObj.registerExtension(key, \"it's\", 9, 'vhx', false);"
                                          << R"([["invokeCallback","it's",[9,true,0,""],0]])";
    QTest::newRow("no callback, no answer") << "QtObj.registerExtension(key, '', 10, 'vhx', false);" << "[]";
    // U+2028 raw inside a script literal is a syntax error: the answer would never arrive.
    QTest::newRow("line separator") << "QtObj.registerMimeType(key, 'cb', 3, '', 'a\\u2028b', true, true);"
        << QString(R"([["invokeCallback","cb",[3,false,1000,"Could not register mime type: \"\" with associated )"
                   R"(extension: \"a%1b\""],0]])").arg(QChar(0x2028));

    // Calls the bridge cannot match to a slot do nothing at all; arguments of the wrong kind are converted.
    for (const char* slot : {"registerExtension", "registerMimeType", "tavrinDocToPdf", "sendMail"})
        QTest::newRow(qPrintable(QStringLiteral("%1, no arguments").arg(slot)))
            << QStringLiteral("QtObj.%1();").arg(slot) << "[]";
    QTest::newRow("registerExtension, too few") << "QtObj.registerExtension(key, 'cb', 1, 'vhx');" << "[]";
    QTest::newRow("registerMimeType, too few") << "QtObj.registerMimeType(key, 'cb', 1, 'text/x-a');" << "[]";
    QTest::newRow("tavrinDocToPdf, too few") << "QtObj.tavrinDocToPdf(key, 'cb', 1, '<tavrindoc/>');" << "[]";
    QTest::newRow("sendMail, too few") << "QtObj.sendMail(key, 'cb', 1, 'a@b.org');" << "[]";
    QTest::newRow("sendMail, one too few") << "QtObj.sendMail(key, 'cb', 1, 'a@b.org', 's');" << "[]";
    // undefined converts to no text and NaN to no call number: neither call is matched.
    QTest::newRow("undefined everywhere")
        << "QtObj.registerExtension(undefined, undefined, undefined, undefined, undefined);" << "[]";
    QTest::newRow("NaN call number") << "QtObj.registerExtension(key, 'cb', NaN, 'vhx', true);" << "[]";
    QTest::newRow("objects") << "QtObj.registerExtension({}, {}, {}, {}, {});" << wrong;
    QTest::newRow("objects after the key") << "QtObj.registerExtension(key, {a: 1}, [2], 'vhx', {});"
                                           << R"([["invokeCallback","[object Object]",[2,true,0,""],0]])";
    QTest::newRow("null and strings for numbers")
        << "QtObj.tavrinDocToPdf(key, 'cb', 'seven', null, null);"
        << R"([["invokeCallback","cb",[0,false,1000,"Could not convert Tavrin XML to PDF. The xml data was not provided."],0]])";
    QTest::newRow("sendMail, frame id of the wrong kind") << "QtObj.sendMail(NaN); QtObj.sendMail({}); QtObj.sendMail(undefined); "
                                                "QtObj.sendMail(null); QtObj.sendMail('x');" << "[]";
    QTest::newRow("sendMail, objects") << "QtObj.sendMail({}, {}, {}, {}, {}, {});" << wrong;
    QTest::newRow("sendMail, undefined key") << "QtObj.sendMail(undefined, 'cb', NaN, null, {}, undefined);" << "[]";
}

QTEST_MAIN(TestQtWebView)
#include "tst_qtwebview.moc"
