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
const int EXTENSIONS_UNDER_SEVERAL_TYPES = 139;

QStringList extensionsOf(const QString& mimeType)
{
    QStringList extensions;
    const auto& table = MimeTypeMap::table();
    for (auto it = table.constFind(mimeType); it != table.constEnd() && it.key() == mimeType; ++it)
        extensions << it.value().extension;
    return extensions;
}

QList<MimeTypeInfo> rowsOf(const QString& mimeType)
{
    return MimeTypeMap::table().values(mimeType);
}

QStringList typesWithExtension(const QString& extension)
{
    QStringList types;
    const auto& table = MimeTypeMap::table();
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        if (it.value().extension == extension)
            types << it.key();
    }
    return types;
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

const QByteArray PNG_BYTES = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0", 29);

} // namespace

class TstMimeTypeMap : public QObject
{
    Q_OBJECT

private slots:
    void init() { MimeTypeMap::resetToBuiltIn(); }
    void cleanupTestCase() { MimeTypeMap::resetToBuiltIn(); }

    void builtInTable();
    void builtInRowOrder_data();
    void builtInRowOrder();
    void builtInExtensions_data();
    void builtInExtensions();

    void isBinaryImplict_data();
    void isBinaryImplict();
    void decision_data();
    void decision();
    void decisionOnFiles_data();
    void decisionOnFiles();

    void refusals_data();
    void refusals();
    void registerExtension_data();
    void registerExtension();
    void reRegistrationReplaces();
    void registerMimeTypeReplacesBuiltInRow();
    void registrationsUnderOtherKeys();
    void twoLiteralsRegisterAPair();
    void plainPairTurnsRowBackToBuiltInFlags();
    void defaultExtensionAfterRegistrations();
    void toExtension_data();
    void toExtension();
    void toMimeType_data();
    void toMimeType();
    void toMimeTypeIgnoresFilesInWorkingFolder();
};

void TstMimeTypeMap::builtInTable()
{
    const auto& table = MimeTypeMap::table();
    QCOMPARE(table.size(), BUILT_IN_ROWS);
    QCOMPARE(table.uniqueKeys().size(), BUILT_IN_TYPES);

    QSet<QString> extensions;
    QSet<QString> pairs;
    QHash<QString, int> typesPerExtension;
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        const MimeTypeInfo& row = it.value();
        QVERIFY2(row.isBinary && !row.isBinaryExplicit && !row.isDefaultExtension,
                 qPrintable(it.key() + " " + row.extension));
        QVERIFY(!row.extension.isEmpty());
        extensions.insert(row.extension);
        pairs.insert(it.key() + QLatin1Char('\n') + row.extension);
        ++typesPerExtension[row.extension];
    }
    QCOMPARE(extensions.size(), BUILT_IN_EXTENSIONS);
    QCOMPARE(pairs.size(), BUILT_IN_ROWS);
    int shared = 0;
    for (int count : qAsConst(typesPerExtension))
        shared += count > 1 ? 1 : 0;
    QCOMPARE(shared, EXTENSIONS_UNDER_SEVERAL_TYPES);
}

