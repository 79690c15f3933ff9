#ifndef VORNHELM_HELPCOLLECTIONCHOICE_H
#define VORNHELM_HELPCOLLECTIONCHOICE_H

#include <QString>

// Which collection file the help engine is given, such that it never writes
// the files of the help folder it was asked to open. The engine has no
// read-only mode: where the documentation file's time differs from the one
// the collection recorded (a copy that lost its file times) it rewrites the
// collection, or fails where its user may not write it; an empty file it
// fills with an empty collection.
class HelpCollectionChoice
{
public:
    HelpCollectionChoice() = delete;

    // Copies the files of helpFolder into copyFolder (an empty folder its
    // user may write, kept while the collection is open), their times kept,
    // and sets up the engine on the copy of docName. Returns the path of
    // docName in helpFolder where that left the copy as it was, and the
    // copy's path where the engine changed it or could not set it up (the
    // caller's own setup then tells the latter). Null where the copy cannot
    // be made.
    static QString collectionToOpen(const QString& helpFolder, const QString& docName,
                                    const QString& copyFolder);
};

#endif // VORNHELM_HELPCOLLECTIONCHOICE_H
