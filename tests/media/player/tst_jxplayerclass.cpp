// The player wrapper: lifecycle, forwarding without a handle, and that what
// it forwards reaches the player (read back from the handle).

#include "media/jxplayerclass.h"
#include "rzcodec/player.h"

#include "mediafiles.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

class TestJXPlayerClass : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyMemberFailsWithoutHandle();
    void createReplacesAndReleaseClears();
    void openRemembersItsResult();
    void audioOnlyFileCountsAsVideoAndAudio();
    void videoSizesArePacked();
    void forwardedSettingsReachThePlayer();
    void referenceDrivesTheSamePlayer();
    void takenPlayerOutlivesItsHolder();

private:
    QTemporaryDir m_dir;
    QString m_tone;
    QString m_clip;
};

void TestJXPlayerClass::initTestCase()
{
    m_tone = m_dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 440, 1.5));
    m_clip = m_dir.filePath("clip.mkv");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "testsrc=size=320x180:rate=25:d=1", "-f",
                                   "lavfi", "-i", "sine=f=440:d=1", "-c:v", "mpeg4", "-c:a",
                                   "flac", m_clip}));
}

void TestJXPlayerClass::everyMemberFailsWithoutHandle()
{
    JXPlayerClass p;
    QVERIFY(!p.IsCreatePlayer());
    QVERIFY(!p.getPlayer());
    QVERIFY(!p.IsOpenPlayerSuccess());
    QVERIFY(!p.Play_Player());
    QVERIFY(!p.Seek_Player(1000));
    QVERIFY(!p.SetAudioVolume_Player(50));
    QVERIFY(!p.SetVideoRotate_Player(90));
    QVERIFY(!p.SetWatermarkText_Player("x"));
    QVERIFY(!p.SetSubtlDelay_Player(-5));
    QVERIFY(!p.HasVideoAndAudio_Player());
    QCOMPARE(p.GetDuration_Player(), quint64(0));
    QCOMPARE(p.GetVideoSize_Player(), quint64(0));
    QCOMPARE(p.GetWatermarkImagePosX_Player(), 0.0);
    QCOMPARE(p.GetWatermarkTextHeight_Player(), 0.0);
    QVERIFY(!p.GetAudioWaveData_Player(1));
    QVERIFY(!p.CaptureVideoImage_Player(0, 0, 0));
    // An open without a create fails and is remembered.
    QVERIFY(!p.OpenEx_Player(m_tone.toUtf8().constData(), 0, 0, 0, 0));
    QVERIFY(!p.IsOpenPlayerSuccess());
}

void TestJXPlayerClass::createReplacesAndReleaseClears()
{
    JXPlayerClass p;
    void *first = p.Create_Player(true);
    QVERIFY(first);
    QVERIFY(p.OpenEx_Player(m_tone.toUtf8().constData(), 0, 0, 0, 0));
    QVERIFY(p.SetVideoRotate_Player(90));
    // A second create releases the first player: a new one, with nothing open
    // and none of the old settings.
    void *second = p.Create_Player(false);
    QVERIFY(second);
    QCOMPARE(p.getPlayer(), second);
    QVERIFY(!p.HasAudio_Player());
    QCOMPARE(rz_player_get_values(second, "SetVideoRotate", nullptr, 0), 0u);
    p.Release_Player();
    QVERIFY(!p.IsCreatePlayer());
    QVERIFY(!p.Play_Player());
}

void TestJXPlayerClass::openRemembersItsResult()
{
    JXPlayerClass p;
    p.Create_Player(true);
    QVERIFY(p.OpenEx_Player(m_tone.toUtf8().constData(), 0, 0, 0, 0));
    QVERIFY(p.IsOpenPlayerSuccess());
    QVERIFY(!p.OpenEx_Player(m_dir.filePath("missing.wav").toUtf8().constData(), 0, 0, 0, 0));
    QVERIFY(!p.IsOpenPlayerSuccess());
    QVERIFY(!p.OpenDVD_ExPlayer(m_dir.path().toUtf8().constData(), 0, 0, 0, 0));
    QVERIFY(p.OpenDVD_ExPlayer(m_tone.toUtf8().constData(), 0, 0, 0, 0));
    QVERIFY(p.IsOpenPlayerSuccess());
    QVERIFY(p.IsStop_Player());
    QVERIFY(p.CanSeek_Player());
    QVERIFY(qAbs(qint64(p.GetDuration_Player()) - 1500000) < 1000);
    QVERIFY(p.Seek_Player(750000));
    QCOMPARE(p.GetPlayTime_Player(), quint64(750000));
}

void TestJXPlayerClass::audioOnlyFileCountsAsVideoAndAudio()
{
    JXPlayerClass p;
    p.Create_Player(true);
    QVERIFY(p.OpenEx_Player(m_tone.toUtf8().constData(), 0, 0, 0, 0));
    QVERIFY(p.HasAudio_Player());
    QVERIFY(!p.HasVideo_Player());
    QVERIFY(p.HasVideoAndAudio_Player());
    QCOMPARE(p.GetVideoSize_Player(), quint64(0));
}

