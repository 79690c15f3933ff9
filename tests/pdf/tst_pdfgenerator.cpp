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

// "L<n>" when `top` is the top of row n (where notes and index entries lead), else the figure: 50 rows fill the
// height between the margins of a 595 x 841 page, with gaps of half a row.
QString at(double margin, double top)
{
    const double fontSize = (841.0 - 2 * margin) / 74.5;
    const double line = (841.0 - margin + fontSize - top) / (1.5 * fontSize) + 1;
    return qAbs(line - qRound(line)) * 1.5 * fontSize < 0.01 ? QString("L%1").arg(qRound(line)) : QString::number(top);
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

// Runs a reader on the PDF: "@" in `command` stands for its file.
QString run(const QByteArray& pdf, const QString& command)
{
    static QTemporaryDir dir;
    static int files = 0;
    const QString path = dir.filePath(QString("doc%1.pdf").arg(++files));
    QStringList arguments = command.split(' ').replaceInStrings(QRegularExpression("^@$"), path);
    QProcess process;
    if (writeFile(path, pdf))
        process.start(arguments.takeFirst(), arguments);
    process.waitForFinished(120000);
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

// The outline as "parent>title [closed] -> page /XYZ left top zoom" lines.
void outline(const QJsonArray& items, const QString& prefix, double margin, QStringList& lines)
{
    for (const QJsonValue& item : items) {
        const QJsonObject entry = item.toObject();
        const QJsonArray kids = entry.value("kids").toArray();
        const QJsonArray dest = entry.value("dest").toArray();
        lines << prefix + entry.value("title").toString();
        if (!kids.isEmpty())
            lines.last() += entry.value("open").toBool() ? " [open]" : " [closed]";
        if (!dest.isEmpty())
            lines.last() += QString(" -> %1 %2 %3 %4 %5").arg(entry.value("destpageposfrom1").toInt())
                                .arg(dest.at(1).toString()).arg(dest.at(2).toDouble())
                                .arg(at(margin, dest.at(3).toDouble())).arg(dest.at(4).toDouble());
        outline(kids, prefix + entry.value("title").toString() + '>', margin, lines);
    }
}

// The annotations as "subtype icon width x height at top x left in margins: contents", then the outline.
QStringList structure(const QByteArray& pdf, double margin)
{
    const QJsonObject json = QJsonDocument::fromJson(run(pdf, "qpdf --json @").toUtf8()).object();
    QStringList lines;
    for (const QJsonValue& object : json.value("qpdf").toArray().at(1).toObject()) {
        const QJsonObject note = object.toObject().value("value").toObject();
        const QJsonArray r = note.value("/Rect").toArray();
        if (note.value("/Type").toString() == "/Annot")
            lines << QString("%1 %2 %3x%4 at %5 x %6m: ")
                         .arg(note.value("/Subtype").toString(), note.value("/Name").toString())
                         .arg(r.at(2).toDouble() - r.at(0).toDouble()).arg(r.at(3).toDouble() - r.at(1).toDouble())
                         .arg(at(margin, r.at(3).toDouble())).arg(r.at(0).toDouble() / margin)
                     + note.value("/Contents").toString();
    }
    outline(json.value("outlines").toArray(), QString(), margin, lines);
    return lines;
}
}

class TestPdfGenerator : public QObject
{
    Q_OBJECT

    QByteArray sample_;

private slots:
    void initTestCase()
    {
        TavrinDoc doc(" ");
        QString error;
        sample_ = PdfGenerator::toPdfBinary(doc, error);
        QVERIFY2(sample_.startsWith("%PDF-"), qPrintable(error));
    }

    void fromXML_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Pages>("pages");
        QTest::addColumn<QString>("error"); // a pattern; null when the text is accepted

        const QString P = "<tavrindoc><page>";
        const QString E = "</page></tavrindoc>";
        const QString position = "^Invalid document at line %1, column \\d+: ";
        QTest::newRow("well-formed")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- c -->\n<tavrindoc>\n  <page/>\n  <page>\n"
               "    <line/><line> Gr\u00fc\u00dfe, caf\u00e9 </line><!-- c -->\n  </page>\n</tavrindoc>\n"
            << Pages{{}, {"2/1 ", "2/2  Gr\u00fc\u00dfe, caf\u00e9 "}} << QString();
        QTest::newRow("note attribute")
            << " \n\t" + P + "<line>a</line><line note=\"a note\">b</line><line note=\"\">c</line>" + E
            << Pages{{"1/1 a", "1/2 b[a note]", "1/3 c[]"}} << QString();
        QTest::newRow("entities and CDATA")
            << "<!DOCTYPE tavrindoc [<!ENTITY who \"W\">]><tavrindoc><page><line note=\"&quot;q&quot; &amp; &#x20AC;\">"
               "a &amp; &lt;c&gt; &#233; &who; <![CDATA[<raw> & ]]></line>" + E
            << Pages{{"1/1 a & <c> \u00e9 W <raw> & [\"q\" & \u20ac]"}} << QString();
        QTest::newRow("no pages") << "<tavrindoc/>" << Pages() << QString();
        const Pages noted = sample(100, '[' + SAMPLE_NOTE + ']');
        QTest::newRow("non-XML text") << " " << noted << QString();
        QTest::newRow("non-XML text with tags") << "plain <tavrindoc/>" << noted << QString();

        QTest::newRow("empty text") << QString() << Pages() << "^XML data not provided$";
        QTest::newRow("not well-formed") << "<tavrindoc>\n<page>\n<line>a</lin>\n</page></tavrindoc>" << Pages()
                                         << position.arg(3) + ".+";
        QTest::newRow("undeclared entity") << P + "<line>a&nbsp;b</line>" + E << Pages() << position.arg(1) + ".+";
        QTest::newRow("other root") << "<html><body/></html>" << Pages()
                                    << position.arg(1) + "the root element must be <tavrindoc>, not <html>$";
        QTest::newRow("unknown element") << P + "<line>a <b>bold</b></line>" + E << Pages() << "unknown element <b>$";
        QTest::newRow("unknown attribute") << P + "<line colour=\"red\">a</line>" + E << Pages()
                                           << "unknown attribute \"colour\" of <line>$";
        QTest::newRow("text outside a line") << P + "stray" + E << Pages() << "text outside a <line>$";
        // 50 lines fill a page; the 51st is refused.
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

        // A document read again keeps nothing of its former pages.
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

        if (text.isEmpty())
            reason = "The xml data was not provided.";
        else if (error.isNull() && pages.isEmpty())
            reason = "TavrinDoc is empty.";

        QByteArray pdf("stale");
        QString name;
        QString message = "stale";
        const int code = PdfGenerator::tavrinXmlToPdf(text, "/tmp/a/Minutes", pdf, name, message);
        QCOMPARE(code, reason.isEmpty() ? 0 : text.isEmpty() ? 1000 : 1001);
        QCOMPARE(message, reason.isEmpty() ? QString() : "Could not convert Tavrin XML to PDF. " + reason);
        QCOMPARE(name, QString("Minutes.pdf"));
        QVERIFY(reason.isEmpty() ? pdf.startsWith("%PDF-") : pdf.isEmpty());
        if (text == " ")
            QCOMPARE(pdf, sample_);
    }

    void pdfFileName()
    {
        // Folders dropped, ".pdf" added unless there in any case.
        const QStringList names = {"Minutes.PDF", "Minutes.PDF", "M.pdf.bak", "M.pdf.bak.pdf", "a/b c", "b c.pdf",
                                   "reports/", "unknown.pdf"};
        for (int i = 0; i < names.size(); i += 2)
            QCOMPARE(PdfGenerator::pdfFileName(names.at(i)), names.at(i + 1));
    }

    void conversion_data()
    {
        QTest::addColumn<QString>("xml"); // null: a page built by hand
        QTest::addColumn<double>("margin");
        QTest::addColumn<Pages>("pages");
        QTest::addColumn<QStringList>("structure"); // annotations, then the outline

        auto note = [](int line, const QString& text) {
            return QString("/Text /Note 200x200 at L%1 x 0.5m: u:").arg(line) + text;
        };
        auto link = [](const QString& title, int page, int line) {
            return title + QString(" -> %1 /XYZ 0 L%2 1").arg(page).arg(line);
        };
        const QString A = "Annotations [closed]";
        const QString I = "Index [closed]";
        const QString T = "Index>Test [closed]";

        // Only the 50 rows of each 100-line page that fit are shown; a long note's title keeps its last 15 characters.
        QStringList lines = {note(10, SAMPLE_NOTE), A, link("Annotations>This is a test!...", 1, 10), I, T};
        for (const QPoint& entry : {QPoint(1, 20), QPoint(1, 25), QPoint(3, 5), QPoint(7, 17), QPoint(10, 40)})
            lines << link(QString("Index>Test>%1/%2").arg(entry.x()).arg(entry.y()), entry.x(), entry.y());
        QTest::newRow("sample") << " " << 60.0 << sample(50) << lines;

        // Letters outside Windows-1252 print as "?", control characters as blanks.
        const QString grusse = "Gr\u00fc\u00dfe: \u20ac 50 & ?"; // 15 characters: a title kept whole
        QTest::newRow("real document")
            << "<tavrindoc>\n  <page>\n    <line>Gr\u00fc\u00dfe, caf\u00e9, na\u00efve</line>\n"
               "    <line note=\"Gr\u00fc\u00dfe: \u20ac 50 &amp; \u4e2d\">"
               "Price \u20ac 5 &lt;net&gt; \u2014 \u4e2d\u6587 \U0001F600</line>\n    <line>tab\there</line>\n  </page>\n"
               "  <page><line>second page</line></page>\n</tavrindoc>"
            << 60.0
            << Pages{{"1/1 Gr\u00fc\u00dfe, caf\u00e9, na\u00efve", "1/2 Price \u20ac 5 <net> \u2014 ?? ?", "1/3 tab here"},
                     {"2/1 second page"}}
            << QStringList({note(2, grusse), A, link("Annotations>" + grusse, 1, 2), I, "Index>Test"});

        // Rows are cut at the text width, inside a word, and never wrap.
        const QString two = "</line><line>next</line></page></tavrindoc>";
        const QStringList bare = {"Annotations", I, "Index>Test"};
        QTest::newRow("cut at the width") << "<tavrindoc><page><line>" + QString(80, 'W') + two << 60.0
            << Pages{{"1/1 " + QString(50, 'W'), "1/2 next"}} << bare;
        // With narrow margins more than 256 of Helvetica's narrowest glyph fit: a row still stops at 255 bytes.
        QTest::newRow("255-byte cap") << "<tavrindoc><page><line>" + QString(300, '\'') + two << 10.0
            << Pages{{"1/1 " + QString(251, '\''), "1/2 next"}} << bare;

        // A page naming no document takes the layout of the one written: 50 of its 60 rows, no note for row 55.
        // The shortened title of a note keeps its end, not its start.
        const QString long49 = "Note 49 begins here and ends ? there";
        QTest::newRow("page without document") << QString() << 50.0
            << Pages({sample(50).first().replaceInStrings(QRegularExpression("X+$"), "row")})
            << QStringList({note(49, long49), A, link("Annotations>nd ends ? there...", 1, 49), I, T,
                            link("Index>Test>1/20", 1, 20), link("Index>Test>1/25", 1, 25)});
    }

    // Read back by qpdf and pdftotext.
    void conversion()
    {
        QFETCH(QString, xml);
        QFETCH(double, margin);
        QFETCH(Pages, pages);
        QFETCH(QStringList, structure);

        TavrinDoc doc{QString()};
        doc.margin = float(margin);
        if (xml.isNull()) {
            // Built by hand: the reader refuses pages longer than 50 lines.
            doc.addPage(TavrinDocPage(nullptr));
            for (uint l = 1; l <= 60; ++l) {
                doc.pages[0].addLine(TavrinDocLine(nullptr, 1, l, "row"));
                if (l == 49 || l == 55)
                    doc.pages[0].lines.last().note = QString("Note %1 begins here and ends \u4e2d there").arg(l);
            }
        } else {
            QVERIFY(doc.fromXML(xml));
        }
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
        QVERIFY(PdfGenerator::writeToFile(doc, path, error));
        QCOMPARE(error, QString());
        QVERIFY(!PdfGenerator::writeToFile(doc, dir.filePath("missing/out.pdf"), error));
        QVERIFY(!error.isEmpty());
        // An unknown font, and an index line numbered beyond the pages made (it has no destination).
        for (const auto& [fontFace, pageNumber] : {std::pair{"NoSuchFont", 1u}, std::pair{"Helvetica", 3u}}) {
            TavrinDoc bad{QString()};
            bad.fontFace = fontFace;
            bad.addPage(TavrinDocPage(&bad));
            bad.pages[0].addLine(TavrinDocLine(nullptr, pageNumber, 5, "text"));
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^\"Haru PDF Error #\\d+, Detail #\\d+\"$"));
            QVERIFY(!PdfGenerator::writeToFile(bad, path, error));
            QCOMPARE(error, QString("Could not create PDF object."));
            QCOMPARE(readBytes(path), sample_);
            QCOMPARE(PdfGenerator::toPdfBinary(doc, error), sample_);
            QVERIFY(error.isEmpty());
        }
    }
    // Rows and notes are encoded without a codec, with the system's
    // Windows-1252 codec's answers: every character but the controls
    // (blanks), and surrogates alone, in pairs, and at the end.
    void winAnsiAsTheCodec()
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
};

QTEST_GUILESS_MAIN(TestPdfGenerator)
#include "tst_pdfgenerator.moc"
