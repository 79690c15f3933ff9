#include "common/TestFiles.h"
#include "pdf/PdfGenerator.h"
#include "pdf/TavrinDoc.h"
#include "pdf/WinAnsi.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTextCodec>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString SAMPLE_NOTE = QStringLiteral("This is a test! This is a test! This is a test! This is a test!");
const double HELVETICA_DESCENT = 0.207;

// 50 rows between the margins of a 595 x 841 page, with gaps of half a row.
struct Layout {
    double margin;
    double fontSize() const { return (841.0 - 2 * margin) / 74.5; }
    double baseline(int line) const { return 841.0 - margin - (line - 1) * 1.5 * fontSize(); }
    // "L<n>" when `top` is the top of row n (where notes and index entries lead), else the figure.
    QString at(double top) const
    {
        const int line = qRound((baseline(1) + fontSize() - top) / (1.5 * fontSize())) + 1;
        return qAbs(baseline(line) + fontSize() - top) < 0.01 ? QStringLiteral("L%1").arg(line) : QString::number(top);
    }
};

// The sample document's first `rows` lines of each page as "p/l text", `note` added to the noted line.
QList<QStringList> sample(int rows, const QString& note = QString())
{
    QList<QStringList> pages;
    for (int p = 1; p <= 10; ++p) {
        pages.append(QStringList());
        for (int l = 1; l <= rows; ++l)
            pages.last() << QStringLiteral("%1/%2 ").arg(p).arg(l) + QString(l, QLatin1Char('X')) + (p == 1 && l == 10 ? note : QString());
    }
    return pages;
}

// "p/l text[note]" per line, lines joined by ", ", pages by " | ".
QString describe(const QList<QStringList>& pages)
{
    QStringList list;
    for (const QStringList& page : pages)
        list << page.join(QStringLiteral(", "));
    return list.join(QStringLiteral(" | "));
}

QString describe(const TavrinDoc& doc)
{
    QList<QStringList> pages;
    for (const TavrinDocPage& page : doc.pages) {
        pages.append(QStringList());
        for (const TavrinDocLine& line : page.lines)
            pages.last() << QStringLiteral("%1/%2 ").arg(line.pageNumber).arg(line.lineNumber) + line.text
                                + (line.note.isNull() ? QString() : QLatin1Char('[') + line.note + QLatin1Char(']'));
    }
    return describe(pages);
}

// Runs a reader on the PDF: "@" in `command` stands for its file.
QString run(const QByteArray& pdf, const QString& command, int* exitCode = nullptr)
{
    static QTemporaryDir dir;
    static int files = 0;
    const QString path = dir.filePath(QStringLiteral("doc%1.pdf").arg(++files));
    if (!writeFile(path, pdf))
        return QString();
    QStringList arguments = command.split(QLatin1Char(' ')).replaceInStrings(QRegularExpression(QStringLiteral("^@$")), path);
    QProcess process;
    process.start(arguments.takeFirst(), arguments);
    process.waitForFinished(120000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

// pdftotext's rows, page by page, empty rows dropped.
QList<QStringList> pageRows(const QByteArray& pdf)
{
    QStringList parts = run(pdf, QStringLiteral("pdftotext -enc UTF-8 @ -")).split(QLatin1Char('\f'));
    parts.removeLast();
    QList<QStringList> pages;
    for (const QString& part : parts)
        pages.append(part.split(QLatin1Char('\n'), Qt::SkipEmptyParts));
    return pages;
}

// The outline as "parent>title [closed] -> page /XYZ left top zoom" lines.
void outline(const QJsonArray& items, const QString& prefix, const Layout& layout, QStringList& lines)
{
    for (const QJsonValue& item : items) {
        const QJsonObject entry = item.toObject();
        const QString path = prefix + entry.value(QLatin1String("title")).toString();
        const QJsonArray kids = entry.value(QLatin1String("kids")).toArray();
        const QJsonArray dest = entry.value(QLatin1String("dest")).toArray();
        lines << path;
        if (!kids.isEmpty())
            lines.last() += entry.value(QLatin1String("open")).toBool() ? QStringLiteral(" [open]") : QStringLiteral(" [closed]");
        if (!dest.isEmpty())
            lines.last() += QStringLiteral(" -> %1 %2 %3 %4 %5").arg(entry.value(QLatin1String("destpageposfrom1")).toInt())
                                .arg(dest.at(1).toString()).arg(dest.at(2).toDouble()).arg(layout.at(dest.at(3).toDouble()))
                                .arg(dest.at(4).toDouble());
        outline(kids, path + QLatin1Char('>'), layout, lines);
    }
}

// The annotations as "page subtype icon width x height at top x left: contents", then the outline.
QStringList structure(const QByteArray& pdf, const Layout& layout)
{
    const QJsonObject json = QJsonDocument::fromJson(run(pdf, QStringLiteral("qpdf --json @")).toUtf8()).object();
    const QJsonObject objects = json.value(QLatin1String("qpdf")).toArray().at(1).toObject();
    auto value = [&objects](const QJsonValue& ref) {
        return objects.value(QStringLiteral("obj:") + ref.toString()).toObject().value(QLatin1String("value")).toObject();
    };
    QStringList lines;
    const QJsonArray pages = json.value(QLatin1String("pages")).toArray();
    for (int p = 0; p < pages.size(); ++p) {
        for (const QJsonValue& ref : value(pages.at(p).toObject().value(QLatin1String("object"))).value(QLatin1String("/Annots")).toArray()) {
            const QJsonObject note = value(ref);
            const QJsonArray r = note.value(QLatin1String("/Rect")).toArray();
            lines << QStringLiteral("p%1 %2 %3 %4x%5 at %6 x %7: ").arg(p + 1)
                         .arg(note.value(QLatin1String("/Subtype")).toString(), note.value(QLatin1String("/Name")).toString())
                         .arg(r.at(2).toDouble() - r.at(0).toDouble()).arg(r.at(3).toDouble() - r.at(1).toDouble())
                         .arg(layout.at(r.at(3).toDouble())).arg(r.at(0).toDouble())
                     + note.value(QLatin1String("/Contents")).toString();
        }
    }
    outline(json.value(QLatin1String("outlines")).toArray(), QString(), layout, lines);
    return lines;
}
}

class TestPdfGenerator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fromXML_data();
    void fromXML();
    void conversion_data();
    void conversion();
    void libraryErrorRecovers();
    void winAnsiAsTheCodec();
    void emptyDocumentAndFiles();
    void tavrinXmlToPdf_data();
    void tavrinXmlToPdf();

private:
    QByteArray m_sample;
};

