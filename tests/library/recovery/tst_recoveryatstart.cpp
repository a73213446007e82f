// The library starts without waiting for the repair of interrupted
// recordings: the table is there at once without them, they join it when
// whole, once, with a notice, and a record already stored for one of them
// offers no row until then.

#include "crashchildren.h"
#include "libraryfixture.h"

#include "common/qrecordingmarker.h"
#include "common/qvideosettingxml.h"
#include "library/qaudiofilechunk.h"
#include "library/qlibraryquestions.h"
#include "library/qrecordingprobe.h"
#include "library/qlibraryloader.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

using namespace LibraryFixture;

class TestRecoveryAtStart : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void killedRecordingJoinsTheTableWhenRepaired();
    void storedRecordOfAMarkedRecordingWaitsForItsRepair();

private:
    QString killedM4a(const QString &dir);

    QTemporaryDir m_dir;
    QString m_out;
    QStringList m_told;
};

void TestRecoveryAtStart::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QLibraryQuestions::setAnswerer([this](const QString &text) {
        m_told << text;
        return 0;
    });
}

void TestRecoveryAtStart::init()
{
    m_out = freshLibrary(m_dir.filePath("out"));
    m_told.clear();
}

QString TestRecoveryAtStart::killedM4a(const QString &dir)
{
    QString error;
    const QStringList paths = recordAndKill(dir, {formatNamed("aac-m4a")}, 3, true, &error);
    if (paths.size() != 1) {
        qWarning("%s", qPrintable(error));
        return QString();
    }
    return paths.first();
}

void TestRecoveryAtStart::killedRecordingJoinsTheTableWhenRepaired()
{
    const QString kept = tone(m_out, "kept", "mp3", 1.0);
    QVERIFY(!kept.isEmpty());
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(kept)));
    const QString killed = killedM4a(m_out);
    QVERIFY(!killed.isEmpty());
    QCOMPARE(QRecordingMarker::pending().size(), 1);
    const QString killedName = QFileInfo(killed).completeBaseName();

    Library lib(Library::ReturnAtOnce);
    QSignalSpy joined(lib.table.loader(), &QLibraryLoader::emitRecoveredRecordings);
    // The history's rows join apart from the repair: until the repaired
    // recording joins, only the whole recording shows.
    QStringList shownAtLoad;
    bool repairedAtLoad = true;
    connect(lib.table.loader(), &QLibraryLoader::emitHistoryLoaded, this, [&] {
        shownAtLoad = lib.shownNames();
        repairedAtLoad = !m_told.isEmpty();
    });
    QTRY_VERIFY(lib.table.loader()->historyLoaded());
    if (!repairedAtLoad)
        QCOMPARE(shownAtLoad, QStringList{"kept"});

    QTRY_COMPARE_WITH_TIMEOUT(joined.size(), 1, 20000);
    QCOMPARE(joined.first().at(0).toStringList(), QStringList{killed});
    QStringList shown = lib.shownNames();
    shown.sort();
    QCOMPARE(shown, (QStringList{"kept", killedName}));
    QAudioFileChunk *row = lib.shownRow(killedName);
    QVERIFY(row);
    QCOMPARE(QString::fromStdString(row->getPlayTime()),
             QRecordingProbe::durationText(QRecordingProbe::probe(killed).microseconds));
    QVERIFY(QString::fromStdString(row->getPlayTime()) != "00:00:00");
    QVERIFY(row->isNewAdd());
    // Recorded once, its mark gone once the history file holds it, and the
    // user told which file came back.
    QCOMPARE(historyPaths().count(killed), 1);
    QTRY_VERIFY(QRecordingMarker::pending().isEmpty());
    QCOMPARE(m_told.size(), 1);
    QVERIFY2(m_told.first().contains(QFileInfo(killed).fileName()), qPrintable(m_told.first()));

    // A second start finds nothing to repair and says nothing.
    Library again;
    QSignalSpy joinedAgain(again.table.loader(), &QLibraryLoader::emitRecoveredRecordings);
    shown = again.shownNames();
    shown.sort();
    QCOMPARE(shown, (QStringList{"kept", killedName}));
    // A repair it started by mistake would answer from a worker, late: wait
    // until every worker is done, then take in what they sent.
    QVERIFY(QThreadPool::globalInstance()->waitForDone(60000));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(joinedAgain.size(), 0);
    QCOMPARE(m_told.size(), 1);
}

void TestRecoveryAtStart::storedRecordOfAMarkedRecordingWaitsForItsRepair()
{
    const QString killed = killedM4a(m_out);
    QVERIFY(!killed.isEmpty());
    // A crash after the record was stored but before the mark went away.
    convertedInfo stored = record(killed, "02-02-2024 10:00", true);
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(stored));
    const QString killedName = QFileInfo(killed).completeBaseName();

    Library lib(Library::ReturnAtOnce);
    QSignalSpy joined(lib.table.loader(), &QLibraryLoader::emitRecoveredRecordings);
    // The history's rows leave it out until it is whole, and the history
    // keeps its record meanwhile.
    QStringList shownAtLoad;
    bool repairedAtLoad = true;
    int recordsAtLoad = 0;
    connect(lib.table.loader(), &QLibraryLoader::emitHistoryLoaded, this, [&] {
        shownAtLoad = lib.shownNames();
        repairedAtLoad = !m_told.isEmpty();
        recordsAtLoad = historyPaths().count(killed);
    });
    QTRY_VERIFY(lib.table.loader()->historyLoaded());
    QCOMPARE(recordsAtLoad, 1);
    if (!repairedAtLoad)
        QVERIFY(shownAtLoad.isEmpty());

    QTRY_COMPARE_WITH_TIMEOUT(joined.size(), 1, 20000);
    QCOMPARE(lib.shownNames(), QStringList{killedName});
    QCOMPARE(historyPaths().count(killed), 1);
    QTRY_VERIFY(QRecordingMarker::pending().isEmpty());
}

QTEST_MAIN(TestRecoveryAtStart)
#include "tst_recoveryatstart.moc"
