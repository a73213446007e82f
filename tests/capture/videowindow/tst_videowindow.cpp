#include "capture/bitmapvideoview.h"
#include "capture/qvideoshowwidget.h"
#include "capture/videoimagewindow.h"
#include "media/jxqplayobject.h"
#include "testsupport.h"
#include "widgetkit/views/qjxvideoshowwidget.h"

#include <QOpenGLContext>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// What the display's shader makes of one YUV sample (video-range BT.601).
QColor shaderColour(int y, int u, int v)
{
    const double yy = y / 255.0 - 0.0625, uu = u / 255.0 - 0.5, vv = v / 255.0 - 0.5;
    auto clamp = [](double c) { return int(std::lround(std::clamp(c, 0.0, 1.0) * 255)); };
    return QColor(clamp(1.164 * yy + 1.596 * vv), clamp(1.164 * yy - 0.392 * uu - 0.813 * vv),
                  clamp(1.164 * yy + 2.017 * uu));
}

bool within(const QColor &a, const QColor &b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

class TestVideoImageWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void oneColourVideoRendersThroughThePlaybackEngine();
    void bitmapViewDropsTheTenthWaitingFrame();
    void bitmapViewTakesNoPlanarFrames();

private:
    QTemporaryDir m_dir;
};

void TestVideoImageWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestVideoImageWindow::oneColourVideoRendersThroughThePlaybackEngine()
{
    // A lossless one-colour clip, and the exact YUV sample it holds.
    const QString clip = m_dir.filePath("colour.mkv");
    QCOMPARE(TestSupport::runProgram("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                                                "color=c=0x3366CC:s=160x120:r=25:d=2", "-pix_fmt",
                                                "yuv420p", "-c:v", "ffv1", clip}),
             0);
    QByteArray raw;
    QCOMPARE(TestSupport::runProgram("ffmpeg", {"-v", "error", "-i", clip, "-frames:v", "1", "-f",
                                                "rawvideo", "-pix_fmt", "yuv420p", "-"},
                                     60000, &raw),
             0);
    QCOMPARE(raw.size(), 160 * 120 * 3 / 2);
    const int y = quint8(raw[0]), u = quint8(raw[160 * 120]), v = quint8(raw[160 * 120 * 5 / 4]);
    const QColor expected = shaderColour(y, u, v);

    VideoImageWindow window;
    window.resize(320, 240);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QJXVideoShowWidget *display = window.imageWidget();
    QTRY_VERIFY(display->context() && display->context()->isValid());

    JXQPlayObject engine;
    engine.setPlayWindows(&window);
    engine.SetPlayFile(clip, 0, 0);
    // 4:3 letter-boxed into 320 × 240 fills it.
    QCOMPARE(window.getVideoRect(), QRect(0, 0, 320, 240));
    QTRY_VERIFY_WITH_TIMEOUT(display->frameSize() == QSize(160, 120), 5000);
    QTRY_COMPARE(display->pendingFrames(), 0);
    const QImage picture = display->grabFramebuffer();
    const QColor got = picture.pixelColor(picture.width() / 2, picture.height() / 2);
    QVERIFY2(within(got, expected, 2), qPrintable(QString("got %1, expected %2 from YUV %3 %4 %5")
                                                       .arg(got.name(), expected.name())
                                                       .arg(y).arg(u).arg(v)));
    TestSupport::saveScreenshot(&window, "screenarea_videoimagewindow");
    engine.OnBtnStop();
}

void TestVideoImageWindow::bitmapViewDropsTheTenthWaitingFrame()
{
    QVideoShowWidget host;
    host.resize(64, 48);
    host.SetOpenGl(false);
    QVERIFY(!host.isOpenGl());
    std::vector<unsigned char> pixels(64 * 48 * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = 200;     // blue
        pixels[i + 1] = 100; // green
        pixels[i + 2] = 50;  // red
        pixels[i + 3] = 255;
    }
    // Nothing runs the event loop here, so nothing is drawn meanwhile.
    for (int i = 0; i < 9; ++i)
        QVERIFY(host.showImage(pixels.data(), 64, 48, 64 * 4));
    QVERIFY(!host.showImage(pixels.data(), 64, 48, 64 * 4));
    QCOMPARE(host.bitmapView()->pendingFrames(), 9);
    QTRY_COMPARE(host.bitmapView()->pendingFrames(), 0);
    QCOMPARE(host.bitmapView()->picture().pixelColor(10, 10), QColor(50, 100, 200));
    QVERIFY(host.showImage(pixels.data(), 64, 48, 64 * 4));
    // Null data clears the picture.
    QVERIFY(host.showImage(nullptr, 0, 0, 0));
    QTRY_VERIFY(host.bitmapView()->picture().isNull());
}

void TestVideoImageWindow::bitmapViewTakesNoPlanarFrames()
{
    QVideoShowWidget host;
    host.SetOpenGl(false);
    std::vector<unsigned char> plane(64 * 48, 128);
    const unsigned char *planes[3] = {plane.data(), plane.data(), plane.data()};
    const int strides[3] = {64, 32, 32};
    QVERIFY(!host.showYUVImage(planes, 64, 48, strides));
    host.SetOpenGl(true);
    QVERIFY(host.openGlView());
    QVERIFY(host.showYUVImage(planes, 64, 48, strides));
}

QTEST_MAIN(TestVideoImageWindow)
#include "tst_videowindow.moc"
