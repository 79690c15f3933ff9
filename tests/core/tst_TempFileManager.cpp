#include "core/Base64.h"
#include "core/TempFileManager.h"

#include "common/TestFiles.h"

#include <QtTest>

#include <sys/stat.h>

namespace {

// The file's permission bits; -1 when there is no file.
int modeOf(const QString& path)
{
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
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

    // A new file's name is the time's, numbered where a file or a link already has it.
    void unusedPath_data()
    {
        QTest::addColumn<QStringList>("taken"); // "%1" stands for the time's name
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << QStringList() << "%1.eml";
        QTest::newRow("taken") << QStringList{"%1.eml"} << "%1-2.eml";
        QTest::newRow("two taken") << QStringList{"%1.eml", "%1-2.eml"} << "%1-3.eml";
        QTest::newRow("gap in the numbers") << QStringList{"%1.eml", "%1-3.eml"} << "%1-2.eml";
        QTest::newRow("dangling link") << QStringList{"@%1.eml"} << "%1-2.eml";
        QTest::newRow("other extension") << QStringList{"%1.sh"} << "%1.eml";
    }
    void unusedPath()
    {
        QFETCH(QStringList, taken);
        QFETCH(QString, expected);
        const QString dir = tmp_.filePath(QStringLiteral("unused/") + QTest::currentDataTag());
        QString stamp;
        QString path;
        // Made again when the clock passes a second meanwhile.
        do {
            QDir(dir).removeRecursively();
            QVERIFY(QDir().mkpath(dir));
            stamp = TempFileManager::getTempFileName("eml").chopped(4);
            for (const QString& name : taken) {
                if (name.startsWith('@'))
                    QVERIFY(QFile::link(dir + "/nowhere", dir + "/" + name.mid(1).arg(stamp)));
                else
                    QVERIFY(writeFile(dir + "/" + name.arg(stamp), "waiting"));
            }
            path = TempFileManager::toUnusedPath(dir, "eml");
        } while (TempFileManager::getTempFileName("eml").chopped(4) != stamp);
        QCOMPARE(path, dir + "/" + expected.arg(stamp));
        QVERIFY(!QFileInfo(path).exists());
        QVERIFY(TempFileManager::toUnusedPath("", "eml").isNull());
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

    // Request folders go with all they hold, by their age or all of them;
    // links of their form go as links; every other entry stays.
    void removeRequestFolders_data()
    {
        QTest::addColumn<int>("bornBeforeSecs"); // from now; 0: all, whatever their age
        QTest::addColumn<bool>("removed");
        QTest::newRow("all") << 0 << true;
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
        if (bornBeforeSecs == 0)
            TempFileManager::removeRequestFolders(dir.path());
        else
            TempFileManager::removeRequestFolders(dir.path(), QDateTime::currentDateTime().addSecs(bornBeforeSecs));
        QStringList expected = others + QStringList{"outside"} + (removed ? QStringList() : requestFolders);
        expected.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name), expected);
        QCOMPARE(readBytes(dir.filePath("outside/precious.txt")), QByteArray("kept"));
        QCOMPARE(readBytes(dir.filePath("kept/sub/invoice.txt")), QByteArray("x"));
        // A fresh folder is far from a day old.
        TempFileManager::removeStaleRequestFolders(dir.path());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name), expected);
        TempFileManager::removeRequestFolders("");
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
