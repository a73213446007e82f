// Frame display without a GL context (offscreen), letter-boxing element
// window and preview pane.

#include "recordedlevels.h"
#include "testsupport.h"

#include "media/jxplayermanager.h"
#include "widgetkit/views/qaudiowavewidget.h"
#include "widgetkit/views/qjxvideoframequeue.h"
#include "widgetkit/views/qjxvideoshowwidget.h"
#include "widgetkit/views/qjxvideotexturesize.h"
#include "widgetkit/views/qmediaelementwindow.h"
#include "widgetkit/views/qmediaform.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// What the function writes to standard output.
QByteArray captureStdout(const std::function<void()> &fn)
{
    QTemporaryFile file;
    if (!file.open())
        return QByteArray("cannot capture");
    std::fflush(stdout);
    const int saved = dup(1);
    dup2(file.handle(), 1);
    fn();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    file.seek(0);
    return file.readAll();
}

std::vector<unsigned char> bgraFrame(int height, int stride)
{
    std::vector<unsigned char> pixels(size_t(stride) * size_t(height));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(i * 7);
    return pixels;
}

} // namespace

Q_DECLARE_METATYPE(QMouseEvent *)

class TestVideoQueue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<QMouseEvent *>(); }
    void textureSizesArePowersOfTwo();
    void tenthFrameIsDroppedAndEmptyFramesNeverAre();
    void framesWithoutContextAreDiscarded();
    void planarCopiesRepeatTheOddRowAndPadChroma();
    void callerMayReuseItsBuffers();
    void letterBoxKeepsTheProportions();
    void clickWithoutMovementTogglesPlayback();
    void doubleClickSwitchesFullScreen();
    void previewPaneFollowsItsEngine();
    void previewPaneOperationTypes();
};

void TestVideoQueue::textureSizesArePowersOfTwo()
{
    const QJXVideoTextureSize hd = QJXVideoTextureSize::packed(1920, 1080, 7680);
    QCOMPARE(hd.width, 2048);
    QCOMPARE(hd.height, 2048);
    QCOMPARE(hd.s, 0.9375f);
    QCOMPARE(hd.t, 0.52734375f);
    const QJXVideoTextureSize small = QJXVideoTextureSize::packed(100, 50, 400);
    QCOMPARE(small.width, 128);
    QCOMPARE(small.height, 128);
    const int strides[3] = {100, 50, 50};
    const QJXVideoTextureSize planar = QJXVideoTextureSize::planar(100, 50, strides);
    QCOMPARE(planar.width, 128);
    QCOMPARE(planar.height, 128);
    // A chroma stride wider than half the luma stride decides the width.
    const int wide[3] = {704, 400, 352};
    QCOMPARE(QJXVideoTextureSize::planar(700, 300, wide).width, 1024);
    QCOMPARE(QJXVideoTextureSize::powerOfTwo(129), 256);
    QCOMPARE(QJXVideoTextureSize::powerOfTwo(0), 128);
}

void TestVideoQueue::tenthFrameIsDroppedAndEmptyFramesNeverAre()
{
    QJXVideoShowWidget view;
    QSignalSpy packed(&view, &QJXVideoShowWidget::emitDrawImageData);
    QSignalSpy planar(&view, &QJXVideoShowWidget::emitDrawYUVImageData);
    std::vector<unsigned char> pixels = bgraFrame(36, 256);

    // The codec library's frame thread delivers ten frames before any draw.
    const QByteArray said = captureStdout([&] {
        std::thread producer([&] {
            for (int i = 0; i < 10; ++i)
                view.showImage(pixels.data(), 64, 36, 256);
            view.showImage(nullptr, 0, 0, 0); // clearing is never dropped
        });
        producer.join();
    });
    QCOMPARE(packed.count(), 10);
    QCOMPARE(view.pendingFrames(), 10);
    QCOMPARE(said, QByteArray("showImage too slow...\n"));

    std::vector<unsigned char> y(64 * 36, 100), u(32 * 18, 90), v(32 * 18, 200);
    unsigned char *planes[3] = {y.data(), u.data(), v.data()};
    int strides[3] = {64, 32, 32};
    const QByteArray saidYuv = captureStdout([&] {
        std::thread producer([&] { view.showYUVImage(planes, 64, 36, strides); });
        producer.join();
    });
    QCOMPARE(planar.count(), 0);
    QCOMPARE(saidYuv, QByteArray("showYUVImage too slow...\n"));
    unsigned char *none[3] = {nullptr, nullptr, nullptr};
    view.showYUVImage(none, 0, 0, strides);
    QCOMPARE(planar.count(), 1);
}