void TstMimeTypeMap::builtInRowOrder_data()
{
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QStringList>("extensions");  // newest first

    QTest::newRow("text/html") << "text/html"
                               << QStringList{"shtml", "htx", "htmls", "html", "htm", "acgi"};
    QTest::newRow("text/plain")
        << "text/plain"
        << QStringList{"txt", "text", "sdml", "pl",  "mar", "m",   "lst", "log", "list",
                       "java", "jav", "idc",  "hh",  "h",   "g",   "for", "f90", "f",
                       "def",  "cxx", "conf", "com", "cc",  "c++", "c"};
    QTest::newRow("image/png") << "image/png" << QStringList{"x-png", "png"};
    QTest::newRow("image/jpeg") << "image/jpeg" << QStringList{"jpg", "jpeg", "jpe", "jfif-tbnl", "jfif"};
    QTest::newRow("application/msword")
        << "application/msword" << QStringList{"word", "wiz", "w6w", "dot", "doc"};
    QTest::newRow("application/xml") << "application/xml" << QStringList{"xml"};
    QTest::newRow("application/x-javascript") << "application/x-javascript" << QStringList{"js"};
    QTest::newRow("misspelt type") << "applicaiton/x-bytecode.python" << QStringList{"pyc"};
    QTest::newRow("spelt right, no row") << "application/x-bytecode.python" << QStringList{};
    QTest::newRow("bracketed note") << "drawing/x-dwf (old)" << QStringList{"dwf"};
    QTest::newRow("without the note") << "drawing/x-dwf" << QStringList{};
    QTest::newRow("elisp") << "application/x-bytecode.elisp (compiled elisp)" << QStringList{"elc"};
    QTest::newRow("capitals") << "TEXT/HTML" << QStringList{};
    QTest::newRow("json") << "application/json" << QStringList{};
}

void TstMimeTypeMap::builtInRowOrder()
{
    QFETCH(QString, mimeType);
    QFETCH(QStringList, extensions);
    QCOMPARE(extensionsOf(mimeType), extensions);
}

void TstMimeTypeMap::builtInExtensions_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QStringList>("types");

    QTest::newRow("js") << "js" << QStringList{"application/x-javascript"};
    QTest::newRow("json") << "json" << QStringList{};
    QTest::newRow("py") << "py" << QStringList{"text/x-script.phyton"};
    QTest::newRow("m3u") << "m3u" << QStringList{"audio/x-mpequrl"};
    QTest::newRow("mc$") << "mc$" << QStringList{"application/x-magic-cap-package-1.0"};
    QTest::newRow("hqx") << "hqx"
                         << QStringList{"application/binhex",       "application/binhex4",
                                        "application/mac-binhex",   "application/mac-binhex40",
                                        "application/x-binhex40",   "application/x-mac-binhex40"};
    QTest::newRow("zip") << "zip"
                         << QStringList{"application/x-compressed", "application/x-zip-compressed",
                                        "application/zip", "multipart/x-zip"};
}

void TstMimeTypeMap::builtInExtensions()
{
    QFETCH(QString, extension);
    QFETCH(QStringList, types);
    QCOMPARE(typesWithExtension(extension), types);  // map order: keys ascending
}

void TstMimeTypeMap::isBinaryImplict_data()
{
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<bool>("binary");

    QTest::newRow("text/plain") << "text/plain" << false;
    QTest::newRow("+xml") << "application/rss+xml" << false;
    QTest::newRow("application/xml") << "application/xml" << false;
    QTest::newRow("capitals") << "Text/Plain" << true;
    QTest::newRow("xml-dtd") << "application/xml-dtd" << true;
    QTest::newRow("image/png") << "image/png" << true;
    QTest::newRow("empty") << "" << true;
}

void TstMimeTypeMap::isBinaryImplict()
{
    QFETCH(QString, mimeType);
    QFETCH(bool, binary);
    QCOMPARE(MimeTypeInfo::isBinaryImplict(mimeType), binary);
}