void TestPdfGenerator::initTestCase()
{
    TavrinDoc doc(QStringLiteral(" "));
    QString error;
    m_sample = PdfGenerator::toPdfBinary(doc, error);
    QVERIFY2(m_sample.startsWith("%PDF-"), qPrintable(error));
}

void TestPdfGenerator::fromXML_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("expected");  // describe() of the pages, or the error pattern

    const QString P = QStringLiteral("<tavrindoc><page>");
    const QString E = QStringLiteral("</page></tavrindoc>");
    const QString line = QStringLiteral("<line>l</line>");
    const QString at = QStringLiteral("^Invalid document at line %1, column \\d+: ");

    QTest::newRow("well-formed")
        << QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- c -->\n<tavrindoc>\n  <page/>\n  <page>\n"
                          "    <line/><line> Gr\u00fc\u00dfe, caf\u00e9 </line><!-- c -->\n  </page>\n</tavrindoc>\n")
        << true << QStringLiteral(" | 2/1 , 2/2  Gr\u00fc\u00dfe, caf\u00e9 ");
    QTest::newRow("note attribute")
        << QStringLiteral(" \n\t") + P + QStringLiteral("<line>a</line><line note=\"a note\">b</line><line note=\"\">c</line>") + E
        << true << QStringLiteral("1/1 a, 1/2 b[a note], 1/3 c[]");
    QTest::newRow("entities and CDATA")
        << QStringLiteral("<!DOCTYPE tavrindoc [<!ENTITY who \"W\">]><tavrindoc><page><line note=\"&quot;q&quot; &amp; &#x20AC;\">"
                          "a &amp; &lt;c&gt; &#233; &who; <![CDATA[<raw> & ]]></line>") + E
        << true << QStringLiteral("1/1 a & <c> \u00e9 W <raw> & [\"q\" & \u20ac]");
    QTest::newRow("no pages") << QStringLiteral("<tavrindoc/>") << true << QString();
    const QString noted = describe(sample(100, QLatin1Char('[') + SAMPLE_NOTE + QLatin1Char(']')));
    QTest::newRow("non-XML text") << QStringLiteral(" ") << true << noted;
    QTest::newRow("non-XML text with tags") << QStringLiteral("plain <tavrindoc/>") << true << noted;

    QTest::newRow("empty text") << QString() << false << QStringLiteral("^XML data not provided$");
    QTest::newRow("not well-formed") << QStringLiteral("<tavrindoc>\n<page>\n<line>a</lin>\n</page></tavrindoc>") << false
                                     << at.arg(3) + QStringLiteral(".+");
    QTest::newRow("undeclared entity") << P + QStringLiteral("<line>a&nbsp;b</line>") + E << false << at.arg(1) + QStringLiteral(".+");
    QTest::newRow("other root") << QStringLiteral("<html><body/></html>") << false
                                << QStringLiteral("^Invalid document at line 1, column 6: the root element must be <tavrindoc>, not <html>$");
    QTest::newRow("unknown element") << P + QStringLiteral("<line>a <b>bold</b></line>") + E << false
                                     << QStringLiteral("unknown element <b>$");
    QTest::newRow("unknown attribute") << P + QStringLiteral("<line colour=\"red\">a</line>") + E << false
                                       << QStringLiteral("unknown attribute \"colour\" of <line>$");
    QTest::newRow("text outside a line") << P + QStringLiteral("stray") + E << false << QStringLiteral("text outside a <line>$");
    // 50 lines fill a page; the 51st is refused.
    QTest::newRow("page over linesPerPage") << P + line.repeated(50) + QStringLiteral("</page>\n<page>") + line.repeated(51) + E
                                            << false << at.arg(2) + QStringLiteral("page 2 has more than 50 lines$");
}

