#include "core/VornhelmApplication.h"

#include "desktop/QtWebView.h"

namespace {
const QString HOST_PAGE_REL_PATH = QStringLiteral("html/index.html");
const QString APP_NAME = QStringLiteral("Vornhelm");
} // namespace

VornhelmApplication::VornhelmApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(APP_NAME);
}

VornhelmApplication::~VornhelmApplication() = default;

int VornhelmApplication::run()
{
    m_viewer.webView()->loadFile(HOST_PAGE_REL_PATH);
    m_viewer.show();
    return exec();
}
