#include "mail/MailText.h"

#include "core/BackslashEscape.h"
#include "mail/AddressItem.h"
#include "mail/MailAddress.h"

#include <QIODevice>
#include <QVector>

#include <cstring>

namespace {

const QString NEWLINE = QStringLiteral("\n");
const QString BLANK = QStringLiteral(" ");
const QString COMMA = QStringLiteral(", ");
// Length a header line is folded to, its line end not counted (RFC 5322).
const int MAX_HEADER_LINE = 78;
// Longest encoded word (RFC 2047), and the frame around its Base64 text.
const int MAX_ENCODED_WORD = 75;
const QString B_WORD_START = QStringLiteral("=?utf-8?B?");
const QString Q_WORD_START = QStringLiteral("=?utf-8?Q?");
const QString WORD_END = QStringLiteral("?=");
// Shortest encoded word started at the end of a line: room for any one
// character, in Q too.
const int MIN_ENCODED_WORD = 24;
// Longest word of plain header text: quoted and followed by "," it still
// fits a continuation line.
const int MAX_PLAIN_WORD = MAX_HEADER_LINE - 3;
// Longest parameter line: an indent of four and a ";" make 78.
const int MAX_PARAMETER_LINE = MAX_HEADER_LINE - 6;
// Longest line that 7bit content may carry (RFC 5322).
const int MAX_RAW_LINE = 998;
// Longest address written as one unit: its line, with the field's name
// before it and what follows it, stays within 998 characters.
const int MAX_LONG_ADDRESS = MAX_RAW_LINE - MAX_HEADER_LINE;
// Longest line of quoted-printable and Base64 content (RFC 2045).
const int MAX_ENCODED_LINE = 76;
// Bytes of input per Base64 line, and lines written at a time.
const int BASE64_LINE_BYTES = 57;
const int BASE64_BLOCK_LINES = 1024;
const char HEX_DIGITS[] = "0123456789ABCDEF";
// Characters that stand for themselves in an RFC 2231 value.
const char ATTRIBUTE_SPECIALS[] = "!#$&+-.^_`|~";
// Characters that stand for themselves in a Q encoded word of a phrase.
const char Q_SPECIALS[] = "!*+-/";
const QString RFC2231_CHARSET = QStringLiteral("utf-8''");

// The value of a Base64 digit of the standard alphabet; -1 for any other
// character.
constexpr int base64Value(ushort u)
{
    const unsigned upper = u - 'A';
    const unsigned lower = u - 'a';
    const unsigned digit = u - '0';
    return upper < 26 ? int(upper) : lower < 26 ? int(lower) + 26 : digit < 10 ? int(digit) + 52
         : u == '+' ? 62 : u == '/' ? 63 : -1;
}

// Which characters below 128 are no Base64 digit: 1 for those, 0 for digits.
struct NonBase64Digits {
    constexpr NonBase64Digits()
    {
        for (int c = 0; c < 128; ++c)
            table[c] = base64Value(ushort(c)) < 0;
    }
    uchar table[128] = {};
};
constexpr NonBase64Digits NON_BASE64_DIGITS;

// A header value on one line: a line break would end the header block and
// other controls are not text. CR LF, CR and LF become one blank each.
QString headerValue(const QString& value)
{
    QString result;
    result.reserve(value.size());
    for (int i = 0; i < value.size(); ++i) {
        const ushort u = value.at(i).unicode();
        if (u == '\r' && i + 1 < value.size() && value.at(i + 1) == QLatin1Char('\n'))
            continue;
        if (u == '\r' || u == '\n')
            result += QLatin1Char(' ');
        else if ((u >= 0x20 && u != 0x7f) || u == '\t')
            result += value.at(i);
    }
    return result;
}

// Whether text cannot stand in a header as it is: outside printable ASCII,
// read by mail readers as an encoded word, or with a word too long to fold:
// longer than firstWordRoom (the room left on the field name's line, blanks
// before it counted) for the first word, than a continuation line holds for
// the others.
bool needsEncodedWords(const QString& text, int firstWordRoom = MAX_PLAIN_WORD)
{
    if (text.contains(QLatin1String("=?")))
        return true;
    int word = 0;
    int room = firstWordRoom;
    for (const QChar c : text) {
        if (MailText::isBlank(c)) {
            if (word > 0)
                room = MAX_PLAIN_WORD;
            else
                --room;
            word = 0;
            continue;
        }
        if (c.unicode() < 0x20 || c.unicode() > 0x7e || ++word > room)
            return true;
    }
    return false;
}

// The whole character at i (a surrogate pair counts as one), in UTF-8.
QByteArray utf8Character(const QString& text, int i, int& count)
{
    count = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
    return text.mid(i, count).toUtf8();
}

// Whether a byte stands for itself in an encoded text: a letter, a digit or
// one of the specials.
bool standsForItself(uchar b, const char* specials)
{
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || (b != 0 && strchr(specials, b));
}

// A byte as a sign and two hex digits: "=C3", "%C3".
QString hexEscape(char sign, uchar b)
{
    const char escape[] = { sign, HEX_DIGITS[b >> 4], HEX_DIGITS[b & 0x0f] };
    return QString::fromLatin1(escape, 3);
}

// Bytes as the text of a Q encoded word (RFC 2047), safe in a display name
// too: letters, digits and "!*+-/" stand for themselves, a blank is "_",
// every other byte "=XX".
QString qEncoded(const QByteArray& bytes)
{
    QString encoded;
    for (const char byte : bytes) {
        const uchar b = static_cast<uchar>(byte);
        if (standsForItself(b, Q_SPECIALS))
            encoded += QLatin1Char(byte);
        else
            encoded += b == ' ' ? QStringLiteral("_") : hexEscape('=', b);
    }
    return encoded;
}

// Text as one Base64 encoded word; null when that would be longer than an
// encoded word may be.
QString wholeEncodedWord(const QString& text)
{
    const QString word = B_WORD_START + QString::fromLatin1(text.toUtf8().toBase64()) + WORD_END;
    return word.size() <= MAX_ENCODED_WORD ? word : QString();
}

// The next encoded word of text from i, with at most room characters
// between its frame, and i moved past what it holds. Some readers decode
// neighbouring Base64 words as one stream, which padding ends, so a Base64
// word that is not the last carries whole groups of three bytes; where the
// text offers no such cut within the room, the word goes as Q instead.
QString nextEncodedWord(const QString& text, int& i, int room)
{
    QByteArray bytes;
    int end = i;
    int alignedEnd = i;
    int alignedBytes = 0;
    for (int count = 0; end < text.size(); end += count) {
        const QByteArray character = utf8Character(text, end, count);
        if (!bytes.isEmpty() && bytes.size() + character.size() > room / 4 * 3)
            break;
        bytes += character;
        if (bytes.size() % 3 == 0) {
            alignedEnd = end + count;
            alignedBytes = bytes.size();
        }
    }
    if (end < text.size()) {
        if (alignedEnd == i) {
            QString encoded;
            for (int count = 0; i < text.size(); i += count) {
                const QString character = qEncoded(utf8Character(text, i, count));
                if (!encoded.isEmpty() && encoded.size() + character.size() > room)
                    break;
                encoded += character;
            }
            return Q_WORD_START + encoded + WORD_END;
        }
        end = alignedEnd;
        bytes.truncate(alignedBytes);
    }
    i = end;
    return B_WORD_START + QString::fromLatin1(bytes.toBase64()) + WORD_END;
}

// Builds one header field. Text comes in units that no fold splits (a word,
// an encoded word, an address with its display name), each after its
// separator: blanks, or ", ". Where a unit would pass 78 characters the line
// is broken in the separator, before its blanks.
class Folder
{
public:
    explicit Folder(const QString& name)
        : out_(name + QLatin1Char(':'))
        , column_(out_.size())
    {
    }

