#include "PdfTools.h"

#include "pdf/PdfGenerator.h"
#include "pdf/TavrinDoc.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {
const QString SAMPLE_NOTE = QStringLiteral("This is a test! This is a test! This is a test! This is a test!");
const QString PDF_OBJECT_FAILED = QStringLiteral("Could not create PDF object.");

// Default layout: 50 rows between margins of 60 on a 595 x 841 page.
const double FONT_SIZE = 721.0 / 74.5;
const double FIRST_BASELINE = 781.0;
const double ADVANCE = 1.5 * FONT_SIZE;
const double HELVETICA_DESCENT = 0.207;

double lineTop(int line)
{
    return FIRST_BASELINE + FONT_SIZE - (line - 1) * ADVANCE;
}

QStringList sampleRows(int page)
{
    QStringList rows;
    for (int l = 1; l <= 50; ++l)
        rows << QStringLiteral("%1/%2 ").arg(page).arg(l) + QString(l, QLatin1Char('X'));
    return rows;
}

QByteArray convert(TavrinDoc& doc)
{
    QString error;
    const QByteArray pdf = PdfGenerator::toPdfBinary(doc, error);
    if (pdf.isEmpty())
        qWarning() << "conversion failed:" << error;
    return pdf;
}

QJsonObject object(const QJsonDocument& json, const QString& reference)
{
    return json.object().value(QStringLiteral("qpdf")).toArray().at(1).toObject()
        .value(QStringLiteral("obj:") + reference).toObject().value(QStringLiteral("value")).toObject();
}

// The annotations of every page, as objects.
QList<QList<QJsonObject>> annotations(const QJsonDocument& json)
{
    QList<QList<QJsonObject>> result;
    for (const QJsonValue& page : json.object().value(QStringLiteral("pages")).toArray()) {
        QList<QJsonObject> list;
        const QJsonObject pageObject = object(json, page.toObject().value(QStringLiteral("object")).toString());
        for (const QJsonValue& ref : pageObject.value(QStringLiteral("/Annots")).toArray())
            list.append(object(json, ref.toString()));
        result.append(list);
    }
    return result;
}

QJsonArray outlines(const QJsonDocument& json)
{
    return json.object().value(QStringLiteral("outlines")).toArray();
}

QStringList titles(const QJsonArray& entries)
{
    QStringList list;
    for (const QJsonValue& entry : entries)
        list << entry.toObject().value(QStringLiteral("title")).toString();
    return list;
}

struct Word {
    double xMin, yMin, xMax, yMax;
    QString text;
};

QList<Word> words(PdfTools& tools, const QByteArray& pdf, int page)
{
    const ToolResult result = tools.run(QStringLiteral("pdftotext"),
        {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
         tools.store(pdf), QStringLiteral("-")});
    QList<Word> list;
    const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    auto it = word.globalMatch(QString::fromUtf8(result.output));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        list.append({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                     m.captured(4).toDouble(), m.captured(5)});
    }
    return list;
}
}

class TestPdfGenerator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sampleDocumentRows();
    void rowGeometry();
    void sampleOutlineAndAnnotation();
    void realDocument();
    void rowCut_data();
    void rowCut();
    void rowsBeyondThePage();
    void pageWithoutDocument();
    void pagesWithoutLines();
    void libraryErrorRecovers_data();
    void libraryErrorRecovers();
    void emptyDocument();
    void writeToFile();
    void tavrinXmlToPdf_data();
    void tavrinXmlToPdf();

private:
    PdfTools m_tools;
    QByteArray m_sample;
};

void TestPdfGenerator::initTestCase()
{
    QVERIFY(m_tools.isValid());
    TavrinDoc doc(QStringLiteral(" "));
    m_sample = convert(doc);
    QVERIFY(m_sample.startsWith("%PDF-"));
}

void TestPdfGenerator::sampleDocumentRows()
{
    const ToolResult check = m_tools.run(QStringLiteral("qpdf"), {QStringLiteral("--check"), m_tools.store(m_sample)});
    QVERIFY2(check.started, "qpdf is missing");
    QVERIFY2(check.exitCode == 0, check.output + check.errors);

    const QString info = m_tools.info(m_sample);
    QVERIFY2(QRegularExpression(QStringLiteral("(?m)^Pages:\\s+10$")).match(info).hasMatch(), qPrintable(info));
    QVERIFY2(QRegularExpression(QStringLiteral("(?m)^Page size:\\s+595 x 841 pts")).match(info).hasMatch(), qPrintable(info));

    const QList<QStringList> pages = m_tools.pageRows(m_sample);
    QCOMPARE(pages.size(), 10);
    for (int p = 0; p < pages.size(); ++p)
        QCOMPARE(pages.at(p), sampleRows(p + 1));
}

