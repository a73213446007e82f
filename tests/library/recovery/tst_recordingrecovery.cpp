// Recordings killed mid-way in every format are repaired at the next start,
// recorded in the history once, and a second start changes nothing. A
// recording that another running program is still making is left alone. A
// recording renamed after its recognised title and cut off before its record
// was stored is found under its new name.

#include "crashchildren.h"
#include "mediaprobe.h"

#include "common/qianyutil.h"
#include "common/qrecordingmarker.h"
#include "common/qvideosettingxml.h"
#include "library/qrecordingprobe.h"
#include "library/qrecordingrecovery.h"
#include "recorder/qrecordingtagging.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The file's digest once the history's saves so far are written.
QByteArray digest(const QString &path)
{
    QVideoSettingXml::waitForHistory();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Md5);
    h.addData(&f);
    return h.result();
}

QByteArray head(const QString &path, int bytes)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(bytes) : QByteArray();
}

quint32 be32(const QByteArray &b, int at)
{
    return quint32(uchar(b[at])) << 24 | quint32(uchar(b[at + 1])) << 16
           | quint32(uchar(b[at + 2])) << 8 | uchar(b[at + 3]);
}

// Seconds the header itself claims, for the formats whose header was left
// at zero by the kill: MP3's Xing/Info frame count, FLAC's STREAMINFO count.
double headerSeconds(const QString &path, const QString &codec)
{
    const QByteArray h = head(path, 8192);
    if (codec == "mp3") {
        int at = h.indexOf("Xing");
        if (at < 0)
            at = h.indexOf("Info");
        if (at < 0 || !(be32(h, at + 4) & 1))
            return -1;
        return be32(h, at + 8) * 1152.0 / 44100.0;
    }
    if (codec == "flac") {
        const quint64 samples = quint64(uchar(h[21]) & 0x0F) << 32 | be32(h, 22);
        return samples / 44100.0;
    }
    return -1;
}

int historyEntries(const QString &path)
{
    int n = 0;
    for (const convertedInfo &info : QVideoSettingXml::analysisConvertedInfo())
        n += info.convertedPath == path;
    return n;
}

} // namespace

class TestRecordingRecovery : public QObject
{
    Q_OBJECT

private slots:
    void killedRecordingsAreRepairedAndListedOnce();
    void fileThatCannotBeRepairedIsLeftAlone();
    void recordingOfALiveProgramIsNoLeftover();
    void recordingRenamedBeforeACrashIsListedUnderItsNewName();

private:
    QTemporaryDir m_dir;
};

void TestRecordingRecovery::killedRecordingsAreRepairedAndListedOnce()
{
    const auto formats = recordFormats();
    QString error;
    const QStringList paths = recordAndKill(m_dir.path(), formats, 5, true, &error);
    QVERIFY2(!paths.isEmpty(), qPrintable(error));
    QCOMPARE(QRecordingMarker::pending().size(), formats.size());
    QVector<double> heldBefore;
    for (const QString &path : paths)
        heldBefore << MediaProbe::decode(path).seconds();
    // The kill left the headers saying nothing (what the repair is for).
    QVERIFY(headerSeconds(paths[0], "mp3") < 1.0);
    QVERIFY(headerSeconds(paths[5], "flac") < 1.0);

    QStringList recovered = QRecordingRecovery::recoverAll();
    recovered.sort();
    QStringList expected = paths;
    expected.sort();
    QCOMPARE(recovered, expected);
    QVERIFY(QRecordingMarker::pending().isEmpty());
    for (int i = 0; i < formats.size(); ++i) {
        const RecordFormat &f = formats[i];
        const QString &path = paths[i];
        const MediaProbe::Decoded d = MediaProbe::decode(path);
        const double ffprobeSeconds = MediaProbe::formatEntry(path, "duration").toDouble();
        const double ourSeconds = QRecordingProbe::probe(path).microseconds / 1e6;
        qInfo("%s: holds %.2f s (before the repair %.2f s); ffprobe %.2f s, media information %.2f s",
              qPrintable(f.name), d.seconds(), heldBefore[i], ffprobeSeconds, ourSeconds);
        const QByteArray what = (f.name + " " + path).toUtf8();
        QVERIFY2(d.seconds() >= 4.0 && d.seconds() >= heldBefore[i] - 0.05, what);
        QVERIFY2(MediaProbe::toneShare(d.mono, 440) > 0.8, what);
        QVERIFY2(qAbs(ffprobeSeconds - d.seconds()) <= 1.0, what);
        QVERIFY2(qAbs(ourSeconds - d.seconds()) <= 1.0, what);
        if (f.codecName == "mp3" || f.codecName == "flac")
            QVERIFY2(qAbs(headerSeconds(path, f.codecName) - d.seconds()) <= 0.1, what);
        if (f.extension == "m4a")
            QVERIFY2(!head(path, 1 << 20).contains("moof"), what);
        QVERIFY2(!QFile::exists(path.left(path.lastIndexOf('.')) + ".repair." + f.extension), what);

        const auto info = QVideoSettingXml::GetConvertedInfo(path);
        QVERIFY2(info && info->newFile && info->extend == f.extension, what);
        QCOMPARE(info->time, QRecordingProbe::durationText(QRecordingProbe::probe(path).microseconds));
        QVERIFY2(info->time != "00:00:00", what);
    }

    // A second start: no file, no history entry, no mark changes.
    const QString history = QIAnyUtil::getAppDataPath() + "/History.xml";
    QVector<QByteArray> files;
    for (const QString &path : paths)
        files << digest(path);
    const QByteArray historyBefore = digest(history);
    QVERIFY(QRecordingRecovery::recoverAll().isEmpty());
    QCOMPARE(digest(history), historyBefore);
    for (int i = 0; i < paths.size(); ++i)
        QCOMPARE(digest(paths[i]), files[i]);
    for (const QString &path : paths)
        QCOMPARE(historyEntries(path), 1);
}

