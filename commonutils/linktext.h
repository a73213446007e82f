#pragma once
// The text of a symbolic link as it was written, not the item it leads to.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <unistd.h>

// False when the path is no link or can't be read.
inline bool readLinkText(const QString &path, QByteArray *text)
{
    QByteArray buffer(4096, '\0');
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer.data(),
                                 size_t(buffer.size()));
    if (n < 0)
        return false;
    buffer.truncate(int(n));
    *text = buffer;
    return true;
}
