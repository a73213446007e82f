// The frame display drawing through OpenGL on a virtual X display: frames
// read back from the framebuffer.

#include "testsupport.h"

#include "widgetkit/views/qjxvideoshowwidget.h"
#include "widgetkit/views/qmediaelementwindow.h"

#include <QOpenGLContext>
#include <QtTest>

#include <cmath>
#include <thread>
#include <vector>

namespace {

struct Yuv
{
    int y, u, v;
};

// Studio-range BT.601, the inverse of what the display must do.
Yuv toYuv(const QColor &c)
{
    const double r = c.redF(), g = c.greenF(), b = c.blueF();
    const double y = 16 + 65.481 * r + 128.553 * g + 24.966 * b;
    const double u = 128 - 37.797 * r - 74.203 * g + 112.0 * b;
    const double v = 128 + 112.0 * r - 93.786 * g - 18.214 * b;
    return {int(std::lround(y)), int(std::lround(u)), int(std::lround(v))};
}

bool within(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}

QString describe(const QColor &a, const QColor &b)
{
    return QString("got (%1,%2,%3) want (%4,%5,%6)")
        .arg(a.red()).arg(a.green()).arg(a.blue())
        .arg(b.red()).arg(b.green()).arg(b.blue());
}

// Planes of one colour with padded strides, as decoders hand them out.
struct PlanarFrame
{
    PlanarFrame(int w, int h, const Yuv &c, int pad)
        : width(w), height(h),
          strides{w + pad, (w + 1) / 2 + pad, (w + 1) / 2 + pad},
          y(size_t(strides[0]) * size_t(h), uchar(c.y)),
          u(size_t(strides[1]) * size_t((h + 1) / 2), uchar(c.u)),
          v(size_t(strides[2]) * size_t((h + 1) / 2), uchar(c.v))
    {
        planes[0] = y.data();
        planes[1] = u.data();
        planes[2] = v.data();
    }
    int width, height;
    int strides[3];
    std::vector<unsigned char> y, u, v;
    unsigned char *planes[3];
};

} // namespace

class TestVideoGl : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void planarFrameOfOneColourReadsBack_data();
    void planarFrameOfOneColourReadsBack();
    void packedFrameIsUprightAndUnswapped();
    void largePackedFrameFillsTheView();
    void emptyFrameLeavesTheClearColour();
    void framesFromAnotherThreadAreDrawn();
    void elementWindowShowsTheLetterBoxedPicture();

private:
    QImage drawn();

    QJXVideoShowWidget *m_view = nullptr;
};

void TestVideoGl::init()
{
    m_view = new QJXVideoShowWidget;
    m_view->resize(160, 120);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    QTRY_VERIFY(m_view->context() && m_view->context()->isValid());
}

void TestVideoGl::cleanup()
{
    delete m_view;
    m_view = nullptr;
}

QImage TestVideoGl::drawn()
{
    return m_view->grabFramebuffer();
}

void TestVideoGl::planarFrameOfOneColourReadsBack_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("pad");
    QTest::newRow("orange") << QColor(255, 132, 65) << 64 << 48 << 0;
    QTest::newRow("teal, odd size, padded") << QColor(20, 160, 150) << 101 << 37 << 11;
    QTest::newRow("grey") << QColor(128, 128, 128) << 320 << 240 << 32;
    QTest::newRow("deep blue") << QColor(40, 30, 200) << 176 << 144 << 0;
    QTest::newRow("pale yellow") << QColor(230, 220, 120) << 33 << 17 << 3;
}

void TestVideoGl::planarFrameOfOneColourReadsBack()
{
    QFETCH(QColor, colour);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, pad);
    PlanarFrame frame(width, height, toYuv(colour), pad);
    m_view->showYUVImage(frame.planes, frame.width, frame.height, frame.strides);
    QCOMPARE(m_view->frameSize(), QSize(width, height));
    QCOMPARE(m_view->pendingFrames(), 0);
    const QImage image = drawn();
    if (QTest::currentDataTag() == QByteArray("orange"))
        TestSupport::saveScreenshot(m_view, "mediawidgets_frame_display_yuv");
    for (const QPoint &at : {QPoint(80, 60), QPoint(1, 1), QPoint(158, 1), QPoint(1, 118),
                             QPoint(158, 118)}) {
        const QColor got = image.pixelColor(at);
        QVERIFY2(within(got, colour, 2), qPrintable(describe(got, colour) + QString(" at %1,%2").arg(at.x()).arg(at.y())));
    }
}

void TestVideoGl::packedFrameIsUprightAndUnswapped()
{
    // Top half red, bottom half blue, in blue-green-red-alpha bytes.
    const int w = 100, h = 50, stride = w * 4;
    std::vector<unsigned char> pixels(size_t(stride) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char *p = pixels.data() + y * stride + x * 4;
            const bool top = y < h / 2;
            p[0] = top ? 10 : 220;  // blue
            p[1] = top ? 40 : 60;   // green
            p[2] = top ? 230 : 20;  // red
            p[3] = 255;
        }
    m_view->showImage(pixels.data(), w, h, stride);
    QCOMPARE(m_view->textureSize().width, 128);
    QCOMPARE(m_view->textureSize().height, 128);
    const QImage image = drawn();
    const QColor top = image.pixelColor(80, 20), bottom = image.pixelColor(80, 100);
    QVERIFY2(within(top, QColor(230, 40, 10), 1), qPrintable(describe(top, QColor(230, 40, 10))));
    QVERIFY2(within(bottom, QColor(20, 60, 220), 1),
             qPrintable(describe(bottom, QColor(20, 60, 220))));
}

