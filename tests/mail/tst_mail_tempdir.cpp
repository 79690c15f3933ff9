// The request's cleaning of the temporary folder as the clock moves on: a
// child process, this test's own executable, runs Email::cleanTempDir with
// its clock moved ahead by faketime, while file times stay true. A request
// folder lasts a day: a mail client may read its attachments hours later.

#include "mail/Email.h"

#include "common/TestFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace {

// Makes the executable a child that cleans the folder that follows and
// prints the time it saw, in seconds since the epoch.
const char CLEAN_ARGUMENT[] = "--clean-temp-dir";
// How long one child may live, on a busy machine: it ends itself then.
// faketime runs it as a child of its own and outlives no kill: a child
// that hangs must not be left behind.
const unsigned int CHILD_LIFETIME_SECS = 10;
// How long the test waits for faketime, which ends with its child.
const int CHILD_TIMEOUT_MSECS = 15000;
// How far the child's clock may stand from the offset asked for: the time
// between the two readings, on a busy machine.
const qint64 CLOCK_SLACK_SECS = 60;
const qint64 HOUR_SECS = 60 * 60;

int cleanAsChild(const char* tempDir)
{
    // Real seconds: faketime moves the clock, not the timers.
    ::alarm(CHILD_LIFETIME_SECS);
    Email email;
    email.tempDir = QFile::decodeName(tempDir);
    email.cleanTempDir();
    std::printf("%lld\n", static_cast<long long>(QDateTime::currentSecsSinceEpoch()));
    return 0;
}

} // namespace

class TestMailTempDir : public QObject
{
    Q_OBJECT

private slots:
    // A request folder made a moment ago, seen by a cleaning whose clock is
    // ahead: it stays while less than a day old, and goes after. Files
    // directly in the folder go whatever their age; other folders stay.
    void cleanByAge_data()
    {
        QTest::addColumn<QString>("offset"); // as faketime takes it
        QTest::addColumn<qint64>("offsetSecs");
        QTest::addColumn<bool>("removed");
        QTest::newRow("two hours ahead") << "+2h" << 2 * HOUR_SECS << false;
        QTest::newRow("23 hours ahead") << "+23h" << 23 * HOUR_SECS << false;
        QTest::newRow("25 hours ahead") << "+25h" << 25 * HOUR_SECS << true;
        QTest::newRow("two days ahead") << "+2d" << 48 * HOUR_SECS << true;
    }
    void cleanByAge()
    {
        QFETCH(QString, offset);
        QFETCH(qint64, offsetSecs);
        QFETCH(bool, removed);
        const QString faketime = QStandardPaths::findExecutable(QStringLiteral("faketime"));
        QVERIFY2(!faketime.isEmpty(), "faketime is not installed (Debian package faketime)");
        QTemporaryDir dir;
        const QString request = dir.filePath(QStringLiteral("20260105093001"));
        QVERIFY(writeFile(request + QStringLiteral("/invoice.txt"), "x"));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("kept/invoice.txt")), "x"));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("message.eml")), "x"));

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // Only the clock moves: the folder's times stay those it was made at.
        environment.insert(QStringLiteral("NO_FAKE_STAT"), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const qint64 started = QDateTime::currentSecsSinceEpoch();
        child.start(faketime, { QStringLiteral("-f"), offset, QCoreApplication::applicationFilePath(),
                                QLatin1String(CLEAN_ARGUMENT), dir.path() });
        const bool finished = child.waitForFinished(CHILD_TIMEOUT_MSECS);
        if (!finished) {
            child.kill();
            child.waitForFinished();
        }
        QVERIFY2(finished, "the cleaning did not end");
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        // The child's clock really was ahead: otherwise nothing is tested.
        const qint64 seen = child.readAllStandardOutput().trimmed().toLongLong();
        QVERIFY2(qAbs(seen - started - offsetSecs) <= CLOCK_SLACK_SECS,
                 qPrintable(QStringLiteral("the child's clock was %1 s ahead").arg(seen - started)));

        QCOMPARE(QFileInfo::exists(request), !removed);
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("kept/invoice.txt"))), QByteArray("x"));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("message.eml"))));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], CLEAN_ARGUMENT) == 0)
        return cleanAsChild(argv[2]);
    TestMailTempDir test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mail_tempdir.moc"
