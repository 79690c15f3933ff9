#include "core/BackslashEscape.h"

#include <cstring>

QString BackslashEscape::escaped(const QString& text, QLatin1String specials)
{
    QString result;
    result.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        if (c.unicode() < 0x80 && std::memchr(specials.data(), c.toLatin1(), size_t(specials.size())))
            result += QLatin1Char('\\');
        result += c;
    }
    return result;
}
