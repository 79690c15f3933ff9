// The hand-off roads of a mail message: the Mail AppleScript (as text, and
// end to end through /bin/sh into a stand-in osascript), the Thunderbird
// command line (a stand-in client named by a test desktop entry, and the
// quit step against a real process), the dispatch by the client's name, the
// send results and the delayed deletion of handed-over files.

#include "mail/AttatchmentManager.h"
#include "mail/Email.h"

#include "MailTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace MailTest;

namespace {

// Reads a compose argument the way Thunderbird does: key=, a value between
// apostrophes that ends at the next apostrophe followed by a comma (or at
// the last apostrophe of the text), then the next entry.
QList<QPair<QString, QString>> readComposeArgument(const QString& argument)
{
    QList<QPair<QString, QString>> entries;
    int pos = 0;
    while (pos < argument.size()) {
        const int equals = argument.indexOf(QLatin1Char('='), pos);
        if (equals < 0 || equals + 1 >= argument.size() || argument.at(equals + 1) != QLatin1Char('\''))
            break;
        const QString key = argument.mid(pos, equals - pos);
        const int start = equals + 2;
        int end = argument.indexOf(QLatin1String("',"), start);
        int next = end + 2;
        if (end < 0) {
            end = argument.endsWith(QLatin1Char('\'')) ? argument.size() - 1 : argument.size();
            next = argument.size();
        }
        entries << qMakePair(key, argument.mid(start, end - start));
        pos = next;
    }
    return entries;
}

QStringList filesLike(const QString& dir, const QString& pattern)
{
    return QDir(dir).entryList({ pattern }, QDir::Files);
}

} // namespace

