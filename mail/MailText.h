#ifndef VORNHELM_MAILTEXT_H
#define VORNHELM_MAILTEXT_H

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

// The text rules of an Internet message: header fields folded to 78
// characters (RFC 5322) with RFC 2047 encoded words where plain text cannot
// stand, address lists, MIME parameters (RFC 2231), quoted-printable and
// Base64 content (RFC 2045) and the format=flowed test (RFC 3676). Every
// line that these functions make ends with a line feed alone.
class MailText
{
public:
    MailText() = delete;

    // The header field "name: text" for free text such as a subject, folded.
    // Line breaks become blanks, other controls but tab (DEL included) are
    // removed; text that is not plain ASCII, holds "=?" or a word too long
    // for a line goes as encoded words.
    static QString textField(const QString& name, const QString& text);

    // The header field "name: list" for a list of addresses separated by ";"
    // or ",", written separated by ", " and folded between addresses. Each
    // address is a bare address (with comments around or inside it, which
    // follow it, or the name of a group before it, if any), a group without
    // members ("name:;") or a display name (quoted or not) with an address
    // in angle brackets: the name, a comment or the group's name is encoded
    // or quoted as it needs, the address never; a domain outside
    // ASCII goes in its ASCII form where it has one, otherwise as UTF-8, and
    // so does a local part outside ASCII.
    // An address has a local part and a domain. Anything else (angle
    // brackets or a group's member without an address among them), and an
    // address too long for a line of 998 characters,
    // is text as given that goes as the name of a group without members
    // ("John Smith:;"): quoted where it holds specials, encoded where it is
    // not plain ASCII or too long for a line. As bare words it would make
    // some readers refuse the whole list.
    // Empty when the list holds no address.
    static QString addressField(const QString& name, const QString& list);

    // A MIME parameter as lines of at most 72 characters, without indent or
    // separator: key="value" when the value allows it, otherwise RFC 2231
    // UTF-8 text split into numbered sections.
    static QStringList parameterLines(const QString& key, const QString& value);

    // Quoted-printable of bytes whose line breaks are line feeds alone; lines
    // keep within 76 characters. With softBreakAtEnd the text ends with a soft
    // line break, so that a line end written after it is not part of the
    // content.
    static QByteArray quotedPrintable(const QByteArray& bytes, bool softBreakAtEnd);

    // Writes bytes as Base64 lines of 76 characters, without a final line
    // end; false when the device takes less.
    static bool writeBase64Lines(QIODevice& out, const QByteArray& bytes);
    // The same for text that is already Base64 exactly as these lines carry
    // it (see isPlainBase64): it is wrapped as it stands, not decoded.
    static bool writeBase64Lines(QIODevice& out, const QString& base64);
    // Whether text is Base64 that decodes and encodes back to itself:
    // the alphabet alone, whole groups of four, padding only at the end and
    // no stray bits before it.
    static bool isPlainBase64(const QString& text);

    static bool isAscii(const QString& text);
    // A blank or a tab: what folds and separates words in a header.
    static bool isBlank(QChar c);
    // Whether text may go as it stands under "7bit": ASCII without NUL or
    // carriage returns, and no line longer than 998 characters.
    static bool is7bitSafe(const QString& text);
    // CR LF and lone CR become LF.
    static QString lineFeedsOnly(const QString& text);
    // Whether a reader that honours format=flowed shows the text unchanged: no
    // line ends or starts with a blank, starts with ">" or with "From " (this
    // writer makes no soft breaks and stuffs no blanks).
    static bool readsSameFlowed(const QString& text);
};

#endif // VORNHELM_MAILTEXT_H
