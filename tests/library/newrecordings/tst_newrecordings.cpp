// A recording's road through the table with real files: its running row,
// recognised titles that rename it (safely) at the stop, tags written into
// the file, and the deletion rules for short and silent recordings.

#include "libraryfixture.h"
#include "mediafiles.h"

#include "common/qconverteroperate.h"
#include "common/qvideosettingxml.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofiledelegate.h"
#include "library/qlibrarychunk.h"
#include "library/qfilenamerules.h"
#include "library/qlibraryquestions.h"
#include "media/jxinfoclass.h"
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

QString metadata(const QString &path, const char *key)
{
    JXInfoClass info;
    info.Create_Info();
    if (!info.Open_Info(path.toUtf8().constData()))
        return "<unreadable>";
    return QString::fromStdString(info.GetMetaData_Info(key).value_or(std::string()));
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
    void recognisedTitlesBecomeSafeNames_data();
    void recognisedTitlesBecomeSafeNames();
    void secondAndThirdSongCount();
    void recordingStillBeingWrittenTakesTags();
    void tagsThatCannotBeWrittenAreTold();
    void refusedCharactersAndFreeNames();
    void namesFollowTheFileSystem();

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
    lib.table.AddAudioFile(path, true);
    lib.table.OnSetRecordingIsSilent(true);
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
    QAudioFileChunk *row = lib.table.recordingRow();
    QVERIFY(row);
    QCOMPARE(row->GetAudioState(), QAudioFileChunk::AudioRecording);
    QVERIFY(row->getFixedItem());
    QVERIFY(!row->getEnable());
    QVERIFY(row->isNewAdd());
    QCOMPARE(QString::fromStdString(row->GetTitle()), QString("REC_20240205101500"));
    QVERIFY(lib.table.delegate()->isRecording());
    QCOMPARE(lib.shownNames().first(), QString("REC_20240205101500"));

    QSignalSpy appended(&lib.table, &QFileListWgt::emitAppendPlayFiles);
    lib.panel.OnSetPlayingList(lib.panel.entryAt(1));
    lib.table.OnSetPlayingLibChunk(lib.panel.entryAt(1)); // nothing playable: stays unplayed
    lib.table.SupplyRecordingChunkInfo(finishedRecord(path), true);
    QVERIFY(!lib.table.recordingRow());
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
    lib.table.SupplyRecordingChunkInfo(finishedRecord(path), false);
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
        lib.table.OnSetRecordingIsSilent(false);
    lib.table.SupplyRecordingChunkInfo(finishedRecord(path, time), keepFlag);
    QCOMPARE(QFile::exists(path), kept);
    QCOMPARE(int(lib.table.allRows().size()), kept ? 1 : 0);
    QCOMPARE(lib.shownNames().size(), kept ? 1 : 0);
    QVERIFY(!lib.table.recordingRow());
    QCOMPARE(historyPaths().contains(path), kept);
    // The output folder outlives its last file.
    QVERIFY(QFileInfo(m_out).isDir());
    if (kept && time.isEmpty())
        QCOMPARE(QString::fromStdString(lib.table.allRows().front() ? dynamic_cast<QAudioFileChunk *>(
                                                                          lib.table.allRows().front())->getPlayTime()
                                                                    : std::string()),
                 QString("00:00:02"));
}

void TestNewRecordings::recognisedTitlesBecomeSafeNames_data()
{
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("plain") << QByteArray("Song") << "Song.mp3";
    QTest::newRow("slash") << QByteArray("AC/DC Live") << "ACDC Live.mp3";
    QTest::newRow("climbing out") << QByteArray("../../escape") << "escape.mp3";
    QTest::newRow("control characters") << QByteArray("Bell\x07 and\ttab\nline") << "Bell andtabline.mp3";
    QTest::newRow("leading dot") << QByteArray(".hidden") << "hidden.mp3";
    QTest::newRow("only refused") << QByteArray("../..") << "REC_title.mp3";
    QTest::newRow("refused marks") << QByteArray("What? <Now>: \"Yes\" | *") << "What Now Yes.mp3";
    // Nothing in a name may draw nothing or turn the text around.
    QTest::newRow("direction override") << QByteArray("Track\u202Egnp.mp3") << "Trackgnp.mp3.mp3";
    QTest::newRow("zero-width marks") << QByteArray("\uFEFFZero\u200BWidth\u200D") << "ZeroWidth.mp3";
    QTest::newRow("line and paragraph separators") << QByteArray("One\u2028Two\u2029Three")
                                                   << "OneTwoThree.mp3";
    QTest::newRow("format character beyond the first plane")
        << QByteArray("Tagged\U000E0001\U000E0041") << "Tagged.mp3";
}

