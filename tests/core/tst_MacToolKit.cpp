#include "core/MacToolKit.h"

#include "common/TestFiles.h"

#include <QProcess>
#include <QtTest>

class TestMacToolKit : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp_;
    const QString xdg_ = tmp_.filePath("xdg");

private slots:
    void initTestCase()
    {
        // The real xdg-mime reads the XDG files of xdg_; "X-Generic" keeps it from probing D-Bus and X.
        qputenv("XDG_CURRENT_DESKTOP", "X-Generic");
        for (const char* variable : {"KDE_FULL_SESSION", "DESKTOP_SESSION", "XDG_MENU_PREFIX"})
            qunsetenv(variable);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg_ + "/config"));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(xdg_ + "/etc-xdg"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(xdg_ + "/home"));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(xdg_ + "/sys1:" + xdg_ + "/sys2"));
        qputenv("PATH", QFile::encodeName(xdg_ + "/bin:" + tmp_.filePath("stub") + ':') + qgetenv("PATH"));
        // The stand-in osascript records its input.
        const QByteArray capture = QFile::encodeName(tmp_.filePath("captured"));
        QVERIFY(writeFile(tmp_.filePath("stub/osascript"), "#!/bin/sh\nexec cat > '" + capture + "'\n", true));
    }

    void toBash_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("empty") << QString();
        QTest::newRow("backslashes") << "a\\b\\\\c\\\\\\d\\";
        QTest::newRow("escape sequences and formats") << "\\n\\t\\c\\0101\\x41\\e[31m\\\\n -n -e %s %% \\%s";
        QTest::newRow("quotes") << "say \"hi\" and 'bye' \\\"x\\\" \"";
        QTest::newRow("dollars and backquotes") << "$HOME ${PATH} $1 $$ $? \\$HOME $ `id` \\`id\\` ` ";
        QTest::newRow("command substitution")
            << QString("$(touch %1) `touch %1` \\$(touch %1) \"$(touch %1)\" '$(touch %1)'").arg(tmp_.filePath("executed"));
        QTest::newRow("line ends and non-ASCII") << QStringLiteral("tell app \"Mail\"\n\tactivate\\\nend tell\n\n\u2713\\");
    }

    // What osascript reads must be the text, byte for byte; nothing in it is run.
    void toBash()
    {
        QFETCH(QString, script);
        const QString file = tmp_.filePath("wrapper.sh");
        QVERIFY(writeFile(file, MacToolKit::toBash(script).toUtf8()));
        // The file is run with /bin/sh (dash here); its first line names bash.
        for (const char* shell : {"/bin/sh", "/bin/bash"}) {
            QFile::remove(tmp_.filePath("captured"));
            QProcess process;
            process.start(shell, {file});
            QVERIFY(process.waitForFinished(10000));
            QCOMPARE(process.readAllStandardError(), QByteArray());
            QCOMPARE(process.exitCode(), 0);
            QCOMPARE(readBytes(tmp_.filePath("captured")), script.toUtf8() + '\n');
            QVERIFY2(!QFileInfo::exists(tmp_.filePath("executed")), shell);
        }
    }

    // A quote in the name stays inside the string literals.
    void quitAppAppleScript()
    {
        const QString script = MacToolKit::quitAppAppleScript("A\"B");
        QVERIFY(script.contains("set isRunning to is_running(\"A\\\"B\")\n"));
        QVERIFY(script.contains("run script \"tell application \\\"A\\\\\\\"B\\\" to quit\"\n"));
    }

    void executeBashScript_data()
    {
        QTest::addColumn<QByteArray>("script"); // null: no file
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing file") << QByteArray() << false << "" << "";
        QTest::newRow("output only") << QByteArray("echo hello\nexit 3\n") << true << "hello\n" << "";
        QTest::newRow("error text") << QByteArray("echo out; echo 'went wrong' >&2\n") << false << "out\n" << "went wrong\n";
        QTest::newRow("blank error text") << QByteArray("printf ' \\n\\t' >&2\n") << true << "" << " \n\t";
        QTest::newRow("up to NUL, UTF-8") << QByteArray("printf 'Gr\xc3\xbc\xc3\x9f" "e\\000tail'\n") << true
                                          << QStringLiteral("Gr\u00fc\u00dfe") << "";
        QTest::newRow("reads no input") << QByteArray("cat\necho done\n") << true << "done\n" << "";
    }

    void executeBashScript()
    {
        QFETCH(QByteArray, script);
        QFETCH(bool, ok);
        QFETCH(QString, output);
        QFETCH(QString, error);
        const QString file = tmp_.filePath(script.isNull() ? "missing.sh" : "run.sh");
        QVERIFY(script.isNull() || writeFile(file, script));
        QString gotOutput = "old";
        QString gotError = "old";
        QCOMPARE(MacToolKit::executeBashScript(file, gotOutput, gotError), ok);
        QCOMPARE(gotOutput, output);
        QCOMPARE(gotError, error);
    }

    void defaultMailClient_data()
    {
        QTest::addColumn<QString>("desktopId");   // registered for mailto:, empty for none
        QTest::addColumn<QStringList>("entries"); // pairs: path below xdg_, entry text
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("command");     // made below xdg_'s "bin"; empty: expect null

        QTest::newRow("Debian's Thunderbird entry") << "thunderbird.desktop"
            << QStringList{"sys2/applications/thunderbird.desktop",
                           "[Desktop Entry]\nName[de]=Thunderbird-E-Mail\nName = Thunderbird\nExec=thunderbird %u\n"
                           "MimeType=message/rfc822;x-scheme-handler/mailto;\n\n"
                           "[Desktop Action ComposeMessage]\nName=Write new message\nExec=/usr/bin/thunderbird -compose\n"}
            << "Thunderbird" << "thunderbird";
        QTest::newRow("data home before data dirs") << "mailer.desktop"
            << QStringList{"sys1/applications/mailer.desktop", "[Desktop Entry]\nName=System Mailer\nExec=sysmailer\n",
                           "home/applications/mailer.desktop",
                           "[Desktop Entry]\nName=Home\\sMailer\\\\x\nExec=homemailer -m %U\n"}
            << "Home Mailer\\x" << "homemailer";
        // In the file "\\$" is "\$" once the string escapes are read, and that
        // is "$" inside the quoted argument; "\\\\" ends up as one backslash.
        QTest::newRow("quoted program with escapes") << "quoted.desktop"
            << QStringList{"home/applications/quoted.desktop",
                           "[Desktop Entry]\nExec=\"@XDG@/bin/My Mail\\\\$er/mail\\\\\\\\er\" --compose %u\nName=Quoted\n"}
            << "Quoted" << "My Mail$er/mail\\er";
        QTest::newRow("desktop-file ID of a subfolder") << "vendor-mail-app.desktop"
            << QStringList{"sys1/applications/vendor/mail-app.desktop", "[Desktop Entry]\nName=Vendor Mail\nExec=vendormail\n"}
            << "Vendor Mail" << "vendormail";
        QTest::newRow("program not found") << "ghost.desktop"
            << QStringList{"sys1/applications/ghost.desktop", "[Desktop Entry]\nName=Ghost\nExec=vh-no-such-program-here %u\n"}
            << "Ghost" << "";
        QTest::newRow("registered entry missing") << "missing.desktop" << QStringList() << QString() << "";
        QTest::newRow("none registered") << "" << QStringList() << QString() << "";
    }

    void defaultMailClient()
    {
        QFETCH(QString, desktopId);
        QFETCH(QStringList, entries);
        QFETCH(QString, name);
        QFETCH(QString, command);

        QVERIFY(QDir(xdg_).removeRecursively());
        for (int i = 0; i + 1 < entries.size(); i += 2)
            QVERIFY(writeFile(xdg_ + '/' + entries.at(i), QString(entries.at(i + 1)).replace("@XDG@", xdg_).toUtf8()));
        QVERIFY(command.isEmpty() || writeFile(xdg_ + "/bin/" + command, "#!/bin/sh\n", true));
        if (!desktopId.isEmpty()) {
            // xdg-mime takes an entry from mimeapps.list only when it finds the
            // entry's program by the Exec line's first blank-separated word; for
            // a quoted program or a missing one it goes on to mimeinfo.cache.
            const QByteArray line = "x-scheme-handler/mailto=" + desktopId.toUtf8() + ";\n";
            QVERIFY(writeFile(xdg_ + "/config/mimeapps.list", "[Default Applications]\n" + line));
            QVERIFY(writeFile(xdg_ + "/home/applications/mimeinfo.cache", "[MIME Cache]\n" + line));
        }
        QCOMPARE(MacToolKit::defaultMailClient(), name);
        QCOMPARE(MacToolKit::defaultMailClient().isNull(), name.isNull());
        const QString expected = command.isEmpty() ? QString() : xdg_ + "/bin/" + command;
        QCOMPARE(MacToolKit::defaultMailClientOpenCommand(), expected);
        QCOMPARE(MacToolKit::defaultMailClientOpenCommand().isNull(), expected.isNull());
    }
};

QTEST_GUILESS_MAIN(TestMacToolKit)
#include "tst_MacToolKit.moc"
