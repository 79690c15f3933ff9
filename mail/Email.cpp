#include "mail/Email.h"

#include "core/BackslashEscape.h"
#include "core/Base64.h"
#include "core/MacToolKit.h"
#include "core/ProcessLauncher.h"
#include "mail/AttachmentFileNames.h"
#include "mail/AttatchmentManager.h"
#include "mail/ComposeArgument.h"
#include "mail/HtmlLineBreaks.h"
#include "mail/MailText.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QStandardPaths>

namespace {

// Texts of the EML and AppleScript writers, made before main in this order.
const QString PART_DELIMITER = QStringLiteral("----=_NextPart_");
const QString PART_DELIMITER_NESTED = QStringLiteral("----=_NextPart_Nested_");
const QString INDENT = QStringLiteral("    ");
const QString BACKSLASH = QStringLiteral("\\");
const QString QUOTE = QStringLiteral("\"");
const QString NEWLINE = QStringLiteral("\n");

// The one manager of the mail code's temporary files, for the whole run.
AttatchmentManager attachmentManager;

const QString EMPTY_TEXT = QLatin1String("");
// What a backslash escapes inside an AppleScript string literal.
const QByteArray APPLESCRIPT_STRING_SPECIALS = (BACKSLASH + QUOTE).toLatin1();
const QString MAIL_CLIENT_MAIL = QStringLiteral("Mail");
const QString MAIL_CLIENT_THUNDERBIRD = QStringLiteral("Thunderbird");
const QString OSASCRIPT = QStringLiteral("osascript");
const QString CHARSET_LATIN1 = QStringLiteral("iso-8859-1");
const QString CHARSET_UTF8 = QStringLiteral("utf-8");
const QString CTE_7BIT = QStringLiteral("7bit");
const QString CTE_BASE64 = QStringLiteral("base64");
const QString CTE_QUOTED_PRINTABLE = QStringLiteral("quoted-printable");
const QString DEFAULT_MIME_TYPE = QStringLiteral("application/octet-stream");
const QString FALLBACK_ATTACHMENT_NAME = QStringLiteral("attachment");
// The file a body too long for Thunderbird's command line goes into: a name
// ending in ".html" is read as HTML, any other as plain text.
const QString BODY_FILE_HTML = QStringLiteral("body.html");
const QString BODY_FILE_TEXT = QStringLiteral("body.txt");

// A boundary suffix unique to one message, checked against the texts that
// go into the message unencoded.
QString newBoundarySuffix(const QStringList& rawTexts)
{
    for (;;) {
        QRandomGenerator* random = QRandomGenerator::global();
        const QString suffix = QString::number(random->generate64(), 16).rightJustified(16, QLatin1Char('0'))
                               + QString::number(random->generate64(), 16).rightJustified(16, QLatin1Char('0'));
        bool unused = true;
        for (const QString& text : rawTexts) {
            if (text.contains(suffix)) {
                unused = false;
                break;
            }
        }
        if (unused)
            return suffix;
    }
}

// A header field with parameters, one to a line after "name: value", each
// but the last ending in ";".
QString fieldWithParameters(const QString& head, const QStringList& parameters)
{
    QString field = head;
    for (const QString& parameter : parameters)
        field += QLatin1Char(';') + NEWLINE + INDENT + parameter;
    return field + NEWLINE;
}

QString charsetParameter(const QString& charset)
{
    return QStringLiteral("charset=\"") + charset + QUOTE;
}

// A value without its NUL characters: a command-line argument ends at the
// first one, and a shell script cannot hold one.
QString withoutNul(const QString& value)
{
    QString result = value;
    result.remove(QChar(0));
    return result;
}

// The escape of a value placed inside an AppleScript string literal.
QString appleScriptEscaped(const QString& value)
{
    return BackslashEscape::escaped(withoutNul(value), QLatin1String(APPLESCRIPT_STRING_SPECIALS));
}

QString appleScriptString(const QString& value)
{
    return QUOTE + appleScriptEscaped(value) + QUOTE;
}

QString blanks(int count)
{
    return QString(count, QLatin1Char(' '));
}

struct ScriptLine {
    int blanks;
    const char* text;
};

} // namespace

// ---------------------------------------------------------------------------
// The message

