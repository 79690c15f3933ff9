#include "core/Base64.h"

#include <QtTest>

class TestBase64 : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void decode_data();
    void decode();
};

void TestBase64::roundTrip_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("text");

    // RFC 4648 test vectors: every padding length.
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("f") << QByteArray("f") << QStringLiteral("Zg==");
    QTest::newRow("fo") << QByteArray("fo") << QStringLiteral("Zm8=");
    QTest::newRow("foo") << QByteArray("foo") << QStringLiteral("Zm9v");
    QTest::newRow("foob") << QByteArray("foob") << QStringLiteral("Zm9vYg==");
    QTest::newRow("fooba") << QByteArray("fooba") << QStringLiteral("Zm9vYmE=");
    QTest::newRow("foobar") << QByteArray("foobar") << QStringLiteral("Zm9vYmFy");
    QTest::newRow("alphabet ends") << QByteArray("\xfb\xff\xbf", 3) << QStringLiteral("+/+/");

    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.append(char(i));
    QTest::newRow("all bytes with NUL") << allBytes << QString::fromLatin1(allBytes.toBase64());
}

void TestBase64::roundTrip()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, text);
    QCOMPARE(Base64::toBase64(data), text);
    QCOMPARE(Base64::fromBase64(text), data);
    QCOMPARE(Base64::fromBase64(QStringLiteral("data:application/octet-stream;base64,") + text), data);
}

void TestBase64::decode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("data URL") << QStringLiteral("data:image/png;base64,Zm9vYmFy") << QByteArray("foobar");
    QTest::newRow("data URL without type") << QStringLiteral("data:,Zm9v") << QByteArray("foo");
    QTest::newRow("data URL, last comma counts")
        << QStringLiteral("data:text/plain;name=a,b.txt;base64,SGk=") << QByteArray("Hi");
    QTest::newRow("line breaks skipped") << QStringLiteral("Zm9v\r\nYmFy\n") << QByteArray("foobar");
    QTest::newRow("missing padding") << QStringLiteral("Zm9vYg") << QByteArray("foob");
    QTest::newRow("comma without data: prefix is no data URL")
        << QStringLiteral("Zm9v,YmFy") << QByteArray("foobar");
}

void TestBase64::decode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, data);
    QCOMPARE(Base64::fromBase64(text), data);
}

QTEST_GUILESS_MAIN(TestBase64)
#include "tst_Base64.moc"