    // trailing: characters that will follow the unit on its line (the ","
    // after an address). The first unit goes to a line of its own only when
    // that makes it fit (text fields keep theirs short enough).
    void add(const QString& separator, const QString& unit, int trailing = 0)
    {
        const int length = unit.size() + trailing;
        if (!unit.isEmpty() && column_ + separator.size() + length > MAX_HEADER_LINE
            && (valueStarted_ || 1 + length <= MAX_HEADER_LINE))
            breakLine(separator);
        else
            append(separator);
        append(unit);
        valueStarted_ = valueStarted_ || !unit.isEmpty();
    }

    // Text as RFC 2047 words of whole characters, each as long as the room
    // left on its line allows; folds fall between the words. Text that fits
    // one word is not split: some readers show a blank between the words of
    // a display name.
    void addEncoded(const QString& separator, const QString& text, int trailing = 0)
    {
        const QString whole = wholeEncodedWord(text);
        const int least = whole.isNull() ? MIN_ENCODED_WORD : whole.size();
        QString before = separator;
        for (int i = 0; i < text.size();) {
            if (valueStarted_ && column_ + before.size() + (i == 0 ? least : MIN_ENCODED_WORD) + trailing > MAX_HEADER_LINE)
                breakLine(before);
            else
                append(before);
            const int room = qBound(MIN_ENCODED_WORD, MAX_HEADER_LINE - column_ - trailing, MAX_ENCODED_WORD);
            append(nextEncodedWord(text, i, room - B_WORD_START.size() - WORD_END.size()));
            valueStarted_ = true;
            before = BLANK;
        }
    }

