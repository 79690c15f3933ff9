// The hand-off roads of a mail message, end to end through /bin/sh into
// stand-in programs first on PATH: the Mail AppleScript into osascript, the
// Thunderbird command line (beside a running process of that name), the EML
// file opened by xdg-open, the send results and the delayed deletion.

#include "mail/Email.h"

#include "MailTestSupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

using namespace MailTest;

class TestMailHandoff : public QObject
{
    Q_OBJECT

    Sandbox box_;
    int folders_ = 0;

    QString path(const char* name) const { return box_.path(QLatin1String(name)); }
    // A message with a temporary folder of its own.
    Email message()
    {
        Email email;
        email.tempDir = box_.path(QStringLiteral("send%1/temp").arg(++folders_));
        return email;
    }
    static int files(const QString& dir, const char* pattern)
    {
        return QDir(dir).entryList({ QLatin1String(pattern) }, QDir::Files).size();
    }

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(box_.path(QString()))); }

    void mailRoad_data()
    {
        QTest::addColumn<bool>("html");
        QTest::newRow("plain") << false;
        QTest::newRow("html") << true;
    }

    void mailRoad()
    {
        QFETCH(bool, html);
        QVERIFY(box_.registerMailClient(QStringLiteral("Mail")));
        QVERIFY(box_.addStandIn(QStringLiteral("osascript"), true));
        const QByteArray binary("\x00\x01\x02\xff binary", 11);
        Email email = message();
        email.tempDir += QStringLiteral("/mail \"box\\");
        email.subject = QStringLiteral("\\\\ \\n \\t \"q\" 'a' $HOME ${x} $(touch pwned) `touch pwned` \\$ \\` %s %% \\0 !");
        email.body = QStringLiteral("Body \\n with\nreal line\\\\ and $PATH `id`\n\u00fc\u00f1\u00ee\u00e7\u00f8d\u00e9");
        email.to = QStringLiteral("ann@x.org;bob\"@y.org");
        email.isHtml = html;
        email.addAttachment(QStringLiteral("notes.txt"), QStringLiteral("Gr\u00fc\u00dfe\n"), false);
        email.addAttachment(QStringLiteral("../../escape/pic.png"),
                            QStringLiteral("data:image/png;base64,") + QString::fromLatin1(binary.toBase64()), true);
        // A name already taken, in any case, gets a file of its own.
        email.addAttachment(QStringLiteral("other/Notes.txt"), QStringLiteral("second"), false);
        QCOMPARE(email.send(), int(Email::SendOk));
        // The script reaches osascript whole (printf '%s\n' adds one line
        // feed), and each of its string literals reads back as the value given.
        const QString script = QString::fromUtf8(readBytes(path("osascript.stdin")));
        QCOMPARE(script, email.toMailAppAppleScript() + QLatin1Char('\n'));
        QStringList literals;
        for (auto m = QRegularExpression(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\"")).globalMatch(script); m.hasNext();)
            literals << m.next().captured(1).replace(QRegularExpression(QStringLiteral("\\\\(.)")), QStringLiteral("\\1"));
        for (const QString& value : { email.subject, email.body, QStringLiteral("ann@x.org"), QStringLiteral("bob\"@y.org"),
                                      email.tempDir + QStringLiteral("/pic.png"), email.tempDir + QStringLiteral("/Notes (2).txt") })
            QVERIFY2(literals.contains(value), qPrintable(value));
        QVERIFY(box_.arguments(QStringLiteral("osascript")).isEmpty());
        QVERIFY(!QFile::exists(path("pwned")));
        QCOMPARE(readBytes(email.tempDir + QStringLiteral("/notes.txt")), QStringLiteral("Gr\u00fc\u00dfe\n").toUtf8());
        QCOMPARE(readBytes(email.tempDir + QStringLiteral("/pic.png")), binary);
        QCOMPARE(readBytes(email.tempDir + QStringLiteral("/Notes (2).txt")), QByteArray("second"));
        QVERIFY(!QFileInfo::exists(email.tempDir + QStringLiteral("/../../escape")));

        // A name that leaves no file name: nothing more is written or run.
        QVERIFY(box_.addStandIn(QStringLiteral("osascript"), true));
        Email refused = message();
        refused.addAttachment(QStringLiteral("first.txt"), QStringLiteral("1"), false);
        refused.addAttachment(QStringLiteral("sub/.."), QStringLiteral("2"), false);
        refused.addAttachment(QStringLiteral("third.txt"), QStringLiteral("3"), false);
        QCOMPARE(refused.send(), int(Email::SendFileCreationFailed));
        QCOMPARE(QDir(refused.tempDir).entryList(QDir::Files), QStringList({ QStringLiteral("first.txt") }));
        QVERIFY(!QFile::exists(path("osascript.args")));
    }

    void thunderbirdRoad()
    {
        // A running client takes the command line itself and keeps the user's
        // windows: a copy of sleep named thunderbird must outlive the send.
        QVERIFY(QDir().mkpath(path("running")));
        QVERIFY(QFile::copy(QStandardPaths::findExecutable(QStringLiteral("sleep")), path("running/thunderbird")));
        QProcess running;
        running.start(path("running/thunderbird"), { QStringLiteral("300") });
        QVERIFY(running.waitForStarted());

        QVERIFY(box_.registerMailClient(QStringLiteral("Mozilla Thunderbird")));
        Email email = message();
        email.to = QStringLiteral("ann@x.org;bob@y.org");
        // "'," in a value would end its entry and let the value add entries.
        email.subject = QStringLiteral("x',attachment='file:///etc/shadow");
        email.body = QStringLiteral("It's\nfine");
        email.addAttachment(QStringLiteral("x',y.txt"), QStringLiteral("1"), false);
        email.addAttachment(QStringLiteral("100% #1.txt"), QStringLiteral("2"), false);
        email.addAttachment(QStringLiteral("b/100% #1.txt"), QStringLiteral("3"), false);
        QCOMPARE(email.send(), int(Email::SendOk));
        QTRY_VERIFY(QFile::exists(path("mailer.args")));
        QVERIFY(!running.waitForFinished(300) && running.state() == QProcess::Running);
        running.kill();
        running.waitForFinished();
        const QString t = QUrl::fromLocalFile(email.tempDir).toString();
        QCOMPARE(box_.arguments(QStringLiteral("mailer")),
                 QStringList({ QStringLiteral("-compose"),
                               QStringLiteral("to='ann@x.org,bob@y.org',subject='x\u2019,attachment='file:///etc/shadow',"
                                              "format='2',body='It's\nfine',attachment='")
                                   + t + QStringLiteral("/x%27%2Cy.txt,") + t + QStringLiteral("/100%25%20%231.txt,")
                                   + t + QStringLiteral("/100%25%20%231%20(2).txt'") }));
        QCOMPARE(readBytes(email.tempDir + QStringLiteral("/x',y.txt")), QByteArray("1"));
        QCOMPARE(readBytes(email.tempDir + QStringLiteral("/100% #1 (2).txt")), QByteArray("3"));
    }

    // The four results of a send. What was handed over goes once about 5 s
    // old; a script that failed and a file no one opened stay.
    void resultsAndDeletion()
    {
        QVERIFY(box_.registerMailClient(QStringLiteral("Mail")));
        QVERIFY(box_.addStandIn(QStringLiteral("osascript"), true));
        Email ok = message();
        ok.addAttachment(QStringLiteral("kept.txt"), QStringLiteral("k"), false);
        QCOMPARE(ok.send(), int(Email::SendOk));
        QCOMPARE(files(ok.tempDir, "*.sh"), 1);

        QVERIFY(box_.addStandIn(QStringLiteral("osascript"), true, "execution error: Mail got an error (-1728)\n", 1));
        Email failed = message();
        QCOMPARE(failed.send(), int(Email::SendClientError));
        QCOMPARE(failed.lastError, QStringLiteral("execution error: Mail got an error (-1728)\n"));

        QVERIFY(box_.registerMailClient(QStringLiteral("Mozilla Thunderbird")));
        Email thunderbird = message();
        QCOMPARE(thunderbird.send(), int(Email::SendOk));
        QCOMPARE(files(thunderbird.tempDir, "*.sh"), 1);

        // Mail without osascript gets an EML file like any other client, which
        // the desktop opens on a real display only (Xvfb here).
        QVERIFY(QFile::remove(path("bin/osascript")));
        QVERIFY(box_.registerMailClient(QStringLiteral("Mail")));
        QVERIFY(box_.addStandIn(QStringLiteral("xdg-open")));
        Email eml = message();
        eml.subject = QStringLiteral("Opened");
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            QCOMPARE(eml.send(), int(Email::SendOk));
            QTRY_VERIFY(QFile::exists(path("xdg-open.args")));
            const QStringList arguments = box_.arguments(QStringLiteral("xdg-open"));
            QCOMPARE(arguments.size(), 1);
            QCOMPARE(QFileInfo(QUrl(arguments.first()).toLocalFile()).dir(), QDir(eml.tempDir));
            QCOMPARE(headerValues(parseEml(path("xdg-open.eml")), "subject"), QStringList({ eml.subject }));
            // Qt keeps the launcher it found: without it the opening fails.
            QVERIFY(QFile::remove(path("bin/xdg-open")));
        }
        Email unopened = message();
        unopened.lastError = QStringLiteral("old");
        QCOMPARE(unopened.send(), int(Email::SendLaunchFailed));
        QVERIFY(unopened.lastError.isEmpty());

        QTest::qWait(2000);
        QCOMPARE(files(ok.tempDir, "*.sh"), 1);
        QTRY_COMPARE_WITH_TIMEOUT(files(ok.tempDir, "*.sh") + files(thunderbird.tempDir, "*.sh") + files(eml.tempDir, "*.eml"),
                                  0, 15000);
        QVERIFY(QFile::exists(ok.tempDir + QStringLiteral("/kept.txt")));
        QCOMPARE(files(failed.tempDir, "*.sh") + files(unopened.tempDir, "*.eml"), 2);
    }
};

int main(int argc, char** argv)
{
    // Files open through xdg-open only on a real display.
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QGuiApplication app(argc, argv);
    TestMailHandoff test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mail_handoff.moc"
