// The hand-off roads of a mail message through /bin/sh into stand-ins first on
// PATH: the Mail AppleScript, the Thunderbird command line beside a running
// process of that name, the EML file opened by xdg-open; then what is kept.

#include "mail/Email.h"

#include "MailTestSupport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <functional>
#include <numeric>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

using namespace MailTest;

namespace {

// How long a stand-in started by a send may take to record, on a busy
// machine: a bound for failures only, no test waits it out when it passes.
const int STAND_IN_TIMEOUT_MSECS = 60000;
// How long an opener waits for the test's word before it gives up: a test
// that fails before the word ends at once, and leaves no opener behind.
const int OPENER_WAIT_SECS = 10;
// Programs that desktop entries put in front of the client, as stand-ins.
const QStringList WRAPPER_STAND_INS = { "env", "flatpak", "distrobox-enter", "kstart5", "toolbox", "gksudo" };

// Waits until done() holds without running the event loop, so that the
// delayed collection, which runs from it, takes no file meanwhile.
bool waitWithoutEvents(const std::function<bool()>& done)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > STAND_IN_TIMEOUT_MSECS)
            return false;
        QTest::qSleep(20);
    }
    return true;
}

// Thunderbird's reading of its compose argument: entries split at "," outside
// quotes; a quote opens only right after "=" and closes only where a "," or
// the end follows; a value between apostrophes is taken raw, any other is
// URI-decoded. Each entry as "key=value".
QStringList thunderbirdEntries(const QString& argument)
{
    QStringList entries;
    QString key;
    QString value;
    bool inKey = true;
    QChar quote;
    const auto finish = [&]() {
        entries << key + QLatin1Char('=') + (quote == QLatin1Char('\'') ? value : QUrl::fromPercentEncoding(value.toUtf8()));
        key.clear();
        value.clear();
        inKey = true;
        quote = QChar();
    };
    for (int i = 0; i < argument.size(); ++i) {
        const QChar c = argument.at(i);
        const bool beforeEnd = i + 1 == argument.size() || argument.at(i + 1) == QLatin1Char(',');
        if (inKey && c == QLatin1Char('=')) {
            inKey = false;
            if (i + 1 < argument.size() && (argument.at(i + 1) == QLatin1Char('\'') || argument.at(i + 1) == QLatin1Char('"')))
                quote = argument.at(++i);
        } else if (inKey) {
            key += c;
        } else if (!quote.isNull() && c == quote && beforeEnd) {
            finish();
            ++i; // the comma
        } else if (quote.isNull() && c == QLatin1Char(',')) {
            finish();
        } else {
            value += c;
        }
    }
    if (!inKey)
        finish();
    return entries;
}

} // namespace

class TestMailHandoff : public QObject
{
    Q_OBJECT

