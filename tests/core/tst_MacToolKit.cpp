#include "core/MacToolKit.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    if (executable)
        return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QString randomLetters(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QChar('a' + QRandomGenerator::global()->bounded(26));
    return text;
}

// Environment variables of the mail client lookup, restored after each test.
const QList<QByteArray> XDG_VARS = {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME",
                                    "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP", "PATH",
                                    "KDE_FULL_SESSION", "DESKTOP_SESSION", "XDG_MENU_PREFIX"};

} // namespace

class TestMacToolKit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void toBashLayout();
    void toBashPassesTextUnchanged_data();
    void toBashPassesTextUnchanged();
    void quitAppAppleScript();
    void quitAppBashEndsProcess_data();
    void quitAppBashEndsProcess();
    void quitAppBashWithoutProcess();
    void quitAppBashReportsSurvivor();
    void executeBashScript_data();
    void executeBashScript();
    void executeMissingScript();
    void defaultMailClient_data();
    void defaultMailClient();

private:
    QTemporaryDir tmp_;
    QHash<QByteArray, QByteArray> savedEnv_;
    QSet<QByteArray> unsetEnv_;
};

void TestMacToolKit::initTestCase()
{
    QVERIFY(tmp_.isValid());
    for (const QByteArray& name : XDG_VARS) {
        if (qEnvironmentVariableIsSet(name.constData()))
            savedEnv_.insert(name, qgetenv(name.constData()));
        else
            unsetEnv_.insert(name);
    }
    // The stand-in for osascript copies its standard input into $VH_CAPTURE.
    QVERIFY(writeFile(tmp_.filePath(QStringLiteral("stub/osascript")),
                      "#!/bin/sh\nexec cat > \"$VH_CAPTURE\"\n", true));
}

void TestMacToolKit::cleanup()
{
    for (auto it = savedEnv_.cbegin(); it != savedEnv_.cend(); ++it)
        qputenv(it.key().constData(), it.value());
    for (const QByteArray& name : qAsConst(unsetEnv_))
        qunsetenv(name.constData());
}

void TestMacToolKit::toBashLayout()
{
    const QString bash = MacToolKit::toBash(QStringLiteral("line 1\nline 2\n"));
    QCOMPARE(bash, QStringLiteral("#!/bin/bash\nprintf '%s\\n' \"line 1\nline 2\n\" | osascript\n"));
}

void TestMacToolKit::toBashPassesTextUnchanged_data()
{
    QTest::addColumn<QString>("script");

    const QString marker = tmp_.filePath(QStringLiteral("executed"));
    QTest::newRow("empty") << QString();
    QTest::newRow("backslashes") << QStringLiteral("a\\b\\\\c\\\\\\d\\");
    QTest::newRow("escape sequences") << QStringLiteral("\\n\\t\\c\\0101\\x41\\e[31m\\\\n");
    QTest::newRow("quotes") << QStringLiteral("say \"hi\" and 'bye' \\\"x\\\" \"");
    QTest::newRow("dollars") << QStringLiteral("$HOME ${PATH} $1 $$ $? $(x) \\$HOME $");
    QTest::newRow("backquotes") << QStringLiteral("`id` \\`id\\` ` ");
    QTest::newRow("command substitution")
        << QStringLiteral("$(touch %1) `touch %1` \\$(touch %1) \"$(touch %1)\" '$(touch %1)'").arg(marker);
    QTest::newRow("line ends") << QStringLiteral("tell app \"Mail\"\n\tactivate\\\nend tell\n\n\\");
    QTest::newRow("options and formats") << QStringLiteral("-n -e %s %d %% \\%s");
    QTest::newRow("non-ASCII") << QStringLiteral("Gr\u00fc\u00dfe \u2713 \u65e5\u672c");
    QTest::newRow("Mail script")
        << QStringLiteral("set theSubject to \"R\\u00e9: a \\\"b\\\" $c `d` \\\\e\"\n"
                          "tell application \"Mail\" to make new outgoing message\n");
}

void TestMacToolKit::toBashPassesTextUnchanged()
{
    QFETCH(QString, script);

    const QString scriptFile = tmp_.filePath(QStringLiteral("wrapper.sh"));
    QVERIFY(writeFile(scriptFile, MacToolKit::toBash(script).toUtf8()));
    const QString marker = tmp_.filePath(QStringLiteral("executed"));

    // The file is run with /bin/sh (dash here); its first line names bash.
    for (const QString& shell : {QStringLiteral("/bin/sh"), QStringLiteral("/bin/bash")}) {
        const QString capture = tmp_.filePath(QStringLiteral("captured"));
        QFile::remove(capture);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PATH"), tmp_.filePath(QStringLiteral("stub")) + QLatin1Char(':')
                                               + env.value(QStringLiteral("PATH")));
        env.insert(QStringLiteral("VH_CAPTURE"), capture);
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(shell, {scriptFile});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.readAllStandardError(), QByteArray());
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(readBytes(capture), script.toUtf8() + '\n');
        QVERIFY2(!QFileInfo::exists(marker), qPrintable(shell));
    }
}