void TestRecordingRecovery::fileThatCannotBeRepairedIsLeftAlone()
{
    const QString path = m_dir.filePath("broken.m4a");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray junk(64 * 1024, '\0');
        for (int i = 0; i < junk.size(); ++i)
            junk[i] = char((i * 7919) >> 3);
        f.write(junk);
    }
    convertedInfo info;
    info.convertedPath = path;
    info.extend = "m4a";
    QVERIFY(QRecordingMarker::write(info, "mp4"));
    const QByteArray before = digest(path);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(".*broken\\.m4a.*cannot be repaired.*"));
    QVERIFY(!QRecordingRecovery::recoverAll().contains(path));
    QCOMPARE(digest(path), before);
    QVERIFY(!QVideoSettingXml::GetConvertedInfo(path));
    // It keeps its mark, to be tried again, and is named at every start.
    QCOMPARE(QRecordingMarker::pending().size(), 1);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(".*broken\\.m4a.*cannot be repaired.*"));
    QVERIFY(QRecordingRecovery::recoverAll().isEmpty());
    QCOMPARE(digest(path), before);
}

void TestRecordingRecovery::recordingOfALiveProgramIsNoLeftover()
{
    const RecordFormat f = recordFormats().first();
    const QString path = m_dir.filePath("live." + f.extension);
    QProcess child;
    child.start(QCoreApplication::applicationDirPath() + "/recorder_crashchild",
                {path, f.muxer, QString::number(f.codecId), QString::number(f.sampleRate),
                 QString::number(f.channels), QString::number(f.kbps), "mark"});
    QByteArray said;
    QVERIFY(QTest::qWaitFor([&] {
        child.waitForReadyRead(50);
        said += child.readAllStandardOutput();
        const int line = said.lastIndexOf("recorded ");
        const int end = line < 0 ? -1 : said.indexOf('\n', line);
        return end > line && said.mid(line + 9, end - line - 9).toULongLong() >= 1000000;
    }, 15000));
    // Another program starts while this one records: nothing of it is touched.
    auto pendingPaths = [] {
        QStringList paths;
        for (const QRecordingMarker::Entry &e : QRecordingMarker::pending())
            paths << e.info.convertedPath;
        return paths;
    };
    QVERIFY(!pendingPaths().contains(path));
    // (The mark of the file the last case could not repair is still there.)
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*broken\\.m4a.*cannot be repaired.*"));
    QVERIFY(!QRecordingRecovery::recoverAll().contains(path));
    QVERIFY(!QVideoSettingXml::GetConvertedInfo(path));
    const qint64 sizeBefore = QFileInfo(path).size();
    QTRY_VERIFY(QFileInfo(path).size() > sizeBefore);   // still written into, not replaced

    // Once its program is gone, it is a leftover like any other.
    child.kill();
    QVERIFY(child.waitForFinished(5000));
    QVERIFY(pendingPaths().contains(path));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*broken\\.m4a.*cannot be repaired.*"));
    QVERIFY(QRecordingRecovery::recoverAll().contains(path));
    QVERIFY(QVideoSettingXml::GetConvertedInfo(path));
    QVERIFY(!pendingPaths().contains(path));
}

void TestRecordingRecovery::recordingRenamedBeforeACrashIsListedUnderItsNewName()
{
    // Only this case's mark is wanted.
    QVERIFY(QRecordingMarker::remove(m_dir.filePath("broken.m4a")));
    QVERIFY(QRecordingMarker::pending().isEmpty());
    const QString path = m_dir.filePath("REC_renamed.wav");
    QVERIFY(TestSupport::writeToneWav(path, 440, 2.0, 44100, 2, 0.5));
    convertedInfo info;
    info.convertedPath = path;
    info.extend = "wav";
    info.format = "WAV";
    QVERIFY(QRecordingMarker::write(info, "wav"));
    JXRecognizerAudioTagInfo tags;
    tags.title = "Renamed Song";
    tags.artist = "Crash";
    // The finish names the file; the process ends before anything else.
    const QString named = m_dir.filePath("Renamed Song.wav");
    QCOMPARE(QRecordingTagging::apply(path, tags).path, named);
    QVERIFY(!QFile::exists(path));

    QCOMPARE(QRecordingRecovery::recoverAll(), QStringList{named});
    QVERIFY(QVideoSettingXml::GetConvertedInfo(named));
    QCOMPARE(historyEntries(named), 1);
    QCOMPARE(historyEntries(path), 0);
    QVERIFY(QRecordingMarker::pending().isEmpty());
}

QTEST_GUILESS_MAIN(TestRecordingRecovery)
#include "tst_recordingrecovery.moc"
