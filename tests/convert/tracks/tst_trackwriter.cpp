// The track writer: the packets of an encoded file pushed by the caller,
// with their timescale and the codec's header, make a file that decodes to
// exactly what the original decodes to. A stop ends it at any point, also
// while its file is still being made.

#include "convert/cavconverter.h"
#include "recorder/cavencodeparam.h"
#include "rzcodec/codecids.h"

#include "filterchain.h"
#include "internal/inputmedia.h"
#include "mediafiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<unsigned> g_lastTime{0};

void timeReport(unsigned int ms, void *)
{
    g_lastTime = ms;
}

// The thread waits in opening a file: a pipe that nobody reads yet.
bool waitsInOpening(pid_t thread)
{
    const QString task = QString("/proc/self/task/%1/").arg(thread);
    QFile wchan(task + "wchan"), call(task + "syscall");
    return (wchan.open(QIODevice::ReadOnly) && wchan.readAll().contains("partner"))
           || (call.open(QIODevice::ReadOnly) && call.readAll().split(' ').value(0).toLong() == SYS_openat);
}

} // namespace

class TestTrackWriter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pushedPacketsMakeTheSameFile_data();
    void pushedPacketsMakeTheSameFile();
    void tracksAndStop_data();
    void tracksAndStop();

private:
    QTemporaryDir m_dir;
};

void TestTrackWriter::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestTrackWriter::pushedPacketsMakeTheSameFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("codecArgs");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("muxer");
    QTest::addColumn<uint>("codec");
    // AAC and FLAC need their header bytes; MP3 has none.
    QTest::newRow("aac") << "aac" << QStringList{"-c:a", "aac", "-b:a", "128k"} << "m4a" << "ipod"
                         << uint(RZ_CODEC_AAC);
    QTest::newRow("flac") << "flac" << QStringList{"-c:a", "flac"} << "flac" << "flac"
                          << uint(RZ_CODEC_FLAC);
    QTest::newRow("mp3") << "mp3" << QStringList{"-c:a", "libmp3lame", "-b:a", "128k"} << "mp3"
                         << "mp3" << uint(RZ_CODEC_MP3);
}

void TestTrackWriter::pushedPacketsMakeTheSameFile()
{
    QFETCH(QString, name);
    QFETCH(QStringList, codecArgs);
    QFETCH(QString, extension);
    QFETCH(QString, muxer);
    QFETCH(uint, codec);
    const QString source = MediaFiles::makeTone(m_dir.path(), "src-" + name,
                                                {name, extension, codecArgs, 44100}, 3.0);
    QVERIFY(!source.isEmpty());
    rz::InputMedia input;
    QVERIFY(input.open(source.toStdString()));
    const int stream = input.bestStream(AVMEDIA_TYPE_AUDIO);
    QVERIFY(stream >= 0);
    const AVStream *st = input.format()->streams[stream];
    QCOMPARE(st->time_base.num, 1);

    CAVConverter converter;
    CTrackDesc desc;
    desc.audio1 = st->codecpar->sample_rate;
    desc.audio2 = st->codecpar->ch_layout.nb_channels;
    desc.esData = st->codecpar->extradata;
    desc.esDataLength = uint32_t(st->codecpar->extradata_size);
    QVERIFY(converter.AddTrack(5, 2, codec, &desc));
    QVERIFY(converter.GetTracksInfoOfType(2));
    QCOMPARE(converter.GetTracksInfoOfType(2)->id, 5u);
    QVERIFY(!converter.GetTracksInfoOfType(1));

    const QString output = m_dir.filePath("tracks-" + name + "." + extension);
    CAVEncodeParam param;
    param.setFormatName(muxer.toUtf8().constData());
    bool written = false;
    g_lastTime = 0;
    std::thread writer([&] {
        written = converter.StartWithTrack(output.toUtf8().constData(), &param, nullptr, &timeReport,
                                           nullptr);
    });
    rz::PacketPtr pkt = rz::makePacket();
    int pushed = 0;
    QList<QByteArray> packets;
    int64_t origin = AV_NOPTS_VALUE;
    while (input.readPacket(pkt.get()) >= 0) {
        if (pkt->stream_index == stream) {
            packets << QByteArray(reinterpret_cast<const char *>(pkt->data), pkt->size);
            // The caller's packets count from 0.
            if (origin == AV_NOPTS_VALUE)
                origin = pkt->dts;
            CTrackPacket p;
            p.pts = uint64_t(pkt->pts - origin);
            p.dts = uint64_t(pkt->dts - origin);
            p.duration = int32_t(pkt->duration);
            p.timescale = uint32_t(st->time_base.den);
            p.flags = pkt->flags & AV_PKT_FLAG_KEY ? 1 : 0;
            p.size = pkt->size;
            p.data = pkt->data;
            QVERIFY(converter.AddPacketToTrack(5, &p));
            ++pushed;
        }
        av_packet_unref(pkt.get());
    }
    CTrackPacket none;
    QVERIFY(!converter.AddPacketToTrack(6, &none)); // no such track
    converter.StopWithTrack();
    writer.join();
    QVERIFY(written);
    QVERIFY(pushed > 20);
    QVERIFY(g_lastTime.load() <= 3100);
    QVERIFY(!converter.GetTracksInfoOfType(2)); // released at the end

    // Read back: the same packets, in order.
    rz::InputMedia result;
    QVERIFY(result.open(output.toStdString()));
    const int resultStream = result.bestStream(AVMEDIA_TYPE_AUDIO);
    QVERIFY(resultStream >= 0);
    QList<QByteArray> readBack;
    while (result.readPacket(pkt.get()) >= 0) {
        if (pkt->stream_index == resultStream)
            readBack << QByteArray(reinterpret_cast<const char *>(pkt->data), pkt->size);
        av_packet_unref(pkt.get());
    }
    QCOMPARE(readBack.size(), packets.size());
    QVERIFY(readBack == packets);
    // An MP3's encoder delay and padding live in a header of the original
    // that packets do not carry; the others decode alike, sample for sample.
    if (name == "mp3")
        return;
    const QVector<float> want = FilterChain::decodeFile(source);
    const QVector<float> got = FilterChain::decodeFile(output);
    QVERIFY(!want.isEmpty());
    QCOMPARE(got.size(), want.size());
    QVERIFY(got == want);
    QVERIFY(qAbs(FilterChain::durationSeconds(output) - FilterChain::durationSeconds(source)) < 0.03);
}

