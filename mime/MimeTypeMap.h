#ifndef VORNHELM_MIMETYPEMAP_H
#define VORNHELM_MIMETYPEMAP_H

#include "mime/MimeTypeInfo.h"

#include <QMultiMap>
#include <QString>

// The MIME type table and its lookups. The table is one multi-map for the
// whole process, from MIME type name (exact, case-sensitive) to rows; within
// a type the newest row stands first. It starts every run with the built-in
// rows and grows through the add operations, which the page's registrations
// use. Everything here runs on the GUI thread; the table has no lock.
//
// MimeTypeMap has no instances and no state of its own: all its operations
// are static and work on the one table.
class MimeTypeMap
{
public:
    MimeTypeMap() = delete;

    // Registers a bare extension under "application/" + extension, with the
    // caller's binary flag, as that type's default extension. One leading "."
    // is dropped; otherwise the extension is stored as given (white space and
    // case kept). Refuses (false, nothing changed) an empty extension or one
    // that is "." once trimmed.
    static bool add(const QString& extension, bool isBinary);

    // Registers the pair with the flags of a built-in row (binary-ness by the
    // type's name, not a default). Refuses an empty type or extension and an
    // extension that is "." once trimmed. The type is used as given.
    static bool add(const QString& mimeType, const QString& extension);

    // Without this overload, add("text/plain", "md") with two string literals
    // would silently pick add(const QString&, bool): a pointer converts to
    // bool more readily than to QString.
    static bool add(const QString& mimeType, const char* extension);

    // Registers the pair with the caller's flags; refusals as above.
    static bool add(const QString& mimeType, const QString& extension, bool isBinary,
                    bool isDefaultExtension);

    // Whether the content of the file at path goes to the page as Base64
    // (true) or as text (false), from the file's lower-cased extension and
    // the type the system MIME database gives it.
    static bool isBinary(const QString& path);

    // The same decision for a MIME type and an extension (without its leading
    // "."; compared exactly as given). An explicit row registered for the
    // extension alone decides first; then the type's row carrying the
    // extension, else the type's first row; a type without rows is binary.
    static bool isBinary(const QString& mimeType, const QString& extension);

    // The MIME type name the system database gives a file, by name and
    // content. The table is not consulted.
    static QString mimeType(const QString& path);

    // The MIME type name the system database gives the extension (trimmed,
    // one leading "." dropped). The table is not consulted.
    static QString toMimeType(const QString& extension);

    // The first row of the type marked as default, else the type's first
    // row's extension; empty when the type has no row.
    static QString defaultExtension(const QString& mimeType);

    // defaultExtension when there is one; else, for an "application/" type,
    // the text after its last "/"; else "???".
    static QString toExtension(const QString& mimeType);

    // For tests and benchmarks only: the table as it stands, and a way to put
    // it back to the built-in rows between cases. The program never calls
    // resetToBuiltIn: registrations last for the whole run.
    static const QMultiMap<QString, MimeTypeInfo>& table();
    static void resetToBuiltIn();
};

#endif // VORNHELM_MIMETYPEMAP_H
