#include "core/Base64.h"
#include "core/TempFileManager.h"

#include "common/TestFiles.h"

#include <QtTest>

#include <climits>
#include <csignal>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// How long a call run in a child process may take on a busy machine; one
// that still runs then never ends.
const int CHILD_TIMEOUT_MSECS = 5000;
// Exit codes of a child that could not run its call.
const int CHILD_NO_USER = 101;
const int CHILD_OUT_OF_REACH = 102;

// The file's permission bits; -1 when there is no file.
int modeOf(const QString& path)
{
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

// Runs work in a child process and returns its exit code; -1 where it
// crashed or still ran after CHILD_TIMEOUT_MSECS. A child that runs too long
// is killed and reaped: a call that loops fails the test within seconds and
// leaves no process behind.
int exitCodeInChild(const std::function<int()>& work)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0)
        ::_exit(work());
    QElapsedTimer waited;
    waited.start();
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(child, &status, WNOHANG)) == 0 && waited.elapsed() < CHILD_TIMEOUT_MSECS)
        QTest::qSleep(10);
    if (ended == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        return -1;
    }
    return ended == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Makes the calling process that of the user, without other groups; false
// where it may not.
bool becomeUser(uid_t uid, gid_t gid)
{
    return ::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0;
}

// The relative paths of everything below folder, sorted.
QStringList treeOf(const QString& folder)
{
    QStringList paths;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << QDir(folder).relativeFilePath(it.next());
    paths.sort();
    return paths;
}

} // namespace

class TestTempFileManager : public QObject
{
    Q_OBJECT
    QTemporaryDir tmp_;

private slots:
    void tempFileName()
    {
        const QString name = TempFileManager::getTempFileName("eml");
        const QDateTime stamp = QDateTime::fromString(name, "yyyyMMddhhmmss'.eml'");
        QVERIFY2(stamp.isValid() && qAbs(stamp.secsTo(QDateTime::currentDateTime())) <= 1, qPrintable(name));
    }

