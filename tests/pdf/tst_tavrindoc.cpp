#include "pdf/TavrinDoc.h"

#include <QRegularExpression>
#include <QtTest>

namespace {
const QString SAMPLE_NOTE = QStringLiteral("This is a test! This is a test! This is a test! This is a test!");

// "p/l:text[note]" per line, lines joined by blanks, pages by " | ".
QString describe(const TavrinDoc& doc)
{
    QStringList pages;
    for (const TavrinDocPage& page : doc.pages) {
        QStringList lines;
        for (const TavrinDocLine& line : page.lines) {
            QString item = QStringLiteral("%1/%2:%3").arg(line.pageNumber).arg(line.lineNumber).arg(line.text);
            if (!line.note.isNull())
                item += QLatin1Char('[') + line.note + QLatin1Char(']');
            lines.append(item);
        }
        pages.append(lines.join(QLatin1Char(' ')));
    }
    return pages.join(QStringLiteral(" | "));
}

QString lines(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("<line>l</line>");
    return text;
}
}

class TestTavrinDoc : public QObject
{
    Q_OBJECT

private slots:
    void emptyTextGivesNoPagesAndDefaults();
    void sampleDocument();
    void fromXmlReplacesPages();
    void outputText_data();
    void outputText();
    void copiesKeepPointers();
    void documentFormat_data();
    void documentFormat();
};

void TestTavrinDoc::emptyTextGivesNoPagesAndDefaults()
{
    TavrinDoc doc{QString()};
    QVERIFY(doc.pages.isEmpty());
    QCOMPARE(doc.fontFace, QStringLiteral("Helvetica"));
    QCOMPARE(doc.linesPerPage, 50u);
    QCOMPARE(doc.margin, 60.0f);

    QString error = QStringLiteral("stale");
    QVERIFY(!doc.fromXML(QStringLiteral(""), error));
    QCOMPARE(error, QStringLiteral("XML data not provided"));
}

void TestTavrinDoc::sampleDocument()
{
    // Any non-empty text that does not open with "<" yields the sample.
    for (const QString& text : {QStringLiteral(" "), QStringLiteral("plain text <tavrindoc/>")}) {
        TavrinDoc doc(text);
        QCOMPARE(doc.pages.size(), 10);
        int notes = 0;
        for (int p = 0; p < doc.pages.size(); ++p) {
            const TavrinDocPage& page = doc.pages.at(p);
            QCOMPARE(page.doc, &doc);
            QCOMPARE(page.lines.size(), 100);
            for (int l = 0; l < page.lines.size(); ++l) {
                const TavrinDocLine& line = page.lines.at(l);
                QCOMPARE(line.pageNumber, uint(p + 1));
                QCOMPARE(line.lineNumber, uint(l + 1));
                QCOMPARE(line.text, QString(l + 1, QLatin1Char('X')));
                if (!line.note.isNull()) {
                    ++notes;
                    QCOMPARE(line.pageNumber, 1u);
                    QCOMPARE(line.lineNumber, 10u);
                    QCOMPARE(line.note, SAMPLE_NOTE);
                }
            }
        }
        QCOMPARE(notes, 1);
        QCOMPARE(doc.pages.last().lines.last().outputText(), QStringLiteral("10/100 ") + QString(100, QLatin1Char('X')));
    }
}

void TestTavrinDoc::fromXmlReplacesPages()
{
    TavrinDoc doc(QStringLiteral(" "));
    QString error;
    QVERIFY(doc.fromXML(QStringLiteral("again"), error));
    QCOMPARE(doc.pages.size(), 10);
    QVERIFY(!error.isNull());
    QVERIFY(error.isEmpty());

    QVERIFY(!doc.fromXML(QString(), error));
    QCOMPARE(error, QStringLiteral("XML data not provided"));
    QVERIFY(doc.pages.isEmpty());

    // A refused document leaves no pages either.
    QVERIFY(doc.fromXML(QStringLiteral("<tavrindoc><page><line>a</line></page></tavrindoc>"), error));
    QCOMPARE(doc.pages.size(), 1);
    QVERIFY(!doc.fromXML(QStringLiteral("<tavrindoc><page><line>a</line></page>"), error));
    QVERIFY(doc.pages.isEmpty());
}

