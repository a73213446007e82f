// A DVD-Video folder as the source of a conversion: the title the record
// names, its VOB files joined in order, its chapters from the IFO files.
// The folder is made here: MPEG program streams from the ffmpeg tool, split
// into VOB parts, and the few IFO fields a reader needs.

#include "convert/iavconverter.h"
#include "recorder/cavencodeparam.h"
#include "rzcodec/mediainfo.h"
#include "rzcodec/setup.h"

#include "converterreports.h"
#include "filterchain.h"
#include "mediafiles.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void put16(QByteArray &b, int at, quint16 v)
{
    b[at] = char(v >> 8);
    b[at + 1] = char(v);
}

void put32(QByteArray &b, int at, quint32 v)
{
    put16(b, at, quint16(v >> 16));
    put16(b, at + 2, quint16(v));
}

// The title table: title n plays title set sets[n - 1].
QByteArray vmgIfo(const QList<int> &sets)
{
    QByteArray b(4096, '\0');
    b.replace(0, 12, "DVDVIDEO-VMG");
    put32(b, 0xC4, 1);
    put16(b, 2048, quint16(sets.size()));
    for (int i = 0; i < sets.size(); ++i) {
        const int e = 2048 + 8 + i * 12;
        b[e] = 0x3C;
        b[e + 1] = 1;
        put16(b, e + 2, 1);
        b[e + 6] = char(sets[i]);
        b[e + 7] = 1;
    }
    return b;
}

// One program chain: a program (chapter) per cell, each cell `seconds` long at 25 fps.
QByteArray vtsIfo(const QList<int> &seconds)
{
    QByteArray b(4096, '\0');
    b.replace(0, 12, "DVDVIDEO-VTS");
    put32(b, 0xCC, 1);
    const int pgcit = 2048;
    put16(b, pgcit, 1);
    put32(b, pgcit + 8, 0x81000000);
    put32(b, pgcit + 12, 16);
    const int pgc = pgcit + 16;
    b[pgc + 2] = char(seconds.size());
    b[pgc + 3] = char(seconds.size());
    put16(b, pgc + 0xE6, 0xEC);
    put16(b, pgc + 0xE8, 0xF0);
    for (int i = 0; i < seconds.size(); ++i) {
        b[pgc + 0xEC + i] = char(i + 1);
        const int cell = pgc + 0xF0 + i * 24;
        b[cell + 6] = char((seconds[i] / 10) << 4 | seconds[i] % 10);
        b[cell + 7] = 0x40; // 25 fps, frame 0
    }
    return b;
}

QString convert(const QString &disc, int title, const QString &output, const char *format,
                uint64_t start, uint64_t duration, bool chapters)
{
    CAVEncodeParam param;
    param.discSource = true;
    param.value43 = title;
    param.setFormatName(format);
    param.rangeStart = start;
    param.rangeDuration = duration;
    ConverterReports reports;
    IAVConverter *converter = CreateAVConverter();
    const bool started = converter->StartConvert(disc.toUtf8().constData(), output.toUtf8().constData(),
                                                 &param, &reports, &ConverterReports::callback, chapters);
    const bool ended = started && QTest::qWaitFor([&] {
        const convertState s = reports.last();
        return s != convertProgress && s != convertChapter;
    }, 60000);
    DestroyAVConverter(converter);
    if (!ended)
        return started ? "did not end" : "did not start";
    return reports.last() == convertFinished ? QString() : QString("ended in state %1").arg(reports.last());
}

// The codec layer's failure lines while a test listens.
std::mutex linesMutex;
QStringList codecLines;

void keepCodecLine(uint32_t, const char *line)
{
    std::lock_guard<std::mutex> guard(linesMutex);
    codecLines << QString::fromUtf8(line);
}

} // namespace

class TestDiscSource : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void titleChosenAndJoined();
    void chaptersOfTheTitle();
    void missingTitleFails();
    void ifoThatIsNoRegularFileIsRefused_data();
    void ifoThatIsNoRegularFileIsRefused();

private:
    QTemporaryDir m_dir;
    QString m_disc;
};

