#ifndef VORNHELM_TESTS_MAILTESTSUPPORT_H
#define VORNHELM_TESTS_MAILTESTSUPPORT_H

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Shared pieces of the mail tests: a real MIME parser (Python 3's email
// package), a private XDG tree for the default mail client, and stand-in
// programs that record what they were given.
namespace MailTest {

// Parses an EML file with Python's email package (policy default) and
// returns what the parser saw:
//   headers: [[name, decoded value], ...] of the message,
//   defects: every defect of the message, its parts and their headers,
//   root:    {type, boundary, params, disposition, filename, cte, bytes
//             (decoded payload, Base64), text (for text parts), parts}.
// An empty object and a message in error when the parser could not run.
QJsonObject parseEml(const QString& path, QString* error);

// Decoded payload of a part of parseEml's result.
QByteArray partBytes(const QJsonObject& part);

// The values of a header in parseEml's result.
QStringList headerValues(const QJsonObject& parsed, const QString& name);

// A private XDG configuration and data tree, made the process's own through
// its environment for as long as the object lives.
class XdgTree
{
public:
    XdgTree();
    ~XdgTree();
    bool isValid() const;
    // Registers a desktop entry with this name and Exec line as the mailto
    // handler.
    bool registerMailClient(const QString& name, const QString& exec);
    // Drops the registration.
    void clear();
    QString path() const;

private:
    QTemporaryDir dir_;
    QList<QPair<QByteArray, QByteArray>> saved_;
};

// Writes a program file (made executable).
bool writeExecutable(const QString& path, const QByteArray& content);

// A shell script that records its arguments, each followed by a NUL, into
// recordPath, and its standard input into stdinPath when that is not empty;
// then writes errText to its error output and exits with exitCode.
QByteArray recorderScript(const QString& recordPath, const QString& stdinPath = QString(),
                          const QByteArray& errText = QByteArray(), int exitCode = 0);

// Arguments recorded by recorderScript.
QStringList recordedArguments(const QString& recordPath);

// Reads a whole file; empty when missing.
QByteArray readFile(const QString& path);

// Whether the user runs a process named thunderbird (in any case): the
// Thunderbird road asks such processes to quit, so those tests then skip.
bool userThunderbirdRunning();

// Puts dir first on PATH (for the life of the process).
void prependPath(const QString& dir);

} // namespace MailTest

#endif // VORNHELM_TESTS_MAILTESTSUPPORT_H
