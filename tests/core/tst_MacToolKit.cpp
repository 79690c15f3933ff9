#include "core/MacToolKit.h"

#include "common/TestFiles.h"

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
        for (const auto& [variable, folder] : {std::pair{"XDG_CONFIG_HOME", "/config"}, {"XDG_CONFIG_DIRS", "/etc-xdg"},
                                               {"XDG_DATA_HOME", "/home"}, {"XDG_DATA_DIRS", "/sys1:@/sys2"}})
            qputenv(variable, QFile::encodeName(xdg_ + QString(folder).replace("@", xdg_)));
        qputenv("PATH", QFile::encodeName(xdg_ + "/bin:" + tmp_.filePath("stub") + ':') + qgetenv("PATH"));
        QVERIFY(writeFile(tmp_.filePath("stub/osascript"), "#!/bin/sh\nexec cat\n", true)); // echoes what it reads
    }

    // A quote in the name stays inside the string literals.
    void quitAppAppleScript()
    {
        const QString script = MacToolKit::quitAppAppleScript("A\"B");
        QVERIFY(script.contains("set isRunning to is_running(\"A\\\"B\")\n")
                && script.contains("run script \"tell application \\\"A\\\\\\\"B\\\" to quit\"\n"));
    }

    void executeBashScript_data()
    {
        QTest::addColumn<QByteArray>("script"); // null: no file
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing file") << QByteArray() << false << "" << "";
        QTest::newRow("output only") << QByteArray("echo hello\nexit 3\n") << true << "hello\n" << "";
        QTest::newRow("error text") << QByteArray("echo out; echo 'bad' >&2\n") << false << "out\n" << "bad\n";
        QTest::newRow("blank error text") << QByteArray("printf ' \\n\\t' >&2\n") << true << "" << " \n\t";
        QTest::newRow("up to NUL, UTF-8") << QByteArray("printf 'Gr\xc3\xbc\\000tail'\n") << true << "Gr\u00fc" << "";
        QTest::newRow("reads no input") << QByteArray("cat\necho done\n") << true << "done\n" << "";
        // toBash: what osascript reads is the text, byte for byte, nothing in it expanded or run, whether the script
        // is run as above with /bin/sh (dash here) or with the bash its first line names.
        const QStringList texts = {QString(), "a\\b\\\\c\\\\\\d\\", "\\n\\t\\c\\0101\\x41\\e[31m\\\\n -n -e %s %% \\%s",
                                   "say \"hi\" and 'bye' \\\"x\\\" \"", "$HOME ${PATH} $1 $$ $? \\$HOME $ $(id)",
                                   "`id` \\`id\\` ` \"$(id)\" \\$(id) '$(id)'",
                                   "tell app \"Mail\"\n\tactivate\\\nend tell\n\n\u2713\\"};
        for (int i = 0; i < texts.size(); ++i) {
            const QByteArray script = MacToolKit::toBash(texts.at(i)).toUtf8();
            QTest::addRow("toBash %d", i) << script << true << texts.at(i) + '\n' << "";
            QTest::addRow("toBash %d, bash", i) << "bash <<'E'\n" + script + "E\n" << true << texts.at(i) + '\n' << "";
        }
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
        const QString entry = "[Desktop Entry]\nName=%1\nExec=%2";
        const QString sys = "sys1/applications/";
        QTest::newRow("Debian's Thunderbird entry") << "thunderbird.desktop"
            << QStringList{"sys2/applications/thunderbird.desktop",
                           "[Desktop Entry]\nName[de]=T-Mail\nName = Thunderbird\nExec=thunderbird %u\n\n"
                           "[Desktop Action Compose]\nName=Write\nExec=/usr/bin/thunderbird -compose\n"}
            << "Thunderbird" << "thunderbird";
        QTest::newRow("data home before data dirs") << "m.desktop"
            << QStringList{sys + "m.desktop", entry.arg("Sys", "sysmail"), "home/applications/m.desktop",
                           entry.arg("Home\\sM\\\\x", "homemail -m %U")} << "Home M\\x" << "homemail";
        // "\\$" is "\$" once the string escapes are read, "$" inside the quotes; "\\\\" ends up as one backslash.
        QTest::newRow("quoted program, escapes") << "q.desktop" << QStringList{sys + "q.desktop",
            entry.arg("Q", "\"@XDG@/bin/My Mail\\\\$er/mail\\\\\\\\er\" -c %u")} << "Q" << "My Mail$er/mail\\er";
        QTest::newRow("desktop-file ID of a subfolder") << "v-mail.desktop"
            << QStringList{sys + "v/mail.desktop", entry.arg("V", "vm")} << "V" << "vm";
        QTest::newRow("program not found") << "g.desktop"
            << QStringList{sys + "g.desktop", entry.arg("G", "vh-no-such-program %u")} << "G" << "";
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
        const QByteArray cache = "[MIME Cache]\nx-scheme-handler/mailto=" + desktopId.toUtf8() + ";\n";
        QVERIFY(desktopId.isEmpty() || writeFile(xdg_ + "/home/applications/mimeinfo.cache", cache));
        auto shown = [](const QString& text) { return text.isNull() ? QString("<null>") : text; }; // null, not empty
        QCOMPARE(shown(MacToolKit::defaultMailClient()), shown(name));
        QCOMPARE(shown(MacToolKit::defaultMailClientOpenCommand()),
                 shown(command.isEmpty() ? QString() : xdg_ + "/bin/" + command));
    }
};

QTEST_GUILESS_MAIN(TestMacToolKit)
#include "tst_MacToolKit.moc"
