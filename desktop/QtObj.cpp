#include "desktop/QtObj.h"
#include "desktop/QtWebViewPrivate.h"

namespace {

// QtObj's meta-object without its QObject base: the script bridge lists and
// calls what a meta-object shows, and QObject's public slot deleteLater()
// would let a page destroy the object under the program.
const QMetaObject& scriptMetaObject()
{
    static const QMetaObject meta = [] {
        QMetaObject m = QtObj::staticMetaObject;
        m.d.superdata = nullptr;
        return m;
    }();
    return meta;
}

// The face of QtObj that the page sees. Indexes into the script meta-object
// start at QtObj's own first method and property; they are moved back to
// QtObj's own numbering before the generated dispatcher runs.
class ScriptFacingQtObj : public QtObj
{
public:
    explicit ScriptFacingQtObj(QtWebViewPrivate* view)
        : QtObj(view)
    {
    }

    const QMetaObject* metaObject() const override { return &scriptMetaObject(); }

    int qt_metacall(QMetaObject::Call call, int id, void** args) override
    {
        // The bridge passes -1 for a page call it could not match to any
        // method or property (too few arguments, for one). Shifted, it would
        // name one of QObject's own members and run it on whatever the
        // arguments hold; left negative, the call does nothing.
        if (id < 0)
            return id;
        switch (call) {
        case QMetaObject::InvokeMetaMethod:
        case QMetaObject::RegisterMethodArgumentMetaType:
            return QtObj::qt_metacall(call, id + QObject::staticMetaObject.methodCount(), args);
        default:
            return QtObj::qt_metacall(call, id + QObject::staticMetaObject.propertyCount(), args);
        }
    }
};

} // namespace

QtObj* QtObj::create(QtWebViewPrivate* view)
{
    return new ScriptFacingQtObj(view);
}

QtObj::QtObj(QtWebViewPrivate* view)
    : QObject(view)
    , m_view(view)
{
}

void QtObj::registerExtension(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                              const QString& extension, bool isBinary)
{
    m_view->registerExtension(qtKey, callbackFunc, callbackId, extension, isBinary);
}

void QtObj::registerMimeType(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                             const QString& mimeType, const QString& extension, bool isBinary,
                             bool isDefaultExtension)
{
    m_view->registerMimeType(qtKey, callbackFunc, callbackId, mimeType, extension, isBinary,
                             isDefaultExtension);
}

void QtObj::sendMail(unsigned int frameId)
{
    m_view->sendMail(frameId);
}

void QtObj::sendMail(const QString& qtKey, const QString& callbackFunc, unsigned int callbackId,
                     const QString& toAddresses, const QString& subject, const QString& message,
                     const QString& ccAddresses, const QString& bccAddresses,
                     const QString& attachmentNames, const QString& attachmentData,
                     const QString& attachmentIsBin, bool isHTML, int priority, bool receipt)
{
    m_view->sendMail(qtKey, callbackFunc, callbackId, toAddresses, subject, message, ccAddresses,
                     bccAddresses, attachmentNames, attachmentData, attachmentIsBin, isHTML,
                     static_cast<Email::MailPriority>(priority), receipt);
}

void QtObj::tavrinDocToPdf(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                           const QString& docxml, const QString& pdfName)
{
    m_view->tavrinDocToPdf(qtKey, callbackFunc, callbackId, docxml, pdfName);
}
