// Tags through the tag-file object: every handled format, non-Latin texts and
// a cover, read back both by the tag-file object and by the media
// information; files that cannot take tags fail clearly.

#include "mediafiles.h"
#include "testsupport.h"

#include "media/jxinfomanager.h"
#include "media/jxtagfileaccess.h"
#include "common/vehelper.h"
#include "rzcodec/tagfile.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {
VEAudioTagInfo sampleTags(const QByteArray &cover)
{
    VEAudioTagInfo t;
    t.title = "Ночной поезд — 夜行列車";
    t.artist = "Zoë Ångström";
    t.album_artist = "محمد والفرقة";
    t.composer = "Antonín Dvořák";
    t.album = "Μουσική 🎵 Album";
    t.genre = "Électro";
    t.track = "3";
    t.year = "2019";
    t.date = "2019"; // not carried by the tag-file object: read back from the year
    t.grouping = "Grüppe ß";
    t.comment = "Kommentar: ü, 中文";
    t.disc = "1";
    t.copyright = "© 2019 Ñandú";
    t.cover_image = cover.toStdString();
    t.coverSize = cover.size();
    return t;
}

void compareTexts(const VEAudioTagInfo &got, const VEAudioTagInfo &want)
{
    QCOMPARE(QString::fromStdString(got.title), QString::fromStdString(want.title));
    QCOMPARE(QString::fromStdString(got.artist), QString::fromStdString(want.artist));
    QCOMPARE(QString::fromStdString(got.album_artist), QString::fromStdString(want.album_artist));
    QCOMPARE(QString::fromStdString(got.composer), QString::fromStdString(want.composer));
    QCOMPARE(QString::fromStdString(got.album), QString::fromStdString(want.album));
    QCOMPARE(QString::fromStdString(got.genre), QString::fromStdString(want.genre));
    QCOMPARE(QString::fromStdString(got.track), QString::fromStdString(want.track));
    QCOMPARE(QString::fromStdString(got.year), QString::fromStdString(want.year));
    QCOMPARE(QString::fromStdString(got.grouping), QString::fromStdString(want.grouping));
    QCOMPARE(QString::fromStdString(got.comment), QString::fromStdString(want.comment));
    QCOMPARE(QString::fromStdString(got.disc), QString::fromStdString(want.disc));
    QCOMPARE(QString::fromStdString(got.copyright), QString::fromStdString(want.copyright));
}

// The file's tags as the ffmpeg tool reads them (global and stream tags), keys
// in lower case.
QMap<QString, QString> ffprobeTags(const QString &path)
{
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-show_entries", "format_tags:stream_tags", "-of",
                            "default=noprint_wrappers=1", path});
    QMap<QString, QString> tags;
    if (!probe.waitForFinished(60000) || probe.exitCode() != 0)
        return tags;
    const QStringList lines = QString::fromUtf8(probe.readAllStandardOutput()).split('\n');
    for (const QString &line : lines) {
        const int eq = line.indexOf('=');
        if (line.startsWith("TAG:") && eq > 4)
            tags.insert(line.mid(4, eq - 4).toLower(), line.mid(eq + 1));
    }
    return tags;
}
} // namespace

class TestTagFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void tagsRoundTrip_data();
    void tagsRoundTrip();
    void laterWriteKeepsFieldsNotSent();
    void removedCoverLeavesTheFile_data();
    void removedCoverLeavesTheFile();
    void removedTextsLeaveTheFile_data();
    void removedTextsLeaveTheFile();
    void mp3GetsNoId3v1Copy();
    void removedTextLeavesAnId3v1TagToo();
    void normalisedTextsStillCountAsWritten();
    void untaggableFilesFail();
    void readOnlyFileReportsFailure();
    void refusedItemFailsTheWholeWrite();
    void itemsOfARecord();
    void malformedItemsAreRefused();

private:
    QTemporaryDir m_dir;
    QByteArray m_cover;
};

void TestTagFile::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_cover = MediaFiles::pngPicture(64, 48);
    QVERIFY(m_cover.size() > 100);
}

