#include "common/TestFiles.h"
#include "mime/MimeTypeMap.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray PNG_BYTES = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0", 29);

// The type's rows, newest first, as "extension flags": isBinary "b", isBinaryExplicit "e",
// isDefaultExtension "d", "-" when clear.
QStringList rowsOf(const QString& mimeType)
{
    QStringList rows;
    for (const MimeTypeInfo& row : MimeTypeMap::table().values(mimeType))
        rows << row.extension + ' ' + (row.isBinary ? "b" : "-") + (row.isBinaryExplicit ? "e" : "-")
                    + (row.isDefaultExtension ? "d" : "-");
    return rows;
}

} // namespace

class TstMimeTypeMap : public QObject
{
    Q_OBJECT

private slots:
    void init() { MimeTypeMap::resetToBuiltIn(); }
    void cleanupTestCase() { MimeTypeMap::resetToBuiltIn(); }

    void isBinaryImplict()
    {
        for (const char* type : {"text/plain", "application/rss+xml", "application/xml"})
            QVERIFY2(!MimeTypeInfo::isBinaryImplict(type), type);
        for (const char* type : {"Text/Plain", "application/xml-dtd", "image/png", ""})
            QVERIFY2(MimeTypeInfo::isBinaryImplict(type), type);
    }

    // The type as the system database would name it; a row without a type names a
    // file instead (PNG bytes), typed by the system, for the path form. A
    // registration names the extension alone (no type) or the extension under a type.
    void decision_data()
    {
        QTest::addColumn<QString>("registeredType");
        QTest::addColumn<QString>("registeredExtension"); // none when empty
        QTest::addColumn<bool>("registeredBinary");
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
        QTest::newRow("js, binary type with a row") << "" << "" << false << "application/x-javascript" << "js" << true;
        QTest::newRow("type row decides for its type only")
            << "text/plain" << "md" << false << "text/markdown" << "md" << true;
        QTest::newRow("type row under application/ext acts alone")
            << "application/md" << "md" << false << "text/x-markdown" << "md" << false;
        QTest::newRow("extension with a dot never matches") << "" << "tar.gz" << false << "application/gzip" << "gz" << true;
        // A file's extension is the last part of its name, lower-cased.
        QTest::newRow("a.JSON, json registered") << "" << "json" << false << "" << "a.JSON" << false;
        QTest::newRow("a.JSON, JSON registered") << "" << "JSON" << false << "" << "a.JSON" << true;
        QTest::newRow("A.B.TXT, txt registered as binary") << "" << "txt" << true << "" << "A.B.TXT" << true;
        QTest::newRow(".profile, profile registered") << "" << "profile" << false << "" << ".profile" << false;
        QTest::newRow("blank after the dot") << "" << " md" << false << "" << "notes. md" << false;
        QTest::newRow("dots in folder names play no part") << "" << "d" << false << "" << "backup.d/data" << true;
    }

