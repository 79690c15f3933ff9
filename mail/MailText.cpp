#include "mail/MailText.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QUrl>

#include <cstring>

namespace {

const QString NEWLINE = QStringLiteral("\n");
const QString BLANK = QStringLiteral(" ");
const QString COMMA = QStringLiteral(",");
// Length a header line is folded to, its line end not counted (RFC 5322).
const int MAX_HEADER_LINE = 78;
// Longest encoded word (RFC 2047), and the frame around its Base64 text.
const int MAX_ENCODED_WORD = 75;
const QString WORD_START = QStringLiteral("=?utf-8?B?");
const QString WORD_END = QStringLiteral("?=");
// Shortest encoded word started at the end of a line: six bytes of text.
const int MIN_ENCODED_WORD = 20;
// Longest word of plain header text: quoted and followed by "," it still
// fits a continuation line.
const int MAX_PLAIN_WORD = MAX_HEADER_LINE - 3;
// Longest parameter line: an indent of four and a ";" make 78.
const int MAX_PARAMETER_LINE = MAX_HEADER_LINE - 6;
// Longest address that is taken apart (the limit of a mail path).
const int MAX_ADDRESS = 254;
// Longest line that 7bit content may carry (RFC 5322).
const int MAX_RAW_LINE = 998;
// Longest line of quoted-printable and Base64 content (RFC 2045).
const int MAX_ENCODED_LINE = 76;
// Bytes of input per Base64 line, and lines written at a time.
const int BASE64_LINE_BYTES = 57;
const int BASE64_BLOCK_LINES = 1024;
const char HEX_DIGITS[] = "0123456789ABCDEF";
// Characters that stand for themselves in an RFC 2231 value.
const char ATTRIBUTE_SPECIALS[] = "!#$&+-.^_`|~";
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

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isPrintableAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    }
    return true;
}

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
        else if (u >= 0x20 || u == '\t')
            result += value.at(i);
    }
    return result;
}

