#include "pdf/PdfGenerator.h"

#include "pdf/TavrinDoc.h"
#include "pdf/WinAnsi.h"

#include <QDebug>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include <hpdf.h>

#include <algorithm>
#include <cmath>

namespace {
const QString DOC_EMPTY = QStringLiteral("TavrinDoc is empty.");
const QString PDF_OBJECT_FAILED = QStringLiteral("Could not create PDF object.");
const QString SHORT_WRITE = QStringLiteral("The PDF file was not written completely.");

const QString CONVERSION_FAILED = QStringLiteral("Could not convert Tavrin XML to PDF. ");
const QString XML_NOT_PROVIDED_MESSAGE =
    QStringLiteral("Could not convert Tavrin XML to PDF. The xml data was not provided.");
const int XML_NOT_PROVIDED_CODE = 1000;
const int CONVERSION_FAILED_CODE = 1001;
const QString PDF_EXTENSION = QStringLiteral(".pdf");
const QString UNKNOWN_PDF_NAME = QStringLiteral("unknown.pdf");

const char* const TEXT_ENCODING = "WinAnsiEncoding";

const QString ANNOTATIONS_TITLE = QStringLiteral("Annotations");
const QString INDEX_TITLE = QStringLiteral("Index");
const QString INDEX_TEST_TITLE = QStringLiteral("Test");
const QString INDEX_SEPARATOR = QStringLiteral("/");
const int TITLE_KEEP_CHARS = 15;
const QString TITLE_ELLIPSIS = QStringLiteral("...");

const float LINE_GAP = 0.5f;       // gap between rows, in font sizes
const float NOTE_BOX = 200.0f;     // side of a note annotation's box
const float DESTINATION_ZOOM = 1.0f;

const int ROW_BUFFER = 256;        // a row shows at most ROW_BUFFER - 1 bytes
const char ROW_PAGE_LINE_SEPARATOR = '/';
const char ROW_NUMBER_TEXT_SEPARATOR = ' ';
const HPDF_UINT32 STREAM_CHUNK = 4096;

struct IndexEntry {
    quint32 pageNumber;
    quint32 lineNumber;
};
const IndexEntry WORD_INDEX[] = {{1, 20}, {1, 25}, {3, 5}, {7, 17}, {10, 40}};

// The first library error of a conversion; the handler's user data.
struct LibraryError {
    HPDF_STATUS error = HPDF_OK;
    HPDF_STATUS detail = HPDF_OK;
};

void HPDF_STDCALL error_handler(HPDF_STATUS errorNumber, HPDF_STATUS detailNumber, void* userData)
{
    qDebug() << (QStringLiteral("Haru PDF Error #") + QString::number(quint32(errorNumber)) + QStringLiteral(", ")
                 + QStringLiteral("Detail #") + QString::number(quint32(detailNumber)));
    LibraryError* record = static_cast<LibraryError*>(userData);
    if (record && record->error == HPDF_OK) {
        record->error = errorNumber;
        record->detail = detailNumber;
    }
}

// Font size for which n rows with gaps of half a font size fill the height
// between the margins.
float fontSize(float height, float margin, quint32 linesPerPage)
{
    const quint32 gaps = linesPerPage - 1u;
    return (height - 2.0f * margin) / (float(gaps) * LINE_GAP + float(linesPerPage));
}

// Writes the decimal digits of `number` to `out`; returns their count.
int writeDigits(quint32 number, char* out)
{
    char digits[10];
    int count = 0;
    do {
        digits[count++] = char('0' + number % 10u);
        number /= 10u;
    } while (number != 0);
    std::reverse_copy(digits, digits + count, out);
    return count;
}

// The row TavrinDocLine::outputText() gives, no more than its first
// ROW_BUFFER characters, written to `out` (room for ROW_BUFFER bytes) as
// WinAnsi bytes; returns their count. Made for every line, the row is
// written straight away rather than built as text and then encoded.
int rowBytes(const TavrinDocLine& line, char* out)
{
    if (line.pageNumber == 0 || line.lineNumber == 0 || line.text.isEmpty())
        return 0;
    // At most 22 characters: two 10-digit numbers and the separators.
    int numbers = writeDigits(line.pageNumber, out);
    out[numbers++] = ROW_PAGE_LINE_SEPARATOR;
    numbers += writeDigits(line.lineNumber, out + numbers);
    out[numbers++] = ROW_NUMBER_TEXT_SEPARATOR;
    const int characters = std::min(line.text.size(), ROW_BUFFER - numbers);
    return numbers + WinAnsi::fromUnicode(line.text.constData(), characters, out + numbers);
}
}