void TestPdfGenerator::fromXML()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(QString, expected);

    // A document read again keeps nothing of its former pages.
    TavrinDoc doc(QStringLiteral("<tavrindoc><page><line>old</line></page></tavrindoc>"));
    QString error = QStringLiteral("stale");
    QCOMPARE(doc.fromXML(text, error), accepted);
    if (accepted) {
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(describe(doc), expected);
        for (const TavrinDocPage& page : doc.pages)
            QCOMPARE(page.doc, &doc);
    } else {
        QVERIFY(doc.pages.isEmpty());
        QVERIFY2(error.contains(QRegularExpression(expected)), qPrintable(error));
    }
}

void TestPdfGenerator::conversion_data()
{
    QTest::addColumn<QString>("xml");  // null: a page built by hand
    QTest::addColumn<double>("margin");
    QTest::addColumn<QList<QStringList>>("pages");
    QTest::addColumn<QStringList>("structure");  // annotations, then the outline

    auto note = [](int line, const QString& text) { return QStringLiteral("p1 /Text /Note 200x200 at L%1 x 30: u:").arg(line) + text; };
    auto link = [](const QString& title, int page, int line) {
        return title + QStringLiteral(" -> %1 /XYZ 0 L%2 1").arg(page).arg(line);
    };
    const QString A = QStringLiteral("Annotations [closed]");
    const QString I = QStringLiteral("Index [closed]");
    const QString T = QStringLiteral("Index>Test [closed]");

    // Only the 50 rows of each 100-line page that fit are shown; a long note's title keeps its last 15 characters.
    QStringList lines = {note(10, SAMPLE_NOTE), A, link(QStringLiteral("Annotations>This is a test!..."), 1, 10), I, T};
    for (const QPoint& entry : {QPoint(1, 20), QPoint(1, 25), QPoint(3, 5), QPoint(7, 17), QPoint(10, 40)})
        lines << link(QStringLiteral("Index>Test>%1/%2").arg(entry.x()).arg(entry.y()), entry.x(), entry.y());
    QTest::newRow("sample") << QStringLiteral(" ") << 60.0 << sample(50) << lines;

    // Letters outside Windows-1252 print as "?", control characters as blanks.
    const QString grusse = QStringLiteral("Gr\u00fc\u00dfe: \u20ac 5 & ?");
    QTest::newRow("real document")
        << QStringLiteral("<tavrindoc>\n  <page>\n    <line>Gr\u00fc\u00dfe, caf\u00e9, na\u00efve</line>\n    <line note=\"Gr\u00fc\u00dfe: "
                          "\u20ac 5 &amp; \u4e2d\">Price \u20ac 5 &lt;net&gt; \u2014 \u4e2d\u6587 \U0001F600</line>\n"
                          "    <line>tab\there</line>\n  </page>\n  <page><line>second page</line></page>\n</tavrindoc>")
        << 60.0
        << QList<QStringList>({{QStringLiteral("1/1 Gr\u00fc\u00dfe, caf\u00e9, na\u00efve"),
                                QStringLiteral("1/2 Price \u20ac 5 <net> \u2014 ?? ?"), QStringLiteral("1/3 tab here")},
                               {QStringLiteral("2/1 second page")}})
        << QStringList({note(2, grusse), A, link(QStringLiteral("Annotations>") + grusse, 1, 2), I, QStringLiteral("Index>Test")});

    // Rows are cut at the text width, inside a word, and never wrap.
    const QString two = QStringLiteral("</line><line>next</line></page></tavrindoc>");
    const QStringList bare = {QStringLiteral("Annotations"), I, QStringLiteral("Index>Test")};
    QTest::newRow("cut at the width") << QStringLiteral("<tavrindoc><page><line>") + QString(80, QLatin1Char('W')) + two << 60.0
        << QList<QStringList>({{QStringLiteral("1/1 ") + QString(50, QLatin1Char('W')), QStringLiteral("1/2 next")}}) << bare;
    // With narrow margins more than 256 of Helvetica's narrowest glyph fit: a row still stops at 255 bytes.
    QTest::newRow("255-byte cap") << QStringLiteral("<tavrindoc><page><line>") + QString(300, QLatin1Char('\'')) + two << 10.0
        << QList<QStringList>({{QStringLiteral("1/1 ") + QString(251, QLatin1Char('\'')), QStringLiteral("1/2 next")}}) << bare;

    // A page naming no document takes the layout of the one written: 50 of its 60 rows, no note for row 55.
    QTest::newRow("page without document") << QString() << 60.0 << QList<QStringList>({sample(50).first().replaceInStrings(
                                                                      QRegularExpression(QStringLiteral("X+$")), QStringLiteral("row"))})
        << QStringList({note(49, QStringLiteral("note 49")), A, link(QStringLiteral("Annotations>note 49"), 1, 49), I, T,
                        link(QStringLiteral("Index>Test>1/20"), 1, 20), link(QStringLiteral("Index>Test>1/25"), 1, 25)});
}

