// Overlay frames and the minimal player's video window.

#include "testsupport.h"

#include "widgetkit/views/qbasevideowindow.h"
#include "widgetkit/views/qjxbuttonextend.h"
#include "widgetkit/views/qmediaborderframe.h"
#include "widgetkit/views/qmediadashedframe.h"
#include "widgetkit/views/quianyutiliy.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QSignalSpy>
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

Q_DECLARE_METATYPE(QMouseEvent *)

class TestMediaFrames : public QObject
{
    Q_OBJECT

private slots:
    void dashedFrameAppearsAfterADelay();
    void dashedFrameDrawsHandlesLinesAndMark();
    void videoWindowLetterBoxesItsView();
    void borderFramePlacesItsFrames();
    void borderFramePassesMouseEventsOn();
    void buttonShowsTagPictureAndSwatch();
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

void TestMediaFrames::borderFramePlacesItsFrames()
{
    QWidget picture;
    picture.resize(400, 300);
    picture.setAutoFillBackground(true);
    QPalette pal = picture.palette();
    pal.setColor(QPalette::Window, QColor(40, 40, 40));
    picture.setPalette(pal);
    auto *overlayOwned = new QMediaBorderFrame(&picture);
    QMediaBorderFrame &overlay = *overlayOwned;
    overlay.setGeometry(0, 0, 400, 300);
    QVERIFY(!overlay.dashedFrame());
    overlay.setDashedFrame(QRect(20, 30, 320, 180), true);
    QVERIFY(overlay.dashedFrame());
    QCOMPARE(overlay.getVideoDashedFrame(), QRect(20, 30, 320, 180));
    QCOMPARE(overlay.dashedFrame()->geometry(), QRect(20, 30, 320, 180));
    // Relative to the picture.
    overlay.setDashedFrame(QRect(10, 10, 50, 40), false);
    QCOMPARE(overlay.dashedFrame()->geometry(), QRect(30, 40, 50, 40));
    QCOMPARE(overlay.getVideoDashedFrame(), QRect(20, 30, 320, 180));

    QMediaDashedFrame *first = overlay.addDashFrameItem(QRect(100, 100, 60, 30));
    overlay.addDashFrameItem(QRect(200, 100, 60, 30));
    QCOMPARE(overlay.itemCount(), 2);
    QVERIFY(first->testAttribute(Qt::WA_TransparentForMouseEvents));
    overlay.setDashFrameItemForList(QRect(110, 120, 70, 35), 0);
    QCOMPARE(first->geometry(), QRect(110, 120, 70, 35));
    overlay.setDashFrameItemForList(QRect(0, 0, 5, 5), 2); // no such item
    overlay.setDashFrameItemShow(-1, false);
    QVERIFY(overlay.isValid(1));
    QVERIFY(!overlay.isValid(2));
    overlay.setDashedFrameRect(overlay.item(1), QRect(1, 2, 30, 20));
    QCOMPARE(overlay.item(1)->geometry(), QRect(1, 2, 30, 20));

    picture.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picture));
    overlay.setDashFrameItemShow(1, false);
    QVERIFY(!overlay.item(1)->isVisible());
    QTRY_VERIFY(overlay.dashedFrame()->paintCount() >= 2 && first->paintCount() >= 2);
    const QImage image(TestSupport::saveScreenshot(&picture, "mediawidgets_border_frame"));
    // Main frame with its centre mark, the item frame without one.
    QVERIFY(isWhite(image.pixelColor(32, 42)));
    QVERIFY(whitePixels(image, QRect(30 + 17, 40 + 12, 16, 16)) > 4);
    QVERIFY(isWhite(image.pixelColor(112, 122)));
    QCOMPARE(whitePixels(image, QRect(110 + 27, 120 + 10, 16, 16)), 0);
    // The overlay itself only dims the picture by 1 of 255.
    const QColor under = image.pixelColor(300, 250);
    QVERIFY(qAbs(under.red() - 40) <= 1 && qAbs(under.blue() - 40) <= 1);
}

