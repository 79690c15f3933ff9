#include "mail/AttatchmentManager.h"

#include "mail/Email.h"

namespace {

const QString EML_EXTENSION = QStringLiteral("eml");
const QString BASH_EXTENSION = QStringLiteral("sh");

} // namespace

AttatchmentManager::AttatchmentManager()
    : TempFileManager(nullptr, QString())
{
}

AttatchmentManager::~AttatchmentManager() = default;

QString AttatchmentManager::createEmlFile(Email* email)
{
    if (!email)
        return QString();
    const QString dir = email->tempDir;
    const QString path = toUnusedPath(dir, EML_EXTENSION);
    if (path.isNull())
        return QString();
    if (!email->writeToEmlFile(path))
        return QString();
    return path;
}

QString AttatchmentManager::createMailAppBashFile(Email* email)
{
    if (!email)
        return QString();
    const QString path = toUnusedPath(email->tempDir, BASH_EXTENSION);
    if (path.isNull())
        return QString();
    if (!email->writeToMailAppBashFile(path))
        return QString();
    return path;
}

QString AttatchmentManager::createTempBashFile(const QString& dir, const QString& content)
{
    const QString path = toUnusedPath(dir, BASH_EXTENSION);
    if (path.isNull())
        return QString();
    if (!writeFile(path, content, false))
        return QString();
    return path;
}