// One conversion: owns the library document from creation to release, and
// collects the library's errors through `error_handler`. Every step reports
// false as soon as the library has failed; nothing is asked of the library
// after that but to free the document.
class PdfGeneratorPrivate
{
public:
    explicit PdfGeneratorPrivate(TavrinDoc* document);
    ~PdfGeneratorPrivate();
    PdfGeneratorPrivate(const PdfGeneratorPrivate&) = delete;
    PdfGeneratorPrivate& operator=(const PdfGeneratorPrivate&) = delete;

    bool convert(QByteArray& result);

private:
    bool ok() const { return m_error.error == HPDF_OK; }
    bool ok(HPDF_STATUS status) const { return status == HPDF_OK && ok(); }
    template <typename Handle>
    bool made(Handle handle) const { return handle != nullptr && ok(); }

    bool addTavrinDocPages();
    bool addTavrinDocLines(TavrinDocPage* page, HPDF_Page pdfPage, HPDF_Outline annotations);
    bool addNoteAnnotation(HPDF_Page pdfPage, const QString& note, float x, float y, HPDF_Outline parent);
    bool addWordIndex();
    HPDF_Outline addTocRootSection(const QString& title);
    HPDF_Outline addTocChildSection(HPDF_Outline parent, const QString& title);
    bool addTocDestination(HPDF_Outline parent, const QString& title, HPDF_Destination destination);
    HPDF_Destination toTavrinDocPdfDestination(const TavrinDocLine& line);
    HPDF_Destination toPdfDestination(HPDF_Page pdfPage, float x, float y);
    bool toQByteArray(QByteArray& result);

    TavrinDoc* m_document;
    LibraryError m_error;
    HPDF_Doc m_pdf = nullptr;
    HPDF_Encoder m_encoder = nullptr;
    QList<HPDF_Page> m_pages;
};

PdfGeneratorPrivate::PdfGeneratorPrivate(TavrinDoc* document)
    : m_document(document)
{
}

PdfGeneratorPrivate::~PdfGeneratorPrivate()
{
    if (m_pdf)
        HPDF_Free(m_pdf);
}

bool PdfGeneratorPrivate::convert(QByteArray& result)
{
    m_pdf = HPDF_New(error_handler, &m_error);
    if (!made(m_pdf))
        return false;
    // A library built without compression declines with a status and
    // writes the document uncompressed: no failure.
    HPDF_SetCompressionMode(m_pdf, HPDF_COMP_ALL);
    if (!ok() || !ok(HPDF_SetPageMode(m_pdf, HPDF_PAGE_MODE_USE_OUTLINE)))
        return false;
    m_encoder = HPDF_GetEncoder(m_pdf, TEXT_ENCODING);
    if (!made(m_encoder))
        return false;
    return addTavrinDocPages() && addWordIndex() && toQByteArray(result);
}

bool PdfGeneratorPrivate::addTavrinDocPages()
{
    const HPDF_Outline annotations = addTocRootSection(ANNOTATIONS_TITLE);
    if (!annotations)
        return false;
    for (TavrinDocPage& page : m_document->pages) {
        const HPDF_Page pdfPage = HPDF_AddPage(m_pdf);
        if (!made(pdfPage))
            return false;
        m_pages.append(pdfPage);
        if (!ok(HPDF_Page_BeginText(pdfPage)) || !addTavrinDocLines(&page, pdfPage, annotations)
            || !ok(HPDF_Page_EndText(pdfPage)))
            return false;
    }
    return true;
}

