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
        const QString name = TempFileManager::getTempFileName("eml");
        const QDateTime stamp = QDateTime::fromString(name, "yyyyMMddhhmmss'.eml'");
        QVERIFY2(name.size() == 18 && stamp.isValid() && qAbs(stamp.secsTo(QDateTime::currentDateTime())) <= 1,
                 qPrintable(name));
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
        const QString dir = tmp_.filePath(QStringLiteral("new/") + QTest::currentDataTag());
        const QString path = TempFileManager::writeFileMakeDir(dir, "out.dat", content, isBase64);
        QCOMPARE(path, dir + "/out.dat");
        QCOMPARE(readBytes(path), expected);
        QVERIFY(writeFile(path, QByteArray(100, 'z')));
        QVERIFY(TempFileManager::writeFile(path, content, isBase64));
        QCOMPARE(readBytes(path), expected);

        QVERIFY(!TempFileManager::writeFile(tmp_.filePath("no/such/f.txt"), content, isBase64));
        // An empty folder name would mean the working folder.
        QVERIFY(writeFile(tmp_.filePath("plainfile"), "x"));
        for (const QString& bad : {QString(""), tmp_.filePath("plainfile/sub")})
            QVERIFY(TempFileManager::writeFileMakeDir(bad, "out.dat", content, isBase64).isNull());
        // A full disk shows only when the buffered bytes are flushed.
        if (!content.isEmpty() && QFileInfo::exists("/dev/full"))
            QVERIFY(!TempFileManager::writeFile("/dev/full", content, isBase64));
    }

    // Files go, hidden ones and dangling links too; folders and what they hold stay.
    void deleteAllNow()
    {
        QTemporaryDir dir;
        QDir folder(dir.path());
        const QStringList kept = {"sub/kept.txt", "sub/.hidden", ".hiddenDir/kept"};
        for (const QString& name : kept + QStringList{"a.txt", ".hidden"})
            QVERIFY(writeFile(folder.filePath(name), "x"));
        QVERIFY(QFile::link(folder.filePath("nowhere"), folder.filePath("dangling")));
        // An empty name would mean the working folder: nothing goes.
        const QString savedCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        TempFileManager::deleteAllNow("");
        QDir::setCurrent(savedCwd);
        QVERIFY(QFileInfo::exists(folder.filePath("a.txt")));
        // The constructor empties the folder it is given.
        { TempFileManager clean(nullptr, dir.path()); }
        QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name),
                 QStringList({".hiddenDir", "sub"}));
        for (const QString& name : kept)
            QVERIFY2(QFileInfo::exists(folder.filePath(name)), qPrintable(name));
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
