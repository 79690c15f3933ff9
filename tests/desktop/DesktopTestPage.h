#ifndef VORNHELM_DESKTOPTESTPAGE_H
#define VORNHELM_DESKTOPTESTPAGE_H

// Shared by the desktop view's tests: test pages written to disk and loaded
// into a real view.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsWebView>
#include <QSignalSpy>
#include <QTest>

#include "desktop/QtWebView.h"

// Writes content to path, making its folder; an executable file on request.
inline bool writeFile(const QString& path, const QByteArray& content, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size()
           && (!executable || file.setPermissions(file.permissions() | QFile::ExeOwner));
}

// Loads the page into the view; true once it has loaded and the view has
// handed it the access key.
inline bool loadPage(QtWebView& view, const QString& path)
{
    QSignalSpy loaded(view.graphicsWebView(), SIGNAL(loadFinished(bool)));
    view.loadFile(path);
    return QTest::qWaitFor([&]() { return loaded.count() > 0 && !view.accessKey().isEmpty(); }, 10000);
}

#endif // VORNHELM_DESKTOPTESTPAGE_H
