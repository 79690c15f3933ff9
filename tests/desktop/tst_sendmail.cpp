// The page's mail request on a real WebKit page: the access check, the
// missing mail client, the EML hand-off read back by a real MIME parser,
// the frame-id road and the pairing of the attachment lists.
//
// sendMail empties the bundle's temporary folder (<build>/Resources/temp) on
// every call that passes the key and client checks, and one test here turns
// that folder into a file for a moment. No other test of the build may use
// Resources/temp, or the tests would clash when ctest runs them in parallel.
#include <QtTest>

#include <QGraphicsWebView>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QWebFrame>
#include <QWebPage>

#include "desktop/QtWebView.h"
#include "desktop/QtWebViewPrivate.h"

namespace {

const QString D = QStringLiteral("_INTRADELIM_");
const QString NO_CLIENT_ANSWER = QStringLiteral(
    R"([["invokeCallback","cb",[5,false,1000,"A default mail client has not been setup on this computer."],0]])");

// The host page records every call of the page functions the program calls,
// as JSON text in window.calls; the key is kept in window.key.
const char* const HOST_PAGE = R"(<!DOCTYPE html><html><head><script>
var calls = [];
var key = '';
function setCookie(name, value) { key = value; }
function invokeCallback(name, result, state) { calls.push(['invokeCallback', name, result, state]); }
function invokeOnErrorCallback(frame, code, items) { calls.push(['invokeOnErrorCallback', frame, code, items]); }
function callsJson() { return JSON.stringify(calls); }
</script></head><body><iframe name="contentFrame" src="content.html"></iframe></body></html>)";

const char* const CONTENT_PAGE = R"(<!DOCTYPE html><html><head><script>
function key() { return window.parent.key; }
</script></head><body>content</body></html>)";

// Reads an EML file with Python's email package and prints what it saw.
const char* const EML_PARSER = R"(
import sys, json, base64, email, email.policy
msg = email.message_from_bytes(open(sys.argv[1], 'rb').read(), policy=email.policy.default)
out = {'type': msg.get_content_type(), 'defects': [], 'headers': {}, 'attachments': []}
for name in ('To', 'Cc', 'Bcc', 'Subject', 'X-Priority', 'Importance', 'Disposition-Notification-To'):
    if msg[name] is not None:
        out['headers'][name] = str(msg[name])
for part in msg.walk():
    out['defects'] += [repr(d) for d in part.defects]
    if part.is_multipart():
        continue
    if part.get_content_disposition() == 'attachment':
        out['attachments'].append({'name': part.get_filename(),
                                   'data': base64.b64encode(part.get_payload(decode=True)).decode()})
    elif part.get_content_type() in ('text/plain', 'text/html'):
        out[part.get_content_subtype()] = part.get_content()
print(json.dumps(out))
)";

struct Fixture
{
    QTemporaryDir tree;
    QString received; // where the stand-in xdg-open puts the files it gets
    bool underX = false;
    bool launcherUsed = false; // Qt has found (and cached) the stand-in
};
Fixture* fixture = nullptr;

bool writeFile(const QString& path, const QByteArray& content, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        return false;
    file.close();
    return !executable
           || file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
}

QString treePath(const QString& relative)
{
    return fixture->tree.filePath(relative);
}

// The mailto: registration that xdg-mime reads; the mail client is a
// program that does nothing, since the EML road only opens the file.
bool registerMailClient(bool registered)
{
    const QString list = treePath(QStringLiteral("config/mimeapps.list"));
    const QString cache = treePath(QStringLiteral("data/applications/mimeinfo.cache"));
    if (!registered)
        return (!QFile::exists(list) || QFile::remove(list)) && (!QFile::exists(cache) || QFile::remove(cache));
    return writeFile(list, "[Default Applications]\nx-scheme-handler/mailto=vhtestmail.desktop;\n")
           && writeFile(cache, "[MIME Cache]\nx-scheme-handler/mailto=vhtestmail.desktop;\n");
}