    // Plain text: one unit per word, the blanks before it its separator.
    void addWords(const QString& separator, const QString& text, int trailing = 0)
    {
        QString before = separator;
        for (int i = 0; i < text.size();) {
            const int blanks = i;
            while (i < text.size() && MailText::isBlank(text.at(i)))
                ++i;
            before += text.midRef(blanks, i - blanks);
            const int word = i;
            while (i < text.size() && !MailText::isBlank(text.at(i)))
                ++i;
            add(before, text.mid(word, i - word), trailing);
            before.clear();
        }
    }

    QString field() const { return out_ + NEWLINE; }

private:
    void append(const QString& text)
    {
        out_ += text;
        column_ += text.size();
    }

    // A continuation line starts with a blank: the separator's own, or one
    // added after a ",".
    void breakLine(const QString& separator)
    {
        int head = 0;
        while (head < separator.size() && !MailText::isBlank(separator.at(head)))
            ++head;
        out_ += separator.leftRef(head) + NEWLINE;
        column_ = 0;
        append(head < separator.size() ? separator.mid(head) : BLANK);
    }

    QString out_;
    int column_;
    // Whether text follows the field's name already.
    bool valueStarted_ = false;
};

// What a comment says: its text without its own parentheses, if it has
// them (they are not doubled).
QString commentText(const QString& comment)
{
    if (comment.size() >= 2 && comment.startsWith(QLatin1Char('(')) && comment.endsWith(QLatin1Char(')')))
        return comment.mid(1, comment.size() - 2);
    return comment;
}

// Whether a comment goes as encoded words: where text must, and where it
// holds a ",". Some readers (Python's getaddresses as Debian ships it) count
// every "," outside quotes as a separator and drop the whole list where the
// addresses they read are fewer.
bool commentNeedsEncodedWords(const QString& text)
{
    return needsEncodedWords(text) || text.contains(QLatin1Char(','));
}

// Comment text that goes as it is, its parentheses, backslashes and quotes
// escaped. A quote may stand in a comment as it is, but some readers (Python's
// getaddresses as Debian ships it) pair quotes before they look for comments
// and drop the whole list where one is left open.
QString escapedComment(const QString& text)
{
    return BackslashEscape::escaped(text, QLatin1String("\\()\""));
}

// A comment in one piece, in its parentheses: plain or one encoded word;
// null where it needs more than one encoded word.
QString wholeComment(const QString& comment)
{
    const QString text = commentText(comment);
    if (!commentNeedsEncodedWords(text))
        return QLatin1Char('(') + escapedComment(text) + QLatin1Char(')');
    const QString word = wholeEncodedWord(text);
    return word.isNull() ? QString() : QLatin1Char('(') + word + QLatin1Char(')');
}

// Text after an address, as a comment: any other text there makes some
// readers refuse the whole list. Encoded words may stand in a comment. end:
// what closes the item after the comment (the ";" of a group), kept on the
// comment's line.
void addComment(Folder& folder, const QString& comment, int trailing, const QString& end = QString())
{
    const QString open = QStringLiteral(" (");
    const QString close = QLatin1Char(')') + end;
    const QString text = commentText(comment);
    if (commentNeedsEncodedWords(text)) {
        folder.addEncoded(open, text, trailing + close.size());
        folder.add(QString(), close, trailing);
        return;
    }
    folder.addWords(open, escapedComment(text) + close, trailing);
}

// Comments one after another, the last one followed by end and trailing.
void addComments(Folder& folder, const QStringList& comments, int trailing, const QString& end = QString())
{
    for (int i = 0; i < comments.size(); ++i) {
        const bool last = i + 1 == comments.size();
        addComment(folder, comments.at(i), last ? trailing : 0, last ? end : QString());
    }
}

// The address as one unit, never split nor encoded: on a line of its own
// where it is longer than a line. The comments follow it, a comment before
// it included: readers take a comment after an address as its name, while
// one before it makes some of them drop the name or refuse the whole list.
// end: what closes the item (the ";" of a group).
void addBare(Folder& folder, const QString& separator, const QString& address, const QStringList& comments, int trailing,
             const QString& end)
{
    // On one line where a line holds them: some readers take a comment for
    // the name only on the address's own line.
    QString whole = address;
    bool inPieces = true;
    for (const QString& comment : comments) {
        const QString piece = wholeComment(comment);
        inPieces = inPieces && !piece.isNull();
        whole += BLANK + piece;
    }
    if (comments.isEmpty() || (inPieces && BLANK.size() + whole.size() + end.size() + trailing <= MAX_HEADER_LINE)) {
        folder.add(separator, whole + end, trailing);
        return;
    }
    folder.add(separator, address, 0);
    addComments(folder, comments, trailing, end);
}

// A group, such as "Team: ann@example.com" or "Team:;": only the name is
// encoded where it needs to be. The group is closed after its address: one
// left open takes every later address of the list into it, or makes readers
// refuse the list. A group without members is closed at once, its comments
// before the ":": some readers refuse a comment between ":" and ";".
void addGroup(Folder& folder, const QString& separator, const QString& name, const QString& member,
              const QStringList& memberComments, int trailing)
{
    const bool empty = member.isEmpty();
    const QString colon = empty ? QStringLiteral(":;") : QStringLiteral(":");
    const int colonTrailing = empty ? trailing : 0;
    const QStringList comments = empty ? memberComments : QStringList();
    const QString plain = MailAddress::displayName(name);
    // A blank after an encoded word: some readers take one directly followed
    // by ":" as a fault.
    const bool isPlain = !needsEncodedWords(name)
                         && BLANK.size() + plain.size() + colon.size() + colonTrailing <= MAX_HEADER_LINE;
    const QString phrase = isPlain ? plain : wholeEncodedWord(name);
    const QString beforeColon = isPlain ? QString() : BLANK;
    if (phrase.isNull())
        folder.addEncoded(separator, name, comments.isEmpty() ? BLANK.size() + colon.size() + colonTrailing : 0);
    else if (comments.isEmpty())
        folder.add(separator, phrase + beforeColon + colon, colonTrailing);
    else
        folder.add(separator, phrase);
    if (phrase.isNull() && comments.isEmpty())
        folder.add(BLANK, colon, colonTrailing);
    addComments(folder, comments, colonTrailing, colon);
    if (!empty)
        addBare(folder, BLANK, member, memberComments, trailing, QStringLiteral(";"));
}

// Text that is no address goes as the name of a group without members
// ("John Smith:;"): a phrase, a quoted string or encoded words before ":;".
// As plain words or encoded words alone it would make some readers refuse
// the whole list and lose every other recipient of it; a group's name may
// hold any text, and a group without members names no address. A quote or
// "(" that nothing closes is a character of the quoted string or the
// encoded words.
void addText(Folder& folder, const QString& separator, const QString& text, int trailing)
{
    addGroup(folder, separator, text, QString(), QStringList(), trailing);
}

// A display name (a phrase, a quoted string or encoded words) and the
// address in angle brackets after it, on one line where a line can hold
// them; a longer name goes as encoded words, which fold between them.
void addNamed(Folder& folder, const QString& separator, const QString& name, const QString& angleAddress, int trailing)
{
    const QString phrase = needsEncodedWords(name) ? wholeEncodedWord(name) : MailAddress::displayName(name);
    const QString whole = phrase + BLANK + angleAddress;
    if (!phrase.isNull() && BLANK.size() + whole.size() + trailing <= MAX_HEADER_LINE) {
        folder.add(separator, whole, trailing);
        return;
    }
    folder.addEncoded(separator, name);
    folder.add(BLANK, angleAddress, trailing);
}

// One item of a list into the field: a display name and an address in
// angle brackets, a bare address, or a group of one address or none. An
// address never goes inside an encoded word, nor is it folded: that would
// leave the name without an address, and some readers would then refuse the
// whole list. Comments follow the address; an item that is none of these
// goes as text, the name of a group without members. trailing: the
// characters that follow the item on its line.
void addAddress(Folder& folder, const QString& separator, const AddressItem& item, int trailing)
{
    switch (item.form) {
    case AddressItem::Bare:
        addBare(folder, separator, item.address, item.comments, trailing, QString());
        return;
    case AddressItem::Group:
        addGroup(folder, separator, item.name, item.address, item.comments, trailing);
        return;
    case AddressItem::Text:
        addText(folder, separator, item.name, trailing);
        return;
    case AddressItem::Named:
        break;
    }
    const QString angleAddress = QLatin1Char('<') + item.address + QLatin1Char('>');
    const int angleTrailing = item.comments.isEmpty() ? trailing : 0;
    if (item.name.isEmpty())
        folder.add(separator, angleAddress, angleTrailing);
    else
        addNamed(folder, separator, item.name, angleAddress, angleTrailing);
    addComments(folder, item.comments, trailing);
}

// Whether a parameter value can stand as a plain quoted string.
bool isPlainParameter(const QString& value)
{
    for (const QChar c : value) {
        const ushort u = c.unicode();
        if (u < 0x20 || u > 0x7e || u == '"' || u == '\\')
            return false;
    }
    return !value.contains(QLatin1String("=?"));
}

} // namespace

