#include "desktop/QtWebView.h"

#include <QGraphicsWebView>
#include <QMenuBar>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebFrame>
#include <QWebPage>

#include "desktop/QtWebViewPrivate.h"

QtWebView::QtWebView(QWidget* parent)
    : WebView(parent)
    , d(new QtWebViewPrivate(this)) // a child widget: destroyed with the view
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // A menu bar inside a plain widget takes its place through the layout.
    layout->setMenuBar(d->menuBar());
    layout->addWidget(d);
}

QtWebView::~QtWebView() = default;

void QtWebView::evaluateJavaScript(const QString& script, WebViewFrameId frame)
{
    // Answers always go to the main frame: the page routes them on itself.
    Q_UNUSED(frame)
    d->m_webView->page()->mainFrame()->evaluateJavaScript(script);
}

void QtWebView::sendMail(const QString& qtKey, const QString& callbackFunc, unsigned int callbackId,
                         const QString& toAddresses, const QString& subject, const QString& message,
                         const QString& ccAddresses, const QString& bccAddresses,
                         const QString& attachmentNames, const QString& attachmentData,
                         const QString& attachmentIsBin, bool isHTML, Email::MailPriority priority,
                         bool receipt)
{
    d->sendMail(qtKey, callbackFunc, callbackId, toAddresses, subject, message, ccAddresses,
                bccAddresses, attachmentNames, attachmentData, attachmentIsBin, isHTML, priority,
                receipt);
}

void QtWebView::loadFile(const QString& path)
{
    d->m_webView->load(QUrl::fromLocalFile(QtWebViewPrivate::adjustPath(path)));
}

QGraphicsWebView* QtWebView::graphicsWebView() const
{
    return d->m_webView;
}

QMenuBar* QtWebView::menuBar() const
{
    return d->menuBar();
}

QtWebViewPrivate* QtWebView::privateObject() const
{
    return d;
}