// A private XDG tree with a stand-in mail client and a stand-in xdg-open
// first on PATH. Qt chooses and caches its launcher from the environment,
// so all of this is in place before the application object exists.
bool setUpEnvironment()
{
    if (!fixture->tree.isValid())
        return false;
    fixture->received = treePath(QStringLiteral("received"));
    const QString bin = treePath(QStringLiteral("bin"));
    const QByteArray xdgOpen = "#!/bin/sh\n"
                               "exec python3 -c '\n"
                               "import sys, os, shutil, uuid, urllib.parse\n"
                               "url, out = sys.argv[1], sys.argv[2]\n"
                               "name = os.path.join(out, uuid.uuid4().hex)\n"
                               "open(name + \".url\", \"w\").write(url)\n"
                               "shutil.copyfile(urllib.parse.unquote(urllib.parse.urlparse(url).path), name + \".part\")\n"
                               "os.rename(name + \".part\", name + \".eml\")\n"
                               "' \"$1\" '"
                               + QFile::encodeName(fixture->received) + "'\n";
    const QString desktopEntry = QStringLiteral("[Desktop Entry]\nType=Application\nName=Test Mailer\nExec=")
                                 + bin + QStringLiteral("/vhtestmail %u\n");
    if (!QDir().mkpath(fixture->received) || !QDir().mkpath(treePath(QStringLiteral("config-dirs")))
        || !writeFile(bin + QStringLiteral("/xdg-open"), xdgOpen, true)
        || !writeFile(bin + QStringLiteral("/vhtestmail"), "#!/bin/sh\nexit 0\n", true)
        || !writeFile(treePath(QStringLiteral("data/applications/vhtestmail.desktop")), desktopEntry.toUtf8())
        || !registerMailClient(true)) {
        return false;
    }
    // "X-Generic" makes xdg-mime read the XDG files and Qt use xdg-open.
    qputenv("XDG_CURRENT_DESKTOP", "X-Generic");
    for (const char* name : {"KDE_FULL_SESSION", "DESKTOP_SESSION", "XDG_MENU_PREFIX", "GNOME_DESKTOP_SESSION_ID"})
        qunsetenv(name);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(treePath(QStringLiteral("config"))));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(treePath(QStringLiteral("config-dirs"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(treePath(QStringLiteral("data"))));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(treePath(QStringLiteral("data-dirs"))));
    qputenv("PATH", QFile::encodeName(bin) + ':' + qgetenv("PATH"));
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = treePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }
    return true;
}

QStringList receivedFiles(const QString& suffix)
{
    QStringList files;
    for (const QFileInfo& info : QDir(fixture->received).entryInfoList({QStringLiteral("*") + suffix}, QDir::Files))
        files << info.absoluteFilePath();
    return files;
}

QJsonObject parseEml(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(EML_PARSER), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return QJsonObject();
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QString jsString(const QString& text)
{
    return QLatin1Char('\'') + WebView::escapeJsSingleQuotedLiteral(text) + QLatin1Char('\'');
}

// name=content for each attachment, "(bin)" marking the binary ones the
// writer decoded: the tests give binary data as Base64 of readable text.
QStringList attachmentSummary(const QJsonObject& parsed)
{
    QStringList summary;
    for (const QJsonValue& value : parsed.value(QStringLiteral("attachments")).toArray()) {
        const QJsonObject part = value.toObject();
        summary << part.value(QStringLiteral("name")).toString() + QLatin1Char('=')
                       + QString::fromUtf8(QByteArray::fromBase64(part.value(QStringLiteral("data")).toString().toLatin1()));
    }
    return summary;
}

} // namespace

// The EML road opens the file with the desktop's handler.
#define SKIP_WITHOUT_X()                                                                           \
    do {                                                                                           \
        if (!fixture->underX)                                                                      \
            QSKIP("Opening a file with the desktop's handler needs X (xcb).");                     \
    } while (false)

