#ifndef VORNHELM_ATTACHMENTFILENAMES_H
#define VORNHELM_ATTACHMENTFILENAMES_H

#include <QString>
#include <QStringList>

// The file names of a message's attachments: the name the message declares,
// and the names of the files that the hand-off writes, one file each.
class AttachmentFileNames
{
public:
    AttachmentFileNames() = delete;

    // The last part of the given name after any "/" or "\", so that nothing
    // is written or attached outside the message's folder, without control
    // characters, which no file name or header takes, and with U+FFFD for
    // each lone surrogate, which no UTF-8 name holds. Null when nothing
    // usable is left.
    static QString declared(const QString& name);

    // The names of the attachment files in one folder: each at most 255 bytes
    // of UTF-8 (its end cut off before the extension), and a name already
    // taken in any case, as on case-insensitive disks, numbered: "x.txt",
    // "x (2).txt", "x (3).txt". Null where the name leaves no file name.
    static QStringList files(const QStringList& names);
};

#endif // VORNHELM_ATTACHMENTFILENAMES_H
