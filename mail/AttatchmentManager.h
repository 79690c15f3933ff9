#ifndef VORNHELM_ATTATCHMENTMANAGER_H
#define VORNHELM_ATTATCHMENTMANAGER_H

#include "core/TempFileManager.h"

#include <QString>

class Email;

// The temporary files of the mail hand-off: the EML file, the shell script
// that feeds Mail its AppleScript and any other shell script, each created
// under a name taken from the current time. A new file never replaces one
// already there, which may still wait for the program it was handed to,
// whichever process wrote it: the name then gets a number.
class AttatchmentManager : public TempFileManager
{
public:
    AttatchmentManager();
    ~AttatchmentManager() override;

    // Writes the message as an EML file into the folder of its request
    // (Email::requestFolder, made here where it is not yet), where it stays
    // for its client to read until the folder goes, a day later. Returns the
    // file's absolute path, or a null string when no file could be made.
    QString createEmlFile(Email* email);

    // Writes the shell script that hands the message's Mail AppleScript to
    // osascript into its tempDir. Returns the path, or a null string.
    QString createMailAppBashFile(Email* email);

    // Writes content unchanged as a new ".sh" file into dir. Returns the
    // path, or a null string.
    QString createTempBashFile(const QString& dir, const QString& content);
};

#endif // VORNHELM_ATTATCHMENTMANAGER_H
