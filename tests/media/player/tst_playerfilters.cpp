// The player's sound chain and its handling of files, without a sound server:
// the shared filter chain measured on real samples, wave-data blocks, the
// play clock, settings read back, and bad files and handles.

#include "internal/audiofiltergraph.h"
#include "internal/ffmpeg.h"
#include "internal/waveblock.h"
#include "player/playclock.h"
#include "rzcodec/frame.h"
#include "rzcodec/player.h"

#include "filterchain.h"
#include "mediafiles.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <cstring>

namespace {

using FilterChain::kRate;
using FilterChain::levelDb;


} // namespace

class TestPlayerFilters : public QObject
{
    Q_OBJECT
private slots:
    void volumeScalesTheLevel_data();
    void volumeScalesTheLevel();
    void equalizerRaisesOnlyItsBand();
    void speedShortensWithoutChangingPitch();
    void rateShortensAndRaisesPitch();
    void neutralChainKeepsEverySample();
    void fixedFrameSizeForEncoders();
    void waveBlockLayout();
    void playClockFollowsSpeedChanges();
    void badFilesAndHandlesFailCleanly();
    void playingWithoutSoundServerFails();
    void settingsAreKeptAndReadBack();
    void asyncSeekEndsExactlyWhereAsked();
    void frameStepPausesAndMoves();
};

void TestPlayerFilters::volumeScalesTheLevel_data()
{
    QTest::addColumn<int>("volume");
    QTest::newRow("50") << 50;
    QTest::newRow("25") << 25;
    QTest::newRow("150") << 150;
}

void TestPlayerFilters::volumeScalesTheLevel()
{
    QFETCH(int, volume);
    const QVector<float> tone = TestSupport::sineTone(440, 1.0, kRate, 2, 0.25);
    rz::AudioFilterSettings settings;
    settings.volume = volume;
    const QVector<float> out = FilterChain::run(tone, settings);
    QVERIFY(!out.isEmpty());
    const double change = levelDb(out) - levelDb(tone);
    QVERIFY2(std::abs(change - 20.0 * std::log10(volume / 100.0)) < 0.1, qPrintable(QString::number(change)));
}

