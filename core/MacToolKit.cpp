#include "core/MacToolKit.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTextStream>

namespace {

// Default mail client lookup (freedesktop.org desktops).
const QString XDG_MIME_PROGRAM = QStringLiteral("xdg-mime");
const QStringList XDG_MIME_MAILTO_QUERY = {QStringLiteral("query"), QStringLiteral("default"),
                                           QStringLiteral("x-scheme-handler/mailto")};
const int XDG_MIME_TIMEOUT_MSECS = 10000;
const char XDG_DATA_HOME_VAR[] = "XDG_DATA_HOME";
const char XDG_DATA_DIRS_VAR[] = "XDG_DATA_DIRS";
const QString XDG_DATA_HOME_DEFAULT = QStringLiteral("/.local/share");
const QString XDG_DATA_DIRS_DEFAULT = QStringLiteral("/usr/local/share:/usr/share");
const QString APPLICATIONS_SUBFOLDER = QStringLiteral("/applications");
const QString DESKTOP_ENTRY_GROUP = QStringLiteral("[Desktop Entry]");
const QString DESKTOP_NAME_KEY = QStringLiteral("Name");
const QString DESKTOP_EXEC_KEY = QStringLiteral("Exec");

// Shell and AppleScript texts.
const QString BASH_SHEBANG = QStringLiteral("#!/bin/bash\n");
const QString BASH_PRINT_OPEN = QStringLiteral("printf '%s\\n' \"");
const QString BASH_PIPE_TO_OSASCRIPT = QStringLiteral("\" | osascript\n");
const QString NEWLINE = QStringLiteral("\n");
const QString SH_PROGRAM = QStringLiteral("/bin/sh");
const QString QUIT_LEAVES_RUNNING_SCRIPT = QStringLiteral("#!/bin/sh\nexit 0\n");

QString firstLine(const QByteArray& bytes)
{
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            return trimmed;
    }
    return QString();
}

// The desktop-file ID of the application registered for "mailto:".
QString mailtoDesktopId()
{
    const QString program = QStandardPaths::findExecutable(XDG_MIME_PROGRAM);
    if (program.isEmpty())
        return QString();
    QProcess process;
    process.start(program, XDG_MIME_MAILTO_QUERY, QIODevice::ReadOnly);
    if (!process.waitForStarted(XDG_MIME_TIMEOUT_MSECS))
        return QString();
    if (!process.waitForFinished(XDG_MIME_TIMEOUT_MSECS)) {
        process.kill();
        process.waitForFinished();
        return QString();
    }
    return firstLine(process.readAllStandardOutput());
}

QStringList dataFolders()
{
    QStringList folders;
    const QString home = qEnvironmentVariable(XDG_DATA_HOME_VAR);
    folders << (home.isEmpty() ? QDir::homePath() + XDG_DATA_HOME_DEFAULT : home);
    QString dirs = qEnvironmentVariable(XDG_DATA_DIRS_VAR);
    if (dirs.isEmpty())
        dirs = XDG_DATA_DIRS_DEFAULT;
    folders << dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return folders;
}