// Whether text cannot stand in a header as it is: outside printable ASCII,
// read by mail readers as an encoded word, or with a word too long to fold.
bool needsEncodedWords(const QString& text)
{
    if (text.contains(QLatin1String("=?")))
        return true;
    int word = 0;
    for (const QChar c : text) {
        if (isBlank(c)) {
            word = 0;
            continue;
        }
        if (c.unicode() < 0x20 || c.unicode() > 0x7e || ++word > MAX_PLAIN_WORD)
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

// Builds one header field, piece by piece. A piece follows its separator:
// blanks, or a "," with or without blanks. Where a piece would pass 78
// characters the line is broken in the separator, before its blanks.
class Folder
{
public:
    explicit Folder(const QString& name)
        : out_(name + QLatin1Char(':'))
        , column_(out_.size())
    {
    }

    void add(const QString& separator, const QString& piece)
    {
        if (hasPiece_ && !piece.isEmpty() && column_ + separator.size() + piece.size() > MAX_HEADER_LINE)
            breakLine(separator);
        else
            append(separator);
        append(piece);
        hasPiece_ = hasPiece_ || !piece.isEmpty();
    }

    // Text as RFC 2047 words of whole characters, each as long as the room
    // left on its line allows. Text that fits one word is not split: some
    // readers show a blank between the words of a display name.
    void addEncoded(const QString& separator, const QString& text)
    {
        const int wholeWord = WORD_START.size() + (text.toUtf8().size() + 2) / 3 * 4 + WORD_END.size();
        const int least = wholeWord <= MAX_ENCODED_WORD ? wholeWord : MIN_ENCODED_WORD;
        QString before = separator;
        for (int i = 0; i < text.size();) {
            if (hasPiece_ && column_ + before.size() + (i == 0 ? least : MIN_ENCODED_WORD) > MAX_HEADER_LINE)
                breakLine(before);
            else
                append(before);
            const int room = qBound(MIN_ENCODED_WORD, MAX_HEADER_LINE - column_, MAX_ENCODED_WORD);
            const int capacity = (room - WORD_START.size() - WORD_END.size()) / 4 * 3;
            QByteArray bytes;
            int count = 0;
            for (QByteArray character; i < text.size(); i += count) {
                character = utf8Character(text, i, count);
                if (!bytes.isEmpty() && bytes.size() + character.size() > capacity)
                    break;
                bytes += character;
            }
            append(WORD_START + QString::fromLatin1(bytes.toBase64()) + WORD_END);
            hasPiece_ = true;
            before = BLANK;
        }
    }

    // Plain text: one piece per word, the blanks before it its separator.
    void addWords(const QString& separator, const QString& text)
    {
        QString before = separator;
        for (int i = 0; i < text.size();) {
            const int blanks = i;
            while (i < text.size() && isBlank(text.at(i)))
                ++i;
            before += text.midRef(blanks, i - blanks);
            const int word = i;
            while (i < text.size() && !isBlank(text.at(i)))
                ++i;
            add(before, text.mid(word, i - word));
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
    // added after a ",". The first piece stays on the field name's line.
    void breakLine(const QString& separator)
    {
        int head = 0;
        while (head < separator.size() && !isBlank(separator.at(head)))
            ++head;
        out_ += separator.leftRef(head) + NEWLINE;
        column_ = 0;
        append(head < separator.size() ? separator.mid(head) : BLANK);
    }

    QString out_;
    int column_;
    bool hasPiece_ = false;
};

// A list split at "," and ";" outside double quotes, items trimmed, empty
// items dropped.
QStringList splitAddresses(const QString& list)
{
    QStringList items;
    QString item;
    bool quoted = false;
    bool escaped = false;
    const auto take = [&items, &item]() {
        if (!item.trimmed().isEmpty())
            items << item.trimmed();
        item.clear();
    };
    for (const QChar c : list) {
        if (!quoted && (c == QLatin1Char(',') || c == QLatin1Char(';'))) {
            take();
            continue;
        }
        if (escaped)
            escaped = false;
        else if (c == QLatin1Char('\\'))
            escaped = quoted;
        else if (c == QLatin1Char('"'))
            quoted = !quoted;
        item += c;
    }
    take();
    return items;
}

// The address with its domain in ASCII form; null when the text is not one
// address that can go into a header.
QString asciiAddress(const QString& address)
{
    static const QRegularExpression FORM(QStringLiteral("^[^\\s<>\"(),;:\\\\\\[\\]]+$"));
    if (address.size() > MAX_ADDRESS || !FORM.match(address).hasMatch())
        return QString();
    const int at = address.lastIndexOf(QLatin1Char('@'));
    const QString local = address.left(at < 0 ? address.size() : at);
    const QString domain = at < 0 ? QString() : address.mid(at + 1);
    if (!isPrintableAscii(local))
        return QString();
    if (isPrintableAscii(domain))
        return address;
    const QByteArray ace = QUrl::toAce(domain);
    return ace.isEmpty() ? QString() : local + QLatin1Char('@') + QString::fromLatin1(ace);
}

// One address of a list into the field: a bare address, or a display name
// (as a phrase, a quoted string or encoded words) and the address in angle
// brackets. An item that is neither goes as given.
void addAddress(Folder& folder, const QString& separator, const QString& item)
{
    static const QRegularExpression NAMED(QStringLiteral("^(.*?)\\s*<([^<>]*)>$"));
    static const QRegularExpression QUOTED(QStringLiteral("^\"((?:[^\"\\\\]|\\\\.)*)\"$"));
    static const QRegularExpression ESCAPE(QStringLiteral("\\\\(.)"));
    static const QRegularExpression PHRASE(QStringLiteral("^[-A-Za-z0-9!#$%&'*+/=?^_`{|}~]+( [-A-Za-z0-9!#$%&'*+/=?^_`{|}~]+)*$"));

    const QRegularExpressionMatch named = NAMED.match(item);
    const QString address = asciiAddress(named.hasMatch() ? named.captured(2) : item);
    if (address.isNull()) {
        if (needsEncodedWords(item))
            folder.addEncoded(separator, item);
        else
            folder.addWords(separator, item);
        return;
    }
    if (!named.hasMatch()) {
        folder.add(separator, address);
        return;
    }
    QString name = named.captured(1);
    const QRegularExpressionMatch quoted = QUOTED.match(name);
    if (quoted.hasMatch())
        name = quoted.captured(1).replace(ESCAPE, QStringLiteral("\\1"));
    const QString angleAddress = QLatin1Char('<') + address + QLatin1Char('>');
    if (name.isEmpty()) {
        folder.add(separator, angleAddress);
        return;
    }
    if (needsEncodedWords(name)) {
        folder.addEncoded(separator, name);
    } else if (PHRASE.match(name).hasMatch()) {
        folder.addWords(separator, name);
    } else {
        name.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
        name.replace(QLatin1Char('"'), QLatin1String("\\\""));
        folder.addWords(separator, QLatin1Char('"') + name + QLatin1Char('"'));
    }
    folder.add(BLANK, angleAddress);
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
    if (needsEncodedWords(value))
        folder.addEncoded(BLANK, value);
    else
        folder.addWords(BLANK, value);
    return folder.field();
}

QString MailText::addressField(const QString& name, const QString& list)
{
    const QStringList items = splitAddresses(headerValue(list));
    if (items.isEmpty())
        return QString();
    Folder folder(name);
    for (int i = 0; i < items.size(); ++i)
        addAddress(folder, i == 0 ? BLANK : COMMA, items.at(i));
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
            if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')
                || (b != 0 && strchr(ATTRIBUTE_SPECIALS, b))) {
                encoded += QLatin1Char(static_cast<char>(b));
            } else {
                encoded += QLatin1Char('%');
                encoded += QLatin1Char(HEX_DIGITS[b >> 4]);
                encoded += QLatin1Char(HEX_DIGITS[b & 0x0f]);
            }
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
    // A flowed reader joins a line that ends in a blank to the next and takes
    // one blank off a line that starts with one.
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        if (text.at(i) != QLatin1Char(' '))
            continue;
        if (i == 0 || text.at(i - 1) == QLatin1Char('\n') || i + 1 == n || text.at(i + 1) == QLatin1Char('\n'))
            return false;
    }
    return true;
}