void TestPlayerFilters::equalizerRaisesOnlyItsBand()
{
    rz::AudioFilterSettings settings;
    const double frequencies[] = {32, 64, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    for (double f : frequencies)
        settings.bands.push_back({f, f == 1000 ? 10.0 : 0.0});

    const QVector<float> high = TestSupport::sineTone(1000, 1.0, kRate, 2, 0.1);
    const double raised = levelDb(FilterChain::run(high, settings)) - levelDb(high);
    QVERIFY2(std::abs(raised - 10.0) < 1.5, qPrintable(QString::number(raised)));

    const QVector<float> low = TestSupport::sineTone(100, 1.0, kRate, 2, 0.1);
    const double kept = levelDb(FilterChain::run(low, settings)) - levelDb(low);
    QVERIFY2(std::abs(kept) < 1.0, qPrintable(QString::number(kept)));
}

void TestPlayerFilters::speedShortensWithoutChangingPitch()
{
    const QVector<float> tone = TestSupport::sineTone(440, 2.0, kRate, 2, 0.3);
    rz::AudioFilterSettings settings;
    settings.speed = 200;
    const QVector<float> out = FilterChain::run(tone, settings);
    const double seconds = out.size() / 2.0 / kRate;
    QVERIFY2(std::abs(seconds - 1.0) < 0.05, qPrintable(QString::number(seconds)));
    QVERIFY(TestSupport::goertzelPowerInterleaved(out, 2, 440, kRate)
            > 100 * TestSupport::goertzelPowerInterleaved(out, 2, 880, kRate));

    settings.speed = 25; // below atempo's own range: two stages
    const QVector<float> slow = FilterChain::run(TestSupport::sineTone(440, 0.5, kRate, 2, 0.3), settings);
    QVERIFY2(std::abs(slow.size() / 2.0 / kRate - 2.0) < 0.1, qPrintable(QString::number(slow.size())));
}

void TestPlayerFilters::rateShortensAndRaisesPitch()
{
    const QVector<float> tone = TestSupport::sineTone(440, 2.0, kRate, 2, 0.3);
    rz::AudioFilterSettings settings;
    settings.rate = 200;
    const QVector<float> out = FilterChain::run(tone, settings);
    QVERIFY2(std::abs(out.size() / 2.0 / kRate - 1.0) < 0.05, qPrintable(QString::number(out.size())));
    QVERIFY(TestSupport::goertzelPowerInterleaved(out, 2, 880, kRate)
            > 100 * TestSupport::goertzelPowerInterleaved(out, 2, 440, kRate));
    QCOMPARE(settings.timeRatio(), 2.0);
}

void TestPlayerFilters::neutralChainKeepsEverySample()
{
    const QVector<float> tone = TestSupport::sineTone(440, 0.5, kRate, 2, 0.3);
    rz::AudioFilterSettings settings;
    QVERIFY(settings.isNeutral());
    const QVector<float> out = FilterChain::run(tone, settings);
    QCOMPARE(out.size(), tone.size());
    for (int i = 0; i < tone.size(); i += 997)
        QCOMPARE(out[i], tone[i]);
}

void TestPlayerFilters::fixedFrameSizeForEncoders()
{
    // 1 s through the chain in frames of 1152 samples, as an MP3 encoder takes them.
    const QVector<float> tone = TestSupport::sineTone(440, 1.0, kRate, 2, 0.3);
    rz::AudioFilterSettings settings;
    settings.volume = 80;
    QVector<int> sizes;
    const QVector<float> out = FilterChain::run(tone, settings, nullptr, 1152, &sizes);
    QCOMPARE(out.size(), tone.size());
    QVERIFY(sizes.size() > 30);
    for (int i = 0; i + 1 < sizes.size(); ++i)
        QCOMPARE(sizes[i], 1152);
    QVERIFY(sizes.last() <= 1152);
}

void TestPlayerFilters::waveBlockLayout()
{
    const float samples[] = {0.0f, 0.0f, 1.0f, 1.0f, -1.0f, -1.0f, 0.5f, -0.5f};
    uint8_t *block = rz::makeWaveBlock(samples, 4, 2, 44100);
    QVERIFY(block);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(block), 4), QByteArray("RIFF"));
    QCOMPARE(QByteArray(reinterpret_cast<char *>(block) + 8, 4), QByteArray("WAVE"));
    QCOMPARE(rz::waveBlockSampleRate(block), 44100u);
    QCOMPARE(rz::waveBlockDataBytes(block), 8u);
    auto sample = [&](int i) { return int(block[44 + 2 * i]) | int(block[45 + 2 * i]) << 8; };
    QCOMPARE(sample(0), 32768);  // silence
    QCOMPARE(sample(1), 65535);  // full scale up
    QCOMPARE(sample(2), 1);      // full scale down
    QCOMPARE(sample(3), 32768);  // opposite channels cancel in the mono mix
    rz::freeWaveBlock(block);
}

void TestPlayerFilters::playClockFollowsSpeedChanges()
{
    rz::PlayClock clock;
    clock.restart(5000000, 1.0, 44100);
    QCOMPARE(clock.mediaTimeAt(0), quint64(5000000));
    QCOMPARE(clock.mediaTimeAt(44100), quint64(6000000));
    // From 1 s of output on, one output second carries two media seconds.
    clock.addSegment(44100, 6000000, 2.0);
    QCOMPARE(clock.mediaTimeAt(44100 + 22050), quint64(7000000));
    QCOMPARE(clock.mediaTimeAt(22050), quint64(5500000));
}

