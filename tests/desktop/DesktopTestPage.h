#ifndef VORNHELM_DESKTOPTESTPAGE_H
#define VORNHELM_DESKTOPTESTPAGE_H

// Shared by the desktop view's tests: test pages written to disk and loaded
// into a real view.

#include <QGraphicsWebView>
#include <QSignalSpy>
#include <QTest>

#include "common/TestFiles.h"
#include "desktop/QtWebView.h"

// Loads the page into the view; true once it has loaded and the view has
// handed it the access key.
inline bool loadPage(QtWebView& view, const QString& path)
{
    QSignalSpy loaded(view.graphicsWebView(), SIGNAL(loadFinished(bool)));
    view.loadFile(path);
    return QTest::qWaitFor([&]() { return loaded.count() > 0 && !view.accessKey().isEmpty(); }, 10000);
}

#endif // VORNHELM_DESKTOPTESTPAGE_H
