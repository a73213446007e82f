// The converter role on real files: plain cuts and standard jobs with the
// shared sound chain, progress, stop, and the failures that must leave no
// output behind.

#include "rzcodec/buffer.h"
#include "rzcodec/config.h"
#include "rzcodec/converter.h"
#include "rzcodec/mediainfo.h"

#include "filterchain.h"
#include "mediafiles.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

#include <csignal>
#include <cstring>

namespace {

// Owns one job handle.
struct Job {
    explicit Job(bool streamCopy = false)
        : h(streamCopy ? rz_converter_create_stream_copy(-1) : rz_converter_create(-1))
    {
    }
    ~Job() { rz_converter_release(h); }
    void *h;
};

struct Config {
    Config() : h(rz_config_create()) {}
    ~Config() { rz_config_release(h); }
    void *h;
};

QString metadata(const QString &path, const char *key)
{
    void *info = rz_info_create(0);
    QString text;
    if (rz_info_open(info, path.toUtf8().constData())) {
        if (void *b = rz_info_get_metadata(info, key))
            text = QString::fromUtf8(reinterpret_cast<const char *>(rz_buffer_data(b)),
                                     int(rz_buffer_size(b)));
    }
    rz_info_release(info);
    return text;
}

bool runToEnd(void *job, int timeoutMs = 60000)
{
    return rz_converter_wait(job, uint32_t(timeoutMs)) == RZ_OK;
}

} // namespace

class TestConverterRole : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void plainCutKeepsTheRange_data();
    void plainCutKeepsTheRange();
    void standardJobFiltersAsThePlayerChainDoes();
    void standardJobCarriesTagsAndReportsProgress();
    void stopRemovesTheOutput();
    void refusedInputsLeaveNoFile_data();
    void refusedInputsLeaveNoFile();
    void fullDiskFailsAndKeepsTheSource();
    void callsInTheWrongOrderFail();

private:
    QTemporaryDir m_dir;
    QString m_wav;
};

void TestConverterRole::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_wav = m_dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(m_wav, 440, 5.0, 44100, 2, 0.1));
}

void TestConverterRole::plainCutKeepsTheRange_data()
{
    QTest::addColumn<int>("format");
    const QList<MediaFiles::Format> formats = MediaFiles::taggableFormats();
    for (int i = 0; i < formats.size(); ++i)
        if (QStringList{"mp3", "m4a", "wav", "ogg"}.contains(formats[i].name))
            QTest::newRow(qPrintable(formats[i].name)) << i;
}

void TestConverterRole::plainCutKeepsTheRange()
{
    QFETCH(int, format);
    const MediaFiles::Format f = MediaFiles::taggableFormats().at(format);
    const QString source = MediaFiles::makeTone(m_dir.path(), "cut-" + f.name, f, 5.0);
    QVERIFY(!source.isEmpty());
    const QString output = m_dir.filePath("cut-out." + f.extension);
    Job job(true);
    QCOMPARE(rz_converter_prepare(job.h, source.toUtf8().constData(), output.toUtf8().constData(),
                                  "", nullptr),
             RZ_OK);
    QVERIFY(rz_converter_set_time_range(job.h, 1000000, 2000000));
    QCOMPARE(rz_converter_start(job.h), RZ_OK);
    QVERIFY(runToEnd(job.h));
    QCOMPARE(rz_converter_is_failed(job.h), RZ_FAILED);
    QCOMPARE(rz_converter_is_stopped(job.h), RZ_FAILED);
    QCOMPARE(rz_converter_get_total(job.h), uint64_t(2000000));
    QCOMPARE(rz_converter_get_done(job.h), uint64_t(2000000));
    rz_converter_close(job.h);
    QVERIFY(QFile::exists(output));
    const double seconds = FilterChain::durationSeconds(output);
    QVERIFY2(qAbs(seconds - 2.0) <= 0.05, qPrintable(QString::number(seconds)));
}

