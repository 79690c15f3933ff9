#ifndef VORNHELM_MACTOOLKIT_H
#define VORNHELM_MACTOOLKIT_H

#include <QString>

// Operating-system services: the default mail client and running shell
// scripts, including scripts that feed AppleScript to osascript.
//
// On desktops following the freedesktop.org standards the default mail
// client is the desktop entry registered for "x-scheme-handler/mailto"
// (asked of xdg-mime), and a running application is never made to quit.
class MacToolKit
{
public:
    MacToolKit() = delete;

    // Name of the application registered for "mailto:" URLs, asked anew at
    // every call; a null string when none is registered or it cannot be found.
    static QString defaultMailClient();

    // Absolute path of that application's own program, which takes the
    // arguments it is given as its own: read from the entry's command line
    // past the wrappers that DesktopExec follows (env, nice, nohup, setsid),
    // and for a flatpak application the launcher its installation exports
    // (the user's installation first). A null string when no application is
    // registered or its program cannot be found; never the path of a wrapper,
    // a shell, a launcher or a terminal.
    static QString defaultMailClientOpenCommand();

    // A shell script ("#!/bin/bash" first) that hands the AppleScript text
    // to osascript on its standard input, byte for byte, followed by one
    // line feed. Nothing in the text is expanded or run by the shell.
    static QString toBash(const QString& script);

    // The AppleScript that asks a running application of that name to quit.
    static QString quitAppAppleScript(const QString& appName);

    // The shell script run before the application of that name is started
    // with a new command line. It leaves every running process alone and
    // succeeds: a running application takes the new command line itself,
    // and ending it would lose the user's unsaved work.
    static QString quitAppBash(const QString& appName);

    // Runs "/bin/sh path", waiting without a time limit, and keeps its
    // standard output and error. True exactly when the error text is blank.
    // A missing file gives false with both texts empty.
    static bool executeBashScript(const QString& path, QString& output, QString& error);
};

#endif // VORNHELM_MACTOOLKIT_H