bool PdfGeneratorPrivate::addTavrinDocLines(TavrinDocPage* page, HPDF_Page pdfPage, HPDF_Outline annotations)
{
    // A page that names no document is laid out with the one being written.
    const TavrinDoc* layout = page->doc ? page->doc : m_document;
    const float m = layout->margin;
    const float width = HPDF_Page_GetWidth(pdfPage);
    const float height = HPDF_Page_GetHeight(pdfPage);
    if (!ok())
        return false;
    const float fs = fontSize(height, m, layout->linesPerPage);
    const float bottomLimit = std::floor(m + fs);
    const float textWidth = width - 2.0f * m;

    const HPDF_Font font = HPDF_GetFont(m_pdf, layout->fontFace.toLatin1().constData(), TEXT_ENCODING);
    if (!made(font) || !ok(HPDF_Page_SetFontAndSize(pdfPage, font, fs)))
        return false;
    if (!ok(HPDF_Page_MoveTextPos(pdfPage, m, height - m)))
        return false;
    float y = HPDF_Page_GetCurrentTextPos(pdfPage).y;
    if (!ok())
        return false;

    char row[ROW_BUFFER + 1];
    for (const TavrinDocLine& line : page->lines) {
        // No more than ROW_BUFFER characters can be shown, one byte each.
        const int size = rowBytes(line, row);
        row[size] = '\0';
        HPDF_UINT fitting = 0;
        if (size > 0) {
            fitting = HPDF_Page_MeasureText(pdfPage, row, textWidth, HPDF_FALSE, nullptr);
            if (!ok())
                return false;
        }
        row[std::min<size_t>({size_t(fitting), size_t(size), size_t(ROW_BUFFER - 1)})] = '\0';

        if (!line.note.isEmpty() && !addNoteAnnotation(pdfPage, line.note, LINE_GAP * m, y + fs, annotations))
            return false;
        if (!ok(HPDF_Page_ShowText(pdfPage, row)) || !ok(HPDF_Page_MoveTextPos(pdfPage, 0, -fs - LINE_GAP * fs)))
            return false;
        y = HPDF_Page_GetCurrentTextPos(pdfPage).y;
        if (!ok())
            return false;
        if (y < bottomLimit)
            break;
    }
    return true;
}

bool PdfGeneratorPrivate::addNoteAnnotation(HPDF_Page pdfPage, const QString& note, float x, float y,
                                            HPDF_Outline parent)
{
    HPDF_Rect box;
    box.left = x;
    box.bottom = y - NOTE_BOX;
    box.right = x + NOTE_BOX;
    box.top = y;
    const HPDF_Annotation annotation =
        HPDF_Page_CreateTextAnnot(pdfPage, box, WinAnsi::fromUnicode(note).constData(), m_encoder);
    if (!made(annotation) || !ok(HPDF_TextAnnot_SetIcon(annotation, HPDF_ANNOT_ICON_NOTE)))
        return false;
    const HPDF_Destination destination = toPdfDestination(pdfPage, 0, y);
    return destination && addTocDestination(parent, note, destination);
}

bool PdfGeneratorPrivate::addWordIndex()
{
    const HPDF_Outline index = addTocRootSection(INDEX_TITLE);
    if (!index)
        return false;
    const HPDF_Outline test = addTocChildSection(index, INDEX_TEST_TITLE);
    if (!test)
        return false;
    for (const TavrinDocPage& page : m_document->pages) {
        for (const TavrinDocLine& line : page.lines) {
            const bool listed = std::any_of(std::begin(WORD_INDEX), std::end(WORD_INDEX), [&line](const IndexEntry& entry) {
                return entry.pageNumber == line.pageNumber && entry.lineNumber == line.lineNumber;
            });
            if (!listed)
                continue;
            const QString title = QString::number(line.pageNumber) + INDEX_SEPARATOR + QString::number(line.lineNumber);
            // A line numbered beyond the pages made has no destination; the
            // library refuses the entry and the conversion fails.
            if (!addTocDestination(test, title, toTavrinDocPdfDestination(line)))
                return false;
        }
    }
    return true;
}

HPDF_Outline PdfGeneratorPrivate::addTocRootSection(const QString& title)
{
    return addTocChildSection(nullptr, title);
}

HPDF_Outline PdfGeneratorPrivate::addTocChildSection(HPDF_Outline parent, const QString& title)
{
    const HPDF_Outline outline = HPDF_CreateOutline(m_pdf, parent, WinAnsi::fromUnicode(title).constData(), m_encoder);
    if (!made(outline) || !ok(HPDF_Outline_SetOpened(outline, HPDF_FALSE)))
        return nullptr;
    return outline;
}

