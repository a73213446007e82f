// Media information on files made by ffmpeg: durations of every format,
// container names, chapters, video size and pictures, and broken files; and
// the editor's read of a file, which opens it once per reader it needs.

#include "mediafiles.h"

#include "media/jxinfoclass.h"
#include "media/jxinfomanager.h"
#include "media/jxmediafileread.h"
#include "media/jxtagfileaccess.h"
#include "rzcodec/buffer.h"
#include "rzcodec/mediainfo.h"
#include "rzcodec/recorder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include <sys/inotify.h>
#include <unistd.h>

namespace {
QImage bmpImage(const unsigned char *bmp)
{
    const quint32 length = quint32(bmp[2]) | quint32(bmp[3]) << 8 | quint32(bmp[4]) << 16
                           | quint32(bmp[5]) << 24;
    QImage image;
    image.loadFromData(bmp, int(length), "BMP");
    return image;
}
// A file handed out through a stream object's callbacks.
struct FileSource
{
    QFile file;
    explicit FileSource(const QString &path) : file(path) { file.open(QIODevice::ReadOnly); }
    static uint32_t read(void *context, unsigned char *out, uint32_t length)
    {
        const qint64 n = static_cast<FileSource *>(context)->file.read(reinterpret_cast<char *>(out), length);
        return n > 0 ? uint32_t(n) : 0;
    }
    static int seek(void *context, uint64_t position)
    {
        return static_cast<FileSource *>(context)->file.seek(qint64(position)) ? 1 : 0;
    }
    static uint32_t length(void *context)
    {
        return uint32_t(static_cast<FileSource *>(context)->file.size());
    }
    // A stream object reading this file, seekable or forward only.
    void *stream(bool seekable)
    {
        void *s = rz_stream_create(RZ_MEDIA_AUDIO);
        rz_stream_set_read_callback(s, &FileSource::read, this);
        if (seekable) {
            rz_stream_set_seek_callback(s, &FileSource::seek);
            rz_stream_set_length_callback(s, &FileSource::length);
        }
        return s;
    }
};

// How many times the file was opened while fn ran, -1 when that cannot be
// watched. Reads and closes are watched too: the kernel merges an event
// with the one before it when both are the same and unread.
int opensDuring(const QString &path, const std::function<void()> &fn)
{
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return -1;
    if (inotify_add_watch(fd, QFile::encodeName(path).constData(), IN_OPEN | IN_ACCESS | IN_CLOSE) < 0) {
        ::close(fd);
        return -1;
    }
    fn();
    int opens = 0;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (const char *p = buffer; p < buffer + n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(p);
            if (event->mask & IN_OPEN)
                ++opens;
            p += sizeof(inotify_event) + event->len;
        }
    }
    ::close(fd);
    return opens;
}

} // namespace

class TestMediaInfo : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void durationOfEveryFormat_data();
    void durationOfEveryFormat();
    void m4aContainerNameAndBrand();
    void chaptersOfAGeneratedFile();
    void videoSizeAndFirstFrame();
    void coverPictureAsBmp();
    void thumbnailPrefersADecodableCover();
    void brokenAndMissingFilesFail();
    void withoutHandleEverythingIsNeutral();
    void dvdFolderOpensItsLongestTitle();
    void scalingAndTimeTexts();
    void mediaReadThroughAStreamObject();
    void externalSubtitlesKeepTheirSourceAndExtraValues();
    void editorReadOpensTheFileOncePerReader();

private:
    QTemporaryDir m_dir;
};

void TestMediaInfo::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestMediaInfo::durationOfEveryFormat_data()
{
    QTest::addColumn<int>("formatIndex");
    const auto formats = MediaFiles::taggableFormats();
    for (int i = 0; i < formats.size(); ++i)
        QTest::newRow(qPrintable(formats[i].name)) << i;
}