void TestVideoGl::largePackedFrameFillsTheView()
{
    // 1920 × 1080 in a 2048 × 2048 texture: only the picture's part is shown.
    const int w = 1920, h = 1080, stride = 7680;
    std::vector<unsigned char> pixels(size_t(stride) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char *p = pixels.data() + size_t(y) * stride + size_t(x) * 4;
            const int quadrant = (y < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1);
            const QColor c = QColor::fromHsv(quadrant * 90, 200, 220);
            p[0] = uchar(c.blue());
            p[1] = uchar(c.green());
            p[2] = uchar(c.red());
            p[3] = 255;
        }
    m_view->showImage(pixels.data(), w, h, stride);
    QCOMPARE(m_view->textureSize().width, 2048);
    QCOMPARE(m_view->textureSize().height, 2048);
    QCOMPARE(m_view->textureSize().s, 0.9375f);
    QCOMPARE(m_view->textureSize().t, 0.52734375f);
    const QImage image = drawn();
    const QPoint centres[4] = {QPoint(40, 30), QPoint(120, 30), QPoint(40, 90), QPoint(120, 90)};
    for (int q = 0; q < 4; ++q) {
        const QColor want = QColor::fromHsv(q * 90, 200, 220);
        const QColor got = image.pixelColor(centres[q]);
        QVERIFY2(within(got, want, 1), qPrintable(QString::number(q) + ": " + describe(got, want)));
    }
    // The picture reaches the view's corners: no texture padding is shown.
    QVERIFY(within(image.pixelColor(159, 119), QColor::fromHsv(270, 200, 220), 1));
}

void TestVideoGl::emptyFrameLeavesTheClearColour()
{
    m_view->setBackgroundColor(QColor(30, 90, 40));
    PlanarFrame frame(64, 48, toYuv(QColor(250, 250, 250)), 0);
    m_view->showYUVImage(frame.planes, frame.width, frame.height, frame.strides);
    QVERIFY(within(drawn().pixelColor(80, 60), QColor(250, 250, 250), 2));
    unsigned char *none[3] = {nullptr, nullptr, nullptr};
    m_view->showYUVImage(none, 0, 0, frame.strides);
    QCOMPARE(m_view->frameSize(), QSize(0, 0));
    QCOMPARE(drawn().pixelColor(80, 60), QColor(30, 90, 40));
    // And a packed clear as well.
    m_view->showYUVImage(frame.planes, frame.width, frame.height, frame.strides);
    m_view->showImage(nullptr, 0, 0, 0);
    QCOMPARE(drawn().pixelColor(80, 60), QColor(30, 90, 40));
}

void TestVideoGl::framesFromAnotherThreadAreDrawn()
{
    // A producer far faster than the screen: frames beyond nine are dropped,
    // the last one that got through is shown, nothing waits at the end.
    const QColor last(200, 60, 90);
    std::thread producer([&] {
        for (int i = 0; i < 200; ++i) {
            const QColor c = i == 199 ? last : QColor::fromHsv(i % 360, 255, 255);
            PlanarFrame frame(96, 64, toYuv(c), 8);
            m_view->showYUVImage(frame.planes, frame.width, frame.height, frame.strides);
        }
    });
    producer.join();
    QTRY_COMPARE(m_view->pendingFrames(), 0);
    QCOMPARE(m_view->frameSize(), QSize(96, 64));
    // Once the queue has room again, a frame is always taken.
    PlanarFrame frame(96, 64, toYuv(last), 8);
    std::thread again([&] {
        m_view->showYUVImage(frame.planes, frame.width, frame.height, frame.strides);
    });
    again.join();
    QTRY_COMPARE(m_view->pendingFrames(), 0);
    const QColor got = drawn().pixelColor(80, 60);
    QVERIFY2(within(got, last, 2), qPrintable(describe(got, last)));
}

void TestVideoGl::elementWindowShowsTheLetterBoxedPicture()
{
    QMediaElementWindow window;
    window.resize(400, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setVideoElementSize(16, 9);
    QCOMPARE(window.getVideoElementRect(), QRect(0, 87, 400, 225));
    QTRY_VERIFY(window.videoView()->context() && window.videoView()->context()->isValid());
    const QColor colour(240, 180, 30);
    PlanarFrame frame(160, 90, toYuv(colour), 0);
    window.showYUVImage(frame.planes, frame.width, frame.height, frame.strides);
    const QImage picture = window.videoView()->grabFramebuffer();
    QVERIFY(within(picture.pixelColor(200, 112), colour, 2));
    const QImage whole = window.grab().toImage();
    TestSupport::saveScreenshot(&window, "mediawidgets_element_window");
    QVERIFY2(within(whole.pixelColor(200, 200), colour, 2),
             qPrintable(describe(whole.pixelColor(200, 200), colour)));
    // Black bands above and below the picture.
    QCOMPARE(whole.pixelColor(200, 40), QColor(0, 0, 0));
    QCOMPARE(whole.pixelColor(200, 360), QColor(0, 0, 0));
    window.resetOpenGl();
    QCOMPARE(window.videoView()->frameSize(), QSize(0, 0));
}

QTEST_MAIN(TestVideoGl)
#include "tst_videogl.moc"
