// The mail message as EML, read back with Python's email package (a MIME
// parser no one here wrote).

#include "mail/AttatchmentManager.h"
#include "mail/Email.h"

#include "MailTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QtTest>

using namespace MailTest;

namespace {

// An attachment as given and as it must come back.
struct Attachment {
    QString name;
    QString data;
    bool binary;
    QString back;
    QString type;
    QByteArray bytes;
};

} // namespace

Q_DECLARE_METATYPE(QList<Attachment>)

class TestMailEmail : public QObject
{
    Q_OBJECT

    QTemporaryDir work_;

private slots:
    void initTestCase()
    {
        // An attachment's type comes from its name, never from a file of
        // that name in the working folder.
        QVERIFY(QDir::setCurrent(work_.path()));
        QVERIFY(writeFile(QStringLiteral("scan.vhx"), "%PDF-1.4\n"));
    }

    // Every row goes through the writer and Python's parser: headers decode
    // to the input (line breaks as blanks, other controls gone, a priority
    // out of range as normal), each text part to the body byte for byte (and
    // the same under format=flowed where declared), attachments to their
    // names, types and bytes; no defect, no header line over 78, no line over
    // 998, quoted-printable lines of at most 76 with every "=" encoded,
    // encoded words of at most 75.
    void roundTrip_data()
    {
        QTest::addColumn<bool>("html");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("recipients"); // To, Cc and Bcc alike
        QTest::addColumn<QStringList>("recipientsBack");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QList<Attachment>>("attachments");

        const QString ann = QStringLiteral("ann@x.org;bob@y.org");
        const QStringList annBack = { QStringLiteral("ann@x.org"), QStringLiteral("bob@y.org") };
        const QString ascii = QStringLiteral("Hello,\nthis is a test.\nSender");
        const QString uSubject = QStringLiteral("R\u00e9sum\u00e9 f\u00fcr \u65e5\u672c \U0001F600 ") + QString(60, QChar(0x00df));
        // Non-ASCII, "=", a blank before a line end, a lone CR and a line over 998 bytes.
        const QString unicode = QStringLiteral("Gr\u00fc\u00dfe aus K\u00f6ln \u2013 \u20ac5\r\n\u65e5\u672c\u8a9e \U0001F600\r"
                                               "trailing blank \nx=1\n") + QString(1500, QLatin1Char('a'));
        QByteArray binary;
        for (int i = 0; i < 5000; ++i)
            binary += char(i * 37 + i / 256);
        const QByteArray payload("\x00\x01\xfe\xff payload", 12);
        const auto text = [](const QString& name, const QByteArray& bytes, const QString& back, const QString& type) {
            return Attachment{ name, QString::fromUtf8(bytes), false, back, type, bytes };
        };
        const auto bin = [](const QString& name, const QByteArray& bytes, const QString& back, const QString& type) {
            return Attachment{ name, QString::fromLatin1(bytes.toBase64()), true, back, type, bytes };
        };
        const QString png = QStringLiteral("image.png"), csv = QStringLiteral("text/csv"), txt = QStringLiteral("text/plain");
        const QList<Attachment> files = {
            bin(png, binary, png, QStringLiteral("image/png")),
            text(QStringLiteral("notes.txt"), QStringLiteral("Zeile 1: \u00e4\u00f6\u00fc\r\nZeile 2\r\n").toUtf8(), QStringLiteral("notes.txt"), txt),
            text(QStringLiteral("table.csv"), "a,b\n1,2\n", QStringLiteral("table.csv"), csv),
        };
        Attachment pdf = bin(QStringLiteral("C:\\Users\\me\\\u00fcbersicht \u65e5\u672c.pdf"), payload,
                             QStringLiteral("\u00fcbersicht \u65e5\u672c.pdf"), QStringLiteral("application/pdf"));
        pdf.data.prepend(QStringLiteral("data:application/pdf;base64,"));
        const QList<Attachment> hostile = {
            text(QStringLiteral("say \"hi\".txt"), "quoted", QStringLiteral("say \"hi\".txt"), txt), pdf,
            bin(QStringLiteral("../../etc/") + QString(80, QChar(0x00e9)) + QStringLiteral(".bin"), payload,
                QString(80, QChar(0x00e9)) + QStringLiteral(".bin"), QStringLiteral("application/octet-stream")),
            // Long, holding "=?", holding a NUL, and named like a PDF file of the working folder.
            text(QString(200, QLatin1Char('n')) + QStringLiteral(".txt"), "long", QString(200, QLatin1Char('n')) + QStringLiteral(".txt"), txt),
            text(QStringLiteral("=?utf-8?B?SGFjaw==?=.txt"), "hack", QStringLiteral("=?utf-8?B?SGFjaw==?=.txt"), txt),
            text(QLatin1String("no") + QChar(0) + QLatin1String("tes.csv"), "nul", QStringLiteral("notes.csv"), csv),
            text(QStringLiteral("scan.vhx"), "not a PDF", QStringLiteral("scan.vhx"), QStringLiteral("application/octet-stream")),
        };
        QStringList many;
        for (int i = 0; i < 150; ++i)
            many << QStringLiteral("user%1@example.com").arg(i);

        QTest::newRow("plain") << false << QString() << ann << annBack << QStringLiteral("Layout test") << ascii << QList<Attachment>();
        QTest::newRow("plain utf-8") << false << QString() << ann << annBack << uSubject << unicode << QList<Attachment>();
        QTest::newRow("attachments") << false << QString() << ann << annBack << QStringLiteral("Files") << ascii << files;
        QTest::newRow("html") << true << QString() << ann << annBack << QStringLiteral("Html") << QStringLiteral("<p>Hi <b>there</b> a=b</p>")
                              << QList<Attachment>();
        QTest::newRow("html attachments utf-8") << true << QString() << ann << annBack << uSubject
                                                << QStringLiteral("<p>") + unicode + QStringLiteral("</p>\n") << files;
        QTest::newRow("long headers") << false << many.first() << many.join(QLatin1Char(';')) << many
                                      << QStringLiteral("word ").repeated(500).trimmed() << ascii << QList<Attachment>();
        QTest::newRow("long word") << false << QString() << ann << annBack << QString(300, QLatin1Char('x')) << ascii << QList<Attachment>();
        QTest::newRow("display names")
            << false << QStringLiteral("J\u00f6rg \u00d6d\u00f6n <joerg@example.com>")
            << QStringLiteral("J\u00f6rg \u00d6d\u00f6n <joerg@example.com>; \"Doe, \\\"JD\\\" \\\\ John\" <jd@x.org>;"
                              "info@b\u00fccher.example;Ann Lee <ann@x.org>;<bare@x.org>")
            << QStringList({ QStringLiteral("J\u00f6rg \u00d6d\u00f6n <joerg@example.com>"), QStringLiteral("Doe, \"JD\" \\ John <jd@x.org>"),
                             QStringLiteral("info@xn--bcher-kva.example"), QStringLiteral("Ann Lee <ann@x.org>"), QStringLiteral("bare@x.org") })
            << QStringLiteral("Names") << ascii << QList<Attachment>();
        QTest::newRow("controls and look-alikes")
            << false << QString() << QStringLiteral("ann@x.org\x01;\r\nbob@y.org;=?utf-8?B?SGFjaw==?= <h@x.org>")
            << QStringList({ annBack.first(), annBack.last(), QStringLiteral("=?utf-8?B?SGFjaw==?= <h@x.org>") })
            << QStringLiteral("=?utf-8?B?SGFjaw==?= Hello\r\nBcc: victim@x.org\nX-Evil: 1\x07\t\x1b") + QChar(0) + QLatin1String("end")
            // Lines equal to the boundary prefix must not split the message.
            << QStringLiteral("Before\n------=_NextPart_\n------=_NextPart_--\nAfter") << hostile;
        QTest::newRow("not flowed") << false << QString() << ann << annBack << QStringLiteral("Blanks")
                                    << QStringLiteral("ends with spaces   \nnext\n  two\n \n") << QList<Attachment>();
    }

