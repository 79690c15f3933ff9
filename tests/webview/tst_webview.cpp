// The engine-independent half of the script interface: the text the page
// receives must be exactly what it can parse, whatever the data holds.
#include <QtTest>

#include "common/TestFiles.h"
#include "webview/WebView.h"

namespace {

const QString NO_KEY = QStringLiteral("No access key provided.");
const QString INVALID_KEY = QStringLiteral("Invalid access key provided.");

// Records every script the view would evaluate in the page.
class RecordingWebView : public WebView
{
public:
    QStringList scripts;
    void evaluateJavaScript(const QString& script, WebViewFrameId) override { scripts << script; }
    void sendMail(const QString&, const QString&, unsigned int, const QString&, const QString&,
                  const QString&, const QString&, const QString&, const QString&, const QString&,
                  const QString&, bool, Email::MailPriority, bool) override {}
};

} // namespace

class TestWebView : public QObject
{
    Q_OBJECT
private slots:
    void jsArray_data();
    void jsArray();
    void removeEmptyItems();
    void answers_data();
    void answers();
    void accessKeyIsFreshAndWellFormed();
    void refusedKeys_data();
    void refusedKeys();
    void fileHandOver_data();
    void fileHandOver();
};

void TestWebView::jsArray_data()
{
    QTest::addColumn<QVariantList>("items");
    QTest::addColumn<QString>("js");
    QTest::newRow("empty") << QVariantList() << "[]";
    QTest::newRow("unsigned") << QVariantList{4294967295u} << "[4294967295]";
    QTest::newRow("non-finite") << QVariantList{qQNaN(), qInf(), -qInf(), 0.5f} << "[NaN,Infinity,-Infinity,0.5]";
    QTest::newRow("quotes") << QVariantList{"it's \"x\""} << "['it\\'s \\\"x\\\"']";
    QTest::newRow("backslash first") << QVariantList{"a\\'b"} << "['a\\\\\\'b']";
    QTest::newRow("line ends") << QVariantList{"a\r\nb\nc"} << "['a\\nb\\nc']";
    QTest::newRow("separators") << QVariantList{QString::fromUtf8("a\u2028b\u2029c")} << "['a\\u2028b\\u2029c']";
}

void TestWebView::jsArray()
{
    QFETCH(QVariantList, items);
    QFETCH(QString, js);
    QCOMPARE(WebView::toJsArray(items), js);
}

void TestWebView::removeEmptyItems()
{
    const QString D = QStringLiteral("_INTRADELIM_");
    QCOMPARE(WebView::removeDelimitedListEmptyItems(D + "a" + D + "  " + D + D + " b " + D, D), "a" + D + " b ");
    QCOMPARE(WebView::removeDelimitedListEmptyItems("   ", D), QStringLiteral("   "));
    QCOMPARE(WebView::removeDelimitedListEmptyItems("a_intradelim_b", D), QStringLiteral("a_intradelim_b"));
}

void TestWebView::answers_data()
{
    QTest::addColumn<QString>("callback");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QString>("script");
    QTest::newRow("success") << "cb" << true << "invokeCallback( 'cb', [5,true,0,''], 0 );";
    QTest::newRow("failure") << "cb" << false << "invokeCallback( 'cb', [5,false,1000,'no \\'x\\''], 0 );";
    // A callback name cannot close its literal and run code of its own.
    QTest::newRow("name escaped") << "cb'); alert('x" << true
                                  << "invokeCallback( 'cb\\'); alert(\\'x', [5,true,0,''], 0 );";
    QTest::newRow("no name, no answer") << "" << true << "";
}

void TestWebView::answers()
{
    QFETCH(QString, callback);
    QFETCH(bool, success);
    QFETCH(QString, script);
    RecordingWebView view;
    if (success)
        view.gwtApiSuccessCallback(callback, 5);
    else
        view.gwtApiFailureCallback(callback, 5, 1000, QStringLiteral("no 'x'"));
    QCOMPARE(view.scripts.join(QString()), script);
}

