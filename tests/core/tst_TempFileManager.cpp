#include "core/TempFileManager.h"

#include <QtTest>

namespace {

void makeFile(const QString& path, const QByteArray& bytes = QByteArray("x"))
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(bytes);
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The mail code uses the manager through a class of its own.
class DerivedManager : public TempFileManager
{
public:
    DerivedManager() : TempFileManager(nullptr, QString()) {}
};

} // namespace

class TestTempFileManager : public QObject
{
    Q_OBJECT

private slots:
    void tempFileName();
    void verifiedPath_data();
    void verifiedPath();
    void writeFile_data();
    void writeFile();
    void writeFileMakeDir_data();
    void writeFileMakeDir();
    void deleteAllNow();
    void constructorEmptiesFolder();
    void deleteFileLater();

private:
    QTemporaryDir tmp_;
};

void TestTempFileManager::tempFileName()
{
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const QString name = TempFileManager::getTempFileName(QStringLiteral("eml"));
    const QDateTime after = QDateTime::currentDateTime();
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{14}\\.eml$")).match(name).hasMatch(),
             qPrintable(name));
    const QDateTime stamp = QDateTime::fromString(name.left(14), QStringLiteral("yyyyMMddhhmmss"));
    QVERIFY(stamp >= before && stamp <= after);
    DerivedManager manager;
    QVERIFY(manager.getTempFileName(QStringLiteral("sh")).endsWith(QLatin1String(".sh")));
}

void TestTempFileManager::verifiedPath_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<bool>("valid");

    QVERIFY(tmp_.isValid());
    makeFile(tmp_.filePath(QStringLiteral("plainfile")));
    QTest::newRow("existing") << tmp_.path() << true;
    QTest::newRow("missing parents") << tmp_.filePath(QStringLiteral("a/b/c")) << true;
    QTest::newRow("empty") << QString(QLatin1String("")) << false;
    QTest::newRow("null") << QString() << false;
    QTest::newRow("below a file") << tmp_.filePath(QStringLiteral("plainfile/sub")) << false;
}

void TestTempFileManager::verifiedPath()
{
    QFETCH(QString, dir);
    QFETCH(bool, valid);
    const QString path = TempFileManager::toVerifiedPath(dir, QStringLiteral("n.txt"));
    if (!valid) {
        QVERIFY(path.isNull());
        return;
    }
    QCOMPARE(path, QDir(dir).absoluteFilePath(QStringLiteral("n.txt")));
    QVERIFY(QFileInfo(dir).isDir());
    QVERIFY(!QFileInfo::exists(path));
}

void TestTempFileManager::writeFile_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<bool>("isBase64");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("text") << QStringLiteral("Gr\u00fc\u00dfe\nline 2\n") << false
                          << QByteArray("Gr\xc3\xbc\xc3\x9f" "e\nline 2\n");
    QTest::newRow("empty text") << QString() << false << QByteArray();
    QTest::newRow("base64") << QStringLiteral("AAEC/w==") << true << QByteArray("\x00\x01\x02\xff", 4);
    QTest::newRow("base64 data URL") << QStringLiteral("data:image/png;base64,SGk=") << true
                                     << QByteArray("Hi");
}

void TestTempFileManager::writeFile()
{
    QFETCH(QString, content);
    QFETCH(bool, isBase64);
    QFETCH(QByteArray, expected);

    const QString path = tmp_.filePath(QStringLiteral("written.bin"));
    makeFile(path, QByteArray(100, 'z')); // an older, longer file is replaced
    QVERIFY(TempFileManager::writeFile(path, content, isBase64));
    QCOMPARE(readBytes(path), expected);

    const QString noFolder = tmp_.filePath(QStringLiteral("no/such/folder/f.txt"));
    QVERIFY(!TempFileManager::writeFile(noFolder, content, isBase64));
    QVERIFY(!QFileInfo::exists(noFolder));
}

