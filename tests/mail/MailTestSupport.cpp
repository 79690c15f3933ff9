#include "MailTestSupport.h"

#include <QDir>
#include <QJsonDocument>
#include <QProcess>

namespace MailTest {

namespace {

const char PARSER_SCRIPT[] = R"PY(
import base64, email, email.policy, json, sys
msg = email.message_from_bytes(open(sys.argv[1], 'rb').read(), policy=email.policy.default)
defects, longest = [], [0]
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
    else:
        d['bytes'] = base64.b64encode(part.get_payload(decode=True) or b'').decode()
        if d['cte'] == 'quoted-printable':
            d['raw'] = part.get_payload()
        if part.get_content_maintype() == 'text':
            d['text'] = part.get_content()
            if ct is not None and ct.params.get('format') == 'flowed':
                d['flowed'] = unflow(d['text'])
    return d
root = walk(msg)
headers, addresses = {}, {}
for k, v in msg.items():
    headers.setdefault(k.lower(), []).append(str(v))
    for a in getattr(v, 'addresses', ()):
        addresses.setdefault(k.lower(), []).append(a.display_name + ' <' + a.addr_spec + '>' if a.display_name else a.addr_spec)
print(json.dumps({'headers': headers, 'addresses': addresses, 'root': root, 'defects': defects,
                  'longestHeaderLine': longest[0]}))
)PY";

QByteArray shellQuoted(const QString& text)
{
    return '\'' + QFile::encodeName(text).replace('\'', "'\\''") + '\'';
}

} // namespace

QJsonObject parseEml(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral("python3"), { QStringLiteral("-c"), QString::fromUtf8(PARSER_SCRIPT), path });
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qWarning("parser failed: %s", python.readAllStandardError().constData());
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

XdgTree::XdgTree()
{
    for (const char* name : { "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP",
                              "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID" }) {
        saved_ << qMakePair(QByteArray(name), qgetenv(name));
        qunsetenv(name);
    }
    const QPair<const char*, const char*> folders[] = {
        { "XDG_CONFIG_HOME", "/config" }, { "XDG_CONFIG_DIRS", "/config-dirs" },
        { "XDG_DATA_HOME", "/data" }, { "XDG_DATA_DIRS", "/data-dirs" } };
    for (const auto& folder : folders) {
        QDir().mkpath(dir.path() + QLatin1String(folder.second) + QStringLiteral("/applications"));
        qputenv(folder.first, QFile::encodeName(dir.path() + QLatin1String(folder.second)));
    }
}

XdgTree::~XdgTree()
{
    for (const auto& pair : qAsConst(saved_)) {
        if (pair.second.isNull())
            qunsetenv(pair.first.constData());
        else
            qputenv(pair.first.constData(), pair.second);
    }
}

bool XdgTree::registerMailClient(const QString& name, const QString& exec)
{
    QFile entry(dir.path() + QStringLiteral("/data/applications/vh-test-mailer.desktop"));
    QFile list(dir.path() + QStringLiteral("/config/mimeapps.list"));
    if (!entry.open(QIODevice::WriteOnly | QIODevice::Truncate) || !list.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    entry.write("[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nExec=" + exec.toUtf8()
                + "\nMimeType=x-scheme-handler/mailto;\n");
    list.write("[Default Applications]\nx-scheme-handler/mailto=vh-test-mailer.desktop\n");
    return true;
}

void XdgTree::clear()
{
    QFile::remove(dir.path() + QStringLiteral("/config/mimeapps.list"));
    QFile::remove(dir.path() + QStringLiteral("/data/applications/vh-test-mailer.desktop"));
}

QByteArray recorderScript(const QString& recordPath, const QString& stdinPath, const QByteArray& errText, int exitCode)
{
    const QByteArray part = shellQuoted(recordPath + QStringLiteral(".part"));
    QByteArray script = "for a; do printf '%s\\0' \"$a\"; done > " + part + "\n";
    if (!stdinPath.isEmpty())
        script += "cat > " + shellQuoted(stdinPath) + "\n";
    script += "mv " + part + " " + shellQuoted(recordPath) + "\n";
    if (!errText.isEmpty())
        script += "printf '%s' " + shellQuoted(QString::fromUtf8(errText)) + " >&2\n";
    return script + "exit " + QByteArray::number(exitCode) + "\n";
}

QStringList recordedArguments(const QString& recordPath)
{
    const QByteArray bytes = readBytes(recordPath);
    QStringList arguments = QString::fromUtf8(bytes.constData(), bytes.size()).split(QChar(0));
    arguments.removeLast(); // after the last NUL
    return arguments;
}

} // namespace MailTest