void TestMacToolKit::quitAppAppleScript()
{
    QCOMPARE(MacToolKit::quitAppAppleScript(QStringLiteral("Thunderbird")),
             QStringLiteral("on is_running(appName)\n"
                            "    tell application \"System Events\" to (name of processes) contains appName\n"
                            "end is_running\n"
                            "set isRunning to is_running(\"Thunderbird\")\n"
                            "if isRunning then\n"
                            "    run script \"tell application \\\"Thunderbird\\\" to quit\"\n"
                            "end if\n"));
    // A quote in the name stays inside the string literals.
    const QString script = MacToolKit::quitAppAppleScript(QStringLiteral("A\"B"));
    QVERIFY(script.contains(QStringLiteral("is_running(\"A\\\"B\")")));
    QVERIFY(script.contains(QStringLiteral("run script \"tell application \\\"A\\\\\\\"B\\\" to quit\"")));
}

void TestMacToolKit::quitAppBashEndsProcess_data()
{
    QTest::addColumn<QString>("processName");
    QTest::addColumn<QString>("askedName");
    QTest::addColumn<QString>("decoyName");

    // Unique names: nothing else on the machine is touched.
    const QString tag = randomLetters(8);
    QTest::newRow("other case") << QStringLiteral("vhquit") + tag << QStringLiteral("VHQuit") + tag
                                << QString();
    QTest::newRow("regex characters") << QStringLiteral("vh.q") + tag << QStringLiteral("vh.q") + tag
                                      << QStringLiteral("vhxq") + tag;
    QTest::newRow("shell characters") << QStringLiteral("v'$(q)") + tag << QStringLiteral("v'$(q)") + tag
                                      << QString();
}

void TestMacToolKit::quitAppBashEndsProcess()
{
    QFETCH(QString, processName);
    QFETCH(QString, askedName);
    QFETCH(QString, decoyName);

    const QString bin = tmp_.filePath(QStringLiteral("quitbin"));
    QDir().mkpath(bin);
    QProcess target;
    QProcess decoy;
    for (const auto& pair : {qMakePair(&target, processName), qMakePair(&decoy, decoyName)}) {
        if (pair.second.isEmpty())
            continue;
        const QString program = bin + QLatin1Char('/') + pair.second;
        QVERIFY(QFile::exists(program) || QFile::copy(QStringLiteral("/bin/sleep"), program));
        pair.first->start(program, {QStringLiteral("60")});
        QVERIFY(pair.first->waitForStarted(5000));
    }

    const QString scriptFile = tmp_.filePath(QStringLiteral("quit.sh"));
    QVERIFY(writeFile(scriptFile, MacToolKit::quitAppBash(askedName).toUtf8()));
    QString output;
    QString error;
    const bool ok = MacToolKit::executeBashScript(scriptFile, output, error);
    const bool ended = target.waitForFinished(5000);
    const bool decoyAlive = decoyName.isEmpty() || decoy.state() == QProcess::Running;
    if (decoy.state() != QProcess::NotRunning) {
        decoy.kill();
        decoy.waitForFinished(5000);
    }
    if (!ended) {
        target.kill();
        target.waitForFinished(5000);
    }
    QVERIFY2(ok, qPrintable(error));
    QCOMPARE(error, QString());
    QVERIFY(ended);
    QCOMPARE(target.exitStatus(), QProcess::CrashExit); // ended by its signal
    QVERIFY(decoyAlive);
}

void TestMacToolKit::quitAppBashWithoutProcess()
{
    const QString scriptFile = tmp_.filePath(QStringLiteral("quit-none.sh"));
    for (const QString& name : {QStringLiteral("vhnone") + randomLetters(8), QString()}) {
        QVERIFY(writeFile(scriptFile, MacToolKit::quitAppBash(name).toUtf8()));
        QString output;
        QString error;
        QVERIFY(MacToolKit::executeBashScript(scriptFile, output, error));
        QCOMPARE(error, QString());
        QCOMPARE(output, QString());
    }
}

