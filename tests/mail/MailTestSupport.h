#ifndef VORNHELM_TESTS_MAILTESTSUPPORT_H
#define VORNHELM_TESTS_MAILTESTSUPPORT_H

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>

#include "common/TestFiles.h"

// Shared pieces of the mail tests: a real MIME parser (Python 3's email
// package), a private XDG tree for the default mail client, and stand-in
// programs that record what they were given.
namespace MailTest {

// Parses an EML file with Python's email package (policy default):
//   headers:   {lower-case name: [decoded values]} of the message,
//   addresses: {lower-case name: ["display name <address>" or "address"]},
//   defects:   every defect of the message, its parts and their headers,
//   longestHeaderLine: the length of the longest header line of any part,
//   root:      {type, boundary, name, filename, disposition, cte, charset,
//               bytes (decoded payload, Base64), raw (quoted-printable
//               payload), text (text parts), flowed (a format=flowed part's
//               text as RFC 3676 reads it), parts}.
QJsonObject parseEml(const QString& path);

inline QString field(const QJsonObject& part, const char* key) { return part.value(QLatin1String(key)).toString(); }
inline QJsonObject subPart(const QJsonObject& part, int i) { return part.value(QLatin1String("parts")).toArray().at(i).toObject(); }
inline QByteArray partBytes(const QJsonObject& part) { return QByteArray::fromBase64(field(part, "bytes").toLatin1()); }
inline QStringList defects(const QJsonObject& parsed) { return parsed.value(QLatin1String("defects")).toVariant().toStringList(); }
inline QStringList addresses(const QJsonObject& parsed, const char* lowerName)
{
    return parsed.value(QLatin1String("addresses")).toObject().value(QLatin1String(lowerName)).toVariant().toStringList();
}
inline QStringList headerValues(const QJsonObject& parsed, const char* lowerName)
{
    return parsed.value(QLatin1String("headers")).toObject().value(QLatin1String(lowerName)).toVariant().toStringList();
}

// A private XDG configuration and data tree, made the process's own through
// its environment for as long as the object lives.
class XdgTree
{
public:
    XdgTree();
    ~XdgTree();
    // Makes a desktop entry with this name and Exec line the mailto handler.
    bool registerMailClient(const QString& name, const QString& exec);
    void clear();
    QTemporaryDir dir;

private:
    QList<QPair<QByteArray, QByteArray>> saved_;
};

// A /bin/sh script body (no "#!" line) that records its arguments, each
// followed by a NUL, into recordPath (which appears whole, last) and its
// standard input into stdinPath when given; then writes errText to its
// error output and exits with exitCode.
QByteArray recorderScript(const QString& recordPath, const QString& stdinPath = QString(),
                          const QByteArray& errText = QByteArray(), int exitCode = 0);
QStringList recordedArguments(const QString& recordPath);

} // namespace MailTest

#endif // VORNHELM_TESTS_MAILTESTSUPPORT_H