class TestSendMail : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void refusedKeyAnswersOnlyCode4_data();
    void refusedKeyAnswersOnlyCode4();
    void noMailClient_data();
    void noMailClient();
    void nothingAnsweredForUnknownFrame_data();
    void nothingAnsweredForUnknownFrame();
    void keyedFormReachesTheEml();
    void frameIdFormReachesTheEml();
    void frameIdFormFromTheHostPage();
    void attachmentListsPairByPosition_data();
    void attachmentListsPairByPosition();
    void demoPageButtons_data();
    void demoPageButtons();
    void unwritableFileAnswers1003();
    void failedLaunchAnswers1000();

private:
    QVariant eval(const QString& script) { return mainFrame()->evaluateJavaScript(script); }
    QWebFrame* mainFrame() { return m_view->graphicsWebView()->page()->mainFrame(); }
    QWebFrame* contentFrame() { return mainFrame()->childFrames().value(0); }
    QString callsJson() { return eval(QStringLiteral("callsJson();")).toString(); }
    QString tempDir() const { return QtWebViewPrivate::adjustPath(QStringLiteral("temp")); }
    QString marker() const { return tempDir() + QStringLiteral("/left-by-someone.txt"); }
    // Runs a call and returns the one EML that reached the stand-in.
    void sendAndParse(QWebFrame* frame, const QString& script, const QString& expectedAnswer,
                      QJsonObject& parsed);
    static QString frameCall(const QStringList& values);

    QTemporaryDir m_pages;
    QScopedPointer<QtWebView> m_view;
};

void TestSendMail::initTestCase()
{
    QVERIFY(fixture && fixture->tree.isValid());
    QVERIFY(m_pages.isValid());
    QVERIFY(writeFile(m_pages.filePath(QStringLiteral("index.html")), HOST_PAGE));
    QVERIFY(writeFile(m_pages.filePath(QStringLiteral("content.html")), CONTENT_PAGE));
}

void TestSendMail::init()
{
    QVERIFY(registerMailClient(true));
    for (const QString& file : receivedFiles(QString()))
        QFile::remove(file);
    QVERIFY(QDir().mkpath(tempDir()));
    QVERIFY(writeFile(marker(), "earlier file"));

    m_view.reset(new QtWebView);
    m_view->resize(800, 600);
    QSignalSpy loaded(m_view->graphicsWebView(), SIGNAL(loadFinished(bool)));
    m_view->loadFile(m_pages.filePath(QStringLiteral("index.html")));
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 10000);
    QTRY_VERIFY(!m_view->accessKey().isEmpty());
    QCOMPARE(eval(QStringLiteral("key")).toString(), m_view->accessKey());
    QVERIFY(contentFrame());
}

void TestSendMail::cleanup()
{
    m_view.reset();
}

void TestSendMail::cleanupTestCase()
{
    // What the requests leave for the next one to delete.
    const QDir temp(tempDir());
    for (const QString& name : temp.entryList(QDir::Files | QDir::Hidden))
        QFile::remove(temp.filePath(name));
}

// Stores the values in the calling frame and calls the frame-id form.
QString TestSendMail::frameCall(const QStringList& values)
{
    return QStringLiteral("var id = qtCallbackParameters([") + values.join(QLatin1Char(','))
           + QStringLiteral("]); QtObj.sendMail(id);");
}

