#ifndef VORNHELM_ADDRESSITEM_H
#define VORNHELM_ADDRESSITEM_H

#include <QString>
#include <QStringList>

// How an address list, as a page gives it, splits into items, and how one
// item reads: a display name and what its angle brackets hold, a bare
// address with the comments around and inside it, or the name of a group
// before one bare address or none. Angle brackets,
// parentheses and ":" inside quoted strings are text; where the quotes of an
// item do not pair, its quotes are characters like any other.
class AddressItem
{
public:
    AddressItem() = delete;

    // The address is in the last angle brackets, after which no ">" stands.
    struct Named {
        QString name; // without its quotes and their escapes
        QString given; // what the brackets hold, blanks at its ends dropped
        QString tail; // text after the brackets
    };
    // The address in its header form (MailAddress), and each comment with
    // its parentheses, the one before the address first.
    struct Bare {
        QString address;
        QStringList comments;
    };
    struct Group {
        QString name; // without its quotes, their escapes and its comments
        Bare member; // no address for a group without members; the name's
                     // comments first among the comments
    };

    // The list split at "," and ";" outside double quotes and comments,
    // items trimmed, empty items dropped. A quote or a "(" that nothing
    // closes is a character of its item: it would otherwise join every
    // address after it into one. So is a "(" whose ")" lies past a separator
    // with an address character ("<", ">", "@") between them. Inside quotes
    // a "(" is plain, inside a comment a quote.
    static QStringList split(const QString& list);

    static bool readNamed(const QString& item, Named& named);
    // An address of any length up to maxLength, read without the comments
    // around its words (ann(x)@example.com is ann@example.com); the text
    // from the first "(" after its domain is one more comment, as given.
    static bool readBare(const QString& item, int maxLength, Bare& bare);
    // A name that holds no address characters but in comments, a ":", and
    // a bare address or nothing but comments.
    static bool readGroup(const QString& item, int maxLength, Group& group);
};

#endif // VORNHELM_ADDRESSITEM_H