void TestTagFile::tagsRoundTrip_data()
{
    QTest::addColumn<int>("formatIndex");
    const auto formats = MediaFiles::taggableFormats();
    for (int i = 0; i < formats.size(); ++i)
        QTest::newRow(qPrintable(formats[i].name)) << i;
}

void TestTagFile::tagsRoundTrip()
{
    QFETCH(int, formatIndex);
    const MediaFiles::Format format = MediaFiles::taggableFormats().at(formatIndex);
    const QString path = MediaFiles::makeTone(m_dir.path(), "tags_" + format.name, format, 1.0);
    QVERIFY2(!path.isEmpty(), "ffmpeg could not make the file");

    const VEAudioTagInfo tags = sampleTags(m_cover);
    JXInfoManager manager;
    manager.createrPlayer();
    QVERIFY(manager.setAudioTag(tags, path));

    // Through the tag-file object.
    VEAudioTagInfo fromTagFile;
    QVERIFY(JXTagFileAccess::read(path.toStdString(), fromTagFile));
    compareTexts(fromTagFile, tags);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(fromTagFile.date.empty());
    QCOMPARE(fromTagFile.coverSize, m_cover.size());
    QCOMPARE(QByteArray::fromStdString(fromTagFile.cover_image), m_cover);

    // Through the media information, which reads the file with its demuxer.
    QVERIFY(manager.setMediaFile(path, 0, false));
    const VEAudioTagInfo fromInfo = manager.getAudioTagInfo();
    compareTexts(fromInfo, tags);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(QString::fromStdString(fromInfo.date).left(4), QStringLiteral("2019"));
    QCOMPARE(fromInfo.coverSize, m_cover.size());
    QCOMPARE(QByteArray::fromStdString(fromInfo.cover_image), m_cover);
    const QImage thumb = manager.getThumbnail(120);
    QCOMPARE(thumb.size(), QSize(64, 48)); // smaller than 120: unchanged
}

void TestTagFile::laterWriteKeepsFieldsNotSent()
{
    const MediaFiles::Format format = MediaFiles::taggableFormats().at(1); // m4a
    const QString path = MediaFiles::makeTone(m_dir.path(), "keep", format, 0.5);
    QVERIFY(!path.isEmpty());
    QVERIFY(JXTagFileAccess::write(path.toStdString(), sampleTags(m_cover), JXTagFileAccess::AllFields));

    VEAudioTagInfo onlyTitle;
    onlyTitle.title = "Second title";
    QVERIFY(JXTagFileAccess::write(path.toStdString(), onlyTitle, JXTagFileAccess::AllFields));
    VEAudioTagInfo back;
    QVERIFY(JXTagFileAccess::read(path.toStdString(), back));
    QCOMPARE(back.title, std::string("Second title"));
    QCOMPARE(QString::fromStdString(back.artist), QStringLiteral("Zoë Ångström"));
    QCOMPARE(back.coverSize, m_cover.size());
}

void TestTagFile::removedCoverLeavesTheFile_data()
{
    tagsRoundTrip_data();
}

void TestTagFile::removedCoverLeavesTheFile()
{
    QFETCH(int, formatIndex);
    const MediaFiles::Format format = MediaFiles::taggableFormats().at(formatIndex);
    const QString path = MediaFiles::makeTone(m_dir.path(), "uncover_" + format.name, format, 0.5);
    QVERIFY2(!path.isEmpty(), "ffmpeg could not make the file");
    const std::string file = path.toStdString();
    QVERIFY(JXTagFileAccess::write(file, sampleTags(m_cover), JXTagFileAccess::AllFields));

    // Without a cover in the record, the ordinary write leaves the file's.
    VEAudioTagInfo titleOnly;
    titleOnly.title = "Kept cover";
    QVERIFY(JXTagFileAccess::write(file, titleOnly, JXTagFileAccess::AllFields));
    VEAudioTagInfo back;
    QVERIFY(JXTagFileAccess::read(file, back));
    QCOMPARE(QByteArray::fromStdString(back.cover_image), m_cover);

    // Asked to, it takes the cover out and leaves the texts.
    titleOnly.title = "No cover";
    QVERIFY(JXTagFileAccess::write(file, titleOnly, JXTagFileAccess::AllFields,
                                   JXTagFileAccess::RemoveFileCover));
    VEAudioTagInfo gone;
    QVERIFY(JXTagFileAccess::read(file, gone));
    QCOMPARE(gone.title, std::string("No cover"));
    QCOMPARE(QString::fromStdString(gone.artist), QStringLiteral("Zoë Ångström"));
    QCOMPARE(gone.coverSize, 0);
    QVERIFY(gone.cover_image.empty());
    // The demuxer finds no picture either.
    JXInfoManager manager;
    manager.createrPlayer();
    QVERIFY(manager.setMediaFile(path, 0, false));
    const VEAudioTagInfo fromInfo = manager.getAudioTagInfo();
    QCOMPARE(fromInfo.coverSize, 0);
    QCOMPARE(QString::fromStdString(fromInfo.title), QStringLiteral("No cover"));

    // Removing from a file without a cover is no failure.
    QVERIFY(JXTagFileAccess::write(file, titleOnly, JXTagFileAccess::AllFields,
                                   JXTagFileAccess::RemoveFileCover));
}

