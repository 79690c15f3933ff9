// The page's mail request on a real WebKit page. sendMail empties the
// bundle's temporary folder (<build>/Resources/temp) on every call that
// passes the key and client checks, and one test here turns that folder into
// a file for a moment: no other test of the build may use Resources/temp.
#include <QtTest>

#include <QGraphicsWebView>
#include <QWebFrame>
#include <QWebPage>

#include "DesktopTestPage.h"
#include "desktop/QtWebViewPrivate.h"
#include "mail/MailTestSupport.h"

namespace {

const QString D = QStringLiteral("_INTRADELIM_");

// The host page records every call of the page functions the program calls,
// as JSON text; the key is kept in window.key (parent.key in the content).
const char* const HOST_PAGE = R"(<!DOCTYPE html><html><head><script>
var calls = [];
var key = '';
function setCookie(name, value) { key = value; }
function invokeCallback(name, result, state) { calls.push(['invokeCallback', name, result, state]); }
function invokeOnErrorCallback(frame, code, items) { calls.push(['invokeOnErrorCallback', frame, code, items]); }
function callsJson() { return JSON.stringify(calls); }
</script></head><body><iframe name="contentFrame" src="content.html"></iframe></body></html>)";

MailTest::Sandbox* sandbox = nullptr;
bool underX = false;

QString jsString(const QString& text) { return "'" + WebView::escapeJsSingleQuotedLiteral(text) + "'"; }

// Stores the values in the calling frame and calls the frame-id form.
QString frameCall(const QStringList& values)
{
    return "var id = qtCallbackParameters([" + values.join(',') + "]); QtObj.sendMail(id);";
}

QString answer(const QString& id, const QString& result)
{
    return QStringLiteral(R"([["invokeCallback","cb",[%1,%2],0]])").arg(id, result);
}

} // namespace

class TestSendMail : public QObject
{
    Q_OBJECT

    QWebFrame* mainFrame() { return m_view->graphicsWebView()->page()->mainFrame(); }
    QWebFrame* contentFrame() { return mainFrame()->childFrames().value(0); }
    QString callsJson() { return mainFrame()->evaluateJavaScript("callsJson();").toString(); }
    int storeSize(QWebFrame* frame) { return m_view->privateObject()->callbackParmsCount(frame); }
    QString tempDir() const { return QtWebViewPrivate::adjustPath("temp"); }
    QString marker() const { return tempDir() + "/left-by-someone.txt"; }

    QTemporaryDir m_pages;
    QScopedPointer<QtWebView> m_view;

private slots:
    void init()
    {
        QVERIFY(writeFile(m_pages.filePath("index.html"), HOST_PAGE));
        QVERIFY(writeFile(m_pages.filePath("content.html"), "<html><body>content</body></html>"));
        QVERIFY(sandbox->registerMailClient("Test Mailer"));
        QVERIFY(sandbox->addStandIn("xdg-open"));
        QVERIFY(writeFile(marker(), "earlier file"));
        m_view.reset(new QtWebView);
        QVERIFY(loadPage(*m_view, m_pages.filePath("index.html")));
        QCOMPARE(mainFrame()->evaluateJavaScript("key").toString(), m_view->accessKey());
        QVERIFY(contentFrame());
    }

    void cleanup() { m_view.reset(); }
    void cleanupTestCase() { QDir(tempDir()).removeRecursively() && QDir().mkpath(tempDir()); }

