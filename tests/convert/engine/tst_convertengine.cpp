// The conversion engine on real files: the converter's reports, tags and
// stop handshake, and the job object's names, signals, cancel and failures.

#include "convert/cavconverter.h"
#include "convert/convertconfig.h"
#include "convert/jxconverterobject.h"
#include "media/jxtagfileaccess.h"
#include "recorder/cavencodeparam.h"

#include "converterreports.h"
#include "filterchain.h"
#include "mediafiles.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// A request as the recordings table makes one.
ConvertConfig request(const QString &source, const QString &folder, const char *format,
                      const VEEditConfig &edit, bool plainCut)
{
    ConvertConfig c;
    c.param = new CAVEncodeParam;
    c.param->setFormatName(format);
    c.param->rangeStart = edit.startTime;
    c.param->rangeDuration = edit.endTime ? edit.endTime - edit.startTime : 0;
    c.param->plainCut = plainCut;
    c.param->editConfig = edit;
    c.outputFolder = folder + "/";
    c.sourcePath = source;
    c.sourceFileName = QFileInfo(source).fileName();
    c.sourceExtension = QFileInfo(source).suffix();
    c.editConfig = edit;
    return c;
}

VEAudioTagInfo sampleTags(const QByteArray &cover)
{
    VEAudioTagInfo t;
    t.title = "Título";
    t.artist = "Artist";
    t.album_artist = "Album Artist";
    t.composer = "Composer";
    t.album = "Album";
    t.genre = "Jazz";
    t.track = "7";
    t.year = "2024";
    t.grouping = "Group";
    t.comment = "A comment";
    t.disc = "2";
    t.copyright = "Nobody";
    t.cover_image = cover.toStdString();
    t.coverSize = cover.size();
    return t;
}

// Limits the size of files this process writes, as a full disk would.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit small = m_saved;
        small.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    bool m_ok = false;
};

} // namespace

class TestConvertEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void outputNames_data();
    void outputNames();
    void requestCopiesAreDeep();
    void reportsRiseAndEndFinished();
    void tagsAndCoverRoundTrip_data();
    void tagsAndCoverRoundTrip();
    void stopReportsStoppedAndLeavesNoFile();
    void stopRacingCompletion();
    void failureReportsFailed();
    void jobCutsNumberedSegments();
    void jobEditFiltersAsThePlayerChain();
    void jobCancel();
    void jobWithBadSourceFails_data();
    void jobWithBadSourceFails();
    void finishedJobsAreQuiet();

private:
    QTemporaryDir m_dir;
    QString m_long;
};

void TestConvertEngine::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_long = m_dir.filePath("long.wav");
    QVERIFY(TestSupport::writeToneWav(m_long, 440, 180.0));
}

void TestConvertEngine::outputNames_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("trim");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("outName");
    QTest::newRow("first trim") << QStringList() << "song.mp3" << true << "song_Trim_001.mp3"
                                << "song_Trim_001.mp3";
    QTest::newRow("first edit") << QStringList() << "song.mp3" << false << "song_Edit_001.mp3"
                                << "song_Edit_001.mp3";
    QTest::newRow("next free") << QStringList{"song_Trim_001.mp3", "song_Trim_002.mp3"} << "song.mp3"
                               << true << "song_Trim_003.mp3" << "song_Trim_003.mp3";
    QTest::newRow("gap reused") << QStringList{"song_Trim_002.mp3"} << "song.mp3" << true
                                << "song_Trim_001.mp3" << "song_Trim_001.mp3";
    QTest::newRow("no growth") << QStringList() << "song_Trim_002.mp3" << true
                               << "song_Trim_001.mp3" << "song_Trim_001.mp3";
    QTest::newRow("other word kept") << QStringList() << "x_Edit_001.wav" << true
                                     << "x_Edit_001_Trim_001.wav" << "x_Edit_001_Trim_001.wav";
    QTest::newRow("dots") << QStringList() << "a.b.wav" << false << "a.b_Edit_001.wav"
                          << "a.b_Edit_001.wav";
    QTest::newRow("no extension") << QStringList() << "name" << false << "name_Edit_001"
                                  << "name_Edit_001";
    QTest::newRow("word inside") << QStringList() << "my_Trimmed.mp3" << true << "my_Trim_001.mp3"
                                 << "my_Trim_001.mp3";
    QStringList all;
    for (int i = 1; i <= 999; ++i)
        all << QString("s_Edit_%1.ogg").arg(i, 3, 10, QChar('0'));
    QTest::newRow("past 999") << all << "s.ogg" << false << "s_Edit_1000.ogg" << "s_Edit_1000.ogg";
}