void TestTagFile::removedTextsLeaveTheFile_data()
{
    tagsRoundTrip_data();
}

// The fields are emptied one after another in one file: each write takes out
// only what it names, and every other field keeps its value.
void TestTagFile::removedTextsLeaveTheFile()
{
    QFETCH(int, formatIndex);
    const MediaFiles::Format format = MediaFiles::taggableFormats().at(formatIndex);
    const QString path = MediaFiles::makeTone(m_dir.path(), "untext_" + format.name, format, 0.5);
    QVERIFY2(!path.isEmpty(), "ffmpeg could not make the file");
    const std::string file = path.toStdString();
    VEAudioTagInfo want = sampleTags(m_cover);
    QVERIFY(JXTagFileAccess::write(file, want, JXTagFileAccess::AllFields));
    VEAudioTagInfo record;
    QVERIFY(JXTagFileAccess::read(file, record));

    // An empty text that is not named stays out of the write: the file keeps it.
    VEAudioTagInfo noTitle = record;
    noTitle.title.clear();
    QVERIFY(JXTagFileAccess::write(file, noTitle, JXTagFileAccess::AllFields));
    VEAudioTagInfo back;
    QVERIFY(JXTagFileAccess::read(file, back));
    QCOMPARE(QString::fromStdString(back.title), QString::fromStdString(want.title));

    // Naming a field whose text is not empty writes the text, removes nothing.
    QVERIFY(JXTagFileAccess::write(file, record, JXTagFileAccess::AllFields,
                                   JXTagFileAccess::KeepFileCover, 1u << RZ_TAG_ARTIST));
    back = VEAudioTagInfo();
    QVERIFY(JXTagFileAccess::read(file, back));
    compareTexts(back, want);

    const struct {
        int index;
        std::string VEAudioTagInfo::*field;
        const char *ffmpegKey; // null: no key to look for in every format
    } steps[] = {
        {RZ_TAG_TITLE, &VEAudioTagInfo::title, "title"},
        {RZ_TAG_COMMENT, &VEAudioTagInfo::comment, nullptr},
        {RZ_TAG_GROUPING, &VEAudioTagInfo::grouping, nullptr},
        {RZ_TAG_YEAR, &VEAudioTagInfo::year, nullptr},
        {RZ_TAG_TRACK, &VEAudioTagInfo::track, "track"},
        {RZ_TAG_GENRE, &VEAudioTagInfo::genre, "genre"},
        {RZ_TAG_ALBUM, &VEAudioTagInfo::album, "album"},
        {RZ_TAG_COMPOSER, &VEAudioTagInfo::composer, nullptr},
        {RZ_TAG_COPYRIGHT, &VEAudioTagInfo::copyright, nullptr},
        {RZ_TAG_DISC, &VEAudioTagInfo::disc, nullptr},
    };
    for (const auto &step : steps) {
        record.*step.field = std::string();
        want.*step.field = std::string();
        QVERIFY2(JXTagFileAccess::write(file, record, JXTagFileAccess::AllFields,
                                        JXTagFileAccess::KeepFileCover, 1u << step.index),
                 qPrintable(QString("removing item %1").arg(step.index)));
        back = VEAudioTagInfo();
        QVERIFY(JXTagFileAccess::read(file, back));
        compareTexts(back, want);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QString("after removing item %1").arg(step.index)));
        QCOMPARE(QByteArray::fromStdString(back.cover_image), m_cover);

        // The demuxer no longer finds it either; the artist is still there.
        const QMap<QString, QString> probed = ffprobeTags(path);
        QCOMPARE(probed.value("artist"), QString::fromStdString(want.artist));
        if (step.ffmpegKey)
            QVERIFY2(!probed.contains(step.ffmpegKey), step.ffmpegKey);
    }
    JXInfoManager manager;
    manager.createrPlayer();
    QVERIFY(manager.setMediaFile(path, 0, false));
    const VEAudioTagInfo fromInfo = manager.getAudioTagInfo();
    QVERIFY(fromInfo.title.empty());
    QVERIFY(fromInfo.album.empty());
    QVERIFY(fromInfo.comment.empty());
    QVERIFY(fromInfo.year.empty());
    QCOMPARE(QString::fromStdString(fromInfo.artist), QString::fromStdString(want.artist));

    // Removing a field the file no longer has is no failure.
    QVERIFY(JXTagFileAccess::write(file, record, JXTagFileAccess::AllFields,
                                   JXTagFileAccess::KeepFileCover, 1u << RZ_TAG_TITLE));
}

