// The hand-off roads of a mail message through /bin/sh into stand-ins first on
// PATH: the Mail AppleScript, the Thunderbird command line beside a running
// process of that name, the EML file opened by xdg-open; then the deletion.

#include "mail/Email.h"

#include "MailTestSupport.h"

#include <QGuiApplication>
#include <numeric>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

using namespace MailTest;

class TestMailHandoff : public QObject
{
    Q_OBJECT

    Sandbox box_;
    // Folders of all messages: those handed over hold a script or EML file
    // until it goes.
    QStringList folders_;

    QString path(const char* name) const { return box_.path(QLatin1String(name)); }
    Email message()
    {
        Email email;
        email.tempDir = box_.path(QStringLiteral("send%1/temp").arg(folders_.size()));
        folders_ << email.tempDir;
        return email;
    }
    int handedOverLeft() const
    {
        return std::accumulate(folders_.cbegin(), folders_.cend(), 0, [](int left, const QString& dir) {
            return left + QDir(dir).entryList({ "*.sh", "*.eml" }, QDir::Files).size();
        });
    }

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(box_.path(QString()))); }
    // Stand-ins for wrappers stay no longer than the test that needs them.
    void cleanup()
    {
        for (const char* wrapper : { "bin/env", "bin/flatpak" })
            QFile::remove(path(wrapper));
    }

    // An HTML message: its script holds every value a plain one holds, some twice.
    void mailRoad()
    {
        QVERIFY(box_.registerMailClient(QStringLiteral("Mail")));
        QVERIFY(box_.addStandIn(QStringLiteral("osascript"), true));
        const QByteArray binary("\x00\x01\x02\xff binary", 11);
        Email email = message();
        email.tempDir += QStringLiteral("/mail \"box\\");
        email.subject = QStringLiteral("\\\\ \\n \\t \"q\" 'a' $HOME ${x} $(touch pwned) `touch pwned` \\$ \\` %s %% \\0 !");
        email.body = QStringLiteral("Body \\n with\nreal line\\\\ and $PATH `id`\n\u00fc\u00f1\u00ee\u00e7\u00f8d\u00e9");
        email.to = QStringLiteral("ann@x.org;bob\"@y.org");
        email.isHtml = true;
        email.addAttachment(QStringLiteral("notes.txt"), QStringLiteral("Gr\u00fc\u00dfe\n"), false);
        email.addAttachment(QStringLiteral("../../escape/pic.png"),
                            QStringLiteral("data:image/png;base64,") + QString::fromLatin1(binary.toBase64()), true);
        // A name already taken, in any case, gets a file of its own.
        email.addAttachment(QStringLiteral("other/Notes.txt"), QStringLiteral("second"), false);
        QCOMPARE(email.send(), int(Email::SendOk));
        folders_ << email.tempDir;
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
        QCOMPARE(readBytes(email.tempDir + QStringLiteral("/pic.png")), binary);
        QCOMPARE(readBytes(email.tempDir + QStringLiteral("/Notes (2).txt")), QByteArray("second"));

        // A name that leaves no file name: nothing more is written or run,
        // on the Mail road and the EML road alike.
        for (const char* client : { "Mail", "Other" }) {
            QVERIFY(box_.registerMailClient(QLatin1String(client)));
            QVERIFY(box_.addStandIn(QStringLiteral("osascript"), true));
            Email refused = message();
            refused.addAttachment(QStringLiteral("first.txt"), QStringLiteral("1"), false);
            refused.addAttachment(QStringLiteral("sub/.."), QStringLiteral("2"), false);
            refused.addAttachment(QStringLiteral("third.txt"), QStringLiteral("3"), false);
            QCOMPARE(refused.send(), int(Email::SendFileCreationFailed));
            QCOMPARE(QDir(refused.tempDir).entryList(QDir::Files), client[0] == 'M' ? QStringList({ "first.txt" }) : QStringList());
            QVERIFY(!QFile::exists(path("osascript.args")));
        }
    }

    void thunderbirdRoad()
    {
        // A running client takes the command line itself and keeps the user's
        // windows: a copy of sleep named thunderbird must outlive the send.
        QVERIFY(QFile::copy(QStandardPaths::findExecutable(QStringLiteral("sleep")), path("thunderbird")));
        QProcess running;
        running.start(path("thunderbird"), { QStringLiteral("300") });
        QVERIFY(running.waitForStarted());

        QVERIFY(box_.registerMailClient(QStringLiteral("Mozilla Thunderbird")));
        Email email = message();
        email.to = QStringLiteral("ann@x.org;bob@y.org");
        // "'," in a value would end its entry and let the value add entries.
        email.subject = QStringLiteral("x',attachment='file:///etc/shadow");
        email.body = QStringLiteral("It's\nfine");
        email.addAttachment(QStringLiteral("x',y #1%.txt"), QStringLiteral("1"), false);
        email.addAttachment(QStringLiteral("b/x',y #1%.txt"), QStringLiteral("2"), false);
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
                                   + t + QStringLiteral("/x%27%2Cy%20%231%25.txt,")
                                   + t + QStringLiteral("/x%27%2Cy%20%231%25%20(2).txt'") }));
    }

    // The client of each form of desktop entry gets the compose arguments
    // itself; a wrapper (env, flatpak) is never started in its place, and
    // one that leads to no client is a launch failure.
    void thunderbirdEntry_data()
    {
        QTest::addColumn<QString>("exec");     // "@BOX@" for the sandbox; " %u" follows
        QTest::addColumn<QString>("recorder"); // the stand-in that gets them; empty: none
        const QString flatpak = QStringLiteral("flatpak run --branch=stable --arch=x86_64 --command=thunderbird "
                                               "--file-forwarding %1 @@u %u @@");
        QTest::newRow("plain") << "tb-deb" << "tb-deb";
        QTest::newRow("quoted path with blanks") << "\"@BOX@/bin/Tb Mail\"" << "Tb Mail";
        QTest::newRow("snap") << "env BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/"
                                 "thunderbird_thunderbird.desktop @BOX@/bin/tb-snap" << "tb-snap";
        QTest::newRow("flatpak") << flatpak.arg("org.mozilla.Thunderbird") << "tb-flatpak";
        QTest::newRow("env leading to nothing") << "env BAMF_DESKTOP_FILE_HINT=x" << "";
        QTest::newRow("flatpak leading to nothing") << flatpak.arg("org.example.Missing") << "";
    }
    void thunderbirdEntry()
    {
        QFETCH(QString, exec);
        QFETCH(QString, recorder);
        const QStringList standIns = { "tb-deb", "Tb Mail", "tb-snap", "tb-flatpak", "env", "flatpak" };
        for (const QString& name : standIns)
            QVERIFY(box_.addStandIn(name));
        // The launcher a flatpak installation exports starts the application in its sandbox.
        qputenv("FLATPAK_SYSTEM_DIR", QFile::encodeName(box_.path(QStringLiteral("var-lib-flatpak"))));
        qunsetenv("FLATPAK_USER_DIR");
        QVERIFY(writeFile(box_.path(QStringLiteral("XDG_DATA_HOME/flatpak/exports/bin/org.mozilla.Thunderbird")),
                          "#!/bin/sh\nexec '" + QFile::encodeName(box_.path(QStringLiteral("bin/tb-flatpak"))) + "' \"$@\"\n",
                          true));
        QVERIFY(box_.registerMailClient(QStringLiteral("Thunderbird"), exec.replace(QStringLiteral("@BOX@"), box_.path(QString()))));
        Email email = message();
        email.subject = QStringLiteral("Hi");
        QCOMPARE(email.send(), int(recorder.isEmpty() ? Email::SendLaunchFailed : Email::SendOk));
        if (!recorder.isEmpty()) {
            QTRY_VERIFY(QFile::exists(box_.path(recorder + QStringLiteral(".args"))));
            QCOMPARE(box_.arguments(recorder), QStringList({ QStringLiteral("-compose"), QStringLiteral("subject='Hi',format='2'") }));
        }
        QTest::qWait(200); // time for a wrongly started program to record
        for (const QString& name : standIns)
            QVERIFY2(name == recorder || !QFile::exists(box_.path(name + QStringLiteral(".args"))), qPrintable(name));
    }

    // The scripts and the EML file handed over go once about 5 s old; the
    // attachments stay.
    void delayedDeletion()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("Opening a file with the desktop's handler needs X (xcb).");
        // Mail without osascript gets an EML file like any other client.
        QVERIFY(box_.registerMailClient(QStringLiteral("Mail")));
        QVERIFY(QFile::remove(path("bin/osascript")));
        QVERIFY(box_.addStandIn(QStringLiteral("xdg-open")));
        Email eml = message();
        QCOMPARE(eml.send(), int(Email::SendOk));
        QTRY_COMPARE_WITH_TIMEOUT(handedOverLeft(), 0, 15000);
        QVERIFY(QFile::exists(path("send0/temp/mail \"box\\/pic.png"))); // of the Mail road's message
    }
};

// Files open through xdg-open only on a real display.
static const bool ON_DISPLAY = qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");

QTEST_MAIN(TestMailHandoff)

#include "tst_mail_handoff.moc"