Email::Email()
    : tempDir(EMPTY_TEXT)
    , lastError(EMPTY_TEXT)
    , from(EMPTY_TEXT)
    , to(EMPTY_TEXT)
    , cc(EMPTY_TEXT)
    , bcc(EMPTY_TEXT)
    , subject(EMPTY_TEXT)
    , body(EMPTY_TEXT)
    , isHtml(false)
    , priority(Normal)
    , readReceipt(false)
{
}

void Email::addAttachment(QString name, QString data, bool isBinary)
{
    if (name.isEmpty() || data.isEmpty())
        return;
    attachmentNames.append(name);
    attachmentData.append(data);
    attachmentIsBinary.append(isBinary);
}

QString Email::toAddresses()
{
    to.replace(QLatin1Char(';'), QLatin1Char(','));
    return to;
}

QString Email::ccAddresses()
{
    cc.replace(QLatin1Char(';'), QLatin1Char(','));
    return cc;
}

QString Email::bccAddresses()
{
    bcc.replace(QLatin1Char(';'), QLatin1Char(','));
    return bcc;
}

QString Email::tempFilePath(const QString& fileName) const
{
    return QDir(tempDir).absoluteFilePath(fileName);
}

QString Email::requestFolder() const
{
    return m_requestFolder;
}

QString Email::makeRequestFolder()
{
    if (m_requestFolder.isEmpty())
        m_requestFolder = TempFileManager::makeRequestFolder(tempDir);
    return m_requestFolder;
}

QString Email::attachmentFilePath(const QString& fileName) const
{
    return m_requestFolder.isEmpty() ? tempFilePath(fileName) : QDir(m_requestFolder).absoluteFilePath(fileName);
}

void Email::cleanTempDir()
{
    // The scripts that earlier sends ran a moment ago go by themselves.
    attachmentManager.deleteAllNowButRecentlyQueued(tempDir);
    // A mail client reads its files when the message is saved or sent, which
    // may be hours later: a request's folder goes only once a day old.
    TempFileManager::removeStaleRequestFolders(tempDir);
}

QString Email::mimeType(const QString& fileName)
{
    // By the name alone: a file of that name in the working folder must not
    // change the type, and a name that is no valid path must not be probed.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    // Without a readable MIME database there is no type at all, not even the
    // default one: a Content-Type needs a name.
    if (!type.isValid() || type.name().isEmpty())
        return DEFAULT_MIME_TYPE;
    return type.name();
}

bool Email::isDefaultMailClientSetup()
{
    return !defaultMailClient().isNull();
}

QString Email::defaultMailClient()
{
    return MacToolKit::defaultMailClient();
}

QString Email::defaultMailClientOpenCommand()
{
    return MacToolKit::defaultMailClientOpenCommand();
}

// ---------------------------------------------------------------------------
// EML

