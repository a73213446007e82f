// The recorder role: generated sound pushed in, the files decoded by ffmpeg.

#include "mediaprobe.h"
#include "recordformats.h"
#include "testsupport.h"

#include "rzcodec/config.h"
#include "rzcodec/recorder.h"
#include "rzcodec/setup.h"

#include <QDateTime>
#include <QDir>
#include <QtEndian>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <QProcess>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {
// Writes into the file with this inode fail as on a full disk; all else
// passes through. The recorder's file writes come here.
std::atomic<ino_t> g_refusedInode{0};
} // namespace

extern "C" ssize_t write(int fd, const void *data, size_t bytes)
{
    const ino_t refused = g_refusedInode.load();
    struct stat st;
    if (refused != 0 && ::fstat(fd, &st) == 0 && st.st_ino == refused) {
        errno = ENOSPC;
        return -1;
    }
    return ::syscall(SYS_write, fd, data, bytes);
}

namespace {

constexpr int kBlock = 1024;

std::mutex codecLinesMutex;
QStringList codecLines;

void keepCodecLine(uint32_t, const char *line)
{
    std::lock_guard<std::mutex> guard(codecLinesMutex);
    codecLines << QString::fromUtf8(line);
}

// Pushes `samples` (interleaved stereo float at 44100 Hz) in capture-sized
// blocks with sample-count time stamps, as a capture thread does.
void pushTone(void *target, bool intoStream, const QVector<float> &samples, uint64_t firstFrame = 0)
{
    void *frame = rz_audioframe_create();
    rz_audioframe_set_format(frame, RZ_SAMPLE_FLOAT, 44100, 2, 3);
    const int frames = samples.size() / 2;
    for (int at = 0; at < frames; at += kBlock) {
        const int n = qMin(kBlock, frames - at);
        rz_audioframe_set_data(frame, samples.constData() + 2 * at, uint32_t(n));
        rz_audioframe_set_timestamp(frame, (firstFrame + uint64_t(at)) * 1000000ULL / 44100);
        if (intoStream)
            rz_stream_push_frame(target, frame);
        else
            rz_recorder_push_frame(target, frame);
    }
    rz_audioframe_release(frame);
}

void *configFor(const RecordFormat &f)
{
    void *config = rz_config_create();
    if (f.codecId)
        rz_config_set_audio_codec(config, f.codecId);
    rz_config_set_audio_channels(config, uint32_t(f.channels));
    rz_config_set_audio_sample_rate(config, uint32_t(f.sampleRate));
    if (f.kbps)
        rz_config_set_audio_bitrate(config, uint64_t(f.kbps) * 1000);
    return config;
}

// A recorder with a second input stream, opened on `path`.
struct TwoInputRecorder
{
    TwoInputRecorder(const QString &path, int format, const char *container)
        : rec(rz_recorder_create(-1)), stream(rz_stream_create(RZ_MEDIA_AUDIO)),
          config(configFor(recordFormats().at(format)))
    {
        rz_config_set_input_count(config, 2);
        rz_config_add_input_stream(config, stream);
        opened = stream && rz_recorder_open(rec, path.toUtf8().constData(), container, config);
    }
    ~TwoInputRecorder() { release(); }
    void releaseStream()
    {
        if (stream)
            rz_stream_release(stream);
        stream = nullptr;
    }
    void release()
    {
        if (config)
            rz_config_release(config);
        releaseStream();
        if (rec)
            rz_recorder_release(rec);
        config = rec = nullptr;
    }
    void *rec;
    void *stream;
    void *config;
    bool opened = false;
};

} // namespace

class TestRecorderRole : public QObject
{
    Q_OBJECT

private slots:
    void everyFormatRecordsTheTone_data();
    void everyFormatRecordsTheTone();
    void twoInputsPushedFromTwoThreadsAreMixed();
    void secondInputThatNeverDeliversDoesNotStallTheFirst();
    void lateInputTakesItsOwnPlaceInTime_data();
    void lateInputTakesItsOwnPlaceInTime();
    void pausedSoundIsLeftOut();
    void levelBlockFollowsTheSound();
    void levelBlockCopiedIntoTheCallersRoom();
    void levelBlockShowsEachPushedPieceAtOnce();
    void lostBlocksKeepTheirPlaceInTime();
    void finishedM4aIsANormalFile();
    void repairSetsPcmLengthsFromTheDataPresent_data();
    void longFragmentedRecordingIsRepairedWhole();
    void repairSetsPcmLengthsFromTheDataPresent();
    void badRequestsFailCleanly();
    void fullDiskEndsTheRecordingWithItsReason_data();
    void fullDiskEndsTheRecordingWithItsReason();
    void aWriteRefusedOnlyAtTheLastFlushFailsTheRecording();

private:
    QTemporaryDir m_dir;
};