    // What a call gets back and leaves in the calling frame's store; only one
    // that passes the key and client checks empties the temporary folder.
    void answers_data()
    {
        QTest::addColumn<QString>("client"); // none when empty
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<int>("storeLeft");

        // A refused key gets code 4 alone; the store is emptied before the check.
        const QString refused = QStringLiteral(R"([["invokeOnErrorCallback",null,4,["%1"]]])");
        const QString tester = "Test Mailer";
        QTest::newRow("keyed, wrong key") << tester << "QtObj.sendMail('wrong', 'cb', 1, 'a@x.org', 's', 'm');"
                                          << refused.arg("Invalid access key provided.") << 0;
        QTest::newRow("frame id, wrong key")
            << tester << frameCall({"'wrong'", "'cb'", "1", "'a@x.org'", "'s'", "'m'", "''", "''", "''", "''", "''", "true", "2", "true"})
            << refused.arg("Invalid access key provided.") << 0;
        QTest::newRow("frame id, no store") << tester << "QtObj.sendMail(frameId());" << refused.arg("No access key provided.") << 0;
        const QString call = frameCall({"parent.key", "'cb'", "5", "'a@x.org'", "'s'", "'m'"});
        QTest::newRow("no mail client")
            << "" << call << answer("5", R"(false,1000,"A default mail client has not been setup on this computer.")") << 0;

        // A frame id that names no frame gets no answer and leaves the store.
        const QString store = "qtCallbackParameters([parent.key, 'cb', 1, 'a@x.org', 's', 'm']);";
        QTest::newRow("id no frame has") << tester << store + "QtObj.sendMail(4000);" << "[]" << 6;
        // Too few arguments for the keyed form: the bridge lands in the frame-id
        // form with 0.
        QTest::newRow("five arguments") << tester << store + "QtObj.sendMail(parent.key, 'cb', 1, 'a@x.org', 's');" << "[]" << 6;

        // Failed sends: no file can be written (a file in place of the
        // temporary folder stops root as well), no client program to start
        // (this Thunderbird's is not there), the client's own error.
        QTest::newRow("no file") << tester << call << answer("5", R"(false,1003,"File creation failed.")") << 0;
        QTest::newRow("no program") << "Mozilla Thunderbird" << call << answer("5", R"(false,1000,"Mail client launch failed.")") << 0;
        QTest::newRow("client error") << "Mail" << call << answer("5", R"(false,2000,"execution error: Mail got an error (-1728)\n")") << 0;
    }

    void answers()
    {
        QFETCH(QString, client);
        QFETCH(QString, call);
        QFETCH(QString, calls);
        QFETCH(int, storeLeft);
        QVERIFY(sandbox->registerMailClient(client, client.contains("Thunderbird") ? sandbox->path("bin/none") : QString()));
        QVERIFY(sandbox->addStandIn("osascript", true, "execution error: Mail got an error (-1728)\n", 1));
        const bool noFile = QTest::currentDataTag() == QLatin1String("no file");
        if (noFile)
            QVERIFY(QDir(tempDir()).removeRecursively() && writeFile(tempDir(), "not a folder"));
        contentFrame()->evaluateJavaScript(call);
        const QString answered = callsJson();
        QFile::remove(sandbox->path("bin/osascript"));
        if (noFile)
            QVERIFY(QFile::remove(tempDir()));
        QCOMPARE(answered, calls);
        QCOMPARE(storeSize(contentFrame()), storeLeft);
        QCOMPARE(QFile::exists(marker()), !calls.contains(QRegularExpression("failed|error")));
    }

    void emlReachesTheMailClient_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("callId"); // as the page gets it back
        QTest::addColumn<QStringList>("eml"); // as Python's email package reads it

        // Ten arguments: the longest call the script bridge delivers. Without
        // flags (the eleventh argument) only the first pair counts.
        QTest::newRow("keyed form")
            << "QtObj.sendMail(parent.key, 'cb', 7, 'a@x.org; ;;b@y.org', 'Hello \u00e9t\u00e9', 'Line one\\nLine two', "
               "'c@x.org', ';d@x.org;', 'notes.txt', 'some notes');"
            << "7"
            << QStringList{"type: multipart/mixed", "To: a@x.org, b@y.org", "Cc: c@x.org", "Bcc: d@x.org",
                           QString::fromUtf8("Subject: Hello \u00e9t\u00e9"), "X-Priority: 3", "Importance: Normal",
                           "plain: Line one\nLine two", "attachment: notes.txt=some notes"};