void TestTagFile::mp3GetsNoId3v1Copy()
{
    const MediaFiles::Format format = MediaFiles::taggableFormats().at(0);
    const QString path = MediaFiles::makeTone(m_dir.path(), "noid3v1", format, 0.5);
    QVERIFY(!path.isEmpty());
    QVERIFY(JXTagFileAccess::write(path.toStdString(), sampleTags(QByteArray()), JXTagFileAccess::AllFields));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.size() > 128);
    f.seek(f.size() - 128);
    QVERIFY(!f.read(3).startsWith("TAG"));
}

// An MP3 made elsewhere may carry an ID3v1 tag beside its ID3v2 one: a text
// taken out goes from both, and the ID3v1 tag's other bytes stay.
void TestTagFile::removedTextLeavesAnId3v1TagToo()
{
    const MediaFiles::Format format = MediaFiles::taggableFormats().at(0);
    const QString path = MediaFiles::makeTone(m_dir.path(), "id3v1", format, 0.5,
                                              {"-write_id3v1", "1", "-metadata", "title=Old title",
                                               "-metadata", "artist=Someone", "-metadata", "album=Record"});
    QVERIFY(!path.isEmpty());
    auto lastBytes = [&]() {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) && f.seek(f.size() - 128) ? f.read(128) : QByteArray();
    };
    const QByteArray before = lastBytes();
    QVERIFY(before.startsWith("TAGOld title"));

    VEAudioTagInfo record;
    QVERIFY(JXTagFileAccess::read(path.toStdString(), record));
    QCOMPARE(record.title, std::string("Old title"));
    record.title.clear();
    QVERIFY(JXTagFileAccess::write(path.toStdString(), record, JXTagFileAccess::AllFields,
                                   JXTagFileAccess::KeepFileCover, 1u << RZ_TAG_TITLE));
    const QByteArray after = lastBytes();
    QVERIFY(after.startsWith("TAG"));
    QCOMPARE(after.mid(3, 30), QByteArray(30, '\0'));
    QCOMPARE(after.mid(33), before.mid(33));

    // With every text gone, neither tag brings one back.
    VEAudioTagInfo none;
    QVERIFY(JXTagFileAccess::write(path.toStdString(), none, JXTagFileAccess::AllFields,
                                   JXTagFileAccess::KeepFileCover,
                                   (1u << RZ_TAG_ARTIST) | (1u << RZ_TAG_ALBUM)));
    VEAudioTagInfo back;
    QVERIFY(JXTagFileAccess::read(path.toStdString(), back));
    QVERIFY(back.title.empty() && back.artist.empty() && back.album.empty());
    QVERIFY(ffprobeTags(path).value("artist").isEmpty());
}