void TestMediaInfo::durationOfEveryFormat()
{
    QFETCH(int, formatIndex);
    const MediaFiles::Format format = MediaFiles::taggableFormats().at(formatIndex);
    const QString path = MediaFiles::makeTone(m_dir.path(), "len_" + format.name, format, 3.0);
    QVERIFY(!path.isEmpty());

    JXInfoManager manager;
    manager.createrPlayer();
    QVERIFY(manager.setMediaFile(path, 0, false));
    JXInfoClass *info = manager.getInfoClass();
    QVERIFY(info);
    const qint64 duration = qint64(info->GetDuration_Info());
    QVERIFY2(qAbs(duration - 3000000) <= 50000, qPrintable(QString::number(duration)));
    QVERIFY(info->HasAudio_Info());
    QVERIFY(!info->HasVideo_Info());
    QCOMPARE(info->GetAudioCount_Info(), 1u);
    QCOMPARE(info->GetVideoCount_Info(), 0u);
    QCOMPARE(info->GetVideoWidth_Info(), 0u);
    QCOMPARE(info->GetProgrCount_Info(), 1u);
    QVERIFY(info->SetAudioIndex_Info(0));
    QVERIFY(!info->SetAudioIndex_Info(1));
    QVERIFY(!info->SetProgrIndex_Info(1));
    QVERIFY(info->GetMetaData_Info("ffmpeg_format").has_value());
    QVERIFY(manager.getThumbnail(120).isNull()); // no cover, no video
    QVERIFY(manager.getChapterInfo().isEmpty());
}

