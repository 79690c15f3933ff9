// The mail text rules, output for output: header folding, encoded words,
// address lists, RFC 2231 parameters, quoted-printable and Base64 lines.

#include "core/Base64.h"
#include "mail/MailText.h"

#include <QtTest>

class TestMailText : public QObject
{
    Q_OBJECT

private slots:
    void encoders_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        const QString subject = QStringLiteral("subject"), to = QStringLiteral("to"), qp = QStringLiteral("qp");
        QStringList many;
        for (int i = 0; i < 8; ++i)
            many << QStringLiteral("user%1@example.com").arg(i);

        QTest::newRow("text folds at blanks") << subject << QStringLiteral("word ").repeated(40).trimmed()
            << QStringLiteral("Subject: word word word word word word word word word word word word word word\n"
                              " word word word word word word word word word word word word word word word\n"
                              " word word word word word word word word word word word\n");
        QTest::newRow("long word as encoded words") << subject << QString(100, QLatin1Char('x'))
            << QStringLiteral("Subject: =?utf-8?B?eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4?=\n"
                              " =?utf-8?B?eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4?=\n"
                              " =?utf-8?B?eHh4eHh4eHh4eHh4eA==?=\n");
        QTest::newRow("encoded-word look-alike") << subject << QStringLiteral("=?utf-8?B?SGFjaw==?=\x01\r\n")
            << QStringLiteral("Subject: =?utf-8?B?PT91dGYtOD9CP1NHRmphdz09Pz0g?=\n");
        QTest::newRow("addresses fold between addresses") << to << many.join(QLatin1Char(';'))
            << QStringLiteral("To: user0@example.com,user1@example.com,user2@example.com,user3@example.com,\n"
                              " user4@example.com,user5@example.com,user6@example.com,user7@example.com\n");
        QTest::newRow("display names") << to
            << QStringLiteral("J\u00f6rg \u00d6d\u00f6n <joerg@example.com>; \"Doe, \\\"JD\\\" \\\\ John\" <jd@x.org>;"
                              "info@b\u00fccher.example;Ann Lee <ann@x.org>;;<bare@x.org>;J\u00f6rg at home")
            << QStringLiteral("To: =?utf-8?B?SsO2cmcgw5Zkw7Zu?= <joerg@example.com>,\"Doe, \\\"JD\\\" \\\\ John\"\n"
                              " <jd@x.org>,info@xn--bcher-kva.example,Ann Lee <ann@x.org>,<bare@x.org>,\n"
                              " =?utf-8?B?SsO2cmcgYXQgaG9tZQ==?=\n");
        QTest::newRow("name in one word where it fits one")
            << to << QStringLiteral("ann@x.org;J\u00f6rg \u00d6d\u00f6n M\u00fcller-L\u00fcdenscheidt von B\u00e4r <j@x.org>")
            << QStringLiteral("To: ann@x.org,\n =?utf-8?B?SsO2cmcgw5Zkw7ZuIE3DvGxsZXItTMO8ZGVuc2NoZWlkdCB2b24gQsOkcg==?=\n <j@x.org>\n");
        QTest::newRow("no address") << to << QStringLiteral(" ; ,") << QString();
        QTest::newRow("long parameter") << QStringLiteral("filename") << QString(100, QLatin1Char('n')) + QStringLiteral(".txt")
            << QStringLiteral("filename*0*=utf-8''nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn\n"
                              "filename*1*=nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn.txt");
        QTest::newRow("quoted parameter") << QStringLiteral("filename") << QStringLiteral("a b.txt")
                                          << QStringLiteral("filename=\"a b.txt\"");
        QTest::newRow("qp soft break at end") << qp << QStringLiteral("a=b \nc") << QStringLiteral("a=3Db=20\nc=");
        QTest::newRow("qp 76 places") << qp << QString(80, QLatin1Char('q'))
                                      << QString(75, QLatin1Char('q')) + QStringLiteral("=\nqqqqq=");
        QTest::newRow("qp last place kept for the soft break") << qp << QString(75, QLatin1Char('q'))
                                                               << QString(75, QLatin1Char('q')) + QLatin1Char('=');
        // Base64 from the page: "as is" where it is wrapped as it stands.
        const QString b64 = QStringLiteral("base64"), asIs = QStringLiteral("as is");
        QByteArray bytes(57 * 1024 + 58, Qt::Uninitialized);
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 7 + i / 251);
        QTest::newRow("base64 across blocks") << b64 << QString::fromLatin1(bytes.toBase64()) << asIs;
        QTest::newRow("base64 padded") << b64 << QStringLiteral("QUJDRA==") << asIs;
        QTest::newRow("base64 stray bits") << b64 << QStringLiteral("QR==") << QString();
        QTest::newRow("base64 data URL") << b64 << QStringLiteral("data:text/plain;base64,QUJD") << QString();
        QTest::newRow("base64 line break") << b64 << QStringLiteral("QUJD\nREVG") << QString();
        QTest::newRow("base64 no padding") << b64 << QStringLiteral("QUJDRA") << QString();
        QTest::newRow("base64 padding inside") << b64 << QStringLiteral("QQ==QQ==") << QString();
        QTest::newRow("base64 outside ASCII") << b64 << QStringLiteral("QU\u0142D") << QString();
    }

    void encoders()
    {
        QFETCH(QString, kind);
        QFETCH(QString, input);
        QFETCH(QString, output);
        if (kind == QLatin1String("subject"))
            QCOMPARE(MailText::textField(QStringLiteral("Subject"), input), output);
        else if (kind == QLatin1String("to"))
            QCOMPARE(MailText::addressField(QStringLiteral("To"), input), output);
        else if (kind == QLatin1String("base64")) {
            QBuffer wrapped, encoded;
            wrapped.open(QIODevice::WriteOnly);
            encoded.open(QIODevice::WriteOnly);
            QCOMPARE(MailText::isPlainBase64(input), !output.isEmpty());
            QVERIFY(MailText::writeBase64Lines(encoded, Base64::fromBase64(input)));
            if (!output.isEmpty()) {
                QVERIFY(MailText::writeBase64Lines(wrapped, input));
                QCOMPARE(wrapped.data(), encoded.data());
                QCOMPARE(QByteArray::fromBase64(wrapped.data()), Base64::fromBase64(input));
            }
        } else if (kind == QLatin1String("qp"))
            QCOMPARE(QString::fromLatin1(MailText::quotedPrintable(input.toLatin1(), true)), output);
        else
            QCOMPARE(MailText::parameterLines(kind, input).join(QLatin1Char('\n')), output);
    }
};

QTEST_GUILESS_MAIN(TestMailText)

#include "tst_mail_text.moc"