void TestTagFile::normalisedTextsStillCountAsWritten()
{
    // MP4 keeps the track as a number, ID3v2 turns "(17)" into its genre name:
    // the write still succeeded.
    VEAudioTagInfo t;
    t.track = "03";
    t.genre = "(17)";
    for (int index : {0, 1}) {
        const QString path = MediaFiles::makeTone(m_dir.path(), "normalised", MediaFiles::taggableFormats().at(index), 0.3);
        QVERIFY(JXTagFileAccess::write(path.toStdString(), t, JXTagFileAccess::AllFields));
        VEAudioTagInfo back;
        QVERIFY(JXTagFileAccess::read(path.toStdString(), back));
        QVERIFY(back.track == "3" || back.track == "03");
        QVERIFY(!back.genre.empty());
    }
}

void TestTagFile::untaggableFilesFail()
{
    // Raw AC3, an empty file, text, a truncated header, a missing file, a folder.
    const MediaFiles::Format ac3{"ac3", "ac3", {"-c:a", "ac3"}, 48000};
    const QString ac3Path = MediaFiles::makeTone(m_dir.path(), "raw", ac3, 0.5);
    QVERIFY(!ac3Path.isEmpty());
    const QString empty = m_dir.filePath("empty.mp3");
    QFile(empty).open(QIODevice::WriteOnly);
    const QString text = m_dir.filePath("notes.m4a");
    {
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("These are notes, not sound.\n");
    }
    const QString flac = MediaFiles::makeTone(m_dir.path(), "whole", MediaFiles::taggableFormats().at(2), 0.5);
    const QString truncated = m_dir.filePath("cut.flac");
    QVERIFY(MediaFiles::truncateCopy(flac, truncated, 20));

    for (const QString &path : {ac3Path, empty, text, truncated, m_dir.filePath("missing.mp3"), m_dir.path()}) {
        void *t = rz_tagfile_create();
        const QByteArray utf8 = path.toUtf8();
        const auto u32 = VEHelper::ConvertCharToUtft32(utf8.constData());
        QVERIFY(u32);
        QVERIFY2(rz_tagfile_open(t, reinterpret_cast<const uint32_t *>(u32->c_str())) != 0, qPrintable(path));
        QCOMPARE(rz_tagfile_format(t), int(RZ_TAGFMT_NONE));
        QCOMPARE(rz_tagfile_item_count(t), 0);
        QCOMPARE(rz_tagfile_begin_edit(t), 0);
        QCOMPARE(rz_tagfile_save(t), 0);
        rz_tagfile_release(t);

        JXInfoManager manager;
        QVERIFY(!manager.setAudioTag(sampleTags(m_cover), path));
        VEAudioTagInfo untouched;
        untouched.title = "kept";
        QVERIFY(!JXTagFileAccess::read(path.toStdString(), untouched));
        QCOMPARE(untouched.title, std::string("kept"));
    }
}

void TestTagFile::readOnlyFileReportsFailure()
{
    // A file that shrinks between opening and saving cannot take the tags:
    // the save says so instead of reporting success.
    const QString path = MediaFiles::makeTone(m_dir.path(), "shrinks", MediaFiles::taggableFormats().at(1), 0.5);
    void *t = rz_tagfile_create();
    const auto u32 = VEHelper::ConvertCharToUtft32(path.toUtf8().constData());
    QCOMPARE(rz_tagfile_open(t, reinterpret_cast<const uint32_t *>(u32->c_str())), 0);
    QCOMPARE(rz_tagfile_begin_edit(t), 1);
    const char32_t title[] = U"Lost";
    QCOMPARE(rz_tagfile_set_item(t, RZTagItem{-1, 0, 0, 16, title}), 1);
    QVERIFY(QFile::resize(path, 0));
    QCOMPARE(rz_tagfile_save(t), 0);
    rz_tagfile_release(t);

    if (geteuid() != 0) {
        const QString ro = MediaFiles::makeTone(m_dir.path(), "readonly", MediaFiles::taggableFormats().at(0), 0.5);
        QVERIFY(QFile::setPermissions(ro, QFile::ReadOwner));
        QVERIFY(!JXTagFileAccess::write(ro.toStdString(), sampleTags(m_cover), JXTagFileAccess::AllFields));
    }
}

