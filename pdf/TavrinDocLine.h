#ifndef VORNHELM_PDF_TAVRINDOCLINE_H
#define VORNHELM_PDF_TAVRINDOCLINE_H

#include <QString>

class TavrinDocPage;

// One numbered line of a line-numbered document. A value class: copies keep
// the `page` pointer as it is.
class TavrinDocLine
{
public:
    TavrinDocLine(TavrinDocPage* page, uint pageNumber, uint lineNumber, const QString& text);
    ~TavrinDocLine();

    // The row as the PDF writer prints it: "<page>/<line> <text>", or a null
    // string when either number is 0 or the text is empty.
    QString outputText() const;

    void clear();

    TavrinDocPage* page;   // not owned; nothing reads it
    quint32 pageNumber;    // from 1; 0 means unset
    quint32 lineNumber;    // from 1; 0 means unset
    QString text;
    QString note;          // null unless the line carries a note
};

#endif