    // writeFileMakeDir into new folders, then writeFile over a longer file. Base64 is decoded loosely, as pages send
    // it: padding optional, line breaks skipped, only what follows the last comma of a data: URL.
    void write_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<bool>("isBase64");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("text") << "Gr\u00fc\u00dfe\nline 2\n" << false << QByteArray("Gr\xc3\xbc\xc3\x9f" "e\nline 2\n");
        QTest::newRow("empty text") << QString() << false << QByteArray();
        QTest::newRow("base64: alphabet ends, NUL") << "+/8AZm8=" << true << QByteArray("\xfb\xff\x00" "fo", 5);
        QTest::newRow("data URL without type") << "data:,Zm9v" << true << QByteArray("foo");
        QTest::newRow("data URL, last comma") << "data:text/plain;name=a,b.txt;base64,SGk=" << true << QByteArray("Hi");
        QTest::newRow("line breaks") << "Zm9v\r\nYmFy\n" << true << QByteArray("foobar");
        QTest::newRow("missing padding") << "Zm9vYg" << true << QByteArray("foob");
        QTest::newRow("comma without data: prefix") << "Zm9v,YmFy" << true << QByteArray("foobar");
    }
    void write()
    {
        QFETCH(QString, content);
        QFETCH(bool, isBase64);
        QFETCH(QByteArray, expected);
        const QString dir = tmp_.filePath(QStringLiteral("new/") + QTest::currentDataTag());
        const QString path = TempFileManager::writeFileMakeDir(dir, "out.dat", content, isBase64);
        QCOMPARE(path, dir + "/out.dat");
        QCOMPARE(readBytes(path), expected);
        // Readable by the owner alone, whatever the umask lets through.
        QCOMPARE(modeOf(path), 0600);
        QVERIFY(writeFile(path, QByteArray(100, 'z')) && QFile::setPermissions(path, QFile::Permissions(0x7755)));
        QVERIFY(TempFileManager::writeFile(path, content, isBase64));
        QCOMPARE(readBytes(path), expected);
        QCOMPARE(modeOf(path), 0600);
        // The mode is set before the first byte goes in, on a new file and on an emptied one.
        const QString fresh = dir + "/fresh.dat";
        for (const QString& target : {fresh, fresh}) {
            if (QFileInfo::exists(target))
                QVERIFY(QFile::setPermissions(target, QFile::Permissions(0x7777)));
            int modeBefore = -1;
            qint64 sizeBefore = -1;
            QVERIFY(TempFileManager::writeFile(target, !isBase64, [&](QIODevice& file) {
                modeBefore = modeOf(target);
                sizeBefore = QFileInfo(target).size();
                return file.write("older, longer text") == 18;
            }));
            QCOMPARE(modeBefore, 0600);
            QCOMPARE(sizeBefore, 0);
        }
        QVERIFY(!TempFileManager::writeFile(tmp_.filePath("no/such/f.txt"), content, isBase64));
        // An empty folder name would mean the working folder.
        QVERIFY(writeFile(tmp_.filePath("plainfile"), "x"));
        for (const QString& bad : {QString(""), tmp_.filePath("plainfile/sub")})
            QVERIFY(TempFileManager::writeFileMakeDir(bad, "out.dat", content, isBase64).isNull());
        if (!content.isEmpty() && QFileInfo::exists("/dev/full"))
            QVERIFY(!TempFileManager::writeFile("/dev/full", content, isBase64));
    }

    void toBase64()
    {
        QCOMPARE(Base64::toBase64(QByteArray("\xfb\xff\x00" "fo", 5)), QString("+/8AZm8="));
    }

    // Files go, hidden ones and dangling links too; folders and what they hold stay.
    void deleteAllNow()
    {
        QTemporaryDir dir;
        const QStringList kept = {"sub/kept.txt", "sub/.hidden", ".hiddenDir/kept"};
        for (const QString& name : kept + QStringList{"a.txt", ".hidden"})
            QVERIFY(writeFile(dir.filePath(name), "x"));
        QVERIFY(QFile::link(dir.filePath("nowhere"), dir.filePath("dangling")));
        // An empty name would mean the working folder: nothing goes.
        const QString savedCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        TempFileManager::deleteAllNow("");
        QDir::setCurrent(savedCwd);
        QVERIFY(QFileInfo::exists(dir.filePath("a.txt")));
        // The constructor empties the folder it is given.
        { TempFileManager clean(nullptr, dir.path()); }
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList({".hiddenDir", "sub"}));
        for (const QString& name : kept)
            QVERIFY2(QFileInfo::exists(dir.filePath(name)), qPrintable(name));
    }

    // A new file's name is the time's, numbered where a file, a folder or a
    // link already has it; what has the name keeps its bytes.
    void newFile_data()
    {
        QTest::addColumn<QStringList>("taken"); // "%1" stands for the time's name; "@" a link to outside.txt, "/" a folder
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << QStringList() << "%1.eml";
        QTest::newRow("taken") << QStringList{"%1.eml"} << "%1-2.eml";
        QTest::newRow("two taken") << QStringList{"%1.eml", "%1-2.eml"} << "%1-3.eml";
        QTest::newRow("gap in the numbers") << QStringList{"%1.eml", "%1-3.eml"} << "%1-2.eml";
        QTest::newRow("link and folder") << QStringList{"@%1.eml", "/%1-2.eml"} << "%1-3.eml";
        QTest::newRow("other extension") << QStringList{"%1.sh"} << "%1.eml";
    }
    void newFile()
    {
        QFETCH(QStringList, taken);
        QFETCH(QString, expected);
        const QString dir = tmp_.filePath(QStringLiteral("unused/") + QTest::currentDataTag());
        QString stamp;
        QString path;
        // Made again when the clock passes a second meanwhile.
        do {
            QDir(dir).removeRecursively();
            QVERIFY(QDir().mkpath(dir) && writeFile(dir + "/outside.txt", "waiting"));
            stamp = TempFileManager::getTempFileName("eml").chopped(4);
            for (const QString& name : taken) {
                if (name.startsWith('@'))
                    QVERIFY(QFile::link(dir + "/outside.txt", dir + "/" + name.mid(1).arg(stamp)));
                else if (name.startsWith('/'))
                    QVERIFY(QDir().mkpath(dir + name.arg(stamp)));
                else
                    QVERIFY(writeFile(dir + "/" + name.arg(stamp), "waiting"));
            }
            path = TempFileManager::createNewFile(dir, "eml", "new mail", false);
        } while (TempFileManager::getTempFileName("eml").chopped(4) != stamp);
        QCOMPARE(path, dir + "/" + expected.arg(stamp));
        QCOMPARE(readBytes(path), QByteArray("new mail"));
        QCOMPARE(modeOf(path), 0600);
        for (const QString& name : taken + QStringList{"outside.txt"}) {
            if (!name.startsWith('/'))
                QCOMPARE(readBytes(dir + "/" + QString(name).remove('@').arg(stamp)), QByteArray("waiting"));
        }
        QVERIFY(TempFileManager::createNewFile("", "eml", "x", false).isNull());
    }

    // Only a taken name is worth another number: where the file cannot be
    // made or written for any other reason, every number would fail alike.
    // No file is returned, at once, and the folder fills with nothing.
    void newFileGivesUp_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("the writer fails") << "writer";
        QTest::newRow("a name too long for the file system") << "name";
        QTest::newRow("a folder its user may not write") << "folder";
    }
    void newFileGivesUp()
    {
        QFETCH(QString, failure);
        QTemporaryDir base;
        const QString dir = base.filePath("temp");
        QVERIFY(QDir().mkpath(dir));
        const auto unlock = qScopeGuard([&]() { ::chmod(QFile::encodeName(dir).constData(), 0700); });
        const bool asUser = failure == "folder" && ::geteuid() == 0;
        const struct passwd* nobody = asUser ? ::getpwnam("nobody") : nullptr;
        if (asUser) {
            QVERIFY2(nobody, "no user named nobody to write as");
            for (const QString& path : {base.path(), dir})
                QVERIFY(::chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
        }
        if (failure == "folder")
            QVERIFY(::chmod(QFile::encodeName(dir).constData(), 0500) == 0);
        const QString extension = failure == "name" ? QString(NAME_MAX, QLatin1Char('x')) : QStringLiteral("eml");
        const int code = exitCodeInChild([&]() {
            if (asUser && !becomeUser(nobody->pw_uid, nobody->pw_gid))
                return CHILD_NO_USER;
            const QString path = TempFileManager::createNewFile(dir, extension, true, [&failure](QIODevice& file) {
                return failure != "writer" && file.write("new mail") == 8;
            });
            return path.isNull() ? 0 : 1;
        });
        QVERIFY2(code != CHILD_NO_USER, "cannot become an unprivileged user");
        QVERIFY2(code >= 0, "createNewFile never returned");
        QCOMPARE(code, 0);
        // The failed writer's file, at most.
        QVERIFY(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size() <= (failure == "writer" ? 1 : 0));
    }

    // Processes writing new files into one folder at once each get a file of
    // their own: none writes over another's.
    void newFilesFromProcesses()
    {
        QTemporaryDir dir;
        const int processes = 6;
        const int filesEach = 30;
        QList<pid_t> children;
        for (int p = 0; p < processes; ++p) {
            const pid_t child = ::fork();
            if (child == 0) {
                int failed = 0;
                for (int i = 0; i < filesEach; ++i) {
                    const QString mark = QStringLiteral("%1-%2").arg(p).arg(i);
                    failed += TempFileManager::createNewFile(dir.path(), "eml", mark, false).isNull();
                }
                ::_exit(failed);
            }
            QVERIFY(child > 0);
            children << child;
        }
        for (const pid_t child : children) {
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        QSet<QByteArray> marks;
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
            marks << readBytes(dir.filePath(name));
        QCOMPARE(marks.size(), processes * filesEach);
    }

    // A write never goes through a link at the path: it fails, and what the
    // link points to keeps its bytes and mode, or is never made.
    void writeAtLink()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("outside/precious.txt");
        QVERIFY(writeFile(target, "precious") && QFile::setPermissions(target, QFile::Permissions(0x6644)));
        QVERIFY(QDir().mkpath(dir.filePath("temp")));
        QVERIFY(QFile::link(target, dir.filePath("temp/planted.eml")));
        QVERIFY(QFile::link(dir.filePath("outside/new.txt"), dir.filePath("temp/dangling.eml")));
        for (const char* name : {"planted.eml", "dangling.eml"}) {
            QVERIFY(!TempFileManager::writeFile(dir.filePath("temp/") + name, "mail text", false));
            QVERIFY(TempFileManager::writeFileMakeDir(dir.filePath("temp"), name, "mail text", false).isNull());
        }
        QCOMPARE(readBytes(target), QByteArray("precious"));
        QCOMPARE(modeOf(target), 0644);
        QVERIFY(!QFileInfo::exists(dir.filePath("outside/new.txt")));
    }

    // A request's folder is named by the time, numbered where anything has
    // the name already, and private whatever the umask lets through.
    void requestFolder_data()
    {
        QTest::addColumn<QStringList>("taken"); // "%1" the time's name; "@" a dangling link, "/" a folder, "~" a link to one
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("umask");
        QTest::newRow("free") << QStringList() << "%1" << 022;
        QTest::newRow("taken by a folder") << QStringList{"/%1"} << "%1-2" << 022;
        QTest::newRow("taken by a file") << QStringList{"%1"} << "%1-2" << 022;
        QTest::newRow("taken by a dangling link") << QStringList{"@%1"} << "%1-2" << 022;
        QTest::newRow("taken by a link to a folder") << QStringList{"~%1"} << "%1-2" << 022;
        QTest::newRow("two taken") << QStringList{"/%1", "@%1-2"} << "%1-3" << 022;
        QTest::newRow("files of the name's start") << QStringList{"%1.eml", "%1.sh"} << "%1" << 022;
        QTest::newRow("strict umask") << QStringList() << "%1" << 0277;
        QTest::newRow("no umask") << QStringList() << "%1" << 0;
    }
    void requestFolder()
    {
        QFETCH(QStringList, taken);
        QFETCH(QString, expected);
        QFETCH(int, umask);
        const QString dir = tmp_.filePath(QStringLiteral("request/") + QTest::currentDataTag());
        const QString linked = tmp_.filePath(QStringLiteral("linked/") + QTest::currentDataTag());
        QString stamp;
        QString path;
        // Made again when the clock passes a second meanwhile.
        do {
            QDir(dir).removeRecursively();
            QVERIFY(QDir().mkpath(dir) && QDir().mkpath(linked));
            stamp = TempFileManager::getTempFileName("eml").chopped(4);
            for (const QString& name : taken) {
                const QString at = dir + "/" + name.mid(1).arg(stamp);
                if (name.startsWith('@'))
                    QVERIFY(QFile::link(dir + "/nowhere", at));
                else if (name.startsWith('~'))
                    QVERIFY(QFile::link(linked, at));
                else if (name.startsWith('/'))
                    QVERIFY(QDir().mkpath(at));
                else
                    QVERIFY(writeFile(dir + "/" + name.arg(stamp), "waiting"));
            }
            const mode_t saved = ::umask(mode_t(umask));
            path = TempFileManager::makeRequestFolder(dir);
            ::umask(saved);
        } while (TempFileManager::getTempFileName("eml").chopped(4) != stamp);
        QCOMPARE(path, dir + "/" + expected.arg(stamp));
        QVERIFY(QFileInfo(path).isDir() && !QFileInfo(path).isSymLink());
        QCOMPARE(modeOf(path), 0700);
        QVERIFY(TempFileManager::isRequestFolderName(QFileInfo(path).fileName()));
        QCOMPARE(QDir(linked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(TempFileManager::makeRequestFolder("").isNull());
    }

    void requestFolderName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isRequestFolder");
        QTest::newRow("time") << "20260105093001" << true;
        QTest::newRow("numbered") << "20260105093001-2" << true;
        QTest::newRow("numbered high") << "20260105093001-123" << true;
        QTest::newRow("digit short") << "2026010509300" << false;
        QTest::newRow("digit long") << "202601050930011" << false;
        QTest::newRow("no number") << "20260105093001-" << false;
        QTest::newRow("letters") << "20260105093001-a" << false;
        QTest::newRow("extension") << "20260105093001.eml" << false;
        QTest::newRow("other") << "attachments" << false;
        QTest::newRow("line end") << "20260105093001\n" << false;
        QTest::newRow("numbered, line end") << "20260105093001-2\n" << false;
    }
    void requestFolderName()
    {
        QFETCH(QString, name);
        QFETCH(bool, isRequestFolder);
        QCOMPARE(TempFileManager::isRequestFolderName(name), isRequestFolder);
    }

    // Request folders made before the limit go with all they hold; links of
    // their form go as links, whatever they point to; every other entry stays.
    void removeRequestFolders_data()
    {
        QTest::addColumn<int>("bornBeforeSecs"); // from now
        QTest::addColumn<bool>("removed");
        QTest::newRow("made before the limit") << 60 << true;
        QTest::newRow("made after the limit") << -60 << false;
    }
    void removeRequestFolders()
    {
        QFETCH(int, bornBeforeSecs);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        const QStringList requestFolders = {"20260105093001", "20260105093001-2"};
        const QStringList others = {"kept", "2026010509300", "20260105093001.d", "20260105093002"};
        for (const QString& name : requestFolders + QStringList{"kept", "2026010509300", "20260105093001.d"})
            QVERIFY(writeFile(dir.filePath(name + "/sub/invoice.txt"), "x"));
        QVERIFY(writeFile(dir.filePath("20260105093002"), "a file of the form"));
        QVERIFY(writeFile(dir.filePath("outside/precious.txt"), "kept"));
        QVERIFY(QFile::link(dir.filePath("outside"), dir.filePath("20260105093001/link")));
        QVERIFY(QFile::link(dir.filePath("outside"), dir.filePath("20260105093003")));
        QVERIFY(QFile::link(dir.filePath("nowhere"), dir.filePath("20260105093004")));
        QVERIFY(QFile::link(dir.filePath("outside/precious.txt"), dir.filePath("20260105093005")));
        // An empty name would mean the working folder: nothing goes.
        const QStringList before = treeOf(dir.path());
        const QString savedCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        TempFileManager::removeRequestFolders("", QDateTime::currentDateTime().addDays(1));
        TempFileManager::removeStaleRequestFolders("");
        QDir::setCurrent(savedCwd);
        QCOMPARE(treeOf(dir.path()), before);
        TempFileManager::removeRequestFolders(dir.path(), QDateTime::currentDateTime().addSecs(bornBeforeSecs));
        QStringList expected = others + QStringList{"outside"} + (removed ? QStringList() : requestFolders);
        expected.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name), expected);
        QCOMPARE(readBytes(dir.filePath("outside/precious.txt")), QByteArray("kept"));
        QCOMPARE(readBytes(dir.filePath("kept/sub/invoice.txt")), QByteArray("x"));
        // A fresh folder is far from a day old.
        TempFileManager::removeStaleRequestFolders(dir.path());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name), expected);
    }

    // A request folder goes without a link in it being followed or a mode
    // being changed to make room. Root may remove anything, so the removal
    // runs as a user who may not remove all: a link in a folder without
    // write permission then stays, with the folders that hold it, and what
    // it points to keeps its mode and bytes; everything else goes, an empty
    // folder the user may not read included.
    void removeWithoutFollowing_data()
    {
        QTest::addColumn<bool>("targetIsFolder");
        QTest::addColumn<int>("targetMode");
        QTest::newRow("read-only file") << false << 0444;
        QTest::newRow("writable file") << false << 0644;
        QTest::newRow("read-only folder") << true << 0555;
    }
    void removeWithoutFollowing()
    {
        QFETCH(bool, targetIsFolder);
        QFETCH(int, targetMode);
        QTemporaryDir base;
        const QString dir = base.filePath("temp");
        const QString request = dir + "/20260105093001";
        const QString locked = request + "/locked";
        const QString unreadable = dir + "/20260105093002/unreadable";
        const QString target = base.filePath(targetIsFolder ? "outside" : "outside.txt");
        const QString precious = targetIsFolder ? target + "/precious.txt" : target;
        // Whatever fails below, the folders are left such that they can go.
        const auto unlock = qScopeGuard([&]() {
            ::chmod(QFile::encodeName(locked).constData(), 0700);
            ::chmod(QFile::encodeName(unreadable).constData(), 0700);
            ::chmod(QFile::encodeName(target).constData(), targetIsFolder ? 0700 : 0600);
        });
        QVERIFY(writeFile(precious, "precious"));
        QVERIFY(writeFile(request + "/loose.txt", "x") && writeFile(request + "/open/inner.txt", "x"));
        QVERIFY(QDir().mkpath(locked) && QFile::link(target, locked + "/link") && QDir().mkpath(unreadable));
        uid_t uid = ::getuid();
        gid_t gid = ::getgid();
        const bool asRoot = ::geteuid() == 0;
        if (asRoot) {
            const struct passwd* nobody = ::getpwnam("nobody");
            QVERIFY2(nobody, "no user named nobody to remove as");
            uid = nobody->pw_uid;
            gid = nobody->pw_gid;
            QStringList owned = {base.path(), dir, request, target, precious, unreadable, dir + "/20260105093002"};
            for (const QString& below : treeOf(request))
                owned << request + "/" + below;
            for (const QString& path : owned)
                QVERIFY2(::lchown(QFile::encodeName(path).constData(), uid, gid) == 0, qPrintable(path));
        }
        QVERIFY(::chmod(QFile::encodeName(target).constData(), mode_t(targetMode)) == 0);
        QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0555) == 0);
        QVERIFY(::chmod(QFile::encodeName(unreadable).constData(), 0300) == 0);
        const int code = exitCodeInChild([&]() {
            if (asRoot && !becomeUser(uid, gid))
                return CHILD_NO_USER;
            if (!QFileInfo(request).isDir())
                return CHILD_OUT_OF_REACH;
            TempFileManager::removeRequestFolders(dir, QDateTime::currentDateTime().addSecs(60));
            return 0;
        });
        QVERIFY2(code != CHILD_NO_USER, "cannot become an unprivileged user");
        QVERIFY2(code != CHILD_OUT_OF_REACH, qPrintable("an unprivileged user cannot reach " + request));
        QCOMPARE(code, 0);
        QCOMPARE(QString::number(modeOf(target), 8), QString::number(targetMode, 8));
        QCOMPARE(readBytes(precious), QByteArray("precious"));
        QCOMPARE(treeOf(dir), QStringList({"20260105093001", "20260105093001/locked", "20260105093001/locked/link"}));
        QVERIFY(QFileInfo(locked + "/link").isSymLink());
    }

    // A folder whose path would pass PATH_MAX cannot be made: no folder is
    // returned, at once, whatever numbers there are left to try.
    void requestFolderPathLength_data()
    {
        QTest::addColumn<int>("dirLength"); // the folder's path adds "/" and 14 digits
        QTest::addColumn<bool>("made");
        QTest::newRow("folder path at PATH_MAX - 1") << PATH_MAX - 16 << true;
        QTest::newRow("folder path at PATH_MAX") << PATH_MAX - 15 << false;
        QTest::newRow("in the longest folder path there can be") << PATH_MAX - 1 << false;
    }
    void requestFolderPathLength()
    {
        QFETCH(int, dirLength);
        QFETCH(bool, made);
        // No part of a path may pass NAME_MAX: many parts make it long.
        QString dir = tmp_.filePath(QStringLiteral("long%1").arg(dirLength));
        while (dirLength - dir.size() > 202)
            dir += QLatin1Char('/') + QString(200, QLatin1Char('d'));
        dir += QLatin1Char('/') + QString(dirLength - dir.size() - 1, QLatin1Char('e'));
        QCOMPARE(dir.size(), dirLength);
        QVERIFY(QDir().mkpath(dir));
        const int code = exitCodeInChild([&dir]() {
            const QString path = TempFileManager::makeRequestFolder(dir);
            if (path.isNull())
                return 0;
            return QFileInfo(path).isDir() && QFileInfo(path).path() == dir ? 1 : 2;
        });
        QVERIFY2(code >= 0, "makeRequestFolder never returned");
        QCOMPARE(code, made ? 1 : 0);
    }

    // Emptying the folder spares the files queued for the collection that
    // are not yet 5 s old; the collection takes them.
    void deleteAllNowButRecentlyQueued()
    {
        QTemporaryDir dir;
        TempFileManager manager(nullptr, QString());
        for (const char* name : {"old-queued.eml", "unqueued.eml", "sub/kept.txt"})
            QVERIFY(writeFile(dir.filePath(name), "x"));
        manager.deleteFileLater(dir.filePath("old-queued.eml"));
        // No event loop meanwhile: the collection must not run before the emptying.
        QTest::qSleep(5100);
        QVERIFY(writeFile(dir.filePath("young-queued.eml"), "x"));
        QVERIFY(writeFile(dir.filePath("young.eml"), "x"));
        manager.deleteFileLater(dir.filePath("young-queued.eml"));
        manager.deleteFileLater(dir.filePath("../elsewhere/young.eml"));
        manager.deleteAllNowButRecentlyQueued(dir.path() + "/./");
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"sub", "young-queued.eml"}));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(dir.filePath("young-queued.eml")), 11000);
    }

    // Collections run every 5 s and take files at least 5 s old.
    void deleteFileLater()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath("first.sh");
        const QString young = dir.filePath("young.eml");
        QVERIFY(writeFile(first, "x"));
        TempFileManager manager(nullptr, QString());
        manager.deleteFileLater(first);
        manager.deleteFileLater(dir.filePath("never-existed"));
        QTest::qWait(1000);
        QVERIFY(QFileInfo::exists(first));
        QVERIFY(writeFile(young, "x"));
        manager.deleteFileLater(young);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(first), 6000);
        // Only 4 s old at the first collection, it waits for the next one.
        QTest::qWait(3000);
        QVERIFY(QFileInfo::exists(young));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(young), 5000);
    }
};

QTEST_GUILESS_MAIN(TestTempFileManager)
#include "tst_TempFileManager.moc"