void TestConvertEngine::outputNames()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, fileName);
    QFETCH(bool, trim);
    QFETCH(QString, path);
    QFETCH(QString, outName);
    QTemporaryDir dir;
    for (const QString &name : existing) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString folder = dir.path() + "/";
    QString name;
    const QString got = trim ? JXConverterObject::getOutputPath(folder, fileName, name)
                             : JXConverterObject::getEditOutputPath(folder, fileName, name);
    QCOMPARE(got, folder + path);
    QCOMPARE(name, outName);
}

void TestConvertEngine::requestCopiesAreDeep()
{
    ConvertConfig a;
    QVERIFY(!a.param);
    a.param = new CAVEncodeParam;
    a.param->setFormatName("flac");
    a.param->plainCut = true;
    a.param->rangeStart = 5;
    a.param->tags.title = "T";
    a.param->setBuffer(strdup("bytes"), 6);
    a.sourcePath = "/a/b.flac";
    a.editConfig.startTime = 7;
    a.outputPath = "/out/b_Trim_001.flac";

    ConvertConfig b(a);
    ConvertConfig c;
    c = b;
    a.param->setFormatName("mp3");
    a.param->tags.title = "changed";
    std::memcpy(a.param->buffer(), "BYTES", 6);
    a.clear();
    QVERIFY(!a.param);
    QCOMPARE(a.sourcePath, QString(""));
    for (const ConvertConfig *copy : {&b, &c}) {
        QVERIFY(copy->param);
        QCOMPARE(QString(copy->param->formatName()), QString("flac"));
        QVERIFY(copy->param->plainCut);
        QCOMPARE(copy->param->rangeStart, uint64_t(5));
        QCOMPARE(copy->param->tags.title, std::string("T"));
        QCOMPARE(copy->param->bufferLength(), uint32_t(6));
        QCOMPARE(QByteArray(static_cast<const char *>(copy->param->buffer())), QByteArray("bytes"));
        QCOMPARE(copy->sourcePath, QString("/a/b.flac"));
        QCOMPARE(copy->editConfig.startTime, uint64_t(7));
        QCOMPARE(copy->outputPath, QString("/out/b_Trim_001.flac"));
    }
    // Tags go into the record and back; an attached cover wins, cut to its length.
    CAVEncodeTextBlock block;
    block.setFrom(sampleTags("PICTURE"));
    QCOMPARE(block.toTagInfo(), sampleTags("PICTURE"));
    const std::string attached = "ATTACHED-COVER";
    block.coverText = &attached;
    block.coverLength = 8;
    QCOMPARE(block.toTagInfo().cover_image, std::string("ATTACHED"));
    QCOMPARE(block.toTagInfo().coverSize, 8);

    // A default record is a standard job over the whole file.
    CAVEncodeParam fresh;
    QVERIFY(!fresh.plainCut && !fresh.discSource);
    QCOMPARE(fresh.rangeStart + fresh.rangeDuration, uint64_t(0));
}

void TestConvertEngine::reportsRiseAndEndFinished()
{
    const QString output = m_dir.filePath("rise.mp3");
    CAVEncodeParam param;
    param.setFormatName("mp3");
    param.audioBitRate = 192;
    param.rangeDuration = 60000000;
    ConverterReports reports;
    IAVConverter *converter = CreateAVConverter();
    QVERIFY(converter->StartConvert(m_long.toUtf8().constData(), output.toUtf8().constData(),
                                    &param, &reports, &ConverterReports::callback, false));
    QTRY_VERIFY_WITH_TIMEOUT(reports.ended(), 120000);
    const auto list = reports.copy();
    // How many progress reports come depends on how often the watcher gets
    // the processor while the job runs; at least one does before the end.
    QVERIFY2(list.size() >= 2, qPrintable(QString::number(list.size())));
    unsigned last = 0;
    for (size_t i = 0; i + 1 < list.size(); ++i) {
        QCOMPARE(list[i].second, convertProgress);
        QVERIFY2(list[i].first > last, qPrintable(QString("%1 after %2").arg(list[i].first).arg(last)));
        last = list[i].first;
    }
    QCOMPARE(list.back().first, 100u);
    QCOMPARE(list.back().second, convertFinished);
    DestroyAVConverter(converter);
    QVERIFY(qAbs(FilterChain::durationSeconds(output) - 60.0) < 0.1);
}

void TestConvertEngine::tagsAndCoverRoundTrip_data()
{
    QTest::addColumn<int>("format");
    const QList<MediaFiles::Format> formats = MediaFiles::taggableFormats();
    for (int i = 0; i < formats.size(); ++i)
        if (QStringList{"mp3", "m4a", "flac", "ogg", "wav"}.contains(formats[i].name))
            QTest::newRow(qPrintable(formats[i].name)) << i;
}

