// The mail message as EML, read back with Python's email package (a MIME
// parser no one here wrote), and the default mail client.

#include "mail/AttatchmentManager.h"
#include "mail/Email.h"

#include "MailTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QtTest>

using namespace MailTest;

class TestMailEmail : public QObject
{
    Q_OBJECT

    QTemporaryDir work_;

    // Writes the message through the manager into a fresh folder and parses it.
    QJsonObject writeAndParse(Email& email)
    {
        QTemporaryDir dir;
        email.tempDir = dir.path() + QStringLiteral("/temp");
        const QString path = AttatchmentManager().createEmlFile(&email);
        return path.isNull() ? QJsonObject() : parseEml(path);
    }

private slots:
    void initTestCase()
    {
        // The MIME database reads a file's content where one exists:
        // attachment names must not meet files of the working folder.
        QVERIFY(QDir::setCurrent(work_.path()));
    }

    void headerBlock()
    {
        Email email;
        email.priority = static_cast<Email::MailPriority>(7); // out of range: Normal
        email.readReceipt = true;                               // but no sender to notify
        QVERIFY(email.toEML().contains(QRegularExpression(QStringLiteral(
            "^X-Unsent: 1\nDate: .*\nX-Priority: 3\nX-MSMail-Priority: Normal\nImportance: Normal\nMIME-Version: 1.0\n"))));
    }

    void layouts_data()
    {
        QTest::addColumn<bool>("html");
        QTest::addColumn<bool>("attachments");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        const QString ascii = QStringLiteral("Hello,\nthis is a test.\n-- \nSender");
        const QString subject = QStringLiteral("Layout test");
        const QString uSubject = QStringLiteral("R\u00e9sum\u00e9 f\u00fcr \u65e5\u672c \U0001F600 ") + QString(60, QChar(0x00df));
        // Non-ASCII, "=", a blank before a line end and a line over 998 bytes.
        const QString unicode = QStringLiteral("Gr\u00fc\u00dfe aus K\u00f6ln \u2013 \u20ac5\n\u65e5\u672c\u8a9e \U0001F600\n"
                                               "trailing blank \nx=1\n") + QString(1500, QLatin1Char('a'));
        QTest::newRow("plain") << false << false << subject << ascii;
        QTest::newRow("plain utf-8") << false << false << uSubject << unicode;
        QTest::newRow("attachments") << false << true << subject << ascii;
        QTest::newRow("html") << true << false << subject << QStringLiteral("<p>Hi <b>there</b> a=b</p>");
        QTest::newRow("html attachments utf-8") << true << true << uSubject << QStringLiteral("<p>") + unicode + QStringLiteral("</p>");
    }

    void layouts()
    {
        QFETCH(bool, html);
        QFETCH(bool, attachments);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QByteArray binary;
        for (int i = 0; i < 5000; ++i)
            binary += char(i * 37 + i / 256);
        const QList<QPair<QString, QByteArray>> files = {
            { QStringLiteral("image.png"), binary },
            { QStringLiteral("notes.txt"), QStringLiteral("Zeile 1: \u00e4\u00f6\u00fc\r\nZeile 2\r\n").toUtf8() },
            { QStringLiteral("table.csv"), QByteArray("a,b\n1,2\n") },
        };
        Email email;
        email.to = QStringLiteral("ann@x.org;bob@y.org");
        email.cc = QStringLiteral("carl@z.org");
        email.subject = subject;
        email.body = body;
        email.isHtml = html;
        for (int i = 0; attachments && i < files.size(); ++i) {
            email.addAttachment(files.at(i).first, i == 0 ? QString::fromLatin1(binary.toBase64())
                                                          : QString::fromUtf8(files.at(i).second), i == 0);
        }
        // ASCII only, line feeds alone, no line over 998 characters.
        const QString eml = email.toEML();
        QVERIFY(!eml.contains(QRegularExpression(QStringLiteral("[^\\x01-\\x7f]|\\r|[^\\n]{999}"))));

        const QJsonObject parsed = writeAndParse(email);
        QVERIFY(!parsed.isEmpty());
        QCOMPARE(defects(parsed), QStringList());
        QCOMPARE(headerValues(parsed, "to"), QStringList({ QStringLiteral("ann@x.org, bob@y.org") }));
        QCOMPARE(headerValues(parsed, "cc"), QStringList({ QStringLiteral("carl@z.org") }));
        QCOMPARE(headerValues(parsed, "subject"), QStringList({ subject }));
        QCOMPARE(headerValues(parsed, "x-unsent"), QStringList({ QStringLiteral("1") }));

        const QJsonObject root = parsed.value(QStringLiteral("root")).toObject();
        QCOMPARE(field(root, "type"), QLatin1String(attachments ? "multipart/mixed" : html ? "multipart/alternative" : "text/plain"));
        QJsonObject text = root;
        QJsonObject alternative = root;
        if (html || attachments) {
            QVERIFY(field(root, "boundary").startsWith(QStringLiteral("----=_NextPart_")));
            QVERIFY(field(root, "boundary").size() > 23);
            const QRegularExpression boundary(QStringLiteral("boundary=\"([^\"]+)"));
            QVERIFY(boundary.match(eml).captured(1) != boundary.match(email.toEML()).captured(1)); // each its own
            QCOMPARE(root.value(QStringLiteral("parts")).toArray().size(), attachments ? 4 : 2);
            if (html && attachments) {
                alternative = subPart(root, 0);
                QCOMPARE(field(alternative, "type"), QStringLiteral("multipart/alternative"));
                QVERIFY(field(alternative, "boundary").startsWith(QStringLiteral("----=_NextPart_Nested_")));
            }
            text = subPart(html ? alternative : root, 0);
        }
        // Non-ASCII text is declared UTF-8 and goes quoted-printable.
        const bool ascii = !body.contains(QRegularExpression(QStringLiteral("[^\\x00-\\x7f]")));
        const QString readBack = html ? body + QLatin1Char('\n') : body;
        QCOMPARE(field(text, "type"), QStringLiteral("text/plain"));
        QCOMPARE(field(text, "text"), readBack);
        QCOMPARE(field(text, "charset"), QLatin1String(ascii ? "iso-8859-1" : "utf-8"));
        QCOMPARE(field(text, "cte"), QLatin1String(ascii ? "7bit" : "quoted-printable"));
        if (html) {
            const QJsonObject htmlPart = subPart(alternative, 1);
            QCOMPARE(field(htmlPart, "type"), QStringLiteral("text/html"));
            QCOMPARE(field(htmlPart, "cte"), QStringLiteral("quoted-printable"));
            QCOMPARE(field(htmlPart, "text"), readBack);
        }
        for (int i = 0; attachments && i < files.size(); ++i) {
            const QJsonObject part = subPart(root, i + 1);
            QCOMPARE(field(part, "filename"), files.at(i).first);
            QCOMPARE(field(part, "name"), files.at(i).first);
            QCOMPARE(field(part, "disposition"), QStringLiteral("attachment"));
            QCOMPARE(partBytes(part), files.at(i).second);
        }
        if (attachments) {
            QCOMPARE(field(subPart(root, 1), "type"), QStringLiteral("image/png"));
            QCOMPARE(field(subPart(root, 2), "charset"), QStringLiteral("utf-8"));
            QCOMPARE(field(subPart(root, 3), "cte"), QStringLiteral("7bit"));
        }
    }

