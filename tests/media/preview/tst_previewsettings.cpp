// Edit records reaching the preview player: through the edit-settings hub and
// straight through the player manager, each part read back from the player's
// own state afterwards.

#include "media/jxplayerclass.h"
#include "media/jxplayermanager.h"
#include "media/qvideoeditingsettings.h"

#include "rzcodec/player.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

namespace {

constexpr uint64_t kSecond = 1000000;

// What the player keeps under the name of one of its operations.
std::vector<double> kept(JXPlayerManager &m, const char *name)
{
    void *handle = m.getPlayerClass()->getPlayer();
    std::vector<double> values(64);
    const uint32_t n = rz_player_get_values(handle, name, values.data(), uint32_t(values.size()));
    values.resize(std::min<size_t>(n, values.size()));
    return values;
}

QString keptText(JXPlayerManager &m, const char *name)
{
    return QString::fromUtf8(rz_player_get_text(m.getPlayerClass()->getPlayer(), name));
}

std::vector<double> v(std::initializer_list<double> l)
{
    return l;
}

// A record with every applied part away from its defaults.
VEEditConfig editedRecord()
{
    VEEditConfig c;
    c.isTrim = true;
    c.startTime = 1 * kSecond;
    c.endTime = 3 * kSecond;
    c.cropSettings.rotation = 90;
    c.cropSettings.mirror = 1;
    c.cropSettings.pad = 0;
    c.cropSettings.padColor = 0xFF102030u;
    c.cropSettings.aspectWidth = 4;
    c.cropSettings.aspectHeight = 3;
    c.cropSettings.cropLeft = 0.1;
    c.cropSettings.cropTop = 0.2;
    c.cropSettings.cropRight = 0.5;
    c.cropSettings.cropBottom = 0.6;
    const double bands[3] = {100, 1000, 8000};
    const double gains[3] = {-3, 6, 2};
    c.audioSettings.set(bands, gains, 3);
    c.audioSettings.volume = 80;
    c.audioSettings.speed = 150;
    c.audioSettings.rate = 120;
    c.videoEffect = {12, 7, 130, 90, 20};
    c.audioBackground.file = "/tmp/bed.wav";
    c.audioBackground.loop = 0;
    c.audioBackground.mixMode = 2;
    c.audioBackground.weight = 30;
    c.audioBackground.volume = 70;
    c.audioBackground.showStart = 5 * kSecond; // the hub moves it to the trim start
    c.audioBackground.showEnd = 9 * kSecond;
    c.audioBackground.splitStart = 11;
    c.audioBackground.splitEnd = 12;
    c.watermark.text = "Velmora";
    c.watermark.textFont = "@Sans Vertical";
    c.watermark.textColor = 0xFF00FF00u;
    c.watermark.textSize = 40;
    c.watermark.textPosX = 0.3;
    c.watermark.textPosY = 0.4;
    c.watermark.textShowStart = 1 * kSecond;
    c.watermark.textShowEnd = 2 * kSecond;
    c.watermark.imageFile = "/tmp/logo.png";
    c.watermark.imageMaskFile = "/tmp/mask.png";
    c.watermark.imageAlpha = 128;
    c.watermark.imagePosX = 0.6;
    c.watermark.imagePosY = 0.1;
    c.watermark.imageWidth = 0.25;
    c.watermark.imageHeight = 0.2;
    c.watermark.imageShowEnd = 2 * kSecond;
    c.programValueInfo.audioIndex = 0;
    c.programValueInfo.subtlType = -1;
    c.subtitleSettings.font = "@Serif";
    c.subtitleSettings.alpha = 200;
    c.subtitleSettings.delay = -250000;
    c.subtitleSettings.textSize = 24;
    c.subtitleSettings.scaleX = 110;
    c.subtitleSettings.scaleY = 90;
    c.subtitleSettings.marginV = 0.1;
    c.subtitleSettings.align = 2;
    return c;
}

} // namespace

class TestPreviewSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_tone = m_dir.filePath("tone.wav");
        QVERIFY(TestSupport::writeToneWav(m_tone, 440, 4.0));
    }

    void nothingBeforeAPlayerExists()
    {
        JXPlayerManager m;
        QSignalSpy crop(&m, &JXPlayerManager::emitCropAreaChange);
        QSignalSpy times(&m, &JXPlayerManager::emitPlayTime2);
        m.setEditConfig(editedRecord());
        m.setCropSettings(VECropSettings());
        m.onPlay();
        m.onPause();
        m.onStop();
        m.progressValueChange(0.5);
        m.closePlay();
        m.onTrim(kSecond, 2 * kSecond);
        QCOMPARE(m.getDuration(), uint64_t(0));
        QCOMPARE(m.getPlaylength(), uint64_t(0));
        QCOMPARE(m.getVideoSize(), uint64_t(0));
        QVERIFY(!m.getIsTrim());
        QCOMPARE(crop.count(), 0);
        QCOMPARE(times.count(), 0);
        m.playFinished();
        QCOMPARE(times.last().at(0).toString(), QString("00:00:00.000 / 00:00:00.000"));
        // The trim range itself is kept before any player exists.
        m.setTrimTime(kSecond, 2 * kSecond);
        QCOMPARE(m.trimRange().playStart, kSecond);
        QCOMPARE(m.trimRange().segmentEnd, 2 * kSecond);
    }

    void wholeRecordThroughTheHubReachesThePlayer()
    {
        JXPlayerManager m;
        QVERIFY(m.setPlayFile(m_tone, 0, 0, 3));
        QVideoEditingSettings hub;
        hub.setPlayerManager(&m);
        QCOMPARE(hub.getPlayerManager(), &m);
        const VEEditConfig record = editedRecord();
        hub.setEditConfig(record);

        // Trim range, and the player seeked to its start.
        QVERIFY(m.getIsTrim());
        QCOMPARE(m.trimRange().playStart, 1 * kSecond);
        QCOMPARE(m.trimRange().playEnd, 3 * kSecond);
        QCOMPARE(m.getPlaylength(), 2 * kSecond);
        QCOMPARE(hub.getPlaylength(), 2 * kSecond);
        QCOMPARE(m.getPlayerClass()->GetPlayTime_Player(), 1 * kSecond);
        // Sound.
        QCOMPARE(kept(m, "SetAudioVolume"), v({80}));
        QCOMPARE(kept(m, "ChangeSpeed"), v({150}));
        QCOMPARE(kept(m, "SetAudioRate"), v({120}));
        QCOMPARE(kept(m, "SetAudioEqualize"), v({100, 1000, 8000, -3, 6, 2}));
        // Picture.
        QCOMPARE(kept(m, "SetVideoRotate"), v({90}));
        QCOMPARE(kept(m, "SetVideoMirror"), v({1}));
        QCOMPARE(kept(m, "SetVideoCrop"), v({0.1, 0.2, 0.5, 0.6}));
        QCOMPARE(kept(m, "SetVideoPadAndColor"), v({1, double(0xFF102030u)}));
        QCOMPARE(kept(m, "SetVideoAspectRatio"), v({4, 3}));
        QCOMPARE(kept(m, "SetVideoYOffset"), v({12}));
        QCOMPARE(kept(m, "SetVideoSaturation"), v({130}));
        QCOMPARE(kept(m, "SetVideoHue"), v({20}));
        QCOMPARE(kept(m, "SetVideoContrast"), v({90}));
        // Background sound, shown from the trim start.
        QCOMPARE(keptText(m, "SetAudioBackgroundFile"), QString("/tmp/bed.wav"));
        QCOMPARE(kept(m, "SetAudioBackgroundIndex"), v({0}));
        QCOMPARE(kept(m, "SetAudioBackgroundLoop"), v({0}));
        QCOMPARE(kept(m, "SetAudioBackgroundMixMode"), v({2}));
        QCOMPARE(kept(m, "SetAudioBackgroundWeight"), v({30}));
        QCOMPARE(kept(m, "SetAudioBackgroundVolume"), v({70}));
        QCOMPARE(kept(m, "SetAudioBackgroundShowTime"), v({1e6, 9e6}));
        QCOMPARE(kept(m, "SetAudioBackgroundSplitTime"), v({11, 12}));
        // The user's watermark went last, as watermark 0, image shown from the trim start.
        QCOMPARE(kept(m, "SetWatermarkIndex"), v({0}));
        QCOMPARE(keptText(m, "SetWatermarkText"), QString("Velmora"));
        QCOMPARE(keptText(m, "SetWatermarkTextFont"), QString("Sans Vertical"));
        QCOMPARE(kept(m, "SetWatermarkTextColor"), v({double(0xFF00FF00u)}));
        QCOMPARE(kept(m, "SetWatermarkTextSize"), v({40}));
        QCOMPARE(kept(m, "SetWatermarkTextShowTime"), v({1e6, 2e6}));
        QCOMPARE(keptText(m, "SetWatermarkImageFile"), QString("/tmp/logo.png"));
        QCOMPARE(keptText(m, "SetWatermarkImageMaskFile"), QString("/tmp/mask.png"));
        QCOMPARE(kept(m, "SetWatermarkImageAlpha"), v({128}));
        QCOMPARE(kept(m, "SetWatermarkImagePosition"), v({0.6, 0.1}));
        QCOMPARE(kept(m, "SetWatermarkImageSize"), v({0.25, 0.2}));
        QCOMPARE(kept(m, "SetWatermarkImageShowTime"), v({1e6, 2e6}));
        QCOMPARE(kept(m, "SetWatermarkBorderAlpha"), v({0}));
        // Streams and subtitle style.
        QCOMPARE(kept(m, "SetAudioIndex"), v({0}));
        QCOMPARE(kept(m, "SetSubtlIndex"), v({double(unsigned(-1))}));
        QCOMPARE(keptText(m, "SetSubtlTextFont"), QString("Serif"));
        QCOMPARE(kept(m, "SetSubtlAlpha"), v({200}));
        QCOMPARE(kept(m, "SetSubtlDelay"), v({-250000}));
        QCOMPARE(kept(m, "SetSubtlTextSize"), v({24}));
        QCOMPARE(kept(m, "SetSubtlScale"), v({110, 90}));
        QCOMPARE(kept(m, "SetSubtlTextMarginV"), v({0.1}));
        QCOMPARE(kept(m, "SetSubtlTextAlign"), v({2}));

        // The hub's record: show starts moved to the trim start, the image
        // geometry read back from the player.
        VEEditConfig held;
        hub.getEditConfig(held);
        QCOMPARE(held.audioBackground.showStart, 1 * kSecond);
        QCOMPARE(held.frameWatermark.imageShowStart, 1 * kSecond);
        QCOMPARE(held.videoEffectWatermark.imageShowStart, 1 * kSecond);
        QCOMPARE(held.watermark.imageShowStart, 1 * kSecond);
        VEWatermarkSettings current;
        int index = -1;
        m.getCurrentWatermarkSettings(current, index);
        QCOMPARE(index, 0);
        QCOMPARE(current.imageShownWidth, 0.25);
        QCOMPARE(current.imageShownHeight, 0.2);
    }

    void managerRecordAndSingleParts()
    {
        JXPlayerManager m;
        QVERIFY(m.setPlayFile(m_tone, 0, 0, 3));
        VEEditConfig record = editedRecord();
        record.videoEffectWatermark.text = "one";
        record.frameWatermark.text = "two";
        QSignalSpy wmark(&m, &JXPlayerManager::emitWatermarkRectChange);
        m.setEditConfig(record);
        QCOMPARE(kept(m, "ChangeSpeed"), v({150}));
        QCOMPARE(kept(m, "SetAudioEqualize"), v({100, 1000, 8000, -3, 6, 2}));
        QCOMPARE(m.getPlayerClass()->GetPlayTime_Player(), 1 * kSecond);
        QCOMPARE(wmark.count(), 1);
        QCOMPARE(wmark.last().at(1).toInt(), 0);

        // Watermarks 1 and 2 each go in under their own index.
        m.setWatermarkSettingsSource(record.videoEffectWatermark, 1);
        QCOMPARE(kept(m, "SetWatermarkIndex"), v({1}));
        QCOMPARE(keptText(m, "SetWatermarkText"), QString("one"));
        m.setWatermarkSettingsSource(record.frameWatermark, 2);
        QCOMPARE(kept(m, "SetWatermarkIndex"), v({2}));
        QCOMPARE(keptText(m, "SetWatermarkText"), QString("two"));

        // An empty image path clears the image watermark's file and mask.
        VEWatermarkSettings noImage = record.watermark;
        noImage.imageFile.clear();
        m.setCurrentWatermarkSettings(noImage, 0, false);
        QCOMPARE(keptText(m, "SetWatermarkImageFile"), QString());
        QCOMPARE(keptText(m, "SetWatermarkImageMaskFile"), QString());
        // A negative index changes nothing.
        VEWatermarkSettings other = record.watermark;
        other.text = "ignored";
        m.setCurrentWatermarkSettings(other, -1, true);
        QCOMPARE(keptText(m, "SetWatermarkText"), QString("Velmora"));
        // Dragging form: geometry without replacing the text.
        other.textPosX = 0.7;
        m.setCurrentWatermarkSettingsNotSource(other, 0, false);
        QCOMPARE(keptText(m, "SetWatermarkText"), QString("Velmora"));
        QCOMPARE(kept(m, "SetWatermarkTextPosition"), v({0.7, 0.4}));

        // A crop reaching past the picture is applied cut at its border.
        VECropSettings crop;
        crop.cropLeft = 0.8;
        crop.cropRight = 0.5;
        QSignalSpy cropped(&m, &JXPlayerManager::emitCropAreaChange);
        m.setCropSettings(crop);
        const std::vector<double> applied = kept(m, "SetVideoCrop");
        QCOMPARE(applied.size(), size_t(4));
        QVERIFY(qAbs(applied[2] - 0.2) < 1e-12);
        QCOMPARE(cropped.count(), 1);
        VECropSettings held;
        m.getCropSettings(held);
        QVERIFY(qAbs(held.cropRight - 0.2) < 1e-12);

        // Subtitle choices against a media with no subtitle streams.
        VESubtitleValue_Info s;
        s.subtitleChoice = 1; // count + 1: closed captions
        m.setSubtitleValueInfo(s);
        QCOMPARE(kept(m, "EnableClosedCaption"), v({1}));
        s.subtitleChoice = 2; // beyond: the external file
        s.subtitleFile = "/tmp/sub.srt";
        m.setSubtitleValueInfo(s);
        QCOMPARE(keptText(m, "SetSubtlFile"), QString("/tmp/sub.srt"));
        VEProgramValueInfo p;
        p.subtlType = -2;
        m.setProgramValueInfo(p);
        QCOMPARE(kept(m, "EnableClosedCaption"), v({1}));
    }

    void hubTrimLengthAndStartTimes()
    {
        QVideoEditingSettings lone;
        lone.setTrimTime(10 * kSecond, 30 * kSecond);
        QCOMPARE(lone.getTrimTimeLength(), 20 * kSecond);
        lone.setTrimTime(10 * kSecond, 0);
        QCOMPARE(lone.getTrimTimeLength(), uint64_t(0)); // no manager, no duration
        QCOMPARE(lone.getDuration(), uint64_t(0));
        lone.setResolutionSize(1280, 720);
        QCOMPARE(lone.getResolutionSize(), uint64_t(1280) | uint64_t(720) << 32);

        JXPlayerManager m;
        QVERIFY(m.setPlayFile(m_tone, 0, 0, 3));
        QVideoEditingSettings hub;
        hub.setPlayerManager(&m);
        hub.setTrimTime(1 * kSecond, 0);
        QCOMPARE(hub.getTrimTimeLength(), 3 * kSecond); // to the media's end
        hub.setTrimTime(3 * kSecond, 2 * kSecond);      // end before start: to the end as well
        QCOMPARE(hub.getTrimTimeLength(), 1 * kSecond);
        QCOMPARE(m.getPlayerClass()->GetPlayTime_Player(), 3 * kSecond);

        // Without the flag a trim change from the player leaves show starts alone.
        VEEditConfig c = hub.getEditConfig();
        c.watermark.textShowStart = 7;
        hub.setConfigSettings(c);
        m.onTrim(2 * kSecond, 3 * kSecond);
        QCOMPARE(hub.getTrimStartTime(), 2 * kSecond);
        QCOMPARE(hub.getTrimEndTime(), 3 * kSecond);
        QCOMPARE(hub.getEditConfig().watermark.textShowStart, uint64_t(7));
        // With it, every show start follows and the player gets them.
        hub.setIsWatermarkAudioStartTime(true);
        m.onTrim(kSecond / 2, 3 * kSecond);
        const VEEditConfig &after = hub.getEditConfig();
        QCOMPARE(after.watermark.textShowStart, kSecond / 2);
        QCOMPARE(after.frameWatermark.imageShowStart, kSecond / 2);
        QCOMPARE(after.videoEffectWatermark.textShowStart, kSecond / 2);
        QCOMPARE(after.audioBackground.showStart, kSecond / 2);
        QCOMPARE(kept(m, "SetAudioBackgroundShowTime").at(0), 0.5e6);
        // The reset clears the range in the player and the hub.
        m.onReset();
        QCOMPARE(hub.getTrimStartTime(), uint64_t(0));
        QCOMPARE(hub.getTrimEndTime(), uint64_t(0));
        QVERIFY(!m.getIsTrim());
    }

    void hubPartsAndDefaults()
    {
        JXPlayerManager m;
        QVERIFY(m.setPlayFile(m_tone, 0, 0, 3));
        QVideoEditingSettings hub;
        hub.setPlayerManager(&m);
        const double bands[2] = {60, 250};
        const double gains[2] = {4, -4};
        VEAudioSettings a;
        a.set(bands, gains, 2);
        a.volume = 50;
        hub.setAudioSettings(a);
        QCOMPARE(kept(m, "SetAudioEqualize"), v({60, 250, 4, -4}));
        QCOMPARE(kept(m, "SetAudioVolume"), v({50}));
        // No bands: null arrays and count 0 reach the player, a flat equaliser.
        hub.setDefaultAudioSettings();
        VEAudioSettings none;
        hub.getAudioSettings(none);
        QCOMPARE(none.count, 0);
        QVERIFY(!none.bands && !none.gains);
        QCOMPARE(none.volume, 100u);
        hub.setAudioSettings(none);
        QVERIFY(kept(m, "SetAudioEqualize").empty());
        // The held part handed back to its own setter stays as it is.
        hub.setAudioSettings(hub.getEditConfig().audioSettings);
        QCOMPARE(hub.getEditConfig().audioSettings.volume, 100u);

        VEVideoEffectSettings fx{5, 0, 100, 100, 0};
        hub.setEffectSettings(fx);
        QCOMPARE(kept(m, "SetVideoYOffset"), v({5}));
        hub.setDefaultEffectSettings();
        QCOMPARE(hub.getEditConfig().videoEffect.brightness, 0);
        QCOMPARE(kept(m, "SetVideoYOffset"), v({5})); // defaults do not touch the player

        VEWatermarkSettings w;
        w.text = "wk";
        hub.setVideoEffectWkSettings(w);
        QCOMPARE(kept(m, "SetWatermarkIndex"), v({1}));
        hub.setFrameWkSettings(w);
        QCOMPARE(kept(m, "SetWatermarkIndex"), v({2}));
        hub.setVideoEffectWkSettings();
        QCOMPARE(hub.getEditConfig().videoEffectWatermark.imageMixMode, 1u);
        QVERIFY(hub.getEditConfig().videoEffectWatermark.text.empty());
        hub.setWatermarkSettings(w, false, true);
        QCOMPARE(kept(m, "SetWatermarkIndex"), v({0}));

        VEAudioBackgroundSettings bg;
        bg.file = "/tmp/x.wav";
        bg.volume = 40;
        hub.setAudioBackgroundSettings(bg, false);
        QCOMPARE(keptText(m, "SetAudioBackgroundFile"), QString());
        QCOMPARE(kept(m, "SetAudioBackgroundVolume"), v({40}));
        hub.setAudioBackgroundSettings(bg, true);
        QCOMPARE(keptText(m, "SetAudioBackgroundFile"), QString("/tmp/x.wav"));

        VESubtitleSettings sub;
        sub.textSize = 33;
        hub.setSubtitleSettings(sub);
        QCOMPARE(kept(m, "SetSubtlTextSize"), v({33}));

        VECropSettings crop;
        crop.mirror = 1;
        hub.setCropSettings(crop);
        QCOMPARE(kept(m, "SetVideoMirror"), v({1}));
        VECropSettings back;
        hub.getCropSettings(back);
        QCOMPARE(back.mirror, 1u);

        VEAudioTagInfo tags;
        tags.title = "Song";
        hub.setAudioTagInfo(tags);
        VEAudioTagInfo tagsBack;
        hub.getAudioTagInfo(tagsBack);
        QCOMPARE(tagsBack.title, std::string("Song"));
    }

private:
    QTemporaryDir m_dir;
    QString m_tone;
};

QTEST_MAIN(TestPreviewSettings)
#include "tst_previewsettings.moc"