void TestMacToolKit::quitAppBashReportsSurvivor()
{
    // A shell under a unique name that ignores SIGTERM outlives the wait.
    const QString name = QStringLiteral("vhstay") + randomLetters(8);
    const QString program = tmp_.filePath(QStringLiteral("quitbin/") + name);
    QDir().mkpath(QFileInfo(program).path());
    QVERIFY(QFile::copy(QStringLiteral("/bin/sh"), program));
    QProcess survivor;
    survivor.start(program, {QStringLiteral("-c"),
                             QStringLiteral("trap '' TERM; while :; do sleep 0.2; done")});
    QVERIFY(survivor.waitForStarted(5000));

    const QString scriptFile = tmp_.filePath(QStringLiteral("quit-survivor.sh"));
    QVERIFY(writeFile(scriptFile, MacToolKit::quitAppBash(name).toUtf8()));
    QString output;
    QString error;
    const bool ok = MacToolKit::executeBashScript(scriptFile, output, error);
    const bool stillRunning = survivor.state() == QProcess::Running;
    survivor.kill();
    survivor.waitForFinished(5000);
    QVERIFY(!ok);
    QCOMPARE(error, name + QStringLiteral(" did not quit within 10 seconds.\n"));
    QVERIFY(stillRunning);
}

void TestMacToolKit::executeBashScript_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");

    QTest::newRow("output only") << QByteArray("echo hello\nexit 3\n") << true << QStringLiteral("hello\n")
                                 << QString();
    QTest::newRow("error text") << QByteArray("echo out; echo 'went wrong' >&2\n") << false
                                << QStringLiteral("out\n") << QStringLiteral("went wrong\n");
    QTest::newRow("blank error text") << QByteArray("printf ' \\n\\t' >&2\n") << true << QString()
                                      << QStringLiteral(" \n\t");
    QTest::newRow("up to NUL, UTF-8") << QByteArray("printf 'Gr\xc3\xbc\xc3\x9f" "e\\000tail'\n") << true
                                      << QStringLiteral("Gr\u00fc\u00dfe") << QString();
    QTest::newRow("reads no input") << QByteArray("cat\necho done\n") << true << QStringLiteral("done\n")
                                    << QString();
}

void TestMacToolKit::executeBashScript()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, ok);
    QFETCH(QString, output);
    QFETCH(QString, error);

    const QString scriptFile = tmp_.filePath(QStringLiteral("run.sh"));
    QVERIFY(writeFile(scriptFile, script));
    QString gotOutput;
    QString gotError;
    QCOMPARE(MacToolKit::executeBashScript(scriptFile, gotOutput, gotError), ok);
    QCOMPARE(gotOutput, output);
    QCOMPARE(gotError, error);
}

void TestMacToolKit::executeMissingScript()
{
    QString output = QStringLiteral("old");
    QString error = QStringLiteral("old");
    QVERIFY(!MacToolKit::executeBashScript(tmp_.filePath(QStringLiteral("missing.sh")), output, error));
    QVERIFY(output.isEmpty());
    QVERIFY(error.isEmpty());
}

void TestMacToolKit::defaultMailClient_data()
{
    QTest::addColumn<QString>("desktopId");   // registered for mailto:, empty for none
    QTest::addColumn<QStringList>("entries"); // pairs: path below the tree, entry text
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("command");     // below the tree's "bin", empty for null

    const QString debianThunderbird = QStringLiteral(
        "[Desktop Entry]\n"
        "Version=1.0\n"
        "Name[de]=Thunderbird-E-Mail\n"
        "Name = Thunderbird\n"
        "GenericName=Mail Client\n"
        "Comment=Read/Write Mail/News with Thunderbird\n"
        "Exec=thunderbird %u\n"
        "Icon=thunderbird\n"
        "Terminal=false\n"
        "Type=Application\n"
        "MimeType=message/rfc822;x-scheme-handler/mailto;\n"
        "Categories=Network;Email;News;GTK;\n"
        "Actions=ComposeMessage;\n"
        "\n"
        "[Desktop Action ComposeMessage]\n"
        "Name=Write new message\n"
        "Exec=/usr/bin/thunderbird -compose\n");
    QTest::newRow("Debian's Thunderbird entry")
        << QStringLiteral("thunderbird.desktop")
        << QStringList{QStringLiteral("sys2/applications/thunderbird.desktop"), debianThunderbird,
                       QStringLiteral("bin/thunderbird"), QString()}
        << QStringLiteral("Thunderbird") << QStringLiteral("thunderbird");

    QTest::newRow("data home before data dirs")
        << QStringLiteral("mailer.desktop")
        << QStringList{QStringLiteral("sys1/applications/mailer.desktop"),
                       QStringLiteral("[Desktop Entry]\nName=System Mailer\nExec=sysmailer\n"),
                       QStringLiteral("home/applications/mailer.desktop"),
                       QStringLiteral("[Desktop Entry]\nName=Home\\sMailer\\\\x\nExec=homemailer -m %U\n"),
                       QStringLiteral("bin/homemailer"), QString(), QStringLiteral("bin/sysmailer"), QString()}
        << QStringLiteral("Home Mailer\\x") << QStringLiteral("homemailer");

    // In the file "\\$" is "\$" once the string escapes are read, and that
    // is "$" inside the quoted argument; "\\\\" ends up as one backslash.
    QTest::newRow("quoted program with escapes")
        << QStringLiteral("quoted.desktop")
        << QStringList{QStringLiteral("home/applications/quoted.desktop"),
                       QStringLiteral("[Desktop Entry]\nType=Application\n"
                                      "Exec=\"@TREE@/bin/My Mail\\\\$er/mail\\\\\\\\er\" --compose %u\n"
                                      "Name=Quoted\n"),
                       QStringLiteral("bin/My Mail$er/mail\\er"), QString()}
        << QStringLiteral("Quoted") << QStringLiteral("My Mail$er/mail\\er");

    QTest::newRow("desktop-file ID of a subfolder")
        << QStringLiteral("vendor-mail-app.desktop")
        << QStringList{QStringLiteral("sys1/applications/vendor/mail-app.desktop"),
                       QStringLiteral("[Desktop Entry]\nName=Vendor Mail\nExec=vendormail\n"),
                       QStringLiteral("bin/vendormail"), QString()}
        << QStringLiteral("Vendor Mail") << QStringLiteral("vendormail");

    QTest::newRow("program not found")
        << QStringLiteral("ghost.desktop")
        << QStringList{QStringLiteral("sys1/applications/ghost.desktop"),
                       QStringLiteral("[Desktop Entry]\nName=Ghost\nExec=vh-no-such-program-here %u\n")}
        << QStringLiteral("Ghost") << QString();

    QTest::newRow("registered entry missing")
        << QStringLiteral("missing.desktop") << QStringList() << QString() << QString();

    QTest::newRow("none registered") << QString() << QStringList() << QString() << QString();
}

