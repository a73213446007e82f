// Overlay frames and the minimal player's video window.

#include "testsupport.h"

#include "widgetkit/views/qbasevideowindow.h"
#include "widgetkit/views/qmediadashedframe.h"
#include "widgetkit/views/quianyutiliy.h"

#include <QtTest>

namespace {

bool isWhite(const QColor &c)
{
    return c.alpha() > 200 && c.red() > 230 && c.green() > 230 && c.blue() > 230;
}

int whitePixels(const QImage &image, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += isWhite(image.pixelColor(x, y));
    return n;
}

QString handlePicture()
{
    return QUiAnyUtiliy::getResourcePath() + "/VEditSource/bg_border_line.png";
}

} // namespace

class TestMediaFrames : public QObject
{
    Q_OBJECT

private slots:
    void dashedFrameAppearsAfterADelay();
    void dashedFrameDrawsHandlesLinesAndMark();
    void videoWindowLetterBoxesItsView();
};

void TestMediaFrames::dashedFrameAppearsAfterADelay()
{
    QVERIFY(QFile::exists(handlePicture()));
    QMediaDashedFrame frame;
    frame.setImage(handlePicture());
    frame.resize(120, 80);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    // The first paint after showing draws nothing.
    frame.setVisible(false);
    frame.setVisible(true);
    QCOMPARE(frame.paintCount(), 0);
    QCOMPARE(whitePixels(frame.grab().toImage(), frame.rect()), 0);
    // Two timer ticks later it is drawn.
    QTRY_COMPARE(frame.paintCount(), 2);
    QVERIFY(whitePixels(frame.grab().toImage(), frame.rect()) > 50);
    // Hidden and shown again: the delay starts over.
    frame.setVisible(false);
    QCOMPARE(frame.paintCount(), 0);
}

void TestMediaFrames::dashedFrameDrawsHandlesLinesAndMark()
{
    QWidget picture;
    picture.resize(200, 150);
    picture.setAutoFillBackground(true);
    QPalette pal = picture.palette();
    pal.setColor(QPalette::Window, QColor(20, 60, 90));
    picture.setPalette(pal);
    auto *frame = new QMediaDashedFrame(&picture);
    frame->setImage(handlePicture());
    frame->setGeometry(30, 20, 121, 81);
    picture.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picture));
    QTRY_COMPARE(frame->paintCount(), 2);
    const QImage image(TestSupport::saveScreenshot(&picture, "mediawidgets_dashed_frame"));
    QVERIFY(!image.isNull());
    const QRect f = frame->geometry();
    const int w = f.width() - 1, h = f.height() - 1; // 120 × 80
    auto at = [&](int x, int y) { return f.topLeft() + QPoint(x, y); };
    // Handles at the corners and edge middles.
    for (const QPoint &p : {at(2, 2), at((w - 5) / 2 + 2, 2), at(w - 3, 2), at(2, (h - 5) / 2 + 2),
                            at(w - 3, (h - 5) / 2 + 2), at(2, h - 3), at(w - 3, h - 3)})
        QVERIFY2(isWhite(image.pixelColor(p)), qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));
    // Dotted edges between the handles: white and gaps.
    const int topDots = whitePixels(image, QRect(at(8, 0), at((w - 5) / 2 - 2, 0)));
    const int topRun = (w - 5) / 2 - 2 - 8 + 1;
    QVERIFY2(topDots > topRun / 4 && topDots < topRun, qPrintable(QString::number(topDots)));
    QVERIFY(whitePixels(image, QRect(at(0, 8), at(0, (h - 5) / 2 - 2))) > 5);
    QVERIFY(whitePixels(image, QRect(at(w, 8), at(w, (h - 5) / 2 - 2))) > 5);
    QVERIFY(whitePixels(image, QRect(at(8, h), at((w - 5) / 2 - 2, h))) > 5);
    // The centre mark, and nothing else inside.
    QVERIFY(whitePixels(image, QRect(at((w - 15) / 2, (h - 15) / 2), QSize(16, 16))) > 4);
    QCOMPARE(whitePixels(image, QRect(at(20, 20), QSize(20, 20))), 0);
    QCOMPARE(image.pixelColor(at(20, 20)), QColor(20, 60, 90));

    frame->showCenterImage(false);
    const QImage plain = picture.grab().toImage();
    QCOMPARE(whitePixels(plain, QRect(at((w - 15) / 2, (h - 15) / 2), QSize(16, 16))), 0);
    QVERIFY(isWhite(plain.pixelColor(at(2, 2))));
}

void TestMediaFrames::videoWindowLetterBoxesItsView()
{
    QBaseVideoWindow window;
    QCOMPARE(window.getVideoViewRect(), QRect(2000, 430, 81, 21));
    window.resize(640, 360);
    window.setVideoSize(4, 3);
    QCOMPARE(window.getVideoViewRect(), QRect(80, 0, 480, 360));
    window.setVideoSize(0, 3); // ignored
    QCOMPARE(window.getVideoViewRect(), QRect(80, 0, 480, 360));
    window.setVideoSize(1920, 800);
    QCOMPARE(window.getVideoViewRect(), QRect(0, (360 - 266) / 2, 640, 266));
    window.setBgColor(QColor(12, 34, 56));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.grab().toImage().pixelColor(5, 5), QColor(12, 34, 56));
    window.resize(300, 300);
    QTRY_COMPARE(window.getVideoViewRect(), QRect(0, (300 - 125) / 2, 300, 125));
}

QTEST_MAIN(TestMediaFrames)
#include "tst_mediaframes.moc"
