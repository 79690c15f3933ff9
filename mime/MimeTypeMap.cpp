#include "mime/MimeTypeMap.h"

#include "mime/MimeTypeRows.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStringList>

namespace {

using MimeTable = QMultiMap<QString, MimeTypeInfo>;

const QString DOT = QStringLiteral(".");
const QChar DOT_CHAR = QLatin1Char('.');
const QChar SLASH_CHAR = QLatin1Char('/');
const QString APPLICATION_MIME_TYPE_PREFIX = QStringLiteral("application/");
const QString UNKNOWN_EXTENSION = QStringLiteral("???");
const QString PROBE_FILE_BASE_NAME = QStringLiteral("x.");

static_assert(MimeTypeRows::BUILT_IN_ROW_COUNT == 642, "the built-in table has 642 rows");

// The built-in rows in list order. A multi-map puts a new row before the
// rows already held under its key, so each type's rows end up newest first.
MimeTable createMap()
{
    MimeTable map;
    for (const MimeTypeRows::Row& row : MimeTypeRows::BUILT_IN_ROWS) {
        MimeTypeInfo info;
        info.extension = QString::fromLatin1(row.extension);
        info.isBinary = true;
        info.isBinaryExplicit = false;
        info.isDefaultExtension = false;
        map.insert(QString::fromLatin1(row.mimeType), info);
    }
    return map;
}

// The table for the whole run, filled before main.
MimeTable map_ = createMap();

// Replaces the type's newest row with the same extension, if any (only that
// one), and puts the new row first among the type's rows.
void addToMap(const QString& mimeType, const MimeTypeInfo& info)
{
    for (auto it = map_.find(mimeType); it != map_.end() && it.key() == mimeType; ++it) {
        if (it.value().extension == info.extension) {
            map_.erase(it);
            break;
        }
    }
    map_.insert(mimeType, info);
}

// The tests shared by the add operations: an empty extension and a lone dot
// (white space around it allowed) are refused.
bool isAcceptableExtension(const QString& extension)
{
    return !extension.isEmpty() && extension.trimmed() != DOT;
}

// The stored form of an extension: as given, less one leading ".".
QString storedExtension(const QString& extension)
{
    return extension.startsWith(DOT_CHAR) ? extension.mid(1) : extension;
}

bool addPair(const QString& mimeType, const QString& extension, bool isBinary,
             bool isBinaryExplicit, bool isDefaultExtension)
{
    if (mimeType.isEmpty() || !isAcceptableExtension(extension))
        return false;
    MimeTypeInfo info;
    info.extension = storedExtension(extension);
    info.isBinary = isBinary;
    info.isBinaryExplicit = isBinaryExplicit;
    info.isDefaultExtension = isDefaultExtension;
    addToMap(mimeType, info);
    return true;
}

bool verdict(const QString& mimeType, const MimeTypeInfo& info)
{
    return info.isBinaryExplicit ? info.isBinary : MimeTypeInfo::isBinaryImplict(mimeType);
}

} // namespace

bool MimeTypeMap::add(const QString& extension, bool isBinary)
{
    if (!isAcceptableExtension(extension))
        return false;
    const QString stored = storedExtension(extension);
    return addPair(MimeTypeInfo::customMimeType(stored), extension, isBinary, true, true);
}

bool MimeTypeMap::add(const QString& mimeType, const QString& extension)
{
    return addPair(mimeType, extension, true, false, false);
}

bool MimeTypeMap::add(const QString& mimeType, const char* extension)
{
    return add(mimeType, QString::fromUtf8(extension));
}

bool MimeTypeMap::add(const QString& mimeType, const QString& extension, bool isBinary,
                      bool isDefaultExtension)
{
    return addPair(mimeType, extension, isBinary, true, isDefaultExtension);
}

bool MimeTypeMap::isBinary(const QString& path)
{
    const QString fileName = QFileInfo(path).fileName();
    const QStringList parts = fileName.split(DOT_CHAR, Qt::KeepEmptyParts, Qt::CaseSensitive);
    const QString extension = parts.size() < 2 ? QString() : parts.last().toLower();
    return isBinary(mimeType(path), extension);
}

bool MimeTypeMap::isBinary(const QString& mimeType, const QString& extension)
{
    // 1: an extension registered on its own outranks the file's type, when
    // its row states binary-ness.
    const QString customType = MimeTypeInfo::customMimeType(extension);
    for (auto it = map_.constFind(customType); it != map_.constEnd() && it.key() == customType;
         ++it) {
        if (it.value().extension == extension) {
            if (it.value().isBinaryExplicit)
                return it.value().isBinary;
            break;
        }
    }

    // 2: the type's row carrying the extension, else the type's first row.
    // 3: a type without rows is binary.
    bool answer = true;
    bool first = true;
    for (auto it = map_.constFind(mimeType); it != map_.constEnd() && it.key() == mimeType; ++it) {
        if (it.value().extension == extension)
            return verdict(mimeType, it.value());
        if (first) {
            answer = verdict(mimeType, it.value());
            first = false;
        }
    }
    return answer;
}

QString MimeTypeMap::mimeType(const QString& path)
{
    QMimeDatabase database;
    return database.mimeTypeForFile(path, QMimeDatabase::MatchDefault).name();
}

QString MimeTypeMap::toMimeType(const QString& extension)
{
    QString name = extension.trimmed();
    if (name.startsWith(DOT_CHAR))
        name.remove(0, 1);
    // Asked by name only: matching by content as well would let a file that
    // happens to be called "x.<extension>" in the working folder change the
    // answer.
    QMimeDatabase database;
    return database.mimeTypeForFile(PROBE_FILE_BASE_NAME + name, QMimeDatabase::MatchExtension)
        .name();
}

QString MimeTypeMap::defaultExtension(const QString& mimeType)
{
    QString answer;
    for (auto it = map_.constFind(mimeType); it != map_.constEnd() && it.key() == mimeType; ++it) {
        if (it.value().isDefaultExtension)
            return it.value().extension;
        if (answer.isEmpty())
            answer = it.value().extension;
    }
    return answer;
}

QString MimeTypeMap::toExtension(const QString& mimeType)
{
    const QString extension = defaultExtension(mimeType);
    if (!extension.isEmpty())
        return extension;
    if (mimeType.startsWith(APPLICATION_MIME_TYPE_PREFIX, Qt::CaseSensitive))
        return mimeType.split(SLASH_CHAR, Qt::KeepEmptyParts).last();
    return UNKNOWN_EXTENSION;
}

const QMultiMap<QString, MimeTypeInfo>& MimeTypeMap::table()
{
    return map_;
}

void MimeTypeMap::resetToBuiltIn()
{
    map_ = createMap();
}
