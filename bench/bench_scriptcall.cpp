// The cost of one script call, measured from page script: a bare slot, a slot
// that only evaluates a fixed answer, and a real keyed call through QtObj
// (key check, answer built and escaped). The answer's evaluation is the floor;
// the keyed call should stay within 1.3 times the minimal answered call.
#include <QtTest>

#include <QGraphicsWebView>
#include <QWebFrame>
#include <QWebPage>

#include "desktop/DesktopTestPage.h"
#include "mime/MimeTypeMap.h"

namespace {

const int CALLS = 10000;

const char* const PAGE = R"(<!DOCTYPE html><html><head><script>
var key = ''; var answers = 0;
function setCookie(name, value) { key = value; }
function invokeCallback(name, result, state) { answers++; }
function invokeOnErrorCallback(frame, code, items) {}
</script></head><body></body></html>)";

class BenchObject : public QObject
{
    Q_OBJECT
public:
    explicit BenchObject(QWebFrame* frame) : m_frame(frame) {}
public slots:
    // The same arguments as the keyed call, so that only the work behind the
    // call differs.
    void bare(const QString&, const QString&, uint, const QString&, bool) {}
    // The fixed answer, carrying the call's own number as every real answer
    // does: a script text that never changes would be compiled once and
    // cached by the engine, which no real answer can count on.
    void answered(const QString&, const QString&, uint id, const QString&, bool)
    {
        m_frame->evaluateJavaScript(QStringLiteral("invokeCallback( 'cb', [%1,true,0,''], 0 );").arg(id));
    }
private:
    QWebFrame* m_frame;
};

} // namespace

class BenchScriptCall : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void calls_data();
    void calls();

private:
    QTemporaryDir m_dir;
    QScopedPointer<QtWebView> m_view;
    QScopedPointer<BenchObject> m_bench;
    QWebFrame* m_frame = nullptr;
};

void BenchScriptCall::initTestCase()
{
    QVERIFY(writeFile(m_dir.filePath("bench.html"), PAGE));
    m_view.reset(new QtWebView);
    QVERIFY(loadPage(*m_view, m_dir.filePath("bench.html")));
    m_frame = m_view->graphicsWebView()->page()->mainFrame();
    m_bench.reset(new BenchObject(m_frame));
    m_frame->addToJavaScriptWindowObject(QStringLiteral("BenchObj"), m_bench.data());
    QVERIFY(!m_frame->evaluateJavaScript(QStringLiteral("key")).toString().isEmpty());
}

void BenchScriptCall::calls_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("answersPerCall");
    QTest::newRow("bare slot") << "BenchObj.bare(key, 'cb', i, 'vhbench', true);" << 0;
    QTest::newRow("minimal answered slot") << "BenchObj.answered(key, 'cb', i, 'vhbench', true);" << 1;
    QTest::newRow("keyed call through QtObj")
        << "QtObj.registerExtension(key, 'cb', i, 'vhbench', true);" << 1;
}

void BenchScriptCall::calls()
{
    QFETCH(QString, call);
    QFETCH(int, answersPerCall);
    const QString loop = QStringLiteral("answers = 0; for (var i = 1; i <= %1; ++i) { %2 } answers;")
                             .arg(CALLS)
                             .arg(call);
    // Each figure is the best of five runs of 10,000 calls.
    qint64 best = std::numeric_limits<qint64>::max();
    QBENCHMARK_ONCE {
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer timer;
            timer.start();
            const int answers = m_frame->evaluateJavaScript(loop).toInt();
            best = qMin(best, timer.nsecsElapsed());
            QCOMPARE(answers, CALLS * answersPerCall);
        }
    }
    qInfo("%s: %.2f us per call", QTest::currentDataTag(), best / 1000.0 / CALLS);
    MimeTypeMap::resetToBuiltIn();
}

QTEST_MAIN(BenchScriptCall)
#include "bench_scriptcall.moc"
