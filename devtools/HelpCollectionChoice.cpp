#include "devtools/HelpCollectionChoice.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtHelp/QHelpEngineCore>

namespace {

const QDir::Filters HELP_FILES = QDir::Files | QDir::Hidden;

// Copies every file of folder into copyFolder, writable by its owner (the
// engine opens a file it may not write read-only, and then fails to update
// it) and with its modification time kept (the engine compares it with the
// one the collection recorded).
bool copyFiles(const QString& folder, const QString& copyFolder)
{
    for (const QFileInfo& original : QDir(folder).entryInfoList(HELP_FILES)) {
        QFile copy(QDir(copyFolder).filePath(original.fileName()));
        if (!QFile::copy(original.absoluteFilePath(), copy.fileName())
            || !copy.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
            || !copy.open(QIODevice::ReadWrite)
            || !copy.setFileTime(original.lastModified(), QFileDevice::FileModificationTime))
            return false;
    }
    return true;
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether copyFolder holds the files of folder, no more, with the same bytes.
bool sameFiles(const QString& folder, const QString& copyFolder)
{
    const QStringList names = QDir(folder).entryList(HELP_FILES, QDir::Name);
    if (QDir(copyFolder).entryList(HELP_FILES, QDir::Name) != names)
        return false;
    for (const QString& name : names) {
        if (bytesOf(QDir(folder).filePath(name)) != bytesOf(QDir(copyFolder).filePath(name)))
            return false;
    }
    return true;
}

} // namespace

QString HelpCollectionChoice::collectionToOpen(const QString& helpFolder, const QString& docName,
                                               const QString& copyFolder)
{
    if (!copyFiles(helpFolder, copyFolder))
        return QString();
    const QString copyPath = QDir(copyFolder).filePath(docName);
    bool setUp = false;
    {
        // Closed again before the files are compared.
        QHelpEngineCore trial(copyPath);
        setUp = trial.setupData();
    }
    if (setUp && sameFiles(helpFolder, copyFolder))
        return QFileInfo(QDir(helpFolder).filePath(docName)).absoluteFilePath();
    return copyPath;
}