void TestMediaInfo::m4aContainerNameAndBrand()
{
    const QString path = MediaFiles::makeTone(m_dir.path(), "brand", MediaFiles::taggableFormats().at(1), 1.0);
    JXInfoClass info;
    info.Create_Info();
    QVERIFY(info.Open_Info(path.toUtf8().constData()));
    QCOMPARE(QString::fromStdString(info.GetMetaData_Info("ffmpeg_format").value_or("")),
             QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2"));
    QCOMPARE(QString::fromStdString(info.GetMetaData_Info("major_brand").value_or("")),
             QStringLiteral("M4A "));
    QVERIFY(!info.GetMetaData_Info("title"));
    QVERIFY(!info.GetMetaData_Info("no_such_key"));
    // A value asked for twice is the same buffer: the first stays usable.
    void *first = rz_info_get_metadata(info.getInfo(), "major_brand");
    void *second = rz_info_get_metadata(info.getInfo(), "major_brand");
    QCOMPARE(first, second);
    QCOMPARE(rz_buffer_size(first), 4u);

    const QString mp3 = MediaFiles::makeTone(m_dir.path(), "brand", MediaFiles::taggableFormats().at(0), 1.0);
    QVERIFY(info.Open_Info(mp3.toUtf8().constData()));
    QCOMPARE(QString::fromStdString(info.GetMetaData_Info("ffmpeg_format").value_or("")), QStringLiteral("mp3"));
    QVERIFY(!info.GetMetaData_Info("major_brand")); // the new file replaced the old
    QCOMPARE(QString(rz_info_format_name(info.getInfo())), QStringLiteral("mp3"));
    info.Release_Info();
    QVERIFY(!rz_info_format_name(nullptr));
}

void TestMediaInfo::chaptersOfAGeneratedFile()
{
    const QString meta = m_dir.filePath("chapters.txt");
    {
        QFile f(meta);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(";FFMETADATA1\n"
                "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=60000\ntitle=Intro\n"
                "[CHAPTER]\nTIMEBASE=1/1000\nSTART=60000\nEND=150000\ntitle=Песня\n"
                "[CHAPTER]\nTIMEBASE=1/1000\nSTART=150000\nEND=180000\ntitle=Outro\n");
    }
    const MediaFiles::Format m4a = MediaFiles::taggableFormats().at(1);
    const QString path = MediaFiles::makeTone(m_dir.path(), "chapters", m4a, 180.0,
                                              {"-f", "ffmetadata", "-i", meta, "-map", "0",
                                               "-map_chapters", "1"});
    QVERIFY(!path.isEmpty());

    JXInfoManager manager;
    manager.createrPlayer();
    QVERIFY(manager.setMediaFile(path, 0, false));
    const QList<JXChapterInfo> chapters = manager.getChapterInfo();
    QCOMPARE(chapters.size(), 4);
    QCOMPARE(chapters[0].index, 0);
    QCOMPARE(chapters[0].start, 0ull);
    QVERIFY(qAbs(qint64(chapters[0].duration) - 180000000) < 50000);
    QCOMPARE(QString::fromStdString(chapters[0].text), QString("Current, 00:00:00-00:03:00"));

    QCOMPARE(chapters[2].index, 2);
    QCOMPARE(QString::fromStdString(chapters[2].title), QStringLiteral("Песня"));
    QVERIFY(qAbs(qint64(chapters[2].start) - 60000000) < 1000);
    QVERIFY(qAbs(qint64(chapters[2].duration) - 90000000) < 1000);
    QCOMPARE(chapters[2].end, chapters[2].start + chapters[2].duration);
    QCOMPARE(QString::fromStdString(chapters[2].text), QStringLiteral("  2, 00:01:00-00:02:30 (Песня)"));
    QCOMPARE(QString::fromStdString(chapters[3].title), QStringLiteral("Outro"));

    // Out of range through the layer.
    void *info = manager.getInfoClass()->getInfo();
    QCOMPARE(rz_info_chapter_count(info), 3);
    QCOMPARE(rz_info_chapter_start(info, 3), 0ull);
    QCOMPARE(rz_info_chapter_start(info, -1), 0ull);
    QCOMPARE(QString(rz_info_chapter_title(info, 99)), QString());
}

void TestMediaInfo::videoSizeAndFirstFrame()
{
    // A red picture with sound; the first frame must come back red.
    const QString path = m_dir.filePath("video.mp4");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "color=c=red:s=320x240:r=25:d=2", "-f", "lavfi",
                                   "-i", "sine=d=2", "-c:v", "mpeg4", "-q:v", "2", "-c:a", "aac",
                                   "-shortest", path}));
    JXInfoManager manager;
    manager.createrPlayer();
    QVERIFY(manager.setMediaFile(path, 0, false));
    JXInfoClass *info = manager.getInfoClass();
    QVERIFY(info->HasVideo_Info());
    QVERIFY(info->HasAudio_Info());
    QCOMPARE(info->GetVideoWidth_Info(), 320u);
    QCOMPARE(info->GetVideoHeight_Info(), 240u);
    QCOMPARE(info->GetVideoAspectRatioX_Info(), 4u);
    QCOMPARE(info->GetVideoAspectRatioY_Info(), 3u);

    unsigned char *bmp = info->GetVideoImage_Info(0, 0, 0, 0, 0);
    QVERIFY(bmp);
    QCOMPARE(bmp[0], uchar('B'));
    const QImage frame = bmpImage(bmp);
    QCOMPARE(frame.size(), QSize(320, 240));
    const QColor centre = frame.pixelColor(160, 120);
    QVERIFY2(centre.red() > 200 && centre.green() < 60 && centre.blue() < 60, qPrintable(centre.name()));
    QVERIFY(info->FreeVideoImage_Info(bmp));
    QVERIFY(!info->FreeVideoImage_Info(bmp)); // not twice

    // A later position and a requested size.
    bmp = info->GetVideoImage_Info(1500000, 0, 160, 0, 0);
    QVERIFY(bmp);
    QCOMPARE(bmpImage(bmp).size(), QSize(160, 120));
    QVERIFY(info->FreeVideoImage_Info(bmp));

    // An external subtitle file is taken; a sound file is no subtitle file.
    const QString srt = m_dir.filePath("film.srt");
    {
        QFile f(srt);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("1\n00:00:00,500 --> 00:00:01,500\nHallo Welt\n\n");
    }
    QVERIFY(info->SetSubtlFile_Info(srt.toUtf8().constData()));
    QVERIFY(!info->SetSubtlFile_Info(path.toUtf8().constData()));
    QVERIFY(!info->SetSubtlFile_Info(m_dir.filePath("none.srt").toUtf8().constData()));
    QCOMPARE(info->GetSubtlCount_Info(), 0u);
    QVERIFY(info->SetSubtlIndex_Info(-1));
    QVERIFY(!info->SetSubtlIndex_Info(0));

    // The thumbnail is the first frame, its shorter side scaled to 120.
    const QImage thumb = manager.getThumbnail(120);
    QCOMPARE(thumb.size(), QSize(160, 120));
}

