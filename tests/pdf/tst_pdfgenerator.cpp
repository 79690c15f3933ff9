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

using Pages = QList<QStringList>;

namespace {
const QString SAMPLE_NOTE = "This is a test! This is a test! This is a test! This is a test!";

// "L<row>" for the row whose top is `top` on a 595 x 841 page: 50 rows between the margins, gaps of half a row.
QString at(double margin, double top)
{
    const double fontSize = (841.0 - 2 * margin) / 74.5;
    return 'L' + QString::number((841.0 - margin + fontSize - top) / (1.5 * fontSize) + 1, 'f', 2);
}

// The sample document's first `rows` lines of each page as "p/l text", `note` added to the noted line.
Pages sample(int rows, const QString& note = QString())
{
    Pages pages;
    for (int p = 1; p <= 10; ++p) {
        pages.append(QStringList());
        for (int l = 1; l <= rows; ++l)
            pages.last() << QString("%1/%2 ").arg(p).arg(l) + QString(l, 'X') + (p == 1 && l == 10 ? note : QString());
    }
    return pages;
}

// Runs a reader on the PDF, "@" standing for its file.
QString run(const QByteArray& pdf, const QString& command)
{
    static QTemporaryDir dir;
    QStringList arguments = command.split(' ').replaceInStrings("@", dir.filePath("doc.pdf"));
    QProcess process;
    if (writeFile(dir.filePath("doc.pdf"), pdf))
        process.start(arguments.takeFirst(), arguments);
    process.waitForFinished(120000);
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

// The outline as "parent>title -> page /XYZ left top zoom" lines, " [open]" after a section shown opened.
void outline(const QJsonArray& items, const QString& prefix, double margin, QStringList& lines)
{
    for (const QJsonValue& item : items) {
        const QJsonObject entry = item.toObject();
        const QJsonArray dest = entry["dest"].toArray();
        const QString title = prefix + entry["title"].toString();
        lines << title + (!entry["kids"].toArray().isEmpty() && entry["open"].toBool() ? " [open]" : "");
        if (!dest.isEmpty())
            lines.last() += QString(" -> %1 %2 %3 %4 %5").arg(entry["destpageposfrom1"].toInt()).arg(dest[1].toString())
                                .arg(dest[2].toDouble()).arg(at(margin, dest[3].toDouble())).arg(dest[4].toDouble());
        outline(entry["kids"].toArray(), title + '>', margin, lines);
    }
}

// As qpdf reads them: the notes as "subtype icon width x height top left-in-margins: contents", then the outline.
QStringList structure(const QByteArray& pdf, double margin)
{
    const QJsonObject json = QJsonDocument::fromJson(run(pdf, "qpdf --json @").toUtf8()).object();
    QStringList lines;
    for (const QJsonValue& object : json["qpdf"].toArray()[1].toObject()) {
        const QJsonObject note = object.toObject()["value"].toObject();
        const QJsonArray r = note["/Rect"].toArray();
        if (note["/Type"].toString() == "/Annot")
            lines << QString("%1 %2 %3x%4 %5 %6m: ").arg(note["/Subtype"].toString(), note["/Name"].toString())
                             .arg(r[2].toDouble() - r[0].toDouble()).arg(r[3].toDouble() - r[1].toDouble())
                             .arg(at(margin, r[3].toDouble())).arg(r[0].toDouble() / margin)
                         + note["/Contents"].toString();
    }
    outline(json["outlines"].toArray(), QString(), margin, lines);
    return lines;
}
}

class TestPdfGenerator : public QObject
{
    Q_OBJECT
private slots:
    void fromXML_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Pages>("pages");
        QTest::addColumn<QString>("error"); // a pattern; null when the text is accepted
        const QString P = "<tavrindoc><page>";
        const QString E = "</page></tavrindoc>";
        const QString position = "^Invalid document at line %1, column \\d+: ";
        QTest::newRow("well-formed")
            << " \n\t<!-- c -->\n<!DOCTYPE tavrindoc [<!ENTITY who \"W\">]>\n<tavrindoc>\n<page/>\n<page>\n<line/>"
               "<line note=\"&quot;q&quot; &amp; &#x20AC;\"> a &amp; &lt;c&gt; &#233; &who; <![CDATA[<raw> & ]]>"
               "</line><line note=\"\">c</line><!-- c -->\n</page>\n</tavrindoc>\n"
            << Pages{{}, {"2/1 ", "2/2  a & <c> \u00e9 W <raw> & [\"q\" & \u20ac]", "2/3 c[]"}} << QString();
        QTest::newRow("no pages") << "<tavrindoc/>" << Pages() << QString();
        QTest::newRow("non-XML text") << "plain <tavrindoc/>" << sample(100, '[' + SAMPLE_NOTE + ']') << QString();
        QTest::newRow("empty text") << QString() << Pages() << "^XML data not provided$";
        QTest::newRow("not well-formed") << "<tavrindoc>\n<page>\n<line>a</lin>" << Pages() << position.arg(3) + ".+";
        QTest::newRow("other root") << "<html/>" << Pages() << "the root element must be <tavrindoc>, not <html>$";
        QTest::newRow("element") << P + "<line>a <b>bold</b></line>" + E << Pages() << "unknown element <b>$";
        QTest::newRow("attribute") << P + "<line x=\"\"/>" + E << Pages() << "unknown attribute \"x\" of <line>$";
        QTest::newRow("text outside a line") << P + "stray" + E << Pages() << "text outside a <line>$";
        // Entities: what the reader does not expand is refused where it is referenced, just past its ";".
        const QString external = "<!DOCTYPE tavrindoc [<!ENTITY e SYSTEM \"file:///etc/passwd\">%1]>\n";
        const QString at = "^Invalid document at line %1, column %2: ";
        QTest::newRow("undeclared entity") << P + "\n<line>a&x;b</line>" + E << Pages()
                                           << at.arg(2).arg(10) + "Entity 'x' not declared\\.$";
        QTest::newRow("external entity") << external.arg("") + P + "\n<line>a&e;b</line>" + E << Pages()
                                         << at.arg(3).arg(10) + "unresolved entity &e;$";
        QTest::newRow("external entity alone in a line, CR LF")
            << external.arg("") + P + "\r\n<line/><line>&e;</line>" + E << Pages()
            << at.arg(3).arg(16) + "unresolved entity &e;$";
        QTest::newRow("PUBLIC entity") << "<!DOCTYPE tavrindoc [<!ENTITY pub PUBLIC \"-//V//E\" \"p.ent\">]>" + P
                                              + "<line>&pub;</line>" + E
                                       << Pages() << at.arg(1).arg(89) + "unresolved entity &pub;$";
        QTest::newRow("internal entity holding an external one")
            << external.arg("<!ENTITY deep '[&#38;e;]'><!ENTITY i 'x&deep;y'>") + P + "<line>&i;</line>" + E << Pages()
            << at.arg(2).arg(26) + "unresolved entity &i;$";
        // A chain of entities declared from its far end is followed to its end.
        QString chain;
        for (int i = 50; i > 1; --i)
            chain += QString("<!ENTITY c%1 '&c%2;'>").arg(i).arg(i - 1);
        QTest::newRow("external entity behind a chain declared backwards")
            << external.arg(chain + "<!ENTITY c1 '&e;'>") + P + "<line>&c50;</line>" + E << Pages()
            << at.arg(2).arg(28) + "unresolved entity &c50;$";
        QTest::newRow("external entity declared, not referenced")
            << external.arg("<!ENTITY w 'W'>") + P + "<line note=\"&w;\">&w; <!-- > &e; --><![CDATA[> &e;]]> &amp;e;"
                   "</line><?pi > &e;?>" + E
            << Pages{{"1/1 W > &e; &e;[W]"}} << QString();
        // Declarations after an unread parameter entity are not taken: their references stay unresolved.
        QTest::newRow("external parameter entity")
            << "<!DOCTYPE tavrindoc [<!ENTITY % p SYSTEM \"p.ent\"> %p; <!ENTITY w 'W'>]>" + P + "<line>&w;</line>" + E
            << Pages() << at.arg(1).arg(97) + "unresolved entity &w;$";
        QTest::newRow("external entity in an attribute")
            << external.arg("") + P + "<line note=\"> &e;\"/>" + E << Pages()
            << position.arg(2) + "Reference to external entity 'e' in attribute value\\.$";
        const QString line = "<line>l</line>";
        QTest::newRow("page over linesPerPage") << P + line.repeated(50) + "</page>\n<page>" + line.repeated(51) + E
                                                << Pages() << position.arg(2) + "page 2 has more than 50 lines$";
    }
    // The document model, and the conversion the page asks for, which reports its refusals.
    void fromXML()
    {
        QFETCH(QString, text);
        QFETCH(Pages, pages);
        QFETCH(QString, error);
        TavrinDoc doc("<tavrindoc><page><line>old</line></page></tavrindoc>");
        QString reason = "stale";
        QCOMPARE(doc.fromXML(text, reason), error.isNull());
        QVERIFY2(error.isNull() ? reason.isEmpty() : reason.contains(QRegularExpression(error)), qPrintable(reason));
        Pages read;
        for (const TavrinDocPage& page : doc.pages) {
            QCOMPARE(page.doc, &doc);
            read.append(QStringList());
            for (const TavrinDocLine& line : page.lines)
                read.last() << QString("%1/%2 ").arg(line.pageNumber).arg(line.lineNumber) + line.text
                                   + (line.note.isNull() ? QString() : '[' + line.note + ']');
        }
        QCOMPARE(read, pages);
        if (text.isEmpty() || (error.isNull() && pages.isEmpty()))
            reason = text.isEmpty() ? "The xml data was not provided." : "TavrinDoc is empty.";
        QByteArray pdf("stale");
        QString name;
        QString message = "stale";
        const int code = PdfGenerator::tavrinXmlToPdf(text, "/tmp/a/Minutes", pdf, name, message);
        QCOMPARE(code, reason.isEmpty() ? 0 : text.isEmpty() ? 1000 : 1001);
        QCOMPARE(message, reason.isEmpty() ? QString() : "Could not convert Tavrin XML to PDF. " + reason);
        QCOMPARE(name, QString("Minutes.pdf"));
        QVERIFY(reason.isEmpty() ? pdf.startsWith("%PDF-") : pdf.isEmpty());
    }

