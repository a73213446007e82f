// The input and decoder helper that the player, the media information and the
// converter share: every sample of a file, seeking, and decoded pictures
// handed out through the frame role.

#include "mediafiles.h"

#include "internal/framehandle.h"
#include "internal/inputmedia.h"
#include "rzcodec/frame.h"

#include <QTemporaryDir>
#include <QtTest>

class TestDecoder : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void decodesEverySampleOfAWav();
    void decodesCompressedAudioToItsLength();
    void seeksNearTheTarget();
    void picturesThroughTheFrameRole();
    void brokenInputEndsCleanly();

private:
    QTemporaryDir m_dir;
    QString m_video;
};

void TestDecoder::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_video = m_dir.filePath("green.mp4");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "color=c=0x00FF00:s=320x240:r=25:d=2", "-c:v",
                                   "mpeg4", "-q:v", "2", "-pix_fmt", "yuv420p", m_video}));
}

void TestDecoder::decodesEverySampleOfAWav()
{
    const QString wav = MediaFiles::makeTone(m_dir.path(), "tone", MediaFiles::taggableFormats().at(5), 3.0);
    rz::InputMedia input;
    QVERIFY(input.open(wav.toStdString()));
    const int audio = input.bestStream(AVMEDIA_TYPE_AUDIO);
    QVERIFY(audio >= 0);
    QCOMPARE(input.bestStream(AVMEDIA_TYPE_VIDEO), -1);
    rz::MediaDecoder decoder(input);
    QVERIFY(decoder.addStream(audio));
    rz::FramePtr frame = rz::makeFrame();
    int64_t samples = 0;
    int stream = -1;
    int ret;
    while ((ret = decoder.next(frame.get(), &stream)) == 1) {
        QCOMPARE(stream, audio);
        QCOMPARE(frame->ch_layout.nb_channels, 2);
        samples += frame->nb_samples;
        av_frame_unref(frame.get());
    }
    QCOMPARE(ret, 0);
    QCOMPARE(samples, int64_t(3 * 44100));
    QCOMPARE(decoder.next(frame.get(), &stream), 0); // stays at the end
}

void TestDecoder::decodesCompressedAudioToItsLength()
{
    for (int index : {0, 1, 3}) { // mp3, m4a, ogg
        const MediaFiles::Format format = MediaFiles::taggableFormats().at(index);
        const QString path = MediaFiles::makeTone(m_dir.path(), "len", format, 2.0);
        rz::InputMedia input;
        QVERIFY(input.open(path.toStdString()));
        rz::MediaDecoder decoder(input);
        QVERIFY(decoder.addStream(input.bestStream(AVMEDIA_TYPE_AUDIO)));
        rz::FramePtr frame = rz::makeFrame();
        int64_t samples = 0;
        while (decoder.next(frame.get(), nullptr) == 1) {
            samples += frame->nb_samples;
            av_frame_unref(frame.get());
        }
        // Codec padding: AAC adds about 1024 samples, Vorbis loses a few hundred.
        QVERIFY2(qAbs(samples - 88200) <= 2048, qPrintable(format.name + ": " + QString::number(samples)));
    }
}

void TestDecoder::seeksNearTheTarget()
{
    rz::InputMedia input;
    QVERIFY(input.open(m_video.toStdString()));
    const int video = input.bestStream(AVMEDIA_TYPE_VIDEO);
    rz::MediaDecoder decoder(input);
    QVERIFY(decoder.addStream(video));
    QVERIFY(decoder.seek(1200000));
    rz::FramePtr frame = rz::makeFrame();
    QCOMPARE(decoder.next(frame.get(), nullptr), 1);
    const AVRational tb = input.format()->streams[video]->time_base;
    const int64_t at = rz::toMicroseconds(frame->best_effort_timestamp, tb);
    // The key frame at or before the target (mpeg4 puts one every 12 frames).
    QVERIFY2(at <= 1200000 && at >= 1200000 - 600000, qPrintable(QString::number(at)));
}

void TestDecoder::picturesThroughTheFrameRole()
{
    rz::InputMedia input;
    QVERIFY(input.open(m_video.toStdString()));
    rz::MediaDecoder decoder(input);
    QVERIFY(decoder.addStream(input.bestStream(AVMEDIA_TYPE_VIDEO)));
    rz::FramePtr decoded = rz::makeFrame();
    QCOMPARE(decoder.next(decoded.get(), nullptr), 1);

    auto *handle = new rz::FrameHandle;
    QVERIFY(handle->assign(decoded.get(), 40000));
    void *frame = rz::toHandle(handle);
    decoded.reset(); // the handle holds its own reference

    QCOMPARE(rz_frame_format(frame), RZ_PIXFMT_YUV420P);
    QCOMPARE(rz_frame_width(frame), 320u);
    QCOMPARE(rz_frame_height(frame), 240u);
    QCOMPARE(rz_frame_time(frame), 40000ull);
    QVERIFY(rz_frame_stride(frame, 0) >= 320);
    QVERIFY(rz_frame_stride(frame, 1) >= 160);
    QVERIFY(rz_frame_data(frame, 2));
    QVERIFY(!rz_frame_data(frame, 3));
    QCOMPARE(rz_frame_stride(frame, 3), 0u);

    void *copy = rz_frame_reference(frame);
    rz_frame_release(frame);
    // Pure green in limited-range BT.601: Y about 145, U about 54, V about 34.
    const uint8_t *y = rz_frame_data(copy, 0);
    const uint8_t *u = rz_frame_data(copy, 1);
    const uint8_t *v = rz_frame_data(copy, 2);
    const uint32_t row = 120;
    QVERIFY2(qAbs(int(y[row * rz_frame_stride(copy, 0) + 160]) - 145) < 8, qPrintable(QString::number(y[0])));
    QVERIFY(qAbs(int(u[row / 2 * rz_frame_stride(copy, 1) + 80]) - 54) < 8);
    QVERIFY(qAbs(int(v[row / 2 * rz_frame_stride(copy, 2) + 80]) - 34) < 8);
    rz_frame_release(copy);
}

void TestDecoder::brokenInputEndsCleanly()
{
    // The second half of a WAV is gone: decoding ends early without an error loop.
    const QString wav = MediaFiles::makeTone(m_dir.path(), "cutme", MediaFiles::taggableFormats().at(5), 2.0);
    const QString cut = m_dir.filePath("cut.wav");
    QVERIFY(MediaFiles::truncateCopy(wav, cut, QFileInfo(wav).size() / 2));
    rz::InputMedia input;
    QVERIFY(input.open(cut.toStdString()));
    rz::MediaDecoder decoder(input);
    QVERIFY(decoder.addStream(input.bestStream(AVMEDIA_TYPE_AUDIO)));
    rz::FramePtr frame = rz::makeFrame();
    int64_t samples = 0;
    while (decoder.next(frame.get(), nullptr) == 1) {
        samples += frame->nb_samples;
        av_frame_unref(frame.get());
    }
    QVERIFY(samples > 40000 && samples < 46000);

    rz::InputMedia none;
    QVERIFY(!none.open(""));
    QVERIFY(!none.open(m_dir.filePath("absent.wav").toStdString()));
    rz::MediaDecoder nothing(none);
    QVERIFY(!nothing.addStream(0));
    QVERIFY(nothing.next(frame.get(), nullptr) < 0);
}

QTEST_GUILESS_MAIN(TestDecoder)
#include "tst_decoder.moc"