void TestWebView::accessKeyIsFreshAndWellFormed()
{
    RecordingWebView view;
    QVERIFY(!view.isAccessKey(QStringLiteral(""), false)); // none issued yet
    view.onContentInit();
    const QString first = view.accessKey();
    QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z0-9]{64}$")).match(first).hasMatch());
    QVERIFY(view.scripts.last().contains(QStringLiteral("'QT_ACCESS_KEY_COOKIE', '") + first + "'"));
    QVERIFY(view.isAccessKey(first, true));
    view.onContentInit();
    QVERIFY(view.accessKey() != first);
    QVERIFY(!view.isAccessKey(first, false));
}

void TestWebView::refusedKeys_data()
{
    // "<prefix>" and "<one letter>" stand for near misses of the key the view issues.
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("message");
    QTest::newRow("null") << QString() << NO_KEY;
    QTest::newRow("blank") << "  \t " << NO_KEY;
    QTest::newRow("wrong") << "abc" << INVALID_KEY;
    QTest::newRow("prefix of the key") << "<prefix>" << INVALID_KEY;
    QTest::newRow("one letter's case changed") << "<one letter>" << INVALID_KEY;
}

void TestWebView::refusedKeys()
{
    QFETCH(QString, key);
    QFETCH(QString, message);
    RecordingWebView view;
    view.onContentInit();
    const QString issued = view.accessKey();
    if (key == "<prefix>") {
        key = issued.left(issued.size() - 1);
    } else if (key == "<one letter>") {
        key = issued;
        const int at = key.lastIndexOf(QRegularExpression(QStringLiteral("[A-Za-z]")));
        QVERIFY(at >= 0);
        key[at] = key.at(at).isUpper() ? key.at(at).toLower() : key.at(at).toUpper();
    }
    view.scripts.clear();
    QVERIFY(!view.isAccessKey(key, true));
    QCOMPARE(view.scripts, QStringList{"invokeOnErrorCallback( null, 4, ['" + message + "'] );"});
    view.scripts.clear();
    QVERIFY(!view.isAccessKey(key, false));
    QVERIFY(view.scripts.isEmpty());
}

void TestWebView::fileHandOver_data()
{
    QTest::addColumn<QString>("callback");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("onDisk");
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<QString>("answer");
    QTest::newRow("text from disk, up to the first NUL")
        << "cb" << "Notes.TXT" << QByteArray("a'b\nc\0rest", 10) << QByteArray()
        << "invokeCallback( 'cb', [3,true,0,'','Notes.TXT','a\\'b\\nc','0','txt'], 0 );";
    QTest::newRow("given bytes, disk untouched")
        << "cb" << "report.pdf" << QByteArray() << QByteArray("%PDF")
        << "invokeCallback( 'cb', [3,true,0,'','report.pdf','JVBERg==','1','pdf'], 0 );";
    QTest::newRow("no extension")
        << "cb" << "README" << QByteArray("x") << QByteArray("%PDF")
        << "invokeCallback( 'cb', [3,true,0,'','README','JVBERg==','1',''], 0 );";
    QTest::newRow("missing file")
        << "cb" << "none/file.txt" << QByteArray() << QByteArray()
        << QString("invokeCallback( 'cb', [3,false,%1,'").arg(int(QFileDevice::OpenError));
    QTest::newRow("no callback") << "" << "a.txt" << QByteArray("x") << QByteArray() << "";
    QTest::newRow("no path") << "cb" << "" << QByteArray() << QByteArray("x") << "";
}

void TestWebView::fileHandOver()
{
    QFETCH(QString, callback);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, onDisk);
    QFETCH(QByteArray, given);
    QFETCH(QString, answer);
    QTemporaryDir dir;
    const QString path = fileName.isEmpty() ? QString() : dir.filePath(fileName);
    if (!onDisk.isNull())
        QVERIFY(writeFile(path, onDisk));
    RecordingWebView view;
    view.gwtApiImExFileCallback(callback, 3, path, given);
    const QString sent = view.scripts.join(QString());
    if (answer.contains(",false,")) // a failure names the file, and the answer still closes
        QVERIFY2(sent.startsWith(answer) && sent.endsWith(" (File Path: " + path + ")'], 0 );"), qPrintable(sent));
    else
        QCOMPARE(sent, answer);
}

QTEST_MAIN(TestWebView)
#include "tst_webview.moc"