void TestMediaFrames::borderFramePassesMouseEventsOn()
{
    qRegisterMetaType<QMouseEvent *>();
    QMediaBorderFrame overlay;
    overlay.resize(200, 100);
    overlay.show();
    QVERIFY(QTest::qWaitForWindowExposed(&overlay));
    QSignalSpy moved(&overlay, &QMediaBorderFrame::emitMouseMoveEvent);
    QSignalSpy pressed(&overlay, &QMediaBorderFrame::emitMousePressEvent);
    QSignalSpy released(&overlay, &QMediaBorderFrame::emitMouseReleaseEvent);
    QTest::mousePress(&overlay, Qt::LeftButton, {}, QPoint(50, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 55), QPointF(overlay.mapToGlobal(QPoint(60, 55))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&overlay, &move);
    QTest::mouseRelease(&overlay, Qt::LeftButton, {}, QPoint(60, 55));
    QTest::mouseDClick(&overlay, Qt::LeftButton, {}, QPoint(60, 55));
    QCOMPARE(moved.count(), 1);
    QVERIFY(pressed.count() >= 1);
    QVERIFY(released.count() >= 1);
    // A double click is no further press.
    const int presses = pressed.count();
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(overlay.mapToGlobal(QPoint(5, 5))),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&overlay, &dbl);
    QCOMPARE(pressed.count(), presses);
}

void TestMediaFrames::buttonShowsTagPictureAndSwatch()
{
    QJXButtonExtend button;
    button.resize(60, 60);
    button.setBackgroundColor(QColor(10, 20, 30));
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));

    // A wide cover, encoded as the tag file hands it over.
    QImage cover(80, 40, QImage::Format_RGB32);
    cover.fill(QColor(200, 30, 30));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(cover.save(&buffer, "PNG"));
    const std::string bytes(png.constData(), size_t(png.size()));
    QVERIFY(button.setTagImg(QRect(10, 10, 40, 40), bytes));
    QImage image = button.grab().toImage();
    // Fitted: 40 wide, 20 high, centred in the rectangle.
    QCOMPARE(image.pixelColor(30, 30), QColor(200, 30, 30));
    QCOMPARE(image.pixelColor(30, 15), QColor(10, 20, 30));
    QCOMPARE(image.pixelColor(30, 45), QColor(10, 20, 30));
    QCOMPARE(image.pixelColor(12, 22), QColor(200, 30, 30));

    // Undecodable or empty bytes: no tag.
    QVERIFY(!button.setTagImg(QRect(10, 10, 40, 40), std::string("not a picture")));
    QVERIFY(!button.hasTagImg());
    QVERIFY(!button.setTagImg(QRect(10, 10, 40, 40), std::string()));
    QVERIFY(button.grab().toImage().pixelColor(30, 30) != QColor(200, 30, 30));

    // A tall picture from a file, and one given as an image.
    QTemporaryDir dir;
    QImage tall(20, 60, QImage::Format_RGB32);
    tall.fill(QColor(30, 200, 30));
    const QString path = dir.filePath("tall.png");
    QVERIFY(tall.save(path));
    QVERIFY(button.setTagImg(QRect(0, 0, 60, 60), path));
    image = button.grab().toImage();
    QCOMPARE(image.pixelColor(30, 30), QColor(30, 200, 30));
    QCOMPARE(image.pixelColor(5, 30), QColor(10, 20, 30));
    QVERIFY(!button.setTagImg(QRect(0, 0, 60, 60), QString()));
    QVERIFY(button.setTagImg(QRect(0, 0, 60, 60), tall));
    QVERIFY(!button.setTagImg(QRect(0, 0, 60, 60), QImage()));

    // The colour swatch with its grey outline.
    button.setIconColor(QColor(250, 200, 0));
    button.setIconColorRect(QRect(40, 40, 12, 12));
    image = button.grab().toImage();
    QCOMPARE(image.pixelColor(46, 46), QColor(250, 200, 0));
    QCOMPARE(image.pixelColor(40, 46), QColor(128, 128, 128));
    QCOMPARE(image.pixelColor(51, 46), QColor(128, 128, 128));
}

QTEST_MAIN(TestMediaFrames)
#include "tst_mediaframes.moc"
