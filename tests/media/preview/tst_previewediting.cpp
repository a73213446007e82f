// The preview engine on a real video file: pictures reaching the display
// windows on the GUI thread, the snapshot, stream detection, and dragging the
// crop and watermark rectangles with synthetic mouse events sent to the
// windows, whose mouse signals are wired to the manager as the editor does.

#include "media/jxplayerclass.h"
#include "media/jxplayermanager.h"
#include "media/qvideoeditingsettings.h"

#include "mediafiles.h"
#include "previewtestwindow.h"
#include "rzcodec/player.h"
#include "testsupport.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QFontMetricsF>
#include <QtTest>

#include <vector>

namespace {

std::vector<double> kept(JXPlayerManager &m, const char *name)
{
    std::vector<double> values(16);
    const uint32_t n = rz_player_get_values(m.getPlayerClass()->getPlayer(), name, values.data(),
                                            uint32_t(values.size()));
    values.resize(std::min<size_t>(n, values.size()));
    return values;
}

void send(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButtons held)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), w->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void press(QWidget *w, QPoint at)
{
    send(w, QEvent::MouseButtonPress, at, Qt::LeftButton);
}

void dragTo(QWidget *w, QPoint at)
{
    send(w, QEvent::MouseMove, at, Qt::LeftButton);
}

void hover(QWidget *w, QPoint at)
{
    send(w, QEvent::MouseMove, at, Qt::NoButton);
}