void TestRecorderRole::everyFormatRecordsTheTone_data()
{
    QTest::addColumn<int>("index");
    const auto formats = recordFormats();
    for (int i = 0; i < formats.size(); ++i)
        QTest::newRow(qPrintable(formats[i].name)) << i;
}

void TestRecorderRole::everyFormatRecordsTheTone()
{
    QFETCH(int, index);
    const RecordFormat f = recordFormats().at(index);
    const QString path = m_dir.filePath("tone-" + f.name + "." + f.extension);
    void *rec = rz_recorder_create(-1);
    void *config = configFor(f);
    QVERIFY(rz_recorder_open(rec, path.toUtf8().constData(), f.muxer.toUtf8().constData(), config));
    QVERIFY(rz_recorder_run(rec));
    pushTone(rec, false, TestSupport::sineTone(440, 3.0));
    QVERIFY(rz_recorder_stop(rec));
    const uint64_t recorded = rz_recorder_get_time(rec);
    QVERIFY(rz_recorder_finish(rec));
    rz_config_release(config);
    rz_recorder_release(rec);

    QVERIFY2(qAbs(double(recorded) - 3e6) < 1000, qPrintable(QString::number(recorded)));
    QCOMPARE(MediaProbe::streamEntry(path, "codec_name"), f.codecName);
    QCOMPARE(MediaProbe::streamEntry(path, "sample_rate").toInt(), f.expectRate);
    QCOMPARE(MediaProbe::streamEntry(path, "channels").toInt(), f.channels);
    if (f.kbps && f.codecName != "vorbis" && f.codecName != "opus") {
        const double kbps = MediaProbe::formatEntry(path, "bit_rate").toDouble() / 1000.0;
        QVERIFY2(qAbs(kbps - f.kbps) < f.kbps * 0.25, qPrintable(QString::number(kbps)));
    }
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    QVERIFY(d.ok);
    QVERIFY2(qAbs(d.seconds() - 3.0) <= 0.1, qPrintable(QString::number(d.seconds())));
    QVERIFY2(MediaProbe::toneShare(d.mono, 440) > 0.8, qPrintable(QString::number(MediaProbe::toneShare(d.mono, 440))));
    QVERIFY(MediaProbe::toneShare(d.mono, 1000) < 0.05);
}

void TestRecorderRole::twoInputsPushedFromTwoThreadsAreMixed()
{
    const QString path = m_dir.filePath("mixed.mp3");
    TwoInputRecorder r(path, 0, "mp3");
    QVERIFY(r.opened);
    void *rec = r.rec, *stream = r.stream;
    QVERIFY(rz_recorder_run(rec));
    const QVector<float> system = TestSupport::sineTone(440, 3.0, 44100, 2, 0.4);
    const QVector<float> mic = TestSupport::sineTone(1000, 3.0, 44100, 2, 0.4);
    // The microphone's clock starts elsewhere: only its own time line counts.
    std::thread micThread([&] { pushTone(stream, true, mic, 5 * 44100); });
    pushTone(rec, false, system);
    micThread.join();
    QVERIFY(rz_recorder_stop(rec));
    QVERIFY(rz_recorder_finish(rec));
    r.release();

    const MediaProbe::Decoded d = MediaProbe::decode(path);
    QVERIFY(qAbs(d.seconds() - 3.0) <= 0.1);
    const double a = MediaProbe::toneShare(d.mono, 440), b = MediaProbe::toneShare(d.mono, 1000);
    QVERIFY2(a > 0.35 && b > 0.35, qPrintable(QString("%1 %2").arg(a).arg(b)));
}

void TestRecorderRole::secondInputThatNeverDeliversDoesNotStallTheFirst()
{
    const QString path = m_dir.filePath("alone.wav");
    TwoInputRecorder r(path, 3, "wav");
    QVERIFY(r.opened);
    void *rec = r.rec;
    QVERIFY(rz_recorder_run(rec));
    pushTone(rec, false, TestSupport::sineTone(440, 2.0));
    // Well past the lag the mixer waits for: the first input went on alone.
    QTRY_VERIFY_WITH_TIMEOUT(rz_recorder_get_time(rec) >= 1400000, 5000);
    // A second input released early must not take the recording down.
    r.releaseStream();
    QVERIFY(rz_recorder_stop(rec));
    QVERIFY(rz_recorder_finish(rec));
    r.release();
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    QVERIFY(qAbs(d.seconds() - 2.0) <= 0.02);
    QVERIFY(MediaProbe::toneShare(d.mono, 440) > 0.9);
}

