// The page's mail request on a real WebKit page. sendMail empties the
// bundle's temporary folder (<build>/Resources/temp) on every call that
// passes the key and client checks, and one test here turns that folder into
// a file for a moment: no other test of the build may use Resources/temp.
#include <QtTest>

#include <QGraphicsWebView>
#include <QJsonDocument>
#include <QProcess>
#include <QWebFrame>
#include <QWebPage>

#include "DesktopTestPage.h"
#include "desktop/QtWebViewPrivate.h"

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

// Reads an EML file with Python's email package and lists what it saw, one
// "what: value" item each.
const char* const EML_PARSER = R"(
import sys, json, email, email.policy
msg = email.message_from_bytes(open(sys.argv[1], 'rb').read(), policy=email.policy.default)
out = ['type: ' + msg.get_content_type()]
out += [h + ': ' + str(msg[h]) for h in ('To', 'Cc', 'Bcc', 'Subject', 'X-Priority', 'Importance') if msg[h] is not None]
for part in msg.walk():
    out += ['defect: ' + repr(d) for d in part.defects]
    if part.is_multipart():
        continue
    if part.get_content_disposition() == 'attachment':
        data = part.get_payload(decode=True).decode('utf-8', 'backslashreplace')
        out.append('attachment: ' + part.get_filename() + '=' + data)
    else:
        out.append(part.get_content_subtype() + ': ' + part.get_content().strip())
print(json.dumps(out))
)";

struct Fixture
{
    QTemporaryDir tree;
    bool underX = false;
    bool launcherUsed = false; // Qt has found (and cached) the stand-in
};
Fixture* fixture = nullptr;

QString treePath(const QString& relative) { return fixture->tree.filePath(relative); }

// The mailto: registration that xdg-mime reads; the mail client is a
// program that does nothing, since the EML road only opens the file.
bool registerMailClient(bool registered)
{
    const QByteArray entry = "x-scheme-handler/mailto=vhtestmail.desktop;\n";
    const QString list = treePath("config/mimeapps.list");
    const QString cache = treePath("data/applications/mimeinfo.cache");
    QFile::remove(list);
    QFile::remove(cache);
    return !registered
           || (writeFile(list, "[Default Applications]\n" + entry) && writeFile(cache, "[MIME Cache]\n" + entry));
}