void TestNewRecordings::recognisedTitlesBecomeSafeNames()
{
    QFETCH(QByteArray, title);
    QFETCH(QString, fileName);
    Library lib;
    const QString path = startRecording(lib, "REC_title");
    QVERIFY(!path.isEmpty());
    lib.table.OnSetRecordingTagInfo(recognised(title));
    QAudioFileChunk *row = lib.table.recordingRow();
    QCOMPARE(QString::fromStdString(row->GetTitle()), QString::fromUtf8(title));
    QCOMPARE(QString::fromStdString(row->GetArtist()), QString("The Band"));
    lib.table.SupplyRecordingChunkInfo(finishedRecord(path), true);

    const QString expected = m_out + "/" + fileName;
    QCOMPARE(QString::fromStdString(row->GetFilePath()), expected);
    QVERIFY(QFile::exists(expected));
    // Nothing left the folder, and nothing else was made in it.
    QCOMPARE(QDir(m_out).entryList(QDir::Files | QDir::Hidden), QStringList({fileName}));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList());
    // One record, moved to the new path, carrying the recognised tags.
    QCOMPARE(historyPaths(), QStringList({expected}));
    if (expected != path) {
        QCOMPARE(historyInfo(expected).attribute("Artist_"), QString("The Band"));
        QCOMPARE(historyInfo(expected).attribute("Album_"), QString("First Album"));
        QCOMPARE(metadata(expected, "title"), QString::fromUtf8(title));
        QCOMPARE(metadata(expected, "artist"), QString("The Band"));
        QCOMPARE(metadata(expected, "date").left(4), QString("1999"));
    }
}

void TestNewRecordings::secondAndThirdSongCount()
{
    Library lib;
    for (const char *expected : {"Song.mp3", "Song(1).mp3", "Song(2).mp3"}) {
        const QString path = startRecording(lib, "REC_next");
        QVERIFY(!path.isEmpty());
        lib.table.OnSetRecordingTagInfo(recognised("Song"));
        lib.table.SupplyRecordingChunkInfo(finishedRecord(path), true);
        QVERIFY2(QFile::exists(m_out + "/" + expected), expected);
        QCOMPARE(historyInfo(m_out + "/" + expected).attribute("Title_"), QString("Song"));
    }
    QCOMPARE(historyPaths().size(), 3);
    // Same minute, newest first: by file name, descending.
    QCOMPARE(lib.shownNames(), QStringList({"Song", "Song(2)", "Song(1)"}));

    // Tags without title, artist and album change nothing.
    const QString path = startRecording(lib, "REC_untitled");
    lib.table.OnSetRecordingTagInfo(recognised("", ""));
    JXRecognizerAudioTagInfo empty;
    empty.genre = "Pop";
    lib.table.OnSetRecordingTagInfo(empty);
    QCOMPARE(QString::fromStdString(lib.table.recordingRow()->GetFileName()), QString("REC_untitled.mp3"));
    lib.table.SupplyRecordingChunkInfo(finishedRecord(path), true);
    QVERIFY(QFile::exists(path));
    QCOMPARE(lib.shownNames().count("REC_untitled"), 1);
}

