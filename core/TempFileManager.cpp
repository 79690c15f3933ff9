#include "core/TempFileManager.h"

#include "core/Base64.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const int GARBAGE_COLLECTION_INTERVAL_MSECS = 5000;
const qint64 GARBAGE_MIN_AGE_MSECS = 5000;
const QString TEMP_FILE_NAME_FORMAT = QStringLiteral("yyyyMMddhhmmss");
const QString EXTENSION_SEPARATOR = QStringLiteral(".");
const QString NUMBER_SEPARATOR = QStringLiteral("-");
// Temporary files hold the user's mail: no other user may read them.
const mode_t PRIVATE_FILE_MODE = S_IRUSR | S_IWUSR;
const mode_t PRIVATE_FOLDER_MODE = S_IRWXU;
const QRegularExpression REQUEST_FOLDER_NAME(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{14}(-[0-9]+)?")));
const qint64 REQUEST_FOLDER_MAX_AGE_SECS = 24 * 60 * 60;
// Folders nftw keeps open at once while it walks a tree; deeper trees are
// walked all the same, only more slowly.
const int TREE_WALK_OPEN_FOLDERS = 16;

// The current local time as the names of temporary files begin.
QString timeStamp()
{
    return QDateTime::currentDateTime().toString(TEMP_FILE_NAME_FORMAT);
}

// "stem-number", or the stem alone for number 1.
QString numbered(const QString& stem, int number)
{
    return number > 1 ? stem + NUMBER_SEPARATOR + QString::number(number) : stem;
}

// The time a file was made. File systems without a birth time report an
// invalid one (some report the epoch); the last status change is the best
// stand-in there, and for files written once it equals the creation time.
QDateTime creationTime(const QFileInfo& info)
{
    QDateTime born = info.birthTime();
    if (!born.isValid() || born.toMSecsSinceEpoch() <= 0)
        born = info.metadataChangeTime();
    return born;
}

// How a file is opened for writing: emptied where it exists, or made anew
// where nothing has its name yet.
enum class OpenAs { Emptied, New };

// Opens the file at path write-only, with the mode 0600 before a byte goes
// in: a new file is made with it, and an existing one is given it (what the
// umask took from a new one is given back as well). Devices keep theirs.
// Returns 0, or the error of open(2): EEXIST where a new file was asked for
// and anything has the name.
int openPrivately(QFile& file, const QString& path, QIODevice::OpenMode mode, OpenAs openAs)
{
    // A link planted at the path would have its target emptied and
    // overwritten: it makes the open fail instead. O_EXCL fails on any link.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (openAs == OpenAs::New ? O_EXCL : O_TRUNC),
                          PRIVATE_FILE_MODE);
    if (fd < 0)
        return errno;
    struct stat status;
    const bool isPrivate = ::fstat(fd, &status) == 0
                           && (!S_ISREG(status.st_mode) || (status.st_mode & 07777) == PRIVATE_FILE_MODE
                               || ::fchmod(fd, PRIVATE_FILE_MODE) == 0);
    if (!isPrivate || !file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return EACCES;
    }
    return 0;
}

// Opens the file at path as openPrivately does and lets write fill it.
// Returns 0 when every byte reached the file, otherwise an error number:
// that of open(2), or EIO where writing failed.
int writePrivately(const QString& path, bool asTextFile, OpenAs openAs, const std::function<bool(QIODevice&)>& write)
{
    QFile file;
    QIODevice::OpenMode mode = QIODevice::WriteOnly;
    if (asTextFile)
        mode |= QIODevice::Text;
    const int error = openPrivately(file, path, mode, openAs);
    if (error != 0)
        return error;
    bool written = write(file);
    // Small writes only reach the disk at the flush: a full disk shows there.
    written = file.flush() && written;
    file.close();
    return written && file.error() == QFileDevice::NoError ? 0 : EIO;
}

// Writes content as local 8-bit text, or the bytes it decodes to as Base64.
std::function<bool(QIODevice&)> contentWriter(const QString& content, bool isBase64)
{
    return [&content, isBase64](QIODevice& file) {
        const QByteArray bytes = isBase64 ? Base64::fromBase64(content) : content.toLocal8Bit();
        return file.write(bytes) == bytes.size();
    };
}

