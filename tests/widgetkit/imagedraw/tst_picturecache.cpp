// The kit's picture cache with pictures decoded ahead on workers: each is
// decoded once, by a worker or by the caller that asks first (who never
// waits for a worker), and every caller gets the file's pixels at the ratio
// asked for. The size of a picture is read from its header alone.

#include "widgetkit/qjxpicturecache.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A picture of its own for each index, so that a wrong file shows.
QImage pattern(int index, int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(20 + index % 200, 40, 255 - index % 200, 200));
    QPainter painter(&image);
    painter.setPen(QColor(index % 255, 255 - index % 255, 90));
    for (int x = 0; x < width; x += 7)
        painter.drawLine(x, 0, width - x, height - 1);
    return image;
}

QImage readAt(const QString &path, qreal ratio)
{
    QImage image(path);
    image.setDevicePixelRatio(ratio);
    return image;
}

} // namespace

class TestPictureCache : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void prefetchedPicturesAreDecodedOnceOnWorkers();
    void pictureAskedFirstIsDecodedByItsCaller();
    void sizeComesFromTheHeader_data();
    void sizeComesFromTheHeader();

private:
    QString write(const QString &name, const QImage &image);
    QTemporaryDir m_dir;
};

void TestPictureCache::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestPictureCache::write(const QString &name, const QImage &image)
{
    const QString path = m_dir.filePath(name);
    return image.save(path) ? path : QString();
}

void TestPictureCache::prefetchedPicturesAreDecodedOnceOnWorkers()
{
    QVector<QJXPictureCache::Wanted> wanted;
    for (int i = 0; i < 12; ++i) {
        const QString path = write(QStringLiteral("ahead%1.png").arg(i), pattern(i, 120 + i, 40));
        QVERIFY(!path.isEmpty());
        wanted.append({path, i % 2 ? 2.0 : 1.0});
    }
    // The same picture at another ratio is a picture of its own.
    wanted.append({wanted.first().path, 2});
    // Listed twice, decoded once; a file that cannot be read is not kept.
    wanted.append(wanted.at(3));
    wanted.append({m_dir.filePath(QStringLiteral("missing.png")), 2});
    QJXPictureCache::prefetch(wanted, 3);
    for (const QJXPictureCache::Wanted &w : wanted.mid(0, 13))
        QTRY_VERIFY(!QJXPictureCache::held(w.path, w.devicePixelRatio).isNull());
    for (const QJXPictureCache::Wanted &w : wanted.mid(0, 13)) {
        QCOMPARE(QJXPictureCache::decodedBy(w.path, w.devicePixelRatio), QJXPictureCache::DecodedBy::Worker);
        const QImage held = QJXPictureCache::held(w.path, w.devicePixelRatio);
        QCOMPARE(held, readAt(w.path, w.devicePixelRatio));
        // The caller gets the worker's pixels, not a copy of its own.
        QCOMPARE(QJXPictureCache::picture(w.path, w.devicePixelRatio).constBits(), held.constBits());
        QCOMPARE(QJXPictureCache::timesDecoded(w.path, w.devicePixelRatio), 1);
    }
    QTRY_COMPARE(QJXPictureCache::timesDecoded(wanted.last().path, 2), 1);
    QVERIFY(QJXPictureCache::held(wanted.last().path, 2).isNull());
    QCOMPARE(QJXPictureCache::decodedBy(wanted.last().path, 2), QJXPictureCache::DecodedBy::Nobody);
}

void TestPictureCache::pictureAskedFirstIsDecodedByItsCaller()
{
    // One worker with much to do before the last picture: the caller asks
    // for that one at once and decodes it itself.
    QVector<QJXPictureCache::Wanted> wanted;
    for (int i = 0; i < 30; ++i) {
        const QString path = write(QStringLiteral("queued%1.png").arg(i), pattern(50 + i, 1200, 900));
        QVERIFY(!path.isEmpty());
        wanted.append({path, 2});
    }
    const QJXPictureCache::Wanted last = wanted.last();
    QJXPictureCache::prefetch(wanted, 1);
    const QImage asked = QJXPictureCache::picture(last.path, 2);
    QCOMPARE(asked, readAt(last.path, 2));
    for (const QJXPictureCache::Wanted &w : wanted)
        QTRY_VERIFY_WITH_TIMEOUT(!QJXPictureCache::held(w.path, 2).isNull(), 20000);
    // The worker left it to its caller: decoded once, the caller's copy kept.
    QCOMPARE(QJXPictureCache::decodedBy(last.path, 2), QJXPictureCache::DecodedBy::Caller);
    QCOMPARE(QJXPictureCache::timesDecoded(last.path, 2), 1);
    QCOMPARE(QJXPictureCache::held(last.path, 2).constBits(), asked.constBits());
    QCOMPARE(QJXPictureCache::decodedBy(wanted.first().path, 2), QJXPictureCache::DecodedBy::Worker);
}

void TestPictureCache::sizeComesFromTheHeader_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("cut");
    QTest::addColumn<QSize>("size");
    // A PNG cut after its header chunk still names its size; one cut before
    // names none; another format is asked of its reader.
    QTest::newRow("png") << QByteArray("PNG") << -1 << QSize(333, 77);
    QTest::newRow("png header only") << QByteArray("PNG") << 33 << QSize(333, 77);
    QTest::newRow("png cut in its header") << QByteArray("PNG") << 20 << QSize();
    QTest::newRow("bmp") << QByteArray("BMP") << -1 << QSize(333, 77);
}

void TestPictureCache::sizeComesFromTheHeader()
{
    QFETCH(QByteArray, format);
    QFETCH(int, cut);
    QFETCH(QSize, size);
    const QString path = m_dir.filePath(QStringLiteral("size.") + QString::fromLatin1(format).toLower());
    QVERIFY(pattern(7, 333, 77).save(path, format.constData()));
    if (cut >= 0) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(cut));
    }
    QCOMPARE(QJXPictureCache::sizeOf(path), size);
    // Nothing decoded or kept for it.
    QCOMPARE(QJXPictureCache::timesDecoded(path, 1), 0);
    QCOMPARE(QJXPictureCache::sizeOf(m_dir.filePath(QStringLiteral("none.png"))), QSize());
}

QTEST_MAIN(TestPictureCache)
#include "tst_picturecache.moc"
