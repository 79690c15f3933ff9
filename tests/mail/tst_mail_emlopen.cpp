// The EML road: the message file opened with the desktop's handler. Qt opens
// files only on a real display (under Xvfb here) by running xdg-open from
// PATH; a stand-in xdg-open records what it got. Qt keeps the launcher it
// found for the life of the process, so the refusal (no launcher at all)
// runs first and PATH gets the stand-in before the first successful open.

#include "mail/Email.h"

#include "MailTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

using namespace MailTest;

namespace {
bool displayAvailable = false;
} // namespace

class TestMailEmlOpen : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir root_;
    QString originalDir_;
    QByteArray originalPath_;
    QScopedPointer<XdgTree> xdg_;

private slots:
    void initTestCase()
    {
        if (!displayAvailable)
            QSKIP("opening files needs a display (DISPLAY is not set)");
        QVERIFY(root_.isValid());
        originalDir_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(root_.path()));
        originalPath_ = qgetenv("PATH");
        xdg_.reset(new XdgTree);
        QVERIFY(xdg_->registerMailClient(QStringLiteral("Evolution"), QStringLiteral("/bin/true %u")));
    }

    void cleanupTestCase()
    {
        xdg_.reset();
        if (!originalPath_.isNull())
            qputenv("PATH", originalPath_);
        if (!originalDir_.isEmpty())
            QDir::setCurrent(originalDir_);
    }

    void refusedKeepsFile()
    {
        // Nothing on PATH can open the file.
        const QString empty = root_.path() + QStringLiteral("/empty-bin");
        QVERIFY(QDir().mkpath(empty));
        qputenv("PATH", QFile::encodeName(empty));
        Email email;
        email.tempDir = root_.path() + QStringLiteral("/refused");
        email.subject = QStringLiteral("refused");
        QCOMPARE(email.send(), int(Email::SendLaunchFailed));
        qputenv("PATH", originalPath_);
        const QStringList files = QDir(email.tempDir).entryList({ QStringLiteral("*.eml") }, QDir::Files);
        QCOMPARE(files.size(), 1);
        // Still there after the delayed deletion would have run.
        QTest::qWait(11000);
        QVERIFY(QFile::exists(email.tempDir + QLatin1Char('/') + files.first()));
    }

    void openedAndDeletedLater()
    {
        const QString bin = root_.path() + QStringLiteral("/bin");
        QVERIFY(QDir().mkpath(bin));
        const QString record = root_.path() + QStringLiteral("/xdg-open.args");
        const QString copy = root_.path() + QStringLiteral("/opened.eml");
        // Records its arguments and keeps a copy of the file it was given.
        QByteArray script = "#!/bin/sh\nf=\"${1#file://}\"\ncp \"$f\" '" + QFile::encodeName(copy) + "'\n";
        script += recorderScript(record).mid(QByteArray("#!/bin/sh\n").size());
        QVERIFY(writeExecutable(bin + QStringLiteral("/xdg-open"), script));
        qputenv("PATH", QFile::encodeName(bin) + ':' + originalPath_);

        Email email;
        email.tempDir = root_.path() + QStringLiteral("/opened");
        email.to = QStringLiteral("ann@x.org;bob@y.org");
        email.subject = QStringLiteral("Opened \u00e9");
        email.body = QStringLiteral("<p>Hello</p>");
        email.isHtml = true;
        email.addAttachment(QStringLiteral("a.bin"), QStringLiteral("data:application/octet-stream;base64,AAECAw=="), true);
        QCOMPARE(email.send(), int(Email::SendOk));
        QVERIFY(email.lastError.isEmpty());

        QTRY_VERIFY(QFile::exists(record));
        const QStringList emlFiles = QDir(email.tempDir).entryList({ QStringLiteral("*.eml") }, QDir::Files);
        QCOMPARE(emlFiles.size(), 1);
        const QString path = email.tempDir + QLatin1Char('/') + emlFiles.first();
        const QStringList arguments = recordedArguments(record);
        QCOMPARE(arguments.size(), 1);
        QVERIFY2(arguments.first().startsWith(QStringLiteral("file://")), qPrintable(arguments.first()));
        QCOMPARE(QDir::cleanPath(arguments.first().mid(7)), path);

        QString error;
        const QJsonObject parsed = parseEml(copy, &error);
        QVERIFY2(!parsed.isEmpty(), qPrintable(error));
        QVERIFY2(parsed.value(QStringLiteral("defects")).toArray().isEmpty(),
                 QJsonDocument(parsed.value(QStringLiteral("defects")).toArray()).toJson().constData());
        QCOMPARE(headerValues(parsed, QStringLiteral("Subject")), QStringList({ email.subject }));
        const QJsonArray parts = parsed.value(QStringLiteral("root")).toObject().value(QStringLiteral("parts")).toArray();
        QCOMPARE(parts.size(), 2);
        QCOMPARE(partBytes(parts.at(1).toObject()), QByteArray("\x00\x01\x02\x03", 4));
        // The private XDG tree hides the system MIME database: the type
        // falls back to the default one rather than to nothing.
        QCOMPARE(parts.at(1).toObject().value(QStringLiteral("type")).toString(),
                 QStringLiteral("application/octet-stream"));

        // Handed over: deleted once it is about 5 s old.
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(path), 15000);
    }
};

int main(int argc, char** argv)
{
    displayAvailable = !qEnvironmentVariableIsEmpty("DISPLAY");
    qputenv("QT_QPA_PLATFORM", displayAvailable ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    TestMailEmlOpen test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mail_emlopen.moc"