void TestSendMail::sendAndParse(QWebFrame* frame, const QString& script, const QString& expectedAnswer,
                                QJsonObject& parsed)
{
    frame->evaluateJavaScript(script);
    QCOMPARE(callsJson(), expectedAnswer);
    QTRY_COMPARE_WITH_TIMEOUT(receivedFiles(QStringLiteral(".eml")).size(), 1, 10000);
    fixture->launcherUsed = true;
    QFile url(receivedFiles(QStringLiteral(".url")).value(0));
    QVERIFY(url.open(QIODevice::ReadOnly));
    // The file is handed over from the bundle's temporary folder.
    const QString opened = QUrl(QString::fromUtf8(url.readAll())).toLocalFile();
    QCOMPARE(QFileInfo(opened).canonicalPath(), QFileInfo(tempDir()).canonicalFilePath());
    parsed = parseEml(receivedFiles(QStringLiteral(".eml")).value(0));
    QVERIFY(!parsed.isEmpty());
    QCOMPARE(parsed.value(QStringLiteral("defects")).toArray(), QJsonArray());
}

void TestSendMail::refusedKeyAnswersOnlyCode4_data()
{
    QTest::addColumn<bool>("inContent");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("message");
    QTest::newRow("keyed, wrong key")
        << false << "QtObj.sendMail('wrong', 'cb', 1, 'a@x.org', 's', 'm');" << "Invalid access key provided.";
    QTest::newRow("keyed, blank key")
        << false << "QtObj.sendMail('  ', 'cb', 1, 'a@x.org', 's', 'm', '', '', 'a.txt', 'A');"
        << "No access key provided.";
    QTest::newRow("frame id, wrong key")
        << true << frameCall({"'wrong'", "'cb'", "1", "'a@x.org'", "'s'", "'m'", "''", "''", "''", "''", "''", "true", "2", "true"})
        << "Invalid access key provided.";
    QTest::newRow("frame id, no store") << true << "QtObj.sendMail(frameId());" << "No access key provided.";
    QTest::newRow("frame id, empty store") << true << frameCall({}) << "No access key provided.";
}

void TestSendMail::refusedKeyAnswersOnlyCode4()
{
    QFETCH(bool, inContent);
    QFETCH(QString, call);
    QFETCH(QString, message);
    QWebFrame* frame = inContent ? contentFrame() : mainFrame();
    frame->evaluateJavaScript(call);
    QCOMPARE(callsJson(), QStringLiteral(R"([["invokeOnErrorCallback",null,4,["%1"]]])").arg(message));
    // The store is emptied before the check; the temporary folder is untouched.
    QCOMPARE(m_view->privateObject()->callbackParmsCount(frame), 0);
    QVERIFY(QFile::exists(marker()));
}

void TestSendMail::noMailClient_data()
{
    QTest::addColumn<QString>("call");
    QTest::newRow("keyed") << "QtObj.sendMail(window.parent.key, 'cb', 5, 'a@x.org', 's', 'm');";
    QTest::newRow("frame id") << frameCall({"window.parent.key", "'cb'", "5", "'a@x.org'", "'s'", "'m'"});
}

void TestSendMail::noMailClient()
{
    QFETCH(QString, call);
    QVERIFY(registerMailClient(false));
    contentFrame()->evaluateJavaScript(call);
    QCOMPARE(callsJson(), NO_CLIENT_ANSWER);
    QVERIFY(QFile::exists(marker()));
}

void TestSendMail::nothingAnsweredForUnknownFrame_data()
{
    QTest::addColumn<QString>("call");
    QTest::newRow("id no frame has") << "QtObj.sendMail(4000);";
    QTest::newRow("id 0") << "QtObj.sendMail(0);";
    // Too few arguments for the keyed form: the bridge lands in the frame-id
    // form with 0.
    QTest::newRow("five arguments") << "QtObj.sendMail(key(), 'cb', 1, 'a@x.org', 's');";
}

void TestSendMail::nothingAnsweredForUnknownFrame()
{
    QFETCH(QString, call);
    QWebFrame* content = contentFrame();
    content->evaluateJavaScript(QStringLiteral("qtCallbackParameters([key(), 'cb', 1, 'a@x.org', 's', 'm']);"));
    content->evaluateJavaScript(call);
    QCOMPARE(callsJson(), QStringLiteral("[]"));
    QCOMPARE(m_view->privateObject()->callbackParmsCount(content), 6);
    QVERIFY(QFile::exists(marker()));
}

