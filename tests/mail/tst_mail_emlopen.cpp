// The EML road: the message file opened with the desktop's handler. Qt opens
// files only on a real display (Xvfb here), by running xdg-open from PATH.
// Qt keeps the launcher it found for the life of the process, so the refusal
// (no launcher at all) comes before the stand-in goes on PATH.

#include "mail/Email.h"

#include "MailTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QtTest>

using namespace MailTest;

class TestMailEmlOpen : public QObject
{
    Q_OBJECT

private slots:
    void openedAndDeletedLater()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("opening files needs a display (DISPLAY is not set)");
        QTemporaryDir root;
        QVERIFY(QDir::setCurrent(root.path()));
        const QString bin = root.path() + QStringLiteral("/bin");
        const QByteArray originalPath = qgetenv("PATH");
        XdgTree xdg;
        QVERIFY(xdg.registerMailClient(QStringLiteral("Evolution"), QStringLiteral("/bin/true %u")));
        const auto emlFiles = [](const Email& email) {
            return QDir(email.tempDir).entryList({ QStringLiteral("*.eml") }, QDir::Files);
        };

        // Nothing on PATH can open the file: it stays.
        QVERIFY(QDir().mkpath(bin));
        qputenv("PATH", QFile::encodeName(bin));
        Email refused;
        refused.tempDir = root.path() + QStringLiteral("/refused");
        QCOMPARE(refused.send(), int(Email::SendLaunchFailed));
        QCOMPARE(emlFiles(refused).size(), 1);

        // A stand-in xdg-open records its arguments and keeps a copy of the file.
        const QString record = root.path() + QStringLiteral("/xdg-open.args");
        const QString copy = root.path() + QStringLiteral("/opened.eml");
        QVERIFY(writeFile(bin + QStringLiteral("/xdg-open"),
                                "#!/bin/sh\ncp \"${1#file://}\" '" + QFile::encodeName(copy) + "'\n" + recorderScript(record), true));
        qputenv("PATH", QFile::encodeName(bin) + ':' + originalPath);
        Email email;
        email.tempDir = root.path() + QStringLiteral("/opened");
        email.subject = QStringLiteral("Opened");
        email.isHtml = true;
        QCOMPARE(email.send(), int(Email::SendOk));
        QTRY_VERIFY(QFile::exists(record));
        QCOMPARE(emlFiles(email).size(), 1);
        const QString path = email.tempDir + QLatin1Char('/') + emlFiles(email).first();
        const QStringList arguments = recordedArguments(record);
        QCOMPARE(arguments.size(), 1);
        QVERIFY2(arguments.first().startsWith(QStringLiteral("file://")), qPrintable(arguments.first()));
        QCOMPARE(QDir::cleanPath(arguments.first().mid(7)), path);
        QCOMPARE(headerValues(parseEml(copy), "subject"), QStringList({ email.subject }));

        // Handed over: deleted once about 5 s old; the refused file, older, stays.
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(path), 15000);
        QCOMPARE(emlFiles(refused).size(), 1);
        qputenv("PATH", originalPath);
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QApplication app(argc, argv);
    TestMailEmlOpen test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mail_emlopen.moc"
