#ifndef VORNHELM_PDF_TAVRINDOCPAGE_H
#define VORNHELM_PDF_TAVRINDOCPAGE_H

#include "pdf/TavrinDocLine.h"

#include <QList>

class TavrinDoc;

// One page of a line-numbered document: its lines in order. A value class:
// copies keep the `doc` pointer as it is.
class TavrinDocPage
{
public:
    explicit TavrinDocPage(TavrinDoc* doc);
    ~TavrinDocPage();

    void addLine(const TavrinDocLine& line);
    void clear();

    TavrinDoc* doc;  // the document whose layout applies; not owned
    QList<TavrinDocLine> lines;
};

#endif
