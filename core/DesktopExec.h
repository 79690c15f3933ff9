#ifndef VORNHELM_DESKTOPEXEC_H
#define VORNHELM_DESKTOPEXEC_H

#include <QString>
#include <QStringList>

// The command line of a freedesktop.org desktop entry (its "Exec" key), and
// the client program that it starts.
class DesktopExec
{
public:
    DesktopExec() = delete;

    // What a command line starts, seen through the wrappers that only set up
    // the client's surroundings. At most one of the two is set; both are null
    // when the line names no client that can be told.
    struct Client
    {
        QString program;    // as written: a path, or a name to look up on PATH
        QString flatpakApp; // the ID of a flatpak application
    };

    // The value of a desktop-entry string key with its escapes ("\s", "\n",
    // "\t", "\r", "\\") read.
    static QString stringValue(const QString& rawValue);

    // The arguments of a raw "Exec" value: the string escapes read first,
    // then words split at blanks, a word in double quotes taken whole with
    // "\"", "\`", "\$" and "\\" inside read as the character. Outside quotes
    // "%%" is "%" and field codes ("%u", "%F", ...) are dropped, a word made
    // of field codes alone with them; inside quotes "%" stands for itself.
    // Empty for an empty value or one with an unclosed quote.
    static QStringList arguments(const QString& rawValue);

    // The client of a command line. Wrappers that start the program after
    // their options unchanged are followed, their simple options passed over:
    // "env" ("-i", "-", "-u NAME", "--", then NAME=value words), "nice"
    // ("-n N", "-nN", "-N", "--adjustment=N", "--adjustment N", "--"),
    // "nohup" ("--") and "setsid" ("-c", "-f", "-w" and their long forms,
    // "--"). "flatpak run" with its options gives the application ID that
    // follows. Past them the program must be Thunderbird's, told by its file
    // name with case aside: a name that contains "thunderbird"
    // ("thunderbird-bin", "Thunderbird-128.0.AppImage",
    // "/snap/bin/thunderbird"), "icedove" or "betterbird". Any other program
    // (a shell, a launcher, a terminal, a wrapper not followed, another
    // client), any other form of the followed wrappers and one that is
    // followed by no program give no client.
    static Client client(const QStringList& arguments);
};

#endif // VORNHELM_DESKTOPEXEC_H