void TestMacToolKit::defaultMailClient()
{
    QFETCH(QString, desktopId);
    QFETCH(QStringList, entries);
    QFETCH(QString, name);
    QFETCH(QString, command);

    QTemporaryDir tree;
    QVERIFY(tree.isValid());
    for (int i = 0; i + 1 < entries.size(); i += 2) {
        const QString path = tree.filePath(entries.at(i));
        QString text = entries.at(i + 1);
        text.replace(QLatin1String("@TREE@"), tree.path());
        const bool isProgram = entries.at(i).startsWith(QLatin1String("bin/"));
        QVERIFY(writeFile(path, isProgram ? QByteArray("#!/bin/sh\n") : text.toUtf8(), isProgram));
    }
    QDir().mkpath(tree.filePath(QStringLiteral("config")));
    QDir().mkpath(tree.filePath(QStringLiteral("etc-xdg")));
    QDir().mkpath(tree.filePath(QStringLiteral("home/applications")));
    if (!desktopId.isEmpty()) {
        // xdg-mime takes an entry from mimeapps.list only when it finds the
        // entry's program by the Exec line's first blank-separated word; for
        // a quoted program or a missing one it goes on to mimeinfo.cache.
        QVERIFY(writeFile(tree.filePath(QStringLiteral("config/mimeapps.list")),
                          "[Default Applications]\nx-scheme-handler/mailto=" + desktopId.toUtf8() + ";\n"));
        QVERIFY(writeFile(tree.filePath(QStringLiteral("home/applications/mimeinfo.cache")),
                          "[MIME Cache]\nx-scheme-handler/mailto=" + desktopId.toUtf8() + ";\n"));
    }

    // xdg-mime chooses its method by the desktop it detects; "X-Generic"
    // makes it read the XDG files and keeps it from probing D-Bus and X.
    qputenv("XDG_CURRENT_DESKTOP", "X-Generic");
    qunsetenv("KDE_FULL_SESSION");
    qunsetenv("DESKTOP_SESSION");
    qunsetenv("XDG_MENU_PREFIX");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(tree.filePath(QStringLiteral("config"))));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(tree.filePath(QStringLiteral("etc-xdg"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(tree.filePath(QStringLiteral("home"))));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(tree.filePath(QStringLiteral("sys1")) + QLatin1Char(':')
                                               + tree.filePath(QStringLiteral("sys2"))));
    qputenv("PATH", QFile::encodeName(tree.filePath(QStringLiteral("bin"))) + ':' + savedEnv_.value("PATH"));

    QCOMPARE(MacToolKit::defaultMailClient(), name);
    QCOMPARE(MacToolKit::defaultMailClient().isNull(), name.isNull());
    const QString expected = command.isEmpty() ? QString() : tree.filePath(QStringLiteral("bin/") + command);
    QCOMPARE(MacToolKit::defaultMailClientOpenCommand(), expected);
    QCOMPARE(MacToolKit::defaultMailClientOpenCommand().isNull(), expected.isNull());
}

QTEST_GUILESS_MAIN(TestMacToolKit)
#include "tst_MacToolKit.moc"
