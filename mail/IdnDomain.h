#ifndef VORNHELM_IDNDOMAIN_H
#define VORNHELM_IDNDOMAIN_H

#include <QString>

// The domain of a mail address as a header carries it. A domain outside
// ASCII goes in its ASCII form, mapped the way mail and browsers map it today
// (IDNA2008 with UTS #46, non-transitional): "straße.de" is
// "xn--strae-oqa.de", not "strasse.de", which is another registered domain,
// and Greek final sigma and the joiners keep their own meaning. A domain with
// no such form stays as it is, in UTF-8, since any other form would name
// another domain.
class IdnDomain
{
public:
    IdnDomain() = delete;

    // The header form of a domain name given as a word: an ASCII domain as
    // it is, any other in its ASCII form where it has one, otherwise as
    // given. A final dot names the same domain and is dropped: readers take
    // an address that ends in one for none. Null when nothing is left, or
    // where a label is empty (a dot at the start, two dots together or at the end).
    static QString headerForm(const QString& domain);
};

#endif // VORNHELM_IDNDOMAIN_H
