#ifndef VORNHELM_QTWEBAPPVIEWER_H
#define VORNHELM_QTWEBAPPVIEWER_H

#include <QWidget>

class QtWebView;

// The program's window: the desktop web view filling it with no margin.
class QtWebAppViewer : public QWidget
{
    Q_OBJECT
public:
    explicit QtWebAppViewer(QWidget* parent = nullptr);
    ~QtWebAppViewer() override;

    QtWebView* webView() const;

private:
    QtWebView* m_webView;
};

#endif // VORNHELM_QTWEBAPPVIEWER_H
