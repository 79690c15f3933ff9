#include "webview/WebViewPrivate.h"
#include "webview/WebView.h"

#include "mime/MimeTypeMap.h"
#include "pdf/PdfGenerator.h"

WebViewPrivate::WebViewPrivate(WebView* view)
    : q(view)
    , tempFileManager(nullptr, QString())
{
}

void WebViewPrivate::registerExtension(const QString& qtKey, const QString& callbackFunc,
                                       uint callbackId, const QString& extension, bool isBinary)
{
    if (!q->isAccessKey(qtKey, true))
        return;
    if (MimeTypeMap::add(extension, isBinary))
        q->gwtApiSuccessCallback(callbackFunc, int(callbackId));
    else
        q->gwtApiFailureCallback(callbackFunc, int(callbackId), 1000,
                                 QStringLiteral("Could not register extension: \"") + extension
                                     + QLatin1Char('"'));
}

void WebViewPrivate::registerMimeType(const QString& qtKey, const QString& callbackFunc,
                                      uint callbackId, const QString& mimeType,
                                      const QString& extension, bool isBinary,
                                      bool isDefaultExtension)
{
    if (!q->isAccessKey(qtKey, true))
        return;
    if (MimeTypeMap::add(mimeType, extension, isBinary, isDefaultExtension))
        q->gwtApiSuccessCallback(callbackFunc, int(callbackId));
    else
        q->gwtApiFailureCallback(callbackFunc, int(callbackId), 1000,
                                 QStringLiteral("Could not register mime type: \"") + mimeType
                                     + QStringLiteral("\" with associated extension: \"")
                                     + extension + QLatin1Char('"'));
}

void WebViewPrivate::tavrinDocToPdf(const QString& qtKey, const QString& callbackFunc,
                                    uint callbackId, const QString& docxml, const QString& pdfName)
{
    if (!q->isAccessKey(qtKey, true))
        return;
    QByteArray pdf;
    QString fileName;
    QString message;
    const int errCode = PdfGenerator::tavrinXmlToPdf(docxml, pdfName, pdf, fileName, message);
    if (errCode != 0) {
        q->gwtApiFailureCallback(callbackFunc, int(callbackId), errCode, message);
        return;
    }
    // The PDF reaches the page inside the answer only; nothing is written to disk.
    q->gwtApiImExFileCallback(callbackFunc, callbackId, fileName, pdf);
}