class TestMailHandoff : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir root_;
    QString originalDir_;
    QString bin_;
    QScopedPointer<XdgTree> xdg_;
    int folders_ = 0;

    QString osascript() const { return bin_ + QStringLiteral("/osascript"); }
    QString osaRecord() const { return root_.path() + QStringLiteral("/osascript.args"); }
    QString osaStdin() const { return root_.path() + QStringLiteral("/osascript.stdin"); }
    QString tbProgram() const { return bin_ + QStringLiteral("/tb-standin"); }
    QString tbRecord() const { return root_.path() + QStringLiteral("/tb.args"); }

    QString newTempDir()
    {
        return root_.path() + QStringLiteral("/send") + QString::number(++folders_) + QStringLiteral("/temp");
    }

    // osascript stand-in: records, then answers with errText and exitCode.
    void setOsascript(const QByteArray& errText = QByteArray(), int exitCode = 0)
    {
        QFile::remove(osaRecord());
        QFile::remove(osaStdin());
        QVERIFY(writeExecutable(osascript(), recorderScript(osaRecord(), osaStdin(), errText, exitCode)));
    }

    void useMail()
    {
        QVERIFY(xdg_->registerMailClient(QStringLiteral("Mail"), bin_ + QStringLiteral("/Mail")));
    }

    void useThunderbird(const QString& exec = QString())
    {
        QFile::remove(tbRecord());
        QVERIFY(xdg_->registerMailClient(QStringLiteral("Mozilla Thunderbird"),
                                         exec.isNull() ? tbProgram() + QStringLiteral(" %u") : exec));
    }

    // The Thunderbird road asks every process named thunderbird to quit.
    bool skipForUsersThunderbird()
    {
        return userThunderbirdRunning();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root_.isValid());
        originalDir_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(root_.path()));
        bin_ = root_.path() + QStringLiteral("/bin");
        QVERIFY(QDir().mkpath(bin_));
        prependPath(bin_);
        xdg_.reset(new XdgTree);
        QVERIFY(xdg_->isValid());
        QVERIFY(writeExecutable(tbProgram(), recorderScript(tbRecord())));
    }

    void cleanupTestCase()
    {
        xdg_.reset();
        QDir::setCurrent(originalDir_);
    }

    // --- The Mail AppleScript as text ----------------------------------

    void appleScriptMinimal()
    {
        Email email;
        QCOMPARE(email.toMailAppAppleScript(),
                 QStringLiteral("tell application \"Mail\"\n"
                                "    activate\n"
                                "    set theMessage to make new outgoing message with properties {visible:true}\n"
                                "    tell theMessage\n"
                                "    end tell\n"
                                "end tell\n"));
    }

    void appleScriptMessage()
    {
        Email email;
        email.tempDir = QStringLiteral("/tmp/mail \"box\\");
        email.subject = QStringLiteral("Say \"hi\" \\o/");
        email.body = QStringLiteral("Line 1\nLine \"2\"");
        email.to = QStringLiteral("ann@x.org;bob@y.org");
        email.cc = QStringLiteral("c@z.org, d@z.org");
        email.bcc = QStringLiteral("e@z.org,,");
        email.addAttachment(QStringLiteral("a.txt"), QStringLiteral("x"), false);
        email.addAttachment(QStringLiteral("dir/b.pdf"), QStringLiteral("AAA="), true);
        email.addAttachment(QStringLiteral("c.png"), QStringLiteral("AAA="), true);
        const QStringList lines = email.toMailAppAppleScript().split(QLatin1Char('\n'));
        const QString rcpt = QStringLiteral("        make new %1 recipient at end of %1 recipients with properties {address:\"%2\"}");
        const QString att = QStringLiteral("        make new attachment with properties {file name:((\"%1\" as POSIX file) as alias)}");
        QCOMPARE(lines, QStringList({
            QStringLiteral("tell application \"Mail\""),
            QStringLiteral("    activate"),
            QStringLiteral("    set theMessage to make new outgoing message with properties {subject:\"Say \\\"hi\\\" \\\\o/\", "
                           "content:\"Line 1"),
            QStringLiteral("Line \\\"2\\\"\", visible:true}"),
            QStringLiteral("    tell theMessage"),
            rcpt.arg(QStringLiteral("to"), QStringLiteral("ann@x.org")),
            rcpt.arg(QStringLiteral("to"), QStringLiteral("bob@y.org")),
            rcpt.arg(QStringLiteral("cc"), QStringLiteral("c@z.org")),
            rcpt.arg(QStringLiteral("cc"), QStringLiteral(" d@z.org")),
            rcpt.arg(QStringLiteral("bcc"), QStringLiteral("e@z.org")),
            rcpt.arg(QStringLiteral("bcc"), QString()),
            rcpt.arg(QStringLiteral("bcc"), QString()),
            att.arg(QStringLiteral("/tmp/mail \\\"box\\\\/a.txt")),
            att.arg(QStringLiteral("/tmp/mail \\\"box\\\\/b.pdf")),
            att.arg(QStringLiteral("/tmp/mail \\\"box\\\\/c.png")),
            QStringLiteral("    end tell"),
            QStringLiteral("end tell"),
            QString(),
        }));
        QCOMPARE(email.to, QStringLiteral("ann@x.org,bob@y.org"));
    }

    void appleScriptHtml_data()
    {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("line19");
        QTest::addColumn<QString>("line29");
        QTest::newRow("empty") << QString() << QString() << QStringLiteral("if name is \"\" then")
                               << QStringLiteral("set recipientListString to (\"\" as text)");
        QTest::newRow("values") << QStringLiteral("A \"b\" \\c") << QStringLiteral("ann@x.org;bob@y.org")
                                << QStringLiteral("if name is \"A \\\"b\\\" \\\\c\" then")
                                << QStringLiteral("set recipientListString to (\"ann@x.org,bob@y.org\" as text)");
    }

    void appleScriptHtml()
    {
        QFETCH(QString, subject);
        QFETCH(QString, to);
        QFETCH(QString, line19);
        QFETCH(QString, line29);
        Email email;
        email.isHtml = true;
        email.subject = subject;
        email.to = to;
        email.cc = QStringLiteral("never@x.org");
        const QString script = email.toMailAppAppleScript();
        QVERIFY(!script.contains(QStringLiteral("never@x.org\" as text")));
        QStringList lines = script.split(QLatin1Char('\n'));
        QCOMPARE(lines.takeLast(), QString());
        const int blockStart = lines.indexOf(QStringLiteral("    set draftCountBefore to count messages of drafts mailbox"));
        QVERIFY(blockStart > 0);
        QCOMPARE(lines.at(blockStart - 1), QStringLiteral("    end tell"));
        QVERIFY(lines.at(2).endsWith(QStringLiteral("visible:false}")));
        QVERIFY(!lines.at(2).contains(QStringLiteral("content:")));
        const QStringList block = lines.mid(blockStart, 43);
        QCOMPARE(block.at(18), QString(18, QLatin1Char(' ')) + line19);
        QCOMPARE(block.at(28), QString(10, QLatin1Char(' ')) + line29);
        QCOMPARE(block.at(15), QStringLiteral("         set newMessageWindow to missing value"));
        QCOMPARE(block.at(11), QStringLiteral("    if newMessageAsDraft is missing value then error \"New message failed to appear "
                                              "in the drafts mailbox within the timeout period.\""));
        QCOMPARE(block.at(42), QStringLiteral("    end tell"));
        QCOMPARE(lines.at(blockStart + 43), QStringLiteral("end tell"));
        QCOMPARE(lines.at(blockStart + 44), QString());
        const QStringList handler = lines.mid(blockStart + 45);
        QCOMPARE(handler.size(), 18);
        QCOMPARE(handler.first(), QStringLiteral("on pasteFromClipboard(targetProcess)"));
        QCOMPARE(handler.at(13), QStringLiteral("            set miPaste to first menu item whose value of attribute "
                                                "\"AXMenuItemCmdChar\" is \"V\" and value of attribute "
                                                "\"AXMenuItemCmdModifiers\" is 0"));
        QCOMPARE(handler.last(), QStringLiteral("end pasteFromClipboard"));
        for (const QString& line : lines)
            QVERIFY(!line.contains(QLatin1Char('\r')));
    }

    void bashFiles()
    {
        AttatchmentManager manager;
        const QRegularExpression name(QStringLiteral("^20[0-9]{12}\\.sh$"));
        const QString dir = newTempDir();
        QVERIFY(manager.createTempBashFile(QString(), QStringLiteral("x")).isNull());
        const QString content = QStringLiteral("#!/bin/sh\necho \"$1\" '\u00e9'\n");
        const QString path = manager.createTempBashFile(dir, content);
        QVERIFY(name.match(QFileInfo(path).fileName()).hasMatch());
        QCOMPARE(QFileInfo(path).absolutePath(), dir);
        QCOMPARE(readFile(path), content.toUtf8());

        Email email;
        QVERIFY(manager.createMailAppBashFile(&email).isNull());
        email.tempDir = newTempDir();
        email.subject = QStringLiteral("It's \"$x\"");
        const QString mailScript = manager.createMailAppBashFile(&email);
        QVERIFY(name.match(QFileInfo(mailScript).fileName()).hasMatch());
        QCOMPARE(QFileInfo(mailScript).absolutePath(), email.tempDir);
        QVERIFY(readFile(mailScript).startsWith("#!/bin/bash\n"));
        QVERIFY(readFile(mailScript).endsWith(" | osascript\n"));
    }

    // --- Dispatch -------------------------------------------------------

    void dispatch_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<bool>("osascriptOnPath");
        QTest::addColumn<QString>("road");
        QTest::newRow("Mail") << "Mail" << true << "mail";
        QTest::newRow("Mail without osascript") << "Mail" << false << "eml";
        QTest::newRow("mail") << "mail" << true << "eml";
        QTest::newRow("Mail 2") << "Mail 2" << true << "eml";
        QTest::newRow("Apple Mail") << "Apple Mail" << true << "eml";
        QTest::newRow("Mozilla Thunderbird") << "Mozilla Thunderbird" << true << "thunderbird";
        QTest::newRow("thunderbird") << "thunderbird" << true << "eml";
        QTest::newRow("empty name") << "" << true << "eml";
        QTest::newRow("Evolution") << "Evolution" << true << "eml";
    }

    void dispatch()
    {
        QFETCH(QString, client);
        QFETCH(bool, osascriptOnPath);
        QFETCH(QString, road);
        if (road == QLatin1String("thunderbird") && skipForUsersThunderbird())
            QSKIP("a Thunderbird of the user's is running");
        setOsascript();
        if (!osascriptOnPath)
            QVERIFY(QFile::remove(osascript()));
        QFile::remove(tbRecord());
        QVERIFY(xdg_->registerMailClient(client, tbProgram()));
        QCOMPARE(Email::defaultMailClient(), client);

        Email email;
        email.tempDir = newTempDir();
        email.lastError = QStringLiteral("old");
        const int result = email.send();
        QVERIFY(email.lastError.isEmpty() && !email.lastError.isNull());
        if (road == QLatin1String("mail")) {
            QCOMPARE(result, int(Email::SendOk));
            QVERIFY(QFile::exists(osaRecord()));
        } else if (road == QLatin1String("thunderbird")) {
            QCOMPARE(result, int(Email::SendOk));
            QTRY_VERIFY(QFile::exists(tbRecord()));
        } else {
            // Offscreen, the desktop opens nothing: the EML file stays.
            QCOMPARE(result, int(Email::SendLaunchFailed));
            QCOMPARE(filesLike(email.tempDir, QStringLiteral("*.eml")).size(), 1);
            QVERIFY(!QFile::exists(osaRecord()));
            QVERIFY(!QFile::exists(tbRecord()));
        }
        setOsascript();
    }

    // --- The Mail road end to end -----------------------------------------

    void mailRoadHandsScriptUnchanged_data()
    {
        QTest::addColumn<bool>("html");
        QTest::newRow("plain") << false;
        QTest::newRow("html") << true;
    }

    void mailRoadHandsScriptUnchanged()
    {
        QFETCH(bool, html);
        useMail();
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

        QCOMPARE(email.send(), int(Email::SendOk));
        // printf '%s\n' adds one line feed of its own.
        const QByteArray expected = (email.toMailAppAppleScript() + QStringLiteral("\n")).toUtf8();
        QCOMPARE(readFile(osaStdin()), expected);
        QVERIFY(recordedArguments(osaRecord()).isEmpty());
        QVERIFY(!QFile::exists(root_.path() + QStringLiteral("/pwned")));

        QCOMPARE(readFile(email.tempDir + QStringLiteral("/notes.txt")), QStringLiteral("Gr\u00fc\u00dfe\n").toUtf8());
        QCOMPARE(readFile(email.tempDir + QStringLiteral("/pic.png")), binary);
        QVERIFY(!QFileInfo::exists(QFileInfo(email.tempDir + QStringLiteral("/../../escape")).absoluteFilePath()));
        QVERIFY(QString::fromUtf8(expected).contains(email.tempDir + QStringLiteral("/pic.png\" as POSIX file")));
        QCOMPARE(filesLike(email.tempDir, QStringLiteral("*.sh")).size(), 1);
    }

    void mailRoadResults_data()
    {
        QTest::addColumn<QByteArray>("errText");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("lastError");
        QTest::newRow("ok") << QByteArray() << 0 << int(Email::SendOk) << QString();
        QTest::newRow("blank error output") << QByteArray(" \n\t\n") << 0 << int(Email::SendOk) << QString();
        QTest::newRow("exit status alone") << QByteArray() << 3 << int(Email::SendOk) << QString();
        QTest::newRow("error output") << QByteArray("execution error: Mail got an error (-1728)\n") << 1
                                      << int(Email::SendClientError)
                                      << QStringLiteral("execution error: Mail got an error (-1728)\n");
    }

    void mailRoadResults()
    {
        QFETCH(QByteArray, errText);
        QFETCH(int, exitCode);
        QFETCH(int, result);
        QFETCH(QString, lastError);
        useMail();
        setOsascript(errText, exitCode);
        Email email;
        email.tempDir = newTempDir();
        email.subject = QStringLiteral("s");
        QCOMPARE(email.send(), result);
        QCOMPARE(email.lastError, lastError);
        QVERIFY(QFile::exists(osaRecord()));
        setOsascript();
    }

    void mailRoadFileFailures()
    {
        useMail();
        setOsascript();
        // The second attachment's name leaves nothing usable: the first is
        // written, the third and the script are not.
        Email email;
        email.tempDir = newTempDir();
        email.addAttachment(QStringLiteral("first.txt"), QStringLiteral("1"), false);
        email.addAttachment(QStringLiteral("sub/.."), QStringLiteral("2"), false);
        email.addAttachment(QStringLiteral("third.txt"), QStringLiteral("3"), false);
        QCOMPARE(email.send(), int(Email::SendFileCreationFailed));
        QCOMPARE(QDir(email.tempDir).entryList(QDir::Files), QStringList({ QStringLiteral("first.txt") }));
        QVERIFY(!QFile::exists(osaRecord()));

        // Two attachments of one name: one file with the later content.
        Email twice;
        twice.tempDir = newTempDir();
        twice.addAttachment(QStringLiteral("same.txt"), QStringLiteral("old"), false);
        twice.addAttachment(QStringLiteral("x/same.txt"), QStringLiteral("new"), false);
        QCOMPARE(twice.send(), int(Email::SendOk));
        QCOMPARE(readFile(twice.tempDir + QStringLiteral("/same.txt")), QByteArray("new"));

        // A folder that cannot be made.
        QFile blocker(root_.path() + QStringLiteral("/blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Email blocked;
        blocked.tempDir = blocker.fileName() + QStringLiteral("/temp");
        QCOMPARE(blocked.send(), int(Email::SendFileCreationFailed));
        Email noFolder;
        QFile::remove(osaRecord());
        QCOMPARE(noFolder.send(), int(Email::SendFileCreationFailed));
        QVERIFY(!QFile::exists(osaRecord()));
    }

    // --- The Thunderbird road -------------------------------------------

    void thunderbirdArguments_data()
    {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("html");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing set") << "" << "" << "" << false << QStringList() << "format='2'";
        QTest::newRow("html") << "" << "" << "" << true << QStringList() << "format='1'";
        QTest::newRow("subject and body") << "" << "Hello" << "Hi" << false << QStringList()
                                          << "subject='Hello',format='2',body='Hi'";
        QTest::newRow("recipients") << "ann@x.org;bob@y.org" << "" << "" << false << QStringList()
                                    << "to='ann@x.org,bob@y.org',format='2'";
        QTest::newRow("apostrophe and comma") << "" << "It's, fine" << "a\nb" << false << QStringList()
                                              << "subject='It's, fine',format='2',body='a\nb'";
        QTest::newRow("attachments") << "" << "" << "" << false
                                     << QStringList({ QStringLiteral("a.txt"), QStringLiteral("b.pdf") })
                                     << "format='2',attachment='file:///{T}/a.txt,file:///{T}/b.pdf'";
        QTest::newRow("attachment names") << "" << "" << "" << false
                                          << QStringList({ QStringLiteral("x',y.txt"), QStringLiteral("100%.txt") })
                                          << "format='2',attachment='file:///{T}/x%27%2Cy.txt,file:///{T}/100%25.txt'";
    }

    void thunderbirdArguments()
    {
        QFETCH(QString, to);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QFETCH(bool, html);
        QFETCH(QStringList, names);
        QFETCH(QString, expected);
        if (skipForUsersThunderbird())
            QSKIP("a Thunderbird of the user's is running");
        useThunderbird();
        Email email;
        email.tempDir = newTempDir();
        email.to = to;
        email.subject = subject;
        email.body = body;
        email.isHtml = html;
        for (const QString& name : names)
            email.addAttachment(name, QStringLiteral("content of ") + name, false);
        QCOMPARE(email.send(), int(Email::SendOk));
        QTRY_VERIFY(QFile::exists(tbRecord()));
        expected.replace(QStringLiteral("{T}"), email.tempDir);
        QCOMPARE(recordedArguments(tbRecord()), QStringList({ QStringLiteral("-compose"), expected }));
        for (const QString& name : names)
            QCOMPARE(readFile(email.tempFilePath(name)), (QStringLiteral("content of ") + name).toUtf8());
        QCOMPARE(email.to, to.replace(QLatin1Char(';'), QLatin1Char(',')));
    }

    void thunderbirdValuesCannotAddEntries()
    {
        if (skipForUsersThunderbird())
            QSKIP("a Thunderbird of the user's is running");
        useThunderbird();
        Email email;
        email.tempDir = newTempDir();
        email.to = QStringLiteral("ann@x.org',attachment='file:///etc/passwd");
        email.subject = QStringLiteral("x',attachment='file:///etc/shadow',body='y");
        email.body = QStringLiteral("quote: 'yes', end'");
        email.addAttachment(QStringLiteral("ok.txt"), QStringLiteral("ok"), false);
        QCOMPARE(email.send(), int(Email::SendOk));
        QTRY_VERIFY(QFile::exists(tbRecord()));
        const QStringList arguments = recordedArguments(tbRecord());
        QCOMPARE(arguments.size(), 2);
        const auto entries = readComposeArgument(arguments.at(1));
        QStringList keys;
        for (const auto& entry : entries)
            keys << entry.first;
        QCOMPARE(keys, QStringList({ "to", "subject", "format", "body", "attachment" }));
        const QChar mark(0x2019);
        QCOMPARE(entries.at(0).second, QStringLiteral("ann@x.org") + mark + QStringLiteral(",attachment='file:///etc/passwd"));
        QCOMPARE(entries.at(1).second, QStringLiteral("x") + mark + QStringLiteral(",attachment='file:///etc/shadow")
                                           + mark + QStringLiteral(",body='y"));
        QCOMPARE(entries.at(3).second, QStringLiteral("quote: 'yes") + mark + QStringLiteral(", end'"));
        QCOMPARE(entries.at(4).second, QStringLiteral("file:///") + email.tempDir + QStringLiteral("/ok.txt"));
    }

    void thunderbirdFailures()
    {
        if (skipForUsersThunderbird())
            QSKIP("a Thunderbird of the user's is running");

        // No usable program: quit step and attachments done, no start.
        useThunderbird(root_.path() + QStringLiteral("/no/such/program %u"));
        QVERIFY(Email::defaultMailClientOpenCommand().isNull());
        Email missing;
        missing.tempDir = newTempDir();
        missing.addAttachment(QStringLiteral("a.txt"), QStringLiteral("a"), false);
        QCOMPARE(missing.send(), int(Email::SendLaunchFailed));
        QVERIFY(QFile::exists(missing.tempDir + QStringLiteral("/a.txt")));

        // An attachment that cannot be written: nothing is started.
        useThunderbird();
        Email refused;
        refused.tempDir = newTempDir();
        refused.addAttachment(QStringLiteral("/"), QStringLiteral("a"), false);
        QCOMPARE(refused.send(), int(Email::SendFileCreationFailed));
        QTest::qWait(300);
        QVERIFY(!QFile::exists(tbRecord()));

        // The quit script cannot be written: the client is started anyway.
        QFile blocker(root_.path() + QStringLiteral("/tb-blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Email unwritable;
        unwritable.tempDir = blocker.fileName() + QStringLiteral("/temp");
        QCOMPARE(unwritable.send(), int(Email::SendOk));
        QTRY_VERIFY(QFile::exists(tbRecord()));

        // The quit step reports an error: nothing is started. (A stand-in
        // pkill that fails in a way the quit script reports.)
        QFile::remove(tbRecord());
        const QString pkill = bin_ + QStringLiteral("/pkill");
        QVERIFY(writeExecutable(pkill, "#!/bin/sh\necho 'pkill: broken' >&2\nexit 3\n"));
        Email quitFails;
        quitFails.tempDir = newTempDir();
        quitFails.addAttachment(QStringLiteral("a.txt"), QStringLiteral("a"), false);
        const int result = quitFails.send();
        QFile::remove(pkill);
        QCOMPARE(result, int(Email::SendClientError));
        QCOMPARE(quitFails.lastError, QStringLiteral("Could not ask Thunderbird to quit.\n"));
        QTest::qWait(300);
        QVERIFY(!QFile::exists(tbRecord()));
        QVERIFY(!QFile::exists(quitFails.tempDir + QStringLiteral("/a.txt")));
    }

    void thunderbirdProgramPathCleaned()
    {
        if (skipForUsersThunderbird())
            QSKIP("a Thunderbird of the user's is running");
        // A program path ending in "-mail" loses those five characters.
        const QString withSuffix = tbProgram() + QStringLiteral("-mail");
        QVERIFY(writeExecutable(withSuffix, "#!/bin/sh\nexit 0\n"));
        useThunderbird(QLatin1Char('"') + withSuffix + QStringLiteral("\" %u"));
        QCOMPARE(Email::defaultMailClientOpenCommand(), withSuffix);
        Email email;
        email.tempDir = newTempDir();
        QCOMPARE(email.send(), int(Email::SendOk));
        QTRY_VERIFY(QFile::exists(tbRecord()));
        QCOMPARE(recordedArguments(tbRecord()), QStringList({ QStringLiteral("-compose"), QStringLiteral("format='2'") }));
        QFile::remove(withSuffix);
    }

    void thunderbirdQuitsRunningProcess()
    {
        // Only a process this test started may be ended.
        if (skipForUsersThunderbird())
            QSKIP("a Thunderbird of the user's is running");
        const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
        QVERIFY(!sleep.isEmpty());
        const QString fakeDir = root_.path() + QStringLiteral("/running");
        QVERIFY(QDir().mkpath(fakeDir));
        const QString fake = fakeDir + QStringLiteral("/thunderbird");
        QVERIFY(QFile::copy(sleep, fake));
        QVERIFY(QFile::setPermissions(fake, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QProcess running;
        running.start(fake, { QStringLiteral("300") });
        QVERIFY(running.waitForStarted());

        useThunderbird();
        Email email;
        email.tempDir = newTempDir();
        email.subject = QStringLiteral("after quit");
        const int result = email.send();
        const bool ended = running.state() == QProcess::NotRunning || running.waitForFinished(2000);
        if (!ended) {
            running.kill();
            running.waitForFinished();
        }
        QCOMPARE(result, int(Email::SendOk));
        QVERIFY(ended);
        QCOMPARE(running.exitStatus(), QProcess::CrashExit);
        QTRY_VERIFY(QFile::exists(tbRecord()));
        QCOMPARE(recordedArguments(tbRecord()).value(1), QStringLiteral("subject='after quit',format='2'"));
    }

    // --- Delayed deletion -------------------------------------------------

    void delayedDeletion()
    {
        useMail();
        setOsascript();
        Email ok;
        ok.tempDir = newTempDir();
        ok.addAttachment(QStringLiteral("kept.txt"), QStringLiteral("k"), false);
        QCOMPARE(ok.send(), int(Email::SendOk));
        const QStringList okScripts = filesLike(ok.tempDir, QStringLiteral("*.sh"));
        QCOMPARE(okScripts.size(), 1);

        setOsascript("failed\n", 1);
        Email failed;
        failed.tempDir = newTempDir();
        QCOMPARE(failed.send(), int(Email::SendClientError));
        QCOMPARE(filesLike(failed.tempDir, QStringLiteral("*.sh")).size(), 1);
        setOsascript();

        QString quitDir;
        if (!skipForUsersThunderbird()) {
            useThunderbird();
            Email thunderbird;
            thunderbird.tempDir = newTempDir();
            QCOMPARE(thunderbird.send(), int(Email::SendOk));
            quitDir = thunderbird.tempDir;
            QCOMPARE(filesLike(quitDir, QStringLiteral("*.sh")).size(), 1);
        }

        QTest::qWait(2000);
        QCOMPARE(filesLike(ok.tempDir, QStringLiteral("*.sh")).size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(filesLike(ok.tempDir, QStringLiteral("*.sh")).isEmpty(), 15000);
        if (!quitDir.isNull())
            QTRY_VERIFY_WITH_TIMEOUT(filesLike(quitDir, QStringLiteral("*.sh")).isEmpty(), 15000);
        QVERIFY(QFile::exists(ok.tempDir + QStringLiteral("/kept.txt")));
        QCOMPARE(filesLike(failed.tempDir, QStringLiteral("*.sh")).size(), 1);
    }
};

QTEST_MAIN(TestMailHandoff)

#include "tst_mail_handoff.moc"