// The decision over the table, with the type given as the system database
// would name it. "ext" registers the extension alone, "type" registers the
// extension under a named type.
void TstMimeTypeMap::decision_data()
{
    QTest::addColumn<QString>("registration");
    QTest::addColumn<QString>("registeredType");
    QTest::addColumn<QString>("registeredExtension");
    QTest::addColumn<bool>("registeredBinary");
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("binary");

    QTest::newRow("txt, built-in") << "" << "" << "" << false << "text/plain" << "txt" << false;
    QTest::newRow("json, type without rows") << "" << "" << "" << false << "application/json" << "json" << true;
    QTest::newRow("json registered as text") << "ext" << "" << "json" << false << "application/json" << "json" << false;
    QTest::newRow("JSON registered, never met") << "ext" << "" << "JSON" << false << "application/json" << "json" << true;
    QTest::newRow("no extension, first row decides") << "" << "" << "" << false << "text/plain" << "" << false;
    QTest::newRow("no extension, newest row decides") << "type" << "text/plain" << "md" << true << "text/plain" << "" << true;
    QTest::newRow("txt keeps its own row") << "type" << "text/plain" << "md" << true << "text/plain" << "txt" << false;
    QTest::newRow("txt registered as binary") << "ext" << "" << "txt" << true << "text/plain" << "txt" << true;
    QTest::newRow("png") << "" << "" << "" << false << "image/png" << "png" << true;
    QTest::newRow("xml passed over in step 1") << "" << "" << "" << false << "application/xml" << "xml" << false;
    QTest::newRow("xhtml, type without rows") << "" << "" << "" << false << "application/xhtml+xml" << "xhtml" << true;
    QTest::newRow("xhtml registered under its type") << "type" << "application/xhtml+xml" << "xhtml" << false << "application/xhtml+xml" << "xhtml" << false;
    QTest::newRow("js, binary type with a row") << "" << "" << "" << false << "application/x-javascript" << "js" << true;
    QTest::newRow("TXT not lower-cased") << "" << "" << "" << false << "text/plain" << "TXT" << false;
    QTest::newRow("pdf registered as text") << "ext" << "" << "pdf" << false << "application/pdf" << "pdf" << false;
    QTest::newRow("extension row outranks type row") << "ext" << "" << "md" << false << "text/plain" << "md" << false;
    QTest::newRow("type row decides for its type only") << "type" << "text/plain" << "md" << false << "text/markdown" << "md" << true;
    QTest::newRow("type row under application/ext acts alone") << "type" << "application/md" << "md" << false << "text/x-markdown" << "md" << false;
    QTest::newRow("extension with a dot never matches") << "ext" << "" << "tar.gz" << false << "application/gzip" << "gz" << true;
}

void TstMimeTypeMap::decision()
{
    QFETCH(QString, registration);
    QFETCH(QString, registeredType);
    QFETCH(QString, registeredExtension);
    QFETCH(bool, registeredBinary);
    QFETCH(QString, mimeType);
    QFETCH(QString, extension);
    QFETCH(bool, binary);

    if (registration == QLatin1String("ext"))
        QVERIFY(MimeTypeMap::add(registeredExtension, registeredBinary));
    else if (registration == QLatin1String("type"))
        QVERIFY(MimeTypeMap::add(registeredType, registeredExtension, registeredBinary, false));
    QCOMPARE(MimeTypeMap::isBinary(mimeType, extension), binary);
}

