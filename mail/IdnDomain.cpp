#include "mail/IdnDomain.h"

#include "mail/MailText.h"

#include <idn2.h>

namespace {

const QChar DOT = QLatin1Char('.');

// Labels of letters, digits and hyphens between single dots: what a host
// name is made of. The mapping turns some characters into ASCII that no
// host name holds ("⑴" into "(1)"); such a form is no address.
bool isHostName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(DOT) || name.endsWith(DOT) || name.contains(QString(2, DOT)))
        return false;
    for (const QChar c : name) {
        const ushort u = c.unicode();
        if (!((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' || u == '.'))
            return false;
    }
    return true;
}

// The ASCII form of a domain outside ASCII: labels of letters, digits and
// hyphens, in lower case. Null where the domain has none.
QString asciiForm(const QString& domain)
{
    char* converted = nullptr;
    const int status = idn2_to_ascii_8z(domain.toUtf8().constData(), &converted, IDN2_NONTRANSITIONAL);
    QString ascii = status == IDN2_OK && converted ? QString::fromLatin1(converted) : QString();
    idn2_free(converted);
    // Mapped full stops ("。") may leave a final dot.
    if (ascii.endsWith(DOT))
        ascii.chop(1);
    return isHostName(ascii) ? ascii : QString();
}

} // namespace

QString IdnDomain::headerForm(const QString& domain)
{
    QString name = domain;
    if (name.endsWith(DOT))
        name.chop(1);
    // An empty label names no domain, and some readers refuse the whole list
    // over an address with one.
    if (name.isEmpty() || name.startsWith(DOT) || name.endsWith(DOT) || name.contains(QString(2, DOT)))
        return QString();
    if (MailText::isAscii(name))
        return name;
    const QString ascii = asciiForm(name);
    return ascii.isNull() ? name : ascii;
}