void TestTavrinDoc::outputText_data()
{
    QTest::addColumn<uint>("pageNumber");
    QTest::addColumn<uint>("lineNumber");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("expected");

    QTest::newRow("numbered") << 3u << 7u << QStringLiteral("XXXXXXX") << QString() << QStringLiteral("3/7 XXXXXXX");
    QTest::newRow("note plays no part") << 12u << 345u << QStringLiteral(" a b ") << QStringLiteral("n") << QStringLiteral("12/345  a b ");
    QTest::newRow("no page number") << 0u << 7u << QStringLiteral("X") << QString() << QString();
    QTest::newRow("no line number") << 3u << 0u << QStringLiteral("X") << QStringLiteral("n") << QString();
    QTest::newRow("no text") << 3u << 7u << QString() << QStringLiteral("n") << QString();
}

void TestTavrinDoc::outputText()
{
    QFETCH(uint, pageNumber);
    QFETCH(uint, lineNumber);
    QFETCH(QString, text);
    QFETCH(QString, note);
    QFETCH(QString, expected);

    TavrinDocLine line(nullptr, pageNumber, lineNumber, text);
    line.note = note;
    QCOMPARE(line.outputText(), expected);
    QCOMPARE(line.outputText().isNull(), expected.isNull());

    line.clear();
    QVERIFY(line.outputText().isNull());
    QCOMPARE(line.pageNumber, 0u);
    QVERIFY(line.note.isNull());
}

void TestTavrinDoc::copiesKeepPointers()
{
    TavrinDoc original(QStringLiteral("<tavrindoc><page><line>a</line></page></tavrindoc>"));
    const TavrinDoc copy = original;
    QCOMPARE(copy.pages.size(), 1);
    QCOMPARE(copy.pages.first().doc, &original);
    QCOMPARE(copy.pages.first().lines.first().text, QStringLiteral("a"));
}

