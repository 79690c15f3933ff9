#ifndef VORNHELM_MIMETYPEINFO_H
#define VORNHELM_MIMETYPEINFO_H

#include <QString>

// One row of the MIME type table: an extension of the type under which the
// row is stored (the type is the row's key, not a field) and how binary-ness
// is decided for it. A plain value, copied freely.
struct MimeTypeInfo
{
    // The file extension without a leading ".", exactly as supplied: case
    // kept, not trimmed, compared exactly.
    QString extension;
    // Files with this row are binary; counts only when isBinaryExplicit is set.
    bool isBinary = false;
    // Set when whoever added the row stated isBinary; when clear, the MIME
    // type's name decides (isBinaryImplict).
    bool isBinaryExplicit = false;
    // This row's extension is the type's preferred one.
    bool isDefaultExtension = false;

    // The type under which a bare extension is registered: "application/"
    // followed by the extension, unchanged.
    static QString customMimeType(const QString& extension);

    // Binary-ness by the type's name alone: false (text) for types that begin
    // with "text/", end with "+xml" or are "application/xml" (all
    // case-sensitive), true otherwise.
    static bool isBinaryImplict(const QString& mimeType);
};

#endif // VORNHELM_MIMETYPEINFO_H
