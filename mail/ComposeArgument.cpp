#include "mail/ComposeArgument.h"

#include <QDir>
#include <QFile>
#include <QUrl>

namespace {

const QString ENTRY_BREAK = QStringLiteral("',");
const QString APOSTROPHE = QStringLiteral("'");
const QString ASSIGN = QStringLiteral("=");
const QString SEPARATOR = QStringLiteral(",");
const QString ATTACHMENT_KEY = QStringLiteral("attachment");
// What percent-encoding leaves as it stands of its own: encoded too, so that
// only letters and digits stay.
const QByteArray UNRESERVED_MARKS = QByteArrayLiteral("-._~");
// MAX_ARG_STRLEN of Linux, the closing NUL included.
const int ARGUMENT_MAX_BYTES = 131072;

} // namespace

QString ComposeArgument::entry(const QString& key, const QString& value)
{
    QString text = value;
    text.remove(QChar(0));
    if (text.isEmpty())
        return QString();
    if (!text.contains(ENTRY_BREAK))
        return key + ASSIGN + APOSTROPHE + text + APOSTROPHE;
    return key + ASSIGN + QString::fromLatin1(text.toUtf8().toPercentEncoding(QByteArray(), UNRESERVED_MARKS));
}

QString ComposeArgument::attachmentEntry(const QStringList& paths)
{
    if (paths.isEmpty())
        return QString();
    QStringList urls;
    for (const QString& path : paths) {
        QString url = QUrl::fromLocalFile(QDir::fromNativeSeparators(path)).toString(QUrl::FullyEncoded);
        // A comma would split the list, and an apostrophe before one would end the entry.
        url.replace(QLatin1Char(','), QLatin1String("%2C"));
        url.replace(QLatin1Char('\''), QLatin1String("%27"));
        urls << url;
    }
    return ATTACHMENT_KEY + ASSIGN + APOSTROPHE + urls.join(SEPARATOR) + APOSTROPHE;
}

QString ComposeArgument::joined(const QStringList& entries)
{
    QStringList written = entries;
    written.removeAll(QString());
    return written.join(SEPARATOR);
}

bool ComposeArgument::fitsOneArgument(const QString& argument)
{
    // Encoded as the program's arguments are when it is started.
    return QFile::encodeName(argument).size() < ARGUMENT_MAX_BYTES;
}
