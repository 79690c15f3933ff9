#include "pdf/TavrinDocLine.h"

namespace {
const QString PAGE_LINE_SEPARATOR = QStringLiteral("/");
const QString NUMBER_TEXT_SEPARATOR = QStringLiteral(" ");
}

TavrinDocLine::TavrinDocLine(TavrinDocPage* page, uint pageNumber, uint lineNumber, const QString& text)
    : page(page)
    , pageNumber(pageNumber)
    , lineNumber(lineNumber)
    , text(text)
{
}

TavrinDocLine::~TavrinDocLine() = default;

QString TavrinDocLine::outputText() const
{
    if (pageNumber == 0 || lineNumber == 0 || text.isEmpty())
        return QString();
    return QString::number(pageNumber) + PAGE_LINE_SEPARATOR + QString::number(lineNumber)
           + NUMBER_TEXT_SEPARATOR + text;
}

void TavrinDocLine::clear()
{
    pageNumber = 0;
    lineNumber = 0;
    text = QString();
    note = QString();
}
