// A recording's road through the table with real files: its running row,
// the name recognised tags plan for it, the completed row taking the place
// and tags the recording object gave the file, a file that did not take its
// tags told, and the deletion rules for short and silent recordings.

#include "libraryfixture.h"
#include "mediafiles.h"

#include "common/qconverteroperate.h"
#include "common/qfilenamerules.h"
#include "common/qvideosettingxml.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofiledelegate.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryloader.h"
#include "library/qlibraryquestions.h"
#include "library/qlibraryplayback.h"
#include "library/qrecordingrows.h"
#include "media/jxtagfileaccess.h"

#include "rzcodec/tagfile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace LibraryFixture;

namespace {
JXRecognizerAudioTagInfo recognised(const QByteArray &title, const QByteArray &artist = "The Band")
{
    JXRecognizerAudioTagInfo tags;
    tags.title = title;
    tags.artist = artist;
    tags.album = "First Album";
    tags.genre = "Rock";
    tags.year = "1999";
    return tags;
}

void setRules(const QString &byDuration, const QString &threshold, const QString &bySilence)
{
    const QString group = "Delete_Recorded_File";
    QVideoSettingXml::SetItemValue(group, "Delete_According_To_Duration", byDuration);
    QVideoSettingXml::SetItemValue(group, "Duration_Less_Than", threshold);
    QVideoSettingXml::SetItemValue(group, "Delete_According_To_Silence", bySilence);
}
} // namespace

class TestNewRecordings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void runningRowAndCompletion();
    void deletionRules_data();
    void deletionRules();
    void recognisedTitlesPlanTheName();
    void completedRowTakesTheFileAsTagged();
    void recordingStillBeingWrittenTakesTags();
    void tagsThatCannotBeWrittenAreTold();
    void refusedCharactersAndFreeNames();
    void aFileAddedWhileTheHistoryIsReadIsListedOnce();

private:
    // A recording made and then completed as the main window does it.
    QString startRecording(Library &lib, const QString &name, const QString &extension = "mp3",
                           double seconds = 2.0);
    convertedInfo finishedRecord(const QString &path, const QString &time = "00:00:02");
    QTemporaryDir m_dir;
    QString m_out;
};

void TestNewRecordings::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestNewRecordings::init()
{
    QVideoSettingXml::waitForHistory();
    QFile::remove(QVideoSettingXml::historyFilePath());
    m_out = m_dir.filePath(QString("out-%1").arg(QTest::currentTestFunction()));
    if (QTest::currentDataTag())
        m_out += QString("-%1").arg(QString(QTest::currentDataTag()).replace(' ', '_'));
    QVERIFY(QDir().mkpath(m_out));
    QConverterOperate::setConverterPath(m_out + "/");
    setRules("N", "0", "");
}

void TestNewRecordings::cleanup()
{
    QDir(m_out).removeRecursively();
}

QString TestNewRecordings::startRecording(Library &lib, const QString &name, const QString &extension,
                                          double seconds)
{
    const QString path = tone(m_out, name, extension, seconds);
    if (path.isEmpty())
        return path;
    lib.table.recordings()->AddAudioFile(path, true);
    lib.table.recordings()->OnSetRecordingIsSilent(true);
    return path;
}

convertedInfo TestNewRecordings::finishedRecord(const QString &path, const QString &time)
{
    convertedInfo info = record(path, "05-02-2024 10:15", true);
    info.time = time;
    info.size = "30.00 KB";
    QVideoSettingXml::SaveConvertedInfo(info); // the recording object does this at stop
    return info;
}

void TestNewRecordings::runningRowAndCompletion()
{
    Library lib;
    const QString path = startRecording(lib, "REC_20240205101500");
    QVERIFY(!path.isEmpty());
    QAudioFileChunk *row = lib.table.rows().current().recordingRow();
    QVERIFY(row);
    QCOMPARE(row->GetAudioState(), QAudioFileChunk::AudioRecording);
    QVERIFY(row->getFixedItem());
    QVERIFY(!row->getEnable());
    QVERIFY(row->isNewAdd());
    QCOMPARE(QString::fromStdString(row->GetTitle()), QString("REC_20240205101500"));
    QVERIFY(lib.table.delegate()->isRecording());
    QCOMPARE(lib.shownNames().first(), QString("REC_20240205101500"));

    QSignalSpy appended(lib.table.recordings(), &QRecordingRows::emitAppendPlayFiles);
    lib.panel.OnSetPlayingList(lib.panel.entryAt(1)->itemId());
    lib.table.playback()->OnSetPlayingLibChunk(
        lib.panel.entryAt(1)->itemId()); // nothing playable: stays unplayed
    lib.table.recordings()->SupplyRecordingChunkInfo(finishedRecord(path), true);
    QVERIFY(!lib.table.rows().current().recordingRow());
    QVERIFY(!lib.table.delegate()->isRecording());
    QCOMPARE(row->GetAudioState(), QAudioFileChunk::AudioNormal);
    QVERIFY(!row->getFixedItem());
    QVERIFY(row->getEnable());
    QCOMPARE(QString::fromStdString(row->getPlayTime()), QString("00:00:02"));
    QCOMPARE(QString::fromStdString(row->GetCreateTime()), QString("05-02-2024 10:15"));
    QVERIFY(QFile::exists(path));
    QCOMPARE(historyPaths(), QStringList({path}));
    QVERIFY(lib.show("Latest Recordings"));
    QCOMPARE(lib.shownNames(), QStringList({"REC_20240205101500"}));

    // A stop without a running row (a failed start) changes nothing.
    lib.table.recordings()->SupplyRecordingChunkInfo(finishedRecord(path), false);
    QVERIFY(QFile::exists(path));
}

