#ifndef VORNHELM_WEBVIEW_H
#define VORNHELM_WEBVIEW_H

#include <QList>
#include <QScopedPointer>
#include <QString>
#include <QVariant>
#include <QWidget>

#include "mail/Email.h"
#include "webview/WebViewFrameId.h"

class WebViewPrivate;
class TempFileManager;

// The engine-independent web view: the access key, the callback protocol of
// the script interface and the script operations that need no particular
// engine. A platform view derives from it and evaluates the JavaScript.
class WebView : public QWidget
{
    Q_OBJECT
public:
    // Codes of the page's error channel; published to the page under the
    // names QT_ERR_UNKNOWN ... QT_ERR_ACCESS_DENIED.
    enum WebViewErrorCode {
        QT_ERR_UNKNOWN = 0,
        QT_ERR_CALLBACK_DUPLICATE = 1,
        QT_ERR_CALLBACK_NOT_REGISTERED = 2,
        QT_ERR_CALLBACK_NOT_DEFINED = 3,
        QT_ERR_ACCESS_DENIED = 4
    };

    // Lifecycle events handed to the page beside each answer (the page
    // itself starts with 1).
    enum StateChangedEvent {
        NO_EVENT = 0,
        DEACTIVATED = 2,
        REACTIVATED = 3,
        KILLED = 4,
        QUIT_REQUESTED = 5
    };

    explicit WebView(QWidget* parent = nullptr);
    ~WebView() override;

    // Platform operations.
    virtual void evaluateJavaScript(const QString& script, WebViewFrameId frame = WebViewFrameId()) = 0;
    // Opens a new message in the user's default mail client and answers the
    // page through callbackFunc. List arguments are joined with the intra
    // argument delimiter, addresses are separated by ";".
    virtual void sendMail(const QString& qtKey, const QString& callbackFunc, unsigned int callbackId,
                          const QString& toAddresses, const QString& subject, const QString& message,
                          const QString& ccAddresses, const QString& bccAddresses,
                          const QString& attachmentNames, const QString& attachmentData,
                          const QString& attachmentIsBin, bool isHTML, Email::MailPriority priority,
                          bool receipt) = 0;

    // Access key.
    bool isAccessKey(const QString& qtKey, bool reportError);
    QString accessKey() const;
    void onContentInit();

    // Callback protocol.
    void wepAppErrorCallback(WebViewErrorCode code, const QList<QVariant>& items);
    void webAppCallback(const QString& callbackFunc, const QList<QVariant>& args,
                        StateChangedEvent event = NO_EVENT);
    void gwtApiCallback(const QString& callbackFunc, int callbackId, bool success, int errCode,
                        const QVariant& result, const QList<QVariant>& items = QList<QVariant>());
    void gwtApiSuccessCallback(const QString& callbackFunc, int callbackId);
    void gwtApiFailureCallback(const QString& callbackFunc, int callbackId, int errCode, QString message);
    void gwtApiImExFileCallback(const QString& callbackFunc, uint callbackId,
                                const QString& filePath, const QByteArray& data = QByteArray());

    QString callbackIntraArgDelimiter() const;
    static QString removeDelimitedListEmptyItems(const QString& list, const QString& delimiter);
    static QString toJsArray(const QList<QVariant>& items);
    static QString escapeJsSingleQuotedLiteral(const QString& text);

    TempFileManager* tempFileManager() const;

    // Script operations.
    void registerExtension(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                           const QString& extension, bool isBinary);
    void registerMimeType(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                          const QString& mimeType, const QString& extension, bool isBinary,
                          bool isDefaultExtension);
    void tavrinDocToPdf(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                        const QString& docxml, const QString& pdfName);

private:
    QScopedPointer<WebViewPrivate> d;
};

#endif // VORNHELM_WEBVIEW_H