// The path form on real files. Debian's MIME database names some files
// differently from other systems: README is "text/x-readme" (a type without
// rows, so binary) where others say "text/plain", and ".js" is
// "application/javascript" where others say "application/x-javascript"; the
// cases below state the type this machine gives and check it first.
void TstMimeTypeMap::decisionOnFiles_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QString>("registeredExtension");  // registered alone when set
    QTest::addColumn<bool>("registeredBinary");
    QTest::addColumn<bool>("binary");

    const QByteArray text("plain words\n");
    QTest::newRow("notes.txt") << "notes.txt" << text << "text/plain" << "" << false << false;
    QTest::newRow("a.JSON") << "a.JSON" << QByteArray("{\"a\": 1}\n") << "application/json" << "" << false << true;
    QTest::newRow("a.JSON, json registered") << "a.JSON" << QByteArray("{\"a\": 1}\n") << "application/json" << "json" << false << false;
    QTest::newRow("a.JSON, JSON registered") << "a.JSON" << QByteArray("{\"a\": 1}\n") << "application/json" << "JSON" << false << true;
    QTest::newRow("README") << "README" << text << "text/x-readme" << "" << false << true;
    QTest::newRow("photo.PNG") << "photo.PNG" << PNG_BYTES << "image/png" << "" << false << true;
    QTest::newRow("data.xml") << "data.xml" << QByteArray("<?xml version=\"1.0\"?><a/>\n") << "application/xml" << "" << false << false;
    QTest::newRow("page.xhtml") << "page.xhtml" << QByteArray("<html xmlns=\"http://www.w3.org/1999/xhtml\"/>\n") << "application/xhtml+xml" << "" << false << true;
    QTest::newRow("script.js") << "script.js" << QByteArray("var a = 1;\n") << "application/javascript" << "" << false << true;
    QTest::newRow("doc.pdf, pdf registered") << "doc.pdf" << QByteArray("%PDF-1.4\n") << "application/pdf" << "pdf" << false << false;
    QTest::newRow("a.md") << "a.md" << text << "text/markdown" << "" << false << true;
    QTest::newRow("a.md, md registered") << "a.md" << text << "text/markdown" << "md" << false << false;
    // The extension is the last part of the file name, lower-cased.
    QTest::newRow("A.B.TXT, txt registered as binary") << "A.B.TXT" << text << "text/plain" << "txt" << true << true;
    QTest::newRow("archive.tar.gz, gz registered") << "archive.tar.gz" << PNG_BYTES << "application/x-compressed-tar" << "gz" << false << false;
    QTest::newRow("archive.tar.gz, tar.gz registered") << "archive.tar.gz" << PNG_BYTES << "application/x-compressed-tar" << "tar.gz" << false << true;
    QTest::newRow(".profile, profile registered") << ".profile" << PNG_BYTES << "image/png" << "profile" << false << false;
    QTest::newRow("blank after the dot") << "notes. md" << PNG_BYTES << "image/png" << " md" << false << false;
    QTest::newRow("no blank, blank registered") << "notes.md" << text << "text/markdown" << " md" << false << true;
    // Dots in folder names play no part.
    QTest::newRow("backup.d/data, d registered") << "backup.d/data" << PNG_BYTES << "image/png" << "d" << false << true;
}

void TstMimeTypeMap::decisionOnFiles()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, mimeType);
    QFETCH(QString, registeredExtension);
    QFETCH(bool, registeredBinary);
    QFETCH(bool, binary);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(fileName);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(writeFile(path, content));
    QCOMPARE(MimeTypeMap::mimeType(path), mimeType);

    if (!registeredExtension.isEmpty())
        QVERIFY(MimeTypeMap::add(registeredExtension, registeredBinary));
    QCOMPARE(MimeTypeMap::isBinary(path), binary);
}

void TstMimeTypeMap::refusals_data()
{
    QTest::addColumn<bool>("withType");
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QString>("extension");

    QTest::newRow("null extension") << false << QString() << QString();
    QTest::newRow("empty extension") << false << QString() << "";
    QTest::newRow("lone dot") << false << QString() << ".";
    QTest::newRow("dot with blanks") << false << QString() << "  . ";
    QTest::newRow("dot with tab and line feed") << false << QString() << "\t.\n";
    QTest::newRow("type, empty extension") << true << "text/plain" << "";
    QTest::newRow("type, lone dot") << true << "text/plain" << " .";
    QTest::newRow("empty type") << true << "" << "md";
    QTest::newRow("null type") << true << QString() << "md";
}

void TstMimeTypeMap::refusals()
{
    QFETCH(bool, withType);
    QFETCH(QString, mimeType);
    QFETCH(QString, extension);

    if (withType) {
        QVERIFY(!MimeTypeMap::add(mimeType, extension, false, true));
        QVERIFY(!MimeTypeMap::add(mimeType, extension));
    } else {
        QVERIFY(!MimeTypeMap::add(extension, false));
    }
    QCOMPARE(MimeTypeMap::table().size(), BUILT_IN_ROWS);
}

void TstMimeTypeMap::registerExtension_data()
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
    QTest::newRow("blanks only") << "   " << "application/   " << "   " << BUILT_IN_ROWS + 1;
    QTest::newRow("capitals") << "PDF" << "application/PDF" << "PDF" << BUILT_IN_ROWS + 1;
}

