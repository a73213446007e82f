// Arithmetic of the preview engine that needs no player: the trim range and
// its play length, time texts, the hit test and drag geometry of rectangles,
// and the hand-over of copied pictures between threads.

#include "media/imediaelementwindow.h"
#include "media/jxframemailbox.h"
#include "media/jxplaytimetext.h"
#include "media/jxrectedit.h"
#include "media/jxtrimrange.h"

#include <QThread>
#include <QtTest>

#include <atomic>

using namespace JXRectEdit;

namespace {

constexpr uint64_t kSecond = 1000000;

class RecordingWindow : public IMediaElementWindow
{
public:
    void setVideoElementSize(int, int) override {}
    QRect getVideoElementRect() const override { return {}; }
    void showImage(const unsigned char *data, unsigned w, unsigned h, unsigned stride) override
    {
        rgb = QByteArray(reinterpret_cast<const char *>(data), int(stride * h));
        width = w;
    }
    void showYUVImage(const unsigned char *const planes[3], unsigned w, unsigned h,
                      const unsigned strides[3]) override
    {
        luma = QByteArray(reinterpret_cast<const char *>(planes[0]), int(strides[0] * h));
        chroma = QByteArray(reinterpret_cast<const char *>(planes[2]),
                            int(strides[2] * ((h + 1) / 2)));
        width = w;
    }
    void setElementHidden(bool) override {}
    QByteArray rgb, luma, chroma;
    unsigned width = 0;
};

} // namespace

class TestPreviewGeometry : public QObject
{
    Q_OBJECT
private slots:
    void playLengthFollowsTheRange()
    {
        JXTrimRange r;
        QCOMPARE(r.playLength(60 * kSecond), 60 * kSecond); // trimming off
        r.isTrim = true;
        r.set(2 * kSecond, 4 * kSecond);
        QCOMPARE(r.playLength(60 * kSecond), 2 * kSecond);
        r.set(10 * kSecond, 0); // open end runs to the media's end
        QCOMPARE(r.playLength(60 * kSecond), 50 * kSecond);
        QVERIFY(!r.pastEnd(59 * kSecond));
        QCOMPARE(r.playLength(5 * kSecond), uint64_t(0)); // start past a short media: no wrap
    }

    void endAtOrBeforeStartRunsToTheEnd()
    {
        JXTrimRange r;
        r.isTrim = true;
        r.set(10 * kSecond, 5 * kSecond);
        QVERIFY(!r.hasEnd());
        QCOMPARE(r.playLength(60 * kSecond), 50 * kSecond);
        // Playing on past that end must not stop playback.
        QVERIFY(!r.pastEnd(20 * kSecond));
        r.set(10 * kSecond, 10 * kSecond);
        QVERIFY(!r.pastEnd(20 * kSecond));
        r.set(10 * kSecond, 12 * kSecond);
        QVERIFY(!r.pastEnd(12 * kSecond));
        QVERIFY(r.pastEnd(12 * kSecond + 1));
    }

    void positionsAreRelativeAndNeverWrap()
    {
        JXTrimRange r;
        r.set(2 * kSecond, 4 * kSecond);
        QCOMPARE(r.relative(3 * kSecond), 3 * kSecond); // trimming off: unchanged
        r.isTrim = true;
        QCOMPARE(r.relative(3 * kSecond), kSecond);
        QCOMPARE(r.relative(kSecond), uint64_t(0));
        QCOMPARE(r.at(0.5f, 60 * kSecond), 3 * kSecond);
        QCOMPARE(r.at(1.0f, 60 * kSecond), 4 * kSecond);
        QCOMPARE(JXTrimRange::fraction(5, 0), 0.0);
        QCOMPARE(JXTrimRange::fraction(kSecond, 2 * kSecond), 0.5);
    }

