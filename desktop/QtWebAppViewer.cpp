#include "desktop/QtWebAppViewer.h"

#include <QIcon>
#include <QVBoxLayout>

#include "core/AppSettings.h"
#include "desktop/QtWebView.h"
#include "desktop/QtWebViewPrivate.h"

namespace {
const QString WINDOW_TITLE = QStringLiteral("Vornhelm");
const int WINDOW_WIDTH = 800;
const int WINDOW_HEIGHT = 600;
} // namespace

QtWebAppViewer::QtWebAppViewer(QWidget* parent)
    : QWidget(parent)
    , m_webView(new QtWebView(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_webView);

    setWindowTitle(WINDOW_TITLE);
    setWindowIcon(QIcon(QtWebViewPrivate::adjustPath(AppSettings().windowIconPath())));
    resize(WINDOW_WIDTH, WINDOW_HEIGHT);
}

QtWebAppViewer::~QtWebAppViewer() = default;

QtWebView* QtWebAppViewer::webView() const
{
    return m_webView;
}