void TestMediaInfo::coverPictureAsBmp()
{
    const QString path = MediaFiles::makeTone(m_dir.path(), "cover", MediaFiles::taggableFormats().at(0), 1.0);
    const QByteArray png = MediaFiles::pngPicture(300, 200);
    VEAudioTagInfo tags;
    tags.title = "With cover";
    tags.cover_image = png.toStdString();
    tags.coverSize = png.size();
    QVERIFY(JXTagFileAccess::write(path.toStdString(), tags, JXTagFileAccess::AllFields));

    JXInfoClass info;
    info.Create_Info();
    QVERIFY(info.Open_Info(path.toUtf8().constData()));
    QVERIFY(!info.HasVideo_Info()); // a cover is no video
    QCOMPARE(QByteArray::fromStdString(info.GetMetaData_Info("cover_image").value_or("")), png);
    QVERIFY(!info.GetVideoImage_Info(0, 0, 0, 0, 0)); // no video frame to give
    unsigned char *bmp = info.GetVideoImage_Info(0, 1, 0, 0, 0);
    QVERIFY(bmp);
    const QImage image = bmpImage(bmp);
    QCOMPARE(image.size(), QSize(300, 200));
    QCOMPARE(image.pixelColor(150, 100), QColor(240, 200, 30));
    QCOMPARE(image.pixelColor(5, 5), QColor(20, 90, 160));
    QVERIFY(info.FreeVideoImage_Info(bmp));

    JXInfoManager manager;
    manager.createrPlayer();
    QVERIFY(manager.setMediaFile(path, 0, false));
    QCOMPARE(manager.getThumbnail(120).size(), QSize(180, 120));
}

void TestMediaInfo::thumbnailPrefersADecodableCover()
{
    // Blue video with a cover: the cover wins while it decodes; broken cover
    // bytes fall back to the first video frame.
    const QString path = m_dir.filePath("covered.mp4");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "color=c=blue:s=320x240:r=25:d=1", "-c:v", "mpeg4",
                                   "-q:v", "2", path}));
    const QByteArray png = MediaFiles::pngPicture(200, 100);
    VEAudioTagInfo tags;
    tags.cover_image = png.toStdString();
    tags.coverSize = png.size();
    QVERIFY(JXTagFileAccess::write(path.toStdString(), tags, JXTagFileAccess::AllFields));
    {
        JXInfoManager manager;
        manager.createrPlayer();
        QVERIFY(manager.setMediaFile(path, 0, false));
        QVERIFY(manager.getInfoClass()->HasVideo_Info());
        const QImage thumb = manager.getThumbnail(120);
        QCOMPARE(thumb.size(), QSize(200, 100)); // the cover, shorter side under 120
    }
    const QByteArray junk(3000, '\x07');
    tags.cover_image = junk.toStdString();
    tags.coverSize = junk.size();
    QVERIFY(JXTagFileAccess::write(path.toStdString(), tags, JXTagFileAccess::AllFields));
    JXInfoManager manager;
    manager.createrPlayer();
    QVERIFY(manager.setMediaFile(path, 0, false));
    const QImage thumb = manager.getThumbnail(120);
    QCOMPARE(thumb.size(), QSize(160, 120));
    const QColor centre = thumb.pixelColor(80, 60);
    QVERIFY2(centre.blue() > 200 && centre.red() < 60, qPrintable(centre.name()));
}