    void timeTexts()
    {
        const uint64_t t = ((3600 + 2 * 60 + 3) * 1000 + 4) * uint64_t(1000);
        QCOMPARE(JXPlayTimeText::clock(t), QString("01:02:03"));
        QCOMPARE(JXPlayTimeText::clockMs(t), QString("01:02:03.004"));
        QCOMPARE(JXPlayTimeText::clock(100 * 3600 * kSecond), QString("100:00:00"));
        QCOMPARE(JXPlayTimeText::span(0, 0), QString("00:00:00 / 00:00:00"));
        QCOMPARE(JXPlayTimeText::spanMs(0, 0), QString("00:00:00.000 / 00:00:00.000"));
        QCOMPARE(JXPlayTimeText::spanMs(1500000, 2 * kSecond),
                 QString("00:00:01.500 / 00:00:02.000"));
    }

    void hitTestHandles_data()
    {
        // The rectangle 0.25..0.75 of a 400 x 200 element at (10, 20):
        // pixels L 110, T 70, R 310, B 170.
        QTest::addColumn<int>("mx");
        QTest::addColumn<int>("my");
        QTest::addColumn<int>("handle");
        QTest::newRow("top-left within 4") << 114 << 74 << int(TopLeft);
        QTest::newRow("5 away is inside") << 115 << 75 << int(Inside);
        QTest::newRow("bottom-left") << 108 << 172 << int(BottomLeft);
        QTest::newRow("left edge") << 110 << 120 << int(Left);
        QTest::newRow("top-right") << 310 << 70 << int(TopRight);
        QTest::newRow("bottom-right") << 313 << 167 << int(BottomRight);
        QTest::newRow("right edge") << 307 << 100 << int(Right);
        QTest::newRow("top edge") << 200 << 66 << int(Top);
        QTest::newRow("bottom edge") << 200 << 174 << int(Bottom);
        QTest::newRow("outside") << 50 << 50 << int(NoHandle);
        QTest::newRow("beside, beyond reach") << 320 << 120 << int(NoHandle);
        QTest::newRow("left edge, above") << 110 << 40 << int(NoHandle);
    }

    void hitTestHandles()
    {
        QFETCH(int, mx);
        QFETCH(int, my);
        QFETCH(int, handle);
        const QRect element(10, 20, 400, 200);
        const FracRect r{0.25, 0.25, 0.5, 0.5};
        QCOMPARE(toPixels(r, element), QRect(QPoint(110, 70), QPoint(310, 170)));
        QCOMPARE(int(hitTest(r, element, mx, my)), handle);
    }

    void smallRectanglesPreferLeftAndTop()
    {
        const QRect element(0, 0, 100, 100);
        const FracRect tiny{0.5, 0.5, 0.03, 0.03}; // 3 pixels: every edge in reach
        QCOMPARE(int(hitTest(tiny, element, 51, 51)), int(TopLeft));
        QCOMPARE(int(hitTest(FracRect{0.5, 0.5, 0.00005, 0.5}, element, 50, 70)), int(NoHandle));
    }

    void cursors()
    {
        QCOMPARE(cursorFor(TopLeft), Qt::SizeFDiagCursor);
        QCOMPARE(cursorFor(BottomRight), Qt::SizeFDiagCursor);
        QCOMPARE(cursorFor(BottomLeft), Qt::SizeBDiagCursor);
        QCOMPARE(cursorFor(TopRight), Qt::SizeBDiagCursor);
        QCOMPARE(cursorFor(Left), Qt::SizeHorCursor);
        QCOMPARE(cursorFor(Bottom), Qt::SizeVerCursor);
        QCOMPARE(cursorFor(Inside), Qt::SizeAllCursor);
        QCOMPARE(cursorFor(NoHandle), Qt::ArrowCursor);
    }

