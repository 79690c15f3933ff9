// The page's PDF request on a real page: the answer, the file name rules, a PDF a real reader accepts.
#include <QProcess>
#include <QWebFrame>
#include <QWebPage>
#include <QtTest>

#include "DesktopTestPage.h"

// Each answer is kept without its Base64 element, which goes to pdf.
const char* const PAGE = R"(<script>
var key = '', answers = [], pdf = '';
function setCookie(name, value) { key = value; }
function invokeCallback(name, result, state) { pdf = result.splice(5, 1)[0]; answers.push([name, result, state]); }
</script>)";

const QString DOCUMENT =
    QStringLiteral("<tavrindoc><page><line>Gr\u00fc\u00dfe aus K\u00f6ln</line></page></tavrindoc>");

class TestTavrinDocToPdf : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QtWebView m_view;

private slots:
    void initTestCase()
    {
        QVERIFY(writeFile(m_dir.filePath("page.html"), PAGE));
        QVERIFY(loadPage(m_view, m_dir.filePath("page.html")));
    }

    void answer_data(); // defined below the class: moc misreads the raw strings in it
    void answer()
    {
        QFETCH(QString, document);
        QFETCH(QString, pdfName);
        QFETCH(QString, answer);
        QWebFrame* frame = m_view.graphicsWebView()->page()->mainFrame();
        frame->evaluateJavaScript(QStringLiteral("answers = []; QtObj.tavrinDocToPdf(key, 'onPdf', 21, '%1', '%2');")
            .arg(WebView::escapeJsSingleQuotedLiteral(document), WebView::escapeJsSingleQuotedLiteral(pdfName)));
        const QString answers = frame->evaluateJavaScript(QStringLiteral("JSON.stringify(answers)")).toString();
        QVERIFY2(answers.startsWith(answer), qPrintable(answers));
        if (document != DOCUMENT)
            return;

        const QString path = m_dir.filePath("answer.pdf");
        QVERIFY(writeFile(path, QByteArray::fromBase64(frame->evaluateJavaScript("pdf").toString().toLatin1())));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000) && text.exitCode() == 0);
        QCOMPARE(QString::fromUtf8(text.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0).trimmed(),
                 QStringLiteral("1/1 Gr\u00fc\u00dfe aus K\u00f6ln"));
    }
};

void TestTavrinDocToPdf::answer_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("pdfName");
    QTest::addColumn<QString>("answer"); // the whole answer, or for a failure the start of it
    const QString done = QStringLiteral(R"([["onPdf",[21,true,0,"","%1","1","pdf"],0]])");
    QTest::newRow("real document") << DOCUMENT << "K\u00f6ln" << done.arg("K\u00f6ln.pdf");
    QTest::newRow("empty name") << DOCUMENT << "" << done.arg("unknown.pdf");
    QTest::newRow("folders dropped") << DOCUMENT << "/tmp/reports/May.pdf" << done.arg("May.pdf");
    QTest::newRow("empty text") << "" << "x"
        << R"([["onPdf",[21,false,1000,"Could not convert Tavrin XML to PDF. The xml data was not provided."],0]])";
    QTest::newRow("not well-formed") << "<tavrindoc><page>" << "x"
                                     << R"([["onPdf",[21,false,1001,"Could not convert Tavrin XML to PDF. )";
    QTest::newRow("external entity")
        << "<!DOCTYPE tavrindoc [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>\n<tavrindoc><page><line>a&e;b</line></page>"
           "</tavrindoc>" << "x"
        << R"([["onPdf",[21,false,1001,"Could not convert Tavrin XML to PDF. Invalid document at line 2, )"
           R"(column 27: unresolved entity &e;"],0]])";
}

QTEST_MAIN(TestTavrinDocToPdf)
#include "tst_tavrindoctopdf.moc"
