// Conventions of the codec layer: codec ids, buffers, frames, global set-up,
// and calls on null or wrong handles.

#include "rzcodec/buffer.h"
#include "rzcodec/codecids.h"
#include "rzcodec/frame.h"
#include "rzcodec/setup.h"

#include <QTemporaryDir>
#include <QtTest>

class TestCodecLayer : public QObject
{
    Q_OBJECT
private slots:
    void codecIdsNameTheRightCodecs_data();
    void codecIdsNameTheRightCodecs();
    void unknownCodecIdsAreRefused();
    void bufferKeepsEveryByte();
    void nullAndForeignHandlesFail();
    void globalSetUp();
};

void TestCodecLayer::codecIdsNameTheRightCodecs_data()
{
    QTest::addColumn<uint>("id");
    QTest::addColumn<QString>("codec");
    // The video numbers are one off FFmpeg's own from H.263 on: a cast would
    // turn H.264 into another codec.
    QTest::newRow("H264") << 28u << "h264";
    QTest::newRow("H263") << 5u << "h263";
    QTest::newRow("MJPG") << 8u << "mjpeg";
    QTest::newRow("MP4V") << 13u << "mpeg4";
    QTest::newRow("Xvid") << 1145656920u << "mpeg4";
    QTest::newRow("DIVX") << 808802372u << "mpeg4";
    QTest::newRow("H265") << 1211250229u << "hevc";
    QTest::newRow("mp43") << 17u << "msmpeg4v3";
    QTest::newRow("WMV3") << 72u << "wmv3";
    QTest::newRow("vc-1") << 71u << "vc1";
    QTest::newRow("VP8") << 141u << "vp8";
    QTest::newRow("VP9") << 169u << "vp9";
    QTest::newRow("OGV") << 31u << "theora";
    QTest::newRow("flv1") << 22u << "flv1";
    QTest::newRow("DV") << 25u << "dvvideo";
    QTest::newRow("MP3") << 0x15001u << "mp3";
    QTest::newRow("AAC") << 0x15002u << "aac";
    QTest::newRow("AC3") << 0x15003u << "ac3";
    QTest::newRow("OGG") << 0x15005u << "vorbis";
    QTest::newRow("wma2") << 0x15008u << "wmav2";
    QTest::newRow("wma3") << 0x15026u << "wmapro";
    QTest::newRow("flac") << 0x1500Cu << "flac";
    QTest::newRow("alac") << 0x15010u << "alac";
    QTest::newRow("OPUS") << 0x1503Cu << "opus";
    QTest::newRow("in24") << 0x1000Du << "pcm_s24be";
    QTest::newRow("PCM") << 0x10000u << "pcm_s16le";
    QTest::newRow("timed text") << 0x17005u << "mov_text";
}

void TestCodecLayer::codecIdsNameTheRightCodecs()
{
    QFETCH(uint, id);
    QFETCH(QString, codec);
    QCOMPARE(rz_codec_id_known(id), 1);
    QCOMPARE(QString::fromUtf8(rz_codec_id_name(id)), codec);
}

void TestCodecLayer::unknownCodecIdsAreRefused()
{
    for (uint32_t id : {0u, 3u, 27u, 0x15004u, 0xFFFFFFFFu}) {
        QCOMPARE(rz_codec_id_known(id), 0);
        QCOMPARE(QString::fromUtf8(rz_codec_id_name(id)), QString());
    }
}

void TestCodecLayer::bufferKeepsEveryByte()
{
    const char bytes[] = {'a', 0, 'b', 0, '\xff'};
    void *b = rz_buffer_create(bytes, sizeof bytes);
    QVERIFY(b);
    QCOMPARE(rz_buffer_size(b), uint32_t(sizeof bytes));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(rz_buffer_data(b)), rz_buffer_size(b)),
             QByteArray(bytes, sizeof bytes));
    // The data is followed by a NUL, so a text value reads as a C string.
    QCOMPARE(rz_buffer_data(b)[sizeof bytes], uint8_t(0));
    rz_buffer_release(b);

    void *empty = rz_buffer_create(nullptr, 0);
    QVERIFY(empty);
    QCOMPARE(rz_buffer_size(empty), 0u);
    rz_buffer_release(empty);
    QVERIFY(!rz_buffer_create(nullptr, 10));
}

void TestCodecLayer::nullAndForeignHandlesFail()
{
    QCOMPARE(rz_buffer_size(nullptr), 0u);
    QVERIFY(!rz_buffer_data(nullptr));
    rz_buffer_release(nullptr);
    QCOMPARE(rz_frame_format(nullptr), RZ_PIXFMT_NONE);
    QVERIFY(!rz_frame_reference(nullptr));
    rz_frame_release(nullptr);

    // A buffer handle given to a frame call is refused, not misread.
    void *buffer = rz_buffer_create("xyz", 3);
    QCOMPARE(rz_frame_width(buffer), 0u);
    QVERIFY(!rz_frame_data(buffer, 0));
    rz_frame_release(buffer); // refused: the buffer stays alive
    QCOMPARE(rz_buffer_size(buffer), 3u);
    rz_buffer_release(buffer);

    // An empty frame has no picture and no planes.
    void *frame = rz_frame_create();
    QVERIFY(frame);
    QCOMPARE(rz_frame_format(frame), RZ_PIXFMT_NONE);
    QCOMPARE(rz_frame_stride(frame, 0), 0u);
    QVERIFY(!rz_frame_data(frame, 0x80000000u));
    void *ref = rz_frame_reference(frame);
    QVERIFY(ref);
    QCOMPARE(rz_frame_width(ref), 0u);
    rz_frame_release(ref);
    rz_frame_release(frame);
}

void TestCodecLayer::globalSetUp()
{
    // The start-up sequence of the application.
    QTemporaryDir dir;
    QCOMPARE(rz_setup_log(1, 1), 1);
    QCOMPARE(rz_setup_log(0, 1), 1);
    QCOMPARE(rz_setup_decoding(0, 1), 1);
    QCOMPARE(rz_setup_hardware(0), 1);
    QCOMPARE(rz_setup_network(0), 1);
    QCOMPARE(rz_setup_work_folder(dir.path().toUtf8().constData()), 1);
    const uint32_t formats[] = {RZ_PIXFMT_YUV420P, RZ_PIXFMT_BGRA};
    QCOMPARE(rz_setup_frame_formats(formats, 2), 1);
    QCOMPARE(QString::fromUtf8(rz_setup_get_work_folder()), dir.path());

    // Refusals leave the earlier settings in place.
    QCOMPARE(rz_setup_work_folder((dir.path() + "/missing").toUtf8().constData()), 0);
    QCOMPARE(rz_setup_work_folder(nullptr), 0);
    QCOMPARE(QString::fromUtf8(rz_setup_get_work_folder()), dir.path());
    const uint32_t bad[] = {7};
    QCOMPARE(rz_setup_frame_formats(bad, 1), 0);
    QCOMPARE(rz_setup_frame_formats(nullptr, 3), 0);
    QCOMPARE(rz_setup_hardware(1), 0);
    QCOMPARE(rz_setup_log(5, 1), 0);
}

QTEST_GUILESS_MAIN(TestCodecLayer)
#include "tst_codeclayer.moc"
