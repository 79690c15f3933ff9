#include "desktop/QtWebViewPrivate.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QGraphicsWebView>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QWebFrame>
#include <QWebPage>
#include <QWebSettings>

#include "core/TempFileManager.h"
#include "desktop/QtObj.h"
#include "desktop/QtWebView.h"
#include "devtools/HelpBrowserDialog.h"
#include "devtools/JsInjectorDialog.h"

namespace {

const QString TEMP_FOLDER_NAME = QStringLiteral("temp");
const QString HELP_FOLDER_NAME = QStringLiteral("help");
const QString RESOURCES_REL_PATH = QStringLiteral("/../Resources/");

const QString SCRIPT_OBJECT_NAME = QStringLiteral("QtObj");
const char* const FRAME_ID_PROPERTY = "vornhelmFrameId";

// The frame functions of every frame that holds the script object: its id,
// and the store that the frame-id calls read their values from.
const QString FRAME_FUNCTIONS_JS = QStringLiteral(
    "window.frameId = function() { return %1; };"
    "window.qtCallbackParameters = function(parmsArray) {"
    " try { window.qtParametersArray = parmsArray; } catch (e) {}"
    " return frameId(); };");

// Bare expressions: their completion value is the result, and the page's own
// globals stay untouched.
const QString FRAME_ID_JS = QStringLiteral("typeof(frameId) == 'function' ? frameId() : -1;");
const QString PARMS_COUNT_JS = QStringLiteral(
    "(window.qtParametersArray && window.qtParametersArray.length) ? window.qtParametersArray.length : 0;");
const QString PARM_JS = QStringLiteral(
    "window.qtParametersArray ? window.qtParametersArray[%1] : undefined;");
const QString PARMS_CLEAR_JS = QStringLiteral("window.qtParametersArray=[];");
const QString TOGGLE_HELP_JS = QStringLiteral("toggleHelp();");

// The mail request.
const QString MAIL_ADDRESS_DELIMITER = QStringLiteral(";");
const QString MAIL_BINARY_FLAG = QStringLiteral("1");
const QString EMPTY_TEXT = QLatin1String("");
const int MAIL_CLIENT_FAILED_CODE = 1000;
const int MAIL_FILE_CREATION_FAILED_CODE = 1003;
const int MAIL_CLIENT_ERROR_CODE = 2000;
const QString NO_MAIL_CLIENT_MSG =
    QStringLiteral("A default mail client has not been setup on this computer.");
const QString MAIL_FILE_CREATION_FAILED_MSG = QStringLiteral("File creation failed.");
const QString MAIL_LAUNCH_FAILED_MSG = QStringLiteral("Mail client launch failed.");
const QString MAIL_UNKNOWN_ERROR_MSG = QStringLiteral("Unknown error encountered.");

// Items of the frame-id form's store, in the keyed form's argument order.
enum MailStoreItem : unsigned int {
    MailKeyItem = 0,
    MailCallbackFuncItem,
    MailCallbackIdItem,
    MailToItem,
    MailSubjectItem,
    MailMessageItem,
    MailCcItem,
    MailBccItem,
    MailAttachmentNamesItem,
    MailAttachmentDataItem,
    MailAttachmentIsBinItem,
    MailIsHtmlItem,
    MailPriorityItem,
    MailReceiptItem
};
const int MAIL_STORE_NO_CALLBACK_ID = -1;

} // namespace

