#include "mime/MimeTypeMap.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Cost of one binary decision, with the built-in rows and with 10,000
// registered rows: spread over 10,000 types of their own (the page registering
// extensions) or all under "text/plain" (the longest walk over one type).
class BenchMimeTypeMap : public QObject
{
    Q_OBJECT

private:
    static void fill(const QString& table)
    {
        MimeTypeMap::resetToBuiltIn();
        if (table == QLatin1String("10000 extensions")) {
            for (int i = 0; i < 10000; ++i)
                MimeTypeMap::add(QStringLiteral("ext%1").arg(i), i % 2 == 0);
        } else if (table == QLatin1String("10000 rows of text/plain")) {
            for (int i = 0; i < 10000; ++i)
                MimeTypeMap::add(QStringLiteral("text/plain"), QStringLiteral("ext%1").arg(i), i % 2 == 0, false);
        }
    }


private slots:
    void cleanupTestCase() { MimeTypeMap::resetToBuiltIn(); }

    void isBinaryTypeAndExtension_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("mimeType");
        QTest::addColumn<QString>("extension");
        for (const char* table : {"built-in", "10000 extensions", "10000 rows of text/plain"}) {
            const QString t = QString::fromLatin1(table);
            QTest::addRow("%s: text/plain txt", table) << t << "text/plain" << "txt";
            QTest::addRow("%s: text/plain, no such row", table) << t << "text/plain" << "zzz";
            QTest::addRow("%s: image/png png", table) << t << "image/png" << "png";
            QTest::addRow("%s: type without rows", table) << t << "application/json" << "json";
        }
    }

    void isBinaryTypeAndExtension()
    {
        QFETCH(QString, table);
        QFETCH(QString, mimeType);
        QFETCH(QString, extension);
        fill(table);
        bool sink = false;
        QBENCHMARK {
            sink ^= MimeTypeMap::isBinary(mimeType, extension);
        }
        Q_UNUSED(sink);
    }

    void isBinaryPath_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        for (const char* table : {"built-in", "10000 extensions", "10000 rows of text/plain"}) {
            const QString t = QString::fromLatin1(table);
            QTest::addRow("%s: notes.txt", table) << t << "notes.txt" << QByteArray("plain words\n");
            QTest::addRow("%s: README", table) << t << "README" << QByteArray("plain words\n");
            QTest::addRow("%s: blob.unknownext", table) << t << "blob.unknownext" << QByteArray(4096, '\x01');
        }
    }

    void isBinaryPath()
    {
        QFETCH(QString, table);
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        fill(table);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(fileName);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        bool sink = false;
        QBENCHMARK {
            sink ^= MimeTypeMap::isBinary(path);
        }
        Q_UNUSED(sink);
    }
};

QTEST_GUILESS_MAIN(BenchMimeTypeMap)
#include "bench_mimetypemap.moc"