void TestRecorderRole::lateInputTakesItsOwnPlaceInTime_data()
{
    QTest::addColumn<bool>("secondLate");
    QTest::newRow("second input late") << true;
    QTest::newRow("first input late") << false;
}

void TestRecorderRole::lateInputTakesItsOwnPlaceInTime()
{
    // One input stalls while the other goes on alone; when it comes back,
    // its sound goes where its time stamps put it: mixed where that time is
    // still to be encoded, left out (and said) where it was encoded without
    // it, never added after the end.
    QFETCH(bool, secondLate);
    const QString path = m_dir.filePath(QString("late-%1.wav").arg(secondLate ? "second" : "first"));
    TwoInputRecorder r(path, 3, "wav");
    QVERIFY(r.opened);
    void *rec = r.rec, *stream = r.stream;
    {
        std::lock_guard<std::mutex> guard(codecLinesMutex);
        codecLines.clear();
    }
    rz_setup_log_sink(keepCodecLine);
    QVERIFY(rz_recorder_run(rec));
    const auto push = [&](bool late, const QVector<float> &samples, double at) {
        const bool intoStream = late == secondLate;
        pushTone(intoStream ? stream : rec, intoStream, samples, uint64_t(at * 44100));
    };
    // The on-time input's first second; the other delivers nothing.
    push(false, TestSupport::sineTone(440, 1.0, 44100, 2, 0.4), 0.0);
    QTRY_VERIFY_WITH_TIMEOUT(rz_recorder_get_time(rec) >= 500000, 5000);
    // Back: a second and a half from its start, then the on-time input's rest.
    QVector<float> late = TestSupport::sineTone(1000, 1.0, 44100, 2, 0.4);
    late += TestSupport::sineTone(2000, 0.5, 44100, 2, 0.4);
    push(true, late, 0.0);
    push(false, TestSupport::sineTone(440, 0.5, 44100, 2, 0.4), 1.0);
    QVERIFY(rz_recorder_stop(rec));
    const uint64_t recorded = rz_recorder_get_time(rec);
    QVERIFY(rz_recorder_finish(rec));
    rz_setup_log_sink(nullptr);
    r.release();

    // The file lasts as long as the time recorded, a second and a half.
    QCOMPARE(recorded, uint64_t(1500000));
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    QVERIFY(d.ok);
    QVERIFY2(qAbs(d.seconds() - 1.5) <= 0.01, qPrintable(QString::number(d.seconds())));
    // The first half second went alone; what the late input had for it is
    // gone. The rest is mixed at the late input's own times: its 1000 Hz
    // until 1 s, its 2000 Hz after.
    const auto share = [&d](int part, double frequency) {
        return MediaProbe::toneShare(d.mono.mid(part * 22050, 22050), frequency);
    };
    QString shares; // 440, 1000 and 2000 Hz in each part
    for (int part = 0; part < 3; ++part)
        for (double frequency : {440.0, 1000.0, 2000.0})
            shares += QString(" %1").arg(share(part, frequency), 0, 'f', 2);
    QVERIFY2(share(0, 440) > 0.9 && share(0, 1000) < 0.05 && share(0, 2000) < 0.05, qPrintable(shares));
    QVERIFY2(share(1, 440) > 0.35 && share(1, 1000) > 0.35 && share(1, 2000) < 0.05, qPrintable(shares));
    QVERIFY2(share(2, 440) > 0.35 && share(2, 2000) > 0.35 && share(2, 1000) < 0.05, qPrintable(shares));
    std::lock_guard<std::mutex> guard(codecLinesMutex);
    const QString said =
        QString("500 ms of the %1 input's sound came after").arg(secondLate ? "second" : "first");
    QVERIFY2(codecLines.filter(said).size() == 1, qPrintable(codecLines.join('\n')));
}

