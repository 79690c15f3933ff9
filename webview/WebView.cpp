#include "webview/WebView.h"
#include "webview/WebViewPrivate.h"

#include <QFile>
#include <QFileInfo>
#include <QtNumeric>
#include <QRandomGenerator>
#include <QStringList>

#include "mime/MimeTypeMap.h"

namespace {

const QString CALLBACK_INTRA_ARG_DELIMIITER = QStringLiteral("_INTRADELIM_");
const QString ACCESS_KEY_COOKIE = QStringLiteral("QT_ACCESS_KEY_COOKIE");
const QString ACCESS_KEY_CHARS =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
const int ACCESS_KEY_LENGTH = 64;

const QString NO_ACCESS_KEY_MSG = QStringLiteral("No access key provided.");
const QString INVALID_ACCESS_KEY_MSG = QStringLiteral("Invalid access key provided.");

const QString JS_INVOKE_CALLBACK = QStringLiteral("invokeCallback( '");
const QString JS_INVOKE_ON_ERROR = QStringLiteral("invokeOnErrorCallback( null, ");
const QString JS_ARG_SEP = QStringLiteral(", ");
const QString JS_CALL_END = QStringLiteral(" );");

QString newAccessKey()
{
    // The system generator draws from the operating system's cryptographic source.
    QRandomGenerator* random = QRandomGenerator::system();
    QString key;
    key.reserve(ACCESS_KEY_LENGTH);
    for (int i = 0; i < ACCESS_KEY_LENGTH; ++i)
        key.append(ACCESS_KEY_CHARS.at(random->bounded(ACCESS_KEY_CHARS.size())));
    return key;
}

QString jsValue(const QVariant& item)
{
    switch (item.userType()) {
    case QMetaType::Bool:
        return item.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return item.toString();
    case QMetaType::Double:
    case QMetaType::Float: {
        // "nan" and "inf" are no script numbers: the answer would throw.
        const double value = item.toDouble();
        if (qIsNaN(value))
            return QStringLiteral("NaN");
        if (qIsInf(value))
            return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
        return QString::number(value, 'g', 17);
    }
    case QMetaType::UnknownType:
        return QStringLiteral("null");
    default:
        return QLatin1Char('\'') + WebView::escapeJsSingleQuotedLiteral(item.toString())
               + QLatin1Char('\'');
    }
}

} // namespace

WebView::WebView(QWidget* parent)
    : QWidget(parent)
    , d(new WebViewPrivate(this))
{
}

WebView::~WebView() = default;

bool WebView::isAccessKey(const QString& qtKey, bool reportError)
{
    // No key has been issued before the page's first load: nothing matches then.
    if (!d->accessKey.isEmpty() && qtKey == d->accessKey)
        return true;
    if (reportError) {
        const QString message =
            qtKey.trimmed().isEmpty() ? NO_ACCESS_KEY_MSG : INVALID_ACCESS_KEY_MSG;
        wepAppErrorCallback(QT_ERR_ACCESS_DENIED, QList<QVariant>() << message);
    }
    return false;
}

QString WebView::accessKey() const
{
    return d->accessKey;
}

void WebView::onContentInit()
{
    d->accessKey = newAccessKey();
    evaluateJavaScript(QStringLiteral("if (typeof setCookie == 'function') setCookie( '")
                       + ACCESS_KEY_COOKIE + QStringLiteral("', '") + d->accessKey
                       + QStringLiteral("' );"));
}

void WebView::wepAppErrorCallback(WebViewErrorCode code, const QList<QVariant>& items)
{
    evaluateJavaScript(JS_INVOKE_ON_ERROR + QString::number(int(code)) + JS_ARG_SEP
                       + toJsArray(items) + JS_CALL_END);
}

void WebView::webAppCallback(const QString& callbackFunc, const QList<QVariant>& args,
                             StateChangedEvent event)
{
    if (callbackFunc.isEmpty())
        return;
    evaluateJavaScript(JS_INVOKE_CALLBACK + escapeJsSingleQuotedLiteral(callbackFunc)
                       + QStringLiteral("', ") + toJsArray(args) + JS_ARG_SEP
                       + QString::number(int(event)) + JS_CALL_END);
}