void TestPdfGenerator::rowGeometry()
{
    const QList<Word> list = words(m_tools, m_sample, 1);
    QList<double> tops;
    for (const Word& w : list) {
        if (w.text.contains(QLatin1Char('/'))) {
            QCOMPARE(qRound(w.xMin * 1000), 60000);
            tops << w.yMin;
        }
    }
    QCOMPARE(tops.size(), 50);
    // pdftotext measures from the top edge; the baseline lies the font's
    // descent above a word's lower edge.
    const double firstBaseline = 841.0 - (list.first().yMax - HELVETICA_DESCENT * FONT_SIZE);
    QVERIFY2(std::abs(firstBaseline - FIRST_BASELINE) < 0.05, qPrintable(QString::number(firstBaseline)));
    for (int i = 1; i < tops.size(); ++i)
        QVERIFY2(std::abs(tops.at(i) - tops.at(i - 1) - ADVANCE) < 0.001, qPrintable(QString::number(i)));
}

void TestPdfGenerator::sampleOutlineAndAnnotation()
{
    const QJsonDocument json = m_tools.json(m_sample);
    const QList<QList<QJsonObject>> annots = annotations(json);
    QCOMPARE(annots.size(), 10);
    QCOMPARE(annots.first().size(), 1);
    for (int p = 1; p < annots.size(); ++p)
        QVERIFY(annots.at(p).isEmpty());
    const QJsonObject note = annots.first().first();
    QCOMPARE(note.value(QStringLiteral("/Subtype")).toString(), QStringLiteral("/Text"));
    QCOMPARE(note.value(QStringLiteral("/Name")).toString(), QStringLiteral("/Note"));
    QCOMPARE(note.value(QStringLiteral("/Contents")).toString(), QStringLiteral("u:") + SAMPLE_NOTE);
    const QJsonArray rect = note.value(QStringLiteral("/Rect")).toArray();
    const double anchor = lineTop(10);
    QCOMPARE(rect.size(), 4);
    QCOMPARE(rect.at(0).toDouble(), 30.0);
    QVERIFY(std::abs(rect.at(1).toDouble() - (anchor - 200)) < 0.01);
    QCOMPARE(rect.at(2).toDouble(), 230.0);
    QVERIFY(std::abs(rect.at(3).toDouble() - anchor) < 0.01);

    const QJsonArray roots = outlines(json);
    QCOMPARE(titles(roots), QStringList({QStringLiteral("Annotations"), QStringLiteral("Index")}));
    for (const QJsonValue& root : roots)
        QCOMPARE(root.toObject().value(QStringLiteral("open")).toBool(), false);

    const QJsonArray notes = roots.at(0).toObject().value(QStringLiteral("kids")).toArray();
    QCOMPARE(titles(notes), QStringList({QStringLiteral("This is a test!...")}));
    const QJsonObject noteEntry = notes.at(0).toObject();
    QCOMPARE(noteEntry.value(QStringLiteral("destpageposfrom1")).toInt(), 1);
    const QJsonArray noteDest = noteEntry.value(QStringLiteral("dest")).toArray();
    QCOMPARE(noteDest.at(1).toString(), QStringLiteral("/XYZ"));
    QCOMPARE(noteDest.at(2).toDouble(), 0.0);
    QVERIFY(std::abs(noteDest.at(3).toDouble() - anchor) < 0.01);
    QCOMPARE(noteDest.at(4).toDouble(), 1.0);

    const QJsonArray indexKids = roots.at(1).toObject().value(QStringLiteral("kids")).toArray();
    QCOMPARE(titles(indexKids), QStringList({QStringLiteral("Test")}));
    QCOMPARE(indexKids.at(0).toObject().value(QStringLiteral("open")).toBool(), false);
    const QJsonArray entries = indexKids.at(0).toObject().value(QStringLiteral("kids")).toArray();
    QCOMPARE(titles(entries), QStringList({QStringLiteral("1/20"), QStringLiteral("1/25"), QStringLiteral("3/5"),
                                           QStringLiteral("7/17"), QStringLiteral("10/40")}));
    const int pages[] = {1, 1, 3, 7, 10};
    const int lines[] = {20, 25, 5, 17, 40};
    for (int i = 0; i < entries.size(); ++i) {
        const QJsonObject entry = entries.at(i).toObject();
        QCOMPARE(entry.value(QStringLiteral("destpageposfrom1")).toInt(), pages[i]);
        const QJsonArray dest = entry.value(QStringLiteral("dest")).toArray();
        QCOMPARE(dest.at(2).toDouble(), 0.0);
        QVERIFY2(std::abs(dest.at(3).toDouble() - lineTop(lines[i])) < 0.01, qPrintable(entry.value(QStringLiteral("title")).toString()));
        QCOMPARE(dest.at(4).toDouble(), 1.0);
    }
}