void TestSendMail::keyedFormReachesTheEml()
{
    // Ten arguments: the longest call the script bridge delivers.
    SKIP_WITHOUT_X();
    QJsonObject parsed;
    sendAndParse(
        contentFrame(),
        QStringLiteral("QtObj.sendMail(key(), 'cb', 7, 'a@x.org; ;;b@y.org', 'Hello \u00e9t\u00e9', "
                       "'Line one\\nLine two', 'c@x.org', ';d@x.org;', 'notes.txt', 'some notes');"),
        QStringLiteral(R"([["invokeCallback","cb",[7,true,0,""],0]])"), parsed);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(parsed.value("type").toString(), QStringLiteral("multipart/mixed"));
    const QJsonObject headers = parsed.value("headers").toObject();
    QCOMPARE(headers.value("To").toString(), QStringLiteral("a@x.org, b@y.org"));
    QCOMPARE(headers.value("Cc").toString(), QStringLiteral("c@x.org"));
    QCOMPARE(headers.value("Bcc").toString(), QStringLiteral("d@x.org"));
    QCOMPARE(headers.value("Subject").toString(), QString::fromUtf8("Hello \u00e9t\u00e9"));
    QCOMPARE(headers.value("X-Priority").toString(), QStringLiteral("3"));
    QVERIFY(!parsed.contains("html"));
    QCOMPARE(parsed.value("plain").toString().trimmed(), QStringLiteral("Line one\nLine two"));
    // Without flags (the eleventh argument) only the first pair counts.
    QCOMPARE(attachmentSummary(parsed), QStringList{"notes.txt=some notes"});
    // Everything an earlier request or export left in the folder is gone.
    QVERIFY(!QFile::exists(marker()));
}

void TestSendMail::frameIdFormReachesTheEml()
{
    const QString png = QString::fromLatin1(QByteArray("\x89PNG\r\n\x1a\n binary").toBase64());
    SKIP_WITHOUT_X();
    QJsonObject parsed;
    sendAndParse(
        contentFrame(),
        frameCall({"key()", "'cb'", "3000000000", "'to@x.org'", "'Report'", "'<p>Hi <b>there</b></p>'",
                   "'cc1@x.org;cc2@x.org'", "''", jsString("image.png" + D + "readme.txt"),
                   jsString(png + D + QString::fromUtf8("Gr\u00fc\u00dfe")), jsString("1" + D + "0"), "true", "2",
                   "true"}),
        // A call number above 2^31 comes back as the page's signed integer.
        QStringLiteral(R"([["invokeCallback","cb",[-1294967296,true,0,""],0]])"), parsed);
    if (QTest::currentTestFailed())
        return;
    const QJsonObject headers = parsed.value("headers").toObject();
    QCOMPARE(headers.value("To").toString(), QStringLiteral("to@x.org"));
    QCOMPARE(headers.value("Cc").toString(), QStringLiteral("cc1@x.org, cc2@x.org"));
    QVERIFY(!headers.contains("Bcc"));
    QCOMPARE(headers.value("Subject").toString(), QStringLiteral("Report"));
    QCOMPARE(headers.value("X-Priority").toString(), QStringLiteral("1"));
    QCOMPARE(headers.value("Importance").toString(), QStringLiteral("High"));
    QCOMPARE(parsed.value("html").toString().trimmed(), QStringLiteral("<p>Hi <b>there</b></p>"));
    const QJsonArray attachments = parsed.value("attachments").toArray();
    QCOMPARE(attachments.size(), 2);
    QCOMPARE(attachments.at(0).toObject().value("name").toString(), QStringLiteral("image.png"));
    QCOMPARE(QByteArray::fromBase64(attachments.at(0).toObject().value("data").toString().toLatin1()),
             QByteArray("\x89PNG\r\n\x1a\n binary"));
    QCOMPARE(attachmentSummary(parsed).value(1), QString::fromUtf8("readme.txt=Gr\u00fc\u00dfe"));
    QCOMPARE(m_view->privateObject()->callbackParmsCount(contentFrame()), 0);
}