void TestTavrinDoc::documentFormat_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");  // describe() of the pages, or the error pattern
    QTest::addColumn<bool>("accepted");

    const QString P = QStringLiteral("<tavrindoc><page>");
    const QString E = QStringLiteral("</page></tavrindoc>");

    QTest::newRow("lines and a note")
        << P + QStringLiteral("<line>first</line><line note=\"a note\">second</line>") + E
        << QStringLiteral("1/1:first 1/2:second[a note]") << true;
    QTest::newRow("declaration, comments, white space")
        << QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- made by hand -->\n<tavrindoc>\n  <page>\n"
                          "    <line>a</line><!-- c -->\n  </page>\n</tavrindoc>\n")
        << QStringLiteral("1/1:a") << true;
    QTest::newRow("pages numbered in order, empty page and line")
        << QStringLiteral("<tavrindoc><page/><page><line/><line>b</line></page></tavrindoc>")
        << QStringLiteral(" | 2/1: 2/2:b") << true;
    QTest::newRow("leading white space") << QStringLiteral(" \n\t<tavrindoc><page><line>a</line>") + E
                                         << QStringLiteral("1/1:a") << true;
    QTest::newRow("no pages") << QStringLiteral("<tavrindoc/>") << QString() << true;
    QTest::newRow("entities and CDATA")
        << P + QStringLiteral("<line note=\"&quot;q&quot; &amp; &#x20AC;\">a &amp; b &lt;c&gt; &#233; <![CDATA[<raw> & ]]></line>") + E
        << QStringLiteral("1/1:a & b <c> \u00e9 <raw> & [\"q\" & \u20ac]") << true;
    QTest::newRow("declared entity")
        << QStringLiteral("<!DOCTYPE tavrindoc [<!ENTITY who \"World\">]><tavrindoc><page><line>Hello &who;</line>") + E
        << QStringLiteral("1/1:Hello World") << true;
    QTest::newRow("blanks and letters kept")
        << P + QStringLiteral("<line>  Gr\u00fc\u00dfe, caf\u00e9, na\u00efve </line><line note=\"\">x</line>") + E
        << QStringLiteral("1/1:  Gr\u00fc\u00dfe, caf\u00e9, na\u00efve  1/2:x[]") << true;
    QTest::newRow("a full page") << P + lines(50) + E << QString() << true;

    QTest::newRow("not well-formed")
        << QStringLiteral("<tavrindoc>\n<page>\n<line>a</lin>\n</page></tavrindoc>")
        << QStringLiteral("^Invalid document at line 3, column \\d+: .+") << false;
    QTest::newRow("cut short") << P + QStringLiteral("<line>a")
                               << QStringLiteral("^Invalid document at line 1, column \\d+: .+") << false;
    QTest::newRow("content after the root") << QStringLiteral("<tavrindoc/>\n<tavrindoc/>")
                                            << QStringLiteral("^Invalid document at line 2, column \\d+: .+") << false;
    QTest::newRow("other root") << QStringLiteral("<html><body/></html>")
                                << QStringLiteral("^Invalid document at line 1, column 6: the root element must be <tavrindoc>, not <html>$") << false;
    QTest::newRow("unknown element in page") << P + QStringLiteral("<para/>") + E
                                             << QStringLiteral("unknown element <para>$") << false;
    QTest::newRow("element in line") << P + QStringLiteral("<line>a <b>bold</b></line>") + E
                                     << QStringLiteral("unknown element <b>$") << false;
    QTest::newRow("line outside page") << QStringLiteral("<tavrindoc><line>a</line></tavrindoc>")
                                       << QStringLiteral("unknown element <line>$") << false;
    QTest::newRow("unknown line attribute") << P + QStringLiteral("<line colour=\"red\">a</line>") + E
                                            << QStringLiteral("unknown attribute \"colour\" of <line>$") << false;
    QTest::newRow("unknown page attribute") << QStringLiteral("<tavrindoc><page note=\"n\"/></tavrindoc>")
                                            << QStringLiteral("unknown attribute \"note\" of <page>$") << false;
    QTest::newRow("namespace") << QStringLiteral("<tavrindoc xmlns=\"urn:x\"/>")
                               << QStringLiteral("unknown attribute \"xmlns\" of <tavrindoc>$") << false;
    QTest::newRow("stray text") << P + QStringLiteral("stray") + E
                                << QStringLiteral("text outside a <line>$") << false;
    QTest::newRow("undeclared entity") << P + QStringLiteral("<line>a&nbsp;b</line>") + E
                                       << QStringLiteral("^Invalid document at line 1, column \\d+: .+") << false;
    QTest::newRow("too many lines")
        << QStringLiteral("<tavrindoc><page><line>a</line></page>\n<page>") + lines(51) + E
        << QStringLiteral("^Invalid document at line 2, column \\d+: page 2 has more than 50 lines$") << false;
}

void TestTavrinDoc::documentFormat()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(bool, accepted);

    TavrinDoc doc(QStringLiteral(" "));
    QString error;
    QCOMPARE(doc.fromXML(text, error), accepted);
    if (accepted) {
        QVERIFY2(error.isEmpty(), qPrintable(error));
        if (!expected.isNull())
            QCOMPARE(describe(doc), expected);
        for (const TavrinDocPage& page : doc.pages) {
            QCOMPARE(page.doc, &doc);
            QVERIFY(quint32(page.lines.size()) <= doc.linesPerPage);
        }
    } else {
        QVERIFY(doc.pages.isEmpty());
        QVERIFY2(QRegularExpression(expected).match(error).hasMatch(), qPrintable(error));
    }
}

QTEST_APPLESS_MAIN(TestTavrinDoc)
#include "tst_tavrindoc.moc"