void TestPdfGenerator::realDocument()
{
    TavrinDoc doc(QStringLiteral(
        "<tavrindoc>\n"
        "  <page>\n"
        "    <line>Gr\u00fc\u00dfe, caf\u00e9, na\u00efve</line>\n"
        "    <line note=\"Gr\u00fc\u00dfe: \u20ac 5 &amp; \u4e2d\">Price \u20ac 5 &lt;net&gt; \u2014 \u4e2d\u6587 \U0001F600</line>\n"
        "    <line>tab\there</line>\n"
        "  </page>\n"
        "  <page><line>second page</line></page>\n"
        "</tavrindoc>"));
    QCOMPARE(doc.pages.size(), 2);
    const QByteArray pdf = convert(doc);
    QVERIFY(!pdf.isEmpty());

    const QList<QStringList> pages = m_tools.pageRows(pdf);
    QCOMPARE(pages.size(), 2);
    QCOMPARE(pages.at(0), QStringList({QStringLiteral("1/1 Gr\u00fc\u00dfe, caf\u00e9, na\u00efve"),
                                       QStringLiteral("1/2 Price \u20ac 5 <net> \u2014 ?? ?"),
                                       QStringLiteral("1/3 tab here")}));
    QCOMPARE(pages.at(1), QStringList({QStringLiteral("2/1 second page")}));

    const QJsonDocument json = m_tools.json(pdf);
    const QList<QList<QJsonObject>> annots = annotations(json);
    QCOMPARE(annots.at(0).size(), 1);
    QCOMPARE(annots.at(0).first().value(QStringLiteral("/Contents")).toString(),
             QStringLiteral("u:Gr\u00fc\u00dfe: \u20ac 5 & ?"));
    const QJsonArray notes = outlines(json).at(0).toObject().value(QStringLiteral("kids")).toArray();
    QCOMPARE(titles(notes), QStringList({QStringLiteral("Gr\u00fc\u00dfe: \u20ac 5 & ?")}));
    QVERIFY(std::abs(notes.at(0).toObject().value(QStringLiteral("dest")).toArray().at(3).toDouble() - lineTop(2)) < 0.01);
}

void TestPdfGenerator::rowCut_data()
{
    QTest::addColumn<float>("margin");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    // Helvetica's narrowest glyph; 248 fit beside "1/1 " in the default width.
    const QChar narrow = QLatin1Char('\'');
    QTest::newRow("fitting bytes") << 60.0f << QString(300, narrow) << QStringLiteral("1/1 ") + QString(248, narrow);
    // With narrow margins more than 256 bytes fit: the row still stops at 255.
    QTest::newRow("255-byte cap") << 10.0f << QString(300, narrow) << QStringLiteral("1/1 ") + QString(251, narrow);
    // Cut inside a word; nothing wraps.
    QTest::newRow("cut inside a word") << 60.0f << QString(80, QLatin1Char('W')) << QStringLiteral("1/1 ") + QString(50, QLatin1Char('W'));
}

void TestPdfGenerator::rowCut()
{
    QFETCH(float, margin);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    TavrinDoc doc{QString()};
    doc.margin = margin;
    QVERIFY(doc.fromXML(QStringLiteral("<tavrindoc><page><line>") + text + QStringLiteral("</line><line>next</line></page></tavrindoc>")));
    const QByteArray pdf = convert(doc);
    const QList<QStringList> pages = m_tools.pageRows(pdf);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages.at(0), QStringList({shown, QStringLiteral("1/2 next")}));
}

