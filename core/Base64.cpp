#include "core/Base64.h"

namespace {

const QString DATA_URL_PREFIX = QStringLiteral("data:");
const QChar DATA_URL_SEPARATOR = QLatin1Char(',');

} // namespace

QByteArray Base64::fromBase64(const QString& text)
{
    // A view of the payload: a large text is not copied before decoding.
    QStringRef payload(&text);
    if (text.startsWith(DATA_URL_PREFIX)) {
        const int separator = text.lastIndexOf(DATA_URL_SEPARATOR);
        if (separator >= 0)
            payload = text.midRef(separator + 1);
    }
    return QByteArray::fromBase64(payload.toLatin1());
}

QString Base64::toBase64(const QByteArray& data)
{
    return QString::fromLatin1(data.toBase64());
}
