// The engine-independent half of the script interface: the text the page
// receives must be exactly what it can parse, whatever the data holds.
#include <QtTest>

#include "common/TestFiles.h"
#include "webview/WebView.h"

namespace {

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
    void escape_data();
    void escape();
    void jsArray_data();
    void jsArray();
    void removeEmptyItems_data();
    void removeEmptyItems();
    void answers_data();
    void answers();
    void noKeyIssuedRefusesEverything();
    void accessKeyIsFreshAndWellFormed();
    void refusedKeys_data();
    void refusedKeys();
    void fileHandOver_data();
    void fileHandOver();
    void fileHandOverFailures();
};

void TestWebView::escape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("plain") << "abc" << "abc";
    QTest::newRow("quotes") << "it's \"x\"" << "it\\'s \\\"x\\\"";
    QTest::newRow("backslash first") << "a\\'b" << "a\\\\\\'b";
    QTest::newRow("line ends") << "a\r\nb\nc" << "a\\nb\\nc";
    QTest::newRow("separators") << QString::fromUtf8("a\u2028b\u2029c") << "a\\u2028b\\u2029c";
    QTest::newRow("empty") << "" << "";
}

void TestWebView::escape()
{
    QFETCH(QString, text);
    QFETCH(QString, escaped);
    QCOMPARE(WebView::escapeJsSingleQuotedLiteral(text), escaped);
}

void TestWebView::jsArray_data()
{
    QTest::addColumn<QVariantList>("items");
    QTest::addColumn<QString>("js");
    QTest::newRow("empty") << QVariantList() << "[]";
    QTest::newRow("success") << (QVariantList() << 7 << true << 0 << QString()) << "[7,true,0,'']";
    QTest::newRow("failure") << (QVariantList() << -3 << false << 1000 << QString("it's"))
                             << "[-3,false,1000,'it\\'s']";
    QTest::newRow("unsigned") << (QVariantList() << 4294967295u) << "[4294967295]";
    QTest::newRow("non-finite") << (QVariantList() << qQNaN() << qInf() << -qInf() << 0.5f)
                                << "[NaN,Infinity,-Infinity,0.5]";
}

void TestWebView::jsArray()
{
    QFETCH(QVariantList, items);
    QFETCH(QString, js);
    QCOMPARE(WebView::toJsArray(items), js);
}

void TestWebView::removeEmptyItems_data()
{
    const QString D = QStringLiteral("_INTRADELIM_");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("cleaned");
    QTest::newRow("no delimiter") << " a " << " a ";
    QTest::newRow("blank, no delimiter") << "   " << "   ";
    QTest::newRow("inner blanks") << ("a" + D + "  " + D + D + " b ") << ("a" + D + " b ");
    QTest::newRow("leading and trailing") << (D + "a" + D) << "a";
    QTest::newRow("only delimiters") << (D + D) << "";
    QTest::newRow("other case is no delimiter") << "a_intradelim_b" << "a_intradelim_b";
}

void TestWebView::removeEmptyItems()
{
    QFETCH(QString, list);
    QFETCH(QString, cleaned);
    QCOMPARE(WebView::removeDelimitedListEmptyItems(list, QStringLiteral("_INTRADELIM_")), cleaned);
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

void TestWebView::noKeyIssuedRefusesEverything()
{
    RecordingWebView view;
    QVERIFY(view.accessKey().isEmpty());
    QVERIFY(!view.isAccessKey(QString(), false));
    QVERIFY(!view.isAccessKey(QStringLiteral(""), false));
    QVERIFY(view.scripts.isEmpty());
}

void TestWebView::accessKeyIsFreshAndWellFormed()
{
    RecordingWebView view;
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
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("message");
    QTest::newRow("null") << QString() << "No access key provided.";
    QTest::newRow("blank") << "  \t " << "No access key provided.";
    QTest::newRow("wrong") << "abc" << "Invalid access key provided.";
}

void TestWebView::refusedKeys()
{
    QFETCH(QString, key);
    QFETCH(QString, message);
    RecordingWebView view;
    view.onContentInit();
    view.scripts.clear();
    QVERIFY(!view.isAccessKey(key, true));
    QCOMPARE(view.scripts, QStringList() << ("invokeOnErrorCallback( null, 4, ['" + message + "'] );"));
    view.scripts.clear();
    QVERIFY(!view.isAccessKey(key, false));
    QVERIFY(view.scripts.isEmpty());
}

void TestWebView::fileHandOver_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("onDisk");
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<QString>("answer");
    QTest::newRow("text from disk, up to the first NUL")
        << "Notes.TXT" << QByteArray("a'b\nc\0rest", 10) << QByteArray()
        << "invokeCallback( 'cb', [3,true,0,'','Notes.TXT','a\\'b\\nc','0','txt'], 0 );";
    QTest::newRow("given bytes, disk untouched")
        << "report.pdf" << QByteArray() << QByteArray("%PDF")
        << "invokeCallback( 'cb', [3,true,0,'','report.pdf','JVBERg==','1','pdf'], 0 );";
    QTest::newRow("no extension")
        << "README" << QByteArray("x") << QByteArray("%PDF")
        << "invokeCallback( 'cb', [3,true,0,'','README','JVBERg==','1',''], 0 );";
}

void TestWebView::fileHandOver()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, onDisk);
    QFETCH(QByteArray, given);
    QFETCH(QString, answer);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    if (!onDisk.isNull())
        QVERIFY(writeFile(path, onDisk));
    RecordingWebView view;
    view.gwtApiImExFileCallback(QStringLiteral("cb"), 3, path, given);
    QCOMPARE(view.scripts, QStringList() << answer);
}

void TestWebView::fileHandOverFailures()
{
    RecordingWebView view;
    const QString missing = QStringLiteral("/nonexistent/folder/file.txt");
    view.gwtApiImExFileCallback(QStringLiteral("cb"), 4, missing, QByteArray());
    QCOMPARE(view.scripts.size(), 1);
    QVERIFY(view.scripts.first().startsWith(QStringLiteral("invokeCallback( 'cb', [4,false,%1,'")
                                                .arg(int(QFileDevice::OpenError))));
    QVERIFY2(view.scripts.first().endsWith(QStringLiteral(" (File Path: ") + missing + ")'], 0 );"),
             qPrintable(view.scripts.first()));
    // Without a callback or a path nothing is answered.
    view.scripts.clear();
    view.gwtApiImExFileCallback(QString(), 4, missing, QByteArray("x"));
    view.gwtApiImExFileCallback(QStringLiteral("cb"), 4, QString(), QByteArray("x"));
    QVERIFY(view.scripts.isEmpty());
}

QTEST_MAIN(TestWebView)
#include "tst_webview.moc"
