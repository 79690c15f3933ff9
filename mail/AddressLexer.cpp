#include "mail/AddressLexer.h"

#include "mail/MailText.h"

namespace {

const QChar QUOTE = QLatin1Char('"');
const QChar BACKSLASH = QLatin1Char('\\');
const QChar OPEN_COMMENT = QLatin1Char('(');
const QChar CLOSE_COMMENT = QLatin1Char(')');
const QChar OPEN_LITERAL = QLatin1Char('[');
const QChar CLOSE_LITERAL = QLatin1Char(']');
const QString SPECIALS = QStringLiteral("<>@:;,.");
// Characters that tell an address in a list.
const QString ADDRESS_CHARACTERS = QStringLiteral("<>@");
// What a domain literal cannot hold: another bracket, a quoted pair, or a
// separator of the list.
const QString NOT_IN_LITERAL = QStringLiteral("[\\,;");

bool isListSeparator(QChar c)
{
    return c == QLatin1Char(',') || c == QLatin1Char(';');
}

} // namespace

class AddressLexerPrivate
{
public:
    explicit AddressLexerPrivate(const QString& text);

    bool opensQuote(int i) const { return quoteClose.at(i + 1) >= 0; }
    bool opensLiteral(int i) const { return literalClose.at(i + 1) >= 0; }
    bool isDisputed(int open) const
    {
        const int close = commentClose.at(open);
        return separatorsBefore.at(close) > separatorsBefore.at(open)
               && addressCharactersBefore.at(close) > addressCharactersBefore.at(open);
    }
    bool endsWord(int i) const
    {
        const QChar c = list.at(i);
        return MailText::isBlank(c) || SPECIALS.contains(c) || c == OPEN_COMMENT || c == CLOSE_COMMENT
               || (c == QUOTE && opensQuote(i)) || (c == OPEN_LITERAL && opensLiteral(i));
    }

    QString list;
    // quoteClose[j]: the quote that ends quoted text read from j, a quoted
    // pair passed over; -1 for none. A quote at i opens where quoteClose[i + 1]
    // is one.
    QVector<int> quoteClose;
    // literalClose[j]: the "]" that ends a domain literal read from j; -1.
    QVector<int> literalClose;
    // commentClose[i]: where the comment that a "(" at i opens closes, nested
    // comments and quoted pairs passed over, quotes plain; -1 for none, and
    // at every other character.
    QVector<int> commentClose;
    // How many separators and address characters stand before each position.
    QVector<int> separatorsBefore;
    QVector<int> addressCharactersBefore;
};

AddressLexerPrivate::AddressLexerPrivate(const QString& text)
    : list(text)
{
    const int n = list.size();
    quoteClose.fill(-1, n + 2);
    literalClose.fill(-1, n + 2);
    // closeFrom[j]: the ")" that ends comment text read from j; -1 for none.
    QVector<int> closeFrom(n + 2, -1);
    for (int j = n - 1; j >= 0; --j) {
        const QChar c = list.at(j);
        if (c == QUOTE)
            quoteClose[j] = j;
        else if (c == BACKSLASH)
            quoteClose[j] = quoteClose.at(j + 2);
        else
            quoteClose[j] = quoteClose.at(j + 1);

        if (c == CLOSE_LITERAL)
            literalClose[j] = j;
        else if (!NOT_IN_LITERAL.contains(c))
            literalClose[j] = literalClose.at(j + 1);

        if (c == CLOSE_COMMENT) {
            closeFrom[j] = j;
        } else if (c == BACKSLASH) {
            closeFrom[j] = closeFrom.at(j + 2);
        } else if (c == OPEN_COMMENT) {
            const int nestedClose = closeFrom.at(j + 1);
            closeFrom[j] = nestedClose < 0 ? -1 : closeFrom.at(nestedClose + 1);
        } else {
            closeFrom[j] = closeFrom.at(j + 1);
        }
    }
    commentClose.fill(-1, n);
    separatorsBefore.fill(0, n + 1);
    addressCharactersBefore.fill(0, n + 1);
    for (int i = 0; i < n; ++i) {
        const QChar c = list.at(i);
        if (c == OPEN_COMMENT)
            commentClose[i] = closeFrom.at(i + 1);
        separatorsBefore[i + 1] = separatorsBefore.at(i) + isListSeparator(c);
        addressCharactersBefore[i + 1] = addressCharactersBefore.at(i) + ADDRESS_CHARACTERS.contains(c);
    }
}

AddressLexer::AddressLexer(const QString& list)
    : d(new AddressLexerPrivate(list))
{
}

AddressLexer::~AddressLexer() = default;

const QString& AddressLexer::list() const
{
    return d->list;
}

int AddressLexer::commentClose(int position) const
{
    return d->commentClose.value(position, -1);
}

AddressLexer::Item AddressLexer::item(int from, const QSet<int>& comments) const
{
    const QString& list = d->list;
    const int n = list.size();
    Item item;
    int i = from;
    while (i < n) {
        const QChar c = list.at(i);
        const int start = i;
        Kind kind = Word;
        if (MailText::isBlank(c)) {
            while (i < n && MailText::isBlank(list.at(i)))
                ++i;
            kind = Blank;
        } else if (c == QUOTE && d->opensQuote(i)) {
            i = d->quoteClose.at(i + 1) + 1;
            kind = Quoted;
        } else if (c == OPEN_COMMENT && d->commentClose.at(i) >= 0
                   && (!d->isDisputed(i) || comments.contains(i))) {
            i = d->commentClose.at(i) + 1;
            kind = Comment;
        } else if (c == OPEN_COMMENT || c == CLOSE_COMMENT) {
            if (c == OPEN_COMMENT && d->commentClose.at(i) >= 0)
                item.disputed << i;
            ++i;
            kind = Stray;
        } else if (c == OPEN_LITERAL && d->opensLiteral(i)) {
            i = d->literalClose.at(i + 1) + 1;
            kind = Literal;
        } else if (isListSeparator(c)) {
            break;
        } else if (SPECIALS.contains(c)) {
            ++i;
            kind = Special;
        } else {
            for (++i; i < n && !d->endsWord(i);)
                ++i;
        }
        item.tokens.append({ kind, start, i });
    }
    item.end = i;
    return item;
}

QStringRef AddressLexer::text(const Token& token) const
{
    return d->list.midRef(token.start, token.end - token.start);
}

QStringRef AddressLexer::text(const Token& first, const Token& last) const
{
    return d->list.midRef(first.start, last.end - first.start);
}