void TestPdfGenerator::rowsBeyondThePage()
{
    // Built by hand: the document reader refuses pages this long.
    TavrinDoc doc{QString()};
    doc.addPage(TavrinDocPage(&doc));
    for (uint l = 1; l <= 60; ++l) {
        TavrinDocLine line(nullptr, 1, l, QStringLiteral("row"));
        if (l == 49 || l == 55)
            line.note = QStringLiteral("note %1").arg(l);
        doc.pages[0].addLine(line);
    }
    const QByteArray pdf = convert(doc);
    const QList<QStringList> pages = m_tools.pageRows(pdf);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages.at(0).size(), 50);
    QCOMPARE(pages.at(0).last(), QStringLiteral("1/50 row"));

    const QJsonDocument json = m_tools.json(pdf);
    QCOMPARE(annotations(json).at(0).size(), 1);
    QCOMPARE(titles(outlines(json).at(0).toObject().value(QStringLiteral("kids")).toArray()), QStringList({QStringLiteral("note 49")}));
}

void TestPdfGenerator::pageWithoutDocument()
{
    TavrinDoc doc{QString()};
    TavrinDocPage page(nullptr);
    page.addLine(TavrinDocLine(nullptr, 1, 1, QStringLiteral("alone")));
    page.addLine(TavrinDocLine(nullptr, 1, 2, QStringLiteral("together")));
    doc.addPage(page);
    const QByteArray pdf = convert(doc);
    QCOMPARE(m_tools.pageRows(pdf), QList<QStringList>({{QStringLiteral("1/1 alone"), QStringLiteral("1/2 together")}}));
    const QList<Word> list = words(m_tools, pdf, 1);
    QCOMPARE(list.size(), 4);
    QCOMPARE(qRound(list.at(0).xMin), 60);
    QVERIFY(std::abs(list.at(2).yMin - list.at(0).yMin - ADVANCE) < 0.001);
}

void TestPdfGenerator::pagesWithoutLines()
{
    TavrinDoc doc(QStringLiteral("<tavrindoc><page/><page/></tavrindoc>"));
    const QByteArray pdf = convert(doc);
    QVERIFY(QRegularExpression(QStringLiteral("(?m)^Pages:\\s+2$")).match(m_tools.info(pdf)).hasMatch());
    const QJsonArray roots = outlines(m_tools.json(pdf));
    QCOMPARE(titles(roots), QStringList({QStringLiteral("Annotations"), QStringLiteral("Index")}));
    QVERIFY(roots.at(0).toObject().value(QStringLiteral("kids")).toArray().isEmpty());
    const QJsonArray test = roots.at(1).toObject().value(QStringLiteral("kids")).toArray();
    QCOMPARE(titles(test), QStringList({QStringLiteral("Test")}));
    QVERIFY(test.at(0).toObject().value(QStringLiteral("kids")).toArray().isEmpty());
}

void TestPdfGenerator::libraryErrorRecovers_data()
{
    QTest::addColumn<QString>("fontFace");
    QTest::addColumn<uint>("pageNumber");

    QTest::newRow("unknown font") << QStringLiteral("NoSuchFont") << 1u;
    // An index line numbered beyond the pages made has no destination.
    QTest::newRow("index line without page") << QStringLiteral("Helvetica") << 3u;
}

void TestPdfGenerator::libraryErrorRecovers()
{
    QFETCH(QString, fontFace);
    QFETCH(uint, pageNumber);

    TavrinDoc doc{QString()};
    doc.fontFace = fontFace;
    doc.addPage(TavrinDocPage(&doc));
    doc.pages[0].addLine(TavrinDocLine(nullptr, pageNumber, 5, QStringLiteral("text")));

    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^\"Haru PDF Error #\\d+, Detail #\\d+\"$")));
    QString error;
    QVERIFY(PdfGenerator::toPdfBinary(doc, error).isEmpty());
    QCOMPARE(error, PDF_OBJECT_FAILED);

    TavrinDoc next(QStringLiteral(" "));
    const QByteArray pdf = PdfGenerator::toPdfBinary(next, error);
    QVERIFY(error.isEmpty());
    QCOMPARE(pdf.size(), m_sample.size());
}

void TestPdfGenerator::emptyDocument()
{
    TavrinDoc doc{QString()};
    QString error = QStringLiteral("stale");
    QVERIFY(PdfGenerator::toPdfBinary(doc, error).isEmpty());
    QCOMPARE(error, QStringLiteral("TavrinDoc is empty."));
}

