#ifndef VORNHELM_TEMPFILEMANAGER_H
#define VORNHELM_TEMPFILEMANAGER_H

#include <QIODevice>
#include <QObject>
#include <QScopedPointer>
#include <QString>

#include <functional>

class QDateTime;
class TempFileManagerPrivate;

// Keeps temporary files: names them by the time, writes them as text or from
// Base64, and deletes them at once or later. Files handed to deleteFileLater
// are removed by a collection that runs every 5 s while files are waiting,
// once each file is at least 5 s old. Every file it writes is readable and
// writable by its owner alone.
class TempFileManager : public QObject
{
    Q_OBJECT

public:
    // The owner is kept but never used; the object itself has no Qt parent.
    // A non-empty folder is emptied of its files at once (see deleteAllNow).
    TempFileManager(QObject* owner, const QString& folder);
    ~TempFileManager() override;

    // "yyyyMMddhhmmss" of the current local time, "." and the extension.
    static QString getTempFileName(const QString& extension);

    // Absolute path of fileName inside dir, creating dir and its missing
    // parents first. Null when dir is empty or cannot be created.
    static QString toVerifiedPath(const QString& dir, const QString& fileName);

    // Makes a new folder for the files of one request in dir (created as
    // toVerifiedPath does), named as getTempFileName gives it without the
    // extension, readable and writable by its owner alone (0700). A name that
    // is taken, by anything (a dangling link too), gets a number:
    // "20260105093001-2". Returns its absolute path, or a null string when no
    // folder could be made.
    static QString makeRequestFolder(const QString& dir);

    // Whether name has the form that makeRequestFolder gives.
    static bool isRequestFolderName(const QString& name);

    // Removes every folder directly inside dir whose name has the form of a
    // request folder and that was made before bornBefore (by its creation
    // time), with all it holds, and every link of that form whatever its age
    // (the link alone, never what it points to). Other folders and all files
    // stay. Nothing inside is followed and no mode is changed: what the user
    // cannot remove (a link in a folder without write permission) stays, and
    // so do the folders that hold it.
    static void removeRequestFolders(const QString& dir, const QDateTime& bornBefore);

    // The request folders more than a day old: no mail client still reads
    // what was handed to it then.
    static void removeStaleRequestFolders(const QString& dir);

    // Creates or empties the file at path (its folder must exist) and writes
    // content as local 8-bit text, or the bytes it decodes to as Base64. A
    // link at path is never followed: the write fails.
    static bool writeFile(const QString& path, const QString& content, bool isBase64);

    // Creates or empties the file at path (its folder must exist), opened as
    // text when asTextFile is set, and lets write fill it. True when write
    // succeeded and every byte reached the file. A new file is made with mode
    // 0600, and an emptied one gets that mode, before write runs. A link at
    // path is never followed: the call fails and its target stays untouched.
    static bool writeFile(const QString& path, bool asTextFile, const std::function<bool(QIODevice&)>& write);

    // As writeFile, but the file must be new: where anything has the name
    // already (a file, a folder, a link, dangling or not), made by this
    // process or another, nothing is written and the call fails.
    static bool createFile(const QString& path, const QString& content, bool isBase64);
    static bool createFile(const QString& path, bool asTextFile, const std::function<bool(QIODevice&)>& write);

    // Creates a new file in dir (created as toVerifiedPath does) named as
    // getTempFileName gives it, as createFile does, and lets write fill it. A
    // name that is taken at the moment of creation, by this process or
    // another, gets a number before its extension: "20260105093001-2.eml".
    // Returns the file's absolute path, or a null string when dir is empty or
    // cannot be made, or the file cannot be made or written.
    static QString createNewFile(const QString& dir, const QString& extension, bool asTextFile,
                                 const std::function<bool(QIODevice&)>& write);
    // The same with content written as writeFile writes it.
    static QString createNewFile(const QString& dir, const QString& extension, const QString& content, bool isBase64);

    // toVerifiedPath, then writeFile. Returns the file's absolute path, or a
    // null string when the folder or the file cannot be made.
    static QString writeFileMakeDir(const QString& dir, const QString& fileName,
                                    const QString& content, bool isBase64);

    // Queues the file for the delayed collection.
    void deleteFileLater(QString path);

    // Removes every file (hidden and system files included) directly inside
    // folder; subfolders, their contents and the folder itself stay.
    static void deleteAllNow(const QString& folder);

    // deleteAllNow, except for files queued for the delayed collection that
    // are less than 5 s old: they were handed to a program that may not have
    // read them yet. The collection removes them.
    void deleteAllNowButRecentlyQueued(const QString& folder);

private slots:
    void collectGarbage();

private:
    Q_DISABLE_COPY(TempFileManager)
    QScopedPointer<TempFileManagerPrivate> d;
};

#endif // VORNHELM_TEMPFILEMANAGER_H
