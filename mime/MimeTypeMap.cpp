#include "mime/MimeTypeMap.h"

#include "mime/MimeTypeRows.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QStringList>

namespace {

using MimeTable = QMultiMap<QString, MimeTypeInfo>;
// Where each row stands in the table, by type and then by extension. A type
// holds at most one row per extension (the built-in list has no pair twice,
// and a registration replaces an equal pair), so one position is enough.
using RowIndex = QHash<QString, QHash<QString, MimeTable::iterator>>;

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

RowIndex indexOf(MimeTable& map)
{
    RowIndex index;
    for (auto it = map.begin(); it != map.end(); ++it)
        index[it.key()].insert(it.value().extension, it);
    return index;
}

// The table for the whole run, filled before main, and its index. Both
// change only together.
MimeTable map_ = createMap();
RowIndex index_ = indexOf(map_);

// The type's row carrying the extension; null when there is none.
const MimeTypeInfo* rowOf(const QString& mimeType, const QString& extension)
{
    const auto type = index_.constFind(mimeType);
    if (type == index_.constEnd())
        return nullptr;
    const auto row = type->constFind(extension);
    return row == type->constEnd() ? nullptr : &row.value().value();
}

// Replaces the type's row with the same extension, if any, and puts the new
// row first among the type's rows.
void addToMap(const QString& mimeType, const MimeTypeInfo& info)
{
    // A copy of the table handed out earlier shares its rows until the table
    // changes; then the table takes rows of its own, and the index must point
    // to those.
    if (!map_.isDetached()) {
        map_.detach();
        index_ = indexOf(map_);
    }
    QHash<QString, MimeTable::iterator>& rows = index_[mimeType];
    const auto replaced = rows.find(info.extension);
    if (replaced == rows.end()) {
        rows.insert(info.extension, map_.insert(mimeType, info));
    } else {
        map_.erase(replaced.value());
        replaced.value() = map_.insert(mimeType, info);
    }
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
    const MimeTypeInfo* custom = rowOf(MimeTypeInfo::customMimeType(extension), extension);
    if (custom && custom->isBinaryExplicit)
        return custom->isBinary;

    // 2: the type's row carrying the extension, else the type's first
    // (newest) row; 3: a type without rows is binary.
    if (const MimeTypeInfo* row = rowOf(mimeType, extension))
        return verdict(mimeType, *row);
    const auto first = map_.constFind(mimeType);
    return first == map_.constEnd() || verdict(mimeType, first.value());
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
    index_ = indexOf(map_);
}