void TestPlayerFilters::badFilesAndHandlesFailCleanly()
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.wav");
    QVERIFY(TestSupport::writeToneWav(good, 440, 1.0));
    const QString empty = dir.filePath("empty.mp3");
    QFile(empty).open(QIODevice::WriteOnly);
    const QString text = dir.filePath("text.wav");
    {
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("this is not a sound file\n").repeated(200));
    }
    const QString cut = dir.filePath("cut.wav");
    QVERIFY(MediaFiles::truncateCopy(good, cut, 30));
    const QString noise = dir.filePath("noise.mp3");
    {
        QFile f(noise);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray bytes(64 * 1024, '\0');
        quint32 x = 12345;
        for (char &c : bytes) {
            x = x * 1103515245u + 12345u;
            c = char(x >> 24);
        }
        f.write(bytes);
    }

    void *player = rz_player_create(RZ_PLAYER_DEFAULT);
    QVERIFY(player);
    for (const QString &bad : {dir.filePath("missing.wav"), empty, text, cut, noise, dir.path()}) {
        QCOMPARE(rz_player_open_ex(player, bad.toUtf8().constData(), 0, 0, 0, 0), 0);
        QCOMPARE(rz_player_has_audio(player), 0);
        QCOMPARE(rz_player_play(player), 0);
        QCOMPARE(rz_player_get_duration(player), quint64(0));
    }
    QCOMPARE(rz_player_open_ex(player, nullptr, 0, 0, 0, 0), 0);
    QCOMPARE(rz_player_open_ex(player, "", 0, 0, 0, 0), 0);
    // After the failures a good file still opens in the same player.
    QCOMPARE(rz_player_open_ex(player, good.toUtf8().constData(), 0, 0, 0, 0), 1);
    QCOMPARE(rz_player_has_audio(player), 1);
    QCOMPARE(rz_player_has_video(player), 0);
    QVERIFY(std::llabs(qint64(rz_player_get_duration(player)) - 1000000) < 1000);
    QCOMPARE(rz_player_stop(player), 1);
    QCOMPARE(rz_player_close(player), 1);
    QCOMPARE(rz_player_release(player), 1);

    // A null or foreign handle fails every call without touching anything.
    void *foreign = rz_frame_create();
    for (void *h : {static_cast<void *>(nullptr), foreign}) {
        QCOMPARE(rz_player_open_ex(h, good.toUtf8().constData(), 0, 0, 0, 0), 0);
        QCOMPARE(rz_player_play(h), 0);
        QCOMPARE(rz_player_seek(h, 1000), 0);
        QCOMPARE(rz_player_get_play_time(h), quint64(0));
        QCOMPARE(rz_player_set_audio_volume(h, 50), 0);
        QVERIFY(!rz_player_get_audio_wave_data(h, 1));
        QVERIFY(!rz_player_capture_video_image(h, 0, 0, 0));
        QCOMPARE(rz_player_release(h), 0);
    }
    QVERIFY(!rz_player_create_reference(nullptr));
    QVERIFY(!rz_player_create_reference(foreign));
    rz_frame_release(foreign);
}

void TestPlayerFilters::playingWithoutSoundServerFails()
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.wav");
    QVERIFY(TestSupport::writeToneWav(good, 440, 1.0));
    void *player = rz_player_create(RZ_PLAYER_DEFAULT);
    QCOMPARE(rz_player_open_ex(player, good.toUtf8().constData(), 0, 0, 0, 0), 1);
    QCOMPARE(rz_player_seek(player, 500000), 1);
    QCOMPARE(rz_player_get_play_time(player), quint64(500000));
    // No server runs for this test: the play is accepted, its thread cannot
    // open the output, and the player says so, not pretends.
    static std::atomic<int> failures{0};
    failures = 0;
    rz_player_set_event_handle(player, [](int32_t event, void *) {
        if (event == RZ_PLAYER_EVENT_PLAY_FAILED)
            ++failures;
    }, nullptr);
    QCOMPARE(rz_player_play(player), 1);
    QTRY_COMPARE(failures.load(), 1);
    QVERIFY(!QByteArray(rz_player_get_error_text(player)).isEmpty());
    QCOMPARE(rz_player_is_running(player), 0);
    QCOMPARE(rz_player_is_stop(player), 1);
    QCOMPARE(rz_player_get_play_time(player), quint64(500000));
    rz_player_stop(player);
    rz_player_close(player);
    rz_player_release(player);
}