void WebView::gwtApiCallback(const QString& callbackFunc, int callbackId, bool success,
                             int errCode, const QVariant& result, const QList<QVariant>& items)
{
    QList<QVariant> args;
    args.reserve(4 + items.size());
    args << callbackId << success << errCode << result;
    args.append(items);
    webAppCallback(callbackFunc, args, NO_EVENT);
}

void WebView::gwtApiSuccessCallback(const QString& callbackFunc, int callbackId)
{
    gwtApiCallback(callbackFunc, callbackId, true, 0, QString());
}

void WebView::gwtApiFailureCallback(const QString& callbackFunc, int callbackId, int errCode,
                                    QString message)
{
    gwtApiCallback(callbackFunc, callbackId, false, errCode, message);
}

void WebView::gwtApiImExFileCallback(const QString& callbackFunc, uint callbackId,
                                     const QString& filePath, const QByteArray& data)
{
    if (callbackFunc.isEmpty() || filePath.isEmpty())
        return;

    const QString fileName = QFileInfo(filePath).fileName();
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString(QLatin1String("")) : fileName.mid(dot + 1).toLower();
    const bool binary = MimeTypeMap::isBinary(filePath);

    QByteArray bytes = data;
    if (bytes.isEmpty()) {
        QFile file(filePath);
        if (!file.open(QIODevice::ReadOnly)) {
            gwtApiFailureCallback(callbackFunc, int(callbackId), int(file.error()),
                                  file.errorString() + QStringLiteral(" (File Path: ") + filePath
                                      + QLatin1Char(')'));
            return;
        }
        bytes = file.readAll();
    }

    QString content;
    if (binary) {
        content = QString::fromLatin1(bytes.toBase64());
    } else {
        const int nul = bytes.indexOf('\0');
        content = QString::fromUtf8(nul < 0 ? bytes : bytes.left(nul));
    }
    gwtApiCallback(callbackFunc, int(callbackId), true, 0, QString(),
                   QList<QVariant>() << fileName << content
                                     << (binary ? QStringLiteral("1") : QStringLiteral("0"))
                                     << extension);
}

QString WebView::callbackIntraArgDelimiter() const
{
    return CALLBACK_INTRA_ARG_DELIMIITER;
}

QString WebView::removeDelimitedListEmptyItems(const QString& list, const QString& delimiter)
{
    if (delimiter.isEmpty() || !list.contains(delimiter, Qt::CaseSensitive))
        return list;
    QStringList kept;
    const QStringList items = list.split(delimiter, Qt::KeepEmptyParts, Qt::CaseSensitive);
    for (const QString& item : items) {
        if (!item.trimmed().isEmpty())
            kept << item;
    }
    return kept.join(delimiter);
}

QString WebView::toJsArray(const QList<QVariant>& items)
{
    QString js = QStringLiteral("[");
    for (int i = 0; i < items.size(); ++i) {
        if (i > 0)
            js += QLatin1Char(',');
        js += jsValue(items.at(i));
    }
    js += QLatin1Char(']');
    return js;
}

QString WebView::escapeJsSingleQuotedLiteral(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8 + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\'': out += QLatin1String("\\'"); break;
        case '"': out += QLatin1String("\\\""); break;
        case '\r': break;
        case '\n': out += QLatin1String("\\n"); break;
        // Line and paragraph separators end a script string literal.
        case 0x2028: out += QLatin1String("\\u2028"); break;
        case 0x2029: out += QLatin1String("\\u2029"); break;
        default: out += c; break;
        }
    }
    return out;
}

TempFileManager* WebView::tempFileManager() const
{
    return &d->tempFileManager;
}

void WebView::registerExtension(const QString& qtKey, const QString& callbackFunc,
                                uint callbackId, const QString& extension, bool isBinary)
{
    d->registerExtension(qtKey, callbackFunc, callbackId, extension, isBinary);
}

void WebView::registerMimeType(const QString& qtKey, const QString& callbackFunc,
                               uint callbackId, const QString& mimeType, const QString& extension,
                               bool isBinary, bool isDefaultExtension)
{
    d->registerMimeType(qtKey, callbackFunc, callbackId, mimeType, extension, isBinary,
                        isDefaultExtension);
}

void WebView::tavrinDocToPdf(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                             const QString& docxml, const QString& pdfName)
{
    d->tavrinDocToPdf(qtKey, callbackFunc, callbackId, docxml, pdfName);
}
