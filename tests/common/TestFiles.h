#ifndef VORNHELM_TESTS_TESTFILES_H
#define VORNHELM_TESTS_TESTFILES_H

#include <QDir>
#include <QFile>
#include <QFileInfo>

// Writes the bytes, making the file's folder first; executable for stand-ins.
inline bool writeFile(const QString& path, const QByteArray& bytes, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return !executable
           || file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// The file's bytes; a text no test expects when it cannot be read.
inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

#endif // VORNHELM_TESTS_TESTFILES_H
