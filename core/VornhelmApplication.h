#ifndef VORNHELM_VORNHELMAPPLICATION_H
#define VORNHELM_VORNHELMAPPLICATION_H

#include <QApplication>

#include "desktop/QtWebAppViewer.h"

// The application object: lives on main's stack for the whole run and owns
// the window.
class VornhelmApplication : public QApplication
{
    Q_OBJECT
public:
    VornhelmApplication(int& argc, char** argv);
    ~VornhelmApplication() override;

    // Loads the host page, shows the window and runs the event loop.
    int run();

private:
    QtWebAppViewer m_viewer;
};

#endif // VORNHELM_VORNHELMAPPLICATION_H
