#ifndef VORNHELM_TESTS_PDF_PDFTOOLS_H
#define VORNHELM_TESTS_PDF_PDFTOOLS_H

#include <QByteArray>
#include <QJsonDocument>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Runs the real PDF readers (qpdf, pdfinfo, pdftotext) on PDF bytes.
struct ToolResult {
    bool started = false;
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

class PdfTools
{
public:
    bool isValid() const;
    // Writes the bytes to a fresh file of the tool folder and returns its path.
    QString store(const QByteArray& pdf);
    ToolResult run(const QString& program, const QStringList& arguments);

    // Page texts by `pdftotext` (UTF-8), one entry per page, rows split at
    // line feeds with empty rows dropped.
    QList<QStringList> pageRows(const QByteArray& pdf);
    QString info(const QByteArray& pdf);
    QJsonDocument json(const QByteArray& pdf);

private:
    QTemporaryDir m_dir;
    int m_count = 0;
};

#endif