// The names of the entries directly inside folder that the filter passes,
// hidden and system ones included. None for an empty name, which would mean
// the working folder.
QStringList entryNames(const QString& folder, QDir::Filters filter)
{
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return QStringList();
    return dir.entryList(filter | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
}

// Removes the files directly inside folder whose clean absolute paths are
// not among those spared.
void removeFiles(const QString& folder, const QSet<QString>& spared)
{
    QDir dir(folder);
    const QStringList names = entryNames(folder, QDir::Files);
    for (const QString& name : names) {
        if (!spared.contains(QDir::cleanPath(dir.absoluteFilePath(name))))
            dir.remove(name); // a file that cannot go stays; nothing to report to
    }
}

// Makes the folder with the mode 0700, whatever the umask took from it, and
// returns 0; otherwise the error of mkdir (EEXIST where anything has the
// name), or EACCES when the mode could not be set and the folder went again.
int makePrivateFolder(const QByteArray& path)
{
    if (::mkdir(path.constData(), PRIVATE_FOLDER_MODE) != 0)
        return errno;
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const bool isPrivate = fd >= 0 && ::fchmod(fd, PRIVATE_FOLDER_MODE) == 0;
    if (fd >= 0)
        ::close(fd);
    if (isPrivate)
        return 0;
    ::rmdir(path.constData());
    return EACCES;
}

// Removes one entry of a tree as nftw meets it, a folder after what it
// holds. No link is followed and no mode is changed to make room: an entry
// that cannot go stays, and so do the folders above it.
int removeTreeEntry(const char* path, const struct stat*, int type, struct FTW*)
{
    if (type == FTW_DP || type == FTW_DNR)
        ::rmdir(path);
    else
        ::unlink(path);
    return 0; // the rest of the tree goes all the same
}

// Removes the tree at path as far as the user may: a link, there or inside,
// goes as a link. QDir::removeRecursively is no use here: it gives what it
// cannot remove the owner's write bit, and chmod follows links, so a link in
// a folder the user cannot write into would make its target writable.
void removeTree(const QString& path)
{
    ::nftw(QFile::encodeName(path).constData(), removeTreeEntry, TREE_WALK_OPEN_FOLDERS, FTW_PHYS | FTW_DEPTH);
}

// Removes the request folders directly inside dir that isStale picks, and
// every link of that form.
void removeRequestFoldersWhere(const QString& dir, const std::function<bool(const QFileInfo&)>& isStale)
{
    const QDir folder(dir);
    const QStringList names = entryNames(dir, QDir::AllEntries);
    for (const QString& name : names) {
        if (!TempFileManager::isRequestFolderName(name))
            continue;
        const QString path = folder.absoluteFilePath(name);
        struct stat status;
        if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
            continue;
        // A link is never a folder this program made: it goes as a link.
        if (S_ISLNK(status.st_mode) || (S_ISDIR(status.st_mode) && isStale(QFileInfo(path))))
            removeTree(path); // what cannot go stays; nothing to report to
    }
}

} // namespace

class TempFileManagerPrivate
{
public:
    explicit TempFileManagerPrivate(QObject* owner) : owner(owner) {}

    QPointer<QObject> owner;
    QStringList pending;
    QTimer collectionTimer;
};

TempFileManager::TempFileManager(QObject* owner, const QString& folder)
    : QObject(nullptr)
    , d(new TempFileManagerPrivate(owner))
{
    // One timer for all queued files, so repeated queuing never starts more
    // than one collection cycle.
    d->collectionTimer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early, when a file queued right after
    // it was made is still short of the minimum age.
    d->collectionTimer.setTimerType(Qt::PreciseTimer);
    d->collectionTimer.setInterval(GARBAGE_COLLECTION_INTERVAL_MSECS);
    connect(&d->collectionTimer, SIGNAL(timeout()), this, SLOT(collectGarbage()));

    if (!folder.isEmpty())
        deleteAllNow(folder);
}

TempFileManager::~TempFileManager() = default;

QString TempFileManager::getTempFileName(const QString& extension)
{
    return timeStamp() + EXTENSION_SEPARATOR + extension;
}

QString TempFileManager::toVerifiedPath(const QString& dir, const QString& fileName)
{
    if (dir.isEmpty())
        return QString();
    const QDir folder(dir);
    if (!folder.exists() && !QDir().mkpath(dir))
        return QString();
    return folder.absoluteFilePath(fileName);
}