QtWebViewPrivate::QtWebViewPrivate(QtWebView* view)
    : QGraphicsView(view)
    , m_webView(nullptr)
    , m_injector(nullptr)
    , q(view)
    , m_qtObj(nullptr)
    , m_menuBar(nullptr)
    , m_nextFrameId(1)
    , m_contentInitialised(false)
{
    // The program makes its one view as it starts, before the page loads:
    // the attachment folders an earlier run left go now if a day old, as at
    // every request. Younger ones stay: the mail client keeps running after
    // the program quits, and a compose window opened before a restart reads
    // its attachments only when its message is saved or sent.
    TempFileManager::removeStaleRequestFolders(adjustPath(TEMP_FOLDER_NAME));

    setScene(new QGraphicsScene(this));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_webView = new QGraphicsWebView();
    scene()->addItem(m_webView); // the scene owns the page view from here on

    QWebSettings* settings = m_webView->settings();
    settings->setAttribute(QWebSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebSettings::DeveloperExtrasEnabled, m_settings.developerOptions());

    m_qtObj = QtObj::create(this);

    QWebPage* page = m_webView->page();
    connect(page, SIGNAL(frameCreated(QWebFrame*)), this, SLOT(onFrameCreated(QWebFrame*)));
    onFrameCreated(page->mainFrame());
    connect(page->mainFrame(), SIGNAL(loadFinished(bool)), this, SLOT(onLoadFinished(bool)));

    m_injector = new JsInjectorDialog(view);
    m_injector->hide();

    setupMenuBar();
}

QtWebViewPrivate::~QtWebViewPrivate()
{
    delete m_injector;
}

QString QtWebViewPrivate::adjustPath(const QString& path)
{
    if (QFileInfo(path).isRelative())
        return QCoreApplication::applicationDirPath() + RESOURCES_REL_PATH + path;
    return QFileInfo(path).absoluteFilePath();
}

void QtWebViewPrivate::setupMenuBar()
{
    m_menuBar = new QMenuBar(q);
    if (m_settings.developerOptions()) {
        QMenu* tools = m_menuBar->addMenu(tr("&Tools"));
        QAction* injector = tools->addAction(tr("In&jector"));
        connect(injector, SIGNAL(triggered()), this, SLOT(showInjector()));
    }
    QMenu* help = m_menuBar->addMenu(tr("&Help"));
    QAction* helpAction = help->addAction(tr("&Help"));
    connect(helpAction, SIGNAL(triggered()), this, SLOT(showHelp()));
}

QMenuBar* QtWebViewPrivate::menuBar() const
{
    return m_menuBar;
}

QtObj* QtWebViewPrivate::scriptObject() const
{
    return m_qtObj;
}

void QtWebViewPrivate::resizeEvent(QResizeEvent* event)
{
    QGraphicsView::resizeEvent(event);
    const QRectF area(QPointF(0, 0), viewport()->size());
    scene()->setSceneRect(area);
    m_webView->setGeometry(area);
}

void QtWebViewPrivate::onFrameCreated(QWebFrame* frame)
{
    connect(frame, SIGNAL(javaScriptWindowObjectCleared()), this,
            SLOT(onJavaScriptWindowObjectCleared()));
}

void QtWebViewPrivate::onJavaScriptWindowObjectCleared()
{
    QWebFrame* frame = qobject_cast<QWebFrame*>(sender());
    if (!frame)
        return;
    // A child frame's url() is still empty at this point: its requested URL
    // tells where it is going.
    const bool allowed = frame == m_webView->page()->mainFrame()
                         || frame->requestedUrl().isLocalFile();
    if (allowed)
        installScriptObject(frame);
}

void QtWebViewPrivate::installScriptObject(QWebFrame* frame)
{
    bool known = false;
    uint id = frame->property(FRAME_ID_PROPERTY).toUInt(&known);
    if (!known || id == 0) {
        id = m_nextFrameId++;
        frame->setProperty(FRAME_ID_PROPERTY, id);
    }
    frame->addToJavaScriptWindowObject(SCRIPT_OBJECT_NAME, m_qtObj);
    frame->evaluateJavaScript(FRAME_FUNCTIONS_JS.arg(id));
}

void QtWebViewPrivate::onLoadFinished(bool ok)
{
    Q_UNUSED(ok)
    if (!m_contentInitialised) {
        m_contentInitialised = true;
        q->onContentInit();
    }
}

QVariant QtWebViewPrivate::evaluateInFrame(QWebFrame* frame, const QString& script)
{
    return frame ? frame->evaluateJavaScript(script) : QVariant();
}

QWebFrame* QtWebViewPrivate::frame(unsigned int frameId)
{
    return frame(m_webView->page()->mainFrame(), frameId);
}

