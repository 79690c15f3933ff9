// The page's PDF request on a real page: the answer's elements, the file
// name rules and Base64 that decodes to a PDF a real reader accepts.
#include <QtTest>

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
// The answers as JSON, each without its Base64 element.
function answersJson() {
    return JSON.stringify(answers.map(function (a) { return [a[0], a[1].slice(0, 5).concat(a[1].slice(6)), a[2]]; }));
}
</script></head><body></body></html>)";

const char* const DOCUMENT = "<tavrindoc><page><line>Gr\u00fc\u00dfe aus K\u00f6ln</line>"
                             "<line note=\"a note\">second line</line></page></tavrindoc>";

} // namespace

class TestTavrinDocToPdf : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void answer_data();
    void answer();

private:
    QVariant eval(const QString& script) { return m_frame->evaluateJavaScript(script); }

    QTemporaryDir m_dir;
    QtWebView m_view;
    QWebFrame* m_frame = nullptr;
};

void TestTavrinDocToPdf::initTestCase()
{
    QVERIFY(writeFile(m_dir.filePath("page.html"), PAGE));
    QVERIFY(loadPage(m_view, m_dir.filePath("page.html")));
    m_frame = m_view.graphicsWebView()->page()->mainFrame();
}

void TestTavrinDocToPdf::answer_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("pdfName");
    QTest::addColumn<QString>("answer"); // the whole answer, or for a failure the start of it
    QTest::addColumn<QString>("firstRow");
    const QString done = QStringLiteral(R"([["onPdf",[21,true,0,"","%1","1","pdf"],0]])");
    QTest::newRow("plain name") << "any text" << "Minutes" << done.arg("Minutes.pdf") << "1/1 X";
    QTest::newRow("empty name") << "any text" << "" << done.arg("unknown.pdf") << "1/1 X";
    QTest::newRow("folders dropped") << "any text" << "/tmp/reports/May.pdf" << done.arg("May.pdf") << "1/1 X";
    QTest::newRow("real document") << QString::fromUtf8(DOCUMENT) << "Köln" << done.arg("Köln.pdf")
                                   << QString::fromUtf8("1/1 Gr\u00fc\u00dfe aus K\u00f6ln");
    QTest::newRow("empty text")
        << "" << "x"
        << R"([["onPdf",[21,false,1000,"Could not convert Tavrin XML to PDF. The xml data was not provided."],0]])"
        << "";
    QTest::newRow("not well-formed") << "<tavrindoc><page>" << "x"
                                     << R"([["onPdf",[21,false,1001,"Could not convert Tavrin XML to PDF. )" << "";
}

void TestTavrinDocToPdf::answer()
{
    QFETCH(QString, document);
    QFETCH(QString, pdfName);
    QFETCH(QString, answer);
    QFETCH(QString, firstRow);
    eval(QStringLiteral("answers = []; errors = []; QtObj.tavrinDocToPdf(key, 'onPdf', 21, '%1', '%2');")
             .arg(WebView::escapeJsSingleQuotedLiteral(document), WebView::escapeJsSingleQuotedLiteral(pdfName)));
    QCOMPARE(eval(QStringLiteral("errors.length")).toInt(), 0);
    const QString answers = eval(QStringLiteral("answersJson()")).toString();
    QVERIFY2(answers.startsWith(answer), qPrintable(answers));
    if (firstRow.isEmpty())
        return;

    const QString path = m_dir.filePath("answer.pdf");
    QVERIFY(writeFile(path, QByteArray::fromBase64(eval(QStringLiteral("answers[0][1][5]")).toString().toLatin1())));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    QCOMPARE(text.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(text.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0).trimmed(), firstRow);
}

QTEST_MAIN(TestTavrinDocToPdf)
#include "tst_tavrindoctopdf.moc"