QString TempFileManager::makeRequestFolder(const QString& dir)
{
    const QString stem = timeStamp();
    if (toVerifiedPath(dir, stem).isNull())
        return QString();
    // The name is taken where mkdir finds anything there, a link included,
    // at the moment it looks: no other request can slip in between. Only a
    // taken name is worth another try, and each try passes one of the
    // entries the folder holds, so the loop ends; any other error (a path
    // too long, no right to write) would come back for every number.
    for (int number = 1;; ++number) {
        const QString path = QDir(dir).absoluteFilePath(numbered(stem, number));
        const int error = makePrivateFolder(QFile::encodeName(path));
        if (error == 0)
            return path;
        if (error != EEXIST)
            return QString();
    }
}

bool TempFileManager::isRequestFolderName(const QString& name)
{
    return REQUEST_FOLDER_NAME.match(name).hasMatch();
}

void TempFileManager::removeRequestFolders(const QString& dir, const QDateTime& bornBefore)
{
    removeRequestFoldersWhere(dir, [&bornBefore](const QFileInfo& info) { return creationTime(info) < bornBefore; });
}

void TempFileManager::removeStaleRequestFolders(const QString& dir)
{
    removeRequestFolders(dir, QDateTime::currentDateTime().addSecs(-REQUEST_FOLDER_MAX_AGE_SECS));
}

bool TempFileManager::writeFile(const QString& path, const QString& content, bool isBase64)
{
    return writeFile(path, !isBase64, contentWriter(content, isBase64));
}

bool TempFileManager::writeFile(const QString& path, bool asTextFile, const std::function<bool(QIODevice&)>& write)
{
    return writePrivately(path, asTextFile, OpenAs::Emptied, write) == 0;
}

bool TempFileManager::createFile(const QString& path, const QString& content, bool isBase64)
{
    return createFile(path, !isBase64, contentWriter(content, isBase64));
}

bool TempFileManager::createFile(const QString& path, bool asTextFile, const std::function<bool(QIODevice&)>& write)
{
    return writePrivately(path, asTextFile, OpenAs::New, write) == 0;
}

QString TempFileManager::createNewFile(const QString& dir, const QString& extension, bool asTextFile,
                                       const std::function<bool(QIODevice&)>& write)
{
    const QString stem = timeStamp();
    if (toVerifiedPath(dir, stem).isNull())
        return QString();
    // The name is taken where open finds anything there at the moment it
    // creates the file: no other request, of this process or another, can
    // slip in between a look and the write. As with request folders, each
    // further try passes one entry of the folder, so the loop ends.
    for (int number = 1;; ++number) {
        const QString path = QDir(dir).absoluteFilePath(numbered(stem, number) + EXTENSION_SEPARATOR + extension);
        const int error = writePrivately(path, asTextFile, OpenAs::New, write);
        if (error == 0)
            return path;
        if (error != EEXIST)
            return QString();
    }
}

QString TempFileManager::createNewFile(const QString& dir, const QString& extension, const QString& content,
                                       bool isBase64)
{
    return createNewFile(dir, extension, !isBase64, contentWriter(content, isBase64));
}

QString TempFileManager::writeFileMakeDir(const QString& dir, const QString& fileName,
                                          const QString& content, bool isBase64)
{
    const QString path = toVerifiedPath(dir, fileName);
    if (path.isNull())
        return QString();
    if (!writeFile(path, content, isBase64))
        return QString();
    return path;
}

void TempFileManager::deleteFileLater(QString path)
{
    d->pending.append(path);
    if (!d->collectionTimer.isActive())
        d->collectionTimer.start();
}

void TempFileManager::deleteAllNow(const QString& folder)
{
    removeFiles(folder, {});
}

void TempFileManager::deleteAllNowButRecentlyQueued(const QString& folder)
{
    const QDateTime oldestRemoved =
        QDateTime::currentDateTime().addMSecs(-GARBAGE_MIN_AGE_MSECS);
    QSet<QString> spared;
    for (const QString& path : qAsConst(d->pending)) {
        const QFileInfo info(path);
        if (info.exists() && creationTime(info) > oldestRemoved)
            spared.insert(QDir::cleanPath(info.absoluteFilePath()));
    }
    removeFiles(folder, spared);
}

void TempFileManager::collectGarbage()
{
    const QDateTime oldestAllowed =
        QDateTime::currentDateTime().addMSecs(-GARBAGE_MIN_AGE_MSECS);
    QStringList stillPending;
    for (const QString& path : qAsConst(d->pending)) {
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        if (creationTime(info) <= oldestAllowed && QFile::remove(path))
            continue;
        stillPending.append(path);
    }
    d->pending = stillPending;
    if (!d->pending.isEmpty())
        d->collectionTimer.start();
}