void TestConvertEngine::tagsAndCoverRoundTrip()
{
    QFETCH(int, format);
    const MediaFiles::Format f = MediaFiles::taggableFormats().at(format);
    const QString source = MediaFiles::makeTone(m_dir.path(), "tags-" + f.name, f, 2.0);
    QVERIFY(!source.isEmpty());
    const VEAudioTagInfo tags = sampleTags(MediaFiles::pngPicture(64, 64));
    JXConverterObject job;
    VEEditConfig edit;
    edit.audioTagInfo = tags;
    ConvertConfig c = request(source, m_dir.path(), f.name.toUtf8().constData(), edit, false);
    c.param->tags.setFrom(tags);
    job.setConvertParamConfig(c);
    QSignalSpy finished(&job, &JXConverterObject::emitConvertedFinish);
    job.startToConverter();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    const QString output = job.getConvertParamConfig().outputPath;
    QCOMPARE(output, m_dir.filePath("tags-" + f.name + "_Edit_001." + f.extension));
    VEAudioTagInfo read;
    QVERIFY(JXTagFileAccess::read(output.toStdString(), read));
    QCOMPARE(QString::fromStdString(read.title), QString::fromStdString(tags.title));
    QCOMPARE(read.artist, tags.artist);
    QCOMPARE(read.album, tags.album);
    QCOMPARE(read.album_artist, tags.album_artist);
    QCOMPARE(read.composer, tags.composer);
    QCOMPARE(read.genre, tags.genre);
    QCOMPARE(read.comment, tags.comment);
    QVERIFY(QString::fromStdString(read.track).startsWith("7"));
    QVERIFY(QString::fromStdString(read.year).startsWith("2024"));
    QCOMPARE(read.cover_image, tags.cover_image);
    QVERIFY(qAbs(FilterChain::durationSeconds(output) - 2.0) < 0.1);
}

void TestConvertEngine::stopReportsStoppedAndLeavesNoFile()
{
    for (bool copy : {false, true}) {
        const QString output = m_dir.filePath(copy ? "stop.wav" : "stop.mp3");
        CAVEncodeParam param;
        param.plainCut = copy;
        ConverterReports reports;
        CAVConverter converter;
        QVERIFY(converter.StartConvert(m_long.toUtf8().constData(), output.toUtf8().constData(),
                                       &param, &reports, &ConverterReports::callback, false));
        QVERIFY(QFile::exists(output));
        converter.StopConvert();
        // The stop is reported before StopConvert returns, and nothing follows.
        const auto list = reports.copy();
        QVERIFY(!list.empty());
        QCOMPARE(list.back(), std::make_pair(0u, convertStopped));
        QVERIFY(!QFile::exists(output));
        converter.StopConvert(); // nothing held any more
        QCOMPARE(reports.copy().size(), list.size());
    }
}

void TestConvertEngine::stopRacingCompletion()
{
    const QString source = m_dir.filePath("short.wav");
    QVERIFY(TestSupport::writeToneWav(source, 440, 0.3));
    int stopped = 0;
    int finished = 0;
    for (int i = 0; i < 100; ++i) {
        const QString output = m_dir.filePath(QString("race%1.wav").arg(i));
        CAVEncodeParam param;
        param.plainCut = i % 2;
        ConverterReports reports;
        IAVConverter *converter = CreateAVConverter();
        QVERIFY(converter->StartConvert(source.toUtf8().constData(), output.toUtf8().constData(),
                                        &param, &reports, &ConverterReports::callback, false));
        // Spread the stop over the job's short life.
        QThread::usleep(unsigned(i % 10) * 1500);
        converter->StopConvert();
        DestroyAVConverter(converter);
        const auto list = reports.copy();
        QVERIFY(!list.empty());
        int ends = 0;
        for (const auto &r : list)
            ends += r.second != convertProgress;
        QCOMPARE(ends, 1);
        if (list.back().second == convertStopped) {
            ++stopped;
            QVERIFY(!QFile::exists(output));
        } else {
            QCOMPARE(list.back(), std::make_pair(100u, convertFinished));
            ++finished;
            QVERIFY(QFile::exists(output));
        }
    }
    QCOMPARE(stopped + finished, 100);
}