void TestPdfGenerator::writeToFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TavrinDoc doc(QStringLiteral(" "));
    QString error;
    const QString path = dir.filePath(QStringLiteral("out.pdf"));
    QVERIFY(PdfGenerator::writeToFile(doc, path, error));
    QVERIFY(error.isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), m_sample);

    QVERIFY(!PdfGenerator::writeToFile(doc, dir.filePath(QStringLiteral("missing/out.pdf")), error));
    QVERIFY(!error.isEmpty());

    TavrinDoc empty{QString()};
    QVERIFY(!PdfGenerator::writeToFile(empty, path, error));
    QCOMPARE(error, QStringLiteral("TavrinDoc is empty."));
    QCOMPARE(QFileInfo(path).size(), qint64(m_sample.size()));
}

void TestPdfGenerator::tavrinXmlToPdf_data()
{
    QTest::addColumn<QString>("docxml");
    QTest::addColumn<QString>("pdfName");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("message");  // a pattern

    const QString failed = QStringLiteral("^Could not convert Tavrin XML to PDF\\. ");
    QTest::newRow("no document") << QString() << QStringLiteral("Minutes") << 1000 << QStringLiteral("Minutes.pdf")
                                 << QStringLiteral("^Could not convert Tavrin XML to PDF\\. The xml data was not provided\\.$");
    QTest::newRow("extension added") << QStringLiteral(" ") << QStringLiteral("Minutes") << 0 << QStringLiteral("Minutes.pdf") << QString();
    QTest::newRow("capitals kept") << QStringLiteral(" ") << QStringLiteral("Minutes.PDF") << 0 << QStringLiteral("Minutes.PDF") << QString();
    QTest::newRow("mixed case kept") << QStringLiteral(" ") << QStringLiteral("Minutes.Pdf") << 0 << QStringLiteral("Minutes.Pdf") << QString();
    QTest::newRow("other extension") << QStringLiteral(" ") << QStringLiteral("Minutes.pdf.bak") << 0 << QStringLiteral("Minutes.pdf.bak.pdf") << QString();
    QTest::newRow("no name") << QStringLiteral(" ") << QString() << 0 << QStringLiteral("unknown.pdf") << QString();
    QTest::newRow("folders dropped") << QStringLiteral(" ") << QStringLiteral("reports/Minutes") << 0 << QStringLiteral("Minutes.pdf") << QString();
    QTest::newRow("absolute path") << QStringLiteral(" ") << QStringLiteral("/tmp/a/b c.pdf") << 0 << QStringLiteral("b c.pdf") << QString();
    QTest::newRow("folder only") << QStringLiteral(" ") << QStringLiteral("reports/") << 0 << QStringLiteral("unknown.pdf") << QString();
    QTest::newRow("real document") << QStringLiteral("<tavrindoc><page><line>a</line></page></tavrindoc>") << QStringLiteral("a")
                                   << 0 << QStringLiteral("a.pdf") << QString();
    QTest::newRow("bad document") << QStringLiteral("<tavrindoc><page>") << QStringLiteral("a") << 1001 << QStringLiteral("a.pdf")
                                  << failed + QStringLiteral("Invalid document at line 1, column \\d+: .+$");
    QTest::newRow("document without pages") << QStringLiteral("<tavrindoc/>") << QStringLiteral("a") << 1001 << QStringLiteral("a.pdf")
                                            << failed + QStringLiteral("TavrinDoc is empty\\.$");
}

void TestPdfGenerator::tavrinXmlToPdf()
{
    QFETCH(QString, docxml);
    QFETCH(QString, pdfName);
    QFETCH(int, code);
    QFETCH(QString, fileName);
    QFETCH(QString, message);

    QByteArray pdf("stale");
    QString name;
    QString text = QStringLiteral("stale");
    QCOMPARE(PdfGenerator::tavrinXmlToPdf(docxml, pdfName, pdf, name, text), code);
    QCOMPARE(name, fileName);
    if (code == 0) {
        QVERIFY(text.isEmpty());
        QVERIFY(pdf.startsWith("%PDF-"));
        if (docxml == QLatin1String(" "))
            QCOMPARE(pdf.size(), m_sample.size());
    } else {
        QVERIFY(pdf.isEmpty());
        QVERIFY2(QRegularExpression(message).match(text).hasMatch(), qPrintable(text));
    }
}

QTEST_GUILESS_MAIN(TestPdfGenerator)
#include "tst_pdfgenerator.moc"
