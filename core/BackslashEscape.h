#ifndef VORNHELM_BACKSLASHESCAPE_H
#define VORNHELM_BACKSLASHESCAPE_H

#include <QLatin1String>
#include <QString>

// The escape that shell words, AppleScript strings and mail headers' quoted
// strings and comments share: a backslash before each special character.
class BackslashEscape
{
public:
    BackslashEscape() = delete;

    // The text with a backslash before each character of specials (ASCII
    // characters, the backslash among them where it is special). Built in
    // one pass: replacing in place moves the rest of a long text at every
    // step, and a text of megabytes with many specials then takes seconds.
    static QString escaped(const QString& text, QLatin1String specials);
};

#endif // VORNHELM_BACKSLASHESCAPE_H
