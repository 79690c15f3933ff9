#include "mail/AttatchmentManager.h"

#include "core/MacToolKit.h"
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
    if (!email || !email->hasAttachmentFileNames())
        return QString();
    const QString folder = email->makeRequestFolder();
    if (folder.isNull())
        return QString();
    // Written straight into the file, part by part: the whole message is
    // never held as one text.
    return createNewFile(folder, EML_EXTENSION, true, [email](QIODevice& file) { return email->writeToEml(file); });
}

QString AttatchmentManager::createMailAppBashFile(Email* email)
{
    if (!email)
        return QString();
    return createTempBashFile(email->tempDir, MacToolKit::toBash(email->toMailAppAppleScript()));
}

QString AttatchmentManager::createTempBashFile(const QString& dir, const QString& content)
{
    return createNewFile(dir, BASH_EXTENSION, content, false);
}
