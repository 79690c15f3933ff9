#include "core/Base64.h"

#include <QtTest>

class TestBase64 : public QObject
{
    Q_OBJECT

private slots:
    void base64_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("roundTrip"); // toBase64 gives the text back
        // Padded, both ends of the alphabet; data URLs; what pages send loosely.
        QTest::newRow("empty") << QString() << QByteArray() << true;
        QTest::newRow("fo") << "Zm8=" << QByteArray("fo") << true;
        QTest::newRow("alphabet ends, NUL") << "+/8A" << QByteArray("\xfb\xff\x00", 3) << true;
        QTest::newRow("data URL without type") << "data:,Zm9v" << QByteArray("foo") << false;
        QTest::newRow("data URL, last comma counts") << "data:text/plain;name=a,b.txt;base64,SGk=" << QByteArray("Hi")
                                                     << false;
        QTest::newRow("line breaks skipped") << "Zm9v\r\nYmFy\n" << QByteArray("foobar") << false;
        QTest::newRow("missing padding") << "Zm9vYg" << QByteArray("foob") << false;
        QTest::newRow("comma without data: prefix") << "Zm9v,YmFy" << QByteArray("foobar") << false;
    }

    void base64()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, data);
        QFETCH(bool, roundTrip);
        QCOMPARE(Base64::fromBase64(text), data);
        if (roundTrip) {
            QCOMPARE(Base64::toBase64(data), text);
            QCOMPARE(Base64::fromBase64("data:application/octet-stream;base64," + text), data);
        }
    }
};

QTEST_GUILESS_MAIN(TestBase64)
#include "tst_Base64.moc"
