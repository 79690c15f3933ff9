#include "pdf/PdfGenerator.h"
#include "pdf/TavrinDoc.h"

#include <QFile>
#include <QLoggingCategory>
#include <QtTest>

#include <malloc.h>
#include <unistd.h>

namespace {
const int PAGES = 500;

qint64 residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    return statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ').value(1).toLongLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}
}

class BenchPdfGenerator : public QObject
{
    Q_OBJECT

private slots:
    void conversion_data();
    void conversion();
    void memoryStaysFlat();
};

void BenchPdfGenerator::conversion_data()
{
    QTest::addColumn<QString>("docxml");
    QString text = QStringLiteral("<tavrindoc>\n");
    for (int p = 1; p <= PAGES; ++p) {
        text += QStringLiteral("  <page>\n");
        for (int l = 1; l <= 50; ++l)
            text += (l % 10 ? QStringLiteral("    <line>") : QStringLiteral("    <line note=\"Check page %1, line %2 &amp; its figures\">").arg(p).arg(l))
                    + QStringLiteral("Gr\u00fc\u00dfe, caf\u00e9, na\u00efve: the quick brown fox jumps over the lazy dog %1</line>\n").arg(l);
        text += QStringLiteral("  </page>\n");
    }
    QTest::newRow("sample") << QStringLiteral(" ");
    QTest::newRow("500 pages") << text + QStringLiteral("</tavrindoc>\n");
}

void BenchPdfGenerator::conversion()
{
    QFETCH(QString, docxml);
    QByteArray pdf;
    QBENCHMARK {
        QString fileName, message;
        QCOMPARE(PdfGenerator::tavrinXmlToPdf(docxml, QStringLiteral("bench"), pdf, fileName, message), 0);
    }
    qInfo("%d characters of XML, %d bytes of PDF", int(docxml.size()), pdf.size());
}

void BenchPdfGenerator::memoryStaysFlat()
{
    const int count = qEnvironmentVariableIntValue("VH_BENCH_ROUNDS") > 0 ? qEnvironmentVariableIntValue("VH_BENCH_ROUNDS") : 1000;
    // Every failing conversion logs the library's error.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    for (const bool failing : {false, true}) {
        TavrinDoc doc(QStringLiteral(" "));
        doc.fontFace = failing ? QStringLiteral("NoSuchFont") : doc.fontFace;
        QString error;
        // Warm up the allocator and Qt's caches before the first reading.
        for (int i = 0; i < 20; ++i)
            QCOMPARE(PdfGenerator::toPdfBinary(doc, error).isEmpty(), failing);
        const qint64 rssBefore = residentKiB();
        const qint64 heapBefore = qint64(mallinfo2().uordblks);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i)
            QCOMPARE(PdfGenerator::toPdfBinary(doc, error).isEmpty(), failing);
        const qint64 elapsed = timer.elapsed();
        const qint64 rssAfter = residentKiB();
        const qint64 heapAfter = qint64(mallinfo2().uordblks);
        qInfo("%d %s conversions in %lld ms: RSS %lld -> %lld KiB, heap in use %lld -> %lld bytes", count,
              failing ? "failing" : "successful", elapsed, rssBefore, rssAfter, heapBefore, heapAfter);
        if (heapBefore == 0 && heapAfter == 0)
            QSKIP("allocator replaced (valgrind?): heap figures unavailable");
        // A leak of even one small block per conversion would show here.
        QVERIFY2(heapAfter - heapBefore < 64 * 1024, "heap grew");
        QVERIFY2(rssAfter - rssBefore < 1024, "resident memory grew");
    }
}

QTEST_GUILESS_MAIN(BenchPdfGenerator)
#include "bench_pdfgenerator.moc"