// Names are compared as the file system does (letter case counts here), and
// a name taken by a link, even one leading nowhere, is taken.
void TestNewRecordings::namesFollowTheFileSystem()
{
    Library lib;
    // A title that is the file's own name in other letters: a real rename.
    const QString path = startRecording(lib, "REC_case");
    QVERIFY(!path.isEmpty());
    lib.table.OnSetRecordingTagInfo(recognised("rec_CASE"));
    QAudioFileChunk *row = lib.table.recordingRow();
    lib.table.SupplyRecordingChunkInfo(finishedRecord(path), true);
    const QString renamed = m_out + "/rec_CASE.mp3";
    QCOMPARE(QString::fromStdString(row->GetFilePath()), renamed);
    QVERIFY(QFileInfo(renamed).isFile());
    QCOMPARE(QDir(m_out).entryList(QDir::Files), QStringList({"rec_CASE.mp3"}));
    QCOMPARE(historyPaths(), QStringList({renamed}));
    QCOMPARE(metadata(renamed, "title"), QString("rec_CASE"));

    // The name is a link to a file outside that does not exist (yet).
    const QString outside = m_dir.filePath("outside-" + QString::number(QCoreApplication::applicationPid()));
    QVERIFY(QDir().mkpath(outside));
    QVERIFY(QFile::link(outside + "/victim.mp3", m_out + "/Song.mp3"));
    const QString second = startRecording(lib, "REC_link");
    QVERIFY(!second.isEmpty());
    lib.table.OnSetRecordingTagInfo(recognised("Song"));
    QAudioFileChunk *linkRow = lib.table.recordingRow();
    lib.table.SupplyRecordingChunkInfo(finishedRecord(second), true);
    QCOMPARE(QString::fromStdString(linkRow->GetFilePath()), m_out + "/Song(1).mp3");
    QVERIFY(QFileInfo(m_out + "/Song(1).mp3").isFile());
    QVERIFY(!QFileInfo(m_out + "/Song(1).mp3").isSymLink());
    QCOMPARE(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(QFileInfo(m_out + "/Song.mp3").symLinkTarget(), outside + "/victim.mp3");
    QVERIFY(QFileNameRules::isTaken(m_out + "/Song.mp3"));
    QCOMPARE(QFileNameRules::firstFreePath(m_out + "/", "Song", "mp3"), m_out + "/Song(2).mp3");
    // Moving onto anything that is there, a link leading nowhere included, fails.
    QVERIFY(!QFileNameRules::moveWithoutReplacing(m_out + "/Song(1).mp3", m_out + "/Song.mp3"));
    QVERIFY(QFileInfo(m_out + "/Song(1).mp3").isFile());
    QCOMPARE(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QDir(outside).removeRecursively();
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
    QCOMPARE(lib.table.GetAudioFormat(path), int(RZ_TAGFMT_MP4));
    QCOMPARE(lib.table.GetAudioFormat(m_out + "/missing.m4a"), 0);
    lib.table.AddAudioFile(path, true);
    lib.table.OnSetRecordingTagInfo(recognised("Night Drive"));
    QCOMPARE(QString::fromStdString(lib.table.recordingRow()->GetFileName()), QString("Night Drive.m4a"));
    // The recorder finishes the file.
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::copy(whole, path));
    lib.table.SupplyRecordingChunkInfo(finishedRecord(path), true);
    const QString named = m_out + "/Night Drive.m4a";
    QVERIFY(QFile::exists(named));
    QCOMPARE(metadata(named, "title"), QString("Night Drive"));
    VEAudioTagInfo read;
    QVERIFY(lib.table.GetAudioTagInfo(named, read));
    QCOMPARE(QString::fromStdString(read.album), QString("First Album"));
    QVERIFY(!lib.table.GetAudioTagInfo(m_out + "/missing.m4a", read));

    // A file of a format without tags refuses the recognised title.
    QFile text(m_out + "/REC_text.txt");
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("x");
    text.close();
    QCOMPARE(lib.table.GetAudioFormat(text.fileName()), -1);
    lib.table.AddAudioFile(text.fileName(), true);
    lib.table.OnSetRecordingTagInfo(recognised("Ignored"));
    QCOMPARE(QString::fromStdString(lib.table.recordingRow()->GetTitle()), QString("REC_text"));
}

void TestNewRecordings::tagsThatCannotBeWrittenAreTold()
{
    // The recorder left a file the tag writer cannot open: the recording
    // keeps its recognised name, and the user hears that its tags are missing.
    const QString whole = tone(m_dir.path(), "whole-untagged", "m4a", 2.0);
    QVERIFY(!whole.isEmpty());
    const QString path = m_out + "/REC_broken.m4a";
    QVERIFY(MediaFiles::truncateCopy(whole, path, 64));
    QStringList told;
    QLibraryQuestions::setAnswerer([&told](const QString &text) {
        told << text;
        return 0;
    });
    {
        Library lib;
        lib.table.AddAudioFile(path, true);
        lib.table.OnSetRecordingTagInfo(recognised("Lost Tags"));
        lib.table.SupplyRecordingChunkInfo(finishedRecord(path), true);
        const QString named = m_out + "/Lost Tags.m4a";
        QVERIFY(QFile::exists(named));
        QCOMPARE(historyPaths(), QStringList({named}));
        QVERIFY(told.isEmpty()); // not from inside the stop
        QTRY_COMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QDir::toNativeSeparators(named)), qPrintable(told.first()));
        QVERIFY(told.first().contains("could not be written"));
    }
    QLibraryQuestions::setAnswerer(nullptr);

    // A file that takes the tags brings no message.
    told.clear();
    QLibraryQuestions::setAnswerer([&told](const QString &text) {
        told << text;
        return 0;
    });
    {
        Library lib;
        const QString good = startRecording(lib, "REC_good", "mp3");
        QVERIFY(!good.isEmpty());
        lib.table.OnSetRecordingTagInfo(recognised("Kept Tags"));
        lib.table.SupplyRecordingChunkInfo(finishedRecord(good), true);
        QCOMPARE(metadata(m_out + "/Kept Tags.mp3", "title"), QString("Kept Tags"));
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

QTEST_MAIN(TestNewRecordings)
#include "tst_newrecordings.moc"
