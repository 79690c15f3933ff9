#include "common/TestFiles.h"
#include "mime/MimeTypeMap.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const int DECISIONS = 10000;
}

// Cost of registrations and of binary decisions as the table grows.
class BenchMimeTypeMap : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp_;
    int table_ = -1;  // the table the rows of isBinary last set up

private slots:
    void cleanupTestCase() { MimeTypeMap::resetToBuiltIn(); }

    // One decision with the built-in rows and with 10,000 registered rows:
    // spread over 10,000 types of their own (the page registering
    // extensions) or all under "text/plain". A query "type extension" asks
    // the two-argument form; a file name, the path form.
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
        // The table is set up once for all the rows that use it.
        if (table != table_) {
            MimeTypeMap::resetToBuiltIn();
            for (int i = 0; i < 10000 && table > 0; ++i) {
                if (table == 1)
                    MimeTypeMap::add(QString("ext%1").arg(i), i % 2 == 0);
                else
                    MimeTypeMap::add("text/plain", QString("ext%1").arg(i), i % 2 == 0, false);
            }
            table_ = table;
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

    // Registrations under one type, new rows and then the same rows again
    // (each replacing its own), and decisions over that type: for the newest
    // and the oldest registered row, a built-in row and an extension the type
    // has no row for.
    void registrations_data()
    {
        QTest::addColumn<int>("rows");
        for (int rows : {1000, 10000, 100000})
            QTest::addRow("%d rows", rows) << rows;
    }

    void registrations()
    {
        QFETCH(int, rows);
        const QString type = QStringLiteral("text/plain");
        QStringList extensions;
        for (int i = 0; i < rows; ++i)
            extensions << QStringLiteral("ext%1").arg(i);
        MimeTypeMap::resetToBuiltIn();
        table_ = -1;
        const int builtIn = MimeTypeMap::table().size();

        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < rows; ++i)
            MimeTypeMap::add(type, extensions.at(i), i % 2 == 0, false);
        const qint64 adding = timer.nsecsElapsed();
        QCOMPARE(MimeTypeMap::table().size(), builtIn + rows);
        timer.restart();
        for (int i = 0; i < rows; ++i)
            MimeTypeMap::add(type, extensions.at(i), i % 2 == 0, false);
        const qint64 replacing = timer.nsecsElapsed();
        QCOMPARE(MimeTypeMap::table().size(), builtIn + rows);

        const QStringList queries = {extensions.last(), extensions.first(), QStringLiteral("txt"), QStringLiteral("zzz")};
        bool sink = false;
        timer.restart();
        for (int i = 0; i < DECISIONS; ++i)
            sink ^= MimeTypeMap::isBinary(type, queries.at(i % queries.size()));
        const qint64 deciding = timer.nsecsElapsed();
        Q_UNUSED(sink);
        qInfo("%d rows under %s: %.3f us per new registration (%.1f ms in all), %.3f us per replacing one "
              "(%.1f ms in all), %.3f us per decision",
              rows, qPrintable(type), adding / 1e3 / rows, adding / 1e6, replacing / 1e3 / rows, replacing / 1e6,
              deciding / 1e3 / DECISIONS);
        MimeTypeMap::resetToBuiltIn();
    }
};

QTEST_GUILESS_MAIN(BenchMimeTypeMap)
#include "bench_mimetypemap.moc"