    void roundTrip()
    {
        QFETCH(bool, html);
        QFETCH(QString, from);
        QFETCH(QString, recipients);
        QFETCH(QStringList, recipientsBack);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QFETCH(QList<Attachment>, attachments);
        Email email;
        email.from = from;
        email.readReceipt = true; // noted only with a sender
        email.priority = static_cast<Email::MailPriority>(7);
        email.to = email.cc = email.bcc = recipients;
        email.subject = subject;
        email.body = body;
        email.isHtml = html;
        for (const Attachment& attachment : attachments)
            email.addAttachment(attachment.name, attachment.data, attachment.binary);
        // ASCII only, line feeds alone, no line over 998 characters, short encoded words.
        const QString eml = email.toEML();
        QVERIFY(!eml.contains(QRegularExpression(QStringLiteral("[^\\x01-\\x7f]|\\r|[^\\n]{999}"))));
        for (auto words = QRegularExpression(QStringLiteral("=\\?[^?\\s]*\\?[bBqQ]\\?[^?\\s]*\\?=")).globalMatch(eml); words.hasNext();)
            QVERIFY(words.next().capturedLength() <= 75);

        email.tempDir = work_.path() + QStringLiteral("/temp");
        const QString path = AttatchmentManager().createEmlFile(&email);
        QVERIFY(!path.isNull());
        const QJsonObject parsed = parseEml(path);
        QCOMPARE(strings(parsed.value(QStringLiteral("defects"))), QStringList());
        QVERIFY(parsed.value(QStringLiteral("longestHeaderLine")).toInt() <= 78);
        QString subjectBack = subject;
        subjectBack.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QRegularExpression(QStringLiteral("[\\r\\n]")), QStringLiteral(" "));
        QCOMPARE(headerValues(parsed, "subject"), QStringList({ subjectBack.remove(QRegularExpression(QStringLiteral("[\\x00-\\x08\\x0a-\\x1f]"))) }));
        const QJsonObject addresses = parsed.value(QStringLiteral("addresses")).toObject();
        for (const char* header : { "to", "cc", "bcc" })
            QCOMPARE(strings(addresses.value(QLatin1String(header))), recipientsBack);
        QCOMPARE(headerValues(parsed, "disposition-notification-to"), strings(addresses.value(QStringLiteral("from"))));
        QCOMPARE(strings(addresses.value(QStringLiteral("from"))).value(0), from);
        QCOMPARE(headerValues(parsed, "x-unsent").size(), from.isEmpty() ? 1 : 0);
        QCOMPARE(headerValues(parsed, "x-priority") + headerValues(parsed, "mime-version"), QStringList({ "3", "1.0" }));

