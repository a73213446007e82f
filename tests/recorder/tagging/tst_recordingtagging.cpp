// The tags recognised in a recording, given to its completed file on real
// files: written and read back through the codec layer, the file named after
// the title without leaving its folder, replacing or following anything, and
// a file that does not take them reported.

#include "mediafiles.h"
#include "testsupport.h"

#include "common/qfilenamerules.h"
#include "media/jxtagfileaccess.h"
#include "recorder/qrecognizedtags.h"
#include "recorder/qrecordingtagging.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
// The program's moves pass through these: once armed with a name, another
// file takes that name just before the first move onto it, as a second
// program saving a file there would.
std::string g_takenBeforeTheMove;

void takeIfArmed(const char *target)
{
    if (g_takenBeforeTheMove.empty() || g_takenBeforeTheMove != target)
        return;
    g_takenBeforeTheMove.clear();
    QFile other(QString::fromStdString(target));
    if (other.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        other.write("another program's file");
}
} // namespace

extern "C" int renameat2(int oldFd, const char *oldPath, int newFd, const char *newPath, unsigned int flags) noexcept
{
    takeIfArmed(newPath);
    return static_cast<int>(::syscall(SYS_renameat2, oldFd, oldPath, newFd, newPath, flags));
}

extern "C" int rename(const char *oldPath, const char *newPath) noexcept
{
    takeIfArmed(newPath);
    return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, oldPath, AT_FDCWD, newPath, 0));
}

extern "C" int link(const char *oldPath, const char *newPath) noexcept
{
    takeIfArmed(newPath);
    return static_cast<int>(::syscall(SYS_linkat, AT_FDCWD, oldPath, AT_FDCWD, newPath, 0));
}

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

VEAudioTagInfo readTags(const QString &path)
{
    VEAudioTagInfo tags;
    if (!JXTagFileAccess::read(path.toStdString(), tags))
        tags.title = "<unreadable>";
    return tags;
}

MediaFiles::Format formatOf(const QString &extension)
{
    for (const MediaFiles::Format &f : MediaFiles::taggableFormats())
        if (f.extension == extension)
            return f;
    return {};
}
} // namespace

class TestRecordingTagging : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void titlesBecomeSafeNames_data();
    void titlesBecomeSafeNames();
    void nextSongsCountAndOwnNamesStay();
    void linksAreNeitherReplacedNorFollowed();
    void aNameTakenJustBeforeTheMoveIsNotReplaced();
    void tagsNamingNothingChangeNothing();
    void aFileThatRefusesTheTagsIsReportedAndStillNamed();

private:
    QString recording(const QString &name, const QString &extension = "mp3");
    QTemporaryDir m_dir;
    QString m_out;
    QString m_tone; // one encoding per format, copied for each recording
};

void TestRecordingTagging::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestRecordingTagging::init()
{
    m_out = m_dir.filePath(QString("out-%1").arg(QTest::currentTestFunction()));
    if (QTest::currentDataTag())
        m_out += QString("-%1").arg(QString(QTest::currentDataTag()).replace(' ', '_'));
    QVERIFY(QDir().mkpath(m_out));
}

QString TestRecordingTagging::recording(const QString &name, const QString &extension)
{
    const QString source = m_dir.filePath("tone." + extension);
    if (!QFile::exists(source) && MediaFiles::makeTone(m_dir.path(), "tone", formatOf(extension), 1.0).isEmpty())
        return QString();
    const QString path = m_out + "/" + name + "." + extension;
    return QFile::copy(source, path) ? path : QString();
}

void TestRecordingTagging::titlesBecomeSafeNames_data()
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

