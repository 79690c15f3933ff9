#include "core/MacToolKit.h"
#include "core/DesktopExec.h"

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
        // flatpak's own variables: the system installation moves into xdg_, the user's is below XDG_DATA_HOME.
        qputenv("FLATPAK_SYSTEM_DIR", QFile::encodeName(xdg_ + "/var-lib-flatpak"));
        qunsetenv("FLATPAK_USER_DIR");
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

    // The words of a command line as the desktop reads them (the raw value of the entry file).
    void desktopExecArguments_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("field codes") << "a %u \"%u\" b%%c %F x%iy -e 50%" << QStringList{"a", "%u", "b%c", "xy", "-e", "50%"};
        // "\\\\" is one backslash once the string escapes are read, "\\\"" is "\"" and so a quote inside quotes;
        // "\s" is a blank between words.
        QTest::newRow("quotes and escapes") << "\"a b\" \"c\\\\\\\\\\\"d\\\\$\" e\\sf" << QStringList{"a b", "c\\\"d$", "e", "f"};
        QTest::newRow("empty quoted word, blanks") << " \ta  \"\"\tb " << QStringList{"a", "", "b"};
        QTest::newRow("unclosed quote") << "a \"b c" << QStringList();
    }
    void desktopExecArguments()
    {
        QFETCH(QString, exec);
        QFETCH(QStringList, arguments);
        QCOMPARE(DesktopExec::arguments(exec), arguments);
    }

    void defaultMailClient_data()
    {
        QTest::addColumn<QString>("desktopId");   // registered for mailto:, empty for none
        QTest::addColumn<QStringList>("entries"); // pairs: path below xdg_, entry text
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("made");    // executables made below xdg_
        QTest::addColumn<QString>("command");     // below xdg_; empty: expect null
        const QString entry = "[Desktop Entry]\nName=%1\nExec=%2";
        const QString sys = "sys1/applications/";
        QTest::newRow("Debian's Thunderbird entry") << "thunderbird.desktop"
            << QStringList{"sys2/applications/thunderbird.desktop",
                           "[Desktop Entry]\nName[de]=T-Mail\nName = Thunderbird\nExec=thunderbird %u\n\n"
                           "[Desktop Action Compose]\nName=Write\nExec=/usr/bin/thunderbird -compose\n"}
            << "Thunderbird" << QStringList{"bin/thunderbird"} << "bin/thunderbird";
        QTest::newRow("data home before data dirs") << "m.desktop"
            << QStringList{sys + "m.desktop", entry.arg("Sys", "thunderbird-sys"), "home/applications/m.desktop",
                           entry.arg("Home\\sM\\\\x", "thunderbird-home -m %U")} << "Home M\\x"
            << QStringList{"bin/thunderbird-sys", "bin/thunderbird-home"} << "bin/thunderbird-home";
        // "\\$" is "\$" once the string escapes are read, "$" inside the quotes; "\\\\" ends up as one backslash.
        QTest::newRow("quoted program, escapes") << "q.desktop" << QStringList{sys + "q.desktop",
            entry.arg("Q", "\"@XDG@/bin/My Mail\\\\$er/Thunderbird\\\\\\\\er\" -c %u")} << "Q"
            << QStringList{"bin/My Mail$er/Thunderbird\\er"} << "bin/My Mail$er/Thunderbird\\er";
        QTest::newRow("desktop-file ID of a subfolder") << "v-mail.desktop"
            << QStringList{sys + "v/mail.desktop", entry.arg("V", "thunderbird")} << "V" << QStringList{"bin/thunderbird"}
            << "bin/thunderbird";
        QTest::newRow("program not found") << "g.desktop"
            << QStringList{sys + "g.desktop", entry.arg("G", "vh-no-such-thunderbird %u")} << "G" << QStringList() << "";
        QTest::newRow("registered entry missing") << "missing.desktop" << QStringList() << QString() << QStringList() << "";
        QTest::newRow("none registered") << "" << QStringList() << QString() << QStringList() << "";

        // Wrappers: the client behind env's options and variables, a flatpak application's exported launcher
        // (the user's installation first); a wrapper that leads to no client gives none, never itself.
        const QString snap = "env BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/thunderbird_thunderbird.desktop "
                             "@XDG@/snap/bin/thunderbird %u";
        QTest::newRow("snap: env and a variable") << "t.desktop" << QStringList{sys + "t.desktop", entry.arg("Thunderbird", snap)}
            << "Thunderbird" << QStringList{"snap/bin/thunderbird", "bin/env"} << "snap/bin/thunderbird";
        QTest::newRow("env options, quoted path with blanks") << "e.desktop" << QStringList{sys + "e.desktop",
            entry.arg("E", "/usr/bin/env -i -u LANG --unset=LC_ALL -uX -- \"A=b c\" B= env C=1 \"@XDG@/bin/Thunderbird Mail\" -e %U")}
            << "E" << QStringList{"bin/Thunderbird Mail"} << "bin/Thunderbird Mail";
        QTest::newRow("env option not followed") << "s.desktop"
            << QStringList{sys + "s.desktop", entry.arg("S", "env -S @XDG@/bin/thunderbird %u")} << "S"
            << QStringList{"bin/thunderbird", "bin/env"} << "";
        QTest::newRow("env starting nothing") << "n.desktop" << QStringList{sys + "n.desktop", entry.arg("N", "env A=1 %u")}
            << "N" << QStringList{"bin/env"} << "";
        const QString flatpak = "/usr/bin/flatpak run --branch=stable --arch=x86_64 --command=thunderbird --file-forwarding "
                                "%1 @@u %u @@";
        const QString tb = "org.mozilla.Thunderbird";
        const QString user = "home/flatpak/exports/bin/" + tb, system = "var-lib-flatpak/exports/bin/" + tb;
        QTest::newRow("flatpak, user installation") << "f.desktop"
            << QStringList{sys + "f.desktop", entry.arg("Thunderbird", flatpak.arg(tb))} << "Thunderbird"
            << QStringList{system, user, "bin/flatpak", "bin/thunderbird"} << user;
        QTest::newRow("flatpak, system installation") << "f.desktop"
            << QStringList{sys + "f.desktop", entry.arg("Thunderbird", flatpak.arg(tb))} << "Thunderbird"
            << QStringList{system, "bin/flatpak"} << system;
        QTest::newRow("flatpak, a ref after the options' end") << "f.desktop"
            << QStringList{sys + "f.desktop", entry.arg("T", "flatpak -v run --user -- " + tb + "//beta -compose %u")} << "T"
            << QStringList{user} << user;
        QTest::newRow("flatpak application not installed") << "f.desktop"
            << QStringList{sys + "f.desktop", entry.arg("T", flatpak.arg(tb))} << "T"
            << QStringList{"bin/flatpak", "bin/thunderbird", "home/flatpak/exports/bin/org.mozilla.Firefox"} << "";
        QTest::newRow("flatpak, no application ID") << "f.desktop"
            << QStringList{sys + "f.desktop", entry.arg("T", "flatpak run --command thunderbird " + tb)} << "T"
            << QStringList{"bin/flatpak", "home/flatpak/exports/bin/thunderbird", user} << "";
        QTest::newRow("flatpak, a path for an ID") << "f.desktop"
            << QStringList{sys + "f.desktop", entry.arg("T", "flatpak run ../../../bin/a.b.c")} << "T"
            << QStringList{"bin/flatpak", "bin/a.b.c"} << "";
        QTest::newRow("flatpak, not run") << "f.desktop"
            << QStringList{sys + "f.desktop", entry.arg("T", "flatpak --installations")} << "T"
            << QStringList{"bin/flatpak"} << "";

        // Thunderbird's own program is told by its file name, case aside, also behind a wrapper that is followed.
        const auto thunderbird = [&](const QString& exec, const QString& program) {
            QTest::addRow("Thunderbird's: %s", qPrintable(exec)) << "b.desktop"
                << QStringList{sys + "b.desktop", entry.arg("B", exec)} << "B" << QStringList{program, "bin/env"} << program;
        };
        thunderbird("thunderbird-bin %u", "bin/thunderbird-bin");
        thunderbird("@XDG@/opt/Thunderbird-128.0.AppImage %u", "opt/Thunderbird-128.0.AppImage");
        thunderbird("@XDG@/usr/lib/thunderbird/thunderbird %u", "usr/lib/thunderbird/thunderbird");
        thunderbird("env BAMF_DESKTOP_FILE_HINT=x @XDG@/snap/bin/thunderbird %u", "snap/bin/thunderbird");
        thunderbird("THUNDERBIRD %u", "bin/THUNDERBIRD");
        thunderbird("icedove %u", "bin/icedove");
        thunderbird("Icedove %u", "bin/Icedove");
        thunderbird("betterbird %u", "bin/betterbird");
        thunderbird("@XDG@/opt/BetterBird %u", "opt/BetterBird");

        // Any other program gives no client, told by its file name, also behind a wrapper that is followed: one
        // that takes the client's arguments as its own (a shell, a launcher, a wrapper, a terminal) or another
        // client. The client and every program named are there to be found.
        const QStringList found = {"bin/thunderbird", "bin/env", "bin/nice", "bin/nohup", "bin/setsid"};
        const auto refused = [&](const QString& program, const QString& exec) {
            QTest::addRow("refused: %s", qPrintable(exec)) << "r.desktop"
                << QStringList{sys + "r.desktop", entry.arg("R", exec)} << "R" << found + QStringList{"bin/" + program}
                << "";
        };
        for (const QString& shell : QStringList{"sh", "bash", "dash", "zsh", "ksh", "mksh", "fish", "csh", "tcsh"})
            refused(shell, shell + " -c \"thunderbird %u\"");
        refused("busybox", "busybox sh -c \"thunderbird %u\"");
        refused("bash", R"(bash -c "exec thunderbird \\"\\$@\\"" thunderbird %u)");
        refused("sh", "@XDG@/bin/sh -c \"thunderbird %u\"");
        refused("sh", "env A=1 @XDG@/bin/sh -c \"thunderbird %u\"");
        refused("sh", "nice -n 5 sh -c \"thunderbird %u\"");
        for (const QString& launcher : QStringList{"gtk-launch", "xdg-open", "gio", "exo-open", "kioclient", "kioclient5",
                                                   "kde-open", "kde-open5", "systemd-run"})
            refused(launcher, launcher + " thunderbird %u");
        refused("gio", "nohup setsid -f gio launch thunderbird.desktop %u");
        for (const QString& wrapper : QStringList{"ionice", "taskset", "chrt", "stdbuf", "timeout", "sudo", "firejail",
                                                  "xterm", "kstart5", "gksudo"})
            refused(wrapper, wrapper + " thunderbird %u");
        refused("distrobox-enter", "distrobox-enter -n arch -- thunderbird %u");
        refused("toolbox", "toolbox run thunderbird %u");
        refused("toolbox", "nice -n 5 toolbox run thunderbird %u");
        refused("evolution", "evolution %U");
        refused("claws-mail", "env A=1 claws-mail %u");
        // A wrapper's option that is not read exactly (or a value that is not one) gives no client: the word after
        // it could be the option's value, or the program.
        for (const QString& options : QStringList{"-x", "--adj=5", "-n five", "-n", "-5x", "--adjustment=", "-n 5 -i"})
            refused("nice", "nice " + options + " thunderbird %u");
        refused("nohup", "nohup -p thunderbird %u");
        refused("setsid", "setsid -fx thunderbird %u");
        for (const QString& options : QStringList{"-n 5", "-n5", "-n -5", "-5", "--5", "-+5", "--adjustment=-5",
                                                  "--adjustment 5", "--", "-n1 -2 --adjustment 3", "-10", "--10",
                                                  "-n 19", "--adjustment=-15"})
            QTest::addRow("nice %s", qPrintable(options)) << "r.desktop"
                << QStringList{sys + "r.desktop", entry.arg("R", "nice " + options + " thunderbird %u")} << "R" << found
                << "bin/thunderbird";
        // nice starts "A=1" as its program, which is not Thunderbird's.
        QTest::newRow("only env takes variables") << "r.desktop"
            << QStringList{sys + "r.desktop", entry.arg("R", "nice A=1 thunderbird %u")} << "R"
            << found + QStringList{"bin/A=1"} << "";
        QTest::newRow("nohup, setsid, nice and env in a row") << "r.desktop" << QStringList{sys + "r.desktop",
            entry.arg("R", "/usr/bin/nohup -- setsid -w --fork -cf -- /usr/bin/nice -n 5 env -i A=1 thunderbird %u")}
            << "R" << found << "bin/thunderbird";
    }
    void defaultMailClient()
    {
        QFETCH(QString, desktopId);
        QFETCH(QStringList, entries);
        QFETCH(QString, name);
        QFETCH(QStringList, made);
        QFETCH(QString, command);
        QVERIFY(QDir(xdg_).removeRecursively());
        for (int i = 0; i + 1 < entries.size(); i += 2)
            QVERIFY(writeFile(xdg_ + '/' + entries.at(i), QString(entries.at(i + 1)).replace("@XDG@", xdg_).toUtf8()));
        for (const QString& program : made)
            QVERIFY(writeFile(xdg_ + '/' + program, "#!/bin/sh\n", true));
        const QByteArray cache = "[MIME Cache]\nx-scheme-handler/mailto=" + desktopId.toUtf8() + ";\n";
        QVERIFY(desktopId.isEmpty() || writeFile(xdg_ + "/home/applications/mimeinfo.cache", cache));
        auto shown = [](const QString& text) { return text.isNull() ? QString("<null>") : text; }; // null, not empty
        QCOMPARE(shown(MacToolKit::defaultMailClient()), shown(name));
        QCOMPARE(shown(MacToolKit::defaultMailClientOpenCommand()),
                 shown(command.isEmpty() ? QString() : xdg_ + '/' + command));
    }
};

QTEST_GUILESS_MAIN(TestMacToolKit)
#include "tst_MacToolKit.moc"
