#include "pdf/TavrinDoc.h"
#include "pdf/XmlEntityReferences.h"

#include <QXmlStreamReader>

namespace {
const QString DEFAULT_FONT_FACE = QStringLiteral("Helvetica");
const quint32 DEFAULT_LINES_PER_PAGE = 50;
const float DEFAULT_MARGIN = 60.0f;

const QString XML_NOT_PROVIDED = QStringLiteral("XML data not provided");

// The sample document every non-XML text yields.
const uint SAMPLE_PAGES = 10;
const uint SAMPLE_LINES = 100;
const uint SAMPLE_NOTE_PAGE = 1;
const uint SAMPLE_NOTE_LINE = 10;
const QString SAMPLE_NOTE = QStringLiteral("This is a test! This is a test! This is a test! This is a test!");
const QChar SAMPLE_CHAR = QLatin1Char('X');

// The document format.
const QChar XML_OPENING = QLatin1Char('<');
const QString DOC_ELEMENT = QStringLiteral("tavrindoc");
const QString PAGE_ELEMENT = QStringLiteral("page");
const QString LINE_ELEMENT = QStringLiteral("line");
const QString NOTE_ATTRIBUTE = QStringLiteral("note");

enum class Level { Outside, Document, Page, Line };

QString positioned(qint64 line, qint64 column, const QString& reason)
{
    return QStringLiteral("Invalid document at line %1, column %2: %3").arg(line).arg(column).arg(reason);
}

QString unresolvedEntity(const QString& name)
{
    return QStringLiteral("unresolved entity &%1;").arg(name);
}

// Attributes other than `allowed` (none when empty), namespace declarations
// included, are refused: the first one found is returned.
QString unknownAttribute(const QXmlStreamReader& xml, const QXmlStreamAttributes& attributes, const QString& allowed)
{
    const QXmlStreamNamespaceDeclarations namespaces = xml.namespaceDeclarations();
    if (!namespaces.isEmpty()) {
        const QString prefix = namespaces.first().prefix().toString();
        return prefix.isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + prefix;
    }
    for (const QXmlStreamAttribute& attribute : attributes) {
        if (allowed.isEmpty() || attribute.qualifiedName() != allowed)
            return attribute.qualifiedName().toString();
    }
    return QString();
}
}

TavrinDoc::TavrinDoc(const QString& text)
    : fontFace(DEFAULT_FONT_FACE)
    , linesPerPage(DEFAULT_LINES_PER_PAGE)
    , margin(DEFAULT_MARGIN)
{
    fromXML(text);
}

TavrinDoc::~TavrinDoc() = default;

bool TavrinDoc::fromXML(const QString& text, QString& error)
{
    error = QLatin1String("");
    clear();
    if (text.isEmpty()) {
        error = XML_NOT_PROVIDED;
        return false;
    }
    for (const QChar c : text) {
        if (c.isSpace())
            continue;
        if (c == XML_OPENING)
            return readXml(text, error);
        break;
    }
    fillSample();
    return true;
}

bool TavrinDoc::fromXML(const QString& text)
{
    QString error;
    return fromXML(text, error);
}

void TavrinDoc::addPage(const TavrinDocPage& page)
{
    pages.append(page);
}

void TavrinDoc::clear()
{
    pages.clear();
}

void TavrinDoc::fillSample()
{
    for (uint p = 1; p <= SAMPLE_PAGES; ++p) {
        pages.append(TavrinDocPage(this));
        TavrinDocPage& page = pages.last();
        for (uint l = 1; l <= SAMPLE_LINES; ++l) {
            TavrinDocLine line(&page, p, l, QString(int(l), SAMPLE_CHAR));
            if (p == SAMPLE_NOTE_PAGE && l == SAMPLE_NOTE_LINE)
                line.note = SAMPLE_NOTE;
            page.addLine(line);
        }
    }
}

