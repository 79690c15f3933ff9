#include "common/TestFiles.h"
#include "mime/MimeTypeMap.h"

#include <QTemporaryDir>
#include <QtTest>

const QByteArray PNG_BYTES = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0", 29);

// The type's rows, newest first, as "extension flags": isBinary "b", isBinaryExplicit "e", isDefaultExtension "d".
static QStringList rowsOf(const QString& mimeType)
{
    QStringList rows;
    for (const MimeTypeInfo& row : MimeTypeMap::table().values(mimeType))
        rows << row.extension + ' ' + (row.isBinary ? "b" : "-") + (row.isBinaryExplicit ? "e" : "-")
                    + (row.isDefaultExtension ? "d" : "-");
    return rows;
}

class TstMimeTypeMap : public QObject
{
    Q_OBJECT

private slots:
    void init() { MimeTypeMap::resetToBuiltIn(); }

    void isBinaryImplict()
    {
        for (const char* type : {"text/plain", "application/rss+xml", "application/xml"})
            QVERIFY2(!MimeTypeInfo::isBinaryImplict(type), type);
        for (const char* type : {"Text/Plain", "application/xml-dtd", "image/png", ""})
            QVERIFY2(MimeTypeInfo::isBinaryImplict(type), type);
    }

    // After registering an extension alone (no type) or under a type: the decision for a type and an
    // extension, or without a type for a file of that name holding PNG bytes, typed by the system.
    void decision_data()
    {
        QTest::addColumn<QString>("addType");
        QTest::addColumn<QString>("addExtension"); // none when empty
        QTest::addColumn<bool>("addBinary");
        QTest::addColumn<QString>("mimeType");
        QTest::addColumn<QString>("extension"); // or the file name
        QTest::addColumn<bool>("binary");
        QTest::newRow("txt, built-in") << "" << "" << false << "text/plain" << "txt" << false;
        QTest::newRow("json registered as text") << "" << "json" << false << "application/json" << "json" << false;
        QTest::newRow("no extension, newest row decides") << "text/plain" << "md" << true << "text/plain" << "" << true;
        QTest::newRow("txt keeps its own row") << "text/plain" << "md" << true << "text/plain" << "txt" << false;
        QTest::newRow("txt registered as binary") << "" << "txt" << true << "text/plain" << "txt" << true;
        QTest::newRow("xml passed over in step 1") << "" << "" << false << "application/xml" << "xml" << false;
        QTest::newRow("xhtml, type without rows") << "" << "" << false << "application/xhtml+xml" << "xhtml" << true;
        QTest::newRow("type row for its type only") << "text/plain" << "md" << false << "text/markdown" << "md" << true;
        QTest::newRow("application/md row, alone") << "application/md" << "md" << false << "text/md" << "md" << false;
        // A file's extension is the last part of its name, lower-cased.
        QTest::newRow("A.B.JSON, json registered") << "" << "json" << false << "" << "A.B.JSON" << false;
        QTest::newRow("PHOTO.PNG, png registered as text") << "" << "png" << false << "" << "PHOTO.PNG" << false;
        QTest::newRow(".profile, profile registered") << "" << "profile" << false << "" << ".profile" << false;
        QTest::newRow("blank after the dot") << "" << " md" << false << "" << "notes. md" << false;
        QTest::newRow("dots in folder names play no part") << "" << "d" << false << "" << "backup.d/data" << true;
    }

    void decision()
    {
        QFETCH(QString, addType);
        QFETCH(QString, addExtension);
        QFETCH(bool, addBinary);
        QFETCH(QString, mimeType);
        QFETCH(QString, extension);
        QFETCH(bool, binary);
        if (!addExtension.isEmpty())
            QVERIFY(addType.isEmpty() ? MimeTypeMap::add(addExtension, addBinary)
                                             : MimeTypeMap::add(addType, addExtension, addBinary, false));
        QTemporaryDir dir;
        const QString file = dir.filePath(extension);
        if (mimeType.isEmpty())
            QVERIFY(writeFile(file, PNG_BYTES));
        QCOMPARE(mimeType.isEmpty() ? MimeTypeMap::isBinary(file) : MimeTypeMap::isBinary(mimeType, extension), binary);
    }