    void decision()
    {
        QFETCH(QString, registeredType);
        QFETCH(QString, registeredExtension);
        QFETCH(bool, registeredBinary);
        QFETCH(QString, mimeType);
        QFETCH(QString, extension);
        QFETCH(bool, binary);
        if (!registeredType.isEmpty())
            QVERIFY(MimeTypeMap::add(registeredType, registeredExtension, registeredBinary, false));
        else if (!registeredExtension.isEmpty())
            QVERIFY(MimeTypeMap::add(registeredExtension, registeredBinary));
        if (!mimeType.isEmpty()) {
            QCOMPARE(MimeTypeMap::isBinary(mimeType, extension), binary);
            return;
        }
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(extension), PNG_BYTES));
        QCOMPARE(MimeTypeMap::isBinary(dir.filePath(extension)), binary);
    }

    void refusals()
    {
        const int rows = MimeTypeMap::table().size();
        for (const QString& extension : {QString(), QString(""), QString("."), QString("  . "), QString("\t.\n")})
            QVERIFY2(!MimeTypeMap::add(extension, false), qPrintable(extension));
        const QStringList pairs = {"text/plain", "", "text/plain", " .", "", "md", QString(), "md"};
        for (int i = 0; i < pairs.size(); i += 2) {
            QVERIFY(!MimeTypeMap::add(pairs.at(i), pairs.at(i + 1), false, true));
            QVERIFY(!MimeTypeMap::add(pairs.at(i), pairs.at(i + 1)));
        }
        QCOMPARE(MimeTypeMap::table().size(), rows);
    }

    // Registered twice under "application/" + extension: the second row replaces the first.
    void registerExtension_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::newRow("json, new") << "json" << "application/json" << "json";
        QTest::newRow(".pdf replaces built-in") << ".pdf" << "application/pdf" << "pdf";
        QTest::newRow("two dots keep one") << ".." << "application/." << ".";
        QTest::newRow("blanks kept") << " md " << "application/ md " << " md ";
        QTest::newRow("capitals") << "PDF" << "application/PDF" << "PDF";
    }

    void registerExtension()
    {
        QFETCH(QString, extension);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        for (bool binary : {false, true}) {
            QVERIFY(MimeTypeMap::add(extension, binary));
            QCOMPARE(rowsOf(key), QStringList{stored + (binary ? " bed" : " -ed")});
        }
    }

    void registerPairs()
    {
        // A copy of the table taken first keeps its rows; the table's own rows are still replaced.
        const auto builtIn = MimeTypeMap::table();
        const int builtInRows = builtIn.size();
        // An equal pair replaces the built-in row and goes first; built-in rows stand newest first.
        QVERIFY(MimeTypeMap::add("text/html", "htm", false, true));
        QCOMPARE(rowsOf("text/html"), (QStringList{"htm -ed", "shtml b--", "htx b--", "htmls b--", "html b--", "acgi b--"}));
        // A key differing in case, a key of blanks, a key without "/": all new.
        QVERIFY(MimeTypeMap::add("TEXT/HTML", "htm", false, true));
        QVERIFY(MimeTypeMap::add("   ", "x", false, true));
        QVERIFY(MimeTypeMap::add("plain", "x", false, true));
        QCOMPARE(rowsOf("TEXT/HTML") + rowsOf("   ") + rowsOf("plain"), (QStringList{"htm -ed", "x -ed", "x -ed"}));
        // A plain pair turns a registered row back to the built-in flags.
        QVERIFY(MimeTypeMap::add("text/x-notes", "nts", true, true));
        QVERIFY(MimeTypeMap::isBinary("text/x-notes", "nts"));
        QVERIFY(MimeTypeMap::add("text/x-notes", QString("nts")));
        QCOMPARE(rowsOf("text/x-notes"), QStringList{"nts b--"});
        QVERIFY(!MimeTypeMap::isBinary("text/x-notes", "nts"));
        // Two string literals register a pair, not the extension "text/plain".
        QVERIFY(MimeTypeMap::add("text/plain", "md"));
        QVERIFY(rowsOf("application/text/plain").isEmpty());
        QCOMPARE(rowsOf("text/plain").first(), QString("md b--"));
        QCOMPARE(builtIn.size(), builtInRows);
    }

    void defaultExtension()
    {
        QCOMPARE(MimeTypeMap::defaultExtension("text/plain"), QString("txt"));
        QCOMPARE(MimeTypeMap::defaultExtension("image/png"), QString("x-png"));
        QCOMPARE(MimeTypeMap::defaultExtension("application/json"), QString());
        QVERIFY(MimeTypeMap::add("json", false));
        QCOMPARE(MimeTypeMap::defaultExtension("application/json"), QString("json"));
        // Not marked, but first: it becomes the default while no row is marked.
        QVERIFY(MimeTypeMap::add("text/plain", "md", true, false));
        QCOMPARE(MimeTypeMap::defaultExtension("text/plain"), QString("md"));
        // Two marked rows: both keep the mark, the newer answers.
        QVERIFY(MimeTypeMap::add("text/plain", "asc", false, true));
        QVERIFY(MimeTypeMap::add("text/plain", "nfo", false, true));
        QVERIFY(MimeTypeMap::add("text/plain", "zzz", false, false));
        QCOMPARE(rowsOf("text/plain").mid(0, 4), (QStringList{"zzz -e-", "nfo -ed", "asc -ed", "md be-"}));
        QCOMPARE(MimeTypeMap::defaultExtension("text/plain"), QString("nfo"));
    }

    void toExtension()
    {
        const QStringList cases = {"text/plain", "txt", "application/json", "json", "image/svg+xml", "???",
                                   "application/", "", "Application/json", "???"};
        for (int i = 0; i < cases.size(); i += 2)
            QCOMPARE(MimeTypeMap::toExtension(cases.at(i)), cases.at(i + 1));
    }

    // A file's type goes by name and content; an extension's by name only: a
    // file "x.<extension>" in the working folder changes nothing.
    void toMimeType()
    {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QVERIFY(writeFile(dir.filePath("x.zzqq"), PNG_BYTES) && QDir::setCurrent(dir.path()));
        QCOMPARE(MimeTypeMap::mimeType(dir.filePath("x.zzqq")), QString("image/png"));
        QStringList types;
        for (const char* extension : {"pdf", "  .pdf \t", "..pdf", "", "zzqq"})
            types << MimeTypeMap::toMimeType(extension);
        QDir::setCurrent(previous);
        QCOMPARE(types, (QStringList{"application/pdf", "application/pdf", "application/pdf",
                                     "application/octet-stream", "application/octet-stream"}));
    }
};

QTEST_GUILESS_MAIN(TstMimeTypeMap)
#include "tst_mimetypemap.moc"
