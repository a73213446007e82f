#include "widgetkit/qbaseimagedraw.h"

#include <QPainter>
#include <QtTest>

namespace {

// An image whose nine regions (corner size cornerPx in image pixels) each have
// their own colour, so every drawn pixel tells which source piece it came from.
QColor regionColour(int col, int row)
{
    return QColor(40 + col * 90, 40 + row * 90, 200 - (col + row) * 30);
}

QImage nineRegionImage(int widthPx, int heightPx, int cornerWPx, int cornerHPx)
{
    QImage image(widthPx, heightPx, QImage::Format_ARGB32);
    for (int y = 0; y < heightPx; ++y) {
        const int row = y < cornerHPx ? 0 : (y >= heightPx - cornerHPx ? 2 : 1);
        for (int x = 0; x < widthPx; ++x) {
            const int col = x < cornerWPx ? 0 : (x >= widthPx - cornerWPx ? 2 : 1);
            image.setPixelColor(x, y, regionColour(col, row));
        }
    }
    image.setDevicePixelRatio(2);
    return image;
}

QImage canvas(int w, int h)
{
    QImage target(w, h, QImage::Format_ARGB32);
    target.fill(Qt::black);
    return target;
}

} // namespace

class TestImageDraw : public QObject
{
    Q_OBJECT

private slots:
    void ninePieceCornersOfSmallButton();
    void ninePieceOnRectNarrowerThanImage();
    void wholeImageStretched();
    void drawImageReadsDoubledSource();
    void roundedPathCutsRadius();
    void stripFrames();
};

void TestImageDraw::ninePieceCornersOfSmallButton()
{
    // A 60 x 30 logical frame on a 40 x 20 button: corners of 13 x 6 logical pixels.
    QImage source = nineRegionImage(120, 60, 26, 12);
    QImage target = canvas(40, 20);
    {
        QPainter p(&target);
        QBaseImageDraw::drawBtnImageBg(p, QRect(0, 0, 40, 20), source, true);
    }
    struct Sample { int x, y, col, row; };
    const Sample samples[] = {
        {0, 0, 0, 0},   {12, 5, 0, 0},  {13, 0, 1, 0},  {26, 5, 1, 0},  {27, 0, 2, 0},
        {39, 5, 2, 0},  {0, 6, 0, 1},   {12, 13, 0, 1}, {20, 10, 1, 1}, {39, 13, 2, 1},
        {0, 14, 0, 2},  {12, 19, 0, 2}, {13, 19, 1, 2}, {27, 14, 2, 2}, {39, 19, 2, 2},
    };
    for (const Sample &s : samples) {
        QCOMPARE(target.pixelColor(s.x, s.y), regionColour(s.col, s.row));
    }
}

void TestImageDraw::ninePieceOnRectNarrowerThanImage()
{
    // A 9-pixel-wide rectangle gets 3-pixel corners and a 3-pixel top edge.
    QImage source = nineRegionImage(60, 60, 6, 20);
    QImage target = canvas(20, 30);
    {
        QPainter p(&target);
        QBaseImageDraw::drawBtnImageBg(p, QRect(5, 0, 9, 30), source, true);
    }
    QCOMPARE(target.pixelColor(5, 0), regionColour(0, 0));
    QCOMPARE(target.pixelColor(7, 0), regionColour(0, 0));
    QCOMPARE(target.pixelColor(8, 0), regionColour(1, 0));
    QCOMPARE(target.pixelColor(10, 0), regionColour(1, 0));
    QCOMPARE(target.pixelColor(11, 0), regionColour(2, 0));
    QCOMPARE(target.pixelColor(13, 29), regionColour(2, 2));
    // The vertical corner is a third of the 30-pixel image height: 10.
    QCOMPARE(target.pixelColor(5, 9), regionColour(0, 0));
    QCOMPARE(target.pixelColor(5, 10), regionColour(0, 1));
    // Nothing is drawn outside the rectangle.
    QCOMPARE(target.pixelColor(4, 15), QColor(Qt::black));
    QCOMPARE(target.pixelColor(14, 15), QColor(Qt::black));
}

void TestImageDraw::wholeImageStretched()
{
    // An odd pixel width is rounded down to even: the last column is never read.
    QImage source(21, 10, QImage::Format_ARGB32);
    source.fill(Qt::red);
    for (int y = 0; y < 10; ++y)
        source.setPixelColor(20, y, Qt::green);
    source.setDevicePixelRatio(2);
    QImage target = canvas(30, 30);
    {
        QPainter p(&target);
        QBaseImageDraw::drawBtnImageBg(p, QRect(0, 0, 30, 30), source, false);
    }
    for (int x = 0; x < 30; x += 7)
        QCOMPARE(target.pixelColor(x, 15), QColor(Qt::red));
    QCOMPARE(target.pixelColor(29, 29), QColor(Qt::red));
}

void TestImageDraw::drawImageReadsDoubledSource()
{
    QImage source(40, 40, QImage::Format_ARGB32);
    source.fill(Qt::blue);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            source.setPixelColor(x, y, Qt::yellow);
    source.setDevicePixelRatio(2);
    QImage target = canvas(10, 10);
    {
        QPainter p(&target);
        QBaseImageDraw::drawImage(p, QRect(0, 0, 10, 10), QRect(0, 0, 10, 10), source);
    }
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            QCOMPARE(target.pixelColor(x, y), QColor(Qt::yellow));

    QImage second = canvas(10, 10);
    {
        QPainter p(&second);
        QBaseImageDraw::drawImage(p, QRect(0, 0, 10, 10), QRect(10, 10, 10, 10), source);
    }
    QCOMPARE(second.pixelColor(5, 5), QColor(Qt::blue));
}

void TestImageDraw::roundedPathCutsRadius()
{
    // A 30 x 10 rectangle with radius 8 gets corners of 5.
    const QPainterPath path = QBaseImageDraw::GetRoundedRectanglePath(QRectF(10, 20, 30, 10), 8);
    QCOMPARE(path.boundingRect(), QRectF(10, 20, 30, 10));
    QCOMPARE(QPointF(path.elementAt(0)), QPointF(35, 20));
    QCOMPARE(QPointF(path.elementAt(1)), QPointF(15, 20));
    // Ends where it began, without an explicit close.
    QCOMPARE(path.currentPosition(), QPointF(35, 20));
    QVERIFY(!path.contains(QPointF(10.3, 20.3)));
    QVERIFY(path.contains(QPointF(25, 25)));

    const QPainterPath small = QBaseImageDraw::GetRoundedRectanglePath(QRectF(0, 0, 40, 40), 4);
    QCOMPARE(QPointF(small.elementAt(1)), QPointF(4, 0));
}

void TestImageDraw::stripFrames()
{
    const QColor colours[4] = {Qt::red, Qt::green, Qt::blue, Qt::gray};
    QImage strip(160, 40, QImage::Format_ARGB32);
    for (int k = 0; k < 4; ++k)
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                strip.setPixelColor(k * 40 + x, y, colours[k]);
    for (int k = 0; k < 4; ++k) {
        const QImage frame = QBaseImageDraw::stripFrame(strip, k);
        QCOMPARE(frame.size(), QSize(40, 40));
        QCOMPARE(frame.devicePixelRatio(), 2.0);
        QCOMPARE(frame.pixelColor(0, 0), colours[k]);
        QCOMPARE(frame.pixelColor(39, 39), colours[k]);
    }
}

QTEST_MAIN(TestImageDraw)
#include "tst_imagedraw.moc"