void TestPdfGenerator::conversion()
{
    QFETCH(QString, xml);
    QFETCH(double, margin);
    QFETCH(QList<QStringList>, pages);
    QFETCH(QStringList, structure);

    TavrinDoc doc{QString()};
    doc.margin = float(margin);
    if (xml.isNull()) {
        // Built by hand: the reader refuses pages longer than 50 lines.
        doc.addPage(TavrinDocPage(nullptr));
        for (uint l = 1; l <= 60; ++l) {
            doc.pages[0].addLine(TavrinDocLine(nullptr, 1, l, QStringLiteral("row")));
            if (l == 49 || l == 55)
                doc.pages[0].lines.last().note = QStringLiteral("note %1").arg(l);
        }
    } else {
        QVERIFY(doc.fromXML(xml));
    }
    QString error;
    const QByteArray pdf = PdfGenerator::toPdfBinary(doc, error);
    int exitCode = -1;
    const QString check = run(pdf, QStringLiteral("qpdf --check @"), &exitCode);
    QVERIFY2(exitCode == 0, qPrintable(check + error));
    const QString info = run(pdf, QStringLiteral("pdfinfo @"));
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("(?m)^Pages:\\s+%1$").arg(pages.size()))), qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("(?m)^Page size:\\s+595 x 841 pts"))), qPrintable(info));
    QCOMPARE(pageRows(pdf), pages);

    // pdftotext measures from the top edge; a baseline lies the font's descent above a word's lower edge.
    const Layout layout{margin};
    auto words = QRegularExpression(QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"[\\d.]+\" xMax=\"[\\d.]+\" yMax=\"([\\d.]+)\">\\d+/"))
                     .globalMatch(run(pdf, QStringLiteral("pdftotext -bbox -l 1 @ -")));
    int line = 0;
    while (words.hasNext()) {
        const QRegularExpressionMatch word = words.next();
        QCOMPARE(word.captured(1).toDouble(), margin);
        const double baseline = 841.0 - word.captured(2).toDouble() + HELVETICA_DESCENT * layout.fontSize();
        QVERIFY2(qAbs(baseline - layout.baseline(++line)) < 0.05, qPrintable(QStringLiteral("row %1 at %2").arg(line).arg(baseline)));
    }
    QCOMPARE(line, pages.first().size());
    QCOMPARE(::structure(pdf, layout), structure);
}

void TestPdfGenerator::libraryErrorRecovers()
{
    // An unknown font, and an index line numbered beyond the pages made (it has no destination).
    for (const auto& [fontFace, pageNumber] : {std::pair{"NoSuchFont", 1u}, std::pair{"Helvetica", 3u}}) {
        TavrinDoc doc{QString()};
        doc.fontFace = QLatin1String(fontFace);
        doc.addPage(TavrinDocPage(&doc));
        doc.pages[0].addLine(TavrinDocLine(nullptr, pageNumber, 5, QStringLiteral("text")));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^\"Haru PDF Error #\\d+, Detail #\\d+\"$")));
        QString error;
        QVERIFY(PdfGenerator::toPdfBinary(doc, error).isEmpty());
        QCOMPARE(error, QStringLiteral("Could not create PDF object."));
        TavrinDoc next(QStringLiteral(" "));
        QCOMPARE(PdfGenerator::toPdfBinary(next, error), m_sample);
        QVERIFY(error.isEmpty());
    }
}