// A desktop-file ID names the file's path below "applications" with each
// "/" turned into "-": "vendor-mailer.desktop" may be "vendor/mailer.desktop".
QString resolveDesktopId(const QString& folder, const QString& id)
{
    const QString direct = folder + QLatin1Char('/') + id;
    if (QFileInfo(direct).isFile())
        return direct;
    for (int dash = id.indexOf(QLatin1Char('-')); dash > 0;
         dash = id.indexOf(QLatin1Char('-'), dash + 1)) {
        const QString subfolder = folder + QLatin1Char('/') + id.left(dash);
        if (!QFileInfo(subfolder).isDir())
            continue;
        const QString found = resolveDesktopId(subfolder, id.mid(dash + 1));
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

QString findDesktopEntry(const QString& id)
{
    if (id.isEmpty())
        return QString();
    if (QFileInfo(id).isAbsolute())
        return QFileInfo(id).isFile() ? id : QString();
    if (id.contains(QLatin1Char('/')))
        return QString();
    const QStringList folders = dataFolders();
    for (const QString& folder : folders) {
        const QString found = resolveDesktopId(folder + APPLICATIONS_SUBFOLDER, id);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

// The raw value of a key of the [Desktop Entry] group; null when missing.
QString desktopEntryValue(const QString& path, const QString& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    bool inEntryGroup = false;
    while (!stream.atEnd()) {
        const QString line = stream.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inEntryGroup = line == DESKTOP_ENTRY_GROUP;
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (!inEntryGroup || equals < 0)
            continue;
        if (line.left(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return QString();
}

// The escapes of desktop-entry string values.
QString unescapeDesktopString(const QString& value)
{
    QString result;
    result.reserve(value.size());
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            result += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's': result += QLatin1Char(' '); break;
        case 'n': result += QLatin1Char('\n'); break;
        case 't': result += QLatin1Char('\t'); break;
        case 'r': result += QLatin1Char('\r'); break;
        case '\\': result += QLatin1Char('\\'); break;
        default: result += c; result += next; break;
        }
    }
    return result;
}

// The program of an Exec value: its first argument, which may be quoted
// ("\"", "`", "$" and "\\" escaped by a backslash inside the quotes), with
// field codes such as %u dropped and "%%" read as "%".
QString execProgram(const QString& execValue)
{
    const QString command = unescapeDesktopString(execValue);
    int i = 0;
    while (i < command.size() && command.at(i).isSpace())
        ++i;
    QString word;
    bool quoted = false;
    for (; i < command.size(); ++i) {
        const QChar c = command.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < command.size()
                       && QStringLiteral("\"`$\\").contains(command.at(i + 1))) {
                word += command.at(++i);
            } else {
                word += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c.isSpace()) {
            break;
        } else if (c == QLatin1Char('%') && i + 1 < command.size()) {
            const QChar code = command.at(++i);
            if (code == QLatin1Char('%')) {
                word += code;
            } else if (!code.isLetter()) {
                word += c;
                word += code;
            }
        } else {
            word += c;
        }
    }
    return word;
}

QString mailClientEntry()
{
    return findDesktopEntry(mailtoDesktopId());
}

// Bytes of the text up to its first NUL, as UTF-8.
QString textUpToNul(QByteArray bytes)
{
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return QString::fromUtf8(bytes);
}

// Escapes for a double-quoted shell word. Inside double quotes a backslash
// is special only before $ ` " \ and a line feed, so after these
// replacements every character reaches the command as written.
QString escapeForDoubleQuotes(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    text.replace(QLatin1Char('$'), QStringLiteral("\\$"));
    text.replace(QLatin1Char('`'), QStringLiteral("\\`"));
    return text;
}

// The body of an AppleScript string literal.
QString escapeAppleScriptString(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return text;
}

} // namespace

QString MacToolKit::defaultMailClient()
{
    const QString entry = mailClientEntry();
    if (entry.isEmpty())
        return QString();
    const QString name = desktopEntryValue(entry, DESKTOP_NAME_KEY);
    if (name.isNull())
        return QString();
    return unescapeDesktopString(name);
}

QString MacToolKit::defaultMailClientOpenCommand()
{
    const QString entry = mailClientEntry();
    if (entry.isEmpty())
        return QString();
    const QString program = execProgram(desktopEntryValue(entry, DESKTOP_EXEC_KEY));
    if (program.isEmpty())
        return QString();
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return QString();
    return QFileInfo(path).absoluteFilePath();
}

QString MacToolKit::toBash(const QString& script)
{
    // printf's %s hands the word on untouched; echo would interpret the
    // backslash sequences of the text under /bin/sh.
    return BASH_SHEBANG + BASH_PRINT_OPEN + escapeForDoubleQuotes(script) + BASH_PIPE_TO_OSASCRIPT;
}

QString MacToolKit::quitAppAppleScript(const QString& appName)
{
    const QString name = escapeAppleScriptString(appName);
    const QString quitStatement = QStringLiteral("tell application \"") + name
                                  + QStringLiteral("\" to quit");
    return QStringLiteral("on is_running(appName)") + NEWLINE
           + QStringLiteral("    tell application \"System Events\" to (name of processes) contains appName")
           + NEWLINE + QStringLiteral("end is_running") + NEWLINE
           + QStringLiteral("set isRunning to is_running(\"") + name + QStringLiteral("\")") + NEWLINE
           + QStringLiteral("if isRunning then") + NEWLINE
           + QStringLiteral("    run script \"") + escapeAppleScriptString(quitStatement)
           + QStringLiteral("\"") + NEWLINE
           + QStringLiteral("end if") + NEWLINE;
}

QString MacToolKit::quitAppBash(const QString& appName)
{
    // Nothing is ended here. There is no System Events to ask an application
    // politely, and a signal ends it without a word: Thunderbird, for one,
    // drops a message the user is writing, unsaved. Nor is quitting needed:
    // starting the program again hands the command line to the instance
    // already running, which opens its new window beside the user's own.
    Q_UNUSED(appName)
    return QUIT_LEAVES_RUNNING_SCRIPT;
}

bool MacToolKit::executeBashScript(const QString& path, QString& output, QString& error)
{
    output.clear();
    error.clear();
    if (!QFile::exists(path))
        return false;

    QProcess process;
    process.start(SH_PROGRAM, QStringList{path}, QIODevice::ReadWrite);
    if (!process.waitForStarted(-1)) {
        // A shell that does not start has not run the script.
        error = process.errorString();
        return false;
    }
    process.closeWriteChannel();
    process.waitForFinished(-1);
    output = textUpToNul(process.readAllStandardOutput());
    error = textUpToNul(process.readAllStandardError());
    return error.trimmed().isEmpty();
}
