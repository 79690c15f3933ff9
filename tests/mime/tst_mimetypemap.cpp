#include "common/TestFiles.h"
#include "mime/MimeTypeMap.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Facts of the built-in list, counted by hand from the list itself.
const int BUILT_IN_ROWS = 642;
const int BUILT_IN_TYPES = 412;
const int BUILT_IN_EXTENSIONS = 447;

const QByteArray PNG_BYTES = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0", 29);

// A row's flags: isBinary "b", isBinaryExplicit "e", isDefaultExtension "d"; "-" when clear.
QString flagsOf(const MimeTypeInfo& row)
{
    return QString(row.isBinary ? "b" : "-") + (row.isBinaryExplicit ? "e" : "-") + (row.isDefaultExtension ? "d" : "-");
}

// The type's rows, newest first: extensions alone, or "extension flags".
QStringList rowsOf(const QString& mimeType, bool withFlags = false)
{
    QStringList rows;
    for (const MimeTypeInfo& row : MimeTypeMap::table().values(mimeType))
        rows << (withFlags ? row.extension + ' ' + flagsOf(row) : row.extension);
    return rows;
}

} // namespace

class TstMimeTypeMap : public QObject
{
    Q_OBJECT

private slots:
    void init() { MimeTypeMap::resetToBuiltIn(); }
    void cleanupTestCase() { MimeTypeMap::resetToBuiltIn(); }

