#include "MailTestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

namespace MailTest {

namespace {

const char PARSER_SCRIPT[] = R"PY(
import base64, email, email.policy, json, sys

with open(sys.argv[1], 'rb') as f:
    msg = email.message_from_bytes(f.read(), policy=email.policy.default)

defects = []

def note(where, items):
    for d in items:
        defects.append('%s: %s %s' % (where, type(d).__name__, d))

def header_params(part, name):
    h = part.get(name)
    if h is None:
        return None
    note(name, getattr(h, 'defects', ()))
    return dict(getattr(h, 'params', {}))

def walk(part, where):
    note(where, part.defects)
    for k, v in part.items():
        note(where + ' ' + k, getattr(v, 'defects', ()))
    d = {
        'type': part.get_content_type(),
        'boundary': part.get_boundary(),
        'params': header_params(part, 'content-type'),
        'disposition': part.get_content_disposition(),
        'filename': part.get_filename(),
        'cte': str(part.get('content-transfer-encoding', '')),
        'charset': part.get_content_charset(),
    }
    if part.is_multipart():
        d['parts'] = [walk(p, '%s/%d' % (where, i)) for i, p in enumerate(part.iter_parts())]
    else:
        payload = part.get_payload(decode=True) or b''
        d['bytes'] = base64.b64encode(payload).decode('ascii')
        if part.get_content_maintype() == 'text':
            d['text'] = part.get_content()
    return d

root = walk(msg, 'message')
out = {'headers': [[k, str(v)] for k, v in msg.items()], 'root': root, 'defects': defects}
sys.stdout.write(json.dumps(out))
)PY";

const char* const XDG_VARIABLES[] = {
    "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS",
    "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
};

} // namespace

QJsonObject parseEml(const QString& path, QString* error)
{
    QProcess python;
    python.start(QStringLiteral("python3"), { QStringLiteral("-c"), QString::fromUtf8(PARSER_SCRIPT), path });
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(python.readAllStandardError()) + python.errorString();
        return QJsonObject();
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(python.readAllStandardOutput(), &parseError);
    if (!doc.isObject() && error)
        *error = parseError.errorString();
    return doc.object();
}

QByteArray partBytes(const QJsonObject& part)
{
    return QByteArray::fromBase64(part.value(QStringLiteral("bytes")).toString().toLatin1());
}

QStringList headerValues(const QJsonObject& parsed, const QString& name)
{
    QStringList values;
    for (const QJsonValue& header : parsed.value(QStringLiteral("headers")).toArray()) {
        const QJsonArray pair = header.toArray();
        if (pair.at(0).toString().compare(name, Qt::CaseInsensitive) == 0)
            values << pair.at(1).toString();
    }
    return values;
}

XdgTree::XdgTree()
{
    for (const char* name : XDG_VARIABLES)
        saved_ << qMakePair(QByteArray(name), qgetenv(name));
    for (const char* name : XDG_VARIABLES)
        qunsetenv(name);
    const QString root = dir_.path();
    for (const char* sub : { "config", "config-dirs", "data/applications", "data-dirs/applications" })
        QDir(root).mkpath(QLatin1String(sub));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(root + QStringLiteral("/config-dirs")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(root + QStringLiteral("/data-dirs")));
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

bool XdgTree::isValid() const
{
    return dir_.isValid();
}

QString XdgTree::path() const
{
    return dir_.path();
}

bool XdgTree::registerMailClient(const QString& name, const QString& exec)
{
    QFile entry(dir_.path() + QStringLiteral("/data/applications/vh-test-mailer.desktop"));
    QFile list(dir_.path() + QStringLiteral("/config/mimeapps.list"));
    if (!entry.open(QIODevice::WriteOnly | QIODevice::Truncate) || !list.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    entry.write("[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nExec=" + exec.toUtf8()
                + "\nMimeType=x-scheme-handler/mailto;\n");
    list.write("[Default Applications]\nx-scheme-handler/mailto=vh-test-mailer.desktop\n");
    return true;
}

void XdgTree::clear()
{
    QFile::remove(dir_.path() + QStringLiteral("/config/mimeapps.list"));
    QFile::remove(dir_.path() + QStringLiteral("/data/applications/vh-test-mailer.desktop"));
}

bool writeExecutable(const QString& path, const QByteArray& content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(content);
    file.close();
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

namespace {
QByteArray shellQuoted(const QByteArray& text)
{
    QByteArray quoted = text;
    quoted.replace('\'', "'\\''");
    return '\'' + quoted + '\'';
}
} // namespace

QByteArray recorderScript(const QString& recordPath, const QString& stdinPath, const QByteArray& errText,
                          int exitCode)
{
    QByteArray script = "#!/bin/sh\n";
    script += ": > " + shellQuoted(QFile::encodeName(recordPath) + ".part") + "\n";
    script += "for a in \"$@\"; do printf '%s\\0' \"$a\" >> "
              + shellQuoted(QFile::encodeName(recordPath) + ".part") + "; done\n";
    if (!stdinPath.isEmpty())
        script += "cat > " + shellQuoted(QFile::encodeName(stdinPath)) + "\n";
    // The record appears whole, once everything else is done.
    script += "mv " + shellQuoted(QFile::encodeName(recordPath) + ".part") + " "
              + shellQuoted(QFile::encodeName(recordPath)) + "\n";
    if (!errText.isEmpty())
        script += "printf '%s' " + shellQuoted(errText) + " >&2\n";
    script += "exit " + QByteArray::number(exitCode) + "\n";
    return script;
}

QStringList recordedArguments(const QString& recordPath)
{
    QByteArray bytes = readFile(recordPath);
    QStringList arguments;
    while (!bytes.isEmpty()) {
        const int nul = bytes.indexOf('\0');
        if (nul < 0)
            break;
        arguments << QString::fromUtf8(bytes.left(nul));
        bytes.remove(0, nul + 1);
    }
    return arguments;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool userThunderbirdRunning()
{
    QProcess pgrep;
    pgrep.start(QStringLiteral("pgrep"), { QStringLiteral("-x"), QStringLiteral("-i"), QStringLiteral("thunderbird") });
    pgrep.waitForFinished(10000);
    return pgrep.exitCode() == 0;
}

void prependPath(const QString& dir)
{
    qputenv("PATH", QFile::encodeName(dir) + ':' + qgetenv("PATH"));
}

} // namespace MailTest