void TestRecordingTagging::titlesBecomeSafeNames()
{
    QFETCH(QByteArray, title);
    QFETCH(QString, fileName);
    const QString path = recording("REC_title");
    QVERIFY(!path.isEmpty());
    const QRecordingTagging::Result r = QRecordingTagging::apply(path, recognised(title));
    const QString expected = m_out + "/" + fileName;
    QCOMPARE(r.path, expected);
    QVERIFY(!r.tagsNotWritten);
    QCOMPARE(r.title, QString::fromUtf8(title));
    QCOMPARE(r.artist, QString("The Band"));
    QCOMPARE(r.album, QString("First Album"));
    QCOMPARE(r.genre, QString("Rock"));
    // Nothing left the folder, and nothing else was made in it.
    QCOMPARE(QDir(m_out).entryList(QDir::Files | QDir::Hidden), QStringList({fileName}));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).filter(QRegularExpression("^(?!tone\\.)")), QStringList());
    // The tags are in the file, whatever its name became.
    const VEAudioTagInfo read = readTags(expected);
    QCOMPARE(QString::fromStdString(read.title), QString::fromUtf8(title));
    QCOMPARE(read.artist, std::string("The Band"));
    QCOMPARE(read.album, std::string("First Album"));
    QCOMPARE(read.genre, std::string("Rock"));
}

void TestRecordingTagging::nextSongsCountAndOwnNamesStay()
{
    int n = 0;
    for (const char *expected : {"Song.mp3", "Song(1).mp3", "Song(2).mp3"}) {
        const QString path = recording(QString("REC_%1").arg(++n));
        QVERIFY(!path.isEmpty());
        QCOMPARE(QRecordingTagging::apply(path, recognised("Song")).path, m_out + "/" + expected);
        QCOMPARE(readTags(m_out + "/" + expected).title, std::string("Song"));
        QVERIFY(!QFile::exists(path));
    }
    // The title is the file's own name: it stays, and takes the tags.
    const QString own = recording("Own Song");
    QCOMPARE(QRecordingTagging::apply(own, recognised("Own Song")).path, own);
    QCOMPARE(readTags(own).artist, std::string("The Band"));
    // The same name in other letters is another name here: a real rename.
    const QString cased = recording("REC_case");
    const QRecordingTagging::Result r = QRecordingTagging::apply(cased, recognised("rec_CASE"));
    QCOMPARE(r.path, m_out + "/rec_CASE.mp3");
    QVERIFY(QFileInfo(r.path).isFile());
    QVERIFY(!QFile::exists(cased));
    QCOMPARE(readTags(r.path).title, std::string("rec_CASE"));
}

