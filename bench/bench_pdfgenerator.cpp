#include "pdf/PdfGenerator.h"
#include "pdf/TavrinDoc.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QXmlStreamReader>
#include <QtTest>

#include <hpdf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include <malloc.h>
#include <unistd.h>

namespace {
const int PAGES = 500;
// VH_BENCH_ROUNDS sets another count (fewer under valgrind).
const int ROUNDS = qEnvironmentVariableIntValue("VH_BENCH_ROUNDS") > 0 ? qEnvironmentVariableIntValue("VH_BENCH_ROUNDS") : 15;
// Each round of a small document times this many conversions, so that one
// reading is well above the clock's resolution.
const double SMALL_ROUND_MS = 20.0;

qint64 residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    return statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ').value(1).toLongLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// 500 pages of 50 lines with a note on every tenth line: 2,500 notes.
QString largeXml()
{
    QString text = QStringLiteral("<tavrindoc>\n");
    for (int p = 1; p <= PAGES; ++p) {
        text += QStringLiteral("  <page>\n");
        for (int l = 1; l <= 50; ++l)
            text += (l % 10 ? QStringLiteral("    <line>") : QStringLiteral("    <line note=\"Check page %1, line %2 &amp; its figures\">").arg(p).arg(l))
                    + QStringLiteral("Gr\u00fc\u00dfe, caf\u00e9, na\u00efve: the quick brown fox jumps over the lazy dog %1</line>\n").arg(l);
        text += QStringLiteral("  </page>\n");
    }
    return text + QStringLiteral("</tavrindoc>\n");
}

// The floor: the same PDF made by direct library calls from bytes prepared
// before the clock starts. It makes the calls the writer must make (the same
// objects in the same order, rows measured for the cut) and nothing else.
struct FloorRow {
    QByteArray text;
    QByteArray note;   // empty: no note
    QByteArray title;  // the note's outline title
};
struct FloorIndexEntry {
    int page;
    quint32 line;
    QByteArray title;
};
struct FloorDoc {
    QVector<QVector<FloorRow>> pages;
    QVector<FloorIndexEntry> index;
    float margin = 0;
    quint32 linesPerPage = 0;
    QByteArray font;
};

// The bench documents hold Latin-1 letters only, which Windows-1252 keeps as they are.
QByteArray bytes(const QString& text)
{
    return text.toLatin1();
}

QByteArray title(const QString& text)
{
    return bytes(text.size() > 15 ? text.right(15) + QStringLiteral("...") : text);
}

FloorDoc prepare(const TavrinDoc& doc)
{
    static const QSet<QPair<quint32, quint32>> listed = {{1, 20}, {1, 25}, {3, 5}, {7, 17}, {10, 40}};
    FloorDoc floor;
    floor.margin = doc.margin;
    floor.linesPerPage = doc.linesPerPage;
    floor.font = doc.fontFace.toLatin1();
    for (const TavrinDocPage& page : doc.pages) {
        floor.pages.append(QVector<FloorRow>());
        for (const TavrinDocLine& line : page.lines) {
            floor.pages.last().append({bytes(line.outputText()), bytes(line.note), title(line.note)});
            if (listed.contains({line.pageNumber, line.lineNumber})) {
                const QString entry = QStringLiteral("%1/%2").arg(line.pageNumber).arg(line.lineNumber);
                floor.index.append({int(line.pageNumber) - 1, line.lineNumber, title(entry)});
            }
        }
    }
    return floor;
}

QByteArray floorPdf(const FloorDoc& doc)
{
    const float gap = 0.5f;
    const float box = 200.0f;
    HPDF_Doc pdf = HPDF_New(nullptr, nullptr);
    HPDF_SetCompressionMode(pdf, HPDF_COMP_ALL);
    HPDF_SetPageMode(pdf, HPDF_PAGE_MODE_USE_OUTLINE);
    const HPDF_Encoder encoder = HPDF_GetEncoder(pdf, "WinAnsiEncoding");
    const HPDF_Outline annotations = HPDF_CreateOutline(pdf, nullptr, "Annotations", encoder);
    HPDF_Outline_SetOpened(annotations, HPDF_FALSE);
    const float m = doc.margin;
    QVector<HPDF_Page> made;
    char shown[256];
    for (const QVector<FloorRow>& rows : doc.pages) {
        const HPDF_Page page = HPDF_AddPage(pdf);
        made.append(page);
        HPDF_Page_BeginText(page);
        const float width = HPDF_Page_GetWidth(page);
        const float height = HPDF_Page_GetHeight(page);
        const float fs = (height - 2.0f * m) / (float(doc.linesPerPage - 1) * gap + float(doc.linesPerPage));
        HPDF_Page_SetFontAndSize(page, HPDF_GetFont(pdf, doc.font.constData(), "WinAnsiEncoding"), fs);
        HPDF_Page_MoveTextPos(page, m, height - m);
        float y = HPDF_Page_GetCurrentTextPos(page).y;
        for (const FloorRow& row : rows) {
            const HPDF_UINT fitting =
                row.text.isEmpty() ? 0 : HPDF_Page_MeasureText(page, row.text.constData(), width - 2.0f * m, HPDF_FALSE, nullptr);
            const size_t length = std::min<size_t>({size_t(fitting), size_t(row.text.size()), size_t(255)});
            std::memcpy(shown, row.text.constData(), length);
            shown[length] = '\0';
            if (!row.note.isEmpty()) {
                const float top = y + fs;
                const HPDF_Rect rect = {gap * m, top - box, gap * m + box, top};
                HPDF_TextAnnot_SetIcon(HPDF_Page_CreateTextAnnot(page, rect, row.note.constData(), encoder), HPDF_ANNOT_ICON_NOTE);
                const HPDF_Destination destination = HPDF_Page_CreateDestination(page);
                HPDF_Destination_SetXYZ(destination, 0, top, 1.0f);
                HPDF_Outline_SetDestination(HPDF_CreateOutline(pdf, annotations, row.title.constData(), encoder), destination);
            }
            HPDF_Page_ShowText(page, shown);
            HPDF_Page_MoveTextPos(page, 0, -fs - gap * fs);
            y = HPDF_Page_GetCurrentTextPos(page).y;
            if (y < std::floor(m + fs))
                break;
        }
        HPDF_Page_EndText(page);
    }
    const HPDF_Outline index = HPDF_CreateOutline(pdf, nullptr, "Index", encoder);
    HPDF_Outline_SetOpened(index, HPDF_FALSE);
    const HPDF_Outline test = HPDF_CreateOutline(pdf, index, "Test", encoder);
    HPDF_Outline_SetOpened(test, HPDF_FALSE);
    for (const FloorIndexEntry& entry : doc.index) {
        const HPDF_Page page = made.at(entry.page);
        const float height = HPDF_Page_GetHeight(page);
        const float fs = (height - 2.0f * m) / (float(doc.linesPerPage - 1) * gap + float(doc.linesPerPage));
        const HPDF_Destination destination = HPDF_Page_CreateDestination(page);
        HPDF_Destination_SetXYZ(destination, 0, (height - m) + fs - float(entry.line - 1) * (1.0f + gap) * fs, 1.0f);
        HPDF_Outline_SetDestination(HPDF_CreateOutline(pdf, test, entry.title.constData(), encoder), destination);
    }
    HPDF_SaveToStream(pdf);
    QByteArray result(int(HPDF_GetStreamSize(pdf)), Qt::Uninitialized);
    HPDF_ResetStream(pdf);
    HPDF_UINT32 size = HPDF_UINT32(result.size());
    HPDF_ReadFromStream(pdf, reinterpret_cast<HPDF_BYTE*>(result.data()), &size);
    HPDF_Free(pdf);
    return result;
}

// What reading the page's XML costs at least: one pass of the reader over it.
void readerPass(const QString& xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
}

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// Milliseconds per run of `work`, median of the rounds.
double perRun(const std::function<void()>& work, int runsPerRound, QVector<double>& rounds)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runsPerRound; ++i)
        work();
    rounds.append(double(timer.nsecsElapsed()) / 1e6 / runsPerRound);
    return rounds.last();
}
}

