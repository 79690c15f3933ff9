#ifndef VORNHELM_PDF_PDFGENERATOR_H
#define VORNHELM_PDF_PDFGENERATOR_H

#include <QByteArray>
#include <QString>

class TavrinDoc;

// Writes a line-numbered document as PDF: one PDF page per document page,
// note annotations beside annotated rows, and an outline of the notes and of
// a word index.
class PdfGenerator
{
public:
    // The complete PDF file, or empty bytes with the reason in `error`.
    static QByteArray toPdfBinary(TavrinDoc& document, QString& error);

    // Writes the PDF to `path`; false with the reason in `error`. An existing
    // file is replaced only when the new one has been written completely.
    static bool writeToFile(TavrinDoc& document, const QString& path, QString& error);

    // The conversion behind the page's `tavrinDocToPdf`: reads `docxml`,
    // writes the PDF and works out the file name the page receives. Returns
    // 0 with `pdf` and `fileName` set, or the failure code (1000, 1001) with
    // the message for the page in `message`.
    static int tavrinXmlToPdf(const QString& docxml, const QString& pdfName,
                              QByteArray& pdf, QString& fileName, QString& message);

    // The file name handed to the page for a requested PDF name: folders
    // dropped, ".pdf" appended unless it ends so in any case, "unknown.pdf"
    // when no name is left.
    static QString pdfFileName(const QString& pdfName);
};

#endif