bool Email::writeToEml(QIODevice& device)
{
    if (!hasAttachmentFileNames())
        return false;
    const QString toList = toAddresses();
    const QString ccList = ccAddresses();
    const QString bccList = bccAddresses();
    const bool hasAttachments = !attachmentNames.isEmpty();
    const bool nested = isHtml && hasAttachments;

    // The text part goes as it stands when it is plain short-lined ASCII,
    // otherwise quoted-printable, declared UTF-8 when not ASCII. In an HTML
    // message both parts are quoted-printable and end in a soft line break:
    // the empty line before the next boundary is then no part of the text.
    // So does the quoted-printable text of a message of one part, whose last
    // line is then ended: a mail client fails on one that is not.
    const bool singlePart = !isHtml && !hasAttachments;
    const QString text = MailText::lineFeedsOnly(body);
    const bool textRaw = !isHtml && MailText::is7bitSafe(text);
    const QString textCharset = MailText::isAscii(text) ? CHARSET_LATIN1 : CHARSET_UTF8;
    const QByteArray textEncoded = textRaw ? QByteArray() : MailText::quotedPrintable(text.toUtf8(), isHtml || singlePart);

    // Attachments whose text goes unencoded.
    QList<bool> attachmentRaw;
    // Quoted-printable keeps letters and digits: the text is searched either way.
    QStringList rawTexts;
    rawTexts << text;
    for (int i = 0; i < attachmentNames.size(); ++i) {
        const QString& data = attachmentData.at(i);
        const bool raw = !attachmentIsBinary.at(i) && MailText::is7bitSafe(data);
        attachmentRaw << raw;
        if (raw)
            rawTexts << data;
    }
    const QString suffix = newBoundarySuffix(rawTexts);
    rawTexts.clear();
    const QString boundary = PART_DELIMITER + suffix;
    const QString nestedBoundary = PART_DELIMITER_NESTED + suffix;

    // Header lines gather in eml and go to the device before each body,
    // which is written as it is made: the whole message is never held.
    // Everything written is ASCII.
    QString eml;
    bool written = true;
    const auto put = [&device, &written](const QByteArray& bytes) {
        written = written && device.write(bytes) == bytes.size();
    };
    const auto flush = [&eml, &put]() {
        put(eml.toUtf8());
        eml.clear();
    };

    // Header block: each field folded, with encoded words where needed.
    const QString sender = MailText::addressField(QStringLiteral("From"), from);
    eml += sender.isEmpty() ? QStringLiteral("X-Unsent: 1") + NEWLINE : sender;
    eml += MailText::addressField(QStringLiteral("To"), toList);
    eml += MailText::addressField(QStringLiteral("Cc"), ccList);
    eml += MailText::addressField(QStringLiteral("Bcc"), bccList);
    if (!subject.isEmpty())
        eml += MailText::textField(QStringLiteral("Subject"), subject);

    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc();
    const int magnitude = qAbs(offset);
    const QString zone = QString(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                         + QStringLiteral("%1%2")
                               .arg(magnitude / 3600, 2, 10, QLatin1Char('0'))
                               .arg((magnitude % 3600) / 60, 2, 10, QLatin1Char('0'));
    eml += QStringLiteral("Date: ")
           + QLocale::c().toString(now, QStringLiteral("ddd, d MMM yyyy hh:mm:ss"))
           + QLatin1Char(' ') + zone + NEWLINE;

    switch (priority) {
    case High:
        eml += QStringLiteral("X-Priority: 1\nX-MSMail-Priority: High\nImportance: High\n");
        break;
    case Low:
        eml += QStringLiteral("X-Priority: 5\nX-MSMail-Priority: Low\nImportance: Low\n");
        break;
    default:
        eml += QStringLiteral("X-Priority: 3\nX-MSMail-Priority: Normal\nImportance: Normal\n");
        break;
    }
    if (readReceipt && !sender.isEmpty())
        eml += MailText::addressField(QStringLiteral("Disposition-Notification-To"), from);
    eml += QStringLiteral("MIME-Version: 1.0") + NEWLINE;

    // Multipart header.
    if (isHtml || hasAttachments) {
        eml += fieldWithParameters(QStringLiteral("Content-Type: multipart/")
                                       + (hasAttachments ? QStringLiteral("mixed") : QStringLiteral("alternative")),
                                   { QStringLiteral("boundary=\"") + boundary + QUOTE });
        eml += NEWLINE;
        eml += QStringLiteral("This is a multi-part message in MIME format.") + NEWLINE;
        eml += NEWLINE;
        eml += QStringLiteral("--") + boundary + NEWLINE;
    }
    if (nested) {
        eml += fieldWithParameters(QStringLiteral("Content-Type: multipart/alternative"),
                                   { QStringLiteral("boundary=\"") + nestedBoundary + QUOTE });
        eml += NEWLINE;
        eml += NEWLINE;
        eml += QStringLiteral("--") + nestedBoundary + NEWLINE;
    }

    // Text part. A reader that honours format=flowed would join lines that
    // end in a blank and drop a leading blank: declared only where that
    // changes nothing.
    QStringList textParameters;
    if (MailText::readsSameFlowed(text))
        textParameters << QStringLiteral("format=flowed");
    textParameters << charsetParameter(textCharset) << QStringLiteral("reply-type=original");
    eml += fieldWithParameters(QStringLiteral("Content-Type: text/plain"), textParameters);
    eml += QStringLiteral("Content-Transfer-Encoding: ") + (textRaw ? CTE_7BIT : CTE_QUOTED_PRINTABLE)
           + NEWLINE;
    if (!text.isEmpty()) {
        eml += NEWLINE;
        flush();
        put(textRaw ? text.toUtf8() : textEncoded);
    }
    // A message of one part ends in a line end: without text it makes the
    // empty line that ends the header block, after quoted-printable text
    // (ended by a soft line break) it ends the last line. Unencoded text
    // ends as written.
    if (singlePart && (text.isEmpty() || !textRaw))
        eml += NEWLINE;

    // HTML part, always quoted-printable, and the end of the alternative.
    if (isHtml) {
        const QString& partBoundary = nested ? nestedBoundary : boundary;
        eml += NEWLINE;
        eml += NEWLINE;
        eml += QStringLiteral("--") + partBoundary + NEWLINE;
        eml += fieldWithParameters(QStringLiteral("Content-Type: text/html"),
                                   { charsetParameter(textCharset) });
        eml += QStringLiteral("Content-Transfer-Encoding: ") + CTE_QUOTED_PRINTABLE + NEWLINE;
        if (!text.isEmpty()) {
            eml += NEWLINE;
            flush();
            put(textEncoded);
        }
        eml += NEWLINE;
        eml += NEWLINE;
        eml += QStringLiteral("--") + partBoundary + QStringLiteral("--") + NEWLINE;
    }

    // Attachment parts.
    for (int i = 0; i < attachmentNames.size(); ++i) {
        QString name = AttachmentFileNames::declared(attachmentNames.at(i));
        if (name.isNull())
            name = FALLBACK_ATTACHMENT_NAME;
        const QString& data = attachmentData.at(i);
        const bool binary = attachmentIsBinary.at(i);
        const bool raw = attachmentRaw.at(i);

        // The line end before a boundary belongs to the boundary: after
        // unencoded text an empty line would add a line feed to its content.
        if (i == 0 || !attachmentRaw.at(i - 1))
            eml += NEWLINE;
        eml += QStringLiteral("--") + boundary + NEWLINE;
        // A message or multipart part may go as 7bit, 8bit or binary only
        // (RFC 2046): in Base64 it goes as plain bytes under its name.
        QString type = mimeType(name);
        if (!raw && (type.startsWith(QLatin1String("message/")) || type.startsWith(QLatin1String("multipart/"))))
            type = DEFAULT_MIME_TYPE;
        QStringList typeParameters = MailText::parameterLines(QStringLiteral("name"), name);
        if (!binary && !MailText::isAscii(data))
            typeParameters << charsetParameter(CHARSET_UTF8);
        eml += fieldWithParameters(QStringLiteral("Content-Type: ") + type, typeParameters);
        eml += QStringLiteral("Content-Transfer-Encoding: ") + (raw ? CTE_7BIT : CTE_BASE64) + NEWLINE;
        eml += fieldWithParameters(QStringLiteral("Content-Disposition: attachment"),
                                   MailText::parameterLines(QStringLiteral("filename"), name));
        eml += NEWLINE;
        flush();
        if (raw)
            put(data.toUtf8());
        else if (!binary)
            written = written && MailText::writeBase64Lines(device, data.toUtf8());
        // Base64 from the page that decodes and encodes back to itself is
        // only wrapped into lines; anything else (a data: URL, line breaks,
        // no padding) is decoded and encoded anew.
        else if (MailText::isPlainBase64(data))
            written = written && MailText::writeBase64Lines(device, data);
        else
            written = written && MailText::writeBase64Lines(device, Base64::fromBase64(data));
        eml += NEWLINE;
        if (i + 1 == attachmentNames.size())
            eml += QStringLiteral("--") + boundary + QStringLiteral("--") + NEWLINE;
    }
    flush();
    return written;
}

QString Email::toEML()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeToEml(buffer);
    return QString::fromUtf8(buffer.data());
}

