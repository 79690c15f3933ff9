#ifndef VORNHELM_MAILADDRESS_H
#define VORNHELM_MAILADDRESS_H

#include <QString>

// One mail address (RFC 5322: local part, "@", domain) in the form a header
// carries it: the local part as a dot-atom where it is one and as a quoted
// string otherwise, the domain as IdnDomain gives it or as a domain literal.
// A local part outside ASCII goes as UTF-8 (RFC 6532), since it has no ASCII
// form.
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
    // The same without the length that a mail path allows (254): text that is
    // an address but for its length is still written as an address, never as
    // text to be encoded or folded.
    static QString headerFormOfAnyLength(const QString& text, bool inAngleBrackets);

    // A display name of plain ASCII as a header carries it: as it is where
    // it is words of atom characters between single blanks, otherwise as a
    // quoted string.
    static QString displayName(const QString& name);
};

#endif // VORNHELM_MAILADDRESS_H