void TstMimeTypeMap::registerExtension()
{
    QFETCH(QString, extension);
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(int, rows);

    QVERIFY(MimeTypeMap::add(extension, false));
    QCOMPARE(MimeTypeMap::table().size(), rows);
    const QList<MimeTypeInfo> keyRows = rowsOf(key);
    QCOMPARE(keyRows.size(), 1);
    QCOMPARE(keyRows.first().extension, stored);
    QVERIFY(!keyRows.first().isBinary);
    QVERIFY(keyRows.first().isBinaryExplicit);
    QVERIFY(keyRows.first().isDefaultExtension);
    QCOMPARE(extensionsOf(QStringLiteral("application/pdf")).size(), 1);
}

void TstMimeTypeMap::reRegistrationReplaces()
{
    QVERIFY(MimeTypeMap::add(QStringLiteral("json"), false));
    QCOMPARE(MimeTypeMap::table().size(), BUILT_IN_ROWS + 1);
    QVERIFY(MimeTypeMap::add(QStringLiteral(".json"), true));
    QCOMPARE(MimeTypeMap::table().size(), BUILT_IN_ROWS + 1);
    const QList<MimeTypeInfo> rows = rowsOf(QStringLiteral("application/json"));
    QCOMPARE(rows.size(), 1);
    QVERIFY(rows.first().isBinary);
}

void TstMimeTypeMap::registerMimeTypeReplacesBuiltInRow()
{
    const QString html = QStringLiteral("text/html");
    QVERIFY(MimeTypeMap::add(html, QStringLiteral("htm"), false, true));
    QCOMPARE(MimeTypeMap::table().size(), BUILT_IN_ROWS);
    QCOMPARE(extensionsOf(html), (QStringList{"htm", "shtml", "htx", "htmls", "html", "acgi"}));
    const QList<MimeTypeInfo> rows = rowsOf(html);
    QVERIFY(rows.first().isBinaryExplicit && rows.first().isDefaultExtension && !rows.first().isBinary);
    for (int i = 1; i < rows.size(); ++i)
        QVERIFY(rows.at(i).isBinary && !rows.at(i).isBinaryExplicit && !rows.at(i).isDefaultExtension);
    QCOMPARE(MimeTypeMap::defaultExtension(html), QStringLiteral("htm"));
}

void TstMimeTypeMap::registrationsUnderOtherKeys()
{
    // A key differing in case, a key of blanks, a key without "/": all new.
    QVERIFY(MimeTypeMap::add(QStringLiteral("TEXT/HTML"), QStringLiteral("htm"), false, true));
    QVERIFY(MimeTypeMap::add(QStringLiteral("   "), QStringLiteral("x"), false, true));
    QVERIFY(MimeTypeMap::add(QStringLiteral("plain"), QStringLiteral("x"), false, true));
    QCOMPARE(MimeTypeMap::table().size(), BUILT_IN_ROWS + 3);
    QCOMPARE(extensionsOf(QStringLiteral("text/html")),
             (QStringList{"shtml", "htx", "htmls", "html", "htm", "acgi"}));
    QCOMPARE(typesWithExtension(QStringLiteral("x")), (QStringList{"   ", "plain"}));
}

void TstMimeTypeMap::twoLiteralsRegisterAPair()
{
    QVERIFY(MimeTypeMap::add("text/plain", "md"));
    QCOMPARE(MimeTypeMap::table().size(), BUILT_IN_ROWS + 1);
    QVERIFY(rowsOf(QStringLiteral("application/text/plain")).isEmpty());
    const QList<MimeTypeInfo> rows = rowsOf(QStringLiteral("text/plain"));
    QCOMPARE(rows.first().extension, QStringLiteral("md"));
    QVERIFY(rows.first().isBinary && !rows.first().isBinaryExplicit && !rows.first().isDefaultExtension);
}

