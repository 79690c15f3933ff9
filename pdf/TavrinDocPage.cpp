#include "pdf/TavrinDocPage.h"

TavrinDocPage::TavrinDocPage(TavrinDoc* doc)
    : doc(doc)
{
}

TavrinDocPage::~TavrinDocPage() = default;

void TavrinDocPage::addLine(const TavrinDocLine& line)
{
    lines.append(line);
}

void TavrinDocPage::clear()
{
    lines.clear();
}
