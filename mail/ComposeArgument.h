#ifndef VORNHELM_COMPOSEARGUMENT_H
#define VORNHELM_COMPOSEARGUMENT_H

#include <QString>
#include <QStringList>

// The compose argument of Thunderbird's command line: entries "key=value"
// joined by ",". Thunderbird splits it at every "," outside quotes; a quote
// opens only right after "=" and closes only where a "," or the end follows.
// A value between apostrophes is taken as it stands; a value without them is
// URI-decoded.
class ComposeArgument
{
public:
    ComposeArgument() = delete;

    // "key='value'", which gives the value back raw. A value holding "',"
    // would end its entry there and let the rest add entries of its own: it
    // goes without apostrophes, every byte of its UTF-8 outside A-Z, a-z and
    // 0-9 as %XX, which holds no quote and no comma and decodes exactly. NUL
    // characters are dropped (an argument ends at the first). Empty for an
    // empty value: an entry without a value is left out.
    static QString entry(const QString& key, const QString& value);

    // "attachment='URL,URL'" of the files at the absolute paths, each URL
    // fully encoded so that "#", "?", "%", "," and "'" in a name stay part of
    // its path. Empty for no paths.
    static QString attachmentEntry(const QStringList& paths);

    // The entries joined by ",", empty ones left out.
    static QString joined(const QStringList& entries);

    // Whether the text fits into one program argument: Linux refuses an
    // argument of more than 131,072 bytes, its closing NUL counted, whatever
    // the total of all arguments.
    static bool fitsOneArgument(const QString& argument);
};

#endif // VORNHELM_COMPOSEARGUMENT_H
