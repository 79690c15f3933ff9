// The mail message as EML, read back with Python's email package (a MIME
// parser no one here wrote).

#include "mail/AttatchmentManager.h"
#include "mail/Email.h"

#include "MailTestSupport.h"

#include <QRegularExpression>
#include <QtTest>

using namespace MailTest;

namespace {

// An attachment as given (Base64 when binary) and as it must come back.
struct Attachment {
    QString name;
    QByteArray bytes;
    QString type;
    bool binary;
    QString back;
};

Attachment file(const QString& name, const QByteArray& bytes, const char* type, bool binary = false,
                const QString& back = QString())
{
    return { name, bytes, QLatin1String(type), binary, back.isNull() ? name : back };
}

} // namespace

Q_DECLARE_METATYPE(QList<Attachment>)

class TestMailEmail : public QObject
{
    Q_OBJECT

    QTemporaryDir work_;

private slots:
    void initTestCase()
    {
        // An attachment's type comes from its name, not from a file of that name.
        QVERIFY(QDir::setCurrent(work_.path()));
        QVERIFY(writeFile(QStringLiteral("scan.vhx"), "%PDF-1.4\n"));
    }

    // Headers decode to the input (line breaks as blanks, other controls gone,
    // a priority out of range as normal), text parts to the body (under
    // format=flowed too where declared), attachments to their names and bytes.
    void roundTrip_data()
    {
        QTest::addColumn<bool>("html");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("recipients"); // To, Cc and Bcc alike
        QTest::addColumn<QString>("recipientsBack");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QList<Attachment>>("attachments");

        const QString uSubject = QStringLiteral("R\u00e9sum\u00e9 f\u00fcr \u65e5\u672c \U0001F600 ") + QString(60, QChar(0x00df));
        // Non-ASCII, "=41", a blank before a line end, a lone CR and a line over 998 bytes.
        const QString unicode = QStringLiteral("Gr\u00fc\u00dfe aus K\u00f6ln \u2013 \u20ac5\r\n\u65e5\u672c\u8a9e \U0001F600\r"
                                               "trailing blank \nx=41\n") + QString(1500, QLatin1Char('a'));
        const QByteArray payload("\x00\x01\xfe\xff payload", 12);
        const QString longName = QString(80, QChar(0x00e9)) + QStringLiteral(".bin");
        const QList<Attachment> files = {
            file(QStringLiteral("image.png"), payload.repeated(400), "image/png", true),
            file(QStringLiteral("say \"hi\".txt"), QStringLiteral("Zeile 1: \u00e4\u00f6\u00fc\r\nZeile 2\r\n").toUtf8(), "text/plain"),
            file(QStringLiteral("table.csv"), "a,b\n1,2\n", "text/csv"),
            file(QStringLiteral("C:\\Users\\no") + QChar(0) + QStringLiteral("tes.pdf"), payload, "application/pdf", true,
                 QStringLiteral("notes.pdf")),
            file(QStringLiteral("../../etc/") + longName, payload, "application/octet-stream", true, longName),
            // Holding "=?", and named like a PDF file of the working folder.
            file(QStringLiteral("=?utf-8?B?SGFjaw==?=.txt"), "hack", "text/plain"),
            file(QStringLiteral("scan.vhx"), "not a PDF", "application/octet-stream"),
        };
        QStringList many;
        for (int i = 0; i < 150; ++i)
            many << QStringLiteral("user%1@example.com").arg(i);
        const QString joerg = QStringLiteral("J\u00f6rg \u00d6d\u00f6n <joerg@example.com>");

        const QString all = many.join(QLatin1Char(';')), allBack = many.join(QStringLiteral(", "));
        QTest::newRow("plain utf-8") << false << QString() << all << allBack << uSubject + QStringLiteral(" word").repeated(500) << unicode
                                     << QList<Attachment>();
        QTest::newRow("html") << true << QString() << all << allBack << uSubject << QStringLiteral("<p>Hi <b>there</b> a=b</p>")
                              << QList<Attachment>();
        QTest::newRow("html attachments utf-8") << true << QString() << all << allBack << uSubject
                                                << QStringLiteral("<p>") + unicode + QStringLiteral("</p>\n") << files;
        QTest::newRow("hostile")
            << false << joerg
            << joerg + QStringLiteral("; \"Doe, \\\"JD\\\" \\\\ John\" <jd@x.org>;info@b\u00fccher.example;<bare@x.org>;"
                                      "ann@x.org\x01;\r\nbob@y.org;=?utf-8?B?SGFjaw==?= <h@x.org>")
            << joerg + QStringLiteral(", \"Doe, \\\"JD\\\" \\\\ John\" <jd@x.org>, info@xn--bcher-kva.example, bare@x.org, ann@x.org, "
                                      "bob@y.org, =?utf-8?B?SGFjaw==?= <h@x.org>")
            << QStringLiteral("=?utf-8?B?SGFjaw==?= Hello\r\nBcc: victim@x.org\nX-Evil: 1\x07\t\x1b") + QChar(0) + QLatin1String("end")
            // Not format=flowed; lines equal to the boundary prefix.
            << QStringLiteral("  Before\n------=_NextPart_\n------=_NextPart_--\nAfter") << files;
    }

