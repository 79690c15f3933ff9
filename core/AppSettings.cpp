#include "core/AppSettings.h"

#include <QHash>
#include <QSettings>

namespace {

const QString CONFIG_INI_REL_PATH = QStringLiteral(":/config/ini/config.ini");

const QString DEVELOPER_OPTIONS_KEY = QStringLiteral("developer_options");
const QString HELP_DOC_DESKTOP_KEY = QStringLiteral("help_doc_desktop");
const QString HELP_V_FOLDER_KEY = QStringLiteral("help_doc_virtual_folder");

const QString HELP_ENGINE_DOC_FILE_EXT = QStringLiteral("QHC");
const QString WINDOW_ICON_REL_PATH = QStringLiteral("../Resources/icons/icon.png");

// Values set while the program runs; they shadow the compiled-in ones.
QHash<QString, QVariant>& overrides()
{
    static QHash<QString, QVariant> values;
    return values;
}

} // namespace

AppSettings::AppSettings() = default;

QVariant AppSettings::value(const QString& key) const
{
    const auto it = overrides().constFind(key);
    if (it != overrides().constEnd())
        return it.value();
    // Keys of the INI file's [General] section are QSettings' top-level keys.
    QSettings settings(CONFIG_INI_REL_PATH, QSettings::IniFormat);
    return settings.value(key);
}

void AppSettings::setValue(const QString& key, const QVariant& value)
{
    overrides().insert(key, value);
}

bool AppSettings::developerOptions() const
{
    return value(DEVELOPER_OPTIONS_KEY).toBool();
}

void AppSettings::setDeveloperOptions(bool enabled)
{
    setValue(DEVELOPER_OPTIONS_KEY, enabled);
}

QString AppSettings::helpDocName() const
{
    return value(HELP_DOC_DESKTOP_KEY).toString();
}

QString AppSettings::helpDocVirtualFolder() const
{
    return value(HELP_V_FOLDER_KEY).toString();
}

bool AppSettings::helpDocUsesEngine() const
{
    const QString name = helpDocName();
    return !name.isEmpty() && name.endsWith(HELP_ENGINE_DOC_FILE_EXT, Qt::CaseInsensitive);
}

QString AppSettings::windowIconPath() const
{
    return WINDOW_ICON_REL_PATH;
}
