#ifndef VORNHELM_WEBVIEWPRIVATE_H
#define VORNHELM_WEBVIEWPRIVATE_H

#include <QString>

#include "core/TempFileManager.h"

class WebView;

// The work behind the script operations of WebView. It answers the page
// through its back pointer to the view.
class WebViewPrivate
{
public:
    explicit WebViewPrivate(WebView* view);

    void registerExtension(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                           const QString& extension, bool isBinary);
    void registerMimeType(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                          const QString& mimeType, const QString& extension, bool isBinary,
                          bool isDefaultExtension);
    void tavrinDocToPdf(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                        const QString& docxml, const QString& pdfName);

    WebView* q;
    QString accessKey;
    TempFileManager tempFileManager;
};

#endif // VORNHELM_WEBVIEWPRIVATE_H
