// The mail message, its EML text and file, and the default mail client.
// EML files are checked with Python's email package, a MIME parser that no
// one here wrote.

#include "mail/AttatchmentManager.h"
#include "mail/Email.h"

#include "MailTestSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace MailTest;

namespace {

QByteArray sampleBinary(int size)
{
    QByteArray bytes;
    bytes.reserve(size);
    quint32 x = 2463534242u;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes.append(char(i < 256 ? i : int(x & 0xff)));
    }
    return bytes;
}

QJsonArray childParts(const QJsonObject& part)
{
    return part.value(QStringLiteral("parts")).toArray();
}

// The header lines of the EML text: everything before the first empty line.
QStringList headerLines(const QString& eml)
{
    const int end = eml.indexOf(QStringLiteral("\n\n"));
    return (end < 0 ? eml : eml.left(end)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestMailEmail : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir work_;
    QString originalDir_;

    QJsonObject writeAndParse(Email& email)
    {
        QTemporaryDir dir;
        email.tempDir = dir.path() + QStringLiteral("/temp");
        AttatchmentManager manager;
        const QString path = manager.createEmlFile(&email);
        if (path.isNull())
            return QJsonObject();
        QString error;
        const QJsonObject parsed = parseEml(path, &error);
        if (parsed.isEmpty())
            qWarning("parser failed: %s", qPrintable(error));
        return parsed;
    }

private slots:
    void initTestCase()
    {
        // The system MIME database reads a file's content where one exists:
        // attachment names must not meet files of the working folder.
        QVERIFY(work_.isValid());
        originalDir_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work_.path()));
    }

    void cleanupTestCase()
    {
        QDir::setCurrent(originalDir_);
    }

    void newMessageDefaults()
    {
        const Email email;
        for (const QString* text : { &email.tempDir, &email.lastError, &email.from, &email.to, &email.cc,
                                     &email.bcc, &email.subject, &email.body }) {
            QVERIFY(text->isEmpty());
            QVERIFY(!text->isNull());
        }
        QCOMPARE(email.isHtml, false);
        QCOMPARE(email.priority, Email::Normal);
        QCOMPARE(int(email.priority), 1);
        QCOMPARE(email.readReceipt, false);
        QVERIFY(email.attachmentNames.isEmpty() && email.attachmentData.isEmpty()
                && email.attachmentIsBinary.isEmpty());

        // The field keeps any integer the caller stores.
        Email other;
        other.priority = static_cast<Email::MailPriority>(7);
        QCOMPARE(int(other.priority), 7);
        QCOMPARE(sizeof(Email::MailPriority), sizeof(qint32));
    }

    void addAttachment()
    {
        Email email;
        email.addAttachment(QString(), QStringLiteral("data"), false);
        email.addAttachment(QStringLiteral("a.txt"), QString(), true);
        email.addAttachment(QStringLiteral(""), QStringLiteral("data"), false);
        QVERIFY(email.attachmentNames.isEmpty() && email.attachmentData.isEmpty()
                && email.attachmentIsBinary.isEmpty());
        email.addAttachment(QStringLiteral(" "), QStringLiteral("x"), false);
        email.addAttachment(QStringLiteral("b.bin"), QStringLiteral("AAE="), true);
        email.addAttachment(QStringLiteral("c.txt"), QStringLiteral("  "), false);
        QCOMPARE(email.attachmentNames, QStringList({ QStringLiteral(" "), QStringLiteral("b.bin"), QStringLiteral("c.txt") }));
        QCOMPARE(email.attachmentData, QStringList({ QStringLiteral("x"), QStringLiteral("AAE="), QStringLiteral("  ") }));
        QCOMPARE(email.attachmentIsBinary, QList<bool>({ false, true, false }));
    }

    void addressLists_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("comma");
        QTest::newRow("two") << "ann@x.org;bob@y.org" << "ann@x.org,bob@y.org";
        QTest::newRow("blank kept") << "ann; bob" << "ann, bob";
        QTest::newRow("empty item kept") << "a;;b" << "a,,b";
        QTest::newRow("comma stays") << "a,b;c" << "a,b,c";
        QTest::newRow("empty") << "" << "";
    }

    void addressLists()
    {
        QFETCH(QString, field);
        QFETCH(QString, comma);
        Email email;
        email.to = field;
        email.cc = field;
        email.bcc = field;
        QCOMPARE(email.toAddresses(), comma);
        QCOMPARE(email.to, comma);
        QCOMPARE(email.toAddresses(), comma);
        QCOMPARE(email.ccAddresses(), comma);
        QCOMPARE(email.cc, comma);
        QCOMPARE(email.bccAddresses(), comma);
        QCOMPARE(email.bcc, comma);
    }

    void pathsAndTypes()
    {
        Email email;
        email.tempDir = QStringLiteral("/tmp/mailbox");
        QCOMPARE(email.tempFilePath(QStringLiteral("a.txt")), QStringLiteral("/tmp/mailbox/a.txt"));
        QCOMPARE(email.tempFilePath(QStringLiteral("/etc/x")), QStringLiteral("/etc/x"));
        email.tempDir = QStringLiteral("rel");
        QCOMPARE(email.tempFilePath(QStringLiteral("a")), QDir::current().absoluteFilePath(QStringLiteral("rel/a")));

        QCOMPARE(Email::mimeType(QStringLiteral("report.pdf")), QStringLiteral("application/pdf"));
        QCOMPARE(Email::mimeType(QStringLiteral("photo.JPG")), QStringLiteral("image/jpeg"));
        QCOMPARE(Email::mimeType(QStringLiteral("blob.zzqqx")), QStringLiteral("application/octet-stream"));
    }

    void cleanTempDir()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        QVERIFY(QDir(root).mkpath(QStringLiteral("sub")));
        for (const char* name : { "a.txt", ".hidden", "20260101000000.eml", "sub/keep.txt" }) {
            QFile file(root + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x");
        }
        Email email;
        email.tempDir = root;
        email.cleanTempDir();
        QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({ QStringLiteral("sub") }));
        QVERIFY(QFile::exists(root + QStringLiteral("/sub/keep.txt")));

        email.tempDir = root + QStringLiteral("/missing");
        email.cleanTempDir();
        QVERIFY(!QFileInfo::exists(email.tempDir));
    }

    void emlHeaderLines()
    {
        Email email;
        const QString eml = email.toEML();
        QStringList lines = headerLines(eml);
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines.at(0), QStringLiteral("X-Unsent: 1"));
        QVERIFY(lines.at(1).startsWith(QStringLiteral("Date: ")));
        QCOMPARE(lines.mid(2), QStringList({ "X-Priority: 3", "X-MSMail-Priority: Normal", "Importance: Normal",
                                             "MIME-Version: 1.0", "Content-Type: text/plain;", "    format=flowed;",
                                             "    charset=\"iso-8859-1\";", "    reply-type=original",
                                             "Content-Transfer-Encoding: 7bit" }));
        QVERIFY(eml.endsWith(QStringLiteral("Content-Transfer-Encoding: 7bit\n")));
        QVERIFY(!eml.contains(QLatin1Char('\r')));

        // The page never sets a sender: no receipt line even when asked.
        email.readReceipt = true;
        QVERIFY(!email.toEML().contains(QStringLiteral("Disposition-Notification-To")));

        email.from = QStringLiteral("me@x.org");
        email.to = QStringLiteral("ann;bob");
        email.subject = QStringLiteral("Plain subject");
        email.body = QStringLiteral("Body text");
        lines = headerLines(email.toEML());
        QCOMPARE(lines.at(0), QStringLiteral("From: me@x.org"));
        QCOMPARE(lines.at(1), QStringLiteral("To: ann,bob"));
        QCOMPARE(email.to, QStringLiteral("ann,bob"));
        QCOMPARE(lines.at(2), QStringLiteral("Subject: Plain subject"));
        QCOMPARE(lines.at(7), QStringLiteral("Disposition-Notification-To: me@x.org"));
        QCOMPARE(lines.at(8), QStringLiteral("MIME-Version: 1.0"));
        QVERIFY(!email.toEML().contains(QStringLiteral("Cc:")));
        QVERIFY(email.toEML().endsWith(QStringLiteral("7bit\n\nBody text")));
    }

    void emlPriority_data()
    {
        QTest::addColumn<int>("priority");
        QTest::addColumn<QString>("lines");
        const QString normal = QStringLiteral("X-Priority: 3|X-MSMail-Priority: Normal|Importance: Normal");
        QTest::newRow("low") << 0 << "X-Priority: 5|X-MSMail-Priority: Low|Importance: Low";
        QTest::newRow("normal") << 1 << normal;
        QTest::newRow("high") << 2 << "X-Priority: 1|X-MSMail-Priority: High|Importance: High";
        QTest::newRow("3") << 3 << normal;
        QTest::newRow("7") << 7 << normal;
        QTest::newRow("-1") << -1 << normal;
    }

    void emlPriority()
    {
        QFETCH(int, priority);
        QFETCH(QString, lines);
        Email email;
        email.priority = static_cast<Email::MailPriority>(priority);
        QCOMPARE(headerLines(email.toEML()).mid(2, 3).join(QLatin1Char('|')), lines);
    }

    void emlDateInCLocale()
    {
        // The process runs with a German LC_TIME (see main): the names stay
        // English all the same.
        Email email;
        const QDateTime before = QDateTime::currentDateTime();
        const QString dateLine = headerLines(email.toEML()).at(1);
        const QRegularExpression form(QStringLiteral(
            "^Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), ([1-9]|[12][0-9]|3[01]) "
            "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-5][0-9] "
            "([+-])([0-9]{2})([0-9]{2})$"));
        const QRegularExpressionMatch match = form.match(dateLine);
        QVERIFY2(match.hasMatch(), qPrintable(dateLine));
        const int offset = before.offsetFromUtc();
        const int seconds = (match.captured(5).toInt() * 3600 + match.captured(6).toInt() * 60)
                            * (match.captured(4) == QLatin1String("-") ? -1 : 1);
        QCOMPARE(seconds, offset);
        const QString systemDay = before.toString(QStringLiteral("ddd"));
        if (systemDay == QLocale::c().toString(before, QStringLiteral("ddd")))
            qInfo("system locale gives English day names; the locale contrast is not exercised");
    }

    void emlLayouts_data()
    {
        QTest::addColumn<bool>("html");
        QTest::addColumn<bool>("attachments");
        QTest::addColumn<QString>("body");
        const QString ascii = QStringLiteral("Hello,\nthis is a test.\n-- \nSender");
        const QString unicode = QStringLiteral("Gr\u00fc\u00dfe aus K\u00f6ln \u2013 \u20ac5\n\u65e5\u672c\u8a9e \U0001F600\n"
                                               "trailing blank \nx=1");
        const QString longLine = QString(1500, QLatin1Char('a')) + QStringLiteral("\nshort");
        QTest::newRow("plain") << false << false << ascii;
        QTest::newRow("plain utf-8") << false << false << unicode;
        QTest::newRow("plain long line") << false << false << longLine;
        QTest::newRow("plain empty") << false << false << QString();
        QTest::newRow("attachments") << false << true << ascii;
        QTest::newRow("attachments utf-8") << false << true << unicode;
        QTest::newRow("attachments empty body") << false << true << QString();
        QTest::newRow("html") << true << false << QStringLiteral("<p>Hi <b>there</b> a=b</p>\n<p>") + QString(200, 'x') + QStringLiteral("</p>");
        QTest::newRow("html utf-8") << true << false << QStringLiteral("<p>") + unicode + QStringLiteral("</p>");
        QTest::newRow("html empty") << true << false << QString();
        QTest::newRow("html attachments") << true << true << QStringLiteral("<p>Hi</p>");
        QTest::newRow("html attachments utf-8") << true << true << QStringLiteral("<p>") + unicode + QStringLiteral("</p>");
    }

    void emlLayouts()
    {
        QFETCH(bool, html);
        QFETCH(bool, attachments);
        QFETCH(QString, body);

        const QByteArray binary = sampleBinary(5000);
        const QString textUnicode = QStringLiteral("Zeile 1: \u00e4\u00f6\u00fc\r\nZeile 2\r\n");
        const QString textAscii = QStringLiteral("a,b\n1,2\n");
        Email email;
        email.to = QStringLiteral("ann@x.org;bob@y.org");
        email.cc = QStringLiteral("carl@z.org");
        email.subject = QStringLiteral("Layout test");
        email.body = body;
        email.isHtml = html;
        if (attachments) {
            email.addAttachment(QStringLiteral("image.png"), QString::fromLatin1(binary.toBase64()), true);
            email.addAttachment(QStringLiteral("notes.txt"), textUnicode, false);
            email.addAttachment(QStringLiteral("table.csv"), textAscii, false);
        }
        const QString eml = email.toEML();
        QVERIFY(!eml.contains(QLatin1Char('\r')));
        for (const QString& line : eml.split(QLatin1Char('\n')))
            QVERIFY2(line.size() <= 998, "line too long");

        const QJsonObject parsed = writeAndParse(email);
        QVERIFY(!parsed.isEmpty());
        QCOMPARE(parsed.value(QStringLiteral("defects")).toArray(), QJsonArray());
        QCOMPARE(headerValues(parsed, QStringLiteral("To")), QStringList({ QStringLiteral("ann@x.org, bob@y.org") }));
        QCOMPARE(headerValues(parsed, QStringLiteral("Cc")), QStringList({ QStringLiteral("carl@z.org") }));
        QCOMPARE(headerValues(parsed, QStringLiteral("Subject")), QStringList({ QStringLiteral("Layout test") }));
        QCOMPARE(headerValues(parsed, QStringLiteral("X-Unsent")), QStringList({ QStringLiteral("1") }));

        const QJsonObject root = parsed.value(QStringLiteral("root")).toObject();
        QJsonObject textPart;
        QJsonObject htmlPart;
        QJsonArray attachmentParts;
        if (!html && !attachments) {
            QCOMPARE(root.value(QStringLiteral("type")).toString(), QStringLiteral("text/plain"));
            textPart = root;
        } else {
            const QString boundary = root.value(QStringLiteral("boundary")).toString();
            QVERIFY2(boundary.startsWith(QStringLiteral("----=_NextPart_")), qPrintable(boundary));
            QVERIFY(boundary.size() > 15 + 8);
            QVERIFY(!boundary.startsWith(QStringLiteral("----=_NextPart_Nested_")));
            const QJsonArray parts = childParts(root);
            if (!attachments) {
                QCOMPARE(root.value(QStringLiteral("type")).toString(), QStringLiteral("multipart/alternative"));
                QCOMPARE(parts.size(), 2);
                textPart = parts.at(0).toObject();
                htmlPart = parts.at(1).toObject();
            } else {
                QCOMPARE(root.value(QStringLiteral("type")).toString(), QStringLiteral("multipart/mixed"));
                QCOMPARE(parts.size(), 4);
                if (html) {
                    const QJsonObject alternative = parts.at(0).toObject();
                    QCOMPARE(alternative.value(QStringLiteral("type")).toString(), QStringLiteral("multipart/alternative"));
                    QVERIFY(alternative.value(QStringLiteral("boundary")).toString().startsWith(QStringLiteral("----=_NextPart_Nested_")));
                    QCOMPARE(childParts(alternative).size(), 2);
                    textPart = childParts(alternative).at(0).toObject();
                    htmlPart = childParts(alternative).at(1).toObject();
                } else {
                    textPart = parts.at(0).toObject();
                }
                for (int i = 1; i < 4; ++i)
                    attachmentParts.append(parts.at(i));
            }
        }

        // The text comes back as it went in (the alternative's parts end
        // with the line end that precedes the next boundary).
        const auto readBack = [](const QJsonObject& part) {
            return part.value(QStringLiteral("text")).toString();
        };
        QCOMPARE(textPart.value(QStringLiteral("type")).toString(), QStringLiteral("text/plain"));
        QString expected = body;
        if (html && !body.isEmpty())
            expected += QLatin1Char('\n');
        QCOMPARE(readBack(textPart), expected);
        const bool ascii = !body.contains(QRegularExpression(QStringLiteral("[^\\x00-\\x7f]")));
        QCOMPARE(textPart.value(QStringLiteral("charset")).toString(),
                 ascii ? QStringLiteral("iso-8859-1") : QStringLiteral("utf-8"));
        if (html) {
            QCOMPARE(htmlPart.value(QStringLiteral("type")).toString(), QStringLiteral("text/html"));
            QCOMPARE(htmlPart.value(QStringLiteral("cte")).toString(), QStringLiteral("quoted-printable"));
            QCOMPARE(readBack(htmlPart), expected);
        }

        if (attachments) {
            const QJsonObject png = attachmentParts.at(0).toObject();
            QCOMPARE(png.value(QStringLiteral("type")).toString(), QStringLiteral("image/png"));
            QCOMPARE(png.value(QStringLiteral("filename")).toString(), QStringLiteral("image.png"));
            QCOMPARE(png.value(QStringLiteral("params")).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("image.png"));
            QCOMPARE(png.value(QStringLiteral("disposition")).toString(), QStringLiteral("attachment"));
            QCOMPARE(partBytes(png), binary);
            const QJsonObject notes = attachmentParts.at(1).toObject();
            QCOMPARE(notes.value(QStringLiteral("filename")).toString(), QStringLiteral("notes.txt"));
            QCOMPARE(notes.value(QStringLiteral("charset")).toString(), QStringLiteral("utf-8"));
            QCOMPARE(partBytes(notes), textUnicode.toUtf8());
            const QJsonObject csv = attachmentParts.at(2).toObject();
            QCOMPARE(csv.value(QStringLiteral("filename")).toString(), QStringLiteral("table.csv"));
            QCOMPARE(csv.value(QStringLiteral("cte")).toString(), QStringLiteral("7bit"));
            QCOMPARE(partBytes(csv), textAscii.toUtf8());
        }
    }

    void emlAsciiPartsAsGiven()
    {
        // Pure ASCII text keeps the plain headers and goes unencoded.
        Email email;
        email.body = QStringLiteral("Line one\nLine two");
        email.addAttachment(QStringLiteral("a.txt"), QStringLiteral("abc"), false);
        email.addAttachment(QStringLiteral("b.txt"), QStringLiteral("def"), false);
        const QString eml = email.toEML();
        const QString boundary = eml.section(QStringLiteral("boundary=\""), 1).section(QLatin1Char('"'), 0, 0);
        QVERIFY(eml.contains(QStringLiteral("Content-Transfer-Encoding: 7bit\n\nLine one\nLine two\n--") + boundary
                             + QStringLiteral("\nContent-Type: text/plain;\n    name=\"a.txt\";\n"
                                              "Content-Transfer-Encoding: 7bit\nContent-Disposition: attachment;\n"
                                              "    filename=\"a.txt\"\n\nabc\n--")
                             + boundary + QStringLiteral("\n")));
        QVERIFY(eml.endsWith(QStringLiteral("\n\ndef\n--") + boundary + QStringLiteral("--\n")));
        QVERIFY(eml.contains(QStringLiteral("    charset=\"iso-8859-1\";\n")));

        // The file's lines end with a line feed alone, the body's included.
        Email crlf;
        crlf.body = QStringLiteral("a\r\nb\rc");
        QVERIFY(crlf.toEML().endsWith(QStringLiteral("7bit\n\na\nb\nc")));
    }

    void emlHostileValues()
    {
        const QByteArray payload("\x00\x01\xfe\xff payload", 12);
        Email email;
        // A line break in a header value would end the header block.
        email.subject = QStringLiteral("Hello\r\nBcc: victim@x.org\nX-Evil: 1\n\nInjected body");
        email.to = QStringLiteral("ann@x.org;\r\nbob@y.org");
        // The old fixed boundary in the body must not split the message.
        email.body = QStringLiteral("Before\n------=_NextPart_\n------=_NextPart_--\nAfter");
        email.addAttachment(QStringLiteral("say \"hi\".txt"), QStringLiteral("quoted"), false);
        email.addAttachment(QStringLiteral("C:\\Users\\me\\\u00fcbersicht \u65e5\u672c.pdf"),
                            QStringLiteral("data:application/pdf;base64,") + QString::fromLatin1(payload.toBase64()), true);
        email.addAttachment(QStringLiteral("../../etc/") + QString(80, QChar(0x00e9)) + QStringLiteral(".bin"),
                            QString::fromLatin1(payload.toBase64()), true);
        const QJsonObject parsed = writeAndParse(email);
        QVERIFY(!parsed.isEmpty());
        QVERIFY2(parsed.value(QStringLiteral("defects")).toArray().isEmpty(),
                 QJsonDocument(parsed.value(QStringLiteral("defects")).toArray()).toJson().constData());
        QCOMPARE(headerValues(parsed, QStringLiteral("Subject")),
                 QStringList({ QStringLiteral("Hello Bcc: victim@x.org X-Evil: 1  Injected body") }));
        QVERIFY(headerValues(parsed, QStringLiteral("Bcc")).isEmpty());
        QVERIFY(headerValues(parsed, QStringLiteral("X-Evil")).isEmpty());
        QCOMPARE(headerValues(parsed, QStringLiteral("To")), QStringList({ QStringLiteral("ann@x.org, bob@y.org") }));

        const QJsonArray parts = childParts(parsed.value(QStringLiteral("root")).toObject());
        QCOMPARE(parts.size(), 4);
        QCOMPARE(parts.at(0).toObject().value(QStringLiteral("text")).toString(), email.body);
        const QJsonObject quoted = parts.at(1).toObject();
        QCOMPARE(quoted.value(QStringLiteral("filename")).toString(), QStringLiteral("say \"hi\".txt"));
        QCOMPARE(quoted.value(QStringLiteral("params")).toObject().value(QStringLiteral("name")).toString(),
                 QStringLiteral("say \"hi\".txt"));
        QCOMPARE(partBytes(quoted), QByteArray("quoted"));
        const QJsonObject pdf = parts.at(2).toObject();
        QCOMPARE(pdf.value(QStringLiteral("filename")).toString(), QStringLiteral("\u00fcbersicht \u65e5\u672c.pdf"));
        QCOMPARE(pdf.value(QStringLiteral("type")).toString(), QStringLiteral("application/pdf"));
        QCOMPARE(partBytes(pdf), payload);
        const QJsonObject longName = parts.at(3).toObject();
        QCOMPARE(longName.value(QStringLiteral("filename")).toString(), QString(80, QChar(0x00e9)) + QStringLiteral(".bin"));
        QCOMPARE(partBytes(longName), payload);
    }

    void emlNonAsciiSubject()
    {
        Email email;
        email.subject = QStringLiteral("R\u00e9sum\u00e9 f\u00fcr \u65e5\u672c \U0001F600 ") + QString(60, QChar(0x00df));
        email.body = QStringLiteral("\u00c4rger? Nein.");
        const QString eml = email.toEML();
        for (const QChar c : eml)
            QVERIFY(c.unicode() < 0x80);
        const QJsonObject parsed = writeAndParse(email);
        QCOMPARE(parsed.value(QStringLiteral("defects")).toArray(), QJsonArray());
        QCOMPARE(headerValues(parsed, QStringLiteral("Subject")), QStringList({ email.subject }));
        QCOMPARE(parsed.value(QStringLiteral("root")).toObject().value(QStringLiteral("text")).toString(), email.body);
    }

    void emlBoundariesDiffer()
    {
        Email first;
        first.isHtml = true;
        Email second = first;
        const QString a = first.toEML().section(QStringLiteral("boundary=\""), 1).section(QLatin1Char('"'), 0, 0);
        const QString b = second.toEML().section(QStringLiteral("boundary=\""), 1).section(QLatin1Char('"'), 0, 0);
        QVERIFY(a.startsWith(QStringLiteral("----=_NextPart_")));
        QVERIFY(a != b);
    }

    void createEmlFile()
    {
        QTemporaryDir dir;
        AttatchmentManager manager;
        Email email;
        email.body = QStringLiteral("x");
        QVERIFY(manager.createEmlFile(&email).isNull());

        email.tempDir = dir.path() + QStringLiteral("/deep/er/temp");
        const QString path = manager.createEmlFile(&email);
        QVERIFY(!path.isNull());
        QVERIFY(QFileInfo(path).isAbsolute());
        QCOMPARE(QFileInfo(path).absolutePath(), QDir(email.tempDir).absolutePath());
        QVERIFY2(QRegularExpression(QStringLiteral("^20[0-9]{12}\\.eml$")).match(QFileInfo(path).fileName()).hasMatch(),
                 qPrintable(path));
        QVERIFY(readFile(path).startsWith("X-Unsent: 1\n"));
        QVERIFY(!readFile(path).contains('\r'));

        // Names that cannot be a file name in the folder make no file.
        for (const QString& name : { QStringLiteral(".."), QStringLiteral("."), QStringLiteral("a/"),
                                     QStringLiteral("x/..") }) {
            Email refused;
            refused.tempDir = dir.path() + QStringLiteral("/refused");
            refused.addAttachment(name, QStringLiteral("data"), false);
            QVERIFY2(manager.createEmlFile(&refused).isNull(), qPrintable(name));
        }
        QVERIFY(QDir(dir.path() + QStringLiteral("/refused")).entryList(QDir::Files).isEmpty());

        // A folder that cannot be made.
        QFile blocker(dir.path() + QStringLiteral("/file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        email.tempDir = blocker.fileName() + QStringLiteral("/sub");
        QVERIFY(manager.createEmlFile(&email).isNull());
    }

    void defaultMailClient()
    {
        XdgTree xdg;
        QVERIFY(xdg.isValid());
        QVERIFY(Email::defaultMailClient().isNull());
        QVERIFY(Email::defaultMailClientOpenCommand().isNull());
        QVERIFY(!Email::isDefaultMailClientSetup());

        const QString program = xdg.path() + QStringLiteral("/bin/my-mailer");
        QVERIFY(QDir().mkpath(xdg.path() + QStringLiteral("/bin")));
        QVERIFY(writeExecutable(program, "#!/bin/sh\nexit 0\n"));
        QVERIFY(xdg.registerMailClient(QStringLiteral("Mozilla Thunderbird"), program + QStringLiteral(" %u")));
        QCOMPARE(Email::defaultMailClient(), QStringLiteral("Mozilla Thunderbird"));
        QVERIFY(Email::isDefaultMailClientSetup());
        QCOMPARE(Email::defaultMailClientOpenCommand(), program);

        xdg.clear();
        QVERIFY(Email::defaultMailClient().isNull());
        QVERIFY(!Email::isDefaultMailClientSetup());
    }
};

int main(int argc, char** argv)
{
    // Day and month names of the system locale must not reach the Date line.
    qputenv("LC_TIME", "de_DE.UTF-8");
    QCoreApplication app(argc, argv);
    TestMailEmail test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mail_email.moc"
