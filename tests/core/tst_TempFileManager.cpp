#include "core/Base64.h"
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
        QVERIFY(writeFile(path, QByteArray(100, 'z')) && TempFileManager::writeFile(path, content, isBase64));
        QCOMPARE(readBytes(path), expected);
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
