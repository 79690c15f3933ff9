#include "core/TempFileManager.h"

#include "common/TestFiles.h"

#include <QtTest>

class TestTempFileManager : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp_;

private slots:
    void tempFileName()
    {
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        const QString name = TempFileManager::getTempFileName("eml");
        QVERIFY2(QRegularExpression("^\\d{14}\\.eml$").match(name).hasMatch(), qPrintable(name));
        const QDateTime stamp = QDateTime::fromString(name.left(14), "yyyyMMddhhmmss");
        QVERIFY(stamp >= before && stamp <= QDateTime::currentDateTime());
    }

    void verifiedPath_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<bool>("valid");
        QVERIFY(writeFile(tmp_.filePath("plainfile"), "x"));
        QTest::newRow("missing parents") << tmp_.filePath("a/b/c") << true;
        QTest::newRow("empty") << QString("") << false;
        QTest::newRow("null") << QString() << false;
        QTest::newRow("below a file") << tmp_.filePath("plainfile/sub") << false;
    }

    void verifiedPath()
    {
        QFETCH(QString, dir);
        QFETCH(bool, valid);
        const QString path = TempFileManager::toVerifiedPath(dir, "n.txt");
        QCOMPARE(path, valid ? QDir(dir).absoluteFilePath("n.txt") : QString());
        QCOMPARE(path.isNull(), !valid);
        QCOMPARE(QFileInfo(dir).isDir(), valid);
    }

    // writeFileMakeDir into new folders, then writeFile over a longer file.
    void write_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<bool>("isBase64");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("text") << "Gr\u00fc\u00dfe\nline 2\n" << false << QByteArray("Gr\xc3\xbc\xc3\x9f" "e\nline 2\n");
        QTest::newRow("empty text") << QString() << false << QByteArray();
        QTest::newRow("base64") << "AAEC/w==" << true << QByteArray("\x00\x01\x02\xff", 4);
        QTest::newRow("data URL") << "data:text/plain;charset=x,y;base64,Zm9vYmFy" << true << QByteArray("foobar");
    }

    void write()
    {
        QFETCH(QString, content);
        QFETCH(bool, isBase64);
        QFETCH(QByteArray, expected);
        const QString dir = tmp_.filePath(QStringLiteral("make/") + QTest::currentDataTag());
        const QString path = TempFileManager::writeFileMakeDir(dir, "out.dat", content, isBase64);
        QCOMPARE(path, QDir(dir).absoluteFilePath("out.dat"));
        QCOMPARE(readBytes(path), expected);
        QVERIFY(writeFile(path, QByteArray(100, 'z')));
        QVERIFY(TempFileManager::writeFile(path, content, isBase64));
        QCOMPARE(readBytes(path), expected);

        const QString noFolder = tmp_.filePath("no/such/f.txt");
        QVERIFY(!TempFileManager::writeFile(noFolder, content, isBase64));
        QVERIFY(!QFileInfo::exists(noFolder));
        QVERIFY(TempFileManager::writeFileMakeDir("", "out.dat", content, isBase64).isNull());
        // A full disk shows only when the buffered bytes are flushed.
        if (!content.isEmpty() && QFileInfo::exists("/dev/full"))
            QVERIFY(!TempFileManager::writeFile("/dev/full", content, isBase64));
    }

    void deleteAllNow()
    {
        QTemporaryDir dir;
        QDir folder(dir.path());
        for (const char* name : {"a.txt", ".hidden", "sub/kept.txt", "sub/.hidden", ".hiddenDir/kept"})
            QVERIFY(writeFile(folder.filePath(name), "x"));
        QVERIFY(QFile::link(folder.filePath("nowhere"), folder.filePath("dangling")));
        TempFileManager::deleteAllNow(dir.path());
        QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name),
                 QStringList({".hiddenDir", "sub"}));
        for (const char* name : {"sub/kept.txt", "sub/.hidden", ".hiddenDir/kept"})
            QVERIFY2(QFileInfo::exists(folder.filePath(name)), name);

        // The constructor empties the folder it is given.
        QVERIFY(writeFile(folder.filePath("old.eml"), "x"));
        { TempFileManager keep(nullptr, QString()); }
        QVERIFY(QFileInfo::exists(folder.filePath("old.eml")));
        { TempFileManager clean(this, dir.path()); }
        QVERIFY(!QFileInfo::exists(folder.filePath("old.eml")));

        // An empty name would mean the working folder: nothing goes.
        const QString savedCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.filePath("sub")));
        TempFileManager::deleteAllNow("");
        TempFileManager::deleteAllNow(QString());
        TempFileManager::deleteAllNow(folder.filePath("missing"));
        QDir::setCurrent(savedCwd);
        QVERIFY(QFileInfo::exists(folder.filePath("sub/kept.txt")));
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
        QTest::qWait(3000);
        QVERIFY(QFileInfo::exists(first));
        QVERIFY(writeFile(young, "x"));
        manager.deleteFileLater(young);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(first), 4000);
        QVERIFY(QFileInfo::exists(young));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(young), 7000);
    }
};

QTEST_GUILESS_MAIN(TestTempFileManager)
#include "tst_TempFileManager.moc"