void TestSendMail::frameIdFormFromTheHostPage()
{
    // Six stored values behave as the six-argument form: plain text, Normal
    // priority, no Cc, Bcc or attachments.
    SKIP_WITHOUT_X();
    QJsonObject parsed;
    sendAndParse(mainFrame(), frameCall({"key", "'cb'", "12", "'a@x.org'", "'Six'", "'Body'"}),
                 QStringLiteral(R"([["invokeCallback","cb",[12,true,0,""],0]])"), parsed);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(parsed.value("type").toString(), QStringLiteral("text/plain"));
    const QJsonObject headers = parsed.value("headers").toObject();
    QCOMPARE(QStringList(headers.keys()), (QStringList{"Importance", "Subject", "To", "X-Priority"}));
    QCOMPARE(headers.value("Importance").toString(), QStringLiteral("Normal"));
    QCOMPARE(parsed.value("plain").toString().trimmed(), QStringLiteral("Body"));
    QCOMPARE(m_view->privateObject()->callbackParmsCount(mainFrame()), 0);
}

void TestSendMail::attachmentListsPairByPosition_data()
{
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QStringList>("attached");
    const QString b64 = QStringLiteral("aGVsbG8="); // "hello"
    QTest::newRow("three names, two data")
        << "a.txt" + D + "b.txt" + D + "c.txt" << "A" + D + "B" << "0" + D + "0" + D + "0"
        << QStringList{"a.txt=A", "b.txt=B"};
    QTest::newRow("blank name moves the later names up")
        << "a.txt" + D + " " + D + "c.txt" << "A" + D + "B" + D + "C" << "0" + D + "0" + D + "0"
        << QStringList{"a.txt=A", "c.txt=B"};
    QTest::newRow("empty data item moves the later data up")
        << "a.txt" + D + "b.txt" + D + "c.txt" << "A" + D + D + "C" << "0" + D + "0" + D + "0"
        << QStringList{"a.txt=A", "b.txt=C"};
    QTest::newRow("only the flag 1 marks binary")
        << "a.bin" + D + "b.txt" + D + "c.txt" << b64 + D + b64 + D + b64 << "1" + D + "0" + D + "true"
        << QStringList{"a.bin=hello", "b.txt=" + b64, "c.txt=" + b64};
    QTest::newRow("empty flags, one text attachment") << "a.txt" << "A" << "" << QStringList{"a.txt=A"};
    QTest::newRow("names without data") << "a.txt" + D + "b.txt" << "" << "0" + D + "0" << QStringList();
}

void TestSendMail::attachmentListsPairByPosition()
{
    QFETCH(QString, names);
    QFETCH(QString, data);
    QFETCH(QString, flags);
    QFETCH(QStringList, attached);
    SKIP_WITHOUT_X();
    QJsonObject parsed;
    sendAndParse(
        contentFrame(),
        frameCall({"key()", "'cb'", "2", "'a@x.org'", "'s'", "'m'", "''", "''", jsString(names), jsString(data),
                   jsString(flags)}),
        QStringLiteral(R"([["invokeCallback","cb",[2,true,0,""],0]])"), parsed);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(attachmentSummary(parsed), attached);
}

void TestSendMail::demoPageButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("priority"); // chosen on the page
    QTest::addColumn<QString>("xPriority");
    QTest::addColumn<QString>("body");
    QTest::newRow("plain") << "sendPlainMail" << "text/plain" << "0" << "5" << "Hi <there>\nbye";
    QTest::newRow("html") << "sendHtmlMail" << "text/html" << "2" << "1" << "<html><body><p>Hi &lt;there&gt;<br>bye</p></body></html>";
}