QString MailText::textField(const QString& name, const QString& text)
{
    const QString value = headerValue(text);
    Folder folder(name);
    // Free text keeps its first word on the field name's line: readers show
    // a fold before it as a blank.
    if (needsEncodedWords(value, MAX_HEADER_LINE - name.size() - 2))
        folder.addEncoded(BLANK, value);
    else
        folder.addWords(BLANK, value);
    return folder.field();
}

QString MailText::addressField(const QString& name, const QString& list)
{
    const QVector<AddressItem> items = AddressItem::read(headerValue(list), MAX_LONG_ADDRESS);
    if (items.isEmpty())
        return QString();
    Folder folder(name);
    for (int i = 0; i < items.size(); ++i)
        addAddress(folder, i == 0 ? BLANK : COMMA, items.at(i), i + 1 < items.size() ? 1 : 0);
    return folder.field();
}

QStringList MailText::parameterLines(const QString& key, const QString& value)
{
    if (isPlainParameter(value) && key.size() + value.size() + 3 <= MAX_PARAMETER_LINE)
        return { key + QStringLiteral("=\"") + value + QLatin1Char('"') };

    // Percent-encoded UTF-8, a whole character at a time.
    QStringList characters;
    int total = 0;
    int count = 0;
    for (int i = 0; i < value.size(); i += count) {
        QString encoded;
        for (const char byte : utf8Character(value, i, count)) {
            const uchar b = static_cast<uchar>(byte);
            encoded += standsForItself(b, ATTRIBUTE_SPECIALS) ? QString(QLatin1Char(byte)) : hexEscape('%', b);
        }
        characters << encoded;
        total += encoded.size();
    }
    if (key.size() + 2 + RFC2231_CHARSET.size() + total <= MAX_PARAMETER_LINE)
        return { key + QStringLiteral("*=") + RFC2231_CHARSET + characters.join(QString()) };

    QStringList lines;
    QString line = key + QStringLiteral("*0*=") + RFC2231_CHARSET;
    int lineStart = line.size();
    for (const QString& character : qAsConst(characters)) {
        if (line.size() > lineStart && line.size() + character.size() > MAX_PARAMETER_LINE) {
            lines << line;
            line = key + QLatin1Char('*') + QString::number(lines.size()) + QStringLiteral("*=");
            lineStart = line.size();
        }
        line += character;
    }
    lines << line;
    return lines;
}

