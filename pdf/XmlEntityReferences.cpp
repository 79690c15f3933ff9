#include "pdf/XmlEntityReferences.h"

#include <QHash>
#include <QStringList>

namespace {
const QChar REFERENCE_START = QLatin1Char('&');
const QChar REFERENCE_END = QLatin1Char(';');
const QChar MARKUP_START = QLatin1Char('<');
const QChar MARKUP_END = QLatin1Char('>');
const QChar LINE_FEED = QLatin1Char('\n');
const QChar CARRIAGE_RETURN = QLatin1Char('\r');

// Markup whose inside is not character data, with the text that ends it.
struct Section
{
    QString start;
    QString end;
};
const Section SECTIONS[] = {
    {QStringLiteral("<!--"), QStringLiteral("-->")},
    {QStringLiteral("<![CDATA["), QStringLiteral("]]>")},
    {QStringLiteral("<?"), QStringLiteral("?>")},
};

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

// What may stand between "&" and ";" of a reference: anything that ends
// neither the reference nor the character data.
bool isNameCharacter(QChar c)
{
    return c != REFERENCE_END && c != REFERENCE_START && c != MARKUP_START && !c.isSpace();
}

// Offset just past the markup that starts at `at` (a "<"); the text's length
// when the markup does not end.
int pastMarkup(const QString& text, int at)
{
    for (const Section& section : SECTIONS) {
        if (text.midRef(at, section.start.size()) == section.start) {
            const int end = text.indexOf(section.end, at + section.start.size());
            return end < 0 ? text.size() : end + section.end.size();
        }
    }
    int i = at + 1;
    while (i < text.size() && text.at(i) != MARKUP_END) {
        if (isQuote(text.at(i))) {
            const int close = text.indexOf(text.at(i), i + 1);
            if (close < 0)
                return text.size();
            i = close;
        }
        ++i;
    }
    return qMin(i + 1, text.size());
}
} // namespace

QSet<QString> XmlEntityReferences::unexpanded(const QXmlStreamEntityDeclarations& declarations)
{
    QSet<QString> names;
    QSet<QString> declared;
    for (const QXmlStreamEntityDeclaration& declaration : declarations) {
        declared.insert(declaration.name().toString());
        // An unparsed entity may not be referenced at all: the reader refuses that itself.
        if (declaration.value().isNull() && declaration.notationName().isEmpty())
            names.insert(declaration.name().toString());
    }
    if (names.isEmpty())
        return names;
    // An internal entity's text is read as content where it is referenced.
    // Each text is read once for the entities it refers to; the names are
    // then followed from the unexpanded ones to the entities referring to
    // them. Going over all declarations again after each new name would take
    // time in the square of their number.
    QHash<QString, QStringList> referredBy;
    for (const QXmlStreamEntityDeclaration& declaration : declarations) {
        if (declaration.value().isNull())
            continue;
        const QString text = declaration.value().toString();
        const QString name = declaration.name().toString();
        QString found;
        for (int at = firstReference(text, 0, declared, found); at >= 0;
             at = firstReference(text, at + found.size() + 2, declared, found)) {
            referredBy[found].append(name);
        }
    }
    QStringList pending = names.values();
    while (!pending.isEmpty()) {
        const QString name = pending.takeLast();
        for (const QString& referring : referredBy.value(name)) {
            if (!names.contains(referring)) {
                names.insert(referring);
                pending.append(referring);
            }
        }
    }
    return names;
}

int XmlEntityReferences::firstReference(const QString& text, int from, const QSet<QString>& names, QString& name)
{
    int i = qMax(from, 0);
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == MARKUP_START) {
            i = pastMarkup(text, i);
        } else if (c == REFERENCE_START) {
            int end = i + 1;
            while (end < text.size() && isNameCharacter(text.at(end)))
                ++end;
            if (end < text.size() && text.at(end) == REFERENCE_END && names.contains(text.mid(i + 1, end - i - 1))) {
                name = text.mid(i + 1, end - i - 1);
                return i;
            }
            i = end;
        } else {
            ++i;
        }
    }
    return -1;
}

void XmlEntityReferences::lineAndColumn(const QString& text, int offset, qint64& line, qint64& column)
{
    line = 1;
    int lineStart = 0;
    const int end = qMin(offset, text.size());
    for (int i = 0; i < end; ++i) {
        const QChar c = text.at(i);
        if (c == LINE_FEED || (c == CARRIAGE_RETURN && (i + 1 >= text.size() || text.at(i + 1) != LINE_FEED))) {
            ++line;
            lineStart = i + 1;
        }
    }
    column = offset - lineStart;
}
