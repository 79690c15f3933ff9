#ifndef VORNHELM_PROCESSLAUNCHER_H
#define VORNHELM_PROCESSLAUNCHER_H

#include <QScopedPointer>
#include <QString>
#include <QStringList>

class QWidget;
class ProcessLauncherPrivate;

// Starts programs, attached or detached, and opens local files with the
// desktop's handler for their type.
class ProcessLauncher
{
public:
    // Processes started attached become children of parent (may be null).
    explicit ProcessLauncher(QWidget* parent);
    ~ProcessLauncher();

    // False when path names no existing executable file. Detached: starts
    // path with args (one argument each, no shell) and returns whether the
    // start succeeded. Attached: starts it and returns true without waiting.
    bool launch(const QString& path, const QStringList& args, bool detached) const;

    // Opens the file URL of path with the desktop's default application;
    // returns whether the desktop accepted it. Backslashes stay as they are:
    // on Linux they are file-name characters, not separators.
    bool openLocal(const QString& path) const;

private:
    Q_DISABLE_COPY(ProcessLauncher)
    QScopedPointer<ProcessLauncherPrivate> d;
};

#endif // VORNHELM_PROCESSLAUNCHER_H