QByteArray MailText::quotedPrintable(const QByteArray& bytes, bool softBreakAtEnd)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 8 + 16);
    int lineLength = 0;
    const int n = bytes.size();
    for (int i = 0; i < n; ++i) {
        const uchar c = static_cast<uchar>(bytes.at(i));
        if (c == '\n') {
            out.append('\n');
            lineLength = 0;
            continue;
        }
        const bool atLineEnd = i + 1 == n || bytes.at(i + 1) == '\n';
        char token[3];
        int tokenLength = 1;
        if ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !atLineEnd)) {
            token[0] = static_cast<char>(c);
        } else {
            token[0] = '=';
            token[1] = HEX_DIGITS[c >> 4];
            token[2] = HEX_DIGITS[c & 0x0f];
            tokenLength = 3;
        }
        // Lines stay within 76 characters, the "=" of a soft break included;
        // only the last token of a hard line may take the 76th place.
        const bool fitsAsLast = atLineEnd && !(softBreakAtEnd && i + 1 == n)
                                && lineLength + tokenLength <= MAX_ENCODED_LINE;
        if (lineLength + tokenLength > MAX_ENCODED_LINE - 1 && !fitsAsLast) {
            out.append("=\n", 2);
            lineLength = 0;
        }
        out.append(token, tokenLength);
        lineLength += tokenLength;
    }
    if (softBreakAtEnd)
        out.append('=');
    return out;
}