void TestMediaInfo::brokenAndMissingFilesFail()
{
    const QString m4a = MediaFiles::makeTone(m_dir.path(), "whole", MediaFiles::taggableFormats().at(1), 2.0);
    const QString wav = MediaFiles::makeTone(m_dir.path(), "whole", MediaFiles::taggableFormats().at(5), 2.0);
    const QString cutM4a = m_dir.filePath("cut.m4a");
    QVERIFY(MediaFiles::truncateCopy(m4a, cutM4a, QFileInfo(m4a).size() / 2));
    const QString cutWav = m_dir.filePath("cut.wav");
    QVERIFY(MediaFiles::truncateCopy(wav, cutWav, 30));
    const QString empty = m_dir.filePath("empty.mp3");
    QFile(empty).open(QIODevice::WriteOnly);
    const QString text = m_dir.filePath("text.flac");
    {
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'x'));
    }

    for (const QString &path : {cutM4a, cutWav, empty, text, m_dir.filePath("missing.ogg")}) {
        JXInfoManager manager;
        manager.createrPlayer();
        QVERIFY2(!manager.setMediaFile(path, 0, false), qPrintable(path));
        QCOMPARE(manager.mediaFile(), path); // kept all the same
        JXInfoClass *info = manager.getInfoClass();
        QCOMPARE(info->GetDuration_Info(), 0ull);
        QVERIFY(!info->HasAudio_Info());
        QVERIFY(!info->GetMetaData_Info("ffmpeg_format"));
        QVERIFY(!info->GetVideoImage_Info(0, 1, 0, 0, 0));
        QVERIFY(manager.getThumbnail(120).isNull());
        QVERIFY(manager.getChapterInfo().isEmpty());
        QVERIFY(manager.getAudioTagInfo() == VEAudioTagInfo());
        VEAudioTagInfo title;
        title.title = "never written";
        QVERIFY(!manager.setAudioTag(title));
    }
    // A good file after a bad one opens on the same handle.
    JXInfoClass info;
    info.Create_Info();
    QVERIFY(!info.Open_Info(cutM4a.toUtf8().constData()));
    QVERIFY(info.Open_Info(m4a.toUtf8().constData()));
    QVERIFY(info.GetDuration_Info() > 1900000);
    QVERIFY(!info.Open_Info(nullptr));
    QCOMPARE(info.GetDuration_Info(), 0ull);
}

void TestMediaInfo::withoutHandleEverythingIsNeutral()
{
    JXInfoClass info;
    QVERIFY(!info.IsCreateInfo());
    QVERIFY(!info.Open_Info("/nonexistent"));
    QVERIFY(!info.HasAudio_Info());
    QCOMPARE(info.GetDuration_Info(), 0ull);
    QVERIFY(!info.GetMetaData_Info("title"));
    QVERIFY(!info.GetVideoImage_Info(0, 1, 0, 0, 0));
    QCOMPARE(info.GetChapterCount_Info(), 0);
    QCOMPARE(info.GetChapterTitle_Info(0), std::string());
    QCOMPARE(info.GetProgrName_Info(), std::string());
    info.Release_Info(); // harmless

    JXInfoManager manager; // createrPlayer not called
    QVERIFY(!manager.getInfoClass());
    QVERIFY(!manager.setMediaFile(m_dir.path(), 0, false));
    QVERIFY(!manager.setPlayer(nullptr));
    QVERIFY(manager.getThumbnail(120).isNull());
    QVERIFY(manager.getChapterInfo().isEmpty());

    // The layer refuses null and foreign handles.
    QCOMPARE(rz_info_duration(nullptr), 0ull);
    QCOMPARE(rz_info_open(nullptr, "x"), 0);
    void *buffer = rz_buffer_create("abc", 3);
    QCOMPARE(rz_info_open(buffer, m_dir.path().toUtf8().constData()), 0);
    QCOMPARE(rz_info_has_audio(buffer), 0);
    rz_info_release(buffer); // refused: still a live buffer
    QCOMPARE(rz_buffer_size(buffer), 3u);
    rz_buffer_release(buffer);
    void *handle = rz_info_create(0xFFFFFFFFu);
    QCOMPARE(rz_info_open_with_player(handle, nullptr), 0);
    QCOMPARE(rz_info_get_video_image(handle, 0, 1, 0, 0, 0), nullptr);
    QCOMPARE(rz_info_free_video_image(handle, reinterpret_cast<uint8_t *>(handle)), 0);
    rz_info_release(handle);
}