        // A call number above 2^31 comes back as the page's signed integer.
        const QString png = QString::fromLatin1(QByteArray("\x89PNG\r\n\x1a\n binary").toBase64());
        QTest::newRow("frame-id form, HTML, high priority")
            << frameCall({"parent.key", "'cb'", "3000000000", "'to@x.org'", "'Report'", "'<p>Hi <b>there</b></p>'",
                          "'cc1@x.org;cc2@x.org'", "''", jsString("image.png" + D + "readme.txt"),
                          jsString(png + D + QString::fromUtf8("Gr\u00fc\u00dfe")), jsString("1" + D + "0"), "true", "2",
                          "true"})
            << "-1294967296"
            << QStringList{"type: multipart/mixed", "To: to@x.org", "Cc: cc1@x.org, cc2@x.org", "Subject: Report",
                           "X-Priority: 1", "Importance: High",
                           "plain: <p>Hi <b>there</b></p>", "html: <p>Hi <b>there</b></p>",
                           "attachment: image.png=\\x89PNG\r\n\x1a\n binary",
                           QString::fromUtf8("attachment: readme.txt=Gr\u00fc\u00dfe")};

        // The attachment lists ("|" between items) pair by position once each
        // list is cleaned; only the flag 1 marks data as binary (Base64).
        const auto attached = [&](QString names, QString data, QString flags, const QStringList& attachments) {
            QStringList eml{attachments.isEmpty() ? "type: text/plain" : "type: multipart/mixed", "To: a@x.org",
                            "Subject: s", "X-Priority: 3", "Importance: Normal", "plain: m"};
            for (const QString& attachment : attachments)
                eml << "attachment: " + attachment;
            QTest::newRow(qPrintable("attachments " + names + " / " + data))
                << frameCall({"parent.key", "'cb'", "2", "'a@x.org'", "'s'", "'m'", "''", "''", jsString(names.replace('|', D)),
                              jsString(data.replace('|', D)), jsString(flags.replace('|', D))})
                << "2" << eml;
        };
        attached("a.txt|b.txt|c.txt", "A|B", "0|0|0", {"a.txt=A", "b.txt=B"});
        attached("a.txt| |c.txt", "A|B|C", "0|0|0", {"a.txt=A", "c.txt=B"});
        attached("a.txt|b.txt|c.txt", "A||C", "0|0|0", {"a.txt=A", "b.txt=C"});
        attached("a.bin|b.txt|c.txt", "aGVsbG8=|aGVsbG8=|aGVsbG8=", "1|0|true", {"a.bin=hello", "b.txt=aGVsbG8=", "c.txt=aGVsbG8="});
        attached("a.txt|b.txt", "", "0|0", {});
    }

    void emlReachesTheMailClient()
    {
        QFETCH(QString, call);
        QFETCH(QString, callId);
        QFETCH(QStringList, eml);
        if (!underX)
            QSKIP("Opening a file with the desktop's handler needs X (xcb).");

        contentFrame()->evaluateJavaScript(call);
        QCOMPARE(callsJson(), answer(callId, R"(true,0,"")"));
        QCOMPARE(storeSize(contentFrame()), 0);
        // Everything an earlier request or export left in the folder is gone.
        QVERIFY(!QFile::exists(marker()));
        // The file is handed over from the bundle's temporary folder.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(sandbox->path("xdg-open.args")), 10000);
        const QString url = sandbox->arguments("xdg-open").value(0);
        QCOMPARE(QFileInfo(QUrl(url).toLocalFile()).canonicalPath(), QFileInfo(tempDir()).canonicalFilePath());
        QCOMPARE(MailTest::strings(MailTest::parseEml(sandbox->path("xdg-open.eml")).value("summary")), eml);
    }

};

int main(int argc, char** argv)
{
    // Set up before the application object: Qt looks for its file launcher
    // once. Files open through xdg-open only on a real X platform.
    MailTest::Sandbox box;
    sandbox = &box;
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    underX = QGuiApplication::platformName() == QLatin1String("xcb");
    TestSendMail test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sendmail.moc"