QWebFrame* QtWebViewPrivate::frame(QWebFrame* parent, unsigned int frameId)
{
    const QList<QWebFrame*> children = parent->childFrames();
    for (QWebFrame* child : children) {
        bool ok = false;
        const qlonglong id = evaluateInFrame(child, FRAME_ID_JS).toLongLong(&ok);
        // A frame without the function reads -1 and never matches.
        if (ok && id >= 0 && quint64(id) == frameId)
            return child;
        if (QWebFrame* found = frame(child, frameId))
            return found;
    }
    return nullptr;
}

int QtWebViewPrivate::callbackParmsCount(QWebFrame* frame)
{
    return evaluateInFrame(frame, PARMS_COUNT_JS).toInt();
}

QString QtWebViewPrivate::callbackParmToString(QWebFrame* frame, unsigned int index)
{
    const QVariant value = evaluateInFrame(frame, PARM_JS.arg(index));
    return value.isValid() ? value.toString() : QString(QLatin1String(""));
}

int QtWebViewPrivate::callbackParmToInt(QWebFrame* frame, unsigned int index)
{
    return evaluateInFrame(frame, PARM_JS.arg(index)).toInt();
}

bool QtWebViewPrivate::callbackParmToBool(QWebFrame* frame, unsigned int index)
{
    return evaluateInFrame(frame, PARM_JS.arg(index)).toBool();
}

void QtWebViewPrivate::callbackParmsClear(QWebFrame* frame)
{
    evaluateInFrame(frame, PARMS_CLEAR_JS);
}

void QtWebViewPrivate::showInjector()
{
    m_injector->webView = m_webView;
    m_injector->show();
}