    void dragLimits()
    {
        const FracRect p{0.2, 0.2, 0.4, 0.4};
        // Left edge past the right edge stops 0.02 short; past the border stops at 0.
        FracRect r = drag(Left, p, 0.9, 0, 0.0, 0.0);
        QVERIFY(qAbs(r.x - 0.58) < 1e-9);
        QVERIFY(qAbs(r.width - 0.02) < 1e-9);
        r = drag(Left, p, -0.5, 0, 0.0, 0.0);
        QCOMPARE(r.x, 0.0);
        QVERIFY(qAbs(r.width - 0.6) < 1e-9);
        // A minimum of 0.1 keeps the opposite corner fixed while dragging inward.
        r = drag(TopLeft, p, 0.35, 0.35, 0.1, 0.1);
        QVERIFY(qAbs(r.x + r.width - 0.6) < 1e-9);
        QVERIFY(qAbs(r.width - 0.1) < 1e-9);
        QVERIFY(qAbs(r.y + r.height - 0.6) < 1e-9);
        // Right and bottom edges stop at the picture's border.
        r = drag(BottomRight, p, 0.9, 0.9, 0.0, 0.0);
        QVERIFY(qAbs(r.x + r.width - 1.0) < 1e-9);
        QVERIFY(qAbs(r.y + r.height - 1.0) < 1e-9);
        // Moving keeps the whole rectangle inside.
        r = drag(Inside, p, 0.9, -0.9, 0.0, 0.0);
        QVERIFY(qAbs(r.x - 0.6) < 1e-9);
        QCOMPARE(r.y, 0.0);
        QCOMPARE(r.width, p.width);
    }

    void proportionsKeptInsideThePicture()
    {
        const FracRect p{0.2, 0.2, 0.4, 0.2}; // 2:1
        FracRect d = drag(BottomRight, p, 0.2, 0.05, 0, 0);
        FracRect r = keepProportions(BottomRight, p, d);
        QVERIFY(qAbs(r.width / r.height - 2.0) < 1e-9);
        QCOMPARE(r.x, p.x);
        QCOMPARE(r.y, p.y);
        // Growing far to the right: the height needs more room than is left.
        d = drag(Right, p, 0.9, 0, 0, 0);
        r = keepProportions(Right, p, d);
        QVERIFY(r.y >= 0 && r.y + r.height <= 1.0 + 1e-9);
        QVERIFY(qAbs(r.width / r.height - 2.0) < 1e-9);
    }

    void framesCrossThreadsAsCopies()
    {
        JXFrameMailbox box;
        JXFrameCopy a;
        a.format = JXFramePackedRGB;
        a.width = 2;
        a.height = 1;
        a.strides[0] = 6;
        a.planes[0] = QByteArray("\x01\x02\x03\x04\x05\x06", 6);
        QVERIFY(box.post(a)); // empty box: a delivery must be queued
        a.planes[0][0] = 9;
        QVERIFY(!box.post(a)); // one already queued: only the newest waits
        std::optional<JXFrameCopy> got = box.take();
        QVERIFY(got);
        QCOMPARE(got->planes[0].at(0), char(9));
        QVERIFY(!box.take());
        RecordingWindow w;
        QVERIFY(got->showIn(&w));
        QCOMPARE(w.rgb, got->planes[0]);
        JXFrameCopy yuv;
        yuv.format = JXFramePlanarYUV;
        yuv.width = 2;
        yuv.height = 2;
        yuv.planes[0] = QByteArray(4, 'y');
        yuv.planes[1] = QByteArray(1, 'u');
        yuv.planes[2] = QByteArray(1, 'v');
        yuv.strides[0] = 2;
        yuv.strides[1] = yuv.strides[2] = 1;
        QVERIFY(yuv.showIn(&w));
        QCOMPARE(w.luma, QByteArray(4, 'y'));
        QCOMPARE(w.chroma, QByteArray(1, 'v'));
        JXFrameCopy other;
        other.format = 7;
        QVERIFY(!other.showIn(&w));
        QVERIFY(!JXFrameCopy::fromFrame(nullptr));
    }

    void mailboxUnderConcurrentPosts()
    {
        JXFrameMailbox box;
        std::atomic<int> queued{0};
        QThread *producer = QThread::create([&] {
            for (int i = 0; i < 2000; ++i) {
                JXFrameCopy f;
                f.format = JXFramePackedRGB;
                f.planes[0] = QByteArray(64, char(i));
                if (box.post(std::move(f)))
                    ++queued;
            }
        });
        producer->start();
        int taken = 0;
        while (!producer->isFinished())
            if (box.take())
                ++taken;
        producer->wait();
        if (box.take())
            ++taken;
        delete producer;
        // Every queued delivery finds exactly one picture.
        QCOMPARE(taken, queued.load());
    }
};

QTEST_GUILESS_MAIN(TestPreviewGeometry)
#include "tst_previewgeometry.moc"
