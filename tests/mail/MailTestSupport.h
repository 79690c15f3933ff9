#ifndef VORNHELM_TESTS_MAILTESTSUPPORT_H
#define VORNHELM_TESTS_MAILTESTSUPPORT_H

// Shared by the mail tests of every area: a real MIME parser (Python 3's
// email package) and a sandbox with the default mail client and stand-in
// programs that record what they were given.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "common/TestFiles.h"

namespace MailTest {

const char PARSER_SCRIPT[] = R"PY(
import base64, email, email.policy, json, sys
msg = email.message_from_bytes(open(sys.argv[1], 'rb').read(), policy=email.policy.default)
defects, longest, leaves = [], [0], []
summary = ['type: ' + msg.get_content_type()] + [h + ': ' + str(msg[h]) for h in
    ('To', 'Cc', 'Bcc', 'Subject', 'X-Priority', 'Importance') if msg[h] is not None]
def unflow(text):  # RFC 3676, DelSp=no
    out, cur = [], ''
    for line in text.split('\n'):
        line = line[1:] if line.startswith(' ') else line
        cur += line
        if not line.endswith(' ') or line == '-- ':
            out.append(cur)
            cur = ''
    return '\n'.join(out + ([cur] if cur else []))
def walk(part):
    defects.extend(repr(d) for d in part.defects)
    for k, v in part.items():
        defects.extend('%s: %r' % (k, d) for d in getattr(v, 'defects', ()))
    longest[0] = max([longest[0]] + [len(l) for k, v in part.raw_items() for l in (k + ': ' + v).split('\n')])
    ct = part.get('content-type')
    d = {'type': part.get_content_type(), 'boundary': part.get_boundary(),
         'name': ct.params.get('name') if ct is not None else None, 'filename': part.get_filename(),
         'disposition': part.get_content_disposition(), 'charset': part.get_content_charset(),
         'cte': str(part.get('content-transfer-encoding', ''))}
    if part.is_multipart():
        d['parts'] = [walk(p) for p in part.iter_parts()]
        return d
    leaves.append(d)
    payload = part.get_payload(decode=True) or b''
    d['bytes'] = base64.b64encode(payload).decode()
    if d['cte'] == 'quoted-printable':
        d['raw'] = part.get_payload()
    if part.get_content_maintype() == 'text':
        d['text'] = part.get_content()
        if ct is not None and ct.params.get('format') == 'flowed':
            d['flowed'] = unflow(d['text'])
    summary.append('attachment: %s=%s' % (d['filename'], payload.decode('utf-8', 'backslashreplace'))
                   if d['disposition'] == 'attachment' else part.get_content_subtype() + ': ' + d['text'].strip())
    return d
root = walk(msg)
headers, addresses = {}, {}
for k, v in msg.items():
    headers.setdefault(k.lower(), []).append(str(v))
    for a in getattr(v, 'addresses', ()):
        addresses.setdefault(k.lower(), []).append(a.display_name + ' <' + a.addr_spec + '>' if a.display_name else a.addr_spec)
print(json.dumps({'headers': headers, 'addresses': addresses, 'root': root, 'leaves': leaves, 'defects': defects,
                  'longestHeaderLine': longest[0], 'summary': summary + ['defect: ' + d for d in defects]}))
)PY";

// Parses an EML file with Python's email package (policy default):
//   headers:   {lower-case name: [decoded values]} of the message,
//   addresses: {lower-case name: ["display name <address>" or "address"]},
//   defects:   every defect of the message, its parts and their headers,
//   longestHeaderLine: the length of the longest header line of any part,
//   summary:   "type: ...", the main headers as "Name: value", then each
//              part as "plain: text" or "attachment: name=bytes", defects,
//   root:      {type, boundary, name, filename, disposition, cte, charset,
//               bytes (decoded payload, Base64), raw (quoted-printable
//               payload), text (text parts), flowed (a format=flowed part's
//               text as RFC 3676 reads it), parts},
//   leaves:    the parts without parts, in order.
inline QJsonObject parseEml(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral("python3"), { QStringLiteral("-c"), QString::fromUtf8(PARSER_SCRIPT), path });
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qWarning("parser failed: %s", python.readAllStandardError().constData());
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