void QtWebViewPrivate::showHelp()
{
    if (m_settings.helpDocUsesEngine()) {
        // Every request makes a new dialog with its own help engine. Nothing
        // keeps a pointer to it, so it frees itself when closed; until then
        // this object owns it through the object tree.
        auto* dialog = new HelpBrowserDialog(adjustPath(HELP_FOLDER_NAME), m_settings.helpDocName(),
                                             m_settings.helpDocVirtualFolder(),
                                             adjustPath(m_settings.windowIconPath()), this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
    } else {
        m_webView->page()->mainFrame()->evaluateJavaScript(TOGGLE_HELP_JS);
    }
}

void QtWebViewPrivate::registerExtension(const QString& qtKey, const QString& callbackFunc,
                                         uint callbackId, const QString& extension, bool isBinary)
{
    q->registerExtension(qtKey, callbackFunc, callbackId, extension, isBinary);
}

void QtWebViewPrivate::registerMimeType(const QString& qtKey, const QString& callbackFunc,
                                        uint callbackId, const QString& mimeType,
                                        const QString& extension, bool isBinary,
                                        bool isDefaultExtension)
{
    q->registerMimeType(qtKey, callbackFunc, callbackId, mimeType, extension, isBinary,
                        isDefaultExtension);
}

void QtWebViewPrivate::sendMail(unsigned int frameId)
{
    QWebFrame* caller = frame(frameId);
    if (!caller)
        return;

    const int count = callbackParmsCount(caller);
    const auto has = [count](MailStoreItem item) { return int(item) < count; };
    const auto text = [this, caller, &has](MailStoreItem item) {
        return has(item) ? callbackParmToString(caller, item) : EMPTY_TEXT;
    };
    const QString qtKey = text(MailKeyItem);
    const QString callbackFunc = text(MailCallbackFuncItem);
    const int callbackId = has(MailCallbackIdItem) ? callbackParmToInt(caller, MailCallbackIdItem)
                                                   : MAIL_STORE_NO_CALLBACK_ID;
    const QString toAddresses = text(MailToItem);
    const QString subject = text(MailSubjectItem);
    const QString message = text(MailMessageItem);
    const QString ccAddresses = text(MailCcItem);
    const QString bccAddresses = text(MailBccItem);
    const QString attachmentNames = text(MailAttachmentNamesItem);
    const QString attachmentData = text(MailAttachmentDataItem);
    const QString attachmentIsBin = text(MailAttachmentIsBinItem);
    const bool isHTML = has(MailIsHtmlItem) && callbackParmToBool(caller, MailIsHtmlItem);
    const int priority = has(MailPriorityItem) ? callbackParmToInt(caller, MailPriorityItem)
                                               : int(Email::Normal);
    const bool receipt = has(MailReceiptItem) && callbackParmToBool(caller, MailReceiptItem);

    // Emptied before anything is checked: a refused call leaves no values behind.
    callbackParmsClear(caller);

    sendMail(qtKey, callbackFunc, static_cast<unsigned int>(callbackId), toAddresses, subject,
             message, ccAddresses, bccAddresses, attachmentNames, attachmentData, attachmentIsBin,
             isHTML, static_cast<Email::MailPriority>(priority), receipt);
}

void QtWebViewPrivate::sendMail(const QString& qtKey, const QString& callbackFunc,
                                unsigned int callbackId, const QString& toAddresses,
                                const QString& subject, const QString& message,
                                const QString& ccAddresses, const QString& bccAddresses,
                                const QString& attachmentNames, const QString& attachmentData,
                                const QString& attachmentIsBin, bool isHTML,
                                Email::MailPriority priority, bool receipt)
{
    if (!q->isAccessKey(qtKey, true))
        return;
    // The page's call number goes back as it was given, read as signed.
    const int id = int(callbackId);
    if (!Email::isDefaultMailClientSetup()) {
        q->gwtApiFailureCallback(callbackFunc, id, MAIL_CLIENT_FAILED_CODE, NO_MAIL_CLIENT_MSG);
        return;
    }

    Email email;
    email.tempDir = adjustPath(TEMP_FOLDER_NAME);
    // Whatever an earlier request or export left there goes now.
    email.cleanTempDir();

    email.to = WebView::removeDelimitedListEmptyItems(toAddresses, MAIL_ADDRESS_DELIMITER);
    email.cc = WebView::removeDelimitedListEmptyItems(ccAddresses, MAIL_ADDRESS_DELIMITER);
    email.bcc = WebView::removeDelimitedListEmptyItems(bccAddresses, MAIL_ADDRESS_DELIMITER);
    email.subject = subject;
    email.body = message;
    email.isHtml = isHTML;
    email.priority = priority;
    email.readReceipt = receipt;

    // Each list is cleaned of blank items on its own, then the lists are
    // paired by position as far as all three reach.
    const QString delimiter = q->callbackIntraArgDelimiter();
    const auto items = [&delimiter](const QString& list) {
        return WebView::removeDelimitedListEmptyItems(list, delimiter)
            .split(delimiter, Qt::KeepEmptyParts, Qt::CaseSensitive);
    };
    const QStringList names = items(attachmentNames);
    const QStringList data = items(attachmentData);
    const QStringList flags = items(attachmentIsBin);
    for (int i = 0; i < names.size() && i < data.size() && i < flags.size(); ++i)
        email.addAttachment(names.at(i), data.at(i), flags.at(i) == MAIL_BINARY_FLAG);

    switch (email.send()) {
    case Email::SendOk:
        q->gwtApiSuccessCallback(callbackFunc, id);
        break;
    case Email::SendFileCreationFailed:
        q->gwtApiFailureCallback(callbackFunc, id, MAIL_FILE_CREATION_FAILED_CODE,
                                 MAIL_FILE_CREATION_FAILED_MSG);
        break;
    case Email::SendLaunchFailed:
        q->gwtApiFailureCallback(callbackFunc, id, MAIL_CLIENT_FAILED_CODE, MAIL_LAUNCH_FAILED_MSG);
        break;
    default:
        q->gwtApiFailureCallback(callbackFunc, id, MAIL_CLIENT_ERROR_CODE,
                                 email.lastError.isEmpty() ? MAIL_UNKNOWN_ERROR_MSG : email.lastError);
        break;
    }
}

void QtWebViewPrivate::tavrinDocToPdf(const QString& qtKey, const QString& callbackFunc,
                                      uint callbackId, const QString& docxml,
                                      const QString& pdfName)
{
    q->tavrinDocToPdf(qtKey, callbackFunc, callbackId, docxml, pdfName);
}
