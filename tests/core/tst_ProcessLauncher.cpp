#include "core/ProcessLauncher.h"

#include "common/TestFiles.h"

#include <QApplication>
#include <QProcess>
#include <QWidget>
#include <QtTest>

// A script that writes its arguments, one a line, into the file out.
static QByteArray recorder(const QString& out)
{
    const QByteArray file = QFile::encodeName(out);
    return "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + file + ".part'\nmv '" + file + ".part' '" + file + "'\n";
}

class TestProcessLauncher : public QObject
{
    Q_OBJECT
    QTemporaryDir tmp_;
private slots:
    // Only an existing executable file is started (attached: a detached start fails by itself).
    void refused()
    {
        QVERIFY(writeFile(tmp_.filePath("not-executable.sh"), "#!/bin/sh\n") && QDir().mkpath(tmp_.filePath("folder")));
        for (const QString name : {"", "missing.sh", "not-executable.sh", "folder"})
            QVERIFY(!ProcessLauncher(nullptr).launch(name.isEmpty() ? name : tmp_.filePath(name), {"x"}, false));
    }

    void starts_data()
    {
        QTest::addColumn<bool>("detached");
        QTest::addColumn<bool>("withParent");
        QTest::newRow("detached") << true << false;
        QTest::newRow("attached, no parent") << false << false;
        QTest::newRow("attached, parent widget") << false << true;
    }

    // The launcher may go at once; no shell between: each element arrives as one argument, unexpanded. The finished
    // process object does not linger under its parent.
    void starts()
    {
        QFETCH(bool, detached);
        QFETCH(bool, withParent);
        const QString out = tmp_.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".out");
        QVERIFY(writeFile(out + ".sh", recorder(out), true));
        QWidget parent;
        const QStringList arguments = {"two words", "$HOME", "it's \"quoted\"", ""};
        QVERIFY(ProcessLauncher(withParent ? &parent : nullptr).launch(out + ".sh", arguments, detached));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(out), 10000);
        QCOMPARE(readBytes(out), QByteArray("two words\n$HOME\nit's \"quoted\"\n\n"));
        QTRY_VERIFY_WITH_TIMEOUT(parent.findChildren<QProcess*>().isEmpty(), 10000);
    }

    // "#" and "?" stay part of the file's path. On X11 Qt opens it with xdg-open, looked up on PATH at the first use.
    void openLocal()
    {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X display");
        QVERIFY(writeFile(tmp_.filePath("bin/xdg-open"), recorder(tmp_.filePath("opened")), true));
        qputenv("PATH", QFile::encodeName(tmp_.filePath("bin")) + ':' + qgetenv("PATH"));
        const QString document = tmp_.filePath("mail #1?.eml");
        QVERIFY(writeFile(document, "") && ProcessLauncher(nullptr).openLocal(document));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(tmp_.filePath("opened")), 10000);
        QCOMPARE(QUrl(QString::fromUtf8(readBytes(tmp_.filePath("opened"))).trimmed()).toLocalFile(), document);
    }
};

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestProcessLauncher test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ProcessLauncher.moc"