inline QStringList strings(const QJsonValue& value) { return value.toVariant().toStringList(); }
inline QString field(const QJsonObject& part, const char* key) { return part.value(QLatin1String(key)).toString(); }
inline QJsonObject subPart(const QJsonObject& part, int i) { return part.value(QLatin1String("parts")).toArray().at(i).toObject(); }
inline QByteArray partBytes(const QJsonObject& part) { return QByteArray::fromBase64(field(part, "bytes").toLatin1()); }
inline QStringList headerValues(const QJsonObject& parsed, const char* lowerName)
{
    return strings(parsed.value(QLatin1String("headers")).toObject().value(QLatin1String(lowerName)));
}

// A private XDG configuration and data tree, and a bin folder first on PATH,
// made the process's own for the rest of its life. Qt looks for its file
// launcher once, on first use, so this comes before the first file opened.
class Sandbox
{
public:
    Sandbox()
    {
        for (const char* name : { "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID" })
            qunsetenv(name);
        for (const char* name : { "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS" }) {
            QDir().mkpath(path(QLatin1String(name) + QStringLiteral("/applications")));
            qputenv(name, QFile::encodeName(path(QLatin1String(name))));
        }
        QDir().mkpath(path(QStringLiteral("bin")));
        qputenv("PATH", QFile::encodeName(path(QStringLiteral("bin"))) + ':' + qgetenv("PATH"));
        addStandIn(QStringLiteral("mailer"));
    }

    QString path(const QString& relative) const { return dir_.filePath(relative); }

    // Makes a desktop entry of this name the mailto handler, by default
    // running the stand-in "mailer"; an empty name leaves none.
    bool registerMailClient(const QString& name, const QString& program = QString()) const
    {
        const QString list = path(QStringLiteral("XDG_CONFIG_HOME/mimeapps.list"));
        const QString entry = path(QStringLiteral("XDG_DATA_HOME/applications/vh-test-mailer.desktop"));
        QFile::remove(list);
        QFile::remove(entry);
        const QString exec = program.isNull() ? path(QStringLiteral("bin/mailer")) : program;
        return name.isEmpty()
               || (writeFile(list, "[Default Applications]\nx-scheme-handler/mailto=vh-test-mailer.desktop\n")
                   && writeFile(entry, "[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nExec="
                                           + QFile::encodeName(exec) + " %u\nMimeType=x-scheme-handler/mailto;\n"));
    }

    // A stand-in bin/<name> (any earlier record removed) that keeps a copy of
    // the file of a file:// first argument in <name>.eml and its standard
    // input in <name>.stdin when it reads any, records its arguments, each
    // followed by a NUL, in <name>.args (which appears whole, last), then
    // writes errText to its error output and exits with exitCode.
    bool addStandIn(const QString& name, bool readsInput = false, QByteArray errText = {}, int exitCode = 0) const
    {
        for (const char* suffix : { ".args", ".stdin", ".eml" })
            QFile::remove(path(name + QLatin1String(suffix)));
        return writeFile(path(QStringLiteral("bin/") + name),
                         "#!/bin/sh\no=\"${0%/bin/*}/${0##*/}\"\n"
                         "case \"$1\" in file://*) cp \"${1#file://}\" \"$o.eml\";; esac\n"
                         + QByteArray(readsInput ? "cat > \"$o.stdin\"\n" : "")
                         + "for a; do printf '%s\\0' \"$a\"; done > \"$o.part\"\nmv \"$o.part\" \"$o.args\"\n"
                         + "printf '%s' '" + errText.replace('\'', "'\\''") + "' >&2\nexit "
                         + QByteArray::number(exitCode) + "\n",
                         true);
    }

    // The arguments the stand-in was last run with.
    QStringList arguments(const QString& name) const
    {
        const QByteArray bytes = readBytes(path(name + QStringLiteral(".args")));
        QStringList arguments = QString::fromUtf8(bytes.constData(), bytes.size()).split(QChar(0));
        arguments.removeLast(); // after the last NUL
        return arguments;
    }

private:
    QTemporaryDir dir_;
};

} // namespace MailTest

#endif // VORNHELM_TESTS_MAILTESTSUPPORT_H