    void hostileValues()
    {
        const QByteArray payload("\x00\x01\xfe\xff payload", 12);
        Email email;
        // A line break in a header value would end the header block.
        email.subject = QStringLiteral("Hello\r\nBcc: victim@x.org\nX-Evil: 1\n\nInjected body");
        email.to = QStringLiteral("ann@x.org;\r\nbob@y.org");
        // Lines equal to the boundary prefix must not split the message.
        email.body = QStringLiteral("Before\n------=_NextPart_\n------=_NextPart_--\nAfter");
        email.addAttachment(QStringLiteral("say \"hi\".txt"), QStringLiteral("quoted"), false);
        email.addAttachment(QStringLiteral("C:\\Users\\me\\\u00fcbersicht \u65e5\u672c.pdf"),
                            QStringLiteral("data:application/pdf;base64,") + QString::fromLatin1(payload.toBase64()), true);
        email.addAttachment(QStringLiteral("../../etc/") + QString(80, QChar(0x00e9)) + QStringLiteral(".bin"),
                            QString::fromLatin1(payload.toBase64()), true);
        const QJsonObject parsed = writeAndParse(email);
        QCOMPARE(defects(parsed), QStringList());
        QCOMPARE(headerValues(parsed, "subject"),
                 QStringList({ QStringLiteral("Hello Bcc: victim@x.org X-Evil: 1  Injected body") }));
        QVERIFY(headerValues(parsed, "bcc").isEmpty() && headerValues(parsed, "x-evil").isEmpty());
        QCOMPARE(headerValues(parsed, "to"), QStringList({ QStringLiteral("ann@x.org, bob@y.org") }));

        const QJsonObject root = parsed.value(QStringLiteral("root")).toObject();
        QCOMPARE(root.value(QStringLiteral("parts")).toArray().size(), 4);
        QCOMPARE(field(subPart(root, 0), "text"), email.body);
        QCOMPARE(field(subPart(root, 1), "filename"), QStringLiteral("say \"hi\".txt"));
        QCOMPARE(field(subPart(root, 1), "name"), QStringLiteral("say \"hi\".txt"));
        QCOMPARE(partBytes(subPart(root, 1)), QByteArray("quoted"));
        QCOMPARE(field(subPart(root, 2), "filename"), QStringLiteral("\u00fcbersicht \u65e5\u672c.pdf"));
        QCOMPARE(field(subPart(root, 2), "type"), QStringLiteral("application/pdf"));
        QCOMPARE(partBytes(subPart(root, 2)), payload);
        QCOMPARE(field(subPart(root, 3), "filename"), QString(80, QChar(0x00e9)) + QStringLiteral(".bin"));
        QCOMPARE(partBytes(subPart(root, 3)), payload);
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

    void defaultMailClient()
    {
        XdgTree xdg;
        QVERIFY(Email::defaultMailClient().isNull());
        QVERIFY(Email::defaultMailClientOpenCommand().isNull());
        QVERIFY(!Email::isDefaultMailClientSetup());

        const QString program = xdg.dir.path() + QStringLiteral("/my-mailer");
        QVERIFY(writeFile(program, "#!/bin/sh\nexit 0\n", true));
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
    // Day and month names of the system locale must not reach the Date line
    // (the parser reports them as a defect).
    qputenv("LC_TIME", "de_DE.UTF-8");
    QCoreApplication app(argc, argv);
    TestMailEmail test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mail_email.moc"
