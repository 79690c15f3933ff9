#ifndef VORNHELM_QTOBJ_H
#define VORNHELM_QTOBJ_H

#include <QObject>
#include <QString>

#include "mail/Email.h"

class QtWebViewPrivate;

// The script object the page sees as QtObj. Every public slot of an object
// handed to the page is callable from script, so this object carries the
// script operations and nothing else; each forwards to the view's private
// object in one line. Objects are made through create(), which also hides
// the slots every QObject inherits (deleteLater()) from the page.
class QtObj : public QObject
{
    Q_OBJECT
public:
    // The new object is owned by the view.
    static QtObj* create(QtWebViewPrivate* view);

public slots:
    void registerExtension(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                           const QString& extension, bool isBinary);
    void registerMimeType(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                          const QString& mimeType, const QString& extension, bool isBinary,
                          bool isDefaultExtension);
    void tavrinDocToPdf(const QString& qtKey, const QString& callbackFunc, uint callbackId,
                        const QString& docxml, const QString& pdfName);
    // The script bridge delivers no call with more than 10 arguments, so a
    // page reaches the keyed form with 6 to 10 of them; a longer request
    // stores its values in the frame first and passes the frame's id:
    //   var id = qtCallbackParameters([ ...14 values... ]); QtObj.sendMail(id);
    // The priority is an int: a script number never converts to an enum
    // parameter.
    void sendMail(unsigned int frameId);
    void sendMail(const QString& qtKey, const QString& callbackFunc, unsigned int callbackId,
                  const QString& toAddresses, const QString& subject, const QString& message,
                  const QString& ccAddresses = QString(), const QString& bccAddresses = QString(),
                  const QString& attachmentNames = QString(),
                  const QString& attachmentData = QString(),
                  const QString& attachmentIsBin = QString(), bool isHTML = false,
                  int priority = Email::Normal, bool receipt = false);

protected:
    explicit QtObj(QtWebViewPrivate* view);

private:
    QtWebViewPrivate* m_view;
};

#endif // VORNHELM_QTOBJ_H