void TestRecorderRole::pausedSoundIsLeftOut()
{
    const QString path = m_dir.filePath("paused.flac");
    void *rec = rz_recorder_create(-1);
    QVERIFY(rz_recorder_open(rec, path.toUtf8().constData(), "flac", nullptr));
    QVERIFY(rz_recorder_run(rec));
    pushTone(rec, false, TestSupport::sineTone(440, 1.0));
    QTRY_COMPARE_WITH_TIMEOUT(rz_recorder_get_time(rec), uint64_t(1000000), 5000);
    QVERIFY(rz_recorder_pause(rec));
    pushTone(rec, false, TestSupport::sineTone(1000, 1.0), 44100);
    QVERIFY(rz_recorder_run(rec));
    pushTone(rec, false, TestSupport::sineTone(440, 1.0), 2 * 44100);
    QVERIFY(rz_recorder_stop(rec));
    QCOMPARE(rz_recorder_get_time(rec), uint64_t(2000000));
    QVERIFY(rz_recorder_finish(rec));
    rz_recorder_release(rec);
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    QVERIFY(qAbs(d.seconds() - 2.0) <= 0.01);
    QVERIFY(MediaProbe::toneShare(d.mono, 1000) < 0.01);
}

void TestRecorderRole::levelBlockFollowsTheSound()
{
    const QString path = m_dir.filePath("level.wav");
    void *rec = rz_recorder_create(-1);
    QVERIFY(!rz_recorder_get_level_block(rec, 0));
    QVERIFY(rz_recorder_open(rec, path.toUtf8().constData(), "wav", nullptr));
    QVERIFY(rz_recorder_run(rec));
    pushTone(rec, false, QVector<float>(44100 * 2, 0.0f));
    QTRY_VERIFY_WITH_TIMEOUT(rz_recorder_get_time(rec) >= 1000000, 5000);
    auto readBlock = [&](quint32 &rate, QVector<quint16> &samples) {
        unsigned char *b = rz_recorder_get_level_block(rec, 0);
        if (!b)
            return false;
        rate = qFromLittleEndian<quint32>(b + 24);
        const quint32 bytes = qFromLittleEndian<quint32>(b + 40);
        samples.resize(int(bytes / 2));
        for (int i = 0; i < samples.size(); ++i)
            samples[i] = qFromLittleEndian<quint16>(b + 44 + 2 * i);
        const bool riff = std::memcmp(b, "RIFF", 4) == 0 && std::memcmp(b + 36, "data", 4) == 0;
        rz_level_block_free(b);
        return riff;
    };
    quint32 rate = 0;
    QVector<quint16> s;
    QVERIFY(readBlock(rate, s));
    QCOMPARE(rate, 44100u);
    QCOMPARE(s.size(), 2205);
    for (quint16 v : s)
        QCOMPARE(v, quint16(32768));
    pushTone(rec, false, TestSupport::sineTone(440, 1.0, 44100, 2, 0.5), 44100);
    QTRY_VERIFY_WITH_TIMEOUT(rz_recorder_get_time(rec) >= 2000000, 5000);
    QVERIFY(readBlock(rate, s));
    const auto [lo, hi] = std::minmax_element(s.begin(), s.end());
    // A half-scale tone swings about a quarter of the range each way.
    QVERIFY(*hi > 32768 + 15000 && *lo < 32768 - 15000);
    rz_recorder_finish(rec);
    rz_recorder_release(rec);
}

