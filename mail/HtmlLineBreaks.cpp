#include "mail/HtmlLineBreaks.h"

#include <QStringList>

namespace {

const QString BLANK = QStringLiteral(" ");
const QString LINE_END = QStringLiteral("<br>");
const QString PRE_ELEMENT = QStringLiteral("pre");
const QString COMMENT_OPEN = QStringLiteral("<!--");
const QString COMMENT_CLOSE = QStringLiteral("-->");
const QString END_TAG_OPEN = QStringLiteral("</");
// Elements whose text is no markup up to their end tag: a "<pre>" written
// there opens nothing.
const QStringList RAW_TEXT_ELEMENTS = { QStringLiteral("script"), QStringLiteral("style"),
                                        QStringLiteral("textarea"), QStringLiteral("title") };

// The length of the line break at i: 2 for "\r\n", 1 for "\n" or "\r", 0
// where none starts there.
int lineBreakAt(const QString& text, int i)
{
    if (text.at(i) == QLatin1Char('\r'))
        return i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n') ? 2 : 1;
    return text.at(i) == QLatin1Char('\n') ? 1 : 0;
}

bool isHtmlBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')
           || c == QLatin1Char('\f');
}

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// Whether the tag name at i is name (lower case), ASCII letters compared
// without case, as HTML compares them.
bool namesElement(const QString& text, int i, const QString& name)
{
    if (i + name.size() > text.size())
        return false;
    for (int k = 0; k < name.size(); ++k) {
        ushort letter = text.at(i + k).unicode();
        if (letter >= 'A' && letter <= 'Z')
            letter += 'a' - 'A';
        if (letter != name.at(k).unicode())
            return false;
    }
    const int after = i + name.size();
    return after == text.size() || isHtmlBlank(text.at(after)) || text.at(after) == QLatin1Char('/')
           || text.at(after) == QLatin1Char('>');
}

// Just past the ">" that ends the tag whose "<" is at i, or the end of the
// text. A ">" inside a quoted attribute value ends nothing.
int tagEnd(const QString& text, int i)
{
    bool valueNext = false;
    for (++i; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('>'))
            return i + 1;
        if (valueNext && (c == QLatin1Char('"') || c == QLatin1Char('\''))) {
            const int close = text.indexOf(c, i + 1);
            if (close < 0)
                return text.size();
            i = close;
            valueNext = false;
        } else if (c == QLatin1Char('=')) {
            valueNext = true;
        } else if (!isHtmlBlank(c)) {
            valueNext = false;
        }
    }
    return text.size();
}

// Where the end tag of the raw text element name starts, from i on, or the
// end of the text.
int rawTextEnd(const QString& text, int i, const QString& name)
{
    for (int at = text.indexOf(END_TAG_OPEN, i); at >= 0; at = text.indexOf(END_TAG_OPEN, at + 1)) {
        if (namesElement(text, at + END_TAG_OPEN.size(), name))
            return at;
    }
    return text.size();
}

// Appends text from..to with each line break a blank.
void appendBlanked(QString& shown, const QString& text, int from, int to)
{
    for (int i = from; i < to;) {
        const int lineBreak = lineBreakAt(text, i);
        if (lineBreak > 0 && i + lineBreak <= to) {
            shown += BLANK;
            i += lineBreak;
        } else {
            shown += text.at(i++);
        }
    }
}

} // namespace

QString HtmlLineBreaks::asBrowserShows(const QString& html)
{
    QString shown;
    shown.reserve(html.size());
    int preOpen = 0; // "<pre>" elements open around the text
    for (int i = 0; i < html.size();) {
        const int lineBreak = lineBreakAt(html, i);
        if (lineBreak > 0) {
            shown += preOpen > 0 ? LINE_END : BLANK;
            i += lineBreak;
            continue;
        }
        if (html.at(i) != QLatin1Char('<') || i + 1 == html.size()) {
            shown += html.at(i++);
            continue;
        }
        const QChar next = html.at(i + 1);
        const bool endTag = next == QLatin1Char('/') && i + 2 < html.size() && isAsciiLetter(html.at(i + 2));
        const bool tag = isAsciiLetter(next) || endTag;
        int end = 0; // just past the markup that starts at i
        if (html.midRef(i).startsWith(COMMENT_OPEN)) {
            // "<!-->" ends where it starts.
            const int close = html.indexOf(COMMENT_CLOSE, i + 2);
            end = close < 0 ? html.size() : close + COMMENT_CLOSE.size();
        } else if (tag) {
            end = tagEnd(html, i);
        } else if (next == QLatin1Char('!') || next == QLatin1Char('?') || next == QLatin1Char('/')) {
            // A declaration, processing instruction or stray end tag: up to its ">".
            const int close = html.indexOf(QLatin1Char('>'), i + 1);
            end = close < 0 ? html.size() : close + 1;
        } else {
            shown += html.at(i++); // a "<" that opens no markup is text
            continue;
        }
        appendBlanked(shown, html, i, end);
        const int name = endTag ? i + 2 : i + 1;
        i = end;
        if (!tag)
            continue;
        const bool pre = namesElement(html, name, PRE_ELEMENT);
        if (endTag) {
            if (pre && preOpen > 0)
                --preOpen;
            continue;
        }
        if (pre) {
            ++preOpen;
            // A browser drops the line break right after "<pre>".
            if (i < html.size())
                i += lineBreakAt(html, i);
        }
        for (const QString& rawText : RAW_TEXT_ELEMENTS) {
            if (namesElement(html, name, rawText)) {
                const int textEnd = rawTextEnd(html, i, rawText);
                appendBlanked(shown, html, i, textEnd);
                i = textEnd;
                break;
            }
        }
    }
    return shown;
}