void TestTagFile::refusedItemFailsTheWholeWrite()
{
    // A comment longer than the tag-file object takes is refused: the write
    // fails, through the tag page's road too, and nothing else of the record
    // reaches the file either.
    const QString path = MediaFiles::makeTone(m_dir.path(), "refused", MediaFiles::taggableFormats().at(0),
                                              0.5);
    QVERIFY(!path.isEmpty());
    const QByteArray before = TestSupport::readBytes(path);
    VEAudioTagInfo tooLong = sampleTags(m_cover);
    tooLong.comment.assign((1 << 20) + 1, 'x');
    QVERIFY(!JXTagFileAccess::write(path.toStdString(), tooLong, JXTagFileAccess::AllFields));
    JXInfoManager manager;
    QVERIFY(!manager.setAudioTag(tooLong, path));
    QCOMPARE(TestSupport::readBytes(path), before);

    // The same record with a comment of a sound length goes in whole.
    VEAudioTagInfo good = sampleTags(m_cover);
    QVERIFY(JXTagFileAccess::write(path.toStdString(), good, JXTagFileAccess::AllFields));
    VEAudioTagInfo back;
    QVERIFY(JXTagFileAccess::read(path.toStdString(), back));
    compareTexts(back, good);
    QCOMPARE(back.coverBytes(), good.coverBytes());
}

void TestTagFile::itemsOfARecord()
{
    VEAudioTagInfo onlyTitle;
    onlyTitle.title = "Café"; // four characters, one outside ASCII
    auto items = JXTagFileAccess::itemsFor(onlyTitle, JXTagFileAccess::AllFields);
    QCOMPARE(int(items.size()), 1);
    QCOMPARE(items[0].index, 0);
    QCOMPARE(items[0].length(), 16);

    // A cover whose length is 0 is not sent, whatever bytes it holds.
    VEAudioTagInfo cover;
    cover.cover_image = "bytes";
    cover.coverSize = 0;
    QVERIFY(JXTagFileAccess::itemsFor(cover, JXTagFileAccess::AllFields).empty());
    // Unless the file's cover is to go: then an item of no bytes goes.
    items = JXTagFileAccess::itemsFor(cover, JXTagFileAccess::AllFields, JXTagFileAccess::RemoveFileCover);
    QCOMPARE(int(items.size()), 1);
    QCOMPARE(items[0].index, int(RZ_TAG_COVER));
    QCOMPARE(items[0].length(), 0);
    // An empty text goes as an item of no characters only when named, and
    // only within the field set.
    VEAudioTagInfo emptied;
    emptied.artist = "Kept";
    const JXTagFileAccess::RemovedTexts named = (1u << RZ_TAG_TITLE) | (1u << RZ_TAG_DISC);
    items = JXTagFileAccess::itemsFor(emptied, JXTagFileAccess::AllFields, JXTagFileAccess::KeepFileCover, named);
    QCOMPARE(int(items.size()), 3);
    QCOMPARE(items[0].index, int(RZ_TAG_TITLE));
    QCOMPARE(items[0].length(), 0);
    QCOMPARE(items[1].index, int(RZ_TAG_ARTIST));
    QCOMPARE(items[2].index, int(RZ_TAG_DISC));
    QCOMPARE(items[2].length(), 0);
    items = JXTagFileAccess::itemsFor(emptied, JXTagFileAccess::BasicFields, JXTagFileAccess::KeepFileCover, named);
    QCOMPARE(int(items.size()), 2);
    // A length beyond the bytes held sends only the bytes held.
    cover.coverSize = 1 << 20;
    items = JXTagFileAccess::itemsFor(cover, JXTagFileAccess::AllFields);
    QCOMPARE(int(items.size()), 1);
    QCOMPARE(items[0].length(), 5);

    // The full set sends 12 texts and the cover, never the date or index 8;
    // the basic set stops after the cover.
    const VEAudioTagInfo all = sampleTags(m_cover);
    items = JXTagFileAccess::itemsFor(all, JXTagFileAccess::AllFields);
    QCOMPARE(int(items.size()), 13);
    QList<int> indexes;
    for (const auto &i : items)
        indexes << i.index;
    QCOMPARE(indexes, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13}));
    QCOMPARE(int(JXTagFileAccess::itemsFor(all, JXTagFileAccess::BasicFields).size()), 9);

    // Bytes that are not UTF-8 skip their item; the rest are still sent.
    VEAudioTagInfo broken;
    broken.title = "\xC3\x28";
    broken.artist = "fine";
    items = JXTagFileAccess::itemsFor(broken, JXTagFileAccess::AllFields);
    QCOMPARE(int(items.size()), 1);
    QCOMPARE(items[0].index, 1);
}