void TestRecorderRole::levelBlockCopiedIntoTheCallersRoom()
{
    const QString path = m_dir.filePath("levelcopy.wav");
    void *rec = rz_recorder_create(-1);
    QCOMPARE(rz_recorder_copy_level_block(rec, nullptr, 0), 0u);
    QVERIFY(rz_recorder_open(rec, path.toUtf8().constData(), "wav", nullptr));
    QVERIFY(rz_recorder_run(rec));
    // A ramp whose newest 50 ms start part-way round the kept ring.
    const int frames = 10000;
    auto level = [](int frame) { return float((frame % 2000) - 1000) / 2000.0f; };
    QVector<float> ramp(2 * frames);
    for (int i = 0; i < frames; ++i)
        ramp[2 * i] = ramp[2 * i + 1] = level(i);
    pushTone(rec, false, ramp);
    QVERIFY(rz_recorder_stop(rec));

    const quint32 size = rz_recorder_copy_level_block(rec, nullptr, 0);
    QCOMPARE(size, 44u + 2u * 2205u);
    // A room too small is left as it was.
    QByteArray small(int(size) - 1, '\x5a');
    QCOMPARE(rz_recorder_copy_level_block(rec, reinterpret_cast<unsigned char *>(small.data()), size - 1),
             size);
    QCOMPARE(small, QByteArray(int(size) - 1, '\x5a'));
    // One that holds it gets the block, oldest sample first, and nothing past it.
    QByteArray room(int(size) + 16, '\x5a');
    QCOMPARE(rz_recorder_copy_level_block(rec, reinterpret_cast<unsigned char *>(room.data()),
                                          uint32_t(room.size())),
             size);
    const auto *b = reinterpret_cast<const unsigned char *>(room.constData());
    QCOMPARE(qFromLittleEndian<quint32>(b + 24), 44100u);
    QCOMPARE(qFromLittleEndian<quint32>(b + 40), 2u * 2205u);
    for (int k = 0; k < 2205; ++k) {
        const int expected = int(std::lround(level(frames - 2205 + k) * 32767.0f)) + 32768;
        const int got = qFromLittleEndian<quint16>(b + 44 + 2 * k);
        QVERIFY2(qAbs(got - expected) <= 1,
                 qPrintable(QStringLiteral("sample %1: %2, not %3").arg(k).arg(got).arg(expected)));
    }
    QCOMPARE(room.mid(int(size)), QByteArray(16, '\x5a'));
    // The allocated block says the same.
    unsigned char *block = rz_recorder_get_level_block(rec, 0);
    QVERIFY(block);
    QCOMPARE(room.left(int(size)), QByteArray(reinterpret_cast<const char *>(block), int(size)));
    rz_level_block_free(block);
    rz_recorder_finish(rec);
    rz_recorder_release(rec);
}

void TestRecorderRole::levelBlockShowsEachPushedPieceAtOnce()
{
    // The worker encodes one input in batches of several pieces; the level
    // display must not wait for it, or it would move a few times a second.
    const QString path = m_dir.filePath("levelnow.mp3");
    void *rec = rz_recorder_create(-1);
    void *config = configFor(recordFormats().at(0));
    QVERIFY(rz_recorder_open(rec, path.toUtf8().constData(), "mp3", config));
    QVERIFY(rz_recorder_run(rec));
    QCOMPARE(rz_recorder_get_level_frames(rec), 0u);
    const int piece = 1024;
    QVector<float> samples(2 * piece, 0.0f);
    pushTone(rec, false, samples);
    QCOMPARE(rz_recorder_get_level_frames(rec), quint64(piece));
    QByteArray room(44 + 2 * 2205, '\0');
    auto *b = reinterpret_cast<unsigned char *>(room.data());
    QCOMPARE(rz_recorder_copy_level_block(rec, b, uint32_t(room.size())), 44u + 2u * piece);
    for (int k = 0; k < piece; ++k)
        QCOMPARE(qFromLittleEndian<quint16>(b + 44 + 2 * k), quint16(32768));
    // The next piece, a half-scale tone, shows at once too.
    const QVector<float> tone = TestSupport::sineTone(440, double(piece) / 44100.0, 44100, 2, 0.5);
    QCOMPARE(tone.size(), 2 * piece);
    pushTone(rec, false, tone, piece);
    QCOMPARE(rz_recorder_get_level_frames(rec), quint64(2 * piece));
    QCOMPARE(rz_recorder_copy_level_block(rec, b, uint32_t(room.size())), 44u + 2u * 2u * piece);
    quint16 lo = 65535, hi = 0;
    for (int k = piece; k < 2 * piece; ++k) {
        lo = qMin(lo, qFromLittleEndian<quint16>(b + 44 + 2 * k));
        hi = qMax(hi, qFromLittleEndian<quint16>(b + 44 + 2 * k));
    }
    QVERIFY2(hi > 32768 + 15000 && lo < 32768 - 15000, qPrintable(QStringLiteral("%1..%2").arg(lo).arg(hi)));
    // The recorded time counts it too (a schedule's end is checked by it).
    QCOMPARE(rz_recorder_get_time(rec), quint64(2 * piece) * 1000000u / 44100u);
    // All of it is still encoded: the stop takes what the batch held.
    QVERIFY(rz_recorder_stop(rec));
    QCOMPARE(rz_recorder_get_time(rec), quint64(2 * piece) * 1000000u / 44100u);
    QVERIFY(rz_recorder_finish(rec));
    rz_recorder_release(rec);
    rz_config_release(config);
}

