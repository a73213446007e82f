#pragma once
// The kit's pictures decoded once per process: the drawn controls ask for the
// same files each time a window is built (a second editor would decode its
// thirty pictures again). A picture is kept with the device pixel ratio the
// controls draw it at, so their copies share its pixels.
//
// A window can have the pictures it first draws decoded on workers while it
// is built (prefetch). No caller ever waits for a worker: a picture asked for
// before a worker began it is decoded by the caller and left by the workers;
// one asked for while a worker decodes it is decoded by the caller as well,
// and whichever copy is kept first is the one every caller gets.

#include <QImage>
#include <QSize>
#include <QString>
#include <QVector>

class QJXPictureCache
{
public:
    struct Wanted
    {
        QString path;
        qreal devicePixelRatio = 2;
    };

    // The picture at `path` (a null image when it cannot be read or the path
    // is empty, which is not kept), at the given device pixel ratio; decoded
    // on the calling thread when it is not held yet.
    static QImage picture(const QString &path, qreal devicePixelRatio);
    // The picture when it is held already, else a null image; never decodes.
    static QImage held(const QString &path, qreal devicePixelRatio);
    // The size in pixels of the picture at `path`, from its file's header
    // (a PNG's is read without decoding it); invalid when it cannot be read.
    static QSize sizeOf(const QString &path);
    // Begins decoding the pictures on `workers` tasks of the global thread
    // pool, each taking the next picture in the order given that nobody has
    // begun; pictures held or asked for already are left out.
    static void prefetch(const QVector<Wanted> &pictures, int workers = 2);
    // Decodes on the calling thread (a worker's) the pictures in the order
    // given that nobody holds or has begun.
    static void decodeAhead(const QVector<Wanted> &pictures);

    // For checks: who decoded a held picture, how often a picture was
    // decoded (or tried), and every picture asked of picture() or found by
    // held() so far, in the order first asked.
    enum class DecodedBy { Nobody, Caller, Worker };
    static DecodedBy decodedBy(const QString &path, qreal devicePixelRatio);
    static int timesDecoded(const QString &path, qreal devicePixelRatio);
    static QVector<Wanted> askedFor();

private:
    QJXPictureCache() = default;
};