void TestConvertEngine::failureReportsFailed()
{
    // Writing past 64 KiB fails as a full disk does.
    const QString output = m_dir.filePath("full.wav");
    CAVEncodeParam param;
    ConverterReports reports;
    CAVConverter converter;
    {
        FileSizeLimit limit(64 * 1024);
        QVERIFY(limit.ok());
        QVERIFY(converter.StartConvert(m_long.toUtf8().constData(), output.toUtf8().constData(),
                                       &param, &reports, &ConverterReports::callback, false));
        QTRY_VERIFY_WITH_TIMEOUT(reports.ended(), 60000);
    }
    QCOMPARE(reports.copy().back(), std::make_pair(0u, convertFailed));
    QVERIFY(!QFile::exists(output));
    QCOMPARE(QFileInfo(m_long).size(), qint64(44 + 180 * 44100 * 4));

    // The job object turns it into a failed finish.
    JXConverterObject job;
    QSignalSpy progress(&job, &JXConverterObject::emitConvertProgress);
    QSignalSpy finished(&job, &JXConverterObject::emitConvertedFinish);
    job.UpdataConverPro(0, convertFailed);
    QCOMPARE(progress.count(), 1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
}

void TestConvertEngine::jobCutsNumberedSegments()
{
    const MediaFiles::Format mp3 = MediaFiles::taggableFormats().first();
    const QString source = MediaFiles::makeTone(m_dir.path(), "x", mp3, 5.0);
    QVERIFY(!source.isEmpty());
    QDir(m_dir.path()).mkdir("cuts");
    const QString folder = m_dir.filePath("cuts");
    VEEditConfig edit;
    edit.startTime = 1000000;
    edit.endTime = 3000000;
    JXConverterObject job;
    QSignalSpy started(&job, &JXConverterObject::emitConvertedStart);
    QSignalSpy progress(&job, &JXConverterObject::emitConvertProgress);
    QSignalSpy finished(&job, &JXConverterObject::emitConvertedFinish);
    for (int n = 1; n <= 2; ++n) {
        job.setConvertParamConfig(request(source, folder, "mp3", edit, true));
        job.startToConverter();
        QCOMPARE(started.count(), n);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), n, 30000);
        QCOMPARE(finished.last().at(0).toBool(), true);
        QCOMPARE(progress.last().at(0).toUInt(), 100u);
        const ConvertConfig done = job.getConvertParamConfig();
        const QString name = QString("x_Trim_%1.mp3").arg(n, 3, 10, QChar('0'));
        QCOMPARE(done.outputFileName, name);
        QCOMPARE(done.outputPath, folder + "/" + name);
        const double seconds = FilterChain::durationSeconds(done.outputPath);
        QVERIFY2(qAbs(seconds - 2.0) <= 0.05, qPrintable(QString::number(seconds)));
    }
}

void TestConvertEngine::jobEditFiltersAsThePlayerChain()
{
    const QString source = m_dir.filePath("level.wav");
    QVERIFY(TestSupport::writeToneWav(source, 440, 3.0, 44100, 2, 0.1));
    VEEditConfig edit;
    edit.audioSettings.volume = 150;
    const double bands[] = {440.0};
    const double gains[] = {6.0};
    edit.audioSettings.set(bands, gains, 1);
    JXConverterObject job;
    job.setConvertParamConfig(request(source, m_dir.path(), "wav", edit, false));
    QSignalSpy finished(&job, &JXConverterObject::emitConvertedFinish);
    job.startToConverter();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    const QString output = job.getConvertParamConfig().outputPath;
    QCOMPARE(QFileInfo(output).fileName(), QString("level_Edit_001.wav"));

    const QVector<float> written = FilterChain::decodeFile(output);
    QVERIFY(!written.isEmpty());

    rz::AudioFilterSettings settings;
    settings.volume = 150;
    settings.bands = {{440.0, 6.0}};
    const QVector<float> tone = TestSupport::sineTone(440, 3.0, 44100, 2, 0.1);
    const double expected = FilterChain::levelDb(FilterChain::run(tone, settings));
    const double got = FilterChain::levelDb(written);
    QVERIFY2(qAbs(got - expected) < 0.2, qPrintable(QString("%1 vs %2 dB").arg(got).arg(expected)));
    QVERIFY(got - FilterChain::levelDb(tone) > 8.5);
}