    Sandbox box_;
    // Folders of all messages: those handed over hold a script until it goes
    // (an EML file there would be one left by mistake).
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
        for (const QString& wrapper : WRAPPER_STAND_INS)
            QFile::remove(box_.path("bin/" + wrapper));
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
        const QString attachments = email.requestFolder();
        QCOMPARE(QFileInfo(attachments).path(), email.tempDir);
        for (const QString& value : { email.subject, email.body, QStringLiteral("ann@x.org"), QStringLiteral("bob\"@y.org"),
                                      attachments + QStringLiteral("/pic.png"), attachments + QStringLiteral("/Notes (2).txt") })
            QVERIFY2(literals.contains(value), qPrintable(value));
        QCOMPARE(readBytes(attachments + QStringLiteral("/pic.png")), binary);
        QCOMPARE(readBytes(attachments + QStringLiteral("/Notes (2).txt")), QByteArray("second"));

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
            QCOMPARE(QDir(refused.tempDir).entryList(QDir::Files), QStringList());
            QCOMPARE(refused.requestFolder().isEmpty(), client[0] != 'M');
            if (client[0] == 'M')
                QCOMPARE(QDir(refused.requestFolder()).entryList(QDir::Files), QStringList({ "first.txt" }));
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
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path("thunderbird-mailer.args")), STAND_IN_TIMEOUT_MSECS);
        QVERIFY(!running.waitForFinished(300) && running.state() == QProcess::Running);
        running.kill();
        running.waitForFinished();
        const QString t = QUrl::fromLocalFile(email.requestFolder()).toString();
        QCOMPARE(box_.arguments(QStringLiteral("thunderbird-mailer")),
                 QStringList({ QStringLiteral("-compose"),
                               QStringLiteral("to='ann@x.org,bob@y.org',subject=x%27%2Cattachment%3D%27file%3A%2F%2F%2Fetc%2Fshadow,"
                                              "format='2',body='It's\nfine',attachment='")
                                   + t + QStringLiteral("/x%27%2Cy%20%231%25.txt,")
                                   + t + QStringLiteral("/x%27%2Cy%20%231%25%20(2).txt'") }));
    }

    // Every value reaches Thunderbird as the page wrote it, and adds no entry;
    // a body too long for one program argument goes in a file of the request.
    void composeArgument_data()
    {
        QTest::addColumn<bool>("html");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("attachment"); // a text attachment's name, or none
        QTest::addColumn<QStringList>("entries"); // as Thunderbird reads them; @F the request's folder, @U its URL
        QTest::addColumn<QString>("bodyFile"); // the file holding the body, or none
        QTest::addColumn<QString>("written"); // the file's text where it is not the body as given

        QTest::newRow("apostrophe and comma in the subject")
            << false << "" << "the teams', results" << "" << ""
            << QStringList{ "subject=the teams', results", "format=2" } << "" << "";
        QTest::newRow("entries in the body") << true << "" << "" << "a',b='c',d" << ""
                                             << QStringList{ "format=1", "body=a',b='c',d" } << "" << "";
        QTest::newRow("attachment in the body")
            << false << "" << "" << "'quoted', and, attachment='file:///etc/passwd',x'" << ""
            << QStringList{ "format=2", "body='quoted', and, attachment='file:///etc/passwd',x'" } << "" << "";
        QTest::newRow("outside ASCII, and quotes without a comma")
            << false << "Gr\u00fc\u00dfe', \U0001F600 <a@x.org>" << "It's, 'fine'" << "100% \"sure\"," << ""
            << QStringList{ "to=Gr\u00fc\u00dfe', \U0001F600 <a@x.org>", "subject=It's, 'fine'", "format=2", "body=100% \"sure\"," } << "" << "";
        // The argument's bytes with its NUL: 18 of them are "format='2',body=''".
        const QString longest(131071 - 18, QLatin1Char('x'));
        QTest::newRow("the longest body on the command line") << false << "" << "" << longest << ""
                                                            << QStringList{ "format=2", "body=" + longest } << "" << "";
        QTest::newRow("one byte more") << false << "" << "" << longest + "x" << ""
                                       << QStringList{ "format=2", "message=@F/body.txt" } << "body.txt" << "";
        const QString umlauts = QString(65530, QChar(0xfc)) + "\nline two";
        QTest::newRow("fewer characters than bytes") << false << "" << "" << umlauts << ""
                                                     << QStringList{ "format=2", "message=@F/body.txt" } << "body.txt" << "";
        QTest::newRow("an attachment of the file's name")
            << true << "" << "x" << "<p>" + QString(140000, QLatin1Char('y')) + "\n</p>" << "body.html"
            << QStringList{ "subject=x", "format=1", "message=@F/body (2).html", "attachment=@U/body.html" } << "body (2).html"
            << "<p>" + QString(140000, QLatin1Char('y')) + " </p>";
        // Thunderbird makes an HTML body's line breaks "<br>" on the command line and blanks from a file: it gets none.
        const QString html = "<p>Hello Anna,\nthis goes on</p>\r\n<PRE class=\"t\">\na  b\nc</PRE>\n";
        const QString shown = "<p>Hello Anna, this goes on</p> <PRE class=\"t\">a  b<br>c</PRE> ";
        QTest::newRow("HTML line breaks on the command line") << true << "" << "" << html << ""
                                                              << QStringList{ "format=1", "body=" + shown } << "" << "";
        const QString filler(140000, QLatin1Char('z'));
        QTest::newRow("HTML line breaks in the file") << true << "" << "" << filler + html << ""
                                                      << QStringList{ "format=1", "message=@F/body.html" } << "body.html"
                                                      << filler + shown;
        QString crowd;
        for (int i = 0; i < 10000; ++i)
            crowd += QStringLiteral("r%1@example.com;").arg(i);
        QTest::newRow("too many recipients") << false << crowd << "" << longest << "" << QStringList() << "" << "";
    }
    void composeArgument()
    {
        QFETCH(bool, html);
        QFETCH(QString, to);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QFETCH(QString, attachment);
        QFETCH(QStringList, entries);
        QFETCH(QString, bodyFile);
        QFETCH(QString, written);
        QVERIFY(box_.registerMailClient(QStringLiteral("Thunderbird")));
        QVERIFY(box_.addStandIn(QStringLiteral("thunderbird-mailer")));
        Email email = message();
        email.isHtml = html;
        email.to = to;
        email.subject = subject;
        email.body = body;
        email.addAttachment(attachment, QStringLiteral("attached"), false);
        if (entries.isEmpty()) {
            // Nothing is started, and nothing written.
            QCOMPARE(email.send(), int(Email::SendLaunchFailed));
            QCOMPARE(QDir(email.tempDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
            QTest::qWait(200);
            QVERIFY(!QFile::exists(path("thunderbird-mailer.args")));
            return;
        }
        QCOMPARE(email.send(), int(Email::SendOk));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path("thunderbird-mailer.args")), STAND_IN_TIMEOUT_MSECS);
        const QStringList arguments = box_.arguments(QStringLiteral("thunderbird-mailer"));
        QCOMPARE(arguments.size(), 2);
        entries.replaceInStrings(QStringLiteral("@F"), email.requestFolder());
        entries.replaceInStrings(QStringLiteral("@U"), QUrl::fromLocalFile(email.requestFolder()).toString());
        QCOMPARE(thunderbirdEntries(arguments.at(1)), entries);
        // A request's folder only where it has something to hold.
        QCOMPARE(email.requestFolder().isEmpty(), bodyFile.isEmpty() && attachment.isEmpty());
        if (!bodyFile.isEmpty()) {
            const QString file = email.requestFolder() + QLatin1Char('/') + bodyFile;
            QCOMPARE(readBytes(file), (written.isEmpty() ? body : written).toUtf8());
            QCOMPARE(int(QFileInfo(file).permissions() & 0x0777), int(QFile::ReadUser | QFile::WriteUser));
        }
    }

    // The client of each form of desktop entry gets the compose arguments
    // itself; a wrapper (env, flatpak) is never started in its place. One
    // that leads to no client, and any other program in front of the client,
    // is a launch failure.
    void thunderbirdEntry_data()
    {
        QTest::addColumn<QString>("exec");     // "@BOX@" for the sandbox; " %u" follows
        QTest::addColumn<QString>("recorder"); // the stand-in that gets them; empty: none
        const QString flatpak = QStringLiteral("flatpak run --branch=stable --arch=x86_64 --command=thunderbird "
                                               "--file-forwarding %1 @@u %u @@");
        QTest::newRow("plain") << "thunderbird-deb" << "thunderbird-deb";
        QTest::newRow("quoted path with blanks") << "\"@BOX@/bin/Thunderbird Mail\"" << "Thunderbird Mail";
        QTest::newRow("snap") << "env BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/"
                                 "thunderbird_thunderbird.desktop @BOX@/bin/thunderbird-snap" << "thunderbird-snap";
        QTest::newRow("flatpak") << flatpak.arg("org.mozilla.Thunderbird") << "tb-flatpak";
        QTest::newRow("env leading to nothing") << "env BAMF_DESKTOP_FILE_HINT=x" << "";
        QTest::newRow("flatpak leading to nothing") << flatpak.arg("org.example.Missing") << "";
        QTest::newRow("distrobox-enter") << "distrobox-enter -n arch -- thunderbird-deb" << "";
        QTest::newRow("kstart5") << "kstart5 thunderbird-deb" << "";
        QTest::newRow("toolbox run") << "toolbox run thunderbird-deb" << "";
        QTest::newRow("gksudo behind env") << "env A=1 gksudo thunderbird-deb" << "";
    }
    void thunderbirdEntry()
    {
        QFETCH(QString, exec);
        QFETCH(QString, recorder);
        const QStringList standIns = QStringList{ "thunderbird-deb", "Thunderbird Mail", "thunderbird-snap", "tb-flatpak" }
                                     + WRAPPER_STAND_INS;
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
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(box_.path(recorder + QStringLiteral(".args"))), STAND_IN_TIMEOUT_MSECS);
            QCOMPARE(box_.arguments(recorder), QStringList({ QStringLiteral("-compose"), QStringLiteral("subject='Hi',format='2'") }));
        }
        QTest::qWait(200); // time for a wrongly started program to record
        for (const QString& name : standIns)
            QVERIFY2(name == recorder || !QFile::exists(box_.path(name + QStringLiteral(".args"))), qPrintable(name));
    }

    // What the client is given on the Mail and Thunderbird roads: no value is
    // cut at a NUL, and names differing only in lone surrogates name two
    // files. Every file written is readable by the owner alone.
    void clientValues_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<QStringList>("values"); // to, cc, subject, body, then name=data of each attachment
        QTest::addColumn<QStringList>("expected"); // Thunderbird's arguments, or Mail's string literals; %1 is the folder URL or path
        QTest::addColumn<QStringList>("files"); // name=data in the folder

        const QString nul(QChar(0));
        const QStringList nulValues = { "ann@x.org" + nul + ";bob@y.org", "c" + nul + "@x.org", "Hello" + nul + "world",
                                        "Hi" + nul + "there", "a" + nul + ".txt=one" };
        const QStringList surrogateValues = { "", "", "", "", QString::fromUtf16(u"report\xd800.txt=first"),
                                              QString::fromUtf16(u"report\xdc00.txt=second"),
                                              QString::fromUtf16(u"\xd83d\xde00\xde00\xd83d.txt=third") };
        const QStringList surrogateFiles = { QString::fromUtf16(u"report\xfffd.txt=first"),
                                             QString::fromUtf16(u"report\xfffd (2).txt=second"),
                                             QString::fromUtf16(u"\xd83d\xde00\xfffd\xfffd.txt=third") };
        QTest::newRow("thunderbird, NUL in every value")
            << "Mozilla Thunderbird" << nulValues
            << QStringList{ "-compose", "to='ann@x.org,bob@y.org',cc='c@x.org',subject='Helloworld',format='2',"
                                        "body='Hithere',attachment='%1/a.txt'" }
            << QStringList{ "a.txt=one" };
        QTest::newRow("thunderbird, lone surrogates in names")
            << "Mozilla Thunderbird" << surrogateValues
            << QStringList{ "-compose", "format='2',attachment='%1/report%EF%BF%BD.txt,%1/report%EF%BF%BD%20(2).txt,"
                                        "%1/%F0%9F%98%80%EF%BF%BD%EF%BF%BD.txt'" }
            << surrogateFiles;
        QTest::newRow("mail, NUL in every value")
            << "Mail" << nulValues << QStringList{ "ann@x.org", "bob@y.org", "c@x.org", "Helloworld", "Hithere", "%1/a.txt" }
            << QStringList{ "a.txt=one" };
        QTest::newRow("mail, lone surrogates in names")
            << "Mail" << surrogateValues
            << QStringList{ surrogateFiles.at(0).section('=', 0, 0).prepend("%1/"), surrogateFiles.at(1).section('=', 0, 0).prepend("%1/"),
                            surrogateFiles.at(2).section('=', 0, 0).prepend("%1/") }
            << surrogateFiles;
    }
    void clientValues()
    {
        QFETCH(QString, client);
        QFETCH(QStringList, values);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, files);
        QVERIFY(box_.registerMailClient(client));
        QVERIFY(box_.addStandIn(QStringLiteral("osascript"), true));
        QVERIFY(box_.addStandIn(QStringLiteral("thunderbird-mailer")));
        Email email = message();
        email.to = values.at(0);
        email.cc = values.at(1);
        email.subject = values.at(2);
        email.body = values.at(3);
        for (const QString& attachment : values.mid(4))
            email.addAttachment(attachment.section('=', 0, 0), attachment.section('=', 1), false);
        QCOMPARE(email.send(), int(Email::SendOk));
        const bool mail = client == QLatin1String("Mail");
        const QString attachments = email.requestFolder();
        expected.replaceInStrings(QStringLiteral("%1"), mail ? attachments : QUrl::fromLocalFile(attachments).toString());
        if (mail) {
            const QString script = QString::fromUtf8(readBytes(path("osascript.stdin")));
            QVERIFY2(!script.contains(QChar(0)), qPrintable(script));
            QStringList literals;
            for (auto m = QRegularExpression(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\"")).globalMatch(script); m.hasNext();)
                literals << m.next().captured(1);
            for (const QString& value : expected)
                QVERIFY2(literals.contains(value), qPrintable(value));
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path("thunderbird-mailer.args")), STAND_IN_TIMEOUT_MSECS);
            QCOMPARE(box_.arguments(QStringLiteral("thunderbird-mailer")), expected);
        }
        // The scripts directly in the folder, the attachments in the request's own.
        QCOMPARE(QFileInfo(attachments).path(), email.tempDir);
        QCOMPARE(int(QFileInfo(attachments).permissions() & 0x0777), int(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser));
        QCOMPARE(QDir(email.tempDir).entryList(QDir::Files).filter(QRegularExpression(QStringLiteral("\\.sh$"))),
                 QDir(email.tempDir).entryList(QDir::Files));
        QStringList written;
        for (const QFileInfo& file : QDir(email.tempDir).entryInfoList(QDir::Files, QDir::Name)
                                         + QDir(attachments).entryInfoList(QDir::Files, QDir::Name)) {
            QCOMPARE(int(file.permissions() & 0x0777), int(QFile::ReadUser | QFile::WriteUser));
            // A shell may skip a NUL in a script where another one cuts it.
            if (file.suffix() == QLatin1String("sh"))
                QVERIFY(!readBytes(file.filePath()).contains('\0'));
            else
                written << file.fileName() + QLatin1Char('=') + QString::fromUtf8(readBytes(file.filePath()));
        }
        files.sort();
        QCOMPARE(written, files);
    }

    // Two requests within a second, each with an invoice.txt of its own: a
    // client reads an attachment when its message is saved or sent, after
    // the later request, and still finds the bytes its request gave.
    void ownAttachments_data()
    {
        QTest::addColumn<QString>("client");
        QTest::newRow("thunderbird") << "Mozilla Thunderbird";
        QTest::newRow("mail") << "Mail";
    }
    void ownAttachments()
    {
        QFETCH(QString, client);
        const bool mail = client == QLatin1String("Mail");
        // Thunderbird (started on its own, perhaps beside the other) records
        // its arguments, osascript the script on its input, each run in a
        // file of its own.
        const QString got = path("own") + QLatin1Char('/') + QTest::currentDataTag();
        const QByteArray recorder = "#!/bin/sh\nr=\"" + QFile::encodeName(got) + "/$$\"\n"
                                    "case \"${0##*/}\" in osascript) cat > \"$r.part\"; mv \"$r.part\" \"$r.stdin\";;\n"
                                    "*) for a; do printf '%s\\0' \"$a\"; done > \"$r.part\"; mv \"$r.part\" \"$r.args\";; esac\n";
        QVERIFY(QDir().mkpath(got));
        QVERIFY(writeFile(path("bin/osascript"), recorder, true));
        QVERIFY(writeFile(path("bin/thunderbird-recorder"), recorder, true));
        QVERIFY(box_.registerMailClient(client, path("bin/thunderbird-recorder")));
        const QString dir = message().tempDir;
        QTRY_VERIFY_WITH_TIMEOUT(QTime::currentTime().msec() < 300, 2000);
        const int startSecond = QTime::currentTime().second();
        QStringList folders;
        for (const char* name : { "alice", "bob" }) {
            // As the page's request does it.
            Email email;
            email.tempDir = dir;
            email.cleanTempDir();
            email.to = QLatin1String(name) + QStringLiteral("@example.com");
            email.addAttachment(QStringLiteral("invoice.txt"), QStringLiteral("INVOICE FOR ") + QString::fromLatin1(name).toUpper(), false);
            QCOMPARE(email.send(), int(Email::SendOk));
            folders << QFileInfo(email.requestFolder()).fileName();
        }
        // A name taken within one second is numbered.
        if (QTime::currentTime().second() == startSecond)
            QCOMPARE(folders.at(1), folders.at(0) + QStringLiteral("-2"));
        const QString kind = mail ? QStringLiteral("*.stdin") : QStringLiteral("*.args");
        QVERIFY(waitWithoutEvents([&]() { return QDir(got).entryList({ kind }, QDir::Files).size() == 2; }));
        QStringList attached;
        for (const QString& record : QDir(got).entryList({ kind }, QDir::Files)) {
            const QByteArray bytes = readBytes(got + QLatin1Char('/') + record);
            const QString text = QString::fromUtf8(bytes.constData(), bytes.size());
            const QRegularExpressionMatch to = QRegularExpression(QStringLiteral("(\\w+)@example.com")).match(text);
            QString file;
            if (mail) {
                file = QRegularExpression(QStringLiteral("file name:\\(\\(\"([^\"]*)\" as POSIX file")).match(text).captured(1);
            } else {
                file = QUrl(text.section(QStringLiteral("attachment='"), 1).section(QLatin1Char('\''), 0, 0)).toLocalFile();
            }
            // The page's own name, in a folder of the request's own.
            QCOMPARE(QFileInfo(file).fileName(), QStringLiteral("invoice.txt"));
            QCOMPARE(QFileInfo(QFileInfo(file).path()).path(), dir);
            attached << to.captured(1) + QLatin1Char('=') + QString::fromUtf8(readBytes(file));
        }
        attached.sort();
        QCOMPARE(attached, QStringList({ "alice=INVOICE FOR ALICE", "bob=INVOICE FOR BOB" }));
    }

    // Two messages handed over close together, to an opener that reads its
    // file only after both were sent: each opener reads its own message. The
    // EML files are private from the first byte on.
    void closeSends_data()
    {
        QTest::addColumn<bool>("sameSecond");
        QTest::newRow("within one second") << true;
        QTest::newRow("a second apart") << false;
    }
    void closeSends()
    {
        QFETCH(bool, sameSecond);
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("Opening a file with the desktop's handler needs X (xcb).");
        QVERIFY(box_.registerMailClient(QStringLiteral("Other")));
        const QString got = path("got") + QLatin1Char('/') + QTest::currentDataTag();
        QVERIFY(QDir().mkpath(got));
        // The opener waits for the test's word that both were sent, however
        // long the machine takes to start it; after OPENER_WAIT_SECS it gives up.
        const QByteArray g = QFile::encodeName(got);
        QVERIFY(writeFile(path("bin/xdg-open"),
                          "#!/bin/sh\nf=\"${1#file://}\"\nd=\"${f%/*}\"\nstat -c %a \"$f\" > \"" + g + "/${d##*/}.eml.mode\"\n"
                          "n=0\nwhile [ ! -e \"" + g + "/go\" ]; do\n"
                          "  [ $n -lt " + QByteArray::number(OPENER_WAIT_SECS * 20) + " ] || exit 1\n"
                          "  n=$((n + 1)); sleep 0.05\ndone\n"
                          "cp \"$f\" \"" + g + "/$$.part\" && mv \"" + g + "/$$.part\" \"" + g + "/${d##*/}.eml\"\n",
                          true));
        const QString dir = message().tempDir;
        // Started early in a second, so both fall into it (or, waiting a
        // second between, into two).
        QTRY_VERIFY_WITH_TIMEOUT(QTime::currentTime().msec() < 300, 2000);
        const int startSecond = QTime::currentTime().second();
        for (const char* subject : { "first", "second" }) {
            Email email;
            email.tempDir = dir;
            email.cleanTempDir();
            email.subject = QLatin1String(subject);
            QCOMPARE(email.send(), int(Email::SendOk));
            if (!sameSecond)
                QTest::qSleep(1000);
        }
        // Each in a folder of its request's own, where the second request
        // leaves the first; in one second the second folder's name is the
        // first one numbered. Nothing else is left in the temporary folder.
        QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList());
        QStringList handedOver = QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        QCOMPARE(handedOver.size(), 2);
        for (const QString& folder : handedOver)
            QCOMPARE(QDir(dir + QLatin1Char('/') + folder).entryList({ "*.eml" }, QDir::Files).size(), 1);
        handedOver.replaceInStrings(QRegularExpression(QStringLiteral("$")), QStringLiteral(".eml"));
        const bool numbered = handedOver.at(1) == handedOver.at(0).chopped(4) + "-2.eml";
        // A machine too busy to send both within the second gives two names.
        if (sameSecond && QTime::currentTime().second() == startSecond)
            QVERIFY(numbered);
        QVERIFY(writeFile(got + QStringLiteral("/go"), QByteArray()));
        QVERIFY(waitWithoutEvents([&got]() { return QDir(got).entryList({ "*.eml" }, QDir::Files).size() == 2; }));
        QStringList subjects;
        for (const QString& name : handedOver) {
            subjects << headerValues(parseEml(got + QLatin1Char('/') + name), "subject");
            QCOMPARE(readBytes(got + QLatin1Char('/') + name + ".mode"), QByteArray("600\n"));
        }
        QCOMPARE(subjects, QStringList({ "first", "second" }));
    }

    // The scripts run go once about 5 s old; the EML file handed over and the
    // attachments stay, for a client that reads them late.
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
        const QStringList emlFiles = QDir(eml.requestFolder()).entryList({ "*.eml" }, QDir::Files);
        QCOMPARE(emlFiles.size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(handedOverLeft(), 0, 30000);
        // Two collections later, as long as a slow client may take.
        QTest::qWait(10500);
        QVERIFY(QFile::exists(eml.requestFolder() + QLatin1Char('/') + emlFiles.first()));
        // The Mail road's message: its attachments stay in its own folder.
        const QDir mailBox(path("send0/temp/mail \"box\\"));
        const QStringList attachmentFolders = mailBox.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(attachmentFolders.size(), 1);
        QVERIFY(QFile::exists(mailBox.filePath(attachmentFolders.first() + QStringLiteral("/pic.png"))));
    }
};

// Files open through xdg-open only on a real display.
static const bool ON_DISPLAY = qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");

QTEST_MAIN(TestMailHandoff)

#include "tst_mail_handoff.moc"