void TestJXPlayerClass::videoSizesArePacked()
{
    JXPlayerClass p;
    p.Create_Player(true);
    QVERIFY(p.OpenEx_Player(m_clip.toUtf8().constData(), 0, 0, 0, 0));
    QVERIFY(p.HasVideo_Player());
    QCOMPARE(p.GetVideoSize_Player(), quint64(320) | quint64(180) << 32);
    QCOMPARE(p.GetVideoAspectRatio_Player(), quint64(16) | quint64(9) << 32);
}

void TestJXPlayerClass::forwardedSettingsReachThePlayer()
{
    JXPlayerClass p;
    p.Create_Player(true);
    void *h = p.getPlayer();
    double v[8] = {0};

    QVERIFY(p.SetVideoCrop_Player(0.1, 0.2, 0.7, 0.6));
    QCOMPARE(rz_player_get_values(h, "SetVideoCrop", v, 8), 4u);
    QCOMPARE(v[3], 0.6);

    QVERIFY(p.SetSubtlFileEx_Player("/tmp/sub titles.srt", 3, 4));
    QCOMPARE(QString(rz_player_get_text(h, "SetSubtlFileEx")), QString("/tmp/sub titles.srt"));
    QCOMPARE(rz_player_get_values(h, "SetSubtlFileEx", v, 8), 2u);
    QCOMPARE(v[1], 4.0);

    QVERIFY(p.SetSubtlDelay_Player(-1500000));
    QCOMPARE(rz_player_get_values(h, "SetSubtlDelay", v, 8), 1u);
    QCOMPARE(v[0], -1500000.0);

    unsigned int mix[] = {1, 0, 0, 1};
    QVERIFY(p.SetAudioBackgroundChannelMix_Player(mix, 4));
    QCOMPARE(rz_player_get_values(h, "SetAudioBackgroundChannelMix", v, 8), 4u);
    QCOMPARE(v[3], 1.0);

    QVERIFY(p.SetWatermarkTextColor_Player(0xFF102030u));
    QCOMPARE(rz_player_get_values(h, "SetWatermarkTextColor", v, 8), 1u);
    QCOMPARE(quint32(v[0]), 0xFF102030u);

    double bands[] = {1000};
    double gains[] = {6};
    QVERIFY(p.SetAudioEqualize_Player(bands, gains, 1));
    QVERIFY(p.SetAudioVolume_Player(70));
    QVERIFY(p.SetAudioRate_Player(120));
    QVERIFY(p.ChangeSpeed_Player(150));
    QCOMPARE(rz_player_get_values(h, "SetAudioVolume", v, 8), 1u);
    QCOMPARE(v[0], 70.0);
    QCOMPARE(rz_player_get_values(h, "SetAudioRate", v, 8), 1u);
    QCOMPARE(v[0], 120.0);
    QCOMPARE(rz_player_get_values(h, "ChangeSpeed", v, 8), 1u);
    QCOMPARE(v[0], 150.0);

    // Settings inside a batch appear together at its end.
    QVERIFY(p.BeginSettings_Player());
    QVERIFY(p.SetVideoHue_Player(12));
    QCOMPARE(rz_player_get_values(h, "SetVideoHue", v, 8), 0u);
    QVERIFY(p.EndSettings_Player());
    QCOMPARE(rz_player_get_values(h, "SetVideoHue", v, 8), 1u);
}

void TestJXPlayerClass::referenceDrivesTheSamePlayer()
{
    JXPlayerClass owner;
    owner.Create_Player(true);
    QVERIFY(owner.OpenEx_Player(m_tone.toUtf8().constData(), 0, 0, 0, 0));
    JXPlayerClass other;
    QVERIFY(other.Reference_Player(owner.getPlayer()));
    QVERIFY(other.IsOpenPlayerSuccess());
    QVERIFY(other.HasAudio_Player());
    QVERIFY(other.Seek_Player(300000));
    QCOMPARE(owner.GetPlayTime_Player(), quint64(300000));
    QVERIFY(!other.Reference_Player(nullptr));
    QVERIFY(!other.IsOpenPlayerSuccess());
}

void TestJXPlayerClass::takenPlayerOutlivesItsHolder()
{
    void *taken = nullptr;
    {
        JXPlayerClass p;
        p.Create_Player(true);
        QVERIFY(p.OpenEx_Player(m_tone.toUtf8().constData(), 0, 0, 0, 0));
        taken = p.Take_Player();
        QVERIFY(taken);
        QVERIFY(!p.IsCreatePlayer());
        QVERIFY(!p.IsOpenPlayerSuccess());
        QCOMPARE(p.handleId(), quint64(0));
        QVERIFY(!p.Take_Player());
    }
    // Still open after its holder went; released once, by whoever has it.
    QVERIFY(qAbs(qint64(rz_player_get_duration(taken)) - 1500000) < 1000);
    JXPlayerClass::releaseHandle(taken);
    JXPlayerClass::releaseHandle(nullptr);
}

QTEST_GUILESS_MAIN(TestJXPlayerClass)
#include "tst_jxplayerclass.moc"