bool PdfGeneratorPrivate::addTocDestination(HPDF_Outline parent, const QString& title, HPDF_Destination destination)
{
    // Long titles keep their end.
    const QString label = title.size() > TITLE_KEEP_CHARS ? title.right(TITLE_KEEP_CHARS) + TITLE_ELLIPSIS : title;
    const HPDF_Outline entry = HPDF_CreateOutline(m_pdf, parent, WinAnsi::fromUnicode(label).constData(), m_encoder);
    return made(entry) && ok(HPDF_Outline_SetDestination(entry, destination));
}

HPDF_Destination PdfGeneratorPrivate::toTavrinDocPdfDestination(const TavrinDocLine& line)
{
    if (line.pageNumber == 0 || quint32(m_pages.size()) < line.pageNumber)
        return nullptr;
    const HPDF_Page pdfPage = m_pages.at(int(line.pageNumber - 1));
    const float m = m_document->margin;
    const float height = HPDF_Page_GetHeight(pdfPage);
    const float fs = fontSize(height, m, m_document->linesPerPage);
    const quint32 rowsAbove = line.lineNumber - 1u;
    const float top = (height - m) + fs - float(rowsAbove) * (1.0f + LINE_GAP) * fs;
    return toPdfDestination(pdfPage, 0, top);
}

// A view of pdfPage with (x, y) at the top left corner, at 100 %; null when
// the library fails.
HPDF_Destination PdfGeneratorPrivate::toPdfDestination(HPDF_Page pdfPage, float x, float y)
{
    const HPDF_Destination destination = HPDF_Page_CreateDestination(pdfPage);
    if (!made(destination) || !ok(HPDF_Destination_SetXYZ(destination, x, y, DESTINATION_ZOOM)))
        return nullptr;
    return destination;
}

bool PdfGeneratorPrivate::toQByteArray(QByteArray& result)
{
    if (!ok(HPDF_SaveToStream(m_pdf)))
        return false;
    const HPDF_UINT32 expected = HPDF_GetStreamSize(m_pdf);
    if (!ok(HPDF_ResetStream(m_pdf)))
        return false;
    result.reserve(int(expected));
    HPDF_BYTE chunk[STREAM_CHUNK];
    for (;;) {
        HPDF_UINT32 size = STREAM_CHUNK;
        const HPDF_STATUS status = HPDF_ReadFromStream(m_pdf, chunk, &size);
        if (!ok() || (status != HPDF_OK && status != HPDF_STREAM_EOF))
            return false;
        result.append(reinterpret_cast<const char*>(chunk), int(size));
        if (status == HPDF_STREAM_EOF || size == 0)
            break;
    }
    return quint32(result.size()) == expected;
}

QByteArray PdfGenerator::toPdfBinary(TavrinDoc& document, QString& error)
{
    error = QLatin1String("");
    if (document.pages.isEmpty()) {
        error = DOC_EMPTY;
        return QByteArray();
    }
    QByteArray result;
    PdfGeneratorPrivate conversion(&document);
    if (!conversion.convert(result)) {
        error = PDF_OBJECT_FAILED;
        return QByteArray();
    }
    return result;
}

bool PdfGenerator::writeToFile(TavrinDoc& document, const QString& path, QString& error)
{
    error = QLatin1String("");
    const QByteArray bytes = toPdfBinary(document, error);
    if (bytes.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    const qint64 written = file.write(bytes);
    if (written != bytes.size()) {
        error = written < 0 ? file.errorString() : SHORT_WRITE;
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

int PdfGenerator::tavrinXmlToPdf(const QString& docxml, const QString& pdfName, QByteArray& pdf,
                                 QString& fileName, QString& message)
{
    pdf.clear();
    fileName = pdfFileName(pdfName);
    message.clear();
    if (docxml.isEmpty()) {
        message = XML_NOT_PROVIDED_MESSAGE;
        return XML_NOT_PROVIDED_CODE;
    }
    TavrinDoc document(QString{});
    QString error;
    if (document.fromXML(docxml, error))
        pdf = toPdfBinary(document, error);
    if (pdf.isEmpty()) {
        message = CONVERSION_FAILED + error;
        return CONVERSION_FAILED_CODE;
    }
    return 0;
}

QString PdfGenerator::pdfFileName(const QString& pdfName)
{
    QString name = QFileInfo(pdfName).fileName();
    if (name.isEmpty())
        return UNKNOWN_PDF_NAME;
    if (!name.endsWith(PDF_EXTENSION, Qt::CaseInsensitive))
        name += PDF_EXTENSION;
    return name;
}
