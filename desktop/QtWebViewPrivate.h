#ifndef VORNHELM_QTWEBVIEWPRIVATE_H
#define VORNHELM_QTWEBVIEWPRIVATE_H

#include <QGraphicsView>
#include <QPointer>
#include <QString>

#include "core/AppSettings.h"
#include "mail/Email.h"

class QGraphicsWebView;
class QMenuBar;
class QWebFrame;
class JsInjectorDialog;
class QtObj;
class QtWebView;

// The machinery of the desktop view: the graphics view whose scene holds the
// page, the script object's installation into frames, the frame lookups of
// the frame-id calls and the menu actions.
class QtWebViewPrivate : public QGraphicsView
{
    Q_OBJECT
public:
    explicit QtWebViewPrivate(QtWebView* view);
    ~QtWebViewPrivate() override;

    static QString adjustPath(const QString& path);

    QWebFrame* frame(unsigned int frameId);
    int callbackParmsCount(QWebFrame* frame);
    QString callbackParmToString(QWebFrame* frame, unsigned int index);
    int callbackParmToInt(QWebFrame* frame, unsigned int index);
    bool callbackParmToBool(QWebFrame* frame, unsigned int index);
    void callbackParmsClear(QWebFrame* frame);

    QtObj* scriptObject() const;
    QMenuBar* menuBar() const;

    // Script operations, reached through QtObj.
    void registerExtension(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                           const QString& extension, bool isBinary);
    void registerMimeType(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                          const QString& mimeType, const QString& extension, bool isBinary,
                          bool isDefaultExtension);
    void tavrinDocToPdf(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                        const QString& docxml, const QString& pdfName);
    // The frame-id form reads the fourteen values of the keyed form from the
    // calling frame's store (qtCallbackParameters) and empties the store.
    void sendMail(unsigned int frameId);
    void sendMail(const QString& qtKey, const QString& callbackFunc, unsigned int callbackId,
                  const QString& toAddresses, const QString& subject, const QString& message,
                  const QString& ccAddresses = QString(), const QString& bccAddresses = QString(),
                  const QString& attachmentNames = QString(),
                  const QString& attachmentData = QString(),
                  const QString& attachmentIsBin = QString(), bool isHTML = false,
                  Email::MailPriority priority = Email::Normal, bool receipt = false);

    QGraphicsWebView* m_webView;
    JsInjectorDialog* m_injector;

public slots:
    void showHelp();

protected:
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void showInjector();
    void onFrameCreated(QWebFrame* frame);
    void onJavaScriptWindowObjectCleared();
    void onLoadFinished(bool ok);

private:
    QWebFrame* frame(QWebFrame* parent, unsigned int frameId);
    void installScriptObject(QWebFrame* frame);
    void setupMenuBar();
    QVariant evaluateInFrame(QWebFrame* frame, const QString& script);

    QtWebView* q;
    AppSettings m_settings;
    QtObj* m_qtObj;
    QMenuBar* m_menuBar;
    unsigned int m_nextFrameId;
    bool m_contentInitialised;
};

#endif // VORNHELM_QTWEBVIEWPRIVATE_H
