// The engine-independent half of the script interface: the text the page
// receives must be exactly what it can parse, whatever the data holds.
#include <QtTest>

#include "common/TestFiles.h"
#include "webview/WebView.h"

namespace {

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
    void answers();
    void accessKeys();
    void fileHandOver_data();
    void fileHandOver();
};

void TestWebView::jsArray_data()
{
    QTest::addColumn<QVariantList>("items");
    QTest::addColumn<QString>("js");
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

void TestWebView::answers()
{
    RecordingWebView view;
    view.gwtApiFailureCallback("cb", 5, 1000, "no 'x'");
    view.gwtApiSuccessCallback("cb'); alert('x", 5); // the name cannot close its literal
    view.gwtApiSuccessCallback("", 5); // no name, no answer
    QCOMPARE(view.scripts, QStringList({"invokeCallback( 'cb', [5,false,1000,'no \\'x\\''], 0 );",
                                        "invokeCallback( 'cb\\'); alert(\\'x', [5,true,0,''], 0 );"}));
}

void TestWebView::accessKeys()
{
    RecordingWebView view;
    QVERIFY(!view.isAccessKey(QStringLiteral(""), false)); // none issued yet
    view.onContentInit();
    const QString previous = view.accessKey();
    view.onContentInit();
    const QString key = view.accessKey();
    QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z0-9]{64}$")).match(key).hasMatch());
    QVERIFY(view.scripts.last().contains("'QT_ACCESS_KEY_COOKIE', '" + key + "'"));
    QVERIFY(view.isAccessKey(key, true));

    QString otherCase = key;
    const int at = key.lastIndexOf(QRegularExpression(QStringLiteral("[A-Za-z]")));
    otherCase[at] = key.at(at).isUpper() ? key.at(at).toLower() : key.at(at).toUpper();
    const QList<QPair<QString, QString>> refused = {{QString(), "No"}, {"  \t ", "No"}, {"abc", "Invalid"},
                                                    {previous, "Invalid"}, {key.left(63), "Invalid"},
                                                    {otherCase, "Invalid"}};
    for (const auto& [wrong, message] : refused) {
        view.scripts.clear();
        QVERIFY2(!view.isAccessKey(wrong, true), qPrintable(wrong));
        QCOMPARE(view.scripts,
                 QStringList{"invokeOnErrorCallback( null, 4, ['" + message + " access key provided.'] );"});
        view.scripts.clear();
        QVERIFY(!view.isAccessKey(wrong, false));
        QVERIFY(view.scripts.isEmpty());
    }
}

void TestWebView::fileHandOver_data()
{
    // The answer to "cb"; <path> stands for the file's path.
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
    QTest::newRow("no extension") << "README" << QByteArray("x") << QByteArray("%PDF")
                                  << "invokeCallback( 'cb', [3,true,0,'','README','JVBERg==','1',''], 0 );";
    QTest::newRow("missing file")
        << "none/file.txt" << QByteArray() << QByteArray()
        << "invokeCallback( 'cb', [3,false,5,'No such file or directory (File Path: <path>)'], 0 );";
    QTest::newRow("no path") << "" << QByteArray() << QByteArray("x") << "";
}

void TestWebView::fileHandOver()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, onDisk);
    QFETCH(QByteArray, given);
    QFETCH(QString, answer);
    QTemporaryDir dir;
    const QString path = fileName.isEmpty() ? QString() : dir.filePath(fileName);
    if (!onDisk.isNull())
        QVERIFY(writeFile(path, onDisk));
    RecordingWebView view;
    view.gwtApiImExFileCallback("cb", 3, path, given);
    QCOMPARE(view.scripts.join(QString()), answer.replace("<path>", path));
}

QTEST_MAIN(TestWebView)
#include "tst_webview.moc"