        const QJsonObject root = parsed.value(QStringLiteral("root")).toObject();
        QCOMPARE(field(root, "type"), QLatin1String(!attachments.isEmpty() ? "multipart/mixed" : html ? "multipart/alternative" : "text/plain"));
        QVERIFY(field(root, "boundary").isEmpty() || !eml.contains(field(root, "boundary"))); // each message its own
        if (html && !attachments.isEmpty())
            QCOMPARE(field(subPart(root, 0), "type"), QStringLiteral("multipart/alternative"));
        QList<QJsonObject> texts, files;
        for (const QJsonValue& leaf : parsed.value(QStringLiteral("leaves")).toArray())
            (field(leaf.toObject(), "disposition") == QLatin1String("attachment") ? files : texts) << leaf.toObject();
        const QByteArray bodyBack = body.toUtf8().replace("\r\n", "\n").replace('\r', '\n');
        QCOMPARE(texts.size(), html ? 2 : 1);
        for (const QJsonObject& part : qAsConst(texts)) {
            QCOMPARE(partBytes(part), bodyBack);
            QCOMPARE(field(part, "text"), QString::fromUtf8(bodyBack)); // as its charset says
            if (part.contains(QStringLiteral("flowed")))
                QCOMPARE(field(part, "flowed"), QString::fromUtf8(bodyBack));
            for (const QString& line : field(part, "raw").split(QLatin1Char('\n'))) // quoted-printable
                QVERIFY2(line.size() <= 76 && !line.contains(QRegularExpression(QStringLiteral("=(?![0-9A-F]{2}|$)"))), qPrintable(line));
        }
        QCOMPARE(files.size(), attachments.size());
        for (int i = 0; i < files.size(); ++i) {
            QCOMPARE(field(files.at(i), "filename"), attachments.at(i).back);
            QCOMPARE(field(files.at(i), "name"), attachments.at(i).back);
            QCOMPARE(field(files.at(i), "type"), attachments.at(i).type);
            QCOMPARE(partBytes(files.at(i)), attachments.at(i).bytes);
        }
    }

    void refusedNames()
    {
        QTemporaryDir dir;
        AttatchmentManager manager;
        Email noFolder;
        QVERIFY(manager.createEmlFile(&noFolder).isNull());
        // Names that leave no file name ("a/" leaves "") make no file.
        for (const QString& name : { QStringLiteral(".."), QStringLiteral("."), QStringLiteral("a/"), QStringLiteral("x/..") }) {
            Email refused;
            refused.tempDir = dir.path();
            refused.addAttachment(name, QStringLiteral("data"), false);
            QVERIFY2(manager.createEmlFile(&refused).isNull(), qPrintable(name));
        }
        QVERIFY(QDir(dir.path()).isEmpty());
    }
};

int main(int argc, char** argv)
{
    // Day and month names of the system locale must not reach the Date line
    // (the parser reports them as a defect).
    qputenv("LC_TIME", "de_DE.UTF-8");
    QCoreApplication app(argc, argv);
    TestMailEmail test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mail_email.moc"
