#pragma once
// The kit's pictures decoded once per process: the drawn controls ask for the
// same files each time a window is built (a second editor would decode its
// thirty pictures again). A picture is kept with the device pixel ratio the
// controls draw it at, so their copies share its pixels.

#include <QImage>
#include <QString>

class QJXPictureCache
{
public:
    // The picture at `path` (a null image when it cannot be read or the path
    // is empty, which is not kept), at the given device pixel ratio.
    static QImage picture(const QString &path, qreal devicePixelRatio);

private:
    QJXPictureCache() = default;
};