    void refusals()
    {
        const int rows = MimeTypeMap::table().size();
        for (const QString extension : {"", ".", "  . ", "\t.\n"}) {
            QVERIFY2(!MimeTypeMap::add(extension, false), qPrintable(extension));
            QVERIFY2(!MimeTypeMap::add("text/plain", extension), qPrintable(extension));
            QVERIFY2(!MimeTypeMap::add("text/plain", extension, false, true), qPrintable(extension));
        }
        QVERIFY(!MimeTypeMap::add(QString(), "md") && !MimeTypeMap::add(QString(), "md", false, true));
        QCOMPARE(MimeTypeMap::table().size(), rows);
    }

    // A bare extension goes under "application/" + its stored form; registered again, the new row replaces the old.
    void registerExtension()
    {
        const QStringList cases = {"json", "json", ".pdf", "pdf", "..", ".", " md ", " md ", "PDF", "PDF"};
        for (int i = 0; i < cases.size(); i += 2)
            for (bool binary : {false, true}) {
                QVERIFY(MimeTypeMap::add(cases.at(i), binary));
                QCOMPARE(rowsOf("application/" + cases[i + 1]), QStringList{cases[i + 1] + (binary ? " bed" : " -ed")});
            }
    }

    void registerPairsAndDefaultExtension()
    {
        // A copy of the table taken first keeps its rows; the table's own rows are still replaced.
        const auto builtIn = MimeTypeMap::table();
        const int builtInRows = builtIn.size();
        // An equal pair replaces the built-in row and goes first; built-in rows stand newest first.
        QVERIFY(MimeTypeMap::add("text/html", "htm", false, true));
        QCOMPARE(rowsOf("text/html").join(','), QString("htm -ed,shtml b--,htx b--,htmls b--,html b--,acgi b--"));
        // A key differing in case, a key of blanks, a key without "/": each a type of its own.
        for (const QString type : {"TEXT/HTML", "   ", "plain"}) {
            QVERIFY(MimeTypeMap::add(type, "htm", false, true));
            QCOMPARE(rowsOf(type), QStringList{"htm -ed"});
        }
        // A plain pair turns a registered row back to the built-in flags; two string literals are a pair too.
        QVERIFY(MimeTypeMap::add("text/plain", "txt", false, true));
        QVERIFY(MimeTypeMap::add("text/plain", QString("txt")));
        QVERIFY(MimeTypeMap::add("text/plain", "md"));
        // The default is the first marked row, else the first row; marks are kept.
        QCOMPARE(MimeTypeMap::defaultExtension("text/plain"), QString("md"));
        QVERIFY(MimeTypeMap::add("text/plain", "asc", false, true));
        QVERIFY(MimeTypeMap::add("text/plain", "nfo", false, true));
        QVERIFY(MimeTypeMap::add("text/plain", "zzz", false, false));
        QCOMPARE(rowsOf("text/plain").mid(0, 5), (QStringList{"zzz -e-", "nfo -ed", "asc -ed", "md b--", "txt b--"}));
        QCOMPARE(MimeTypeMap::defaultExtension("text/plain"), QString("nfo"));
        QCOMPARE(builtIn.size(), builtInRows);
    }

    void toExtension()
    {
        const QStringList cases = {"text/plain", "txt", "image/png", "x-png", "application/json", "json",
                                   "image/svg+xml", "???", "application/", "", "Application/json", "???"};
        for (int i = 0; i < cases.size(); i += 2)
            QCOMPARE(MimeTypeMap::toExtension(cases.at(i)), cases.at(i + 1));
    }

    // A file's type goes by name and content; an extension's by name only, whatever file "x.<extension>" holds.
    void toMimeType()
    {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QVERIFY(writeFile(dir.filePath("x.zzqq"), PNG_BYTES) && QDir::setCurrent(dir.path()));
        const QStringList types = {MimeTypeMap::mimeType("x.zzqq"), MimeTypeMap::toMimeType("zzqq"),
                                   MimeTypeMap::toMimeType("  .pdf \t")};
        QDir::setCurrent(previous);
        QCOMPARE(types, (QStringList{"image/png", "application/octet-stream", "application/pdf"}));
    }
};

QTEST_GUILESS_MAIN(TstMimeTypeMap)
#include "tst_mimetypemap.moc"