bool TavrinDoc::readXml(const QString& text, QString& error)
{
    QXmlStreamReader xml(text);
    Level level = Level::Outside;
    bool rootSeen = false;
    QString lineText;
    QString lineNote;
    QString refusal;
    // The first reference in the content to an entity whose text the reader
    // leaves out, found once the declarations are read.
    int lostTextAt = -1;
    QString lostTextEntity;
    // Where a refusal stands that the reader's own position does not tell.
    int refusedAt = -1;

    while (refusal.isEmpty() && !xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (lostTextAt >= 0 && xml.characterOffset() > lostTextAt) {
            // The reader has passed over the reference: refused where it stands, just past its ";".
            refusal = unresolvedEntity(lostTextEntity);
            refusedAt = lostTextAt + lostTextEntity.size() + 2;
            break;
        }
        switch (token) {
        case QXmlStreamReader::StartElement: {
            const QStringRef name = xml.qualifiedName();
            // Asked once: every call hands out a new copy of the list.
            const QXmlStreamAttributes attributes = xml.attributes();
            if (level == Level::Outside) {
                if (rootSeen || name != DOC_ELEMENT) {
                    refusal = QStringLiteral("the root element must be <%1>, not <%2>").arg(DOC_ELEMENT, name);
                    break;
                }
                rootSeen = true;
                level = Level::Document;
            } else if (level == Level::Document && name == PAGE_ELEMENT) {
                level = Level::Page;
                pages.append(TavrinDocPage(this));
            } else if (level == Level::Page && name == LINE_ELEMENT) {
                level = Level::Line;
                TavrinDocPage& page = pages.last();
                if (quint32(page.lines.size()) >= linesPerPage) {
                    refusal = QStringLiteral("page %1 has more than %2 lines").arg(pages.size()).arg(linesPerPage);
                    break;
                }
                lineText.clear();
                lineNote = QString();
                if (attributes.hasAttribute(NOTE_ATTRIBUTE))
                    lineNote = attributes.value(NOTE_ATTRIBUTE).toString();
            } else {
                refusal = QStringLiteral("unknown element <%1>").arg(name);
                break;
            }
            const QString attribute = unknownAttribute(xml, attributes, level == Level::Line ? NOTE_ATTRIBUTE : QString());
            if (!attribute.isEmpty())
                refusal = QStringLiteral("unknown attribute \"%1\" of <%2>").arg(attribute, name);
            break;
        }
        case QXmlStreamReader::EndElement:
            if (level == Level::Line) {
                TavrinDocPage& page = pages.last();
                TavrinDocLine line(&page, uint(pages.size()), uint(page.lines.size()) + 1, lineText);
                line.note = lineNote;
                page.addLine(line);
                level = Level::Page;
            } else if (level == Level::Page) {
                level = Level::Document;
            } else {
                level = Level::Outside;
            }
            break;
        case QXmlStreamReader::Characters:
            if (level == Level::Line)
                lineText += xml.text();
            else if (!xml.isWhitespace())
                refusal = QStringLiteral("text outside a <line>");
            break;
        case QXmlStreamReader::EntityReference:
            refusal = unresolvedEntity(xml.name().toString());
            break;
        case QXmlStreamReader::DTD: {
            const QSet<QString> unexpanded = XmlEntityReferences::unexpanded(xml.entityDeclarations());
            if (!unexpanded.isEmpty())
                lostTextAt = XmlEntityReferences::firstReference(text, int(xml.characterOffset()), unexpanded,
                                                                 lostTextEntity);
            break;
        }
        default:
            // Declarations, comments and processing instructions carry no content.
            break;
        }
    }

    if (refusal.isEmpty() && xml.hasError())
        refusal = xml.errorString();
    if (refusal.isEmpty() && !rootSeen)
        refusal = QStringLiteral("no <%1> element").arg(DOC_ELEMENT);
    if (refusal.isEmpty())
        return true;
    qint64 line = xml.lineNumber();
    qint64 column = xml.columnNumber();
    if (refusedAt >= 0)
        XmlEntityReferences::lineAndColumn(text, refusedAt, line, column);
    error = positioned(line, column, refusal);
    clear();
    return false;
}