void TestConverterRole::standardJobFiltersAsThePlayerChainDoes()
{
    const QString output = m_dir.filePath("filtered.wav");
    Config config;
    rz_config_set_audio_volume(config.h, 150);
    const double bands[] = {440.0, 4000.0};
    const double gains[] = {6.0, -12.0};
    rz_config_set_audio_equalize(config.h, bands, gains, 2);
    Job job;
    QCOMPARE(rz_converter_prepare(job.h, m_wav.toUtf8().constData(), output.toUtf8().constData(),
                                  "wav", config.h),
             RZ_OK);
    QVERIFY(rz_converter_set_time_range(job.h, 1000000, 2000000));
    QCOMPARE(rz_converter_start(job.h), RZ_OK);
    QVERIFY(runToEnd(job.h));
    QCOMPARE(rz_converter_is_failed(job.h), RZ_FAILED);
    rz_converter_close(job.h);
    QVERIFY(qAbs(FilterChain::durationSeconds(output) - 2.0) <= 0.05);

    // The same settings through the chain the player runs, on the same tone.
    rz::AudioFilterSettings settings;
    settings.volume = 150;
    settings.bands = {{440.0, 6.0}, {4000.0, -12.0}};
    const QVector<float> tone = TestSupport::sineTone(440, 2.0, 44100, 2, 0.1);
    const QVector<float> expected = FilterChain::run(tone, settings);
    const QVector<float> written = FilterChain::decodeFile(output);
    QVERIFY(!written.isEmpty());
    const double raised = FilterChain::levelDb(written) - FilterChain::levelDb(tone);
    QVERIFY2(qAbs(FilterChain::levelDb(written) - FilterChain::levelDb(expected)) < 0.2,
             qPrintable(QString("written %1 dB, chain %2 dB")
                            .arg(FilterChain::levelDb(written))
                            .arg(FilterChain::levelDb(expected))));
    // 150 % is +3.5 dB, the band +6 dB at the tone.
    QVERIFY2(raised > 8.5 && raised < 10.5, qPrintable(QString::number(raised)));
}

void TestConverterRole::standardJobCarriesTagsAndReportsProgress()
{
    MediaFiles::Format mp3 = MediaFiles::taggableFormats().first();
    const QString source = MediaFiles::makeTone(m_dir.path(), "tagged", mp3, 20.0,
                                                {"-metadata", "title=Source Title", "-metadata",
                                                 "artist=Source Artist"});
    QVERIFY(!source.isEmpty());
    const QString output = m_dir.filePath("retitled.mp3");
    Config config;
    rz_config_set_metadata(config.h, "title", "New Title");
    rz_config_set_metadata(config.h, "artist", "");
    rz_config_set_audio_bitrate(config.h, 192000);
    Job job;
    QCOMPARE(rz_converter_prepare(job.h, source.toUtf8().constData(), output.toUtf8().constData(),
                                  "mp3", config.h),
             RZ_OK);
    QCOMPARE(rz_converter_start(job.h), RZ_OK);
    const uint64_t total = rz_converter_get_total(job.h);
    QVERIFY(qAbs(double(total) / 1e6 - 20.0) < 0.1);
    // Progress never goes back and ends at the total.
    uint64_t last = 0;
    int steps = 0;
    while (rz_converter_wait(job.h, 5) != RZ_OK) {
        const uint64_t done = rz_converter_get_done(job.h);
        QVERIFY(done >= last && done <= total);
        steps += done > last;
        last = done;
    }
    QCOMPARE(rz_converter_get_done(job.h), total);
    QVERIFY(steps >= 1);
    rz_converter_close(job.h);
    QCOMPARE(metadata(output, "title"), QString("New Title"));
    QCOMPARE(metadata(output, "artist"), QString("Source Artist"));
    QVERIFY(qAbs(FilterChain::durationSeconds(output) - 20.0) < 0.1);
}

void TestConverterRole::stopRemovesTheOutput()
{
    const QString source = m_dir.filePath("long.wav");
    QVERIFY(TestSupport::writeToneWav(source, 440, 120.0));
    for (bool copy : {false, true}) {
        const QString output = m_dir.filePath(copy ? "stopped.wav" : "stopped.mp3");
        Job job(copy);
        QCOMPARE(rz_converter_prepare(job.h, source.toUtf8().constData(),
                                      output.toUtf8().constData(), "", nullptr),
                 RZ_OK);
        QVERIFY(QFile::exists(output));
        QCOMPARE(rz_converter_start(job.h), RZ_OK);
        QCOMPARE(rz_converter_stop(job.h), RZ_OK);
        QVERIFY(runToEnd(job.h, 5000));
        QCOMPARE(rz_converter_is_stopped(job.h), RZ_OK);
        QVERIFY(!QFile::exists(output));
        QCOMPARE(rz_converter_stop(job.h), RZ_FAILED); // nothing runs any more
    }
    // Released while running: no hang, nothing left.
    const QString output = m_dir.filePath("released.mp3");
    {
        Job job;
        QCOMPARE(rz_converter_prepare(job.h, source.toUtf8().constData(),
                                      output.toUtf8().constData(), "", nullptr),
                 RZ_OK);
        QCOMPARE(rz_converter_start(job.h), RZ_OK);
    }
    QVERIFY(!QFile::exists(output));
}

