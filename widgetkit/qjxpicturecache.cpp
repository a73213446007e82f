#include "widgetkit/qjxpicturecache.h"

#include <QHash>
#include <QMutex>

#include <utility>

namespace {

struct Cache
{
    QMutex lock;
    QHash<QPair<QString, qreal>, QImage> pictures;
};

Cache &cache()
{
    static Cache instance;
    return instance;
}

} // namespace

QImage QJXPictureCache::picture(const QString &path, qreal devicePixelRatio)
{
    // An empty name is no picture: reading it would only warn.
    if (path.isEmpty())
        return QImage();
    Cache &c = cache();
    const QPair<QString, qreal> key(path, devicePixelRatio);
    {
        QMutexLocker locked(&c.lock);
        const auto found = c.pictures.constFind(key);
        if (found != c.pictures.constEnd())
            return *found;
    }
    QImage image(path);
    if (image.isNull())
        return image;
    image.setDevicePixelRatio(devicePixelRatio);
    QMutexLocker locked(&c.lock);
    c.pictures.insert(key, image);
    return image;
}
