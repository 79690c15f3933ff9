#include "webview/WebViewPrivate.h"
#include "webview/WebView.h"

#include "mime/MimeTypeMap.h"
#include "pdf/PdfGenerator.h"

namespace {

const int REGISTRATION_REFUSED_CODE = 1000;
const QString REGISTER_EXTENSION_FAILED_MSG = QStringLiteral("Could not register extension: ");
const QString REGISTER_MIME_TYPE_FAILED_MSG = QStringLiteral("Could not register mime type: ");
const QString WITH_ASSOCIATED_EXTENSION_MSG = QStringLiteral(" with associated extension: ");

QString doubleQuoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

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
        q->gwtApiFailureCallback(callbackFunc, int(callbackId), REGISTRATION_REFUSED_CODE,
                                 REGISTER_EXTENSION_FAILED_MSG + doubleQuoted(extension));
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
        q->gwtApiFailureCallback(callbackFunc, int(callbackId), REGISTRATION_REFUSED_CODE,
                                 REGISTER_MIME_TYPE_FAILED_MSG + doubleQuoted(mimeType)
                                     + WITH_ASSOCIATED_EXTENSION_MSG + doubleQuoted(extension));
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
