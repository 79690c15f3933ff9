#include "core/ProcessLauncher.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QUrl>
#include <QWidget>

class ProcessLauncherPrivate
{
public:
    explicit ProcessLauncherPrivate(QWidget* parent) : parent(parent) {}

    QPointer<QWidget> parent;
};

ProcessLauncher::ProcessLauncher(QWidget* parent)
    : d(new ProcessLauncherPrivate(parent))
{
}

ProcessLauncher::~ProcessLauncher() = default;

bool ProcessLauncher::launch(const QString& path, const QStringList& args, bool detached) const
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile() || !info.isExecutable())
        return false;

    if (detached)
        return QProcess::startDetached(path, args);

    // The launcher is often a short-lived local object, and nobody waits for
    // the program: the process object goes away by itself once the program
    // has ended or could not be started.
    QProcess* process = new QProcess(d->parent.data());
    QObject::connect(process, SIGNAL(finished(int, QProcess::ExitStatus)),
                     process, SLOT(deleteLater()));
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart)
                             process->deleteLater();
                     });
    process->start(path, args, QIODevice::ReadWrite);
    return true;
}

bool ProcessLauncher::openLocal(const QString& path) const
{
    // Made from the path rather than from text, so that "#", "?" and "%" in
    // a file name stay part of the path.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::fromNativeSeparators(path)));
}
