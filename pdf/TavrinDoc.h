#ifndef VORNHELM_PDF_TAVRINDOC_H
#define VORNHELM_PDF_TAVRINDOC_H

#include "pdf/TavrinDocPage.h"

#include <QList>
#include <QString>

// A line-numbered document: pages of numbered lines, some carrying notes,
// with the layout settings the PDF writer applies to every page. A value
// class; pages refer to their document by address, so a document must stay
// where it is while it is written.
class TavrinDoc
{
public:
    explicit TavrinDoc(const QString& text);
    ~TavrinDoc();

    // Replaces the pages from a document text. A text whose first character
    // that is not white space is "<" is read as a <tavrindoc> document; any
    // other non-empty text gives the built-in sample document. False, with
    // the reason in `error` and no pages left, for an empty text or a
    // document that cannot be read.
    bool fromXML(const QString& text, QString& error);
    bool fromXML(const QString& text);

    void addPage(const TavrinDocPage& page);
    void clear();

    QList<TavrinDocPage> pages;
    QString fontFace;
    quint32 linesPerPage;
    float margin;

private:
    void fillSample();
    bool readXml(const QString& text, QString& error);
};

#endif
