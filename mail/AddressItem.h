#ifndef VORNHELM_ADDRESSITEM_H
#define VORNHELM_ADDRESSITEM_H

#include <QString>
#include <QStringList>
#include <QVector>

// The items of an address list as a page gives it, separated by "," and ";",
// each read from the list's tokens (AddressLexer) as one of four forms: a
// display name with what its angle brackets hold, a bare address, the name
// of a group before one bare address or none, or text that is none of these.
// A comment is taken out wherever it stands between the tokens of an address
// (before, inside or after it, in the angle brackets, beside a dot, in the
// domain) and follows the address; the text of a comment is never read as an
// address, an angle bracket or a separator. Blanks beside a dot of an address
// go; a ":" before its "@" ends a group's name, never part of a local part.
class AddressItem
{
public:
    enum Form { Named, Bare, Group, Text };

    Form form = Text;
    // The display name or the group's name, without its quotes and their
    // escapes (a display name keeps its comments, a group's name loses
    // them but for a group without members whose comments hold "<", ">",
    // a quote or ":", which some readers refuse); for text, the item as
    // given.
    QString name;
    // The address in its header form (MailAddress), a local part and a
    // domain. Empty for a group without members and for text.
    QString address;
    // Each comment with its parentheses, in the order they stand (a group's
    // name's first), then any text after the address, as given.
    QStringList comments;

    // The items of a list, empty ones dropped. An address longer than
    // maxLength makes its item text. Where a comment's ")" lies past a
    // separator with an address character between them, the reading that
    // keeps more recipients is taken: the comment, or a stray "(" with the
    // items around it apart; the comment where both keep as many.
    static QVector<AddressItem> read(const QString& list, int maxLength);
};

#endif // VORNHELM_ADDRESSITEM_H