// Rows and notes are encoded without a codec, with the system's Windows-1252
// codec's answers: every character but the controls (blanks), and surrogates
// alone, in pairs, and at the end.
void TestPdfGenerator::winAnsiAsTheCodec()
{
    const QTextCodec* codec = QTextCodec::codecForName("Windows-1252");
    QVERIFY(codec);
    QStringList texts;
    for (ushort u = 0x20; u != 0; ++u) {
        if (u < 0x7f || u >= 0xa0)
            texts << QStringLiteral("a") + QChar(u);
    }
    for (const char32_t c : {0x10000u, 0x1f600u, 0x1bca0u, 0x1d17au, 0xe0001u, 0xe0fffu, 0x10ffffu}) {
        const QString pair = QString::fromUcs4(&c, 1);
        texts << pair << pair.left(1) + QLatin1Char('b') << pair.right(1);
    }
    for (const QString& text : texts)
        QCOMPARE(WinAnsi::fromUnicode(text), codec->fromUnicode(text));
    QCOMPARE(WinAnsi::fromUnicode(QStringLiteral("\t\u0001\u007f\u0085\u009f")), QByteArray(5, ' '));
}

void TestPdfGenerator::emptyDocumentAndFiles()
{
    TavrinDoc doc(QStringLiteral(" "));
    TavrinDoc empty{QString()};
    QString error;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.pdf"));
    QVERIFY(PdfGenerator::writeToFile(doc, path, error));
    QVERIFY(error.isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), m_sample);
    // A failed conversion leaves the existing file alone.
    QVERIFY(!PdfGenerator::writeToFile(empty, path, error));
    QCOMPARE(error, QStringLiteral("TavrinDoc is empty."));
    QCOMPARE(QFileInfo(path).size(), qint64(m_sample.size()));
    QVERIFY(!PdfGenerator::writeToFile(doc, dir.filePath(QStringLiteral("missing/out.pdf")), error));
    QVERIFY(!error.isEmpty());
}

void TestPdfGenerator::tavrinXmlToPdf_data()
{
    QTest::addColumn<QString>("docxml");
    QTest::addColumn<QString>("pdfName");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("message");  // a pattern

    const QString S = QStringLiteral(" ");
    const QString a = QStringLiteral("a");
    const QString failed = QStringLiteral("^Could not convert Tavrin XML to PDF\\. ");
    QTest::newRow("no document") << QString() << QStringLiteral("Minutes") << 1000 << QStringLiteral("Minutes.pdf")
                                 << failed + QStringLiteral("The xml data was not provided\\.$");
    QTest::newRow("extension added") << S << QStringLiteral("Minutes") << 0 << QStringLiteral("Minutes.pdf") << QString();
    QTest::newRow("capitals kept") << S << QStringLiteral("Minutes.PDF") << 0 << QStringLiteral("Minutes.PDF") << QString();
    QTest::newRow("other extension") << S << QStringLiteral("M.pdf.bak") << 0 << QStringLiteral("M.pdf.bak.pdf") << QString();
    QTest::newRow("folders dropped") << S << QStringLiteral("/tmp/a/b c") << 0 << QStringLiteral("b c.pdf") << QString();
    QTest::newRow("no name") << S << QStringLiteral("reports/") << 0 << QStringLiteral("unknown.pdf") << QString();
    QTest::newRow("pages without lines") << QStringLiteral("<tavrindoc><page/><page/></tavrindoc>") << a << 0 << QStringLiteral("a.pdf")
                                         << QString();
    QTest::newRow("bad document") << QStringLiteral("<tavrindoc><page>") << a << 1001 << QStringLiteral("a.pdf")
                                  << failed + QStringLiteral("Invalid document at line 1, column \\d+: .+$");
    QTest::newRow("no pages") << QStringLiteral("<tavrindoc/>") << a << 1001 << QStringLiteral("a.pdf")
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
    QVERIFY2(message.isNull() ? text.isEmpty() : text.contains(QRegularExpression(message)), qPrintable(text));
    QVERIFY(code == 0 ? pdf.startsWith("%PDF-") : pdf.isEmpty());
    if (docxml == QLatin1String(" "))
        QCOMPARE(pdf, m_sample);
}

QTEST_GUILESS_MAIN(TestPdfGenerator)
#include "tst_pdfgenerator.moc"
