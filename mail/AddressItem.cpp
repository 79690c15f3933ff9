#include "mail/AddressItem.h"

#include "mail/MailAddress.h"

#include <QRegularExpression>
#include <QVector>

namespace {

// Characters that make text before a ":" no group's name.
const QString NOT_IN_GROUP_NAME = QStringLiteral("@<>()[]");

// For each character of an item, whether it stands inside a quoted string,
// its quotes and escapes included. Where the quotes do not pair, none does.
QVector<bool> quotedCharacters(const QString& item)
{
    QVector<bool> quoted(item.size(), false);
    bool inside = false;
    for (int i = 0; i < item.size(); ++i) {
        const QChar c = item.at(i);
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

// Where the comment that opens text ends: its closing parenthesis, nested
// ones and escaped characters passed over; -1 where nothing closes it.
int commentEnd(const QString& text)
{
    int depth = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\'))
            ++i;
        else if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')') && --depth == 0)
            return i;
    }
    return -1;
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
    QStringList comments;
    QString rest = item.trimmed();
    if (rest.startsWith(QLatin1Char('('))) {
        const int end = commentEnd(rest);
        if (end < 0)
            return false;
        comments << rest.left(end + 1);
        rest = rest.mid(end + 1).trimmed();
    }
    const int open = indexOutsideQuotes(rest, quotedCharacters(rest), QLatin1Char('('), 1);
    if (open > 0) {
        comments << rest.mid(open);
        rest = rest.left(open).trimmed();
    }
    const QString address = MailAddress::headerFormOfAnyLength(rest, false);
    if (address.isNull() || address.size() > maxLength)
        return false;
    bare = { address, comments };
    return true;
}

bool AddressItem::readGroup(const QString& item, int maxLength, Group& group)
{
    const QVector<bool> quoted = quotedCharacters(item);
    const int colon = indexOutsideQuotes(item, quoted, QLatin1Char(':'), 0);
    if (colon <= 0)
        return false;
    for (int i = 0; i < colon; ++i) {
        if (!quoted.at(i) && NOT_IN_GROUP_NAME.contains(item.at(i)))
            return false;
    }
    const QString name = unquoted(item.left(colon).trimmed());
    Bare member;
    if (name.isEmpty() || !readBare(item.mid(colon + 1), maxLength, member))
        return false;
    group = { name, member };
    return true;
}