void TestTagFile::malformedItemsAreRefused()
{
    const QString path = MediaFiles::makeTone(m_dir.path(), "items", MediaFiles::taggableFormats().at(2), 0.5);
    void *t = rz_tagfile_create();
    const auto u32 = VEHelper::ConvertCharToUtft32(path.toUtf8().constData());
    QCOMPARE(rz_tagfile_open(t, reinterpret_cast<const uint32_t *>(u32->c_str())), 0);
    QCOMPARE(rz_tagfile_format(t), int(RZ_TAGFMT_FLAC));
    const char32_t text[] = U"ok";
    const char32_t surrogate[] = {0xD800, 0};
    QCOMPARE(rz_tagfile_set_item(t, RZTagItem{-1, 0, 0, 8, text}), 0); // before begin-edit
    QCOMPARE(rz_tagfile_begin_edit(t), 1);
    QCOMPARE(rz_tagfile_set_item(t, RZTagItem{-1, 8, 0, 8, text}), 0);  // index 8
    QCOMPARE(rz_tagfile_set_item(t, RZTagItem{-1, 14, 0, 8, text}), 0); // past 13
    QCOMPARE(rz_tagfile_set_item(t, RZTagItem{-1, 9, 0, 8, text}), 0);  // cover as text
    QCOMPARE(rz_tagfile_set_item(t, RZTagItem{-1, 0, 1, 8, text}), 0);  // text as bytes
    QCOMPARE(rz_tagfile_set_item(t, RZTagItem{-1, 0, 0, 7, text}), 0);  // part of a character
    QCOMPARE(rz_tagfile_set_item(t, RZTagItem{-1, 0, 0, 8, nullptr}), 0);
    QCOMPARE(rz_tagfile_set_item(t, RZTagItem{-1, 0, 0, 4, surrogate}), 0);
    QCOMPARE(rz_tagfile_set_item(t, RZTagItem{-1, 0, 0, 8, text}), 1);
    QCOMPARE(rz_tagfile_save(t), 1);
    QCOMPARE(rz_tagfile_item_count(t), 1);
    const RZTagItem back = rz_tagfile_get_item(t, 0);
    QCOMPARE(back.index, 0);
    QCOMPARE(back.length, 8);
    QCOMPARE(std::u32string(static_cast<const char32_t *>(back.data), 2), std::u32string(U"ok"));
    QCOMPARE(rz_tagfile_get_item(t, 5).index, -1);

    // A text item of no characters takes the field out; the others stay.
    QCOMPARE(rz_tagfile_begin_edit(t), 1);
    QCOMPARE(rz_tagfile_set_item(t, RZTagItem{-1, 1, 0, 8, text}), 1);
    QCOMPARE(rz_tagfile_save(t), 1);
    QCOMPARE(rz_tagfile_item_count(t), 2);
    QCOMPARE(rz_tagfile_begin_edit(t), 1);
    QCOMPARE(rz_tagfile_set_item(t, RZTagItem{-1, 0, 0, 0, nullptr}), 1);
    QCOMPARE(rz_tagfile_save(t), 1);
    QCOMPARE(rz_tagfile_item_count(t), 1);
    QCOMPARE(rz_tagfile_get_item(t, 0).index, 1);
    rz_tagfile_release(t);

    // Null and foreign handles.
    QVERIFY(rz_tagfile_open(nullptr, reinterpret_cast<const uint32_t *>(u32->c_str())) != 0);
    QCOMPARE(rz_tagfile_save(nullptr), 0);
    QCOMPARE(rz_tagfile_item_count(nullptr), 0);
    rz_tagfile_release(nullptr);
}

QTEST_MAIN(TestTagFile)
#include "tst_tagfile.moc"
