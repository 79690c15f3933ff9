#include "core/ProcessLauncher.h"

#include <QApplication>
#include <QtTest>

// Opening a file goes through the desktop's handler (xdg-open on X11); a
// stand-in xdg-open first on PATH records what it is given. The offscreen
// platform opens nothing, so this test runs on X (Xvfb under CTest).
class TestProcessLauncherOpenLocal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void opensFileUrl();

private:
    QTemporaryDir tmp_;
};

void TestProcessLauncherOpenLocal::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X display");
    QVERIFY(tmp_.isValid());
    const QString stub = tmp_.filePath(QStringLiteral("bin/xdg-open"));
    QVERIFY(QDir().mkpath(tmp_.filePath(QStringLiteral("bin"))));
    QFile file(stub);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$VH_OPEN_CAPTURE.part\"\n"
               "mv \"$VH_OPEN_CAPTURE.part\" \"$VH_OPEN_CAPTURE\"\n");
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    // Qt picks its launcher once, at the first use.
    qputenv("PATH", QFile::encodeName(tmp_.filePath(QStringLiteral("bin"))) + ':' + qgetenv("PATH"));
    qputenv("VH_OPEN_CAPTURE", QFile::encodeName(tmp_.filePath(QStringLiteral("opened"))));
}

void TestProcessLauncherOpenLocal::opensFileUrl()
{
    const QString document = tmp_.filePath(QStringLiteral("mail 1.eml"));
    QFile file(document);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QVERIFY(ProcessLauncher(nullptr).openLocal(document));
    const QString capture = tmp_.filePath(QStringLiteral("opened"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(capture), 10000);
    QFile captured(capture);
    QVERIFY(captured.open(QIODevice::ReadOnly));
    const QUrl url(QString::fromUtf8(captured.readAll()).trimmed(), QUrl::StrictMode);
    QVERIFY(url.isValid());
    QCOMPARE(url.scheme(), QStringLiteral("file"));
    QCOMPARE(QFileInfo(url.toLocalFile()).canonicalFilePath(), QFileInfo(document).canonicalFilePath());
}

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestProcessLauncherOpenLocal test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ProcessLauncherOpenLocal.moc"