void TestConverterRole::refusedInputsLeaveNoFile_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("streamCopy");
    const QString damaged = m_dir.filePath("damaged.mp3");
    QFile f(damaged);
    QVERIFY(f.open(QIODevice::WriteOnly));
    for (int i = 0; i < 4096; ++i)
        f.putChar(char((i * 7919) & 0xff));
    f.close();
    for (bool copy : {false, true}) {
        const QString kind = copy ? " (copy)" : "";
        QTest::newRow(qPrintable("missing source" + kind))
            << m_dir.filePath("none.wav") << m_dir.filePath("out1.mp3") << copy;
        QTest::newRow(qPrintable("damaged source" + kind))
            << damaged << m_dir.filePath("out2.mp3") << copy;
        QTest::newRow(qPrintable("missing folder" + kind))
            << m_wav << m_dir.filePath("no/such/folder/out.wav") << copy;
        QTest::newRow(qPrintable("unknown format" + kind))
            << m_wav << m_dir.filePath("out3.nosuchformat") << copy;
        QTest::newRow(qPrintable("no path" + kind)) << QString() << QString() << copy;
    }
}

void TestConverterRole::refusedInputsLeaveNoFile()
{
    QFETCH(QString, source);
    QFETCH(QString, output);
    QFETCH(bool, streamCopy);
    Job job(streamCopy);
    QCOMPARE(rz_converter_prepare(job.h, source.toUtf8().constData(), output.toUtf8().constData(),
                                  "", nullptr),
             RZ_FAILED);
    QVERIFY(std::strlen(rz_converter_error_text(job.h)) > 0);
    QCOMPARE(rz_converter_start(job.h), RZ_FAILED);
    if (!output.isEmpty())
        QVERIFY(!QFile::exists(output));
}

void TestConverterRole::fullDiskFailsAndKeepsTheSource()
{
    const QString source = m_dir.filePath("big.wav");
    QVERIFY(TestSupport::writeToneWav(source, 440, 10.0));
    const QByteArray before = [&] {
        QFile f(source);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    // Writing past 256 KiB fails as it does on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    for (bool copy : {false, true}) {
        const QString output = m_dir.filePath(copy ? "full-copy.wav" : "full.wav");
        Job job(copy);
        QCOMPARE(rz_converter_prepare(job.h, source.toUtf8().constData(),
                                      output.toUtf8().constData(), "", nullptr),
                 RZ_OK);
        rlimit small = saved;
        small.rlim_cur = 256 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QCOMPARE(rz_converter_start(job.h), RZ_OK);
        const bool ended = runToEnd(job.h);
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(ended);
        QCOMPARE(rz_converter_is_failed(job.h), RZ_OK);
        QVERIFY(QString(rz_converter_error_text(job.h)).size() > 0);
        QVERIFY(!QFile::exists(output));
    }
    QFile f(source);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void TestConverterRole::callsInTheWrongOrderFail()
{
    Job job;
    QCOMPARE(rz_converter_set_time_range(job.h, 0, 0), RZ_FAILED);
    QCOMPARE(rz_converter_start(job.h), RZ_FAILED);
    QCOMPARE(rz_converter_stop(job.h), RZ_FAILED);
    QCOMPARE(rz_converter_get_state(job.h), RZ_FAILED);
    QCOMPARE(rz_converter_prepare(nullptr, "a", "b", "", nullptr), RZ_FAILED);
    // Writing over the source is refused and leaves it as it was.
    const qint64 size = QFileInfo(m_wav).size();
    QCOMPARE(rz_converter_prepare(job.h, m_wav.toUtf8().constData(), m_wav.toUtf8().constData(),
                                  "wav", nullptr),
             RZ_FAILED);
    QCOMPARE(QFileInfo(m_wav).size(), size);
    // A range that starts after the end cannot start; closing removes the file.
    const QString output = m_dir.filePath("late.wav");
    QCOMPARE(rz_converter_prepare(job.h, m_wav.toUtf8().constData(), output.toUtf8().constData(),
                                  "wav", nullptr),
             RZ_OK);
    QCOMPARE(rz_converter_prepare(job.h, m_wav.toUtf8().constData(), output.toUtf8().constData(),
                                  "wav", nullptr),
             RZ_FAILED);
    QVERIFY(rz_converter_set_time_range(job.h, 60000000, 0));
    QCOMPARE(rz_converter_start(job.h), RZ_FAILED);
    QCOMPARE(rz_converter_close(job.h), RZ_OK);
    QVERIFY(!QFile::exists(output));
}

QTEST_GUILESS_MAIN(TestConverterRole)
#include "tst_converterrole.moc"