void TestRecorderRole::lostBlocksKeepTheirPlaceInTime()
{
    const QString path = m_dir.filePath("gap.wav");
    void *rec = rz_recorder_create(-1);
    QVERIFY(rz_recorder_open(rec, path.toUtf8().constData(), "wav", nullptr));
    QVERIFY(rz_recorder_run(rec));
    pushTone(rec, false, TestSupport::sineTone(440, 1.0));
    // Half a second of capture went missing; the next block is stamped after it.
    pushTone(rec, false, TestSupport::sineTone(440, 1.0), uint64_t(1.5 * 44100));
    QVERIFY(rz_recorder_stop(rec));
    QVERIFY(rz_recorder_finish(rec));
    rz_recorder_release(rec);
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    QVERIFY2(qAbs(d.seconds() - 2.5) <= 0.01, qPrintable(QString::number(d.seconds())));
    QVERIFY(TestSupport::rms(d.mono.constData() + 44100 + 2205, 17640) < 1e-4);
}

void TestRecorderRole::finishedM4aIsANormalFile()
{
    const QString path = m_dir.filePath("normal.m4a");
    void *rec = rz_recorder_create(-1);
    void *config = configFor(recordFormats().at(1));
    QVERIFY(rz_recorder_open(rec, path.toUtf8().constData(), "mp4", config));
    QVERIFY(rz_recorder_run(rec));
    // A rising sweep from the first sample: its alignment in the decoded file
    // is unambiguous, and the priming would show as a delay.
    QVector<float> sweep(3 * 44100 * 2);
    for (int i = 0; i < sweep.size() / 2; ++i) {
        const double t = i / 44100.0;
        sweep[2 * i] = sweep[2 * i + 1] = float(0.5 * std::sin(2.0 * M_PI * (200.0 * t + 300.0 * t * t)));
    }
    pushTone(rec, false, sweep);
    QVERIFY(rz_recorder_stop(rec));
    QVERIFY(rz_recorder_finish(rec));
    rz_config_release(config);
    rz_recorder_release(rec);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.contains("moov"));
    QVERIFY(!bytes.contains("moof"));
    QVERIFY(!QFile::exists(m_dir.filePath("normal.remux.m4a")));
    // The movie header itself carries the recorded length (what header-trusting
    // readers show), without the encoder's priming.
    const double seconds = MediaProbe::formatEntry(path, "duration").toDouble();
    QVERIFY2(qAbs(seconds - 3.0) <= 0.005, qPrintable(QString::number(seconds, 'f', 4)));
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    // Decoders keep the padding of the last frame (under 1024 samples).
    QVERIFY2(d.seconds() >= 2.995 && d.seconds() < 3.0 + 1024 / 44100.0 + 0.005,
             qPrintable(QString::number(d.seconds(), 'f', 4)));
    // The first decoded samples are the sweep's first samples.
    int bestLag = 0;
    double best = -1.0;
    for (int lag = -2048; lag <= 2048; ++lag) {
        double sum = 0.0;
        for (int i = 0; i < 8192; ++i)
            if (i + lag >= 0 && i + lag < d.mono.size())
                sum += double(d.mono[i + lag]) * double(sweep[2 * i]);
        if (sum > best) {
            best = sum;
            bestLag = lag;
        }
    }
    QVERIFY2(qAbs(bestLag) <= 2, qPrintable(QString::number(bestLag)));
    QVERIFY(TestSupport::rms(d.mono.constData(), 512) > 0.2);
}

void TestRecorderRole::repairSetsPcmLengthsFromTheDataPresent_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("wav") << 3;
    QTest::newRow("aiff") << 4;
}

void TestRecorderRole::repairSetsPcmLengthsFromTheDataPresent()
{
    QFETCH(int, index);
    const RecordFormat f = recordFormats().at(index);
    const QString path = m_dir.filePath("cut." + f.extension);
    void *rec = rz_recorder_create(-1);
    void *config = configFor(f);
    QVERIFY(rz_recorder_open(rec, path.toUtf8().constData(), f.muxer.toUtf8().constData(), config));
    QVERIFY(rz_recorder_run(rec));
    pushTone(rec, false, TestSupport::sineTone(440, 2.0));
    QVERIFY(rz_recorder_finish(rec));
    rz_config_release(config);
    rz_recorder_release(rec);
    // What a crash leaves: a second of sound written after the header's last
    // update, and half a frame.
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write(QByteArray(44100 * 4 + 2, '\x10'));
    file.close();
    const qint64 cutSize = QFileInfo(path).size();
    QVERIFY(rz_recorder_repair(path.toUtf8().constData(), f.muxer.toUtf8().constData()));
    QCOMPARE(QFileInfo(path).size(), cutSize - 2);
    QVERIFY(!QFile::exists(m_dir.filePath("cut.repair." + f.extension)));
    const double seconds = MediaProbe::streamEntry(path, "duration").toDouble();
    QVERIFY2(qAbs(seconds - 3.0) < 0.001, qPrintable(QString::number(seconds, 'f', 4)));
    QVERIFY2(qAbs(MediaProbe::decode(path).seconds() - 3.0) < 0.001, qPrintable(f.name));
    // Complete now: a second repair leaves it as it is.
    const QDateTime written = QFileInfo(path).lastModified();
    QVERIFY(rz_recorder_repair(path.toUtf8().constData(), f.muxer.toUtf8().constData()));
    QCOMPARE(QFileInfo(path).lastModified(), written);
    QCOMPARE(QFileInfo(path).size(), cutSize - 2);
}