void TestDiscSource::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_disc = m_dir.filePath("DISC");
    const QString videoTs = m_disc + "/VIDEO_TS";
    QVERIFY(QDir().mkpath(videoTs));
    // Title set 1: 4 s, 440 Hz then 880 Hz from 2 s, one stream split in two
    // VOB files at a pack boundary; title set 2: 1 s at 660 Hz.
    const QString one = m_dir.filePath("one.vob");
    const QString two = m_dir.filePath("two.vob");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i",
                                   "aevalsrc=sin(2*PI*if(lt(t\\,2)\\,440\\,880)*t):s=48000:d=4", "-ac",
                                   "2", "-c:a", "mp2", "-b:a", "192k", "-f", "vob", one}));
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "sine=frequency=660:sample_rate=48000:duration=1",
                                   "-ac", "2", "-c:a", "mp2", "-b:a", "192k", "-f", "vob", two}));
    QFile f(one);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray stream = f.readAll();
    const int half = (stream.size() / 2048 / 2) * 2048;
    QVERIFY(half > 0);
    QVERIFY(TestSupport::writeBytes(videoTs + "/VTS_01_1.VOB", stream.left(half)));
    QVERIFY(TestSupport::writeBytes(videoTs + "/VTS_01_2.VOB", stream.mid(half)));
    QVERIFY(TestSupport::writeBytes(videoTs + "/VTS_01_0.VOB", QByteArray(4096, '\x5a'))); // menus: never read
    QVERIFY(QFile::copy(two, videoTs + "/VTS_02_1.VOB"));
    // Title 1 is title set 2, title 2 is title set 1.
    QVERIFY(TestSupport::writeBytes(videoTs + "/VIDEO_TS.IFO", vmgIfo({2, 1})));
    QVERIFY(TestSupport::writeBytes(videoTs + "/VTS_01_0.IFO", vtsIfo({2, 2})));
}

void TestDiscSource::titleChosenAndJoined()
{
    const QString joined = m_dir.filePath("title2.wav");
    QString error = convert(m_disc, 2, joined, "wav", 0, 0, false);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const double seconds = FilterChain::durationSeconds(joined);
    QVERIFY2(qAbs(seconds - 4.0) < 0.05, qPrintable(QString::number(seconds)));
    const QVector<float> samples = FilterChain::decodeFile(joined);
    QVERIFY(qAbs(FilterChain::frequency(samples, 0.5, 1.5) - 440) < 5);
    QVERIFY(qAbs(FilterChain::frequency(samples, 2.5, 3.5) - 880) < 5);

    const QString other = m_dir.filePath("title1.wav");
    error = convert(m_dir.filePath("DISC/VIDEO_TS"), 1, other, "wav", 0, 0, false);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(qAbs(FilterChain::durationSeconds(other) - 1.0) < 0.05);
    QVERIFY(qAbs(FilterChain::frequency(FilterChain::decodeFile(other), 0.2, 0.8) - 660) < 5);

    // A range of the title, across the two VOB files; a program stream
    // times its packets, not every frame, so the cut is good to a frame.
    const QString range = m_dir.filePath("range.wav");
    error = convert(m_disc, 2, range, "wav", 1000000, 2000000, false);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const double rangeSeconds = FilterChain::durationSeconds(range);
    QVERIFY2(qAbs(rangeSeconds - 2.0) < 0.025, qPrintable(QString::number(rangeSeconds)));
    const QVector<float> part = FilterChain::decodeFile(range);
    QVERIFY(qAbs(FilterChain::frequency(part, 0.1, 0.9) - 440) < 5);
    QVERIFY(qAbs(FilterChain::frequency(part, 1.1, 1.9) - 880) < 5);
}