void TestNewRecordings::deletionRules_data()
{
    QTest::addColumn<QString>("byDuration");
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<QString>("bySilence");
    QTest::addColumn<QString>("time");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("keepFlag");
    QTest::addColumn<bool>("kept");
    QTest::newRow("at the threshold") << "Y" << "1" << "" << "00:00:01" << false << true << false;
    QTest::newRow("above it") << "Y" << "1" << "" << "00:00:02" << false << true << true;
    QTest::newRow("threshold 0") << "Y" << "0" << "" << "00:00:01" << false << true << true;
    QTest::newRow("threshold -5") << "Y" << "-5" << "" << "00:00:01" << false << true << true;
    QTest::newRow("threshold abc") << "Y" << "abc" << "" << "00:00:01" << false << true << true;
    QTest::newRow("flag y") << "y" << "10" << "" << "00:00:01" << false << true << true;
    QTest::newRow("flag Yes") << "Yes" << "10" << "" << "00:00:01" << false << true << true;
    QTest::newRow("silent throughout") << "N" << "0" << "Y" << "05:00:00" << true << true << false;
    QTest::newRow("sound arrived") << "N" << "0" << "Y" << "00:00:01" << false << true << true;
    QTest::newRow("silence rule off") << "N" << "0" << "y" << "00:00:01" << true << true << true;
    QTest::newRow("not kept") << "N" << "0" << "" << "00:00:09" << false << false << false;
    // Past a day the hours go on counting; such a recording is long, not empty.
    QTest::newRow("past a day") << "Y" << "60" << "" << "25:00:00" << false << true << true;
    // No duration text: the file's own length decides, and nothing is
    // deleted for the text alone.
    QTest::newRow("empty time, rules off") << "N" << "0" << "" << "" << false << true << true;
    QTest::newRow("empty time, short file") << "Y" << "10" << "" << "" << false << true << false;
    QTest::newRow("empty time, long enough") << "Y" << "1" << "" << "" << false << true << true;
}

void TestNewRecordings::deletionRules()
{
    QFETCH(QString, byDuration);
    QFETCH(QString, threshold);
    QFETCH(QString, bySilence);
    QFETCH(QString, time);
    QFETCH(bool, silent);
    QFETCH(bool, keepFlag);
    QFETCH(bool, kept);
    setRules(byDuration, threshold, bySilence);
    Library lib;
    const QString path = startRecording(lib, "REC_rule", "mp3", 2.0);
    QVERIFY(!path.isEmpty());
    if (!silent)
        lib.table.recordings()->OnSetRecordingIsSilent(false);
    lib.table.recordings()->SupplyRecordingChunkInfo(finishedRecord(path, time), keepFlag);
    QCOMPARE(QFile::exists(path), kept);
    QCOMPARE(int(lib.table.rows().all().size()), kept ? 1 : 0);
    QCOMPARE(lib.shownNames().size(), kept ? 1 : 0);
    QVERIFY(!lib.table.rows().current().recordingRow());
    QCOMPARE(historyPaths().contains(path), kept);
    // The output folder outlives its last file.
    QVERIFY(QFileInfo(m_out).isDir());
    if (kept && time.isEmpty())
        QCOMPARE(QString::fromStdString(
                     lib.table.rows().all().front()
                         ? dynamic_cast<QAudioFileChunk *>(lib.table.rows().all().front())->getPlayTime()
                         : std::string()),
                 QString("00:00:02"));
}