void TestMediaInfo::dvdFolderOpensItsLongestTitle()
{
    const QString dvd = m_dir.filePath("disc");
    QVERIFY(QDir().mkpath(dvd + "/VIDEO_TS"));
    // Title set 1: two parts of 1 s; title set 2: one part of 0.5 s.
    // The parts of a title continue each other's time stamps, as on a disc.
    auto vob = [&](const QString &name, double seconds, double offset) {
        return MediaFiles::runFfmpeg({"-f", "lavfi", "-i", QString("testsrc=s=176x144:r=25:d=%1").arg(seconds),
                                      "-f", "lavfi", "-i", QString("sine=d=%1").arg(seconds), "-c:v", "mpeg2video",
                                      "-c:a", "mp2", "-output_ts_offset", QString::number(offset),
                                      "-f", "vob", dvd + "/VIDEO_TS/" + name});
    };
    QVERIFY(vob("VTS_01_1.VOB", 1.0, 0));
    QVERIFY(vob("VTS_01_2.VOB", 1.0, 1.0));
    QVERIFY(vob("VTS_02_1.VOB", 0.5, 0));

    JXInfoManager manager;
    manager.createrPlayer();
    QVERIFY(manager.setMediaFile(dvd, 0, true));
    JXInfoClass *info = manager.getInfoClass();
    QVERIFY(info->HasVideo_Info());
    QCOMPARE(info->GetVideoWidth_Info(), 176u);
    const qint64 duration = qint64(info->GetDuration_Info());
    // Longer than any one part: both parts of the longest title were joined.
    QVERIFY2(duration > 1200000 && duration < 2300000, qPrintable(QString::number(duration)));

    QVERIFY(!info->OpenDVD_Info(m_dir.filePath("nothing").toUtf8().constData()));
}

void TestMediaInfo::scalingAndTimeTexts()
{
    QCOMPARE(JXInfoManager::scaleImage(QImage(800, 400, QImage::Format_RGB32), 120).size(), QSize(240, 120));
    QCOMPARE(JXInfoManager::scaleImage(QImage(2000, 600, QImage::Format_RGB32), 120).size(), QSize(400, 120));
    QCOMPARE(JXInfoManager::scaleImage(QImage(100, 300, QImage::Format_RGB32), 120).size(), QSize(100, 300));
    QCOMPARE(JXInfoManager::scaleImage(QImage(300, 900, QImage::Format_RGB32), 120).size(), QSize(120, 360));
    QVERIFY(JXInfoManager::scaleImage(QImage(), 120).isNull());
    QVERIFY(JXInfoManager::scaleImageFromChar("not a picture", 120).isNull());
    QVERIFY(JXInfoManager::scaleImageFromUChar(nullptr, 120).isNull());

    QCOMPARE(JXInfoManager::timeToString(3599999999ull), QStringLiteral("00:59:59"));
    QCOMPARE(JXInfoManager::timeToString(3600000000ull), QStringLiteral("01:00:00"));
    QCOMPARE(JXInfoManager::timeToString(360000000000ull), QStringLiteral("100:00:00"));
    QCOMPARE(JXInfoManager::timeToString(0), QStringLiteral("00:00:00"));
}

void TestMediaInfo::mediaReadThroughAStreamObject()
{
    const auto formats = MediaFiles::taggableFormats();
    for (const MediaFiles::Format &format : formats) {
        if (format.name != "flac" && format.name != "mp3")
            continue;
        const QString path = MediaFiles::makeTone(m_dir.path(), "stream_" + format.name, format, 3.0);
        QVERIFY(!path.isEmpty());
        FileSource source(path);
        void *stream = source.stream(true);
        JXInfoClass info;
        info.Create_Info();
        QVERIFY2(info.OpenStream_Info(stream), qPrintable(format.name));
        QVERIFY(info.HasAudio_Info());
        const qint64 duration = qint64(info.GetDuration_Info());
        QVERIFY2(qAbs(duration - 3000000) <= 60000, qPrintable(QString::number(duration)));
        rz_stream_release(stream);

        // Forward reading only: the stream still opens.
        FileSource forward(path);
        void *once = forward.stream(false);
        QVERIFY(info.OpenStream_Info(once));
        QVERIFY(info.HasAudio_Info());
        rz_stream_release(once);
    }

    // A stream without a read callback, or a handle that is no stream, opens nothing.
    JXInfoClass info;
    info.Create_Info();
    void *empty = rz_stream_create(RZ_MEDIA_AUDIO);
    QVERIFY(!info.OpenStream_Info(empty));
    QVERIFY(!info.HasAudio_Info());
    rz_stream_release(empty);
    QVERIFY(!info.OpenStream_Info(info.getInfo()));
    QVERIFY(!info.OpenStream_Info(nullptr));
}

