#include "mail/AddressItem.h"

#include "mail/AddressLexer.h"
#include "mail/MailAddress.h"
#include "mail/MailText.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

using Token = AddressLexer::Token;
using Tokens = QVector<AddressLexer::Token>;

// Characters that make a word no part of a group's name.
const QString NOT_IN_GROUP_NAME = QStringLiteral("[]");
// What the comments of a group without members may not hold.
const QString NOT_IN_EMPTY_GROUP_COMMENT = QStringLiteral("<>\":");
const QChar AT = QLatin1Char('@');
const QChar DOT = QLatin1Char('.');
const QChar COLON = QLatin1Char(':');

bool isSpecial(const AddressLexer& lexer, const Token& token, QChar c)
{
    return token.kind == AddressLexer::Special && lexer.list().at(token.start) == c;
}

bool isWordLike(AddressLexer::Kind kind)
{
    return kind == AddressLexer::Word || kind == AddressLexer::Quoted || kind == AddressLexer::Literal;
}

// A name without its quotes and their escapes, where it is one quoted
// string.
QString unquoted(const QString& name)
{
    static const QRegularExpression QUOTED(QStringLiteral("^\"((?:[^\"\\\\]|\\\\.)*)\"$"));
    static const QRegularExpression ESCAPE(QStringLiteral("\\\\(.)"));
    const QRegularExpressionMatch quoted = QUOTED.match(name);
    return quoted.hasMatch() ? quoted.captured(1).replace(ESCAPE, QStringLiteral("\\1")) : name;
}

// The tokens first to last (past the end) of one item, blanks at its ends
// left out.
class ItemTokens
{
public:
    ItemTokens(const AddressLexer& lexer, const Tokens& tokens)
        : lexer(lexer)
        , tokens(tokens)
    {
        while (first < last && tokens.at(first).kind == AddressLexer::Blank)
            ++first;
        while (last > first && tokens.at(last - 1).kind == AddressLexer::Blank)
            --last;
    }

    bool isEmpty() const { return first == last; }
    QString raw(int from, int to) const
    {
        while (from < to && tokens.at(from).kind == AddressLexer::Blank)
            ++from;
        while (to > from && tokens.at(to - 1).kind == AddressLexer::Blank)
            --to;
        return from < to ? lexer.text(tokens.at(from), tokens.at(to - 1)).toString() : QString();
    }
    int find(QChar special, int from, int to) const
    {
        for (int k = from; k < to; ++k) {
            if (isSpecial(lexer, tokens.at(k), special))
                return k;
        }
        return -1;
    }
    bool holds(AddressLexer::Kind kind, int from, int to) const
    {
        return std::any_of(tokens.begin() + from, tokens.begin() + to, [kind](const Token& token) { return token.kind == kind; });
    }
    int findLast(QChar special, int from, int to) const
    {
        for (int k = to - 1; k >= from; --k) {
            if (isSpecial(lexer, tokens.at(k), special))
                return k;
        }
        return -1;
    }

    const AddressLexer& lexer;
    const Tokens& tokens;
    int first = 0;
    int last = tokens.size();
};

// The text of an address from tokens from to to, its comments taken out and
// added to comments. Where a comment stood between two words a blank stays,
// so that two words never run into one; beside a dot or "@" nothing does.
// Blanks beside a dot, comments between or not, are folding white space
// around the dot of a local part or a domain, not part of the address.
QString addressText(const ItemTokens& item, int from, int to, QStringList& comments)
{
    QString text;
    QString blanks; // those met since the last word or special
    bool afterComment = false;
    bool afterDot = false;
    AddressLexer::Kind lastKind = AddressLexer::Blank;
    for (int k = from; k < to; ++k) {
        const Token& token = item.tokens.at(k);
        if (token.kind == AddressLexer::Comment) {
            comments << item.lexer.text(token).toString();
            afterComment = true;
            continue;
        }
        if (token.kind == AddressLexer::Blank) {
            blanks += item.lexer.text(token);
            continue;
        }
        const bool isDot = isSpecial(item.lexer, token, DOT);
        if (!afterDot && !isDot)
            text += blanks;
        blanks.clear();
        if (afterComment && isWordLike(token.kind) && isWordLike(lastKind))
            text += QLatin1Char(' ');
        afterComment = false;
        afterDot = isDot;
        lastKind = token.kind;
        text += item.lexer.text(token);
    }
    return text.trimmed();
}

