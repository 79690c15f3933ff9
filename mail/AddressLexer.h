#ifndef VORNHELM_ADDRESSLEXER_H
#define VORNHELM_ADDRESSLEXER_H

#include <QScopedPointer>
#include <QSet>
#include <QString>
#include <QVector>

class AddressLexerPrivate;

// The tokens of an address list (RFC 5322): quoted strings, comments (nested,
// with quoted pairs), domain literals, the specials "<", ">", "@", ":", ";",
// "," and ".", words and blanks. Which quotes, parentheses and brackets pair
// is decided once for the whole list, tolerantly: a quote, "(" or "[" that
// nothing closes is a plain character, and so is a ")" that closes nothing.
// Inside quotes a "(" is plain, inside a comment a quote. A comment whose
// ")" lies past a separator ("," or ";") with an address character ("<",
// ">" or "@") between them is disputed: it might be a stray "(" before a
// later address's comment, or a comment that holds addresses. It is a
// comment only where the caller says so.
//
// Every table is worked out in one pass from the end of the list, and the
// tokens in one pass from the start: a list of any shape takes linear time.
class AddressLexer
{
public:
    enum Kind {
        Word,       // a run of other characters: atoms, and plain quotes, "[", "]" and "\"
        Quoted,     // a quoted string, its quotes included
        Comment,    // a comment, its parentheses included
        Literal,    // a domain literal, its brackets included
        Special,    // one of < > @ : . (a "," or ";" ends the item instead)
        Blank,      // blanks and tabs
        Stray       // a "(" or ")" that pairs with nothing, or a disputed "("
    };
    struct Token {
        Kind kind;
        int start;
        int end; // past its last character
    };

    explicit AddressLexer(const QString& list);
    ~AddressLexer();

    const QString& list() const;

    // The tokens of the item that starts at position from: up to the
    // separator that ends it or the end of the list. A "(" whose position is
    // in comments opens a comment even where it is disputed; reading goes on
    // after its ")". from must be where a token starts: the start of the
    // list, or just past a separator.
    struct Item {
        QVector<Token> tokens;
        int end;                   // where its separator stands, or the list's size
        QVector<int> disputed;     // where each disputed "(" it met stands, in order
    };
    Item item(int from, const QSet<int>& comments = QSet<int>()) const;

    // Where the comment that a "(" at position opens closes; -1 for none.
    int commentClose(int position) const;

    // The characters of a token, or of tokens first to last.
    QStringRef text(const Token& token) const;
    QStringRef text(const Token& first, const Token& last) const;

private:
    Q_DISABLE_COPY(AddressLexer)
    QScopedPointer<AddressLexerPrivate> d;
};

#endif // VORNHELM_ADDRESSLEXER_H