void TestMediaInfo::externalSubtitlesKeepTheirSourceAndExtraValues()
{
    const QString srt = m_dir.filePath("titles.srt");
    QFile out(srt);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("1\n00:00:00,500 --> 00:00:01,500\nHello\n\n2\n00:00:02,000 --> 00:00:02,800\nAgain\n");
    out.close();
    const QString tone = MediaFiles::makeTone(m_dir.path(), "subs_base", MediaFiles::taggableFormats().first(), 3.0);

    JXInfoClass info;
    info.Create_Info();
    QVERIFY(info.Open_Info(tone.toUtf8().constData()));
    QVERIFY(!info.GetSubtlSource_Info());
    QVERIFY(info.SetSubtlFileEx_Info(srt.toUtf8().constData(), 3, 4));
    auto source = info.GetSubtlSource_Info();
    QVERIFY(source);
    QCOMPARE(source->fromStream, false);
    QCOMPARE(QString::fromStdString(source->file), srt);
    QCOMPARE(source->extra1, 3u);
    QCOMPARE(source->extra2, 4u);

    // Subtitles through a stream object; the plain call carries no extras.
    FileSource titles(srt);
    void *stream = titles.stream(true);
    QVERIFY(info.SetSubtlStream_Info(stream));
    source = info.GetSubtlSource_Info();
    QVERIFY(source && source->fromStream && source->file.empty());
    QCOMPARE(source->extra1, 0u);
    rz_stream_release(stream);

    FileSource again(srt);
    void *streamEx = again.stream(true);
    QVERIFY(info.SetSubtlStreamEx_Info(streamEx, 7, 9));
    QCOMPARE(info.GetSubtlSource_Info()->extra2, 9u);
    rz_stream_release(streamEx);

    // What holds no subtitles is refused, and the previous choice stays.
    QVERIFY(!info.SetSubtlFileEx_Info(tone.toUtf8().constData(), 1, 1));
    QCOMPARE(info.GetSubtlSource_Info()->extra1, 7u);
    // A new file starts without external subtitles.
    QVERIFY(info.Open_Info(tone.toUtf8().constData()));
    QVERIFY(!info.GetSubtlSource_Info());
}

void TestMediaInfo::editorReadOpensTheFileOncePerReader()
{
    const MediaFiles::Format format = MediaFiles::taggableFormats().at(0);
    const QString path = MediaFiles::makeTone(m_dir.path(), "editor_read", format, 1.0);
    QVERIFY(!path.isEmpty());
    JXMediaFileRead::Request request;
    request.path = path;
    JXMediaFileRead read;
    // The information handle, the tag reader (its look at the head and
    // TagLib share one open) and the player: a file that reads is not
    // opened once more to see whether it can be read.
    QCOMPARE(opensDuring(path, [&] { read = JXMediaFileRead::read(request); }), 3);
    QVERIFY2(read.ok(), qPrintable(read.error));
    QVERIFY(read.media.hasPlayer());
    QVERIFY(read.tagFormat > 0);
    // Without a player, one open less.
    request.openPlayer = false;
    QCOMPARE(opensDuring(path, [&] { read = JXMediaFileRead::read(request); }), 2);
    QVERIFY(read.ok());
    QVERIFY(!read.media.hasPlayer());
    // A file the codec layer cannot read still gets its reason.
    const QString empty = m_dir.filePath("empty.mp3");
    QVERIFY(QFile(empty).open(QIODevice::WriteOnly));
    request.path = empty;
    QCOMPARE(JXMediaFileRead::read(request).error, QStringLiteral("The file is empty."));
    request.path = m_dir.filePath("gone.mp3");
    QCOMPARE(JXMediaFileRead::read(request).error, QStringLiteral("The file does not exist."));
}

QTEST_MAIN(TestMediaInfo)
#include "tst_mediainfo.moc"
