#include "mime/MimeTypeInfo.h"

namespace {

const QString CUSTOM_MIME_TYPE_PREFIX = QStringLiteral("application/");
const QString TEXT_MIME_TYPE_PREFIX = QStringLiteral("text/");
const QString XML_MIME_TYPE_SUFFIX = QStringLiteral("+xml");
const QString XML_MIME_TYPE = QStringLiteral("application/xml");

} // namespace

QString MimeTypeInfo::customMimeType(const QString& extension)
{
    return CUSTOM_MIME_TYPE_PREFIX + extension;
}

bool MimeTypeInfo::isBinaryImplict(const QString& mimeType)
{
    if (mimeType.startsWith(TEXT_MIME_TYPE_PREFIX, Qt::CaseSensitive))
        return false;
    if (mimeType.endsWith(XML_MIME_TYPE_SUFFIX, Qt::CaseSensitive))
        return false;
    if (mimeType == XML_MIME_TYPE)
        return false;
    return true;
}