void TestPlayerFilters::settingsAreKeptAndReadBack()
{
    void *player = rz_player_create(RZ_PLAYER_PLAIN);
    const double crop[] = {0.1, 0.2, 0.9, 0.8};
    QCOMPARE(rz_player_set_values(player, "SetVideoCrop", crop, 4), 1);
    double back[4] = {0, 0, 0, 0};
    QCOMPARE(rz_player_get_values(player, "SetVideoCrop", back, 4), 4u);
    QCOMPARE(back[2], 0.9);
    QCOMPARE(rz_player_get_values(player, "SetVideoRotate", back, 4), 0u);

    const double size = 24;
    QCOMPARE(rz_player_set_text(player, "SetWatermarkText", "Ünïcødé ✓", &size, 1), 1);
    QCOMPARE(QString::fromUtf8(rz_player_get_text(player, "SetWatermarkText")), QString("Ünïcødé ✓"));

    // A batch takes effect at its end, all at once.
    const double rotate = 90;
    rz_player_begin_settings(player);
    rz_player_set_values(player, "SetVideoRotate", &rotate, 1);
    QCOMPARE(rz_player_get_values(player, "SetVideoRotate", back, 1), 0u);
    rz_player_end_settings(player);
    QCOMPARE(rz_player_get_values(player, "SetVideoRotate", back, 1), 1u);
    QCOMPARE(back[0], 90.0);

    // Sound settings read back as they were given.
    const double bands[] = {1000, 2000};
    const double gains[] = {6, -3};
    QCOMPARE(rz_player_set_audio_equalize(player, bands, gains, 2), 1);
    QCOMPARE(rz_player_get_values(player, "SetAudioEqualize", back, 4), 4u);
    QCOMPARE(back[1], 2000.0);
    QCOMPARE(back[3], -3.0);
    QCOMPARE(rz_player_set_audio_volume(player, 80), 1);
    QCOMPARE(rz_player_get_values(player, "SetAudioVolume", back, 1), 1u);
    QCOMPARE(back[0], 80.0);
    QCOMPARE(rz_player_change_speed(player, 0), 0);

    // A reference handle sees the same player.
    void *other = rz_player_create_reference(player);
    QVERIFY(other);
    QCOMPARE(rz_player_get_values(other, "SetVideoCrop", back, 4), 4u);
    rz_player_release(other);
    rz_player_release(player);
}

void TestPlayerFilters::asyncSeekEndsExactlyWhereAsked()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(file, 440, 3.0));
    void *player = rz_player_create(RZ_PLAYER_DEFAULT);
    QCOMPARE(rz_player_open_ex(player, file.toUtf8().constData(), 0, 0, 0, 0), 1);
    QCOMPARE(rz_player_begin_async_seek(player, 2000000), 1);
    for (quint64 t : {300000ULL, 900000ULL, 1700000ULL, 1234567ULL})
        QCOMPARE(rz_player_seek(player, t), 1);
    QCOMPARE(rz_player_end_async_seek(player), 1);
    QCOMPARE(rz_player_get_play_time(player), quint64(1234567));
    // Past the end lands on the end.
    QCOMPARE(rz_player_seek(player, 99000000), 1);
    QCOMPARE(rz_player_get_play_time(player), rz_player_get_duration(player));
    QCOMPARE(rz_player_end_async_seek(player), 0); // none began
    rz_player_release(player);
}

void TestPlayerFilters::frameStepPausesAndMoves()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(file, 440, 3.0));
    void *player = rz_player_create(RZ_PLAYER_DEFAULT);
    QCOMPARE(rz_player_frame_step(player, 1), 0);
    QCOMPARE(rz_player_open_ex(player, file.toUtf8().constData(), 0, 0, 0, 0), 1);
    QCOMPARE(rz_player_set_time_interval(player, 50000), 1);
    QCOMPARE(rz_player_seek(player, 1000000), 1);
    // Without video a step is one time interval.
    QCOMPARE(rz_player_frame_step(player, 1), 1);
    QCOMPARE(rz_player_get_play_time(player), quint64(1050000));
    QCOMPARE(rz_player_frame_step(player, -3), 1);
    QCOMPARE(rz_player_get_play_time(player), quint64(900000));
    QCOMPARE(rz_player_is_running(player), 0);
    rz_player_release(player);
}

QTEST_GUILESS_MAIN(TestPlayerFilters)
#include "tst_playerfilters.moc"