void TestSendMail::demoPageButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, type);
    QFETCH(QString, priority);
    QFETCH(QString, xPriority);
    QFETCH(QString, body);
    SKIP_WITHOUT_X();
    // The bundle's own host and content pages, in a view of their own.
    QtWebView view;
    view.resize(800, 600);
    QSignalSpy loaded(view.graphicsWebView(), SIGNAL(loadFinished(bool)));
    view.loadFile(QStringLiteral("html/index.html"));
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 10000);
    QTRY_VERIFY(!view.accessKey().isEmpty());
    QWebFrame* content = view.graphicsWebView()->page()->mainFrame()->childFrames().value(0);
    QVERIFY(content);
    content->evaluateJavaScript(QStringLiteral(
        "document.getElementById('mailTo').value = 'a@x.org;;b@x.org';"
        "document.getElementById('mailBody').value = 'Hi <there>\\nbye';"
        "document.getElementById('mailAttName').value = 'notes.txt';"
        "document.getElementById('mailAttText').value = 'Gr\u00fc\u00dfe';"
        "document.getElementById('mailPriority').value = '%1';"
        "document.getElementById('%2').click();").arg(priority, button));
    QCOMPARE(content->evaluateJavaScript(QStringLiteral("document.getElementById('answer').textContent")).toString(),
             QStringLiteral("answer: [1,true,0,\"\"]  state event: 0"));

    QTRY_COMPARE_WITH_TIMEOUT(receivedFiles(QStringLiteral(".eml")).size(), 1, 10000);
    const QJsonObject parsed = parseEml(receivedFiles(QStringLiteral(".eml")).value(0));
    QCOMPARE(parsed.value("defects").toArray(), QJsonArray());
    QCOMPARE(parsed.value("headers").toObject().value("To").toString(), QStringLiteral("a@x.org, b@x.org"));
    QCOMPARE(parsed.value("headers").toObject().value("X-Priority").toString(), xPriority);
    QCOMPARE(parsed.value(type.mid(5)).toString().trimmed(), body);
    QCOMPARE(attachmentSummary(parsed), QStringList{QString::fromUtf8("notes.txt=Gr\u00fc\u00dfe")});
}

void TestSendMail::unwritableFileAnswers1003()
{
    // Permissions do not stop root: a file in place of the temporary folder
    // makes the EML file impossible to write for anyone.
    const QString temp = tempDir();
    QVERIFY(QDir(temp).removeRecursively());
    QVERIFY(writeFile(temp, "not a folder"));
    contentFrame()->evaluateJavaScript(frameCall({"key()", "'cb'", "9", "'a@x.org'", "'s'", "'m'"}));
    const QString answer = callsJson();
    QFile::remove(temp);
    QVERIFY(QDir().mkpath(temp));
    QCOMPARE(answer, QStringLiteral(R"([["invokeCallback","cb",[9,false,1003,"File creation failed."],0]])"));
}

void TestSendMail::failedLaunchAnswers1000()
{
    // Qt keeps the launcher it found first: once the stand-in has served, a
    // missing stand-in makes the opening fail.
    if (!fixture->launcherUsed)
        QSKIP("Needs a hand-off on the EML road earlier in the run.");
    const QString launcher = treePath(QStringLiteral("bin/xdg-open"));
    QVERIFY(QFile::rename(launcher, launcher + QStringLiteral(".away")));
    contentFrame()->evaluateJavaScript(frameCall({"key()", "'cb'", "4", "'a@x.org'", "'s'", "'m'"}));
    const QString answer = callsJson();
    QVERIFY(QFile::rename(launcher + QStringLiteral(".away"), launcher));
    QCOMPARE(answer, QStringLiteral(R"([["invokeCallback","cb",[4,false,1000,"Mail client launch failed."],0]])"));
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