void TestRecorderRole::longFragmentedRecordingIsRepairedWhole()
{
    // Hours of half-second fragments, as a long recording leaves them: the
    // demuxer reads every fragment header at once, far more than one call on
    // a foreign file may read.
    const QString shortFile = m_dir.filePath("ten-seconds.m4a");
    const QString path = m_dir.filePath("hours.m4a");
    QCOMPARE(TestSupport::runProgram("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=440:d=10",
                                                "-ac", "2", "-c:a", "aac", "-b:a", "128k", shortFile}), 0);
    QCOMPARE(TestSupport::runProgram("ffmpeg", {"-v", "error", "-y", "-stream_loop", "999", "-i", shortFile,
                                                "-c", "copy", "-f", "ipod", "-movflags",
                                                "empty_moov+default_base_moof", "-frag_duration",
                                                "500000", path}), 0);
    QVERIFY(QFileInfo(path).size() > 128 * 1024 * 1024);
    QVERIFY(rz_recorder_repair(path.toUtf8().constData(), "mp4"));
    const double seconds = MediaProbe::formatEntry(path, "duration").toDouble();
    QVERIFY2(qAbs(seconds - 10000.0) < 20.0, qPrintable(QString::number(seconds)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains("moof"));
}

void TestRecorderRole::badRequestsFailCleanly()
{
    void *rec = rz_recorder_create(-1);
    QVERIFY(!rz_recorder_run(rec));
    QVERIFY(!rz_recorder_finish(rec));
    const QString blocked = m_dir.filePath("no-such-folder/x.mp3");
    QVERIFY(!rz_recorder_open(rec, blocked.toUtf8().constData(), "mp3", nullptr));
    QVERIFY(QString(rz_recorder_error_text(rec)).contains("x.mp3"));
    QVERIFY(!QFile::exists(blocked));
    const QString path = m_dir.filePath("bad.flac");
    QVERIFY(!rz_recorder_open(rec, path.toUtf8().constData(), "no-such-muxer", nullptr));
    void *config = rz_config_create();
    rz_config_set_audio_codec(config, RZ_CODEC_MP3);
    QVERIFY(!rz_recorder_open(rec, path.toUtf8().constData(), "flac", config));
    QVERIFY(!QFile::exists(path));
    rz_config_release(config);
    QVERIFY(!rz_recorder_push_frame(rec, nullptr));
    QVERIFY(!rz_recorder_push_frame(nullptr, nullptr));
    QVERIFY(!rz_recorder_open(nullptr, "x", "mp3", nullptr));
    QVERIFY(!rz_recorder_repair(nullptr, nullptr));
    const QString missing = m_dir.filePath("never-recorded.mp3");
    QVERIFY(!rz_recorder_repair(missing.toUtf8().constData(), "mp3"));
    QVERIFY(!QFile::exists(missing));
    QCOMPARE(rz_recorder_get_time(nullptr), uint64_t(0));
    QVERIFY(!rz_stream_create(1));
    void *frame = rz_audioframe_create();
    QVERIFY(!rz_audioframe_set_format(frame, 9, 44100, 2, 3));
    rz_audioframe_release(frame);
    rz_recorder_release(rec);
}

void TestRecorderRole::fullDiskEndsTheRecordingWithItsReason_data()
{
    QTest::addColumn<int>("index");
    // Formats that keep their length at the end of the file need room for a
    // rewrite to be completed; the others are complete as they stand, or
    // patched where they lie.
    QTest::addColumn<bool>("completed");
    const auto formats = recordFormats();
    for (int i = 0; i < formats.size(); ++i) {
        const QString muxer = formats[i].muxer;
        const bool rewritten = muxer == "mp3" || muxer == "mp4" || muxer == "ipod" || muxer == "asf";
        QTest::newRow(qPrintable(formats[i].name)) << i << !rewritten;
    }
}

