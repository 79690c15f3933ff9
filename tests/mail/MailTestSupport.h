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
import base64, email, email.policy, json, os, re, subprocess, sys
from email.header import decode_header, make_header
from email.utils import getaddresses
# UTF-8 throughout: addresses outside ASCII go as UTF-8 (RFC 6532).
msg = email.message_from_string(open(sys.argv[1], 'rb').read().decode(), policy=email.policy.default)
out = {'headers': {}, 'parts': [], 'defects': []}
out['summary'] = [h + ': ' + str(msg[h]) for h in ('To', 'Cc', 'Bcc', 'Subject', 'X-Priority') if msg[h]]
def unflow(text):  # RFC 3676, DelSp=no; a quote mark or an unstuffed "From " reads otherwise
    lines = text.split('\n')
    return None if any(l.startswith(('>', 'From ')) for l in lines) else re.sub(' \n', ' ', '\n'.join(l[1:] if l.startswith(' ') else l for l in lines))
def addresses(raw):  # names decoded as RFC 2047 says: no blank between neighbouring encoded words
    named = ((str(make_header(decode_header(n))), a) for n, a in getaddresses([raw]))
    return ', '.join(('"%s"' % n.replace('\\', '\\\\').replace('"', '\\"') if re.search(r'[][\\()<>@,:;".]', n) else n)
                     + ' <%s>' % a if n else a for n, a in named)
def groups(header):  # the names of groups, which getaddresses leaves out
    names = [g.display_name for g in getattr(header, 'groups', ()) if g.display_name is not None]
    return ' (groups: %s)' % ', '.join(names) if names else ''
for (k, v), (_, raw) in zip(msg.items(), msg.raw_items()):
    value = addresses(raw) + groups(v) if k.lower() in ('from', 'to', 'cc', 'bcc', 'disposition-notification-to') else str(v)
    out['headers'].setdefault(k.lower(), []).append(value)
# Debian's own Python has a strict getaddresses, which Debian's mail tools run on: it returns one empty address for
# a whole field it cannot split safely. It must read every address that the parser above reads, but for a domain
# literal, which it refuses alone.
STRICT = r"""
import email, json, sys
from email.utils import getaddresses
msg = email.message_from_string(open(sys.argv[1], 'rb').read().decode())
print(json.dumps({h: [a for n, a in getaddresses(msg.get_all(h, []))] for h in sys.argv[2:]}))
"""
if os.path.exists('/usr/bin/python3'):
    fields = ('To', 'Cc', 'Bcc', 'From')
    strict = json.loads(subprocess.run(['/usr/bin/python3', '-c', STRICT, sys.argv[1]] + list(fields),
                                       capture_output=True, text=True, check=True).stdout)
    for h in fields:
        raws = [raw for k, raw in msg.raw_items() if k.lower() == h.lower()]
        want = ['' if '[' in a else a for n, a in getaddresses(raws)]
        if strict[h] != want:
            out['defects'].append('/usr/bin/python3 reads %s as %r, not %r' % (h, strict[h], want))
for part in msg.walk():
    out['defects'] += [repr(d) for d in part.defects] + [repr(d) for v in part.values() for d in v.defects
                                                         if not isinstance(d, email.errors.NonASCIILocalPartDefect)]
    ct = part['content-type']
    file = part.get_filename() if part.get_content_disposition() == 'attachment' else None
    d = {'type': part.get_content_type(), 'boundary': part.get_boundary(), 'file': file}
    out['parts'].append(d)
    if not part.is_multipart():
        payload = part.get_payload(decode=True)
        d['bytes'] = base64.b64encode(payload).decode()
        d['text'] = None if file else part.get_content()
        d['flowed'] = unflow(d['text']) if ct.params.get('format') == 'flowed' else d['text']
        out['summary'].append('attachment: %s=%s' % (file, payload.decode('utf-8', 'backslashreplace')) if file
                              else part.get_content_subtype() + ': ' + d['text'].strip())
print(json.dumps(out))
)PY";

// Reads an EML file with Python's email package: decoded headers by lower-case
// name (address lists as getaddresses reads them, then the names of any groups
// as the default policy reads them), every defect, every part in order (the
// message first, a text part's text as its charset and as format=flowed read
// it), and a summary: "Name: value" of the main headers, then each part as
// "plain: text" or "attachment: name=bytes".
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
inline QStringList headerValues(const QJsonObject& parsed, const char* lowerName)
{
    return strings(parsed.value(QLatin1String("headers")).toObject().value(QLatin1String(lowerName)));
}

// A private XDG configuration and data tree, and a bin folder first on PATH,
// made the process's own before Qt first looks for its file launcher.
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
        qputenv("PATH", QFile::encodeName(path(QStringLiteral("bin"))) + ':' + qgetenv("PATH"));
        addStandIn(QStringLiteral("thunderbird-mailer"));
    }

    QString path(const QString& relative) const { return dir_.filePath(relative); }

    // Makes a desktop entry of this name the mailto handler, by default
    // running the stand-in "thunderbird-mailer" (a name the Thunderbird road
    // takes for the client's own); an empty name leaves none.
    bool registerMailClient(const QString& name, const QString& program = QString()) const
    {
        const QString list = path(QStringLiteral("XDG_CONFIG_HOME/mimeapps.list"));
        const QString entry = path(QStringLiteral("XDG_DATA_HOME/applications/vh-test-mailer.desktop"));
        const QString exec = program.isNull() ? path(QStringLiteral("bin/thunderbird-mailer")) : program;
        return name.isEmpty()
               ? QFile::remove(list) && QFile::remove(entry)
               : writeFile(list, "[Default Applications]\nx-scheme-handler/mailto=vh-test-mailer.desktop\n")
                     && writeFile(entry, "[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nExec="
                                             + QFile::encodeName(exec) + " %u\nMimeType=x-scheme-handler/mailto;\n");
    }

    // A stand-in bin/<name> that keeps the file of a file:// first argument in
    // <name>.eml, its input in <name>.stdin, its arguments (each ending in a
    // NUL) in <name>.args, last; then it fails with the error text, if any.
    bool addStandIn(const QString& name, bool readsInput = false, const QByteArray& error = {}) const
    {
        for (const char* suffix : { ".args", ".stdin", ".eml" })
            QFile::remove(path(name + QLatin1String(suffix)));
        return writeFile(path(QStringLiteral("bin/") + name),
                         "#!/bin/sh\no=\"${0%/bin/*}/${0##*/}\"\n"
                         "case \"$1\" in file://*) cp \"${1#file://}\" \"$o.eml\";; esac\n"
                         + QByteArray(readsInput ? "cat > \"$o.stdin\"\n" : "")
                         + "for a; do printf '%s\\0' \"$a\"; done > \"$o.part\"\nmv \"$o.part\" \"$o.args\"\n"
                         + "printf '%s' '" + error + "' >&2\nexit " + (error.isEmpty() ? "0" : "1") + "\n",
                         true);
    }

    // The arguments the stand-in was last run with (none of them empty).
    QStringList arguments(const QString& name) const
    {
        const QByteArray bytes = readBytes(path(name + QStringLiteral(".args")));
        return QString::fromUtf8(bytes.constData(), bytes.size()).split(QChar(0), Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir dir_;
};

} // namespace MailTest

#endif // VORNHELM_TESTS_MAILTESTSUPPORT_H