class BenchPdfGenerator : public QObject
{
    Q_OBJECT

private slots:
    void againstTheFloor_data();
    void againstTheFloor();
    void memoryStaysFlat();
    void entityChainAgainstReader();
};

void BenchPdfGenerator::againstTheFloor_data()
{
    QTest::addColumn<QString>("docxml");
    QTest::addColumn<bool>("fromXml");  // the page's road (reading the XML included) or a document already read
    const QString large = largeXml();
    QTest::newRow("500 pages, 2,500 notes, from XML") << large << true;
    QTest::newRow("500 pages, 2,500 notes, document read") << large << false;
    QTest::newRow("sample, from text") << QStringLiteral(" ") << true;
    QTest::newRow("sample, document read") << QStringLiteral(" ") << false;
}

// The writer and its floor are timed in alternating rounds of the same run;
// the ratio is that of the medians. The page's road reads XML first, which
// the library alone does not: for it a second floor adds one pass of the XML
// reader over the same text.
void BenchPdfGenerator::againstTheFloor()
{
    QFETCH(QString, docxml);
    QFETCH(bool, fromXml);

    TavrinDoc doc(docxml);
    QString error;
    const QByteArray expected = PdfGenerator::toPdfBinary(doc, error);
    const FloorDoc floor = prepare(doc);
    // The floor makes exactly the same file.
    QCOMPARE(floorPdf(floor), expected);

    QByteArray pdf;
    auto generator = [&]() {
        if (fromXml) {
            QString fileName, message;
            PdfGenerator::tavrinXmlToPdf(docxml, QStringLiteral("bench"), pdf, fileName, message);
        } else {
            pdf = PdfGenerator::toPdfBinary(doc, error);
        }
    };
    auto direct = [&]() { pdf = floorPdf(floor); };
    const bool xml = fromXml && docxml.trimmed().startsWith(QLatin1Char('<'));
    auto reading = [&]() {
        readerPass(docxml);
        pdf = floorPdf(floor);
    };

    QElapsedTimer probe;
    probe.start();
    generator();
    const int runs = std::max(1, int(SMALL_ROUND_MS * 1e6 / double(std::max<qint64>(probe.nsecsElapsed(), 1))));
    QCOMPARE(pdf, expected);
    QVector<double> mine, base, read;
    for (int round = 0; round < ROUNDS; ++round) {
        perRun(generator, runs, mine);
        perRun(direct, runs, base);
        if (xml)
            perRun(reading, runs, read);
    }
    QCOMPARE(pdf, expected);
    qInfo("%s: %.3f ms, floor %.3f ms, ratio %.2f (medians of %d rounds of %d runs; %d bytes of PDF)",
          QTest::currentDataTag(), median(mine), median(base), median(mine) / median(base), ROUNDS, runs, int(expected.size()));
    if (xml)
        qInfo("%s: floor with one pass of the XML reader %.3f ms, ratio %.2f", QTest::currentDataTag(), median(read),
              median(mine) / median(read));
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


// A document whose line refers, through a long chain of entities declared
// from its far end, to one whose text is not in the document: it is refused,
// and finding that must cost about what one pass of the XML reader costs,
// whatever the chain's length.
void BenchPdfGenerator::entityChainAgainstReader()
{
    for (const int links : { 4000, 16000, 64000 }) {
        QString chain;
        for (int i = links; i > 1; --i)
            chain += QStringLiteral("<!ENTITY c%1 '&c%2;'>").arg(i).arg(i - 1);
        const QString xml = QStringLiteral("<!DOCTYPE tavrindoc [<!ENTITY e SYSTEM 'file:///etc/passwd'>%1<!ENTITY c1 '&e;'>]>"
                                           "<tavrindoc><page><line>&c%2;</line></page></tavrindoc>")
                                .arg(chain)
                                .arg(links);
        QVector<double> mine, base;
        for (int round = 0; round < ROUNDS; ++round) {
            perRun([&]() {
                TavrinDoc doc(QString{});
                QString reason;
                QVERIFY(!doc.fromXML(xml, reason));
            }, 1, mine);
            perRun([&]() { readerPass(xml); }, 1, base);
        }
        qInfo("chain of %5d entities (%d characters): refused in %.2f ms, one pass of the XML reader %.2f ms, ratio %.2f",
              links, int(xml.size()), median(mine), median(base), median(mine) / median(base));
    }
}

QTEST_GUILESS_MAIN(BenchPdfGenerator)
#include "bench_pdfgenerator.moc"