void TestConvertEngine::jobCancel()
{
    JXConverterObject job;
    QSignalSpy progress(&job, &JXConverterObject::emitConvertProgress);
    QSignalSpy finished(&job, &JXConverterObject::emitConvertedFinish);
    job.setConvertParamConfig(request(m_long, m_dir.path(), "mp3", VEEditConfig(), false));
    job.startToConverter();
    const QString output = job.getConvertParamConfig().outputPath;
    QVERIFY(QFile::exists(output));
    QTRY_VERIFY_WITH_TIMEOUT(progress.count() > 0, 30000);
    // The stopped report arrives within a second of the request.
    QElapsedTimer sinceCancel;
    sinceCancel.start();
    job.onCancelConvert();
    QVERIFY(!QFile::exists(output));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, int(qMax<qint64>(0, 1000 - sinceCancel.elapsed())));
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(progress.last().at(0).toUInt(), 0u);
    job.onCancelConvert(); // nothing runs: no second report
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 1);
}

void TestConvertEngine::jobWithBadSourceFails_data()
{
    QTest::addColumn<QString>("source");
    const QString damaged = m_dir.filePath("damaged.mp3");
    QFile f(damaged);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(8192, '\x5a'));
    f.close();
    QTest::newRow("missing") << m_dir.filePath("missing.mp3");
    QTest::newRow("damaged") << damaged;
}

void TestConvertEngine::jobWithBadSourceFails()
{
    QFETCH(QString, source);
    for (bool cut : {false, true}) {
        VEEditConfig edit;
        edit.endTime = cut ? 1000000 : 0;
        JXConverterObject job;
        QSignalSpy started(&job, &JXConverterObject::emitConvertedStart);
        QSignalSpy finished(&job, &JXConverterObject::emitConvertedFinish);
        job.setConvertParamConfig(request(source, m_dir.path(), "mp3", edit, cut));
        job.startToConverter();
        QCOMPARE(started.count(), 1);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QVERIFY(!QFile::exists(job.getConvertParamConfig().outputPath));
    }
}

namespace {

QStringList g_warnings;
QtMessageHandler g_previousHandler = nullptr;

void collectWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type >= QtWarningMsg)
        g_warnings << text;
    g_previousHandler(type, context, text);
}

// Sends what the process writes to a file descriptor into a file meanwhile.
class Capture
{
public:
    Capture(int fd, const QString &path) : m_fd(fd)
    {
        std::fflush(nullptr);
        m_saved = ::dup(fd);
        const int file = ::open(path.toUtf8().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(file, fd);
        ::close(file);
    }
    ~Capture()
    {
        std::fflush(nullptr);
        ::dup2(m_saved, m_fd);
        ::close(m_saved);
    }

private:
    int m_fd;
    int m_saved;
};

} // namespace

void TestConvertEngine::finishedJobsAreQuiet()
{
    // Finished jobs of both kinds, released afterwards as the job object
    // does: no warning, nothing on the standard output, no FFmpeg line.
    const QString source = m_dir.filePath("quiet.wav");
    QVERIFY(TestSupport::writeToneWav(source, 440, 2.0, 44100, 2, 0.9));
    const QString out = m_dir.filePath("quiet-stdout.txt");
    const QString err = m_dir.filePath("quiet-stderr.txt");
    g_warnings.clear();
    g_previousHandler = qInstallMessageHandler(collectWarnings);
    for (bool copy : {false, true}) {
        const QString output = m_dir.filePath(copy ? "quiet-cut.wav" : "quiet-edit.wav");
        CAVEncodeParam param;
        param.plainCut = copy;
        param.rangeStart = 500000;
        param.rangeDuration = 1000000;
        // A strong boost on a loud source: no clipping notes either.
        const double bands[] = {60, 170, 310, 600, 1000};
        const double gains[] = {6, 6, 6, 6, 6};
        param.editConfig.audioSettings.set(bands, gains, 5);
        ConverterReports reports;
        IAVConverter *converter = CreateAVConverter();
        {
            Capture stdoutCapture(STDOUT_FILENO, out);
            Capture stderrCapture(STDERR_FILENO, err);
            QVERIFY(converter->StartConvert(source.toUtf8().constData(), output.toUtf8().constData(),
                                            &param, &reports, &ConverterReports::callback, false));
            QTRY_VERIFY_WITH_TIMEOUT(reports.ended(), 30000);
            DestroyAVConverter(converter);
        }
        QCOMPARE(reports.copy().back(), std::make_pair(100u, convertFinished));
        QFile o(out);
        QVERIFY(o.open(QIODevice::ReadOnly));
        QCOMPARE(o.readAll(), QByteArray());
        QFile e(err);
        QVERIFY(e.open(QIODevice::ReadOnly));
        const QByteArray errors = e.readAll();
        QVERIFY2(!errors.contains("ffmpeg") && !errors.contains("clipping"), errors.left(400).constData());
    }
    qInstallMessageHandler(g_previousHandler);
    QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join("\n")));
}

QTEST_MAIN(TestConvertEngine)
#include "tst_convertengine.moc"