void TestTrackWriter::tracksAndStop_data()
{
    QTest::addColumn<bool>("stalledOutput");
    QTest::newRow("while it waits for packets") << false;
    // A pipe that nobody reads holds it in making its file, as a stalled disk or a busy machine does.
    QTest::newRow("while its file is made") << true;
}

void TestTrackWriter::tracksAndStop()
{
    // Ids of their own; a stop ends the writer, which leaves no file.
    QFETCH(bool, stalledOutput);
    CAVConverter converter;
    CTrackDesc desc;
    desc.audio1 = 44100;
    desc.audio2 = 2;
    QVERIFY(converter.AddTrack(2, RZ_CODEC_MP3, &desc)); // the type is the id
    QVERIFY(converter.AddTrack(9, 2, RZ_CODEC_MP3, &desc));
    QVERIFY(!converter.AddTrack(3, 4, RZ_CODEC_MP3, &desc)); // no such type
    QCOMPARE(converter.GetTracksInfoOfType(2)->id, 2u);
    const QString output = m_dir.filePath(stalledOutput ? "stalled.mp3" : "stopped.mp3");
    const QByteArray outputPath = QFile::encodeName(output);
    if (stalledOutput)
        QCOMPARE(::mkfifo(outputPath.constData(), 0600), 0);
    CAVEncodeParam param;
    param.setFormatName("mp3");
    std::atomic<pid_t> thread{0};
    std::atomic<bool> returned{false};
    bool written = true;
    std::thread writer([&] {
        thread = pid_t(::syscall(SYS_gettid));
        written = converter.StartWithTrack(outputPath.constData(), &param, nullptr, nullptr, nullptr);
        returned = true;
    });
    const bool under = QTest::qWaitFor(
        [&] { return stalledOutput ? thread && waitsInOpening(thread) : QFile::exists(output); }, 10000);
    const bool wasRunning = !returned;
    converter.StopConvert();
    // The file can be made now; the writer holds the pipe's end until it returns.
    const int reader = stalledOutput ? ::open(outputPath.constData(), O_RDONLY | O_NONBLOCK) : -1;
    const bool ended = QTest::qWaitFor([&] { return returned.load(); }, 10000);
    if (!ended)
        converter.StopConvert(); // the stop was lost: the writer waits for packets
    writer.join();
    if (reader >= 0)
        ::close(reader);
    QVERIFY(under);
    QVERIFY(wasRunning);
    QVERIFY2(ended, "the stop was lost");
    QVERIFY(!written);
    QVERIFY(!QFile::exists(output));
    converter.ReleaseAllTracks();
    QVERIFY(!converter.GetTracksInfoOfType(2));
}

QTEST_MAIN(TestTrackWriter)
#include "tst_trackwriter.moc"