    void roundTrip()
    {
        QFETCH(bool, html);
        QFETCH(QString, from);
        QFETCH(QString, recipients);
        QFETCH(QString, recipientsBack);
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
            email.addAttachment(attachment.name, attachment.binary ? QString::fromLatin1(attachment.bytes.toBase64())
                                                                   : QString::fromUtf8(attachment.bytes), attachment.binary);
        // ASCII only, line feeds alone, no line over 998 characters.
        const QString eml = email.toEML();
        QVERIFY(!eml.contains(QRegularExpression(QStringLiteral("[^\\x01-\\x7f]|\\r|[^\\n]{999}"))));

        email.tempDir = work_.path() + QStringLiteral("/temp");
        const QJsonObject parsed = parseEml(AttatchmentManager().createEmlFile(&email));
        QCOMPARE(strings(parsed.value(QStringLiteral("defects"))), QStringList());
        subject.replace(QRegularExpression(QStringLiteral("\\r\\n?|\\n")), QStringLiteral(" "));
        QCOMPARE(headerValues(parsed, "subject"), QStringList({ subject.remove(QRegularExpression("[\\x00-\\x08\\x0b-\\x1f]")) }));
        for (const char* header : { "to", "cc", "bcc" })
            QCOMPARE(headerValues(parsed, header), QStringList({ recipientsBack }));
        // The receipt only with a sender, X-Unsent only without one.
        QCOMPARE(headerValues(parsed, "from") + headerValues(parsed, "disposition-notification-to") + headerValues(parsed, "x-unsent"),
                 from.isEmpty() ? QStringList({ "1" }) : QStringList({ from, from }));
        QCOMPARE(headerValues(parsed, "x-priority"), QStringList({ "3" }));

        // The parts in order, the message first.
        QStringList types = html ? QStringList({ "multipart/alternative", "text/plain", "text/html" }) : QStringList({ "text/plain" });
        if (!attachments.isEmpty())
            types.prepend(QStringLiteral("multipart/mixed"));
        for (const Attachment& attachment : attachments)
            types << attachment.type;
        const QString bodyBack = QString::fromUtf8(body.toUtf8().replace("\r\n", "\n").replace('\r', '\n'));
        QStringList typesBack;
        int file = 0;
        for (const QJsonValue& value : parsed.value(QStringLiteral("parts")).toArray()) {
            const QJsonObject part = value.toObject();
            typesBack << field(part, "type");
            QVERIFY(field(part, "boundary").isEmpty() || !eml.contains(field(part, "boundary"))); // each message its own
            if (part.value(QStringLiteral("file")).isString()) {
                const Attachment attachment = attachments.value(file++);
                QCOMPARE(field(part, "file"), attachment.back);
                QCOMPARE(QByteArray::fromBase64(field(part, "bytes").toLatin1()), attachment.bytes);
            } else if (part.contains(QStringLiteral("text"))) {
                QCOMPARE(field(part, "text"), bodyBack); // as its charset says
                QCOMPARE(field(part, "flowed"), bodyBack);
            }
        }
        QCOMPARE(typesBack, types);
    }
};

// Day and month names of the system locale must not reach the Date line
// (the parser reports them as a defect).
static const bool GERMAN_DATES = qputenv("LC_TIME", "de_DE.UTF-8");

QTEST_GUILESS_MAIN(TestMailEmail)

#include "tst_mail_email.moc"
