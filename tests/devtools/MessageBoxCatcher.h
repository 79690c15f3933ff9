#ifndef VORNHELM_TESTS_MESSAGEBOXCATCHER_H
#define VORNHELM_TESTS_MESSAGEBOXCATCHER_H

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

// Notes "title/text" of every message box that opens while it lives and
// dismisses it, so that a warning does not block the test.
struct MessageBoxCatcher
{
    QStringList seen;
    QTimer timer;
    MessageBoxCatcher()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen << box->windowTitle() + QLatin1Char('/') + box->text();
                box->done(QMessageBox::Ok);
            }
        });
        timer.start(10);
    }
};

#endif // VORNHELM_TESTS_MESSAGEBOXCATCHER_H