void release(QWidget *w, QPoint at)
{
    send(w, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void wireCrop(PreviewTestWindow &w, JXPlayerManager &m)
{
    QObject::connect(&w, &PreviewTestWindow::mousePressed, &m, &JXPlayerManager::mousePressEvent);
    QObject::connect(&w, &PreviewTestWindow::mouseMoved, &m, &JXPlayerManager::mouseMoveEvent);
    QObject::connect(&w, &PreviewTestWindow::mouseReleased, &m,
                     &JXPlayerManager::mouseReleaseEvent);
}

void wireWatermark(PreviewTestWindow &w, JXPlayerManager &m)
{
    QObject::connect(&w, &PreviewTestWindow::mousePressed, &m,
                     &JXPlayerManager::mouseWatermarkPressEvent);
    QObject::connect(&w, &PreviewTestWindow::mouseMoved, &m,
                     &JXPlayerManager::mouseWatermarkMoveEvent);
    QObject::connect(&w, &PreviewTestWindow::mouseReleased, &m,
                     &JXPlayerManager::mouseWatermarkReleaseEvent);
}

VECropSettings centredCrop()
{
    VECropSettings c;
    c.cropLeft = c.cropTop = 0.25;
    c.cropRight = c.cropBottom = 0.5;
    return c;
}

} // namespace

class TestPreviewEditing : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_video = m_dir.filePath("clip.mkv");
        QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25",
                                       "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100",
                                       "-t", "2", "-c:v", "mpeg4", "-c:a", "pcm_s16le",
                                       "-shortest", m_video}));
        m_tone = m_dir.filePath("tone.wav");
        QVERIFY(TestSupport::writeToneWav(m_tone, 440, 2.0));
    }

    void picturesArriveCopiedOnTheGuiThread()
    {
        JXPlayerManager m;
        PreviewTestWindow preview, original;
        m.setMediaPreviewWindow(&preview);
        m.setMediaOriginalWindow(&original);
        QSignalSpy hasVideo(&m, &JXPlayerManager::emitIsHaveVideo);
        QSignalSpy changed(&m, &JXPlayerManager::emitPlayerChange);
        QVERIFY(m.setPlayFile(m_video, 0, 0, 3));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(hasVideo.count(), 1);
        QVERIFY(hasVideo.at(0).at(0).toBool());
        QVERIFY(!m.isAudioOnly());
        QCOMPARE(m.getVideoSize(), uint64_t(320) | uint64_t(240) << 32);

        // The screen timer shows the paused picture; the player's thread
        // hands it over, and it is drawn on the GUI thread from a copy.
        QTRY_VERIFY_WITH_TIMEOUT(preview.frames > 0 && original.frames > 0, 3000);
        QVERIFY(!preview.framesOffGuiThread);
        QVERIFY(!original.framesOffGuiThread);
        QCOMPARE(preview.lastWidth, 320u);
        QCOMPARE(original.lastHeight, 240u);
        QVERIFY(preview.lastLuma.count(char(0)) < preview.lastLuma.size());

        m.onPlay();
        const int before = preview.frames;
        QTRY_VERIFY_WITH_TIMEOUT(preview.frames > before + 5, 3000);
        QVERIFY(!preview.framesOffGuiThread);
        m.onPause();

        // A window given no output size follows the picture's shape.
        m.resizeVideoWindow();
        QCOMPARE(preview.elementSize.width() * 3, preview.elementSize.height() * 4);
        QCOMPARE(original.getVideoElementRect(), QRect(0, 0, 400, 300));

        const QString shot = m_dir.filePath("shot.png");
        QVERIFY(m.captureImage(shot, "PNG"));
        QCOMPARE(QImage(shot).size(), QSize(320, 240));

        // Taking a window away stops pictures going to it, while the other
        // window is still given them.
        m.setMediaPreviewWindow(nullptr);
        const int frozen = preview.frames;
        const int originalBefore = original.frames;
        m.onPlay();
        QTRY_VERIFY_WITH_TIMEOUT(original.frames > originalBefore + 5, 10000);
        m.onStop();
        QCOMPARE(preview.frames, frozen);
    }

    void audioOnlyFilesFeedTheWaveform()
    {
        JXPlayerManager m;
        QSignalSpy hasVideo(&m, &JXPlayerManager::emitIsHaveVideo);
        int blocks = 0;
        connect(&m, &JXPlayerManager::emitAudioData, this, [&](QByteArray data, int n) {
            // The block is a copy that outlives the engine's own.
            if (data.size() >= 44 && n > 0)
                ++blocks;
        });
        QVERIFY(m.setPlayFile(m_tone, 0, 0, 3));
        QCOMPARE(hasVideo.count(), 1);
        QVERIFY(!hasVideo.at(0).at(0).toBool());
        QVERIFY(m.isAudioOnly());
        JXPlayerClass *first = m.getPlayerClass();
        m.onPlay();
        QTRY_VERIFY_WITH_TIMEOUT(blocks >= 3, 3000);
        // A second file while playing: the same player, stopped and reopened.
        QVERIFY(m.setPlayFile(m_video, 0, 0, 3));
        QCOMPARE(m.getPlayerClass(), first);
        QVERIFY(!m.isAudioOnly());
        QVERIFY(!first->IsRunning_Player());
        QVERIFY(!m.setPlayFile(m_dir.filePath("missing.wav"), 0, 0, 3));
    }

    void frameStepsInsideTheTrimRange()
    {
        JXPlayerManager m;
        QVERIFY(m.setPlayFile(m_video, 0, 0, 3));
        m.onTrim(500000, 1500000);
        QSignalSpy percent(&m, &JXPlayerManager::emitStartEndProgressValue);
        QSignalSpy state(&m, qOverload<bool>(&JXPlayerManager::emitPlayState));
        QSignalSpy texts(&m, &JXPlayerManager::emitPlayTime2);
        JXPlayerClass *player = m.getPlayerClass();

        m.onNextStep(true, 0.5f); // from 1.0 s one picture on
        QVERIFY(!player->IsRunning_Player());
        QVERIFY(!state.isEmpty() && !state.last().at(0).toBool());
        QCOMPARE(percent.count(), 1);
        const float first = percent.last().at(0).toFloat();
        QVERIFY(first >= 0.0f && first <= 100.0f);
        // The player shows the picture on its own thread.
        QTRY_VERIFY_WITH_TIMEOUT(player->GetVideoTime_Player() > 1000000
                                     && player->GetVideoTime_Player() <= 1100000,
                                 2000);

        m.onPreviousStep(false, 0.5f); // one picture back from 1.04 s
        const float back = percent.last().at(0).toFloat();
        QVERIFY2(back > 45.0f && back < 60.0f, qPrintable(QString::number(back)));
        QVERIFY(texts.last().at(0).toString().startsWith("00:00:00.5"));
        QTRY_VERIFY_WITH_TIMEOUT(player->GetVideoTime_Player() > 900000
                                     && player->GetVideoTime_Player() <= 1000000,
                                 2000);

        // A step while playing pauses first.
        const uint64_t stepped = player->GetVideoTime_Player();
        m.onPlay();
        QTRY_VERIFY_WITH_TIMEOUT(player->IsRunning_Player()
                                     && player->GetVideoTime_Player() > stepped + 40000,
                                 10000);
        m.onNextStep(false, 0.0f);
        QVERIFY(player->IsPause_Player());
        QVERIFY(!state.last().at(0).toBool());

        // At the range's end a step only shows the picture there.
        m.onNextStep(true, 1.0f);
        QVERIFY(player->GetVideoTime_Player() <= 1500000 + 20000);

        // A range starting past the media's end has no length: progress 0.
        m.onTrim(5000000, 0);
        QCOMPARE(m.getPlaylength(), uint64_t(0));
        m.onNextStep(true, 0.5f);
        QCOMPARE(percent.last().at(0).toFloat(), 0.0f);
        QSignalSpy progress(&m, &JXPlayerManager::emitPlayProgress);
        QSignalSpy finished(&m, &JXPlayerManager::emitPlayFinish);
        m.progressValueChange(0.5);
        m.onPlay();
        // The position timer finds the player past the range and stops it.
        QVERIFY(finished.wait(10000));
        QVERIFY(!progress.isEmpty());
        m.onStop();
        for (const QList<QVariant> &p : progress)
            QVERIFY(qIsFinite(p.at(0).toDouble()) && p.at(0).toDouble() <= 1.0);
    }

    void cropHandlesAndMinimumSize()
    {
        JXPlayerManager m;
        PreviewTestWindow w;
        m.setMediaOriginalWindow(&w);
        QVERIFY(m.setPlayFile(m_video, 0, 0, 3));
        m.resizeVideoWindow();
        QCOMPARE(w.getVideoElementRect(), QRect(0, 0, 400, 300));
        wireCrop(w, m);
        m.setCropSettings(centredCrop()); // pixels 100, 75 .. 300, 225
        QSignalSpy changes(&m, &JXPlayerManager::emitCropAreaChange);

        QCOMPARE(m.getCropVCMinSize(), uint64_t(20) | uint64_t(20) << 32);
        // 20 element pixels in video pixels: 320 x 20 / 400 rounded, 240 x 20 / 300.
        QCOMPARE(m.getCropMinSize(), uint64_t(16) | uint64_t(16) << 32);

        // Hover feedback, then presses 4 and 5 pixels from the top-left corner.
        hover(&w, QPoint(10, 10));
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
        hover(&w, QPoint(200, 150));
        QCOMPARE(w.cursor().shape(), Qt::SizeAllCursor);
        hover(&w, QPoint(300, 150));
        QCOMPARE(w.cursor().shape(), Qt::SizeHorCursor);
        press(&w, QPoint(105, 80));
        QCOMPARE(w.cursor().shape(), Qt::SizeAllCursor);
        release(&w, QPoint(105, 80));
        press(&w, QPoint(104, 79));
        QCOMPARE(w.cursor().shape(), Qt::SizeFDiagCursor);

        // Dragged far inward: 20 pixels remain, the bottom-right corner stays.
        dragTo(&w, QPoint(390, 290));
        release(&w, QPoint(390, 290));
        QVERIFY(changes.count() >= 1);
        VECropSettings c = changes.last().at(0).value<VECropSettings>();
        QVERIFY(qAbs(c.cropRight * 400 - 20) < 1e-6);
        QVERIFY(qAbs(c.cropBottom * 300 - 20) < 1e-6);
        QVERIFY(qAbs(c.cropLeft + c.cropRight - 0.75) < 1e-9);
        QVERIFY(qAbs(c.cropTop + c.cropBottom - 0.75) < 1e-9);
        std::vector<double> applied = kept(m, "SetVideoCrop");
        QCOMPARE(applied.size(), size_t(4));
        QCOMPARE(applied[0], c.cropLeft);
        QCOMPARE(applied[2], c.cropRight);
        // A move without a button after the release only changes the cursor.
        const int count = changes.count();
        hover(&w, QPoint(5, 5));
        QCOMPARE(changes.count(), count);
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);

        // Moving the whole rectangle keeps it inside the picture.
        m.setCropSettings(centredCrop());
        press(&w, QPoint(200, 150));
        dragTo(&w, QPoint(-400, 900));
        release(&w, QPoint(-400, 900));
        c = changes.last().at(0).value<VECropSettings>();
        QCOMPARE(c.cropLeft, 0.0);
        QCOMPARE(c.cropTop, 0.5);
        QCOMPARE(c.cropRight, 0.5);

        // Left edge dragged past the right edge stops 0.02 short of it.
        m.setCropSettings(centredCrop());
        press(&w, QPoint(100, 150));
        QCOMPARE(w.cursor().shape(), Qt::SizeHorCursor);
        dragTo(&w, QPoint(395, 150));
        release(&w, QPoint(395, 150));
        c = changes.last().at(0).value<VECropSettings>();
        QVERIFY(qAbs(c.cropLeft + c.cropRight - 0.75) < 1e-9);
        QVERIFY(c.cropRight * 400 >= 20 - 1e-6);

        // The hub stores what the drags report.
        QVideoEditingSettings hub;
        hub.setPlayerManager(&m);
        m.setCropSettings(centredCrop());
        press(&w, QPoint(300, 225));
        QCOMPARE(w.cursor().shape(), Qt::SizeFDiagCursor);
        dragTo(&w, QPoint(340, 245));
        release(&w, QPoint(340, 245));
        VECropSettings stored;
        hub.getCropSettings(stored);
        QVERIFY(qAbs(stored.cropRight - 0.6) < 1e-9);
        QVERIFY(qAbs(stored.cropBottom - (150.0 + 20.0) / 300.0) < 1e-9);
    }

    void cropRatioModes()
    {
        JXPlayerManager m;
        PreviewTestWindow w;
        m.setMediaOriginalWindow(&w);
        QVERIFY(m.setPlayFile(m_video, 0, 0, 3));
        wireCrop(w, m);
        QSignalSpy changes(&m, &JXPlayerManager::emitCropAreaChange);

        VECropSettings own = centredCrop();
        own.panScanMode = 1; // the crop's own pixel size
        m.setCropSettings(own);
        press(&w, QPoint(300, 150));
        dragTo(&w, QPoint(313, 150));
        release(&w, QPoint(313, 150));
        VECropSettings c = changes.last().at(0).value<VECropSettings>();
        QCOMPARE(c.aspectWidth % 2, 0u);
        QCOMPARE(c.aspectHeight % 2, 0u);
        QVERIFY(qAbs(double(c.aspectWidth) - c.cropRight * 320) <= 2);
        QCOMPARE(c.aspectHeight, 120u);
        QCOMPARE(c.sizeMode, 0u);

        VECropSettings wide = centredCrop();
        wide.panScanMode = 3;
        m.setCropSettings(wide);
        press(&w, QPoint(300, 150));
        dragTo(&w, QPoint(280, 150));
        release(&w, QPoint(280, 150));
        c = changes.last().at(0).value<VECropSettings>();
        QCOMPARE(c.aspectWidth, 16u);
        QCOMPARE(c.aspectHeight, 9u);
        QCOMPARE(kept(m, "SetVideoAspectRatio"), std::vector<double>({16, 9}));
    }

    void imageWatermarkResizedAndMoved()
    {
        JXPlayerManager m;
        PreviewTestWindow w;
        m.setMediaPreviewWindow(&w);
        QVERIFY(m.setPlayFile(m_video, 0, 0, 3));
        m.resizeVideoWindow();
        QCOMPARE(w.getVideoElementRect(), QRect(0, 0, 400, 300));
        wireWatermark(w, m);
        VEWatermarkSettings wm;
        wm.imageFile = m_dir.filePath("logo.png").toStdString();
        wm.imagePosX = 0.1;
        wm.imagePosY = 0.1;
        wm.imageWidth = 0.2;
        wm.imageHeight = 0.2; // pixels 40, 30 .. 120, 90
        m.setCurrentWatermarkSettings(wm, 0, true);
        QSignalSpy rects(&m, &JXPlayerManager::emitWatermarkRectChange);

        hover(&w, QPoint(300, 250));
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
        hover(&w, QPoint(80, 60));
        QCOMPARE(w.cursor().shape(), Qt::SizeAllCursor);

        // The right edge dragged to twice the width doubles the x scale.
        press(&w, QPoint(120, 60));
        QCOMPARE(w.cursor().shape(), Qt::SizeHorCursor);
        dragTo(&w, QPoint(200, 60));
        QVERIFY(rects.count() >= 1);
        VEWatermarkSettings got = rects.last().at(0).value<VEWatermarkSettings>();
        QCOMPARE(rects.last().at(1).toInt(), 0);
        QCOMPARE(got.imageScaleX, 200u);
        QCOMPARE(got.imageScaleY, 100u);
        QVERIFY(qAbs(got.imageShownWidth - 0.4) < 1e-9);
        QCOMPARE(kept(m, "SetWatermarkImageScale"), std::vector<double>({200, 100}));
        const int beforeRelease = rects.count();
        release(&w, QPoint(200, 60));
        QCOMPARE(rects.count(), beforeRelease + 1); // the release reports once more

        // Moved far off: stays inside the picture, scale unchanged.
        press(&w, QPoint(100, 60));
        QCOMPARE(w.cursor().shape(), Qt::SizeAllCursor);
        dragTo(&w, QPoint(900, 900));
        release(&w, QPoint(900, 900));
        got = rects.last().at(0).value<VEWatermarkSettings>();
        QVERIFY(qAbs(got.imagePosX - 0.6) < 1e-9);
        QVERIFY(qAbs(got.imagePosY - 0.8) < 1e-9);
        QCOMPARE(got.imageScaleX, 200u);
        QCOMPARE(kept(m, "SetWatermarkImagePosition"), std::vector<double>({got.imagePosX, got.imagePosY}));

        // The top-left corner pulled past the bottom-right stops 0.02 short.
        press(&w, QPoint(240, 240));
        QCOMPARE(w.cursor().shape(), Qt::SizeFDiagCursor);
        dragTo(&w, QPoint(399, 299));
        release(&w, QPoint(399, 299));
        got = rects.last().at(0).value<VEWatermarkSettings>();
        QVERIFY(qAbs(got.imageShownWidth - 0.02) < 1e-9);
        QVERIFY(qAbs(got.imagePosX + got.imageShownWidth - 1.0) < 1e-9);

        // No image, no dragging: a press takes nothing.
        VEWatermarkSettings none;
        m.setCurrentWatermarkSettings(none, 0, false);
        const int count = rects.count();
        press(&w, QPoint(390, 290));
        dragTo(&w, QPoint(300, 200));
        QCOMPARE(rects.count(), count);
    }

    // A text watermark reports the size it is drawn at, so it is grabbed,
    // moved and stretched with the mouse like an image.
    void textWatermarkHasItsDrawnSizeAndDragsLikeAnImage()
    {
        JXPlayerManager m;
        PreviewTestWindow w;
        m.setMediaPreviewWindow(&w);
        QVERIFY(m.setPlayFile(m_video, 0, 0, 3));
        m.resizeVideoWindow();
        QCOMPARE(w.getVideoElementRect(), QRect(0, 0, 400, 300));
        wireWatermark(w, m);
        QSignalSpy rects(&m, &JXPlayerManager::emitWatermarkRectChange);
        VEWatermarkSettings wm;
        wm.text = "Velmora";
        wm.textFont = "DejaVu Sans";
        wm.textSize = 20;
        wm.textPosX = 0.1;
        wm.textPosY = 0.1;
        m.setCurrentWatermarkSettings(wm, 0, true);

        QFont font("DejaVu Sans");
        font.setPixelSize(20);
        const QSizeF drawn = QFontMetricsF(font).boundingRect(QRectF(), Qt::AlignLeft, "Velmora").size();
        JXPlayerClass *player = m.getPlayerClass();
        const double width = player->GetWatermarkTextWidth_Player();
        QVERIFY(qAbs(width - drawn.width() / 320) < 1e-9);
        QVERIFY(qAbs(player->GetWatermarkTextHeight_Player() - drawn.height() / 240) < 1e-9);
        QVERIFY(!rects.isEmpty());
        VEWatermarkSettings got = rects.last().at(0).value<VEWatermarkSettings>();
        QVERIFY(qAbs(got.textWidth - width) < 1e-9);

        const int right = int(width * 400 + 40);
        const int bottom = int(player->GetWatermarkTextHeight_Player() * 300 + 30);
        const QPoint centre((40 + right) / 2, (30 + bottom) / 2);
        hover(&w, centre);
        QCOMPARE(w.cursor().shape(), Qt::SizeAllCursor);
        press(&w, centre);
        dragTo(&w, centre + QPoint(40, 30));
        release(&w, centre + QPoint(40, 30));
        got = rects.last().at(0).value<VEWatermarkSettings>();
        QVERIFY(qAbs(got.textPosX - 0.2) < 1e-9);
        QVERIFY(qAbs(got.textPosY - 0.2) < 1e-9);

        // The right edge pulled out by its own width doubles the x scale and the drawn width.
        const int newRight = right + 40;
        const int middle = centre.y() + 30;
        press(&w, QPoint(newRight, middle));
        QCOMPARE(w.cursor().shape(), Qt::SizeHorCursor);
        dragTo(&w, QPoint(newRight + int(width * 400), middle));
        release(&w, QPoint(newRight + int(width * 400), middle));
        got = rects.last().at(0).value<VEWatermarkSettings>();
        QVERIFY2(qAbs(int(got.textScaleX) - 200) <= 2, qPrintable(QString::number(got.textScaleX)));
        QVERIFY(qAbs(player->GetWatermarkTextWidth_Player() - 2 * width) < 0.02);

        // Moved far off, it stays inside the picture.
        press(&w, QPoint(newRight, middle));
        dragTo(&w, QPoint(60, middle));
        release(&w, QPoint(60, middle));
        const QPoint inside(int(got.textPosX * 400) + 5, middle);
        press(&w, inside);
        dragTo(&w, QPoint(900, 900));
        release(&w, QPoint(900, 900));
        got = rects.last().at(0).value<VEWatermarkSettings>();
        QVERIFY(got.textPosX + player->GetWatermarkTextWidth_Player() <= 1.0 + 1e-9);
        QVERIFY(got.textPosY + player->GetWatermarkTextHeight_Player() <= 1.0 + 1e-9);
        QVERIFY(got.textPosX > 0.4);
    }

private:
    QTemporaryDir m_dir;
    QString m_video, m_tone;
};

QTEST_MAIN(TestPreviewEditing)
#include "tst_previewediting.moc"