void TestNewRecordings::recognisedTitlesPlanTheName()
{
    Library lib;
    const QString path = startRecording(lib, "REC_title");
    QVERIFY(!path.isEmpty());
    lib.table.recordings()->OnSetRecordingTagInfo(recognised("AC/DC Live"));
    QAudioFileChunk *row = lib.table.rows().current().recordingRow();
    QCOMPARE(QString::fromStdString(row->GetTitle()), QString("AC/DC Live"));
    QCOMPARE(QString::fromStdString(row->GetArtist()), QString("The Band"));
    // Only planned: the file keeps its name until the recording object names it.
    QCOMPARE(QString::fromStdString(row->GetFileName()), QString("ACDC Live.mp3"));
    QCOMPARE(lib.shownNames().first(), QString("ACDC Live"));
    QVERIFY(QFile::exists(path));
    QCOMPARE(QDir(m_out).entryList(QDir::Files), QStringList({"REC_title.mp3"}));

    // Tags without title, artist and album change nothing.
    const QString untitled = startRecording(lib, "REC_untitled");
    lib.table.recordings()->OnSetRecordingTagInfo(recognised("", ""));
    JXRecognizerAudioTagInfo empty;
    empty.genre = "Pop";
    lib.table.recordings()->OnSetRecordingTagInfo(empty);
    QCOMPARE(QString::fromStdString(lib.table.rows().current().recordingRow()->GetFileName()),
             QString("REC_untitled.mp3"));
    lib.table.recordings()->SupplyRecordingChunkInfo(finishedRecord(untitled), true);
    QVERIFY(QFile::exists(untitled));
    QCOMPARE(lib.shownNames().count("REC_untitled"), 1);
}

void TestNewRecordings::completedRowTakesTheFileAsTagged()
{
    // The planned name was taken meanwhile: the recording object gave the
    // file the next free one, and the row follows the record, not its plan.
    Library lib;
    QVERIFY(!tone(m_out, "Song", "mp3", 1.0).isEmpty());
    const QString path = startRecording(lib, "REC_next");
    QVERIFY(!path.isEmpty());
    lib.table.recordings()->OnSetRecordingTagInfo(recognised("Song"));
    QAudioFileChunk *row = lib.table.rows().current().recordingRow();
    QCOMPARE(QString::fromStdString(row->GetFilePath()), m_out + "/Song.mp3");
    const QString named = m_out + "/Song(1).mp3";
    QVERIFY(QFile::rename(path, named));
    convertedInfo info = finishedRecord(named);
    info.title = "Song";
    info.artist = "Other Band";
    info.album = "Second Album";
    info.genre = "Jazz";
    QVideoSettingXml::SaveConvertedInfo(info);
    lib.table.recordings()->SupplyRecordingChunkInfo(info, true, 12345);
    QVERIFY(!lib.table.rows().current().recordingRow());
    QCOMPARE(QString::fromStdString(row->GetFilePath()), named);
    QCOMPARE(QString::fromStdString(row->GetFileName()), QString("Song(1).mp3"));
    QCOMPARE(QString::fromStdString(row->GetTitle()), QString("Song"));
    QCOMPARE(QString::fromStdString(row->GetArtist()), QString("Other Band"));
    QCOMPARE(QString::fromStdString(row->GetAlbum()), QString("Second Album"));
    QCOMPARE(QString::fromStdString(row->GetGenre()), QString("Jazz"));
    // The size the recording object measured; the table does not look again.
    QCOMPARE(row->GetFileBytes(), qint64(12345));
    // The table stores no record of its own, and touches no file.
    QCOMPARE(historyPaths(), QStringList({named}));
    QCOMPARE(historyInfo(named).attribute("Artist_"), QString("Other Band"));
    QCOMPARE(QDir(m_out).entryList(QDir::Files), QStringList({"Song(1).mp3", "Song.mp3"}));
    QCOMPARE(lib.shownNames().count("Song(1)"), 1);
}

void TestNewRecordings::recordingStillBeingWrittenTakesTags()
{
    // An M4A file while the recorder writes it has no index yet, so the
    // tag-file object cannot open it; its format still takes tags.
    const QString whole = tone(m_dir.path(), "whole", "m4a", 2.0);
    QVERIFY(!whole.isEmpty());
    const QString path = m_out + "/REC_m4a.m4a";
    QVERIFY(MediaFiles::truncateCopy(whole, path, 64));
    QCOMPARE(JXTagFileAccess::formatCode(path.toStdString()), int(RZ_TAGFMT_MP4));
    Library lib;
    lib.table.recordings()->AddAudioFile(path, true);
    lib.table.recordings()->OnSetRecordingTagInfo(recognised("Night Drive"));
    QCOMPARE(QString::fromStdString(lib.table.rows().current().recordingRow()->GetFileName()),
             QString("Night Drive.m4a"));
    lib.table.recordings()->SupplyRecordingChunkInfo(finishedRecord(path), true);

    // A file of a format without tags refuses the recognised title.
    QFile text(m_out + "/REC_text.txt");
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("x");
    text.close();
    QCOMPARE(JXTagFileAccess::formatCode(text.fileName().toStdString()), -1);
    lib.table.recordings()->AddAudioFile(text.fileName(), true);
    lib.table.recordings()->OnSetRecordingTagInfo(recognised("Ignored"));
    QCOMPARE(QString::fromStdString(lib.table.rows().current().recordingRow()->GetTitle()),
             QString("REC_text"));
}