bool MailText::writeBase64Lines(QIODevice& out, const QByteArray& bytes)
{
    // Encoded a block of lines at a time, so no second copy of the whole text
    // exists.
    QByteArray lines;
    for (int pos = 0; pos < bytes.size(); pos += BASE64_BLOCK_LINES * BASE64_LINE_BYTES) {
        const int count = qMin(BASE64_BLOCK_LINES * BASE64_LINE_BYTES, bytes.size() - pos);
        const QByteArray encoded = QByteArray::fromRawData(bytes.constData() + pos, count).toBase64();
        lines.clear();
        for (int j = 0; j < encoded.size(); j += MAX_ENCODED_LINE) {
            if (pos > 0 || j > 0)
                lines += '\n';
            lines.append(encoded.constData() + j, qMin(MAX_ENCODED_LINE, encoded.size() - j));
        }
        if (out.write(lines) != lines.size())
            return false;
    }
    return true;
}

bool MailText::writeBase64Lines(QIODevice& out, const QString& base64)
{
    // The same lines as encoding the decoded bytes gives: 57 bytes make 76
    // characters.
    QByteArray lines(BASE64_BLOCK_LINES * (MAX_ENCODED_LINE + 1), Qt::Uninitialized);
    const int blockChars = BASE64_BLOCK_LINES * MAX_ENCODED_LINE;
    for (int pos = 0; pos < base64.size(); pos += blockChars) {
        const QByteArray block = base64.midRef(pos, blockChars).toLatin1();
        char* line = lines.data();
        for (int j = 0; j < block.size(); j += MAX_ENCODED_LINE) {
            if (pos > 0 || j > 0)
                *line++ = '\n';
            const int length = qMin(MAX_ENCODED_LINE, block.size() - j);
            memcpy(line, block.constData() + j, length);
            line += length;
        }
        const qint64 length = line - lines.constData();
        if (out.write(lines.constData(), length) != length)
            return false;
    }
    return true;
}

bool MailText::isPlainBase64(const QString& text)
{
    const int n = text.size();
    if (n == 0 || n % 4 != 0)
        return false;
    const ushort* p = text.utf16();
    const int padding = p[n - 1] != '=' ? 0 : p[n - 2] != '=' ? 1 : 2;
    // Checked without a branch per character, a block at a time.
    const int digits = n - padding;
    for (int pos = 0; pos < digits; pos += BASE64_BLOCK_LINES * MAX_ENCODED_LINE) {
        const int end = qMin(digits, pos + BASE64_BLOCK_LINES * MAX_ENCODED_LINE);
        unsigned invalid = 0;
        for (int i = pos; i < end; ++i)
            invalid |= (p[i] >> 7) | NON_BASE64_DIGITS.table[p[i] & 0x7f];
        if (invalid)
            return false;
    }
    // The bits of the last digit that fall into the padding are zero.
    return padding == 0 || (base64Value(p[digits - 1]) & (padding == 1 ? 0x03 : 0x0f)) == 0;
}

bool MailText::isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool MailText::isAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x7f)
            return false;
    }
    return true;
}

bool MailText::is7bitSafe(const QString& text)
{
    int lineLength = 0;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\n') {
            lineLength = 0;
            continue;
        }
        if (u == 0 || u == '\r' || u > 0x7f)
            return false;
        if (++lineLength > MAX_RAW_LINE)
            return false;
    }
    return true;
}

QString MailText::lineFeedsOnly(const QString& text)
{
    if (!text.contains(QLatin1Char('\r')))
        return text;
    QString result = text;
    result.replace(QLatin1String("\r\n"), NEWLINE);
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

bool MailText::readsSameFlowed(const QString& text)
{
    // A flowed reader joins a line that ends in a blank to the next, takes
    // one blank off a line that starts with one and reads a line that starts
    // with ">" as a quote; a line that starts with "From " must be
    // space-stuffed, which this writer does not do.
    const QVector<QStringRef> lines = text.splitRef(QLatin1Char('\n'));
    for (const QStringRef& line : lines) {
        if (line.startsWith(QLatin1Char(' ')) || line.endsWith(QLatin1Char(' ')) || line.startsWith(QLatin1Char('>'))
            || line.startsWith(QLatin1String("From ")))
            return false;
    }
    return true;
}