    void builtInTable()
    {
        const auto& table = MimeTypeMap::table();
        QCOMPARE(table.size(), BUILT_IN_ROWS);
        QCOMPARE(table.uniqueKeys().size(), BUILT_IN_TYPES);
        QSet<QString> extensions;
        QSet<QString> pairs;
        for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
            QVERIFY2(flagsOf(it.value()) == "b--" && !it.value().extension.isEmpty(), qPrintable(it.key()));
            extensions.insert(it.value().extension);
            pairs.insert(it.key() + '\n' + it.value().extension);
        }
        QCOMPARE(extensions.size(), BUILT_IN_EXTENSIONS);
        QCOMPARE(pairs.size(), BUILT_IN_ROWS); // no pair twice
        // Each type's rows newest first; type names kept as listed, misspelt ones included.
        QCOMPARE(rowsOf("text/plain").size(), 25);
        QCOMPARE(rowsOf("text/plain").mid(0, 3), (QStringList{"txt", "text", "sdml"}));
        QCOMPARE(rowsOf("text/html"), (QStringList{"shtml", "htx", "htmls", "html", "htm", "acgi"}));
        QCOMPARE(rowsOf("image/png"), (QStringList{"x-png", "png"}));
        QCOMPARE(rowsOf("applicaiton/x-bytecode.python"), QStringList{"pyc"});
        QVERIFY(rowsOf("TEXT/HTML").isEmpty() && rowsOf("application/json").isEmpty());
    }

    void isBinaryImplict()
    {
        for (const char* type : {"text/plain", "application/rss+xml", "application/xml"})
            QVERIFY2(!MimeTypeInfo::isBinaryImplict(type), type);
        for (const char* type : {"Text/Plain", "application/xml-dtd", "image/png", ""})
            QVERIFY2(MimeTypeInfo::isBinaryImplict(type), type);
    }

    // The type as the system database would name it. A registration names
    // the extension alone (no type) or the extension under a type.
    void decision_data()
    {
        QTest::addColumn<QString>("registeredType");
        QTest::addColumn<QString>("registeredExtension"); // none when empty
        QTest::addColumn<bool>("registeredBinary");
        QTest::addColumn<QString>("mimeType");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<bool>("binary");

        QTest::newRow("txt, built-in") << "" << "" << false << "text/plain" << "txt" << false;
        QTest::newRow("json, type without rows") << "" << "" << false << "application/json" << "json" << true;
        QTest::newRow("json registered as text") << "" << "json" << false << "application/json" << "json" << false;
        QTest::newRow("JSON registered, never met") << "" << "JSON" << false << "application/json" << "json" << true;
        QTest::newRow("no extension, first row decides") << "" << "" << false << "text/plain" << "" << false;
        QTest::newRow("no extension, newest row decides") << "text/plain" << "md" << true << "text/plain" << "" << true;
        QTest::newRow("txt keeps its own row") << "text/plain" << "md" << true << "text/plain" << "txt" << false;
        QTest::newRow("txt registered as binary") << "" << "txt" << true << "text/plain" << "txt" << true;
        QTest::newRow("xml passed over in step 1") << "" << "" << false << "application/xml" << "xml" << false;
        QTest::newRow("xhtml, type without rows") << "" << "" << false << "application/xhtml+xml" << "xhtml" << true;
        QTest::newRow("xhtml registered under its type") << "application/xhtml+xml" << "xhtml" << false << "application/xhtml+xml" << "xhtml" << false;
        QTest::newRow("js, binary type with a row") << "" << "" << false << "application/x-javascript" << "js" << true;
        QTest::newRow("TXT not lower-cased") << "" << "" << false << "text/plain" << "TXT" << false;
        QTest::newRow("extension row outranks type row") << "" << "md" << false << "text/plain" << "md" << false;
        QTest::newRow("type row decides for its type only") << "text/plain" << "md" << false << "text/markdown" << "md" << true;
        QTest::newRow("type row under application/ext acts alone") << "application/md" << "md" << false << "text/x-markdown" << "md" << false;
        QTest::newRow("extension with a dot never matches") << "" << "tar.gz" << false << "application/gzip" << "gz" << true;
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
        QCOMPARE(MimeTypeMap::isBinary(mimeType, extension), binary);
    }

    // The path form on real files. Debian's MIME database names some files
    // differently from other systems: README is "text/x-readme" (a type without
    // rows, so binary) where others say "text/plain", and ".js" is
    // "application/javascript" where others say "application/x-javascript"; the
    // cases below state the type this machine gives and check it first.
    void decisionOnFiles_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("mimeType");
        QTest::addColumn<QString>("registeredExtension"); // registered alone when set
        QTest::addColumn<bool>("registeredBinary");
        QTest::addColumn<bool>("binary");

        const QByteArray text("plain words\n");
        const QByteArray json("{\"a\": 1}\n");
        QTest::newRow("notes.txt") << "notes.txt" << text << "text/plain" << "" << false << false;
        QTest::newRow("a.JSON") << "a.JSON" << json << "application/json" << "" << false << true;
        QTest::newRow("a.JSON, json registered") << "a.JSON" << json << "application/json" << "json" << false << false;
        QTest::newRow("a.JSON, JSON registered") << "a.JSON" << json << "application/json" << "JSON" << false << true;
        QTest::newRow("README") << "README" << text << "text/x-readme" << "" << false << true;
        QTest::newRow("photo.PNG") << "photo.PNG" << PNG_BYTES << "image/png" << "" << false << true;
        QTest::newRow("data.xml") << "data.xml" << QByteArray("<?xml version=\"1.0\"?><a/>\n") << "application/xml" << "" << false << false;
        QTest::newRow("script.js") << "script.js" << QByteArray("var a = 1;\n") << "application/javascript" << "" << false << true;
        // The extension is the last part of the file name, lower-cased.
        QTest::newRow("A.B.TXT, txt registered as binary") << "A.B.TXT" << text << "text/plain" << "txt" << true << true;
        QTest::newRow("archive.tar.gz, gz registered") << "archive.tar.gz" << PNG_BYTES << "application/x-compressed-tar" << "gz" << false << false;
        QTest::newRow("archive.tar.gz, tar.gz registered") << "archive.tar.gz" << PNG_BYTES << "application/x-compressed-tar" << "tar.gz" << false << true;
        QTest::newRow(".profile, profile registered") << ".profile" << PNG_BYTES << "image/png" << "profile" << false << false;
        QTest::newRow("blank after the dot") << "notes. md" << PNG_BYTES << "image/png" << " md" << false << false;
        // Dots in folder names play no part.
        QTest::newRow("backup.d/data, d registered") << "backup.d/data" << PNG_BYTES << "image/png" << "d" << false << true;
    }

    void decisionOnFiles()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(QString, mimeType);
        QFETCH(QString, registeredExtension);
        QFETCH(bool, registeredBinary);
        QFETCH(bool, binary);
        QTemporaryDir dir;
        const QString path = dir.filePath(fileName);
        QVERIFY(writeFile(path, content));
        QCOMPARE(MimeTypeMap::mimeType(path), mimeType);
        QVERIFY(registeredExtension.isEmpty() || MimeTypeMap::add(registeredExtension, registeredBinary));
        QCOMPARE(MimeTypeMap::isBinary(path), binary);
    }

    void refusals()
    {
        for (const QString& extension : {QString(), QString(""), QString("."), QString("  . "), QString("\t.\n")})
            QVERIFY2(!MimeTypeMap::add(extension, false), qPrintable(extension));
        const QStringList pairs = {"text/plain", "", "text/plain", " .", "", "md", QString(), "md"};
        for (int i = 0; i < pairs.size(); i += 2) {
            QVERIFY(!MimeTypeMap::add(pairs.at(i), pairs.at(i + 1), false, true));
            QVERIFY(!MimeTypeMap::add(pairs.at(i), pairs.at(i + 1)));
        }
        QCOMPARE(MimeTypeMap::table().size(), BUILT_IN_ROWS);
    }

    void registerExtension_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("rows");
        QTest::newRow("json, new") << "json" << "application/json" << "json" << BUILT_IN_ROWS + 1;
        QTest::newRow(".pdf replaces built-in") << ".pdf" << "application/pdf" << "pdf" << BUILT_IN_ROWS;
        QTest::newRow("pdf replaces built-in") << "pdf" << "application/pdf" << "pdf" << BUILT_IN_ROWS;
        QTest::newRow("two dots keep one") << ".." << "application/." << "." << BUILT_IN_ROWS + 1;
        QTest::newRow("blanks kept") << " md " << "application/ md " << " md " << BUILT_IN_ROWS + 1;
        QTest::newRow("capitals") << "PDF" << "application/PDF" << "PDF" << BUILT_IN_ROWS + 1;
    }

    // Registered twice: the second row replaces the first.
    void registerExtension()
    {
        QFETCH(QString, extension);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(int, rows);
        for (bool binary : {false, true}) {
            QVERIFY(MimeTypeMap::add(extension, binary));
            QCOMPARE(MimeTypeMap::table().size(), rows);
            QCOMPARE(rowsOf(key, true), QStringList{stored + (binary ? " bed" : " -ed")});
        }
    }

    void registerPairs()
    {
        // A copy of the table taken first keeps its rows; the table's own rows are still replaced.
        const auto builtIn = MimeTypeMap::table();
        // An equal pair replaces the built-in row and goes first.
        QVERIFY(MimeTypeMap::add("text/html", "htm", false, true));
        QCOMPARE(MimeTypeMap::table().size(), BUILT_IN_ROWS);
        QCOMPARE(rowsOf("text/html", true),
                 (QStringList{"htm -ed", "shtml b--", "htx b--", "htmls b--", "html b--", "acgi b--"}));
        // A key differing in case, a key of blanks, a key without "/": all new.
        QVERIFY(MimeTypeMap::add("TEXT/HTML", "htm", false, true));
        QVERIFY(MimeTypeMap::add("   ", "x", false, true));
        QVERIFY(MimeTypeMap::add("plain", "x", false, true));
        QCOMPARE(MimeTypeMap::table().size(), BUILT_IN_ROWS + 3);
        QCOMPARE(rowsOf("text/html").first(), QString("htm"));
        QCOMPARE(rowsOf("   ") + rowsOf("plain"), (QStringList{"x", "x"}));
        // A plain pair turns a registered row back to the built-in flags.
        QVERIFY(MimeTypeMap::add("text/x-notes", "nts", true, true));
        QVERIFY(MimeTypeMap::isBinary("text/x-notes", "nts"));
        QVERIFY(MimeTypeMap::add("text/x-notes", QString("nts")));
        QCOMPARE(rowsOf("text/x-notes", true), QStringList{"nts b--"});
        QCOMPARE(MimeTypeMap::table().size(), BUILT_IN_ROWS + 4);
        QVERIFY(!MimeTypeMap::isBinary("text/x-notes", "nts"));
        // Two string literals register a pair, not the extension "text/plain".
        QVERIFY(MimeTypeMap::add("text/plain", "md"));
        QCOMPARE(MimeTypeMap::table().size(), BUILT_IN_ROWS + 5);
        QVERIFY(rowsOf("application/text/plain").isEmpty());
        QCOMPARE(rowsOf("text/plain", true).first(), QString("md b--"));
        QCOMPARE(builtIn.size(), BUILT_IN_ROWS);
    }

    void defaultExtensionAfterRegistrations()
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
        QCOMPARE(MimeTypeMap::table().size(), BUILT_IN_ROWS + 5);
        QCOMPARE(rowsOf("text/plain", true).mid(0, 4), (QStringList{"zzz -e-", "nfo -ed", "asc -ed", "md be-"}));
        QCOMPARE(MimeTypeMap::defaultExtension("text/plain"), QString("nfo"));
    }

    void toExtension()
    {
        const QStringList cases = {"text/plain", "txt", "application/json", "json", "image/svg+xml", "???",
                                   "application/", "", "Application/json", "???"};
        for (int i = 0; i < cases.size(); i += 2)
            QCOMPARE(MimeTypeMap::toExtension(cases.at(i)), cases.at(i + 1));
    }

    // By name only: a file "x.<extension>" in the working folder changes nothing.
    void toMimeType()
    {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QVERIFY(writeFile(dir.filePath("x.zzqq"), PNG_BYTES) && QDir::setCurrent(dir.path()));
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
