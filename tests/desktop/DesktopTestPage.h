#ifndef VORNHELM_DESKTOPTESTPAGE_H
#define VORNHELM_DESKTOPTESTPAGE_H

#include <QGraphicsWebView>
#include <QSignalSpy>
#include <QTest>

#include "common/TestFiles.h"
#include "desktop/QtWebView.h"

// Loads a test page from disk into a real view; true once it has loaded and
// the view has handed it the access key.
inline bool loadPage(QtWebView& view, const QString& path)
{
    QSignalSpy loaded(view.graphicsWebView(), SIGNAL(loadFinished(bool)));
    view.loadFile(path);
    return QTest::qWaitFor([&]() { return loaded.count() > 0 && !view.accessKey().isEmpty(); }, 10000);
}

#endif // VORNHELM_DESKTOPTESTPAGE_H