// A bare address of any length up to maxLength, its comments taken out. A
// stray "(" once the domain has begun starts text that follows the address
// as one more comment, as given; so does a stray ")" where no "@" follows
// it. Any other stray parenthesis makes the tokens no address.
bool readBare(const ItemTokens& item, int from, int to, int maxLength, AddressItem& read)
{
    bool sawAt = false;
    bool domainStarted = false;
    int tail = to;
    for (int k = from; k < to && tail == to; ++k) {
        const Token& token = item.tokens.at(k);
        if (token.kind == AddressLexer::Stray) {
            const QStringRef rest = item.lexer.text(token, item.tokens.at(to - 1));
            if (!domainStarted || (rest.at(0) == QLatin1Char(')') && rest.contains(AT)))
                return false;
            tail = k;
        } else if (isSpecial(item.lexer, token, AT)) {
            sawAt = true;
        } else if (!sawAt && isSpecial(item.lexer, token, COLON)) {
            return false; // the end of a group's name, never part of a local part
        } else if (sawAt && token.kind != AddressLexer::Blank && token.kind != AddressLexer::Comment) {
            domainStarted = true;
        }
    }
    if (!sawAt)
        return false;
    QStringList comments;
    const QString address = MailAddress::headerFormOfAnyLength(addressText(item, from, tail, comments), false);
    if (address.isNull() || address.size() > maxLength)
        return false;
    if (tail < to)
        comments << item.raw(tail, to);
    read.form = AddressItem::Bare;
    read.address = address;
    read.comments += comments;
    return true;
}

// A display name and what the last "<" and the ">" after it hold; no other
// ">" may follow. A "<" that nothing closes reads as such where one address
// follows it.
bool readNamed(const ItemTokens& item, AddressItem& read)
{
    int open = -1;
    for (int k = item.first; k < item.last; ++k) {
        if (isSpecial(item.lexer, item.tokens.at(k), QLatin1Char('<')))
            open = k;
    }
    if (open < 0)
        return false;
    const int close = item.find(QLatin1Char('>'), open + 1, item.last);
    if (close >= 0 && item.find(QLatin1Char('>'), close + 1, item.last) >= 0)
        return false;
    QStringList comments;
    const int end = close >= 0 ? close : item.last;
    const int at = item.findLast(AT, open + 1, end);
    // A ":" before the "@" is never part of a local part, nor is a
    // parenthesis that pairs with nothing.
    if (at < 0 || item.find(COLON, open + 1, at) >= 0 || item.holds(AddressLexer::Stray, open + 1, at))
        return false;
    const QString given = addressText(item, open + 1, end, comments);
    const QString address = MailAddress::headerFormOfAnyLength(given, true);
    if (address.isNull())
        return false;
    if (close >= 0 && close + 1 < item.last)
        comments << item.raw(close + 1, item.last);
    read.form = AddressItem::Named;
    read.name = unquoted(item.raw(item.first, open));
    read.address = address;
    read.comments = comments;
    return true;
}

// The name of a group before a ":", then a bare address or nothing but
// comments. The name holds words, quoted strings, dots and comments; its
// comments are taken out, a blank left where they stood.
bool readGroup(const ItemTokens& item, int maxLength, AddressItem& read)
{
    const int colon = item.find(COLON, item.first, item.last);
    if (colon < 0)
        return false;
    QString name;
    QStringList comments;
    int commentsBeforeName = 0;
    bool afterComment = false;
    for (int k = item.first; k < colon; ++k) {
        const Token& token = item.tokens.at(k);
        const QStringRef text = item.lexer.text(token);
        if (token.kind == AddressLexer::Comment) {
            comments << text.toString();
            commentsBeforeName += name.isEmpty();
            afterComment = true;
            continue;
        }
        if (token.kind == AddressLexer::Blank) {
            if (!afterComment)
                name += text;
            continue;
        }
        const bool wordOrDot = token.kind == AddressLexer::Word || token.kind == AddressLexer::Quoted
                               || isSpecial(item.lexer, token, DOT);
        if (!wordOrDot || std::any_of(text.begin(), text.end(), [](QChar c) { return NOT_IN_GROUP_NAME.contains(c); }))
            return false;
        if (afterComment) {
            while (!name.isEmpty() && MailText::isBlank(name.back()))
                name.chop(1);
            if (!name.isEmpty())
                name += QLatin1Char(' ');
            afterComment = false;
        }
        name += text;
    }
    name = unquoted(name.trimmed());
    if (name.isEmpty())
        return false;
    // Nothing but comments after the ":": a group without members.
    int member = colon + 1;
    QStringList memberComments;
    for (; member < item.last; ++member) {
        const Token& token = item.tokens.at(member);
        if (token.kind == AddressLexer::Comment)
            memberComments << item.lexer.text(token).toString();
        else if (token.kind != AddressLexer::Blank)
            break;
    }
    AddressItem bare;
    if (member < item.last && !readBare(item, colon + 1, item.last, maxLength, bare))
        return false;
    read.form = AddressItem::Group;
    read.name = name;
    read.address = bare.address;
    read.comments = comments + (member < item.last ? bare.comments : memberComments);
    // Some readers refuse the whole list over a group without members whose
    // comments hold these; its name and comments go as one name instead.
    const bool commentsUnsafe = std::any_of(read.comments.begin(), read.comments.end(), [](const QString& comment) {
        return std::any_of(comment.begin(), comment.end(), [](QChar c) { return NOT_IN_EMPTY_GROUP_COMMENT.contains(c); });
    });
    if (member == item.last && commentsUnsafe) {
        QStringList spoken = read.comments;
        spoken.insert(commentsBeforeName, name);
        read.name = spoken.join(QLatin1Char(' '));
        read.comments.clear();
    }
    return true;
}

