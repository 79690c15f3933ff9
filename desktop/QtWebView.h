#ifndef VORNHELM_QTWEBVIEW_H
#define VORNHELM_QTWEBVIEW_H

#include "webview/WebView.h"

class QGraphicsWebView;
class QMenuBar;
class QtWebViewPrivate;

// The desktop web view: a WebKit page in a graphics view, with the menu bar
// above it.
class QtWebView : public WebView
{
    Q_OBJECT
public:
    explicit QtWebView(QWidget* parent = nullptr);
    ~QtWebView() override;

    void evaluateJavaScript(const QString& script, WebViewFrameId frame = WebViewFrameId()) override;
    void sendMail(const QString& qtKey, const QString& callbackFunc, unsigned int callbackId,
                  const QString& toAddresses, const QString& subject, const QString& message,
                  const QString& ccAddresses, const QString& bccAddresses,
                  const QString& attachmentNames, const QString& attachmentData,
                  const QString& attachmentIsBin, bool isHTML, Email::MailPriority priority,
                  bool receipt) override;

    // Loads a page into the main frame; a relative path is taken inside the
    // bundle's Resources folder.
    void loadFile(const QString& path);

    QGraphicsWebView* graphicsWebView() const;
    QMenuBar* menuBar() const;
    QtWebViewPrivate* privateObject() const;

private:
    QtWebViewPrivate* d;
};

#endif // VORNHELM_QTWEBVIEW_H