void TestNewRecordings::tagsThatCannotBeWrittenAreTold()
{
    // The recording object kept a file that did not take its recognised
    // tags: the user hears so once the stop is done, for a kept row only.
    QStringList told;
    QLibraryQuestions::setAnswerer([&told](const QString &text) {
        told << text;
        return 0;
    });
    {
        Library lib;
        const QString path = startRecording(lib, "Lost Tags", "m4a");
        QVERIFY(!path.isEmpty());
        lib.table.recordings()->OnSetRecordingTagInfo(recognised("Lost Tags"));
        lib.table.recordings()->SupplyRecordingChunkInfo(finishedRecord(path), true);
        lib.table.recordings()->OnRecordingTagsNotWritten(path);
        QVERIFY(told.isEmpty()); // not from inside the stop
        QTRY_COMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QDir::toNativeSeparators(path)), qPrintable(told.first()));
        QVERIFY(told.first().contains("could not be written"));
        QVERIFY(QFile::exists(path));

        // A recording a deletion rule took, or a file no row shows, lacks nothing.
        told.clear();
        setRules("Y", "60", "");
        const QString shortOne = startRecording(lib, "REC_short", "m4a");
        lib.table.recordings()->SupplyRecordingChunkInfo(finishedRecord(shortOne), true);
        QVERIFY(!QFile::exists(shortOne));
        lib.table.recordings()->OnRecordingTagsNotWritten(shortOne);
        lib.table.recordings()->OnRecordingTagsNotWritten(m_out + "/elsewhere.m4a");
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY(told.isEmpty());
    }
    QLibraryQuestions::setAnswerer(nullptr);
}

void TestNewRecordings::refusedCharactersAndFreeNames()
{
    for (const char *bad : {"a?b", "a/b", "a:b", "a\\b", "a*b", "a\"b", "a<b", "a>b", "a|b"})
        QVERIFY2(QFileNameRules::hasRefusedCharacter(bad), bad);
    QVERIFY(!QFileNameRules::hasRefusedCharacter("a.b (live) - 2"));
    QCOMPARE(QFileNameRules::cleanedName(" ..\x01.a/b "), QString("ab"));
    QCOMPARE(QFileNameRules::cleanedName("..."), QString());
    QFile(m_out + "/song.mp3").open(QIODevice::WriteOnly);
    QFile(m_out + "/song(1).mp3").open(QIODevice::WriteOnly);
    QCOMPARE(QFileNameRules::firstFreePath(m_out + "/", "song", "mp3"), m_out + "/song(2).mp3");
    QCOMPARE(QFileNameRules::firstFreePath(m_out + "/", "other", "mp3"), m_out + "/other.mp3");
}

void TestNewRecordings::aFileAddedWhileTheHistoryIsReadIsListedOnce()
{
    // A file's record reached History.xml before the history was read, and
    // the file is added to the table while it is read: the row made at once
    // keeps its place, and the history's row of the file does not join.
    const QString kept = tone(m_out, "kept", "mp3", 1.0);
    const QString added = tone(m_out, "added", "mp3", 1.0);
    QVERIFY(!kept.isEmpty() && !added.isEmpty());
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(kept, "01-01-2024 10:00")));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(added, "02-01-2024 10:00")));
    QVideoSettingXml::waitForHistory();
    Library lib(Library::ReturnAtOnce);
    QVERIFY(!lib.table.loader()->historyLoaded());
    lib.table.recordings()->AddAudioFile(added, false);
    QAudioFileChunk *early = lib.table.rows().masterOf(added.toStdString());
    QVERIFY(early);
    QTRY_VERIFY(lib.table.loader()->historyLoaded());
    QCOMPARE(lib.table.rows().all().size(), size_t(2));
    QCOMPARE(lib.table.rows().masterOf(added.toStdString()), early);
    QCOMPARE(lib.table.rows().mastersAt(added.toStdString()).size(), size_t(1));
    QStringList shown = lib.shownNames();
    shown.sort();
    QCOMPARE(shown, QStringList({"added", "kept"}));
    QVideoSettingXml::waitForHistory();
    QCOMPARE(historyPaths().count(added), 1);
}

QTEST_MAIN(TestNewRecordings)
#include "tst_newrecordings.moc"
