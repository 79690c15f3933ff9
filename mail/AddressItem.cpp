#include "mail/AddressItem.h"

#include "mail/MailAddress.h"
#include "mail/MailText.h"

#include <QRegularExpression>
#include <QVector>

namespace {

// Characters that make text before a ":" no group's name.
const QString NOT_IN_GROUP_NAME = QStringLiteral("@<>()[]");
// Characters that tell an address in a list.
const QString ADDRESS_CHARACTERS = QStringLiteral("<>@");

// For each character of an item, whether it stands inside a quoted string,
// its quotes and escapes included. Where the quotes do not pair, none does.
// Given where comments close (commentCloses), a quote inside a comment is
// plain.
QVector<bool> quotedCharacters(const QString& item, const QVector<int>& commentClose = QVector<int>())
{
    QVector<bool> quoted(item.size(), false);
    bool inside = false;
    for (int i = 0; i < item.size(); ++i) {
        const QChar c = item.at(i);
        if (!inside && !commentClose.isEmpty() && commentClose.at(i) >= 0) {
            i = commentClose.at(i);
            continue;
        }
        if (c == QLatin1Char('"'))
            inside = !inside;
        else if (!inside)
            continue;
        quoted[i] = true;
        if (c == QLatin1Char('\\') && i + 1 < item.size())
            quoted[++i] = true;
    }
    if (inside)
        quoted.fill(false);
    return quoted;
}

// The first c outside quotes at or after from; -1 where there is none.
int indexOutsideQuotes(const QString& item, const QVector<bool>& quoted, QChar c, int from)
{
    for (int i = qMax(from, 0); i < item.size(); ++i) {
        if (item.at(i) == c && !quoted.at(i))
            return i;
    }
    return -1;
}

// The last c outside quotes; -1 where there is none.
int lastIndexOutsideQuotes(const QString& item, const QVector<bool>& quoted, QChar c)
{
    for (int i = item.size() - 1; i >= 0; --i) {
        if (item.at(i) == c && !quoted.at(i))
            return i;
    }
    return -1;
}

// Whether a double quote at each position of text would be closed later:
// read as inside quotes from there on, where a backslash takes the next
// character with it. Worked out from the end, so a long list with many
// quotes left open takes one pass, not one pass per quote.
QVector<bool> closedQuotes(const QString& text)
{
    const int n = text.size();
    // closeAhead[j]: a closing quote is found reading quoted text from j.
    QVector<bool> closeAhead(n + 2, false);
    for (int j = n - 1; j >= 0; --j) {
        const QChar c = text.at(j);
        if (c == QLatin1Char('"'))
            closeAhead[j] = true;
        else if (c == QLatin1Char('\\'))
            closeAhead[j] = closeAhead[j + 2];
        else
            closeAhead[j] = closeAhead[j + 1];
    }
    // A quote at i is closed where quoted text read after it finds a close.
    return closeAhead.mid(1, n);
}

// Where the comment opened by a "(" at each position of text closes: the
// position of its ")", nested comments and characters a backslash takes
// passed over, quotes plain; -1 where nothing closes it or no "(" stands
// there. Worked out from the end, each comment's close found from the one
// after it, so a long list of "(" left open takes one pass, not one per "(".
QVector<int> commentCloses(const QString& text)
{
    const int n = text.size();
    // closeFrom[j]: the ")" that ends comment text read from j; -1 for none.
    QVector<int> closeFrom(n + 2, -1);
    for (int j = n - 1; j >= 0; --j) {
        const QChar c = text.at(j);
        if (c == QLatin1Char(')')) {
            closeFrom[j] = j;
        } else if (c == QLatin1Char('\\')) {
            closeFrom[j] = closeFrom[j + 2];
        } else if (c == QLatin1Char('(')) {
            const int nestedClose = closeFrom[j + 1];
            closeFrom[j] = nestedClose < 0 ? -1 : closeFrom[nestedClose + 1];
        } else {
            closeFrom[j] = closeFrom[j + 1];
        }
    }
    QVector<int> closes(n, -1);
    for (int i = 0; i < n; ++i) {
        if (text.at(i) == QLatin1Char('('))
            closes[i] = closeFrom[i + 1];
    }
    return closes;
}

// The comments of an address list: as commentCloses, but a "(" whose ")"
// lies past a "," or ";" with an address character ("<", ">" or "@")
// between them opens none. Such a "(" is a stray one before a later
// address's comment, and taking it as closed there would take the
// addresses between into a comment. Counted with running totals, so each
// "(" costs the same however long its comment.
QVector<int> listCommentCloses(const QString& list)
{
    QVector<int> closes = commentCloses(list);
    const int n = list.size();
    // separatorsBefore[i], addressCharactersBefore[i]: how many stand before i.
    QVector<int> separatorsBefore(n + 1, 0);
    QVector<int> addressCharactersBefore(n + 1, 0);
    for (int i = 0; i < n; ++i) {
        const QChar c = list.at(i);
        separatorsBefore[i + 1] = separatorsBefore[i] + (c == QLatin1Char(',') || c == QLatin1Char(';'));
        addressCharactersBefore[i + 1] = addressCharactersBefore[i] + ADDRESS_CHARACTERS.contains(c);
    }
    for (int i = 0; i < n; ++i) {
        const int close = closes.at(i);
        if (close >= 0 && separatorsBefore[close] > separatorsBefore[i]
            && addressCharactersBefore[close] > addressCharactersBefore[i])
            closes[i] = -1;
    }
    return closes;
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

} // namespace

QStringList AddressItem::split(const QString& list)
{
    QStringList items;
    QString item;
    const QVector<bool> closed = closedQuotes(list);
    const QVector<int> commentClose = listCommentCloses(list);
    bool quoted = false;
    bool escaped = false;
    const auto take = [&items, &item]() {
        if (!item.trimmed().isEmpty())
            items << item.trimmed();
        item.clear();
    };
    for (int i = 0; i < list.size(); ++i) {
        const QChar c = list.at(i);
        if (!quoted && (c == QLatin1Char(',') || c == QLatin1Char(';'))) {
            take();
            continue;
        }
        if (escaped) {
            escaped = false;
        } else if (c == QLatin1Char('\\')) {
            escaped = quoted;
        } else if (c == QLatin1Char('"') && (quoted || closed.at(i))) {
            quoted = !quoted;
        } else if (!quoted && commentClose.at(i) >= 0) {
            item += list.midRef(i, commentClose.at(i) - i + 1);
            i = commentClose.at(i);
            continue;
        }
        item += c;
    }
    take();
    return items;
}

bool AddressItem::readNamed(const QString& item, Named& named)
{
    const QVector<bool> quoted = quotedCharacters(item);
    const int open = lastIndexOutsideQuotes(item, quoted, QLatin1Char('<'));
    const int close = open < 0 ? -1 : indexOutsideQuotes(item, quoted, QLatin1Char('>'), open);
    if (close < 0 || indexOutsideQuotes(item, quoted, QLatin1Char('>'), close + 1) >= 0)
        return false;
    named = { unquoted(item.left(open).trimmed()), item.mid(open + 1, close - open - 1).trimmed(),
              item.mid(close + 1).trimmed() };
    return true;
}

bool AddressItem::readBare(const QString& item, int maxLength, Bare& bare)
{
    const QString text = item.trimmed();
    const QVector<int> closes = commentCloses(text);
    const QVector<bool> quoted = quotedCharacters(text, closes);
    // The "@" before the domain: the last one outside quotes and comments,
    // before any "(" that nothing closes.
    int at = -1;
    for (int i = 0; i < text.size(); ++i) {
        if (quoted.at(i))
            continue;
        if (text.at(i) == QLatin1Char('(')) {
            if (closes.at(i) < 0)
                break;
            i = closes.at(i);
        } else if (text.at(i) == QLatin1Char('@')) {
            at = i;
        }
    }
    // Comments up to the domain's first character stand around the words of
    // the address (so does one before text without "@"): each is taken out,
    // a blank in its place. From the next "(" on, the rest is its comment,
    // as given.
    QStringList comments;
    QString address;
    bool domainStarted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('(') && !quoted.at(i)) {
            const bool nothingBefore = address.trimmed().isEmpty();
            const bool insideAddress = at >= 0 ? !domainStarted : nothingBefore;
            if (insideAddress && closes.at(i) >= 0) {
                comments << text.mid(i, closes.at(i) - i + 1);
                address += QLatin1Char(' ');
                i = closes.at(i);
                continue;
            }
            if (nothingBefore)
                return false;
            comments << text.mid(i);
            break;
        }
        domainStarted = domainStarted || (at >= 0 && i > at && !MailText::isBlank(c));
        address += c;
    }
    address = MailAddress::headerFormOfAnyLength(address, false);
    if (address.isNull() || address.size() > maxLength)
        return false;
    bare = { address, comments };
    return true;
}

