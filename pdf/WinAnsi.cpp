#include "pdf/WinAnsi.h"

#include <algorithm>
#include <iterator>

namespace {
const char BLANK = ' ';
const char UNKNOWN = '?';

// The characters Windows-1252 puts at 0x80 to 0x9f, by code point.
struct Special {
    char16_t unicode;
    unsigned char byte;
};
const Special SPECIALS[] = {
    {0x0152, 0x8c}, {0x0153, 0x9c}, {0x0160, 0x8a}, {0x0161, 0x9a}, {0x0178, 0x9f}, {0x017d, 0x8e},
    {0x017e, 0x9e}, {0x0192, 0x83}, {0x02c6, 0x88}, {0x02dc, 0x98}, {0x2013, 0x96}, {0x2014, 0x97},
    {0x2018, 0x91}, {0x2019, 0x92}, {0x201a, 0x82}, {0x201c, 0x93}, {0x201d, 0x94}, {0x201e, 0x84},
    {0x2020, 0x86}, {0x2021, 0x87}, {0x2022, 0x95}, {0x2026, 0x85}, {0x2030, 0x89}, {0x2039, 0x8b},
    {0x203a, 0x9b}, {0x20ac, 0x80}, {0x2122, 0x99},
};

// Code points that are invisible by nature: dropped rather than shown as "?".
struct Range {
    char32_t first;
    char32_t last;
};
const Range INVISIBLE[] = {
    {0x034f, 0x034f}, {0x061c, 0x061c}, {0x115f, 0x1160}, {0x17b4, 0x17b5}, {0x180b, 0x180f},
    {0x200b, 0x200f}, {0x202a, 0x202e}, {0x2060, 0x206f}, {0x3164, 0x3164}, {0xfe00, 0xfe0f},
    {0xfeff, 0xfeff}, {0xffa0, 0xffa0}, {0xfff0, 0xfff8}, {0x1bca0, 0x1bca3}, {0x1d173, 0x1d17a},
    {0xe0000, 0xe0fff},
};

bool invisible(char32_t c)
{
    return std::any_of(std::begin(INVISIBLE), std::end(INVISIBLE),
                       [c](const Range& range) { return range.first <= c && c <= range.last; });
}

// The byte for a character outside Latin-1 that is not a surrogate, or 0
// when it is left out.
char beyondLatin1(char16_t c)
{
    const Special* special = std::lower_bound(std::begin(SPECIALS), std::end(SPECIALS), c,
                                              [](const Special& s, char16_t u) { return s.unicode < u; });
    if (special != std::end(SPECIALS) && special->unicode == c)
        return char(special->byte);
    return invisible(c) ? '\0' : UNKNOWN;
}
}

int WinAnsi::fromUnicode(const QChar* text, int count, char* out)
{
    char* const start = out;
    for (int i = 0; i < count; ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0)) {
            *out++ = BLANK;
        } else if (u < 0x100) {
            *out++ = char(u);
        } else if (QChar::isHighSurrogate(u)) {
            if (i + 1 == count)
                break;
            if (!text[i + 1].isLowSurrogate()) {
                *out++ = UNKNOWN;
                continue;
            }
            if (!invisible(QChar::surrogateToUcs4(u, text[i + 1].unicode())))
                *out++ = UNKNOWN;
            ++i;
        } else if (QChar::isLowSurrogate(u)) {
            *out++ = UNKNOWN;
        } else if (const char byte = beyondLatin1(u)) {
            *out++ = byte;
        }
    }
    return int(out - start);
}

QByteArray WinAnsi::fromUnicode(const QString& text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    bytes.resize(fromUnicode(text.constData(), text.size(), bytes.data()));
    return bytes;
}