void TstMimeTypeMap::plainPairTurnsRowBackToBuiltInFlags()
{
    const QString type = QStringLiteral("text/x-notes");
    QVERIFY(MimeTypeMap::add(type, QStringLiteral("nts"), true, true));
    QVERIFY(MimeTypeMap::isBinary(type, QStringLiteral("nts")));
    QVERIFY(MimeTypeMap::add(type, QStringLiteral("nts")));
    QCOMPARE(rowsOf(type).size(), 1);
    QVERIFY(!rowsOf(type).first().isBinaryExplicit);
    QVERIFY(!MimeTypeMap::isBinary(type, QStringLiteral("nts")));
}

void TstMimeTypeMap::defaultExtensionAfterRegistrations()
{
    const QString plain = QStringLiteral("text/plain");
    QCOMPARE(MimeTypeMap::defaultExtension(plain), QStringLiteral("txt"));
    QCOMPARE(MimeTypeMap::defaultExtension(QStringLiteral("image/png")), QStringLiteral("x-png"));
    QCOMPARE(MimeTypeMap::defaultExtension(QStringLiteral("application/json")), QString());

    QVERIFY(MimeTypeMap::add(QStringLiteral("json"), false));
    QCOMPARE(MimeTypeMap::defaultExtension(QStringLiteral("application/json")), QStringLiteral("json"));

    // Not marked, but first: it becomes the default while no row is marked.
    QVERIFY(MimeTypeMap::add(plain, QStringLiteral("md"), true, false));
    QCOMPARE(MimeTypeMap::defaultExtension(plain), QStringLiteral("md"));

    // Two marked rows: both keep the mark, the newer answers.
    QVERIFY(MimeTypeMap::add(plain, QStringLiteral("asc"), false, true));
    QVERIFY(MimeTypeMap::add(plain, QStringLiteral("nfo"), false, true));
    QVERIFY(MimeTypeMap::add(plain, QStringLiteral("zzz"), false, false));
    QCOMPARE(extensionsOf(plain).mid(0, 4), (QStringList{"zzz", "nfo", "asc", "md"}));
    QVERIFY(rowsOf(plain).at(2).isDefaultExtension);
    QCOMPARE(MimeTypeMap::defaultExtension(plain), QStringLiteral("nfo"));
}

void TstMimeTypeMap::toExtension_data()
{
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QString>("extension");

    QTest::newRow("text/plain") << "text/plain" << "txt";
    QTest::newRow("application/json") << "application/json" << "json";
    QTest::newRow("application/x-foo") << "application/x-foo" << "x-foo";
    QTest::newRow("svg") << "image/svg+xml" << "???";
    QTest::newRow("application/ alone") << "application/" << "";
    QTest::newRow("capitals") << "Application/json" << "???";
}

void TstMimeTypeMap::toExtension()
{
    QFETCH(QString, mimeType);
    QFETCH(QString, extension);
    QCOMPARE(MimeTypeMap::toExtension(mimeType), extension);
}

void TstMimeTypeMap::toMimeType_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("probe");

    QTest::newRow("pdf") << "pdf" << "x.pdf";
    QTest::newRow(".pdf") << ".pdf" << "x.pdf";
    QTest::newRow("blanks around .pdf") << "  .pdf \t" << "x.pdf";
    QTest::newRow("..pdf") << "..pdf" << "x..pdf";
    QTest::newRow("empty") << "" << "x.";
    QTest::newRow("png") << "png" << "x.png";
}

void TstMimeTypeMap::toMimeType()
{
    QFETCH(QString, extension);
    QFETCH(QString, probe);
    QCOMPARE(MimeTypeMap::toMimeType(extension), MimeTypeMap::mimeType(probe));
}

void TstMimeTypeMap::toMimeTypeIgnoresFilesInWorkingFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("x.zzqq")), PNG_BYTES));
    const QString type = MimeTypeMap::toMimeType(QStringLiteral("zzqq"));
    QDir::setCurrent(previous);
    QCOMPARE(type, QStringLiteral("application/octet-stream"));
}

QTEST_GUILESS_MAIN(TstMimeTypeMap)
#include "tst_mimetypemap.moc"
