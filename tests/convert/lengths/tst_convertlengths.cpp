// Cuts and edits in every output format of the catalogue, read back three
// ways: the file's own length fields (header, container) as ffprobe reads
// them, and the samples the codec layer decodes. All must agree with the cut
// within one codec frame.

#include "convert/iavconverter.h"
#include "recorder/cavencodeparam.h"

#include "converterreports.h"
#include "filterchain.h"
#include "internal/inputmedia.h"
#include "mediafiles.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <mutex>

namespace {

struct CatalogueFormat {
    MediaFiles::Format file;
    int frame; // samples of one codec frame: the tolerance
    // Frames more that a reader's figure may be off, for what the readers
    // do rather than what the file holds: ffprobe counts an MP3 by its
    // frames, encoder delay and padding included (the LAME header is checked
    // exactly instead); FFmpeg's WMA decoder drops the first frame.
    int containerSlack = 0;
    int decodedSlack = 0;
};

// The ten output formats of the catalogue's general audio list.
QList<CatalogueFormat> catalogueFormats()
{
    return {
        {{"mp3", "mp3", {"-c:a", "libmp3lame", "-b:a", "128k"}, 44100}, 1152, 1, 0},
        {{"m4a-aac", "m4a", {"-c:a", "aac", "-b:a", "128k"}, 44100}, 1024},
        {{"m4a-alac", "m4a", {"-c:a", "alac"}, 44100}, 4096},
        {{"wav", "wav", {"-c:a", "pcm_s16le"}, 44100}, 64},
        {{"aiff", "aiff", {"-c:a", "pcm_s16be"}, 44100}, 64},
        {{"flac", "flac", {"-c:a", "flac"}, 44100}, 4608},
        {{"ogg", "ogg", {"-c:a", "libvorbis", "-q:a", "4"}, 44100}, 2048},
        {{"opus", "opus", {"-c:a", "libopus", "-b:a", "96k"}, 48000}, 960},
        {{"wma", "wma", {"-c:a", "wmav2", "-b:a", "128k"}, 44100}, 2048, 0, 1},
        {{"ac3", "ac3", {"-c:a", "ac3", "-b:a", "192k"}, 44100}, 1536},
    };
}

// The lengths one file declares and holds, in seconds.
struct Lengths {
    double header = -1;    // the stream's own length field (ffprobe)
    double container = -1; // the container's duration (ffprobe)
    double info = -1;      // the codec layer's media information
    double decoded = -1;   // samples the codec layer decodes
    qint64 flacTotal = -1; // STREAMINFO total samples of a FLAC file
    qint64 lameTotal = -1; // MP3: frames x 1152 less the delay and padding of its LAME tag
};

// The length an MP3 file's Xing/LAME header declares, in samples; -1 without one.
qint64 lameSamples(const QByteArray &b)
{
    int at = 0;
    if (b.startsWith("ID3") && b.size() > 10)
        at = 10 + ((b[6] & 0x7f) << 21 | (b[7] & 0x7f) << 14 | (b[8] & 0x7f) << 7 | (b[9] & 0x7f));
    int tag = b.indexOf("Xing", at);
    if (tag < 0 || tag > at + 200)
        tag = b.indexOf("Info", at);
    if (tag < 0 || tag > at + 200)
        return -1;
    const auto u = [&](int i) { return quint32(quint8(b[i])); };
    const auto be32 = [&](int i) { return u(i) << 24 | u(i + 1) << 16 | u(i + 2) << 8 | u(i + 3); };
    const quint32 flags = be32(tag + 4);
    int p = tag + 8;
    if (!(flags & 1))
        return -1;
    const qint64 frames = be32(p);
    p += 4;
    if (flags & 2)
        p += 4;
    if (flags & 4)
        p += 100;
    if (flags & 8)
        p += 4;
    if (p + 24 > b.size())
        return -1;
    const quint32 v = u(p + 21) << 16 | u(p + 22) << 8 | u(p + 23);
    return frames * 1152 - (v >> 12) - (v & 0xfff);
}

Lengths measure(const QString &path)
{
    Lengths l;
    QByteArray out;
    if (TestSupport::runProgram("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                                            "stream=duration:format=duration", "-of",
                                            "default=nw=1", path},
                                30000, &out)
        == 0) {
        // The stream's line comes first, then the format's.
        QList<double> values;
        for (const QByteArray &line : out.split('\n'))
            if (line.startsWith("duration=") && line.mid(9) != "N/A")
                values << line.mid(9).toDouble();
            else if (line.startsWith("duration="))
                values << -1;
        if (values.size() == 2) {
            l.header = values[0];
            l.container = values[1];
        }
    }
    l.info = FilterChain::durationSeconds(path);
    rz::InputMedia input;
    if (input.open(path.toStdString())) {
        const int stream = input.bestStream(AVMEDIA_TYPE_AUDIO);
        rz::MediaDecoder decoder(input);
        if (stream >= 0 && decoder.addStream(stream)) {
            rz::FramePtr frame = rz::makeFrame();
            qint64 samples = 0;
            int rate = 0;
            int index = -1;
            while (decoder.next(frame.get(), &index) > 0) {
                if (index == stream) {
                    samples += frame->nb_samples;
                    rate = frame->sample_rate;
                }
                av_frame_unref(frame.get());
            }
            if (rate > 0)
                l.decoded = double(samples) / rate;
        }
    }
    QFile f(path);
    if (path.endsWith(".mp3") && f.open(QIODevice::ReadOnly)) {
        l.lameTotal = lameSamples(f.read(64 * 1024));
        f.close();
    }
    if (path.endsWith(".flac") && f.open(QIODevice::ReadOnly)) {
        const QByteArray head = f.read(42);
        if (head.startsWith("fLaC") && head.size() == 42) {
            const auto *si = reinterpret_cast<const unsigned char *>(head.constData()) + 8;
            l.flacTotal = (qint64(si[13] & 0x0F) << 32) | (qint64(si[14]) << 24)
                          | (qint64(si[15]) << 16) | (qint64(si[16]) << 8) | qint64(si[17]);
        }
    }
    return l;
}