// Whether an item names an address: every named or bare one does, a group
// only with its member.
bool namesAddress(const AddressItem& item)
{
    return item.form != AddressItem::Text && !item.address.isEmpty();
}

// One item's reading.
AddressItem readItem(const ItemTokens& item, int maxLength)
{
    AddressItem read;
    if (readNamed(item, read)) {
        // What the brackets hold goes whole on a line of its own; longer than
        // such a line allows, the whole item is text.
        if (read.address.size() <= maxLength)
            return read;
    } else {
        // A group without members first: "Team (c):" would read as the word
        // "Team" and a comment.
        AddressItem group;
        const bool isGroup = readGroup(item, maxLength, group);
        if (isGroup && group.address.isEmpty())
            return group;
        AddressItem bare;
        if (readBare(item, item.first, item.last, maxLength, bare))
            return bare;
        if (isGroup)
            return group;
    }
    AddressItem text;
    text.name = item.raw(item.first, item.last);
    return text;
}

// The items of a list as the lexer splits them.
struct ListReading {
    QVector<AddressItem> items;
    // For every item, empty ones included: where its tokens begin, whether
    // it names an address, and the disputed "(" it holds.
    QVector<int> starts;
    QVector<bool> recipients;
    QVector<QVector<int>> disputed;
};

ListReading readList(const AddressLexer& lexer, int maxLength, const QSet<int>& comments)
{
    ListReading reading;
    const int n = lexer.list().size();
    for (int from = 0; from <= n;) {
        const AddressLexer::Item lexed = lexer.item(from, comments);
        const ItemTokens item(lexer, lexed.tokens);
        reading.starts << from;
        reading.disputed << lexed.disputed;
        if (!item.isEmpty())
            reading.items << readItem(item, maxLength);
        reading.recipients << (!item.isEmpty() && namesAddress(reading.items.last()));
        from = lexed.end + 1;
    }
    return reading;
}

} // namespace

QVector<AddressItem> AddressItem::read(const QString& list, int maxLength)
{
    const AddressLexer lexer(list);
    const ListReading apart = readList(lexer, maxLength, QSet<int>());
    // A disputed "(" opens a comment only where that keeps as many
    // recipients: read as one item, the items from its own to its ")" 's
    // must name an address where apart at most one of them does. Where both
    // readings name one, the comment's is the one the page wrote: apart, its
    // text would be read as the address. Each item is read at most once
    // as the start and once as the end of such a reading, so the list is
    // still read in linear time.
    const int count = apart.starts.size();
    QVector<int> recipientsBefore(count + 1, 0);
    for (int k = 0; k < count; ++k)
        recipientsBefore[k + 1] = recipientsBefore.at(k) + apart.recipients.at(k);
    QVector<bool> startTried(count, false);
    QVector<bool> endTried(count, false);
    QSet<int> comments;
    int mergedThrough = -1;
    for (int k = 0; k < count; ++k) {
        for (const int open : apart.disputed.at(k)) {
            const int close = lexer.commentClose(open);
            const int m = int(std::upper_bound(apart.starts.begin(), apart.starts.end(), close) - apart.starts.begin()) - 1;
            if (k <= mergedThrough || startTried.at(k) || endTried.at(m)
                || recipientsBefore.at(m + 1) - recipientsBefore.at(k) > 1)
                continue;
            startTried[k] = endTried[m] = true;
            const AddressLexer::Item lexed = lexer.item(apart.starts.at(k), { open });
            if (namesAddress(readItem(ItemTokens(lexer, lexed.tokens), maxLength))) {
                comments.insert(open);
                mergedThrough = m;
            }
        }
    }
    return comments.isEmpty() ? apart.items : readList(lexer, maxLength, comments).items;
}
