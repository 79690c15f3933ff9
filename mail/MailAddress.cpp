#include "mail/MailAddress.h"

#include "core/BackslashEscape.h"
#include "mail/IdnDomain.h"
#include "mail/MailText.h"

#include <algorithm>
#include <cstring>

namespace {

// Longest address a mail path takes.
const int MAX_ADDRESS = 254;
// Characters of an atom besides letters, digits and those outside ASCII.
const char ATOM_SPECIALS[] = "!#$%&'*+-/=?^_`{|}~";
// Characters that no unquoted word and no domain holds.
const char WORD_SPECIALS[] = "()<>[]:;@\\,\"";

bool isAtomCharacter(QChar c)
{
    const ushort u = c.unicode();
    if (u > 0x7f)
        return true;
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')
           || (u != 0 && strchr(ATOM_SPECIALS, u));
}

// Atoms separated by single separators, none at either end: a dot-atom
// with ".", a phrase of plain words with " ".
bool isAtomsSeparatedBy(const QString& text, QChar separator)
{
    if (text.isEmpty() || text.startsWith(separator) || text.endsWith(separator)
        || text.contains(QString(2, separator)))
        return false;
    for (const QChar c : text) {
        if (c != separator && !isAtomCharacter(c))
            return false;
    }
    return true;
}

// Text without blanks, controls and the characters that end a word.
bool isWord(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u <= 0x20 || u == 0x7f || (u < 0x80 && strchr(WORD_SPECIALS, u)))
            return false;
    }
    return true;
}

// What a local part says: quoted strings without their quotes and escapes,
// the rest as given; where its quotes do not pair, all of it as given. Null
// where the text outside quotes holds what would make it no address: angle
// brackets, and blanks unless blanksAllowed.
QString localText(const QString& given, bool blanksAllowed)
{
    const auto endsAddress = [blanksAllowed](QChar c) {
        return (MailText::isBlank(c) && !blanksAllowed) || c == QLatin1Char('<') || c == QLatin1Char('>');
    };
    QString text = QStringLiteral("");
    bool quoted = false;
    for (int i = 0; i < given.size(); ++i) {
        const QChar c = given.at(i);
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < given.size())
                ++i;
            text += given.at(i);
        } else if (endsAddress(c)) {
            return QString();
        } else {
            text += c;
        }
    }
    if (!quoted)
        return text;
    return std::any_of(given.begin(), given.end(), endsAddress) ? QString() : given;
}

// Text as a quoted string: in double quotes, with "\\" and "\"" escaped by
// a backslash.
QString quotedString(const QString& text)
{
    return QLatin1Char('"') + BackslashEscape::escaped(text, QLatin1String("\\\"")) + QLatin1Char('"');
}

// A local part as a header carries it: a dot-atom as it is, anything else
// as a quoted string.
QString localForm(const QString& text)
{
    return isAtomsSeparatedBy(text, QLatin1Char('.')) ? text : quotedString(text);
}

// A domain as a header carries it (see IdnDomain), or a domain literal
// ("[192.0.2.1]") as it is; null when it is neither.
QString domainForm(const QString& given)
{
    if (given.startsWith(QLatin1Char('[')) && given.endsWith(QLatin1Char(']')) && given.size() >= 2) {
        if (given.size() == 2)
            return QString(); // a literal that names nothing
        for (const QChar c : given.midRef(1, given.size() - 2)) {
            const ushort u = c.unicode();
            if (u < 0x21 || u > 0x7e || u == '[' || u == ']' || u == '\\')
                return QString();
        }
        return given;
    }
    if (!isWord(given))
        return QString();
    return IdnDomain::headerForm(given);
}

} // namespace

QString MailAddress::headerForm(const QString& text, bool inAngleBrackets)
{
    const QString form = headerFormOfAnyLength(text, inAngleBrackets);
    return form.size() > MAX_ADDRESS ? QString() : form;
}

QString MailAddress::headerFormOfAnyLength(const QString& text, bool inAngleBrackets)
{
    const QString address = text.trimmed();
    // The "@" before the domain: a domain literal may hold one of its own.
    const int literal = address.endsWith(QLatin1Char(']')) ? address.lastIndexOf(QLatin1Char('[')) : -1;
    const int at = literal > 0 ? address.lastIndexOf(QLatin1Char('@'), literal - 1) : address.lastIndexOf(QLatin1Char('@'));
    if (at < 0)
        return isWord(address) ? address : QString();
    const QString local = address.left(at).trimmed();
    if (local.isEmpty())
        return QString();
    const QString localPart = localText(local, inAngleBrackets);
    const QString domain = domainForm(address.mid(at + 1).trimmed());
    if (localPart.isNull() || domain.isNull())
        return QString();
    return localForm(localPart) + QLatin1Char('@') + domain;
}

QString MailAddress::displayName(const QString& name)
{
    return isAtomsSeparatedBy(name, QLatin1Char(' ')) ? name : quotedString(name);
}
