// The page's PDF request on a real page: the answer's elements, the file
// name rules and Base64 that decodes to a PDF a real reader accepts.
#include <QtTest>

#include <QGraphicsWebView>
#include <QProcess>
#include <QWebFrame>
#include <QWebPage>

#include "DesktopTestPage.h"

namespace {

const char* const PAGE = R"(<!DOCTYPE html><html><head><script>
var key = ''; var answers = []; var errors = [];
function setCookie(name, value) { key = value; }
function invokeCallback(name, result, state) { answers.push([name, result, state]); }
function invokeOnErrorCallback(frame, code, items) { errors.push([code, items]); }
</script></head><body></body></html>)";

const char* const DOCUMENT =
    "<tavrindoc><page><line>Gr\u00fc\u00dfe aus K\u00f6ln</line>"
    "<line note=\"a note\">second line</line></page></tavrindoc>";

} // namespace

class TestTavrinDocToPdf : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void answersWithThePdf_data();
    void answersWithThePdf();
    void failures_data();
    void failures();
    void wrongKeyGetsOnlyTheErrorChannel();

private:
    QVariant eval(const QString& script) { return m_frame->evaluateJavaScript(script); }

    QTemporaryDir m_dir;
    QScopedPointer<QtWebView> m_view;
    QWebFrame* m_frame = nullptr;
};

void TestTavrinDocToPdf::initTestCase()
{
    QVERIFY(writeFile(m_dir.filePath("page.html"), PAGE));
    m_view.reset(new QtWebView);
    QVERIFY(loadPage(*m_view, m_dir.filePath("page.html")));
    m_frame = m_view->graphicsWebView()->page()->mainFrame();
}

void TestTavrinDocToPdf::init()
{
    eval(QStringLiteral("answers = []; errors = [];"));
}

void TestTavrinDocToPdf::answersWithThePdf_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("pdfName");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("firstRow");
    QTest::newRow("sample, plain name") << "any text" << "Minutes" << "Minutes.pdf" << "1/1 X";
    QTest::newRow("empty name") << "any text" << "" << "unknown.pdf" << "1/1 X";
    QTest::newRow("folders dropped") << "any text" << "/tmp/reports/May.pdf" << "May.pdf" << "1/1 X";
    QTest::newRow("real document") << QString::fromUtf8(DOCUMENT) << "Köln" << "Köln.pdf"
                                   << QString::fromUtf8("1/1 Gr\u00fc\u00dfe aus K\u00f6ln");
}

void TestTavrinDocToPdf::answersWithThePdf()
{
    QFETCH(QString, document);
    QFETCH(QString, pdfName);
    QFETCH(QString, fileName);
    QFETCH(QString, firstRow);

    eval(QStringLiteral("QtObj.tavrinDocToPdf(key, 'onPdf', 21, '%1', '%2');")
             .arg(WebView::escapeJsSingleQuotedLiteral(document),
                  WebView::escapeJsSingleQuotedLiteral(pdfName)));

    QCOMPARE(eval(QStringLiteral("errors.length")).toInt(), 0);
    QCOMPARE(eval(QStringLiteral("answers.length")).toInt(), 1);
    const QVariantList answer = eval(QStringLiteral("answers[0]")).toList();
    QCOMPARE(answer.at(0).toString(), QStringLiteral("onPdf"));
    QCOMPARE(answer.at(2).toInt(), 0);
    const QVariantList result = answer.at(1).toList();
    QCOMPARE(result.size(), 8);
    QCOMPARE(result.at(0).toInt(), 21);
    QCOMPARE(result.at(1).toBool(), true);
    QCOMPARE(result.at(2).toInt(), 0);
    QCOMPARE(result.at(3).toString(), QString());
    QCOMPARE(result.at(4).toString(), fileName);
    QCOMPARE(result.at(6).toString(), QStringLiteral("1"));
    QCOMPARE(result.at(7).toString(), QStringLiteral("pdf"));

    const QByteArray pdf = QByteArray::fromBase64(result.at(5).toString().toLatin1());
    QVERIFY(pdf.startsWith("%PDF-"));
    const QString path = m_dir.filePath("answer.pdf");
    QVERIFY(writeFile(path, pdf));

    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    QCOMPARE(text.exitCode(), 0);
    const QString rows = QString::fromUtf8(text.readAllStandardOutput());
    QCOMPARE(rows.section(QLatin1Char('\n'), 0, 0).trimmed(), firstRow);
}

void TestTavrinDocToPdf::failures_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("messageStart");
    QTest::newRow("empty text") << "" << 1000
                                << "Could not convert Tavrin XML to PDF. The xml data was not provided.";
    QTest::newRow("not well-formed") << "<tavrindoc><page>" << 1001
                                     << "Could not convert Tavrin XML to PDF. ";
}

void TestTavrinDocToPdf::failures()
{
    QFETCH(QString, document);
    QFETCH(int, code);
    QFETCH(QString, messageStart);
    eval(QStringLiteral("QtObj.tavrinDocToPdf(key, 'onPdf', 5, '%1', 'x');").arg(document));
    QCOMPARE(eval(QStringLiteral("answers.length")).toInt(), 1);
    const QVariantList result = eval(QStringLiteral("answers[0][1]")).toList();
    QCOMPARE(result.size(), 4);
    QCOMPARE(result.at(1).toBool(), false);
    QCOMPARE(result.at(2).toInt(), code);
    QVERIFY2(result.at(3).toString().startsWith(messageStart), qPrintable(result.at(3).toString()));
}

void TestTavrinDocToPdf::wrongKeyGetsOnlyTheErrorChannel()
{
    eval(QStringLiteral("QtObj.tavrinDocToPdf('nope', 'onPdf', 5, 'text', 'x');"));
    QCOMPARE(eval(QStringLiteral("answers.length")).toInt(), 0);
    QCOMPARE(eval(QStringLiteral("JSON.stringify(errors)")).toString(),
             QStringLiteral("[[4,[\"Invalid access key provided.\"]]]"));
}

QTEST_MAIN(TestTavrinDocToPdf)
#include "tst_tavrindoctopdf.moc"