void TestTempFileManager::writeFileMakeDir_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("content");
    QTest::addColumn<bool>("isBase64");
    QTest::addColumn<QByteArray>("expected");

    const QString deep = tmp_.filePath(QStringLiteral("make/dir/deep"));
    QTest::newRow("text into new folders") << deep << QStringLiteral("a\nb") << false << QByteArray("a\nb");
    QTest::newRow("data URL") << deep << QStringLiteral("data:text/plain;charset=x,y;base64,Zm9vYmFy")
                              << true << QByteArray("foobar");
    QTest::newRow("plain base64") << deep << QStringLiteral("Zm9v") << true << QByteArray("foo");
    QTest::newRow("empty folder") << QString(QLatin1String("")) << QStringLiteral("x") << false
                                  << QByteArray();
    QTest::newRow("null folder") << QString() << QStringLiteral("x") << false << QByteArray();
}

void TestTempFileManager::writeFileMakeDir()
{
    QFETCH(QString, dir);
    QFETCH(QString, content);
    QFETCH(bool, isBase64);
    QFETCH(QByteArray, expected);

    DerivedManager manager;
    const QString path = manager.writeFileMakeDir(dir, QStringLiteral("out.dat"), content, isBase64);
    if (dir.isEmpty()) {
        QVERIFY(path.isNull());
        return;
    }
    QCOMPARE(path, QDir(dir).absoluteFilePath(QStringLiteral("out.dat")));
    QCOMPARE(readBytes(path), expected);
}

void TestTempFileManager::deleteAllNow()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QDir folder(dir.path());
    QVERIFY(folder.mkpath(QStringLiteral("sub/.hiddenSub")));
    QVERIFY(folder.mkpath(QStringLiteral(".hiddenDir")));
    for (const char* name : {"a.txt", ".hidden", "b", "sub/kept.txt", "sub/.hiddenSub/kept", ".hiddenDir/kept"})
        makeFile(folder.filePath(QLatin1String(name)));
    QVERIFY(QFile::link(folder.filePath(QStringLiteral("nowhere")), folder.filePath(QStringLiteral("dangling"))));

    DerivedManager().deleteAllNow(dir.path());

    QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                              QDir::Name),
             QStringList({QStringLiteral(".hiddenDir"), QStringLiteral("sub")}));
    for (const char* name : {"sub/kept.txt", "sub/.hiddenSub/kept", ".hiddenDir/kept"})
        QVERIFY2(QFileInfo::exists(folder.filePath(QLatin1String(name))), name);

    // Neither a missing folder nor an empty name (which would mean the
    // working folder) removes anything.
    TempFileManager::deleteAllNow(folder.filePath(QStringLiteral("missing")));
    const QString savedCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.filePath(QStringLiteral("sub"))));
    TempFileManager::deleteAllNow(QString(QLatin1String("")));
    TempFileManager::deleteAllNow(QString());
    QDir::setCurrent(savedCwd);
    QVERIFY(QFileInfo::exists(folder.filePath(QStringLiteral("sub/kept.txt"))));
}

void TestTempFileManager::constructorEmptiesFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    makeFile(dir.filePath(QStringLiteral("old.eml")));
    { TempFileManager keep(nullptr, QString()); }
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("old.eml"))));
    { TempFileManager clean(this, dir.path()); }
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("old.eml"))));
}

void TestTempFileManager::deleteFileLater()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString first = dir.filePath(QStringLiteral("first.sh"));
    const QString young = dir.filePath(QStringLiteral("young.eml"));
    makeFile(first);

    DerivedManager manager;
    manager.deleteFileLater(first);
    manager.deleteFileLater(dir.filePath(QStringLiteral("never-existed")));
    QTest::qWait(3000);
    QVERIFY(QFileInfo::exists(first));

    // Queued 2 s before the collection, this file is too young to go with
    // the first; the next collection 5 s later takes it.
    makeFile(young);
    manager.deleteFileLater(young);
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(first), 4000);
    QVERIFY(QFileInfo::exists(young));
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(young), 7000);
}

QTEST_GUILESS_MAIN(TestTempFileManager)
#include "tst_TempFileManager.moc"
