// The hand-off roads of a mail message, end to end through /bin/sh into
// stand-in programs first on PATH: the Mail AppleScript into osascript, the
// Thunderbird command line (beside a running process of that name), the
// EML road offscreen, the send results and the delayed deletion.

#include "mail/Email.h"

#include "MailTestSupport.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace MailTest;

class TestMailHandoff : public QObject
{
    Q_OBJECT

    QTemporaryDir root_;
    QScopedPointer<XdgTree> xdg_;
    int folders_ = 0;

    QString path(const char* name) const { return root_.path() + QLatin1Char('/') + QLatin1String(name); }
    QString newTempDir() { return root_.path() + QStringLiteral("/send%1/temp").arg(++folders_); }
    int scripts(const QString& dir) const { return QDir(dir).entryList({ QStringLiteral("*.sh") }, QDir::Files).size(); }

    void setOsascript(const QByteArray& errText = QByteArray(), int exitCode = 0)
    {
        QFile::remove(path("osascript.args"));
        QVERIFY(writeFile(path("bin/osascript"), "#!/bin/sh\n" + recorderScript(path("osascript.args"),
                                                         path("osascript.stdin"), errText, exitCode), true));
    }

    // Every client runs the Thunderbird stand-in; the name picks the road.
    void useClient(const QString& name)
    {
        QFile::remove(path("tb.args"));
        QVERIFY(xdg_->registerMailClient(name, path("bin/tb-standin") + QStringLiteral(" %u")));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(root_.path()));
        QVERIFY(QDir().mkpath(path("bin")));
        qputenv("PATH", QFile::encodeName(path("bin")) + ':' + qgetenv("PATH"));
        xdg_.reset(new XdgTree);
        QVERIFY(writeFile(path("bin/tb-standin"), "#!/bin/sh\n" + recorderScript(path("tb.args")), true));
    }

    void cleanupTestCase() { xdg_.reset(); }

    void appleScriptText()
    {
        Email email;
        email.tempDir = QStringLiteral("/tmp/mail \"box\\");
        email.subject = QStringLiteral("Say \"hi\" \\o/");
        email.body = QStringLiteral("Line 1\nLine \"2\"");
        email.to = QStringLiteral("ann@x.org;bob@y.org");
        email.cc = QStringLiteral("c@z.org, d@z.org");
        email.addAttachment(QStringLiteral("dir/b.pdf"), QStringLiteral("AAA="), true);
        const QString rcpt = QStringLiteral("        make new %1 recipient at end of %1 recipients with properties {address:\"%2\"}\n");
        QCOMPARE(email.toMailAppAppleScript(),
                 QStringLiteral("tell application \"Mail\"\n    activate\n"
                                "    set theMessage to make new outgoing message with properties "
                                "{subject:\"Say \\\"hi\\\" \\\\o/\", content:\"Line 1\nLine \\\"2\\\"\", visible:true}\n"
                                "    tell theMessage\n")
                     + rcpt.arg(QStringLiteral("to"), QStringLiteral("ann@x.org")) + rcpt.arg(QStringLiteral("to"), QStringLiteral("bob@y.org"))
                     + rcpt.arg(QStringLiteral("cc"), QStringLiteral("c@z.org")) + rcpt.arg(QStringLiteral("cc"), QStringLiteral(" d@z.org"))
                     + QStringLiteral("        make new attachment with properties "
                                      "{file name:((\"/tmp/mail \\\"box\\\\/b.pdf\" as POSIX file) as alias)}\n"
                                      "    end tell\nend tell\n"));
    }

    // Mail without osascript gets an EML file like any other client (see
    // tst_mail_emlopen); offscreen the desktop opens nothing: the file stays.
    void emlRoadForMailWithoutOsascript()
    {
        setOsascript();
        QVERIFY(QFile::remove(path("bin/osascript")));
        useClient(QStringLiteral("Mail"));
        Email email;
        email.tempDir = newTempDir();
        email.lastError = QStringLiteral("old");
        QCOMPARE(email.send(), int(Email::SendLaunchFailed));
        QVERIFY(email.lastError.isEmpty());
        QCOMPARE(QDir(email.tempDir).entryList({ QStringLiteral("*.eml") }, QDir::Files).size(), 1);
        QVERIFY(!QFile::exists(path("osascript.args")) && !QFile::exists(path("tb.args")));
    }

    void mailRoad_data()
    {
        QTest::addColumn<bool>("html");
        QTest::newRow("plain") << false;
        QTest::newRow("html") << true;
    }

    void mailRoad()
    {
        QFETCH(bool, html);
        useClient(QStringLiteral("Mail"));
        setOsascript();
        const QByteArray binary("\x00\x01\x02\xff binary", 11);
        Email email;
        email.tempDir = newTempDir();
        email.subject = QStringLiteral("\\\\ \\n \\t \"q\" 'a' $HOME ${x} $(touch pwned) `touch pwned` \\$ \\` %s %% \\0 !");
        email.body = QStringLiteral("Body \\n with\nreal line\\\\ and $PATH `id`\n\u00fc\u00f1\u00ee\u00e7\u00f8d\u00e9");
        email.to = QStringLiteral("ann@x.org;bob@y.org");
        email.isHtml = html;
        email.addAttachment(QStringLiteral("notes.txt"), QStringLiteral("Gr\u00fc\u00dfe\n"), false);
        email.addAttachment(QStringLiteral("../../escape/pic.png"),
                            QStringLiteral("data:image/png;base64,") + QString::fromLatin1(binary.toBase64()), true);
        // A name already taken, in any case, gets a file of its own.
        email.addAttachment(QStringLiteral("other/Notes.txt"), QStringLiteral("second"), false);
        QCOMPARE(email.send(), int(Email::SendOk));
        // printf '%s\n' adds one line feed of its own.
        QCOMPARE(readBytes(path("osascript.stdin")), (email.toMailAppAppleScript() + QLatin1Char('\n')).toUtf8());
        QVERIFY(recordedArguments(path("osascript.args")).isEmpty());
        QVERIFY(!QFile::exists(path("pwned")));
        QCOMPARE(readBytes(email.tempDir + QStringLiteral("/notes.txt")), QStringLiteral("Gr\u00fc\u00dfe\n").toUtf8());
        QCOMPARE(readBytes(email.tempDir + QStringLiteral("/pic.png")), binary);
        QCOMPARE(readBytes(email.tempDir + QStringLiteral("/Notes (2).txt")), QByteArray("second"));
        QVERIFY(email.toMailAppAppleScript().contains(QStringLiteral("/Notes (2).txt\"")));
        QVERIFY(!QFileInfo::exists(path("escape")));

        // A name that leaves no file name: nothing more is written or run.
        setOsascript();
        Email refused;
        refused.tempDir = newTempDir();
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

        useClient(QStringLiteral("Mozilla Thunderbird"));
        Email email;
        email.tempDir = newTempDir();
        email.to = QStringLiteral("ann@x.org;bob@y.org");
        // "'," in a value would end its entry and let the value add entries.
        email.subject = QStringLiteral("x',attachment='file:///etc/shadow");
        email.body = QStringLiteral("It's\nfine");
        email.addAttachment(QStringLiteral("x',y.txt"), QStringLiteral("1"), false);
        email.addAttachment(QStringLiteral("100% #1.txt"), QStringLiteral("2"), false);
        email.addAttachment(QStringLiteral("b/100% #1.txt"), QStringLiteral("3"), false);
        QCOMPARE(email.send(), int(Email::SendOk));
        QTRY_VERIFY(QFile::exists(path("tb.args")));
        QVERIFY(!running.waitForFinished(0));
        running.kill();
        running.waitForFinished();
        const QString t = QUrl::fromLocalFile(email.tempDir).toString();
        QCOMPARE(recordedArguments(path("tb.args")),
                 QStringList({ QStringLiteral("-compose"),
                               QStringLiteral("to='ann@x.org,bob@y.org',subject='x\u2019,attachment='file:///etc/shadow',"
                                              "format='2',body='It's\nfine',attachment='")
                                   + t + QStringLiteral("/x%27%2Cy.txt,") + t + QStringLiteral("/100%25%20%231.txt,")
                                   + t + QStringLiteral("/100%25%20%231%20(2).txt'") }));
        QCOMPARE(readBytes(email.tempDir + QStringLiteral("/x',y.txt")), QByteArray("1"));
        QCOMPARE(readBytes(email.tempDir + QStringLiteral("/100% #1 (2).txt")), QByteArray("3"));
    }

    void delayedDeletion()
    {
        useClient(QStringLiteral("Mail"));
        setOsascript();
        Email ok;
        ok.tempDir = newTempDir();
        ok.addAttachment(QStringLiteral("kept.txt"), QStringLiteral("k"), false);
        QCOMPARE(ok.send(), int(Email::SendOk));
        QCOMPARE(scripts(ok.tempDir), 1);

        setOsascript("execution error: Mail got an error (-1728)\n", 1);
        Email failed;
        failed.tempDir = newTempDir();
        QCOMPARE(failed.send(), int(Email::SendClientError));
        QCOMPARE(failed.lastError, QStringLiteral("execution error: Mail got an error (-1728)\n"));

        useClient(QStringLiteral("Mozilla Thunderbird"));
        Email thunderbird;
        thunderbird.tempDir = newTempDir();
        QCOMPARE(thunderbird.send(), int(Email::SendOk));
        QCOMPARE(scripts(thunderbird.tempDir), 1);

        QTest::qWait(2000);
        QCOMPARE(scripts(ok.tempDir), 1);
        QTRY_COMPARE_WITH_TIMEOUT(scripts(ok.tempDir), 0, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(scripts(thunderbird.tempDir), 0, 15000);
        QVERIFY(QFile::exists(ok.tempDir + QStringLiteral("/kept.txt")));
        QCOMPARE(scripts(failed.tempDir), 1);
    }
};

QTEST_MAIN(TestMailHandoff)

#include "tst_mail_handoff.moc"