bool Email::hasAttachmentFileNames() const
{
    for (const QString& name : attachmentNames) {
        if (AttachmentFileNames::declared(name).isNull())
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Mail AppleScript

QString Email::toMailAppAppleScript()
{
    QString script;
    script += QStringLiteral("tell application ") + QUOTE + MAIL_CLIENT_MAIL + QUOTE + NEWLINE;
    script += INDENT + QStringLiteral("activate") + NEWLINE;

    QString properties;
    if (subject.length() > 0)
        properties += QStringLiteral("subject:") + appleScriptString(subject) + QStringLiteral(", ");
    if (body.length() > 0) {
        if (isHtml)
            properties += QStringLiteral("html ");
        properties += QStringLiteral("content:") + appleScriptString(body) + QStringLiteral(", ");
    }
    properties += QStringLiteral("visible:") + (isHtml ? QStringLiteral("false") : QStringLiteral("true"));
    script += INDENT + QStringLiteral("set theMessage to make new outgoing message with properties {")
              + properties + QStringLiteral("}") + NEWLINE;
    script += INDENT + QStringLiteral("tell theMessage") + NEWLINE;

    const struct {
        QString list;
        const char* kind;
    } recipients[] = {
        { toAddresses(), "to" },
        { ccAddresses(), "cc" },
        { bccAddresses(), "bcc" },
    };
    for (const auto& recipient : recipients) {
        if (recipient.list.isEmpty())
            continue;
        const QString kind = QLatin1String(recipient.kind);
        for (const QString& address : recipient.list.split(QLatin1Char(','))) {
            script += INDENT + INDENT + QStringLiteral("make new ") + kind
                      + QStringLiteral(" recipient at end of ") + kind
                      + QStringLiteral(" recipients with properties {address:") + appleScriptString(address)
                      + QStringLiteral("}") + NEWLINE;
        }
    }
    for (const QString& fileName : AttachmentFileNames::files(attachmentNames)) {
        if (fileName.isNull())
            continue;
        script += INDENT + INDENT + QStringLiteral("make new attachment with properties {")
                  + QStringLiteral("file name:((") + appleScriptString(attachmentFilePath(fileName))
                  + QStringLiteral(" as POSIX file) as alias)}") + NEWLINE;
    }
    script += INDENT + QStringLiteral("end tell") + NEWLINE;

    if (isHtml) {
        // Save the invisible message as a draft and open a redirect of it in
        // a window, where the To list is pasted: Mail takes HTML content
        // only this way.
        static const ScriptLine DRAFT_BEFORE_WINDOW[] = {
            { 4, "set draftCountBefore to count messages of drafts mailbox" },
            { 4, "save theMessage" },
            { 4, "set newMessageAsDraft to missing value" },
            { 4, "repeat with i from 1 to 30" },
            { 8, "set draftCountNow to (count messages of drafts mailbox)" },
            { 8, "if draftCountNow > draftCountBefore then" },
            { 12, "set newMessageAsDraft to message 1 of drafts mailbox" },
            { 12, "exit repeat" },
            { 8, "end if" },
            { 8, "delay 0.1" },
            { 4, "end repeat" },
            { 4, "if newMessageAsDraft is missing value then error \"New message failed to appear in the "
                 "drafts mailbox within the timeout period.\"" },
            { 4, "redirect newMessageAsDraft with opening window" },
            { 4, "activate" },
            { 4, "tell application \"System Events\"" },
            { 9, "set newMessageWindow to missing value" },
            { 9, "repeat with i from 1 to 30" },
            { 14, "tell (first window of (first process whose frontmost is true) whose subrole is not "
                  "\"AXFloatingWindow\")" },
        };
        static const ScriptLine DRAFT_WINDOW_FOUND[] = {
            { 22, "set newMessageWindow to it" },
            { 22, "exit repeat" },
            { 18, "end if" },
            { 14, "end tell" },
            { 14, "delay 0.1" },
            { 10, "end repeat" },
            { 10, "if newMessageWindow is missing value then error \"New message failed to become the "
                  "active window within the timeout period.\"" },
            { 10, "if not (UI elements enabled) then set (UI elements enabled) to true" },
            { 10, "set {orgTIDs, AppleScript's text item delimiters} to {AppleScript's text item "
                  "delimiters, {\",\"}}" },
        };
        static const ScriptLine DRAFT_PASTE[] = {
            { 10, "set AppleScript's text item delimiters to orgTIDs" },
            { 10, "set prevClipboardContents to the clipboard" },
            { 10, "set the clipboard to recipientListString" },
            { 10, "my pasteFromClipboard(\"\")" },
            { 10, "delay 0.1" },
            { 10, "set the clipboard to prevClipboardContents" },
            { 10, "try" },
            { 14, "tell newMessageWindow" },
            { 18, "tell UI element 1 of scroll area 1" },
            { 22, "set value of attribute \"AXFocused\" to true" },
            { 18, "end tell" },
            { 14, "end tell" },
            { 10, "end try" },
            { 4, "end tell" },
        };
        const auto blockLine = [&script](const ScriptLine& line) {
            script += INDENT + blanks(line.blanks - INDENT.size()) + QLatin1String(line.text) + NEWLINE;
        };
        for (const ScriptLine& line : DRAFT_BEFORE_WINDOW)
            blockLine(line);
        script += INDENT + blanks(18 - INDENT.size()) + QStringLiteral("if name is ")
                  + appleScriptString(subject) + QStringLiteral(" then") + NEWLINE;
        for (const ScriptLine& line : DRAFT_WINDOW_FOUND)
            blockLine(line);
        script += INDENT + blanks(10 - INDENT.size()) + QStringLiteral("set recipientListString to (")
                  + appleScriptString(toAddresses()) + QStringLiteral(" as text)") + NEWLINE;
        for (const ScriptLine& line : DRAFT_PASTE)
            blockLine(line);
    }

    script += QStringLiteral("end tell") + NEWLINE;

    if (isHtml) {
        static const ScriptLine PASTE_HANDLER[] = {
            { 0, "on pasteFromClipboard(targetProcess)" },
            { 4, "tell application \"System Events\"" },
            { 8, "if targetProcess is missing value or targetProcess = \"\" then" },
            { 12, "set targetProcess to first process whose frontmost is true" },
            { 8, "else" },
            { 12, "if class of targetProcess is text then" },
            { 16, "set targetProcess to process targetProcess" },
            { 12, "end if" },
            { 12, "-- Activate the application (make it frontmost), otherwise pasting will not work." },
            { 12, "set frontmost of targetProcess to true" },
            { 8, "end if" },
            { 8, "tell menu 1 of menu bar item 4 of menu bar 1 of targetProcess" },
            { 12, "-- Find the menu item whose keyboard shortcut is Cmd-V" },
            { 12, "set miPaste to first menu item whose value of attribute \"AXMenuItemCmdChar\" is \"V\" "
                  "and value of attribute \"AXMenuItemCmdModifiers\" is 0" },
            { 12, "click miPaste" },
            { 8, "end tell" },
            { 4, "end tell" },
            { 0, "end pasteFromClipboard" },
        };
        script += NEWLINE;
        for (const ScriptLine& line : PASTE_HANDLER)
            script += blanks(line.blanks) + QLatin1String(line.text) + NEWLINE;
    }
    return script;
}

// ---------------------------------------------------------------------------
// Hand-off

int Email::send()
{
    lastError = EMPTY_TEXT;
    const QString client = defaultMailClient();
    // Mail is driven by AppleScript, which needs osascript; without it the
    // message goes as an EML file like for any other client.
    if (client == MAIL_CLIENT_MAIL && !QStandardPaths::findExecutable(OSASCRIPT).isEmpty())
        return mailAppSend();
    if (client.contains(MAIL_CLIENT_THUNDERBIRD))
        return thunderbirdSend();
    return defaultSend();
}

bool Email::createTempAttachments()
{
    if (attachmentNames.isEmpty())
        return true;
    // A folder of the request's own: a compose window still open for an
    // earlier request reads its files when its message is saved or sent, and
    // a later request, of this instance or another, must neither replace nor
    // remove them.
    if (makeRequestFolder().isNull())
        return false;
    const QStringList fileNames = AttachmentFileNames::files(attachmentNames);
    for (int i = 0; i < fileNames.size(); ++i) {
        if (fileNames.at(i).isNull()
            || !TempFileManager::createFile(attachmentFilePath(fileNames.at(i)), attachmentData.at(i),
                                            attachmentIsBinary.at(i))) {
            return false;
        }
    }
    return true;
}

int Email::mailAppSend()
{
    if (!createTempAttachments())
        return SendFileCreationFailed;
    const QString scriptPath = attachmentManager.createMailAppBashFile(this);
    if (scriptPath.isNull())
        return SendFileCreationFailed;
    QString output;
    QString error;
    if (MacToolKit::executeBashScript(scriptPath, output, error)) {
        attachmentManager.deleteFileLater(scriptPath);
        return SendOk;
    }
    if (error.isEmpty())
        return SendLaunchFailed;
    lastError = error;
    return SendClientError;
}

int Email::thunderbirdSend()
{
    // The platform's quit step. Here it leaves a running Thunderbird alone:
    // the running instance takes the -compose command line itself.
    const QString quitScript = attachmentManager.createTempBashFile(
        tempDir, MacToolKit::quitAppBash(MAIL_CLIENT_THUNDERBIRD));
    if (!quitScript.isNull()) {
        QString output;
        QString error;
        const bool quitOk = MacToolKit::executeBashScript(quitScript, output, error);
        attachmentManager.deleteFileLater(quitScript);
        if (!quitOk) {
            if (!error.isEmpty())
                lastError = error;
            return SendClientError;
        }
    }

    QString program = defaultMailClientOpenCommand();
    if (program.endsWith(QLatin1String("-mail")))
        program.chop(5);
    program.remove(QUOTE);
    program = program.trimmed();

    const QStringList head = {
        ComposeArgument::entry(QStringLiteral("to"), toAddresses()),
        ComposeArgument::entry(QStringLiteral("cc"), ccAddresses()),
        ComposeArgument::entry(QStringLiteral("bcc"), bccAddresses()),
        ComposeArgument::entry(QStringLiteral("subject"), subject),
        ComposeArgument::entry(QStringLiteral("format"), isHtml ? QStringLiteral("1") : QStringLiteral("2")),
    };
    // Thunderbird makes each line break of an HTML body a "<br>" on the
    // command line and a blank from a file, inside "<pre>" too: given none,
    // it shows the page's HTML as a browser does, whichever way it comes.
    const QString composeBody = isHtml ? HtmlLineBreaks::asBrowserShows(body) : body;
    const QString bodyEntry = ComposeArgument::entry(QStringLiteral("body"), composeBody);
    // The names of the files in the request's folder: the attachments' first,
    // so that they keep their names, then that of a body file, named apart.
    QStringList fileNames = AttachmentFileNames::files(attachmentNames + QStringList{ isHtml ? BODY_FILE_HTML : BODY_FILE_TEXT });
    const QString bodyFile = fileNames.takeLast();

    // The attachments' URLs name files in the request's folder: it is made
    // now, and its files written once the argument is known to fit.
    QString attachmentEntry;
    if (!attachmentNames.isEmpty()) {
        if (makeRequestFolder().isNull())
            return SendFileCreationFailed;
        QStringList paths;
        for (const QString& fileName : qAsConst(fileNames))
            paths << attachmentFilePath(fileName);
        attachmentEntry = ComposeArgument::attachmentEntry(paths);
    }
    QString compose = ComposeArgument::joined(head + QStringList{ bodyEntry, attachmentEntry });

    // A body too long for one program argument (an inline image is enough)
    // goes into a file of the request's folder, which Thunderbird reads as
    // UTF-8 in its place; it stays with the folder.
    if (!ComposeArgument::fitsOneArgument(compose)) {
        if (makeRequestFolder().isNull())
            return SendFileCreationFailed;
        const QString bodyPath = attachmentFilePath(bodyFile);
        compose = ComposeArgument::joined(head + QStringList{ ComposeArgument::entry(QStringLiteral("message"), bodyPath),
                                                             attachmentEntry });
        // Thousands of recipients or attachments: no start can take them.
        // Nothing has been written yet; the empty folder goes again.
        if (!ComposeArgument::fitsOneArgument(compose)) {
            QDir().rmdir(m_requestFolder);
            m_requestFolder.clear();
            return SendLaunchFailed;
        }
        const QByteArray bodyBytes = withoutNul(composeBody).toUtf8();
        if (!TempFileManager::createFile(bodyPath, false, [&bodyBytes](QIODevice& file) {
                return file.write(bodyBytes) == bodyBytes.size();
            })) {
            return SendFileCreationFailed;
        }
    }
    if (!createTempAttachments())
        return SendFileCreationFailed;

    const ProcessLauncher launcher(nullptr);
    if (launcher.launch(program, { QStringLiteral("-compose"), compose }, true))
        return SendOk;
    return SendLaunchFailed;
}

int Email::defaultSend()
{
    // Written into the request's own folder, where it stays a day: a client
    // may read it long after it opened it (a large one starting cold), and
    // no later request, of this instance or another, removes or replaces it.
    const QString path = attachmentManager.createEmlFile(this);
    if (path.isNull())
        return SendFileCreationFailed;
    const ProcessLauncher launcher(nullptr);
    if (!launcher.openLocal(path))
        return SendLaunchFailed;
    return SendOk;
}