void TestVideoQueue::framesWithoutContextAreDiscarded()
{
    QJXVideoShowWidget view; // never shown: no GL context
    std::vector<unsigned char> pixels = bgraFrame(16, 128);
    std::thread producer([&] {
        for (int i = 0; i < 9; ++i)
            view.showImage(pixels.data(), 32, 16, 128);
    });
    producer.join();
    QCOMPARE(view.pendingFrames(), 9);
    // The queued draws reach the GUI thread and throw the frames away.
    QTRY_COMPARE(view.pendingFrames(), 0);
    QCOMPARE(view.frameSize(), QSize(0, 0));
    QSignalSpy packed(&view, &QJXVideoShowWidget::emitDrawImageData);
    const QByteArray said = captureStdout([&] {
        for (int i = 0; i < 9; ++i)
            view.showImage(pixels.data(), 32, 16, 128);
    });
    QCOMPARE(packed.count(), 9);
    QVERIFY(said.isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(view.pendingFrames(), 0);

    // reset() forgets whatever waits.
    std::thread more([&] { view.showImage(pixels.data(), 32, 16, 128); });
    more.join();
    view.reset();
    QCOMPARE(view.pendingFrames(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(view.pendingFrames(), 0);
}

void TestVideoQueue::planarCopiesRepeatTheOddRowAndPadChroma()
{
    QJXVideoFrameQueue queue;
    const int width = 5, height = 3;
    int strides[3] = {8, 6, 7};
    std::vector<unsigned char> y(8 * 3), u(6 * 2), v(7 * 2);
    for (size_t i = 0; i < y.size(); ++i)
        y[i] = static_cast<unsigned char>(10 + i);
    for (size_t i = 0; i < u.size(); ++i)
        u[i] = static_cast<unsigned char>(50 + i);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = static_cast<unsigned char>(70 + i);
    unsigned char *planes[3] = {y.data(), u.data(), v.data()};
    QVERIFY(queue.pushPlanar(planes, width, height, strides));
    std::unique_ptr<QJXVideoFrame> frame = queue.takeOldest();
    QVERIFY(frame && !frame->empty);
    QCOMPARE(frame->rows(), 4);
    QCOMPARE(frame->planes[0].size(), size_t(8 * 4));
    // The last luma row again.
    for (int x = 0; x < 8; ++x)
        QCOMPARE(frame->planes[0][size_t(24 + x)], y[size_t(16 + x)]);
    // Chroma: three samples of picture per row, then neutral grey.
    for (int r = 0; r < 2; ++r) {
        for (int x = 0; x < 3; ++x) {
            QCOMPARE(frame->planes[1][size_t(r * 6 + x)], u[size_t(r * 6 + x)]);
            QCOMPARE(frame->planes[2][size_t(r * 7 + x)], v[size_t(r * 7 + x)]);
        }
        for (int x = 3; x < 6; ++x)
            QCOMPARE(frame->planes[1][size_t(r * 6 + x)], uchar(128));
        for (int x = 3; x < 7; ++x)
            QCOMPARE(frame->planes[2][size_t(r * 7 + x)], uchar(128));
    }
    QCOMPARE(queue.pending(), 1);
    queue.done();
    QCOMPARE(queue.pending(), 0);
    QVERIFY(!queue.takeOldest());
}

void TestVideoQueue::callerMayReuseItsBuffers()
{
    QJXVideoFrameQueue queue;
    std::vector<unsigned char> pixels = bgraFrame(2, 16);
    const std::vector<unsigned char> original = pixels;
    QVERIFY(queue.pushPacked(pixels.data(), 4, 2, 16));
    std::fill(pixels.begin(), pixels.end(), 0);
    std::unique_ptr<QJXVideoFrame> frame = queue.takeOldest();
    QCOMPARE(frame->planes[0], original);
    QCOMPARE(frame->strides[0], 16);
}

void TestVideoQueue::letterBoxKeepsTheProportions()
{
    QMediaElementWindow window;
    QCOMPARE(window.size(), QSize(791, 521));
    QCOMPARE(window.getVideoElementRect(), QRect(710, 480, 41, 20));
    window.resize(400, 400);
    QSignalSpy changed(&window, &QMediaElementWindow::emitVideoElementSizeChange);
    window.setVideoElementSize(1920, 1080);
    QCOMPARE(window.getVideoElementRect(), QRect(0, 87, 400, 225));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.last().at(0).toRect(), QRect(0, 87, 400, 225));
    window.setVideoElementSize(1080, 1920);
    QCOMPARE(window.getVideoElementRect(), QRect(87, 0, 225, 400));
    window.setVideoElementSize(3, 3);
    QCOMPARE(window.getVideoElementRect(), QRect(0, 0, 400, 400));
    // Nothing to fit: ignored.
    window.setVideoElementSize(0, 720);
    window.setVideoElementSize(1280, -1);
    QCOMPARE(changed.count(), 3);
    // A resized window keeps the picture fitted.
    window.setVideoElementSize(16, 9);
    window.show();
    window.resize(300, 200);
    QTRY_COMPARE(window.size(), QSize(300, 200));
    QCOMPARE(window.getVideoElementRect(), QRect(0, (200 - 168) / 2, 300, 168));
    QCOMPARE(QMediaElementWindow::letterBoxRect(QSize(401, 301), 4, 3), QRect(0, 0, 401, 300));
}

void TestVideoQueue::clickWithoutMovementTogglesPlayback()
{
    QMediaElementWindow window;
    window.resize(320, 240);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy toggle(&window, &QMediaElementWindow::emitPlayOrPause);
    QSignalSpy pressed(&window, &QMediaElementWindow::emitMousePressEvent);
    QSignalSpy released(&window, &QMediaElementWindow::emitMouseReleaseEvent);
    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(toggle.count(), 1);
    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(60, 52));
    QCOMPARE(toggle.count(), 1);
    QCOMPARE(pressed.count(), 2);
    QCOMPARE(released.count(), 2);
    // The window itself is black around the picture.
    QCOMPARE(window.grab().toImage().pixelColor(2, 2), QColor(0, 0, 0));
}

void TestVideoQueue::doubleClickSwitchesFullScreen()
{
    QMediaElementWindow window;
    window.resize(320, 240);
    window.setVideoElementSize(4, 3);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy full(&window, &QMediaElementWindow::emitFullScreen);
    QSignalSpy showButtons(&window, &QMediaElementWindow::emitShowBtn);
    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(full.count(), 1);
    QVERIFY(window.isFullScreen());
    QTRY_VERIFY(window.height() > 240);
    QMouseEvent nearBottom(QEvent::MouseMove, QPointF(20, window.height() - 10),
                           QPointF(window.mapToGlobal(QPoint(20, window.height() - 10))),
                           Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &nearBottom);
    QMouseEvent nearTop(QEvent::MouseMove, QPointF(20, 10), QPointF(window.mapToGlobal(QPoint(20, 10))),
                        Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &nearTop);
    QVERIFY(showButtons.count() >= 2);
    QCOMPARE(showButtons.at(showButtons.count() - 2).at(0).toBool(), true);
    QCOMPARE(showButtons.last().at(0).toBool(), false);
    // The picture fills the screen's height by its proportions.
    const QRect picture = window.getVideoElementRect();
    QCOMPARE(picture, QMediaElementWindow::letterBoxRect(window.size(), 4, 3));
    QVERIFY(picture.width() > 320);
    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(full.count(), 2);
    QVERIFY(!window.isFullScreen());
}

void TestVideoQueue::previewPaneFollowsItsEngine()
{
    QTemporaryDir dir;
    QVector<QByteArray> tone =
        RecordedLevels::record(TestSupport::sineTone(440, 0.3), dir.filePath("tone.wav"));
    QVERIFY(!tone.isEmpty());
    JXPlayerManager engine; // nothing opened: the engine's signals are driven by hand
    QMediaForm form(&engine, nullptr);
    QCOMPARE(form.size(), QSize(703, 272));
    QCOMPARE(form.windowTitle(), QString("Form"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.resize(500, 200);
    QTRY_COMPARE(form.waveWidget()->geometry(), QRect(6, 0, 488, 200));
    QCOMPARE(form.elementWindow()->geometry(), QRect(0, 0, 500, 200));

    // Sound only: the waveform of the playing file.
    emit engine.emitIsHaveVideo(false);
    form.setOperationType(QMediaForm::Preview);
    QVERIFY(form.waveWidget()->isVisible());
    QVERIFY(!form.elementWindow()->isVisible());
    QByteArray block = tone.last();
    emit engine.emitAudioData(block, RecordedLevels::rateOf(block));
    unsigned lo = 1000, hi = 0;
    for (unsigned v : form.waveWidget()->barValues()) {
        lo = qMin(lo, v);
        hi = qMax(hi, v);
    }
    QVERIFY2(hi - lo > 40, qPrintable(QString("%1..%2").arg(lo).arg(hi)));
    const QImage shot(TestSupport::saveScreenshot(&form, "mediawidgets_preview_pane_wave"));
    QVERIFY(!shot.isNull());
    int orange = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            orange += c.red() > 200 && c.green() > 100 && c.green() < 160 && c.blue() < 100;
        }
    QVERIFY2(orange > 200, qPrintable(QString::number(orange)));
    // The pane's background picture shows around the wave.
    QVERIFY(shot.pixelColor(2, 2).alpha() == 255 && shot.pixelColor(2, 2) != QColor(0, 0, 0));

    // A null block clears the waveform: the next paint draws no wave.
    emit engine.emitAudioData(QByteArray(), 0);
    const QImage cleared = form.grab().toImage();
    int left = 0;
    for (int y = 0; y < cleared.height(); ++y)
        for (int x = 0; x < cleared.width(); ++x) {
            const QColor c = cleared.pixelColor(x, y);
            left += c.red() > 200 && c.green() > 100 && c.green() < 160 && c.blue() < 100;
        }
    QCOMPARE(left, 0);

    // Unbound: the engine's signals no longer reach the pane.
    form.setPlayerManager(nullptr);
    emit engine.emitIsHaveVideo(true);
    form.setOperationType(QMediaForm::Preview);
    QVERIFY(form.waveWidget()->isVisible());
}

void TestVideoQueue::previewPaneOperationTypes()
{
    JXPlayerManager engine;
    QMediaForm form;
    form.setPlayerManager(&engine);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.setOperationType(QMediaForm::Preview);
    QVERIFY(form.elementWindow()->isVisible());
    QVERIFY(!form.waveWidget()->isVisible());
    form.setOperationType(QMediaForm::Waveform);
    QVERIFY(!form.elementWindow()->isVisible());
    QVERIFY(form.waveWidget()->isVisible());
    form.setOperationType(QMediaForm::None);
    QVERIFY(!form.elementWindow()->isVisible());
    QVERIFY(!form.waveWidget()->isVisible());
    // The video flag takes effect at the next switch.
    form.isHaveVideo(false);
    QVERIFY(!form.waveWidget()->isVisible());
    form.setOperationType(QMediaForm::Preview);
    QVERIFY(form.waveWidget()->isVisible());
    form.setOperationType(7);
    QCOMPARE(form.operationType(), 7);
    QVERIFY(form.waveWidget()->isVisible());
    QVERIFY(form.waveWidget()->testAttribute(Qt::WA_TransparentForMouseEvents));
    QVERIFY(form.elementWindow()->testAttribute(Qt::WA_TransparentForMouseEvents));
    // The engine hides and shows the element window through its interface.
    IMediaElementWindow *window = form.elementWindow();
    form.setOperationType(QMediaForm::None);
    window->setElementHidden(false);
    QVERIFY(form.elementWindow()->isVisible());
}

QTEST_MAIN(TestVideoQueue)
#include "tst_videoqueue.moc"
