// An interrupted recording keeps its mark until its record is in
// History.xml: with a data folder that takes no more the repaired recording
// is listed but its mark stays, and the next start brings it into the file
// once.

#include "common/historydocument.h"
#include "common/qianyutil.h"
#include "common/qrecordingmarker.h"
#include "common/qvideosettingxml.h"
#include "library/qrecordingrecovery.h"
#include "library/qrecordingrecoveryjob.h"
#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

QStringList pathsOnDisk()
{
    HistoryDocument doc;
    doc.parse(TestSupport::readBytes(QVideoSettingXml::historyFilePath()));
    QStringList paths;
    for (const HistoryDocument::Entry &entry : doc.entries())
        paths << entry.attribute(QStringLiteral("Converted_path_"));
    return paths;
}

convertedInfo record(const QString &path)
{
    convertedInfo info;
    info.convertedPath = path;
    info.title = QStringLiteral("Take");
    info.extend = QStringLiteral("wav");
    info.format = QStringLiteral("WAV");
    return info;
}

} // namespace

class TestRecoveryMarks : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void marksStayUntilTheRecordIsWritten();

private:
    QTemporaryDir m_dir;
};

void TestRecoveryMarks::marksStayUntilTheRecordIsWritten()
{
    QVERIFY(QVideoSettingXml::waitForHistory());
    QDir(QIAnyUtil::getAppDataPath()).removeRecursively();
    QVERIFY(QDir().mkpath(QIAnyUtil::getAppDataPath()));
    QList<convertedInfo> earlier;
    for (int n = 0; n < 40; ++n)
        earlier << record(m_dir.filePath(QStringLiteral("earlier-%1.wav").arg(n)));
    QVERIFY(QVideoSettingXml::appendConvertedInfos(earlier));
    QVERIFY(QVideoSettingXml::waitForHistory());

    const QString path = m_dir.filePath(QStringLiteral("interrupted.wav"));
    QVERIFY(TestSupport::writeToneWav(path, 440, 1.0, 44100, 2, 0.5));
    // Marked by a copy of the program that is gone.
    QCOMPARE(QProcess::execute(QCoreApplication::applicationFilePath(), {QStringLiteral("--mark"), path}), 0);
    QCOMPARE(QRecordingMarker::pending().size(), 1);
    {
        // The disk takes no larger history.
        TestSupport::FileSizeLimit full(QFileInfo(QVideoSettingXml::historyFilePath()).size() + 64);
        QVERIFY(full.set());
        QRecordingRecoveryJob job;
        QSignalSpy recovered(&job, &QRecordingRecoveryJob::recovered);
        QCOMPARE(job.start(QRecordingMarker::pending()).size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(recovered.count(), 1, 30000);
        // Listed: it is the history in memory.
        const auto records = recovered.first().first().value<QList<convertedInfo>>();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().convertedPath, path);
        QVERIFY(!QVideoSettingXml::waitForHistory());
        // Told after the job was: the job has heard how the write ended.
        bool told = false;
        QObject probe;
        QVideoSettingXml::whenHistoryWritten(&probe, [&told](bool written, const QString &) {
            QVERIFY(!written);
            told = true;
        });
        QTRY_VERIFY(told);
    }
    QVERIFY(!pathsOnDisk().contains(path));
    QCOMPARE(QRecordingMarker::pending().size(), 1);

    // The next start, with room again.
    QProcess next;
    next.setProcessChannelMode(QProcess::ForwardedChannels);
    next.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--next-start"), path});
    QVERIFY(next.waitForFinished(60000));
    QCOMPARE(next.exitStatus(), QProcess::NormalExit);
    QCOMPARE(next.exitCode(), 0);
    QVERIFY(QRecordingMarker::pending().isEmpty());
    QCOMPARE(pathsOnDisk().count(path), 1);
    // This copy's change, kept in memory, goes with its next one: once.
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(m_dir.filePath(QStringLiteral("later.wav")))));
    QVERIFY(QVideoSettingXml::waitForHistory());
    QCOMPARE(pathsOnDisk().count(path), 1);
    QCOMPARE(pathsOnDisk().size(), earlier.size() + 2);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--mark") == 0)
        return QRecordingMarker::write(record(QString::fromLocal8Bit(argv[2])), QStringLiteral("wav")) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "--next-start") == 0)
        return QRecordingRecovery::recoverAll() == QStringList{QString::fromLocal8Bit(argv[2])} ? 0 : 1;
    TestRecoveryMarks test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recoverymarks.moc"