void TestRecordingTagging::linksAreNeitherReplacedNorFollowed()
{
    // The name is a link to a file outside that does not exist (yet).
    const QString outside = m_dir.filePath("outside");
    QVERIFY(QDir().mkpath(outside));
    QVERIFY(QFile::link(outside + "/victim.mp3", m_out + "/Song.mp3"));
    const QString path = recording("REC_link");
    QVERIFY(!path.isEmpty());
    const QRecordingTagging::Result r = QRecordingTagging::apply(path, recognised("Song"));
    QCOMPARE(r.path, m_out + "/Song(1).mp3");
    QVERIFY(QFileInfo(r.path).isFile());
    QVERIFY(!QFileInfo(r.path).isSymLink());
    QCOMPARE(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(QFileInfo(m_out + "/Song.mp3").symLinkTarget(), outside + "/victim.mp3");
    QVERIFY(QFileNameRules::isTaken(m_out + "/Song.mp3"));
    // Moving onto anything that is there, a link leading nowhere included, fails.
    QVERIFY(!QFileNameRules::moveWithoutReplacing(r.path, m_out + "/Song.mp3"));
    QVERIFY(QFileInfo(r.path).isFile());
    QCOMPARE(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestRecordingTagging::aNameTakenJustBeforeTheMoveIsNotReplaced()
{
    const QString path = recording("REC_race");
    QVERIFY(!path.isEmpty());
    const QString target = m_out + "/Song.mp3";
    g_takenBeforeTheMove = QFile::encodeName(target).toStdString();
    const QRecordingTagging::Result r = QRecordingTagging::apply(path, recognised("Song"));
    const bool armedStill = !g_takenBeforeTheMove.empty();
    g_takenBeforeTheMove.clear();
    QVERIFY2(!armedStill, "the file was never moved onto its new name");
    // Neither file is lost: the recording keeps its own name and its record says so.
    QCOMPARE(TestSupport::readBytes(target), QByteArray("another program's file"));
    QCOMPARE(r.path, path);
    QCOMPARE(r.title, QStringLiteral("REC_race"));
    QVERIFY(QFileInfo(path).isFile());
    QCOMPARE(readTags(path).title, std::string("Song"));
}

void TestRecordingTagging::tagsNamingNothingChangeNothing()
{
    const QString path = recording("REC_untitled");
    QVERIFY(!path.isEmpty());
    const QByteArray before = TestSupport::readBytes(path);
    JXRecognizerAudioTagInfo genreOnly;
    genreOnly.genre = "Pop";
    JXRecognizerAudioTagInfo yearAndGenre = recognised("", "");
    yearAndGenre.album.clear();
    for (const JXRecognizerAudioTagInfo &tags : {yearAndGenre, genreOnly}) {
        const QRecordingTagging::Result r = QRecordingTagging::apply(path, tags);
        QCOMPARE(r.path, path);
        QVERIFY(r.title.isEmpty() && r.artist.isEmpty() && !r.tagsNotWritten);
    }
    QCOMPARE(TestSupport::readBytes(path), before);
    // Only tags naming something are kept for the recording, the last of them.
    QRecognizedTags kept;
    QVERIFY(!kept.get());
    kept.put(genreOnly);
    QVERIFY(!kept.get());
    kept.put(recognised("First"));
    kept.put(yearAndGenre);
    kept.put(recognised("", "Only An Artist"));
    QVERIFY(kept.get());
    QCOMPARE(kept.get()->artist, QByteArray("Only An Artist"));
    // An artist without a title is written, and names nothing.
    const QRecordingTagging::Result artistOnly = QRecordingTagging::apply(path, *kept.get());
    QCOMPARE(artistOnly.path, path);
    QCOMPARE(artistOnly.artist, QString("Only An Artist"));
    QCOMPARE(readTags(path).artist, std::string("Only An Artist"));

    // A file of a format without tags is left alone.
    const QString text = m_out + "/REC_text.txt";
    QVERIFY(TestSupport::writeBytes(text, "x"));
    const QRecordingTagging::Result r = QRecordingTagging::apply(text, recognised("Ignored"));
    QCOMPARE(r.path, text);
    QVERIFY(r.title.isEmpty() && !r.tagsNotWritten);
    QCOMPARE(TestSupport::readBytes(text), QByteArray("x"));
}

void TestRecordingTagging::aFileThatRefusesTheTagsIsReportedAndStillNamed()
{
    // A file the tag writer cannot open: it keeps its recognised name, and
    // the caller learns that its tags are missing.
    const QString whole = recording("whole", "m4a");
    QVERIFY(!whole.isEmpty());
    const QString broken = m_out + "/REC_broken.m4a";
    QVERIFY(MediaFiles::truncateCopy(whole, broken, 64));
    const QRecordingTagging::Result r = QRecordingTagging::apply(broken, recognised("Lost Tags"));
    QVERIFY(r.tagsNotWritten);
    QCOMPARE(r.path, m_out + "/Lost Tags.m4a");
    QVERIFY(QFile::exists(r.path));
    QCOMPARE(r.title, QString("Lost Tags"));
    // A whole file of that format takes them.
    const QRecordingTagging::Result good = QRecordingTagging::apply(whole, recognised("Kept Tags"));
    QVERIFY(!good.tagsNotWritten);
    QCOMPARE(good.path, m_out + "/Kept Tags.m4a");
    QCOMPARE(readTags(good.path).album, std::string("First Album"));
}

QTEST_MAIN(TestRecordingTagging)
#include "tst_recordingtagging.moc"
