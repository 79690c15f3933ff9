#include "core/DesktopExec.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QChar BACKSLASH = QLatin1Char('\\');
const QChar QUOTE = QLatin1Char('"');
const QChar PERCENT = QLatin1Char('%');
const QString ESCAPED_IN_QUOTES = QStringLiteral("\"`$\\");

const QString ENV_PROGRAM = QStringLiteral("env");
const QString ENV_END_OF_OPTIONS = QStringLiteral("--");
const QStringList ENV_FLAGS = {QStringLiteral("-i"), QStringLiteral("--ignore-environment"),
                               QStringLiteral("-")};
const QStringList ENV_UNSET_OPTIONS = {QStringLiteral("-u"), QStringLiteral("--unset")};
const QStringList ENV_UNSET_PREFIXES = {QStringLiteral("-u"), QStringLiteral("--unset=")};

const QString FLATPAK_PROGRAM = QStringLiteral("flatpak");
const QString FLATPAK_RUN = QStringLiteral("run");
const QString FLATPAK_END_OF_OPTIONS = QStringLiteral("--");
const QStringList FLATPAK_GLOBAL_FLAGS = {QStringLiteral("-v"), QStringLiteral("--verbose"),
                                          QStringLiteral("--ostree-verbose")};
// An application ID: at least three dot-separated elements of letters,
// digits, "_" and "-", the first not starting with a digit. Nothing else
// reaches the file name of the application's launcher.
const QRegularExpression FLATPAK_APP_ID(
    QStringLiteral("^[A-Za-z_][A-Za-z0-9_-]*(\\.[A-Za-z0-9_-]+){2,}$"));

QString programName(const QString& word)
{
    return QFileInfo(word).fileName();
}

// Moves index past env's options and variables, onto the program that env
// starts (or past the end when there is none); false when env is used in a
// way that this reading does not follow.
bool skipEnvWords(const QStringList& arguments, int& index)
{
    bool optionsEnded = false;
    for (; index < arguments.size(); ++index) {
        const QString& word = arguments.at(index);
        if (!optionsEnded && word == ENV_END_OF_OPTIONS) {
            optionsEnded = true;
        } else if (!optionsEnded && ENV_FLAGS.contains(word)) {
            continue;
        } else if (!optionsEnded && ENV_UNSET_OPTIONS.contains(word)) {
            ++index; // the variable's name
        } else if (!optionsEnded && word.startsWith(QLatin1Char('-'))) {
            bool unset = false;
            for (const QString& prefix : ENV_UNSET_PREFIXES)
                unset = unset || (word.startsWith(prefix) && word.size() > prefix.size());
            if (!unset)
                return false;
        } else if (word.contains(QLatin1Char('='))) {
            optionsEnded = true; // no option follows a variable
        } else {
            return true;
        }
    }
    return true;
}

// The application ID that "flatpak [-v] run [options] APPID" runs; null for
// any other use of flatpak.
QString flatpakApplication(const QStringList& arguments, int index)
{
    while (index < arguments.size() && FLATPAK_GLOBAL_FLAGS.contains(arguments.at(index)))
        ++index;
    if (index >= arguments.size() || arguments.at(index) != FLATPAK_RUN)
        return QString();
    for (++index; index < arguments.size(); ++index) {
        const QString& word = arguments.at(index);
        if (word == FLATPAK_END_OF_OPTIONS) {
            ++index;
            break;
        }
        if (!word.startsWith(QLatin1Char('-')))
            break;
    }
    if (index >= arguments.size())
        return QString();
    // A ref "APPID/ARCH/BRANCH" or "APPID//BRANCH" names the application too.
    const QString application = arguments.at(index).section(QLatin1Char('/'), 0, 0);
    return FLATPAK_APP_ID.match(application).hasMatch() ? application : QString();
}

} // namespace

QString DesktopExec::stringValue(const QString& rawValue)
{
    QString result;
    result.reserve(rawValue.size());
    for (int i = 0; i < rawValue.size(); ++i) {
        const QChar c = rawValue.at(i);
        if (c != BACKSLASH || i + 1 == rawValue.size()) {
            result += c;
            continue;
        }
        const QChar next = rawValue.at(++i);
        switch (next.unicode()) {
        case 's': result += QLatin1Char(' '); break;
        case 'n': result += QLatin1Char('\n'); break;
        case 't': result += QLatin1Char('\t'); break;
        case 'r': result += QLatin1Char('\r'); break;
        case '\\': result += BACKSLASH; break;
        default: result += c; result += next; break;
        }
    }
    return result;
}

QStringList DesktopExec::arguments(const QString& rawValue)
{
    const QString command = stringValue(rawValue);
    QStringList words;
    QString word;
    bool inWord = false;  // a word has begun, even if nothing of it is kept
    bool keepWord = false; // it holds text or quotes, not field codes alone
    bool quoted = false;
    for (int i = 0; i < command.size(); ++i) {
        const QChar c = command.at(i);
        if (quoted) {
            if (c == QUOTE)
                quoted = false;
            else if (c == BACKSLASH && i + 1 < command.size() && ESCAPED_IN_QUOTES.contains(command.at(i + 1)))
                word += command.at(++i);
            else
                word += c;
            continue;
        }
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inWord && keepWord)
                words << word;
            word.clear();
            inWord = keepWord = false;
            continue;
        }
        inWord = true;
        if (c == QUOTE) {
            quoted = keepWord = true;
        } else if (c == PERCENT && i + 1 < command.size() && command.at(i + 1) != QLatin1Char(' ')) {
            const QChar code = command.at(++i);
            if (code == PERCENT) {
                word += code;
                keepWord = true;
            } else if (!code.isLetter()) {
                word += c;
                word += code;
                keepWord = true;
            }
        } else {
            word += c;
            keepWord = true;
        }
    }
    if (quoted)
        return QStringList();
    if (inWord && keepWord)
        words << word;
    return words;
}

DesktopExec::Client DesktopExec::client(const QStringList& arguments)
{
    Client found;
    int index = 0;
    while (index < arguments.size()) {
        const QString& word = arguments.at(index++);
        const QString name = programName(word);
        if (name == ENV_PROGRAM) {
            if (!skipEnvWords(arguments, index))
                return found;
            continue;
        }
        if (name == FLATPAK_PROGRAM) {
            found.flatpakApp = flatpakApplication(arguments, index);
            return found;
        }
        found.program = word;
        return found;
    }
    return found;
}
