#ifndef VORNHELM_MAILADDRESS_H
#define VORNHELM_MAILADDRESS_H

#include <QString>

// One mail address (RFC 5322 addr-spec) in the form a header carries it:
// the local part as a dot-atom where it is one and as a quoted string
// otherwise, the domain in its ASCII form or as a domain literal. A local
// part outside ASCII goes as UTF-8 (RFC 6532), since it has no ASCII form.
class MailAddress
{
public:
    MailAddress() = delete;

    // The header form of text given as one address; null when it is none.
    // Blanks at its ends and around the "@" are not part of it. A local part
    // may come as given or quoted, in whole or in dot-separated parts. Blanks
    // inside a local part that is not quoted are taken as part of it only
    // within angle brackets (inAngleBrackets), where nothing but the address
    // can stand; a bare item with them is a name, not an address. Text
    // without "@" is taken as it is when it is one word.
    static QString headerForm(const QString& text, bool inAngleBrackets);

    // Text as an RFC 5322 quoted string: in double quotes, with "\" and "\""
    // escaped by a backslash.
    static QString quotedString(const QString& text);
};

#endif // VORNHELM_MAILADDRESS_H
