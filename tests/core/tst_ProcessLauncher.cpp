#include "core/ProcessLauncher.h"

#include <QProcess>
#include <QWidget>
#include <QtTest>

namespace {

void writeScript(const QString& path, const QByteArray& text, bool executable)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (executable)
        permissions |= QFileDevice::ExeOwner;
    QVERIFY(file.setPermissions(permissions));
}

// Writes its arguments after the first, one a line, into the file named by
// the first.
const QByteArray MARKER_SCRIPT = "#!/bin/sh\nout=\"$1\"\nshift\nprintf '%s\\n' \"$@\" > \"$out.part\"\n"
                                 "mv \"$out.part\" \"$out\"\n";

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestProcessLauncher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void refused_data();
    void refused();
    void starts_data();
    void starts();

private:
    QTemporaryDir tmp_;
};

void TestProcessLauncher::initTestCase()
{
    QVERIFY(tmp_.isValid());
    writeScript(tmp_.filePath(QStringLiteral("marker.sh")), MARKER_SCRIPT, true);
    writeScript(tmp_.filePath(QStringLiteral("plain.sh")), MARKER_SCRIPT, false);
    QVERIFY(QDir(tmp_.path()).mkdir(QStringLiteral("folder")));
}

void TestProcessLauncher::refused_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("detached");

    for (bool detached : {false, true}) {
        const char* mode = detached ? "detached" : "attached";
        QTest::addRow("missing, %s", mode) << tmp_.filePath(QStringLiteral("nothing.sh")) << detached;
        QTest::addRow("not executable, %s", mode) << tmp_.filePath(QStringLiteral("plain.sh")) << detached;
        QTest::addRow("folder, %s", mode) << tmp_.filePath(QStringLiteral("folder")) << detached;
        QTest::addRow("empty path, %s", mode) << QString() << detached;
    }
}

void TestProcessLauncher::refused()
{
    QFETCH(QString, path);
    QFETCH(bool, detached);
    const QString marker = tmp_.filePath(QStringLiteral("refused.out"));
    QVERIFY(!ProcessLauncher(nullptr).launch(path, {marker, QStringLiteral("x")}, detached));
    QTest::qWait(100);
    QVERIFY(!QFileInfo::exists(marker));
}

void TestProcessLauncher::starts_data()
{
    QTest::addColumn<bool>("detached");
    QTest::addColumn<bool>("withParent");
    QTest::newRow("detached") << true << false;
    QTest::newRow("attached, no parent") << false << false;
    QTest::newRow("attached, parent widget") << false << true;
}

void TestProcessLauncher::starts()
{
    QFETCH(bool, detached);
    QFETCH(bool, withParent);

    QWidget parent;
    const QString marker = tmp_.filePath(QStringLiteral("%1.out").arg(QTest::currentDataTag()));
    // No shell between: each element arrives as one argument, unexpanded.
    const QStringList args = {marker, QStringLiteral("two words"), QStringLiteral("$HOME"),
                              QStringLiteral("it's \"quoted\""), QString()};
    {
        ProcessLauncher launcher(withParent ? &parent : nullptr);
        QVERIFY(launcher.launch(tmp_.filePath(QStringLiteral("marker.sh")), args, detached));
    }
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 10000);
    QCOMPARE(readBytes(marker), QByteArray("two words\n$HOME\nit's \"quoted\"\n\n"));
    // The finished process object does not linger under its parent.
    if (withParent)
        QTRY_VERIFY_WITH_TIMEOUT(parent.findChildren<QProcess*>().isEmpty(), 10000);
}

QTEST_MAIN(TestProcessLauncher)
#include "tst_ProcessLauncher.moc"