QString convert(const QString &source, const QString &output, bool plainCut, uint64_t start,
                uint64_t duration, int volume)
{
    CAVEncodeParam param;
    param.plainCut = plainCut;
    param.rangeStart = start;
    param.rangeDuration = duration;
    param.editConfig.startTime = start;
    param.editConfig.endTime = duration ? start + duration : 0;
    param.editConfig.audioSettings.volume = volume;
    ConverterReports reports;
    IAVConverter *converter = CreateAVConverter();
    const bool started = converter->StartConvert(source.toUtf8().constData(),
                                                 output.toUtf8().constData(), &param, &reports,
                                                 &ConverterReports::callback, false);
    const bool ended = started
                       && QTest::qWaitFor([&] { return reports.last() != convertProgress; }, 120000);
    DestroyAVConverter(converter);
    if (!started)
        return "did not start";
    if (!ended)
        return "did not end";
    return reports.last() == convertFinished ? QString() : QString("ended in state %1").arg(reports.last());
}

} // namespace

class TestConvertLengths : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cutAndEditLengths_data();
    void cutAndEditLengths();

private:
    QTemporaryDir m_dir;
};

void TestConvertLengths::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestConvertLengths::cutAndEditLengths_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("plainCut");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("duration");
    const QList<CatalogueFormat> formats = catalogueFormats();
    for (int i = 0; i < formats.size(); ++i) {
        const QByteArray name = formats[i].file.name.toUtf8();
        QTest::newRow(name + " cut 2.0-6.5") << i << true << qint64(2000000) << qint64(4500000);
        QTest::newRow(name + " cut 0-2") << i << true << qint64(0) << qint64(2000000);
        QTest::newRow(name + " edit 2.0-6.5") << i << false << qint64(2000000) << qint64(4500000);
        QTest::newRow(name + " edit whole") << i << false << qint64(0) << qint64(0);
    }
}

void TestConvertLengths::cutAndEditLengths()
{
    QFETCH(int, format);
    QFETCH(bool, plainCut);
    QFETCH(qint64, start);
    QFETCH(qint64, duration);
    const CatalogueFormat f = catalogueFormats().at(format);
    const QString source = m_dir.filePath("src-" + f.file.name + "." + f.file.extension);
    if (!QFile::exists(source))
        QVERIFY(!MediaFiles::makeTone(m_dir.path(), "src-" + f.file.name, f.file, 10.5).isEmpty());
    const QString output = m_dir.filePath(QString("out-%1-%2-%3-%4.%5")
                                              .arg(f.file.name)
                                              .arg(plainCut ? "cut" : "edit")
                                              .arg(start)
                                              .arg(duration)
                                              .arg(f.file.extension));
    // An edit job re-encodes: a volume change makes it one.
    const QString error = convert(source, output, plainCut, uint64_t(start), uint64_t(duration),
                                  plainCut ? 100 : 90);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    const double expected = duration ? duration / 1e6 : 10.5;
    const double frame = double(f.frame) / f.file.sampleRate;
    const Lengths l = measure(output);
    qInfo("%s %s %.1f-%.1f s: header %.3f s, container %.3f s, media info %.3f s, decoded %.3f s%s",
          qPrintable(f.file.name), plainCut ? "cut" : "edit", start / 1e6, expected + start / 1e6,
          l.header, l.container, l.info, l.decoded,
          l.flacTotal >= 0   ? qPrintable(QString(", STREAMINFO %1 samples").arg(l.flacTotal))
          : l.lameTotal >= 0 ? qPrintable(QString(", LAME header %1 samples").arg(l.lameTotal))
                             : "");
    const auto near = [&](double value, int slack) {
        return value >= 0 && qAbs(value - expected) <= (1 + slack) * frame + 0.0005;
    };
    QVERIFY2(near(l.decoded, f.decodedSlack), qPrintable(QString("decoded %1 s").arg(l.decoded)));
    QVERIFY2(near(l.container, f.containerSlack),
             qPrintable(QString("container %1 s").arg(l.container)));
    QVERIFY2(near(l.info, f.containerSlack), qPrintable(QString("media info %1 s").arg(l.info)));
    // A raw AC3 stream has no length field of its own.
    if (f.file.name != "ac3")
        QVERIFY2(near(l.header, f.containerSlack), qPrintable(QString("header %1 s").arg(l.header)));
    QVERIFY2(qAbs(l.decoded - l.container) <= (1 + f.containerSlack + f.decodedSlack) * frame + 0.0005,
             qPrintable(QString("decoded %1 s, container %2 s").arg(l.decoded).arg(l.container)));
    if (l.lameTotal >= 0)
        QVERIFY2(qAbs(l.lameTotal / double(f.file.sampleRate) - l.decoded) <= frame,
                 qPrintable(QString("LAME header %1 samples, decoded %2 s").arg(l.lameTotal).arg(l.decoded)));
    if (f.file.name == "mp3")
        QVERIFY2(l.lameTotal >= 0, "no LAME header");
    if (l.flacTotal >= 0)
        QVERIFY2(qAbs(l.flacTotal / double(f.file.sampleRate) - l.decoded) < 0.0005,
                 qPrintable(QString("STREAMINFO %1 samples, decoded %2 s").arg(l.flacTotal).arg(l.decoded)));
}

QTEST_MAIN(TestConvertLengths)
#include "tst_convertlengths.moc"