void TestRecorderRole::fullDiskEndsTheRecordingWithItsReason()
{
    QFETCH(int, index);
    QFETCH(bool, completed);
    const RecordFormat f = recordFormats().at(index);
    const QString root = m_dir.filePath("disk-" + f.name);
    QVERIFY(QDir().mkpath(root));
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=256k", "tmpfs", root}) != 0)
        QSKIP("mounting a tmpfs needs root");
    const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {"-l", root}); });
    const QString path = root + "/full." + f.extension;
    void *rec = rz_recorder_create(-1);
    void *config = configFor(f);
    QVERIFY(rz_recorder_open(rec, path.toUtf8().constData(), f.muxer.toUtf8().constData(), config));
    QVERIFY(rz_recorder_run(rec));
    QVERIFY(!rz_recorder_write_failed(rec));
    // Ten minutes of sound are more than the disk holds in any format.
    const QVector<float> second = TestSupport::sineTone(440, 1.0);
    for (int s = 0; s < 600 && !rz_recorder_write_failed(rec); ++s) {
        pushTone(rec, false, second, uint64_t(s) * 44100);
        QTest::qWait(20); // about as fast as the slowest encoder, so no block is dropped
    }
    QTRY_VERIFY_WITH_TIMEOUT(rz_recorder_write_failed(rec), 20000);
    QCOMPARE(rz_recorder_error_code(rec), ENOSPC);
    const QString reason = QString::fromUtf8(rz_recorder_error_text(rec));
    QVERIFY2(reason.contains(path) && reason.contains("No space left on device"), qPrintable(reason));
    // No more sound is taken: the recorded time stands still.
    const uint64_t recorded = rz_recorder_get_time(rec);
    pushTone(rec, false, second, 601 * 44100);
    QTest::qWait(100);
    QCOMPARE(rz_recorder_get_time(rec), recorded);
    rz_recorder_stop(rec);
    QCOMPARE(rz_recorder_finish(rec) == RZ_OK, completed);
    rz_config_release(config);
    rz_recorder_release(rec);

    QVERIFY(QFileInfo(path).size() > 0);
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    qInfo("%s: %.3f s recorded, %.3f s decoded", qPrintable(f.name), recorded / 1e6, d.seconds());
    QVERIFY2(d.seconds() > 0.5, qPrintable(QString::number(d.seconds())));
    const double share = MediaProbe::toneShare(d.mono, 440);
    QVERIFY2(share > 0.8, qPrintable(QString::number(share)));
    if (f.muxer == "wav") {
        // The header's length covers the sound on the disk, in whole frames.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(4096);
        const int at = head.indexOf("data");
        QVERIFY(at >= 12);
        const qint64 length = qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(head.constData() + at + 4));
        QCOMPARE(at + 8 + length, file.size());
        QCOMPARE(length % 4, 0);
    }
    // Nothing was left beside it.
    QCOMPARE(QDir(root).entryList(QDir::Files), QStringList(QFileInfo(path).fileName()));
}

void TestRecorderRole::aWriteRefusedOnlyAtTheLastFlushFailsTheRecording()
{
    // A fifth of a second of MP3 stays in the muxer's buffer until the stop
    // flushes it: every write before succeeded, only that one fails.
    const RecordFormat f = formatNamed("mp3");
    const QString path = m_dir.filePath("last-flush.mp3");
    void *rec = rz_recorder_create(-1);
    void *config = configFor(f);
    QVERIFY(rz_recorder_open(rec, path.toUtf8().constData(), f.muxer.toUtf8().constData(), config));
    QVERIFY(rz_recorder_run(rec));
    pushTone(rec, false, TestSupport::sineTone(440, 0.2));
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    g_refusedInode = st.st_ino;
    rz_recorder_stop(rec);
    const bool failed = rz_recorder_write_failed(rec);
    const int code = rz_recorder_error_code(rec);
    const bool finished = rz_recorder_finish(rec) == RZ_OK;
    g_refusedInode = 0;
    rz_config_release(config);
    rz_recorder_release(rec);
    QVERIFY(failed);
    QCOMPARE(code, ENOSPC);
    QVERIFY(!finished);
}

QTEST_GUILESS_MAIN(TestRecorderRole)
#include "tst_recorderrole.moc"
