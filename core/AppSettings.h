#ifndef VORNHELM_APPSETTINGS_H
#define VORNHELM_APPSETTINGS_H

#include <QString>
#include <QVariant>

// Read access to the compiled-in configuration (":/config/ini/config.ini",
// section [General]). One getter a key; a key missing from the configuration
// reads as empty, false or 0. Values changed through a setter last for the
// running process and are seen by every reader.
class AppSettings
{
public:
    AppSettings();

    bool developerOptions() const;
    void setDeveloperOptions(bool enabled);

    QString helpDocName() const;
    QString helpDocVirtualFolder() const;
    bool helpDocUsesEngine() const;

    QString windowIconPath() const;

private:
    QVariant value(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);
};

#endif // VORNHELM_APPSETTINGS_H
