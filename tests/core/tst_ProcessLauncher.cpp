#include "core/ProcessLauncher.h"

#include "common/TestFiles.h"

#include <QApplication>
#include <QProcess>
#include <QWidget>
#include <QtTest>

namespace {

// A script that writes its arguments, one a line, into the file out.
QByteArray recorder(const QString& out)
{
    const QByteArray part = "'" + QFile::encodeName(out) + ".part'";
    return "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + part + "\nmv " + part + " '" + QFile::encodeName(out) + "'\n";
}

} // namespace

class TestProcessLauncher : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp_;

private slots:
    // Only an existing executable file is started (attached: a detached start fails by itself).
    void refused()
    {
        QVERIFY(writeFile(tmp_.filePath("not-executable.sh"), "#!/bin/sh\n"));
        QVERIFY(QDir().mkpath(tmp_.filePath("folder")));
        for (const QString& path : {QString(), tmp_.filePath("missing.sh"), tmp_.filePath("not-executable.sh"),
                                    tmp_.filePath("folder")})
            QVERIFY2(!ProcessLauncher(nullptr).launch(path, {"x"}, false), qPrintable(path));
    }

    void starts_data()
    {
        QTest::addColumn<bool>("detached");
        QTest::addColumn<bool>("withParent");
        QTest::newRow("detached") << true << false;
        QTest::newRow("attached, no parent") << false << false;
        QTest::newRow("attached, parent widget") << false << true;
    }

    void starts()
    {
        QFETCH(bool, detached);
        QFETCH(bool, withParent);
        const QString out = tmp_.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".out");
        const QString script = out + ".sh";
        QVERIFY(writeFile(script, recorder(out), true));
        QWidget parent;
        {
            ProcessLauncher launcher(withParent ? &parent : nullptr);
            // No shell between: each element arrives as one argument, unexpanded.
            QVERIFY(launcher.launch(script, {"two words", "$HOME", "it's \"quoted\"", ""}, detached));
        }
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(out), 10000);
        QCOMPARE(readBytes(out), QByteArray("two words\n$HOME\nit's \"quoted\"\n\n"));
        // The finished process object does not linger under its parent.
        QTRY_VERIFY_WITH_TIMEOUT(parent.findChildren<QProcess*>().isEmpty(), 10000);
    }

    // The desktop's handler on X11 is xdg-open; the offscreen platform opens nothing.
    void openLocal()
    {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X display");
        const QString opened = tmp_.filePath("opened");
        QVERIFY(writeFile(tmp_.filePath("bin/xdg-open"), recorder(opened), true));
        // Qt looks the launcher up on PATH once, at the first use.
        qputenv("PATH", QFile::encodeName(tmp_.filePath("bin")) + ':' + qgetenv("PATH"));
        const QString document = tmp_.filePath("mail #1?.eml");
        QVERIFY(writeFile(document, ""));
        QVERIFY(ProcessLauncher(nullptr).openLocal(document));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(opened), 10000);
        const QUrl url(QString::fromUtf8(readBytes(opened)).trimmed(), QUrl::StrictMode);
        QCOMPARE(QFileInfo(url.toLocalFile()).canonicalFilePath(), QFileInfo(document).canonicalFilePath());
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