    void pdfFileName()
    {
        for (const QString pair :
             {"Minutes.PDF>Minutes.PDF", "M.pdf.bak>M.pdf.bak.pdf", "a/b c>b c.pdf", "reports/>unknown.pdf"})
            QCOMPARE(PdfGenerator::pdfFileName(pair.section('>', 0, 0)), pair.section('>', 1));
    }

    void conversion_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<double>("margin");
        QTest::addColumn<Pages>("pages");
        QTest::addColumn<QStringList>("structure"); // notes, then the outline
        auto note = [](int l, const QString& t) { return QString("/Text /Note 200x200 L%1.00 0.5m: u:").arg(l) + t; };
        auto link = [](const QString& t, int p, int l) { return t + QString(" -> %1 /XYZ 0 L%2.00 1").arg(p).arg(l); };
        // Only the 50 rows of each 100-line page that fit are shown.
        QStringList lines = {note(10, SAMPLE_NOTE), "Annotations", link("Annotations>This is a test!...", 1, 10)};
        lines << "Index" << "Index>Test";
        for (const QPoint& entry : {QPoint(1, 20), QPoint(1, 25), QPoint(3, 5), QPoint(7, 17), QPoint(10, 40)})
            lines << link(QString("Index>Test>%1/%2").arg(entry.x()).arg(entry.y()), entry.x(), entry.y());
        QTest::newRow("sample") << " " << 50.0 << sample(50) << lines;
        // Outside Windows-1252 "?", controls blank; rows cut at the width, unwrapped, and at 255 bytes (narrow margins
        // fit over 256 of the narrowest glyph); a note's title of 15 characters is kept whole, of more its end.
        const QString grusse = "Gr\u00fc\u00dfe: \u20ac 50 & ?";
        QTest::newRow("real document")
            << "<tavrindoc><page><line note=\"Gr\u00fc\u00dfe: \u20ac 50 &amp; \u4e2d\">Gr\u00fc\u00dfe, caf\u00e9"
               "</line><line note=\"Note begins here and ends \u4e2d there\">Price \u20ac 5 &lt;net&gt; \u2014 "
               "\u4e2d\u6587 \U0001F600</line><line>tab\there</line><line>" + QString(300, '\'') + "</line><line>"
               + QString(80, 'W') + "</line></page><page><line>second page</line></page></tavrindoc>"
            << 10.0
            << Pages{{"1/1 Gr\u00fc\u00dfe, caf\u00e9", "1/2 Price \u20ac 5 <net> \u2014 ?? ?", "1/3 tab here",
                      "1/4 " + QString(251, '\''), "1/5 " + QString(53, 'W')}, {"2/1 second page"}}
            << QStringList({note(1, grusse), note(2, "Note begins here and ends ? there"), "Annotations",
                            link("Annotations>" + grusse, 1, 1), link("Annotations>nd ends ? there...", 1, 2),
                            "Index", "Index>Test"});
    }
    void conversion()
    {
        QFETCH(QString, xml);
        QFETCH(double, margin);
        QFETCH(Pages, pages);
        QFETCH(QStringList, structure);
        TavrinDoc doc(xml);
        doc.margin = float(margin);
        // Pages naming no document take the layout of the one written.
        for (TavrinDocPage& page : doc.pages)
            page.doc = nullptr;
        QString error;
        const QByteArray pdf = PdfGenerator::toPdfBinary(doc, error);
        const QString check = run(pdf, "qpdf --check @");
        QVERIFY2(check.contains("\nNo syntax or stream encoding errors found"), qPrintable(check + error));
        Pages rows;
        for (const QString& page : run(pdf, "pdftotext -enc UTF-8 @ -").split('\f'))
            rows.append(page.split('\n', Qt::SkipEmptyParts));
        QCOMPARE(rows, pages << QStringList()); // after the last page's form feed
        QCOMPARE(::structure(pdf, margin), structure);
    }

    // Failures are reported and leave the file written before alone; the next conversion is sound.
    void failures()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("out.pdf");
        TavrinDoc doc(" ");
        QString error = "stale";
        QVERIFY(PdfGenerator::writeToFile(doc, path, error) && error.isEmpty());
        const QByteArray written = readBytes(path);
        QVERIFY(!PdfGenerator::writeToFile(doc, dir.filePath("missing/out.pdf"), error) && !error.isEmpty());
        // An unknown font, and an index line numbered beyond the pages made (it has no destination).
        for (const auto& [fontFace, pageNumber] : {std::pair{"NoSuchFont", 1u}, std::pair{"Helvetica", 3u}}) {
            TavrinDoc bad{QString()};
            bad.fontFace = fontFace;
            bad.addPage(TavrinDocPage(&bad));
            bad.pages[0].addLine(TavrinDocLine(nullptr, pageNumber, 5, "text"));
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^\"Haru PDF Error #\\d+, Detail #\\d+\"$"));
            QVERIFY(!PdfGenerator::writeToFile(bad, path, error));
            QCOMPARE(error, QString("Could not create PDF object."));
            QCOMPARE(readBytes(path), written);
            QCOMPARE(PdfGenerator::toPdfBinary(doc, error), written);
        }
    }

    // Text is encoded as the system's Windows-1252 codec does: every character but the controls (blanks),
    // and surrogates alone, in pairs, and at the end.
    void winAnsiAsTheCodec()
    {
        QStringList texts;
        for (ushort u = 0x20; u != 0; u = u == 0x7e ? 0xa0 : u + 1)
            texts << QStringLiteral("a") + QChar(u);
        for (const char32_t c : {0x10000u, 0x1f600u, 0x1bca0u, 0x1d17au, 0xe0001u, 0xe0fffu, 0x10ffffu}) {
            const QString pair = QString::fromUcs4(&c, 1);
            texts << pair << pair.left(1) + QLatin1Char('b') << pair.right(1);
        }
        for (const QString& text : texts)
            QCOMPARE(WinAnsi::fromUnicode(text), QTextCodec::codecForName("Windows-1252")->fromUnicode(text));
        QCOMPARE(WinAnsi::fromUnicode(QStringLiteral("\t\u0001\u007f\u0085\u009f")), QByteArray(5, ' '));
    }
};

QTEST_GUILESS_MAIN(TestPdfGenerator)
#include "tst_pdfgenerator.moc"
