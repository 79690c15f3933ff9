#include "core/DesktopExec.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QVector>

namespace {

const QChar BACKSLASH = QLatin1Char('\\');
const QChar QUOTE = QLatin1Char('"');
const QChar PERCENT = QLatin1Char('%');
const QString ESCAPED_IN_QUOTES = QStringLiteral("\"`$\\");

const QString END_OF_OPTIONS = QStringLiteral("--");
const QChar OPTION_MARK = QLatin1Char('-');
const QChar VARIABLE_MARK = QLatin1Char('=');

QRegularExpression exactly(const QString& pattern)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

// A wrapper that starts the program after its options with the arguments
// that follow, changing only the program's surroundings. Only the options
// read here exactly are passed over; any other option (an abbreviated long
// one among them) means the line is not followed.
struct Wrapper
{
    QString program;
    QRegularExpression flags;  // options standing alone
    QStringList valueOptions;  // options whose value is the next word
    QStringList valuePrefixes; // options with their value joined on
    QRegularExpression value;  // what a value must be
    bool variables;            // NAME=value words follow the options (env)
};

const QString ANY_VALUE = QStringLiteral("(?s).+");
const QString NO_FLAGS; // matches only the empty word, which is no option
const QVector<Wrapper> FOLLOWED_WRAPPERS = {
    {QStringLiteral("env"), exactly(QStringLiteral("-i|--ignore-environment|-")),
     {QStringLiteral("-u"), QStringLiteral("--unset")},
     {QStringLiteral("-u"), QStringLiteral("--unset=")}, exactly(ANY_VALUE), true},
    // GNU nice also reads "-N", "--N" and "-+N" as an adjustment of N, -N, +N.
    {QStringLiteral("nice"), exactly(QStringLiteral("-[+-]?[0-9]+")),
     {QStringLiteral("-n"), QStringLiteral("--adjustment")},
     {QStringLiteral("-n"), QStringLiteral("--adjustment=")}, exactly(QStringLiteral("[+-]?[0-9]+")), false},
    {QStringLiteral("nohup"), exactly(NO_FLAGS), {}, {}, exactly(ANY_VALUE), false},
    {QStringLiteral("setsid"), exactly(QStringLiteral("-[cfw]+|--ctty|--fork|--wait")), {}, {},
     exactly(ANY_VALUE), false},
};

// The client's own program, told by its file name with case aside: every
// build of Thunderbird has "thunderbird" in it ("thunderbird-bin", an
// AppImage, the snap's launcher), and two builds of it go by a name of their
// own. Only this program reads "-compose" as the client does. Any other
// program in front of it (a shell, a launcher, a container's entry, a
// terminal, a wrapper whose options are not read here) takes the client's
// arguments as its own and starts something else or nothing, while the page
// would be told that the mail went to the client; no list of such programs
// is ever complete.
const QString THUNDERBIRD_NAME_PART = QStringLiteral("thunderbird");
const QStringList THUNDERBIRD_OTHER_NAMES = {QStringLiteral("icedove"), QStringLiteral("betterbird")};

const QString FLATPAK_PROGRAM = QStringLiteral("flatpak");
const QString FLATPAK_RUN = QStringLiteral("run");
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

const Wrapper* followedWrapper(const QString& name)
{
    for (const Wrapper& wrapper : FOLLOWED_WRAPPERS) {
        if (wrapper.program == name)
            return &wrapper;
    }
    return nullptr;
}

bool isThunderbird(const QString& name)
{
    return name.contains(THUNDERBIRD_NAME_PART, Qt::CaseInsensitive)
           || THUNDERBIRD_OTHER_NAMES.contains(name, Qt::CaseInsensitive);
}

// Moves index past a wrapper's options and variables, onto the program that
// it starts (or past the end when there is none); false when the wrapper is
// used in a way that this reading does not follow.
bool skipWrapperWords(const Wrapper& wrapper, const QStringList& arguments, int& index)
{
    const auto isValue = [&wrapper](const QString& text) { return wrapper.value.match(text).hasMatch(); };
    for (; index < arguments.size(); ++index) {
        const QString& word = arguments.at(index);
        if (word == END_OF_OPTIONS) {
            ++index;
            break;
        }
        if (!word.startsWith(OPTION_MARK))
            break;
        if (wrapper.flags.match(word).hasMatch())
            continue;
        if (wrapper.valueOptions.contains(word)) {
            if (++index == arguments.size() || !isValue(arguments.at(index)))
                return false;
            continue;
        }
        bool joined = false;
        for (const QString& prefix : wrapper.valuePrefixes)
            joined = joined || (word.startsWith(prefix) && isValue(word.mid(prefix.size())));
        if (!joined)
            return false;
    }
    // No option follows a variable.
    while (wrapper.variables && index < arguments.size() && arguments.at(index).contains(VARIABLE_MARK))
        ++index;
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
        if (word == END_OF_OPTIONS) {
            ++index;
            break;
        }
        if (!word.startsWith(OPTION_MARK))
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
        if (const Wrapper* wrapper = followedWrapper(name)) {
            if (!skipWrapperWords(*wrapper, arguments, index))
                return found;
            continue;
        }
        if (name == FLATPAK_PROGRAM) {
            found.flatpakApp = flatpakApplication(arguments, index);
            return found;
        }
        if (isThunderbird(name))
            found.program = word;
        return found;
    }
    return found;
}
