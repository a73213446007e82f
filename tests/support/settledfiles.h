#pragma once
// The settings folder's files read and written beside the store: the
// history's saves made so far are waited for first, so that a file read is
// what the store last made, and a file written here is not overwritten by
// a save still on its way.

#include "common/qvideosettingxml.h"
#include "testsupport.h"

namespace TestSupport {

inline QByteArray readSettled(const QString &path)
{
    QVideoSettingXml::waitForHistory();
    return readBytes(path);
}

inline bool writeSettled(const QString &path, const QByteArray &bytes)
{
    QVideoSettingXml::waitForHistory();
    return writeBytes(path, bytes);
}

} // namespace TestSupport