// A private XDG tree with a stand-in mail client and a stand-in xdg-open
// (which copies the file it gets to "received") first on PATH. Qt chooses and
// caches its launcher from the environment, so all of this is in place
// before the application object exists.
bool setUpEnvironment()
{
    const QString bin = treePath("bin");
    const QByteArray xdgOpen = "#!/bin/sh\nexec python3 -c '\n"
                               "import sys, os, shutil, uuid, urllib.parse\n"
                               "url, out = sys.argv[1], sys.argv[2]\n"
                               "name = os.path.join(out, uuid.uuid4().hex)\n"
                               "open(name + \".url\", \"w\").write(url)\n"
                               "shutil.copyfile(urllib.parse.unquote(urllib.parse.urlparse(url).path), name + \".part\")\n"
                               "os.rename(name + \".part\", name + \".eml\")\n"
                               "' \"$1\" '" + QFile::encodeName(treePath("received")) + "'\n";
    if (!fixture->tree.isValid() || !QDir().mkpath(treePath("received"))
        || !writeFile(bin + "/xdg-open", xdgOpen, true) || !writeFile(bin + "/vhtestmail", "#!/bin/sh\nexit 0\n", true)
        || !writeFile(treePath("data/applications/vhtestmail.desktop"),
                      "[Desktop Entry]\nType=Application\nName=Test Mailer\nExec=" + QFile::encodeName(bin)
                          + "/vhtestmail %u\n")
        || !registerMailClient(true))
        return false;
    // "X-Generic" makes xdg-mime read the XDG files and Qt use xdg-open.
    qputenv("XDG_CURRENT_DESKTOP", "X-Generic");
    for (const char* name : {"KDE_FULL_SESSION", "DESKTOP_SESSION", "XDG_MENU_PREFIX", "GNOME_DESKTOP_SESSION_ID"})
        qunsetenv(name);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(treePath("config")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(treePath("config-dirs")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(treePath("data")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(treePath("data-dirs")));
    qputenv("PATH", QFile::encodeName(bin) + ':' + qgetenv("PATH"));
    return true;
}

QStringList receivedFiles(const QString& suffix)
{
    QStringList files;
    for (const QFileInfo& info : QDir(treePath("received")).entryInfoList({"*" + suffix}, QDir::Files))
        files << info.absoluteFilePath();
    return files;
}

QStringList parseEml(const QString& path)
{
    QProcess python;
    python.start("python3", {"-c", QString::fromUtf8(EML_PARSER), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {QString::fromUtf8(python.readAllStandardError())};
    return QJsonDocument::fromJson(python.readAllStandardOutput()).toVariant().toStringList();
}

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
private slots:
    void init();
    void cleanup() { m_view.reset(); }
    void cleanupTestCase() { QDir(tempDir()).removeRecursively() && QDir().mkpath(tempDir()); }
    void sendsNothing_data();
    void sendsNothing();
    void emlReachesTheMailClient_data();
    void emlReachesTheMailClient();
    void unwritableFileAnswers1003();
    void failedLaunchAnswers1000();

private:
    QWebFrame* mainFrame() { return m_view->graphicsWebView()->page()->mainFrame(); }
    QWebFrame* contentFrame() { return mainFrame()->childFrames().value(0); }
    QString callsJson() { return mainFrame()->evaluateJavaScript("callsJson();").toString(); }
    int storeSize(QWebFrame* frame) { return m_view->privateObject()->callbackParmsCount(frame); }
    QString tempDir() const { return QtWebViewPrivate::adjustPath("temp"); }
    QString marker() const { return tempDir() + "/left-by-someone.txt"; }

    QTemporaryDir m_pages;
    QScopedPointer<QtWebView> m_view;
};

void TestSendMail::init()
{
    QVERIFY(writeFile(m_pages.filePath("index.html"), HOST_PAGE));
    QVERIFY(writeFile(m_pages.filePath("content.html"), "<html><body>content</body></html>"));
    QVERIFY(registerMailClient(true));
    for (const QString& file : receivedFiles(QString()))
        QFile::remove(file);
    QVERIFY(writeFile(marker(), "earlier file"));

    m_view.reset(new QtWebView);
    QVERIFY(loadPage(*m_view, m_pages.filePath("index.html")));
    QCOMPARE(mainFrame()->evaluateJavaScript("key").toString(), m_view->accessKey());
    QVERIFY(contentFrame());
}

void TestSendMail::sendsNothing_data()
{
    QTest::addColumn<bool>("client");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("calls");
    QTest::addColumn<int>("storeLeft");

    // A refused key gets code 4 alone; the store is emptied before the check.
    const QString refused = QStringLiteral(R"([["invokeOnErrorCallback",null,4,["%1"]]])");
    QTest::newRow("keyed, wrong key") << true << "QtObj.sendMail('wrong', 'cb', 1, 'a@x.org', 's', 'm');"
                                      << refused.arg("Invalid access key provided.") << 0;
    QTest::newRow("frame id, wrong key")
        << true << frameCall({"'wrong'", "'cb'", "1", "'a@x.org'", "'s'", "'m'", "''", "''", "''", "''", "''", "true", "2", "true"})
        << refused.arg("Invalid access key provided.") << 0;
    QTest::newRow("frame id, no store") << true << "QtObj.sendMail(frameId());"
                                        << refused.arg("No access key provided.") << 0;

    const QString noClient = answer("5", R"(false,1000,"A default mail client has not been setup on this computer.")");
    QTest::newRow("no mail client, keyed") << false << "QtObj.sendMail(parent.key, 'cb', 5, 'a@x.org', 's', 'm');"
                                           << noClient << 0;
    QTest::newRow("no mail client, frame id") << false << frameCall({"parent.key", "'cb'", "5", "'a@x.org'", "'s'", "'m'"})
                                              << noClient << 0;

    // A frame id that names no frame gets no answer and leaves the store.
    const QString store = "qtCallbackParameters([parent.key, 'cb', 1, 'a@x.org', 's', 'm']);";
    QTest::newRow("id no frame has") << true << store + "QtObj.sendMail(4000);" << "[]" << 6;
    // Too few arguments for the keyed form: the bridge lands in the frame-id
    // form with 0.
    QTest::newRow("five arguments") << true << store + "QtObj.sendMail(parent.key, 'cb', 1, 'a@x.org', 's');" << "[]" << 6;
}

void TestSendMail::sendsNothing()
{
    QFETCH(bool, client);
    QFETCH(QString, call);
    QFETCH(QString, calls);
    QFETCH(int, storeLeft);
    QVERIFY(registerMailClient(client));
    contentFrame()->evaluateJavaScript(call);
    QCOMPARE(callsJson(), calls);
    QCOMPARE(storeSize(contentFrame()), storeLeft);
    // The temporary folder is untouched.
    QVERIFY(QFile::exists(marker()));
}

void TestSendMail::emlReachesTheMailClient_data()
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

void TestSendMail::emlReachesTheMailClient()
{
    QFETCH(QString, call);
    QFETCH(QString, callId);
    QFETCH(QStringList, eml);
    if (!fixture->underX)
        QSKIP("Opening a file with the desktop's handler needs X (xcb).");

    contentFrame()->evaluateJavaScript(call);
    QCOMPARE(callsJson(), answer(callId, R"(true,0,"")"));
    QCOMPARE(storeSize(contentFrame()), 0);
    // Everything an earlier request or export left in the folder is gone.
    QVERIFY(!QFile::exists(marker()));

    QTRY_COMPARE_WITH_TIMEOUT(receivedFiles(".eml").size(), 1, 10000);
    fixture->launcherUsed = true;
    // The file is handed over from the bundle's temporary folder.
    QFile url(receivedFiles(".url").value(0));
    QVERIFY(url.open(QIODevice::ReadOnly));
    QCOMPARE(QFileInfo(QUrl(QString::fromUtf8(url.readAll())).toLocalFile()).canonicalPath(),
             QFileInfo(tempDir()).canonicalFilePath());
    QCOMPARE(parseEml(receivedFiles(".eml").value(0)), eml);
}

void TestSendMail::unwritableFileAnswers1003()
{
    // Permissions do not stop root: a file in place of the temporary folder
    // makes the EML file impossible to write for anyone.
    QVERIFY(QDir(tempDir()).removeRecursively());
    QVERIFY(writeFile(tempDir(), "not a folder"));
    contentFrame()->evaluateJavaScript(frameCall({"parent.key", "'cb'", "9", "'a@x.org'", "'s'", "'m'"}));
    const QString calls = callsJson();
    QFile::remove(tempDir());
    QCOMPARE(calls, answer("9", R"(false,1003,"File creation failed.")"));
}

void TestSendMail::failedLaunchAnswers1000()
{
    // Qt keeps the launcher it found first: once the stand-in has served, a
    // missing stand-in makes the opening fail.
    if (!fixture->launcherUsed)
        QSKIP("Needs a hand-off on the EML road earlier in the run.");
    const QString launcher = treePath("bin/xdg-open");
    QVERIFY(QFile::rename(launcher, launcher + ".away"));
    contentFrame()->evaluateJavaScript(frameCall({"parent.key", "'cb'", "4", "'a@x.org'", "'s'", "'m'"}));
    const QString calls = callsJson();
    QVERIFY(QFile::rename(launcher + ".away", launcher));
    QCOMPARE(calls, answer("4", R"(false,1000,"Mail client launch failed.")"));
}

int main(int argc, char** argv)
{
    Fixture env;
    fixture = &env;
    if (!setUpEnvironment()) {
        qCritical("Could not set up the test environment.");
        return 1;
    }
    // Files open through xdg-open only on a real X platform.
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    env.underX = QGuiApplication::platformName() == QLatin1String("xcb");
    TestSendMail test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sendmail.moc"
