#include "common/TestFiles.h"
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

    QTemporaryDir tmp_;

private slots:
    void cleanupTestCase() { MimeTypeMap::resetToBuiltIn(); }

    // A query "type extension" asks the two-argument form; a file name, the path form.
    void isBinary_data()
    {
        QTest::addColumn<int>("table");
        QTest::addColumn<QString>("query");
        for (const char* name : {"notes.txt", "README", "blob.unknownext"})
            QVERIFY(writeFile(tmp_.filePath(name), name[0] == 'b' ? QByteArray(4096, '\x01') : QByteArray("plain words\n")));
        const char* tables[] = {"built-in", "10000 extensions", "10000 rows of text/plain"};
        for (int table = 0; table < 3; ++table) {
            for (const char* query : {"text/plain txt", "text/plain zzz", "image/png png", "application/json json",
                                      "notes.txt", "README", "blob.unknownext"})
                QTest::addRow("%s: %s", tables[table], query) << table << QString(query);
        }
    }

    void isBinary()
    {
        QFETCH(int, table);
        QFETCH(QString, query);
        MimeTypeMap::resetToBuiltIn();
        for (int i = 0; i < 10000 && table > 0; ++i) {
            if (table == 1)
                MimeTypeMap::add(QString("ext%1").arg(i), i % 2 == 0);
            else
                MimeTypeMap::add("text/plain", QString("ext%1").arg(i), i % 2 == 0, false);
        }
        const QStringList parts = query.split(' ');
        const QString path = tmp_.filePath(query);
        bool sink = false;
        if (parts.size() == 2) {
            QBENCHMARK { sink ^= MimeTypeMap::isBinary(parts.at(0), parts.at(1)); }
        } else {
            QBENCHMARK { sink ^= MimeTypeMap::isBinary(path); }
        }
        Q_UNUSED(sink);
    }
};

QTEST_GUILESS_MAIN(BenchMimeTypeMap)
#include "bench_mimetypemap.moc"
