#include "core/MacToolKit.h"

#include "core/BackslashEscape.h"
#include "core/DesktopExec.h"

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
const char FLATPAK_USER_DIR_VAR[] = "FLATPAK_USER_DIR";
const char FLATPAK_SYSTEM_DIR_VAR[] = "FLATPAK_SYSTEM_DIR";
const QString FLATPAK_USER_SUBFOLDER = QStringLiteral("/flatpak");
const QString FLATPAK_SYSTEM_DEFAULT = QStringLiteral("/var/lib/flatpak");
const QString FLATPAK_EXPORTED_BIN = QStringLiteral("/exports/bin/");

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

QString dataHome()
{
    const QString home = qEnvironmentVariable(XDG_DATA_HOME_VAR);
    return home.isEmpty() ? QDir::homePath() + XDG_DATA_HOME_DEFAULT : home;
}

QStringList dataFolders()
{
    QStringList folders;
    folders << dataHome();
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

// The installations whose exported launchers a flatpak application may have,
// the user's first, each where flatpak itself looks for it.
QStringList flatpakInstallations()
{
    const QString user = qEnvironmentVariable(FLATPAK_USER_DIR_VAR);
    const QString system = qEnvironmentVariable(FLATPAK_SYSTEM_DIR_VAR);
    return {user.isEmpty() ? dataHome() + FLATPAK_USER_SUBFOLDER : user,
            system.isEmpty() ? FLATPAK_SYSTEM_DEFAULT : system};
}

// The launcher that an installation exports for the application: it starts
// the application inside its sandbox with the arguments it is given.
QString flatpakLauncher(const QString& application)
{
    for (const QString& installation : flatpakInstallations()) {
        const QFileInfo launcher(installation + FLATPAK_EXPORTED_BIN + application);
        if (launcher.isFile() && launcher.isExecutable())
            return launcher.absoluteFilePath();
    }
    return QString();
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
// escapes every character reaches the command as written.
QString escapeForDoubleQuotes(const QString& text)
{
    return BackslashEscape::escaped(text, QLatin1String("\\\"$`"));
}

// The body of an AppleScript string literal.
QString escapeAppleScriptString(const QString& text)
{
    return BackslashEscape::escaped(text, QLatin1String("\\\""));
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
    return DesktopExec::stringValue(name);
}

QString MacToolKit::defaultMailClientOpenCommand()
{
    const QString entry = mailClientEntry();
    if (entry.isEmpty())
        return QString();
    // The client's own program, never a wrapper that only starts it: started
    // with the compose arguments, env or flatpak would take them as their own.
    const DesktopExec::Client client
        = DesktopExec::client(DesktopExec::arguments(desktopEntryValue(entry, DESKTOP_EXEC_KEY)));
    if (!client.flatpakApp.isEmpty())
        return flatpakLauncher(client.flatpakApp);
    if (client.program.isEmpty())
        return QString();
    const QString path = QStandardPaths::findExecutable(client.program);
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
