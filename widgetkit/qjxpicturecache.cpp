#include "widgetkit/qjxpicturecache.h"

#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QMutex>
#include <QPair>
#include <QSet>
#include <QtConcurrent>
#include <QtEndian>

#include <atomic>
#include <memory>

namespace {

using Key = QPair<QString, qreal>;

struct Entry
{
    // Queued: a worker is to decode it; Decoding: a worker or a caller is
    // at it; Held: decoded and kept.
    enum State { Queued, Decoding, Held };
    State state = Queued;
    QImage image;
    QJXPictureCache::DecodedBy by = QJXPictureCache::DecodedBy::Nobody;
};

struct Cache
{
    QMutex lock;
    QHash<Key, Entry> pictures;
    QVector<QJXPictureCache::Wanted> asked;
    QSet<Key> askedKeys;
    QHash<Key, int> decodes;
};

Cache &cache()
{
    static Cache instance;
    return instance;
}

QImage decode(Cache &c, const Key &key)
{
    {
        QMutexLocker locked(&c.lock);
        ++c.decodes[key];
    }
    const QString &path = key.first;
    const qreal devicePixelRatio = key.second;
    QImage image(path);
    if (!image.isNull())
        image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

// Keeps what was decoded, unless another copy was kept meanwhile, which is
// then the one returned; a picture that could not be read is not kept.
QImage keep(Cache &c, const Key &key, const QImage &image, QJXPictureCache::DecodedBy by)
{
    QMutexLocker locked(&c.lock);
    const auto found = c.pictures.find(key);
    if (found != c.pictures.end() && found->state == Entry::Held)
        return found->image;
    if (image.isNull()) {
        if (found != c.pictures.end())
            c.pictures.erase(found);
        return image;
    }
    Entry &entry = c.pictures[key];
    entry.state = Entry::Held;
    entry.image = image;
    entry.by = by;
    return image;
}

// The caller holds the lock.
void noteAsked(Cache &c, const Key &key)
{
    if (c.askedKeys.contains(key))
        return;
    c.askedKeys.insert(key);
    c.asked.append({key.first, key.second});
}

// A worker's run: the next picture of the list nobody has begun, until none is left.
void decodeQueued(const std::shared_ptr<const QVector<Key>> &keys, const std::shared_ptr<std::atomic<int>> &next)
{
    Cache &c = cache();
    for (int i; (i = next->fetch_add(1)) < keys->size();) {
        const Key &key = keys->at(i);
        {
            QMutexLocker locked(&c.lock);
            const auto found = c.pictures.find(key);
            if (found == c.pictures.end() || found->state != Entry::Queued)
                continue;
            found->state = Entry::Decoding;
        }
        keep(c, key, decode(c, key), QJXPictureCache::DecodedBy::Worker);
    }
}

} // namespace

QImage QJXPictureCache::picture(const QString &path, qreal devicePixelRatio)
{
    // An empty name is no picture: reading it would only warn.
    if (path.isEmpty())
        return QImage();
    Cache &c = cache();
    const Key key(path, devicePixelRatio);
    {
        QMutexLocker locked(&c.lock);
        noteAsked(c, key);
        auto found = c.pictures.find(key);
        if (found != c.pictures.end() && found->state == Entry::Held)
            return found->image;
        // Taken from the workers' list: decoded here, once. One a worker
        // decodes meanwhile is decoded here too: no waiting.
        if (found == c.pictures.end() || found->state == Entry::Queued)
            c.pictures[key].state = Entry::Decoding;
    }
    return keep(c, key, decode(c, key), DecodedBy::Caller);
}

QImage QJXPictureCache::held(const QString &path, qreal devicePixelRatio)
{
    if (path.isEmpty())
        return QImage();
    Cache &c = cache();
    const Key key(path, devicePixelRatio);
    QMutexLocker locked(&c.lock);
    const auto found = c.pictures.constFind(key);
    if (found == c.pictures.constEnd() || found->state != Entry::Held)
        return QImage();
    noteAsked(c, key);
    return found->image;
}

QSize QJXPictureCache::sizeOf(const QString &path)
{
    // A PNG names its size in its first chunk, right after the signature.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QSize();
    const QByteArray head = file.read(24);
    static const char kSignature[] = "\x89PNG\r\n\x1a\n";
    if (head.size() == 24 && head.startsWith(QByteArray(kSignature, 8)) && head.mid(12, 4) == "IHDR") {
        const auto *bytes = reinterpret_cast<const uchar *>(head.constData());
        const QSize size(int(qFromBigEndian<quint32>(bytes + 16)), int(qFromBigEndian<quint32>(bytes + 20)));
        if (size.width() > 0 && size.height() > 0)
            return size;
        return QSize();
    }
    file.close();
    return QImageReader(path).size();
}

void QJXPictureCache::prefetch(const QVector<Wanted> &pictures, int workers)
{
    Cache &c = cache();
    auto keys = std::make_shared<QVector<Key>>();
    {
        QMutexLocker locked(&c.lock);
        for (const Wanted &w : pictures) {
            const Key key(w.path, w.devicePixelRatio);
            if (w.path.isEmpty() || c.pictures.contains(key))
                continue;
            c.pictures.insert(key, Entry());
            keys->append(key);
        }
    }
    if (keys->isEmpty())
        return;
    auto next = std::make_shared<std::atomic<int>>(0);
    const std::shared_ptr<const QVector<Key>> list = keys;
    for (int i = 0; i < std::min(workers, int(list->size())); ++i)
        QtConcurrent::run([list, next] { decodeQueued(list, next); });
}

void QJXPictureCache::decodeAhead(const QVector<Wanted> &pictures)
{
    Cache &c = cache();
    for (const Wanted &w : pictures) {
        const Key key(w.path, w.devicePixelRatio);
        {
            QMutexLocker locked(&c.lock);
            if (w.path.isEmpty() || c.pictures.contains(key))
                continue;
            c.pictures[key].state = Entry::Decoding;
        }
        keep(c, key, decode(c, key), DecodedBy::Worker);
    }
}

QJXPictureCache::DecodedBy QJXPictureCache::decodedBy(const QString &path, qreal devicePixelRatio)
{
    Cache &c = cache();
    QMutexLocker locked(&c.lock);
    const auto found = c.pictures.constFind(Key(path, devicePixelRatio));
    return found != c.pictures.constEnd() && found->state == Entry::Held ? found->by : DecodedBy::Nobody;
}

int QJXPictureCache::timesDecoded(const QString &path, qreal devicePixelRatio)
{
    Cache &c = cache();
    QMutexLocker locked(&c.lock);
    return c.decodes.value(Key(path, devicePixelRatio));
}

QVector<QJXPictureCache::Wanted> QJXPictureCache::askedFor()
{
    Cache &c = cache();
    QMutexLocker locked(&c.lock);
    return c.asked;
}