bool AddressItem::readGroup(const QString& item, int maxLength, Group& group)
{
    const QVector<int> closes = commentCloses(item);
    const QVector<bool> quoted = quotedCharacters(item, closes);
    // The name: the text before the first ":" outside quotes and comments,
    // its comments taken out and one blank left where they stood.
    QString name;
    QStringList comments;
    int colon = -1;
    for (int i = 0; i < item.size() && colon < 0; ++i) {
        const QChar c = item.at(i);
        if (quoted.at(i)) {
            name += c;
        } else if (c == QLatin1Char(':')) {
            colon = i;
        } else if (c == QLatin1Char('(') && closes.at(i) >= 0) {
            comments << item.mid(i, closes.at(i) - i + 1);
            while (!name.isEmpty() && MailText::isBlank(name.back()))
                name.chop(1);
            name += QLatin1Char(' ');
            for (i = closes.at(i); i + 1 < item.size() && MailText::isBlank(item.at(i + 1));)
                ++i;
        } else if (NOT_IN_GROUP_NAME.contains(c)) {
            return false;
        } else {
            name += c;
        }
    }
    name = unquoted(name.trimmed());
    if (colon < 0 || name.isEmpty())
        return false;
    // Nothing but comments after the ":": a group without members.
    const QString members = item.mid(colon + 1);
    const QVector<int> memberCloses = commentCloses(members);
    Bare member;
    int end = 0;
    while (end < members.size() && (MailText::isBlank(members.at(end)) || memberCloses.at(end) >= 0)) {
        if (memberCloses.at(end) >= 0) {
            member.comments << members.mid(end, memberCloses.at(end) - end + 1);
            end = memberCloses.at(end);
        }
        ++end;
    }
    if (end < members.size() && !readBare(members, maxLength, member))
        return false;
    group = { name, { member.address, comments + member.comments } };
    return true;
}
