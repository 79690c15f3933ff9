#ifndef VORNHELM_PDF_WINANSI_H
#define VORNHELM_PDF_WINANSI_H

#include <QByteArray>
#include <QString>

// Text as the PDF writer's WinAnsiEncoding fonts show it: Windows-1252, one
// byte per character. Control characters, which have no glyphs, become
// blanks; characters outside Windows-1252 become "?", except the invisible
// ones (zero-width spaces, joiners, direction marks, variation selectors and
// the like), which are left out; a lone low surrogate or a high surrogate
// not followed by a low one is "?", a high surrogate ending the text is left
// out.
class WinAnsi
{
public:
    WinAnsi() = delete;

    static QByteArray fromUnicode(const QString& text);

    // Writes the bytes for `count` UTF-16 units from `text` to `out`, which
    // has room for `count` bytes, and returns how many were written.
    static int fromUnicode(const QChar* text, int count, char* out);
};

#endif
