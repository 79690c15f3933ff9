#ifndef VORNHELM_EMAIL_H
#define VORNHELM_EMAIL_H

#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

// One outgoing mail message, filled by the script API and handed to the
// user's default mail client: as an AppleScript for Mail, as a Thunderbird
// compose command line, or as an EML file opened by the desktop. The program
// never sends mail itself; the user sends it from the client.
//
// A plain value class: the fields are written directly by the caller.
class Email
{
public:
    // Kept in a fixed 32-bit type so that any integer the caller stores
    // survives; values other than Low and High are written as Normal.
    enum MailPriority : int {
        Low = 0,
        Normal = 1,
        High = 2
    };

    // Results of send() and of each hand-off road.
    enum SendResult : int {
        SendOk = 0,
        SendFileCreationFailed = 1,
        SendLaunchFailed = 2,
        SendClientError = 3
    };

    Email();

    QString tempDir;
    QString lastError;
    QString from;
    QString to;
    QString cc;
    QString bcc;
    QString subject;
    QString body;
    bool isHtml;
    MailPriority priority;
    bool readReceipt;
    QStringList attachmentNames;
    QStringList attachmentData;
    QList<bool> attachmentIsBinary;

    // Appends one attachment when both texts are non-empty.
    void addAttachment(QString name, QString data, bool isBinary);

    // Turn every ";" of the field into "," in place and return the field.
    QString toAddresses();
    QString ccAddresses();
    QString bccAddresses();

    // Absolute path of fileName inside tempDir (the disk is not consulted).
    QString tempFilePath(const QString& fileName) const;

    // The folder of this request's own files (its attachment copies, its
    // EML file, a body too long for a command line), a new one inside
    // tempDir made by makeRequestFolder; empty before.
    QString requestFolder() const;

    // Makes the request's folder where it is not made yet, as
    // TempFileManager::makeRequestFolder does, and returns it; null when no
    // folder could be made. It stays a day: a mail client reads what it
    // holds when its message is saved or sent, not when it opens.
    QString makeRequestFolder();

    // Absolute path of an attachment file: inside requestFolder() once it
    // is made, inside tempDir before.
    QString attachmentFilePath(const QString& fileName) const;

    // Deletes every file directly inside tempDir at once, but for the
    // scripts just run, and the folders of requests more than a day old.
    void cleanTempDir();

    // MIME type name of a file name from the system MIME database, by the
    // name alone.
    static QString mimeType(const QString& fileName);

    static bool isDefaultMailClientSetup();
    // Name of the default mail client; null when none is registered.
    static QString defaultMailClient();
    // Path of the default mail client's program; null when unknown.
    static QString defaultMailClientOpenCommand();

    // Hands the message to the default mail client; returns a SendResult.
    int send();
    int mailAppSend();
    int thunderbirdSend();
    int defaultSend();
    // Writes every attachment into the folder of this request, made where
    // there is any, each into a new file of its own; false at the first
    // failure.
    bool createTempAttachments();

    // The message as EML (MIME) text.
    QString toEML();
    // Whether every attachment name leaves a name to declare in the message.
    bool hasAttachmentFileNames() const;
    // Writes the EML text to the device; false when it takes less.
    bool writeToEml(QIODevice& device);

    // The AppleScript that makes the message in Mail.
    QString toMailAppAppleScript();

private:
    QString m_requestFolder;
};

#endif // VORNHELM_EMAIL_H
