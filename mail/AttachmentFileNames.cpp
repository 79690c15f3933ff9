#include "mail/AttachmentFileNames.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

// Longest file name most file systems take, in bytes.
const int MAX_FILE_NAME_BYTES = 255;

// The longest start of text whose UTF-8 takes at most maxBytes, cut between
// whole characters.
QString utf8Prefix(const QString& text, int maxBytes)
{
    // No UTF-16 unit takes more than three bytes.
    if (text.size() * 3 <= maxBytes)
        return text;
    int bytes = 0;
    int i = 0;
    while (i < text.size()) {
        const ushort u = text.at(i).unicode();
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const int size = pair ? 4 : u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        i += pair ? 2 : 1;
    }
    return text.left(i);
}

// The name with a number before its extension ("x (2).txt"), cut to the
// length a file name may have; number 1 leaves it unnumbered.
QString numbered(const QString& stem, const QString& extension, int number)
{
    const QString suffix = number > 1 ? QStringLiteral(" (%1)").arg(number) : QString();
    return utf8Prefix(stem, MAX_FILE_NAME_BYTES - (suffix + extension).toUtf8().size()) + suffix + extension;
}

} // namespace

QString AttachmentFileNames::declared(const QString& name)
{
    QString fileName = name.mid(qMax(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\'))) + 1);
    const auto isControl = [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; };
    fileName.truncate(int(std::remove_if(fileName.begin(), fileName.end(), isControl) - fileName.begin()));
    // A lone surrogate has no UTF-8: the file name on disk would take "?" in
    // its place, and names differing only there would share one file.
    for (int i = 0; i < fileName.size(); ++i) {
        if (fileName.at(i).isHighSurrogate() && i + 1 < fileName.size() && fileName.at(i + 1).isLowSurrogate())
            ++i;
        else if (fileName.at(i).isSurrogate())
            fileName[i] = QChar(QChar::ReplacementCharacter);
    }
    if (fileName.isEmpty() || fileName == QLatin1String(".") || fileName == QLatin1String(".."))
        return QString();
    return fileName;
}

QStringList AttachmentFileNames::files(const QStringList& names)
{
    QStringList fileNames;
    QSet<QString> taken;
    // The number to try next for a name, so that many attachments of one
    // name take one step each, not a walk from 2.
    QHash<QString, int> nextNumber;
    for (const QString& name : names) {
        const QString given = declared(name);
        if (given.isNull()) {
            fileNames << QString();
            continue;
        }
        int dot = given.lastIndexOf(QLatin1Char('.'));
        // An extension too long to keep with a number goes with the stem.
        if (dot <= 0 || given.midRef(dot).toUtf8().size() > MAX_FILE_NAME_BYTES / 2)
            dot = given.size();
        const QString stem = given.left(dot);
        const QString extension = given.mid(dot);
        const QString unnumbered = numbered(stem, extension, 1);
        const QString key = unnumbered.toLower();
        int number = nextNumber.value(key, 1);
        QString fileName = number == 1 ? unnumbered : numbered(stem, extension, number);
        QString folded = number == 1 ? key : fileName.toLower();
        while (taken.contains(folded)) {
            fileName = numbered(stem, extension, ++number);
            folded = fileName.toLower();
        }
        nextNumber.insert(key, number + 1);
        taken.insert(folded);
        fileNames << fileName;
    }
    return fileNames;
}