void TestDiscSource::chaptersOfTheTitle()
{
    void *info = rz_info_create(0xFFFFFFFF);
    QVERIFY(rz_info_open_dvd_title(info, m_disc.toUtf8().constData(), 2));
    QCOMPARE(rz_info_chapter_count(info), 2);
    QCOMPARE(rz_info_chapter_start(info, 1), uint64_t(2000000));
    QCOMPARE(rz_info_chapter_duration(info, 1), uint64_t(2000000));
    rz_info_release(info);

    // The chapter pass of 1.0-3.5 s: the end of the first and most of the second.
    const QString output = m_dir.filePath("chapters.mka");
    const QString error = convert(m_disc, 2, output, "matroska", 1000000, 2500000, true);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    info = rz_info_create(0xFFFFFFFF);
    QVERIFY(rz_info_open(info, output.toUtf8().constData()));
    QCOMPARE(rz_info_chapter_count(info), 2);
    QCOMPARE(QString(rz_info_chapter_title(info, 0)), QString("Chapter 1"));
    QCOMPARE(QString(rz_info_chapter_title(info, 1)), QString("Chapter 2"));
    QVERIFY(qAbs(double(rz_info_chapter_start(info, 1)) - 1e6) < 1e4);
    QVERIFY(qAbs(double(rz_info_chapter_duration(info, 1)) - 1.5e6) < 1e4);
    rz_info_release(info);
}

void TestDiscSource::missingTitleFails()
{
    const QString output = m_dir.filePath("none.wav");
    CAVEncodeParam param;
    param.discSource = true;
    param.value43 = 7;
    ConverterReports reports;
    IAVConverter *converter = CreateAVConverter();
    QVERIFY(!converter->StartConvert(m_disc.toUtf8().constData(), output.toUtf8().constData(), &param,
                                     &reports, &ConverterReports::callback, false));
    DestroyAVConverter(converter);
    QVERIFY(!QFile::exists(output));
}

void TestDiscSource::ifoThatIsNoRegularFileIsRefused_data()
{
    QTest::addColumn<QString>("pipe");
    QTest::addColumn<double>("seconds"); // of the title opened
    QTest::addColumn<int>("chapters");
    // Without the title table, titles are taken as title set numbers.
    QTest::newRow("VIDEO_TS.IFO") << "VIDEO_TS.IFO" << 1.0 << 0;
    QTest::newRow("VTS_01_0.IFO") << "VTS_01_0.IFO" << 4.0 << 0;
}

void TestDiscSource::ifoThatIsNoRegularFileIsRefused()
{
    QFETCH(QString, pipe);
    QFETCH(double, seconds);
    QFETCH(int, chapters);
    const QString disc = m_dir.filePath("PIPED_" + pipe.left(3));
    QVERIFY(QDir().mkpath(disc + "/VIDEO_TS"));
    for (const QString &name : QDir(m_disc + "/VIDEO_TS").entryList(QDir::Files)) {
        if (name != pipe)
            QVERIFY(QFile::copy(m_disc + "/VIDEO_TS/" + name, disc + "/VIDEO_TS/" + name));
    }
    const QByteArray fifo = QFile::encodeName(disc + "/VIDEO_TS/" + pipe);
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);

    {
        std::lock_guard<std::mutex> guard(linesMutex);
        codecLines.clear();
    }
    rz_setup_log_sink(keepCodecLine);
    void *info = rz_info_create(0xFFFFFFFF);
    std::atomic<bool> done{false};
    RZResult opened = 0;
    std::thread reader([&] {
        opened = rz_info_open_dvd_title(info, disc.toUtf8().constData(), 2);
        done = true;
    });
    // A reader that blocks on the pipe is let go by a writer that comes and goes.
    const bool returned = QTest::qWaitFor([&] { return done.load(); }, 10000);
    if (!returned) {
        const int writer = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    reader.join();
    rz_setup_log_sink(nullptr);
    QVERIFY2(returned, "opening the title blocked on the pipe");
    QVERIFY(opened);
    const double duration = double(rz_info_duration(info)) / 1e6;
    QVERIFY2(qAbs(duration - seconds) < 0.1, qPrintable(QString::number(duration)));
    QCOMPARE(rz_info_chapter_count(info), chapters);
    rz_info_release(info);
    std::lock_guard<std::mutex> guard(linesMutex);
    QVERIFY2(codecLines.filter(pipe).filter("not a regular file").size() == 1,
             qPrintable(codecLines.join('\n')));
}

QTEST_MAIN(TestDiscSource)
#include "tst_discsource.moc"
