#ifndef VORNHELM_HTMLLINEBREAKS_H
#define VORNHELM_HTMLLINEBREAKS_H

#include <QString>

// The line breaks of an HTML text, written so that a reader that takes every
// line break as something else still shows what a browser shows. Thunderbird's
// compose window makes each line break of an HTML body a "<br>" when it comes
// on the command line, and a blank when it comes from a file, inside "<pre>"
// too; a browser makes it a blank, except in the text of a "<pre>" element,
// where it ends a line.
class HtmlLineBreaks
{
public:
    HtmlLineBreaks() = delete;

    // The HTML with no line break ("\r\n", "\n" or "\r") left: each is a
    // blank, except in the text of a "<pre>" element (any letter case, any
    // attributes), where it is a "<br>". The one a browser drops right after
    // "<pre>" is dropped. Inside a tag or a comment it is a blank; a "<pre>"
    // inside a comment, a script or a style opens nothing. A "<pre>" never
    // closed runs to the end, as in a browser.
    static QString asBrowserShows(const QString& html);
};

#endif // VORNHELM_HTMLLINEBREAKS_H
