// The page's mail request on a real WebKit page. It empties <build>/Resources/temp,
// which one row turns into a file for a moment: no other test may use that folder.
#include <QtTest>

#include <QWebFrame>
#include <QWebPage>

#include "DesktopTestPage.h"
#include "core/TempFileManager.h"
#include "desktop/QtWebViewPrivate.h"
#include "mail/MailTestSupport.h"

namespace {

const QString D = QStringLiteral("_INTRADELIM_");

// The host page records every call of the page functions the program calls,
// as JSON text; the key is kept in window.key (parent.key in the content).
const char* const HOST_PAGE = R"(<!DOCTYPE html><html><head><script>
var calls = [], key = '';
function setCookie(name, value) { key = value; }
function invokeCallback(name, result, state) { calls.push(['invokeCallback', name, result, state]); }
function invokeOnErrorCallback(frame, code, items) { calls.push(['invokeOnErrorCallback', frame, code, items]); }
function callsJson() { return JSON.stringify(calls); }
</script></head><body><iframe name="contentFrame" src="content.html"></iframe></body></html>)";

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

    MailTest::Sandbox m_sandbox;
    QTemporaryDir m_pages;
    QScopedPointer<QtWebView> m_view;

private slots:
    void init()
    {
        QVERIFY(writeFile(m_pages.filePath("index.html"), HOST_PAGE));
        QVERIFY(writeFile(m_pages.filePath("content.html"), "<html><body>content</body></html>"));
        QVERIFY(m_sandbox.registerMailClient("Test Mailer"));
        QVERIFY(m_sandbox.addStandIn("xdg-open"));
        QVERIFY(m_sandbox.addStandIn("thunderbird-mailer"));
        QVERIFY(m_sandbox.addStandIn("osascript", true, "execution error: Mail got an error (-1728)\n"));
        QVERIFY(writeFile(marker(), "earlier file"));
        m_view.reset(new QtWebView);
        QVERIFY(loadPage(*m_view, m_pages.filePath("index.html")));
        QVERIFY(contentFrame());
    }

    // The program's view, made as it starts, removes the attachment folders
    // an earlier run left once a day old (tests/app checks that with the
    // clock moved on), and links of their names (never what they point to).
    // Younger folders stay, for a mail client still running since before
    // the restart; other folders and the files stay for the page's request.
    void startKeepsFreshRequestFolders()
    {
        const QDir temp(tempDir());
        const QStringList requestForms = {"20250101120000", "20250101120000-2", "20261231235959-17"};
        const QStringList otherForms = {"keep", "2025010112000", "202501011200001", "20250101120000-", "20250101120000-x",
                                        "20250101120000.d"};
        for (const QString& name : requestForms + otherForms)
            QVERIFY(writeFile(temp.filePath(name + "/invoice.txt"), "x"));
        QVERIFY(writeFile(temp.filePath("20250101120001"), "a file of that form"));
        const QString outside = m_pages.filePath("outside");
        QVERIFY(writeFile(outside + "/precious.txt", "kept"));
        QVERIFY(QFile::link(outside, temp.filePath("20250101120002")));
        QVERIFY(QFile::link(m_pages.filePath("nowhere"), temp.filePath("20250101120003")));
        QVERIFY(QFile::link(outside + "/precious.txt", temp.filePath("20250101120004")));
        QtWebView view;
        QStringList left = temp.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        left.removeOne(QFileInfo(marker()).fileName());
        left.sort();
        QStringList kept = requestForms + otherForms + QStringList{"20250101120001"};
        kept.sort();
        QCOMPARE(left, kept);
        for (const QString& name : requestForms + otherForms)
            QCOMPARE(readBytes(temp.filePath(name + "/invoice.txt")), QByteArray("x"));
        QCOMPARE(readBytes(outside + "/precious.txt"), QByteArray("kept"));
        // The rows below each expect their request's folder alone.
        for (const QString& name : requestForms)
            QVERIFY(QDir(temp.filePath(name)).removeRecursively());
    }

    void cleanupTestCase() { QDir(tempDir()).removeRecursively() && QDir().mkpath(tempDir()); }

    // The answer, the calling frame's store and the temporary folder after a
    // call; a sent message reaches the desktop's handler with the page's values.
    void sendMail_data()
    {
        QTest::addColumn<QString>("client"); // none when empty
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<QStringList>("eml"); // as Python's email package reads it; Thunderbird's arguments, %1 the folder URL

        // A refused key gets code 4 alone; the store is emptied before the check.
        const QString refused = QStringLiteral(R"([["invokeOnErrorCallback",null,4,["%1 access key provided."]]])");
        const QString invalid = refused.arg("Invalid");
        const auto failed = [](int code, const QString& text) { return answer("5", QString(R"(false,%1,"%2")").arg(code).arg(text)); };
        const QString call = frameCall({"parent.key", "'cb'", "5", "'a@x.org'", "'s'", "'m'"});
        const QString store = "qtCallbackParameters([parent.key, 'cb', 1, 'a@x.org', 's', 'm']);";
        const QString tester = "Test Mailer";
        const QStringList none;
        QTest::newRow("keyed, wrong key") << tester << "QtObj.sendMail('wrong', 'cb', 1, 'a', 's', 'm');" << invalid << none;
        QTest::newRow("frame id, wrong key") << tester << frameCall({"'wrong'", "'cb'", "1", "'a'", "'s'", "'m'"}) << invalid << none;
        QTest::newRow("frame id, no store") << tester << "QtObj.sendMail(frameId());" << refused.arg("No") << none;
        QTest::newRow("no mail client") << "" << call << failed(1000, "A default mail client has not been setup on this computer.") << none;
        // A call too short for the keyed form lands in the frame-id form with
        // 0, which names no frame: no answer, the store stays.
        QTest::newRow("five arguments") << tester << store + "QtObj.sendMail(parent.key, 'cb', 1, 'a@x.org', 's');" << "[]" << none;
        // No file can be written (a file in place of the temporary folder stops
        // root too), no client program to start, the client's own error.
        QTest::newRow("no file") << tester << call << failed(1003, "File creation failed.") << none;
        QTest::newRow("no program") << "Mozilla Thunderbird" << call << failed(1000, "Mail client launch failed.") << none;
        QTest::newRow("client error") << "Mail" << call << failed(2000, "execution error: Mail got an error (-1728)\\n") << none;

        // Ten arguments: the longest call the script bridge delivers. Without
        // flags (the eleventh argument) only the first pair counts.
        QTest::newRow("keyed form")
            << tester << "QtObj.sendMail(parent.key, 'cb', 7, 'a@x.org; ;;b@y.org', 'Hello \u00e9t\u00e9', 'Line one\\nLine two', "
               "'c@x.org', ';d@x.org;', 'notes.txt', 'some notes');"
            << answer("7", R"(true,0,"")")
            << QStringList{"To: a@x.org, b@y.org", "Cc: c@x.org", "Bcc: d@x.org", QString::fromUtf8("Subject: Hello \u00e9t\u00e9"),
                           "X-Priority: 3", "plain: Line one\nLine two", "attachment: notes.txt=some notes"};

        // A call number above 2^31 comes back as the page's signed integer.
        // The attachment lists pair by position once each is cleaned of
        // blank items; only the flag 1 marks data as binary (Base64).
        const QString png = QString::fromLatin1(QByteArray("\x89PNG\r\n\x1a\n binary").toBase64());
        QTest::newRow("frame-id form, HTML, high priority")
            << tester << frameCall({"parent.key", "'cb'", "3000000000", "'to@x.org'", "'Report'", "'<p>Hi <b>there</b></p>'",
                          "'cc1@x.org;cc2@x.org'", "''", jsString(QStringList{"image.png", " ", "a.txt", "b.txt", "c.txt"}.join(D)),
                          jsString(QStringList{png, "A", "", "aGVsbG8="}.join(D)), jsString(QStringList{"1", "0", "true", "0"}.join(D)),
                          "true", "2", "true"})
            << answer("-1294967296", R"(true,0,"")")
            << QStringList{"To: to@x.org", "Cc: cc1@x.org, cc2@x.org", "Subject: Report", "X-Priority: 1",
                           "plain: <p>Hi <b>there</b></p>", "html: <p>Hi <b>there</b></p>",
                           "attachment: image.png=\\x89PNG\r\n\x1a\n binary", "attachment: a.txt=A", "attachment: b.txt=aGVsbG8="};
        // A NUL cuts no argument short, and names differing only in lone
        // surrogates name two files.
        QTest::newRow("thunderbird, NUL and lone surrogates")
            << "Mozilla Thunderbird"
            << frameCall({"parent.key", "'cb'", "8", "'a@x.org'", "'Hello\\u0000world'", "'Hi\\u0000there'", "''", "''",
                          "'report\\ud800.txt" + D + "report\\udc00.txt'", "'one" + D + "two'", "'0" + D + "0'"})
            << answer("8", R"(true,0,"")")
            << QStringList{"-compose", "to='a@x.org',subject='Helloworld',format='2',body='Hithere',"
                                       "attachment='%1/report%EF%BF%BD.txt,%1/report%EF%BF%BD%20(2).txt'"};
    }

    void sendMail()
    {
        QFETCH(QString, client);
        QFETCH(QString, call);
        QFETCH(QString, calls);
        QFETCH(QStringList, eml);
        const bool thunderbird = client.contains("Thunderbird");
        if (!eml.isEmpty() && !thunderbird && QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("Opening a file with the desktop's handler needs X (xcb).");
        QVERIFY(m_sandbox.registerMailClient(client, thunderbird && eml.isEmpty() ? m_sandbox.path("bin/thunderbird-none") : QString()));
        const bool noFile = QTest::currentDataTag() == QLatin1String("no file");
        if (noFile)
            QVERIFY(QDir(tempDir()).removeRecursively() && writeFile(tempDir(), "not a folder"));
        contentFrame()->evaluateJavaScript(call);
        const QString answered = callsJson();
        if (noFile)
            QVERIFY(QFile::remove(tempDir()));
        QCOMPARE(answered, calls);
        QCOMPARE(storeSize(contentFrame()), calls == "[]" ? 6 : 0);
        QCOMPARE(QFile::exists(marker()), !calls.contains(QRegularExpression("failed|error|true")));
        if (eml.isEmpty())
            return;
        if (thunderbird) {
            // Each attachment URL names a file of its own, holding its data.
            QTRY_VERIFY(QFile::exists(m_sandbox.path("thunderbird-mailer.args")));
            // In the request's own folder, the only one: no earlier row made one.
            const QStringList requestFolders = QDir(tempDir()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
            QCOMPARE(requestFolders.size(), 1);
            const QString folder = QUrl::fromLocalFile(QDir(tempDir()).absoluteFilePath(requestFolders.first())).toString(QUrl::FullyEncoded);
            QCOMPARE(m_sandbox.arguments("thunderbird-mailer"), eml.replaceInStrings("%1", folder));
            QStringList data;
            for (const QString& url : eml.last().section("attachment='", 1).chopped(1).split(','))
                data << QString::fromUtf8(readBytes(QUrl(url).toLocalFile()));
            QCOMPARE(data, QStringList({"one", "two"}));
            return;
        }
        // Handed over from the request's own folder in the bundle's temporary folder.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_sandbox.path("xdg-open.args")), 10000);
        const QFileInfo handedOver(QUrl(m_sandbox.arguments("xdg-open").value(0)).toLocalFile());
        const QFileInfo requestFolder(handedOver.canonicalPath());
        QCOMPARE(requestFolder.path(), QFileInfo(tempDir()).canonicalFilePath());
        QVERIFY(TempFileManager::isRequestFolderName(requestFolder.fileName()));
        QCOMPARE(MailTest::strings(MailTest::parseEml(m_sandbox.path("xdg-open.eml")).value("summary")), eml);
        // The rows below each expect their request's folder alone.
        QVERIFY(QDir(requestFolder.filePath()).removeRecursively());
    }
};

// Files open through xdg-open only on a real X platform.
static const bool ON_DISPLAY = !qEnvironmentVariableIsEmpty("DISPLAY") && qputenv("QT_QPA_PLATFORM", "xcb");

QTEST_MAIN(TestSendMail)

#include "tst_sendmail.moc"
