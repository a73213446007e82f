// A recording whose file cannot be written stops at once with one message
// that says why: a disk that fills up (what reached it is completed, kept,
// stored and listed), a folder removed while recording; the program records
// again afterwards. A start that cannot create its file says why after
// "Recording failed!" (a read-only disk, a folder that cannot be made).
// A library file that cannot be written is reported with its reason, and
// the next change writes it; at exit, the window waits for the library's
// file and says when its last changes could not be saved.

#include "appfixture.h"
#include "mediaprobe.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "app/mainwindow.h"
#include "common/qvideosettingxml.h"
#include "controls/selectrecordinputwgt.h"
#include "library/qaudiofilechunk.h"
#include "library/qfilelistwgt.h"
#include "recorder/qrecordobject.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxmessagebox.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QtEndian>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>

using AppFixture::ModalCloser;
using AppFixture::rowOf;
using TestSupport::historyEntries;
using TestSupport::Playback;
using TestSupport::SourceWitness;
using Moment = SourceWitness::Moment;

namespace {

// A small file system of its own, so that the test can fill it up.
class Tmpfs
{
public:
    Tmpfs(const QString &dir, const QString &size)
        : m_dir(dir)
    {
        QDir().mkpath(dir);
        m_mounted = QProcess::execute(QStringLiteral("mount"),
                                      {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", dir}) == 0;
    }
    ~Tmpfs()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {"-l", m_dir});
    }
    bool mounted() const { return m_mounted; }
    bool remountReadOnly() const
    {
        return QProcess::execute(QStringLiteral("mount"), {"-o", "remount,ro", m_dir}) == 0;
    }

private:
    QString m_dir;
    bool m_mounted = false;
};

// Where a WAV file's sound starts and how long its header says it is.
bool wavDataFields(const QString &path, qint64 &start, qint64 &length)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4096);
    const int at = head.indexOf("data");
    if (at < 12 || at + 8 > head.size())
        return false;
    length = qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(head.constData() + at + 4));
    start = at + 8;
    return true;
}

} // namespace

class TestDiskFaults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void fullDiskStopsAndKeepsWhatWasWritten();
    void removedFolderStopsTheRecording();
    void failedStartsSayWhy();
    void failedLibrarySaveSaysWhy();
    void failedSaveAtExitIsTold_data();
    void failedSaveAtExitIsTold();

private:
    void verifyIdle();
    // Starts recording once the witness hears the tone (a player on a busy
    // machine may start its sound late): the recording's file, or "" when it
    // did not start. `started` is the moment of the click.
    QString startWith(Playback &tone, SourceWitness &witness, Moment &started);
    // A recording of the tone into a folder that works: the program is usable.
    void recordsAgain(const QString &folder);
    QTemporaryDir m_dir;
    QString m_tone;
    std::unique_ptr<MainWindow> m_window;
};

void TestDiskFaults::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_tone = m_dir.filePath(QStringLiteral("tone.wav"));
    QVERIFY(TestSupport::writeToneWav(m_tone, 440, 12.0, 44100, 2, 0.5));
}

void TestDiskFaults::init()
{
    m_window = std::make_unique<MainWindow>();
    AppFixture::useWavFormat();
    m_window->resize(841, 498);
    m_window->show();
    QVERIFY(AppFixture::windowReady(*m_window));
}

void TestDiskFaults::cleanup()
{
    m_window.reset();
}

void TestDiskFaults::verifyIdle()
{
    MainWindow &w = *m_window;
    QVERIFY(!w.isRecording());
    QVERIFY(w.form()->m_btnStartRecord->isVisible());
    QVERIFY(!w.form()->m_btnStopRecord->isVisible());
    QVERIFY(!w.form()->m_btnCut->isEnabled());
    QVERIFY(!w.recordingsTable()->rows().current().recordingRow());
}

QString TestDiskFaults::startWith(Playback &tone, SourceWitness &witness, Moment &started)
{
    if (!tone.waitPlaying() || !witness.listening() || !MediaProbe::waitHeard(witness, 0.3))
        return QString();
    started = std::chrono::steady_clock::now();
    QTest::mouseClick(m_window->form()->m_btnStartRecord, Qt::LeftButton);
    return m_window->isRecording() ? m_window->recordObject()->outputPath() : QString();
}

void TestDiskFaults::recordsAgain(const QString &folder)
{
    MainWindow &w = *m_window;
    w.SetOutPath(folder + QLatin1Char('/'));
    Playback tone(m_tone);
    SourceWitness server(AppFixture::deviceMonitor());
    Moment started;
    const QString path = startWith(tone, server, started);
    QVERIFY2(!path.isEmpty(), "no recording started with the tone playing");
    QVERIFY(path.startsWith(folder));
    QTRY_VERIFY_WITH_TIMEOUT(w.recordObject()->recordedTime() >= 1500000, 30000);
    QTest::mouseClick(w.form()->m_btnStopRecord, Qt::LeftButton);
    const int serverBreaks = server.breaks(440, started, std::chrono::steady_clock::now());
    QVERIFY(AppFixture::recordingStored(w));
    const MediaProbe::Decoded again = MediaProbe::decode(path);
    QVERIFY2(again.seconds() >= 1.4, qPrintable(QString::number(again.seconds())));
    const QString holds = MediaProbe::holdsTheTone(again, serverBreaks);
    QVERIFY2(holds.isEmpty(), qPrintable(holds));
    QCOMPARE(historyEntries(path).size(), 1);
}

void TestDiskFaults::fullDiskStopsAndKeepsWhatWasWritten()
{
    MainWindow &w = *m_window;
    const QString root = m_dir.filePath(QStringLiteral("small-disk"));
    Tmpfs disk(root, QStringLiteral("2m"));
    if (!disk.mounted())
        QSKIP("mounting a tmpfs needs root");
    {
        // Room for about three and a half seconds of the recording.
        QFile filler(root + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        QCOMPARE(filler.write(QByteArray(2 * 1024 * 1024 - 600 * 1024, '\0')), qint64(2 * 1024 * 1024 - 600 * 1024));
    }
    const QString folder = root + QStringLiteral("/rec");
    w.SetOutPath(folder + QLatin1Char('/'));
    ModalCloser closer;
    QString path;
    int serverBreaks = 0;
    {
        Playback tone(m_tone);
        SourceWitness server(AppFixture::deviceMonitor());
        Moment started;
        path = startWith(tone, server, started);
        QVERIFY2(!path.isEmpty(), "no recording started with the tone playing");
        QTRY_COMPARE_WITH_TIMEOUT(closer.messages.size(), 1, 30000);
        serverBreaks = server.breaks(440, started, std::chrono::steady_clock::now());
    }
    QCOMPARE(closer.messages.first(),
             QStringLiteral("Recording stopped: the disk holding %1 is full. What was recorded so far is saved.")
                 .arg(folder));
    verifyIdle();
    // Kept, stored and listed like any finished recording.
    QAudioFileChunk *row = rowOf(w.recordingsTable(), path);
    QVERIFY(row);
    QCOMPARE(row->GetAudioState(), QAudioFileChunk::AudioNormal);
    QCOMPARE(historyEntries(path).size(), 1);
    // Completed: the header's length covers the sound on the disk, in whole frames.
    const qint64 size = QFileInfo(path).size();
    qint64 dataStart = 0, dataLength = 0;
    QVERIFY(wavDataFields(path, dataStart, dataLength));
    QCOMPARE(dataStart + dataLength, size);
    QCOMPARE(dataLength % 4, 0);
    const MediaProbe::Decoded kept = MediaProbe::decode(path);
    qInfo("full disk: %lld bytes, %.3f s decoded", size, kept.seconds());
    QVERIFY2(kept.seconds() >= 2.5, qPrintable(QString::number(kept.seconds())));
    const QString holds = MediaProbe::holdsTheTone(kept, serverBreaks);
    QVERIFY2(holds.isEmpty(), qPrintable(holds));

    recordsAgain(m_dir.filePath(QStringLiteral("after-full")));
    QCOMPARE(closer.messages.size(), 1);
}

void TestDiskFaults::removedFolderStopsTheRecording()
{
    MainWindow &w = *m_window;
    const QString folder = m_dir.filePath(QStringLiteral("doomed"));
    w.SetOutPath(folder + QLatin1Char('/'));
    ModalCloser closer;
    QString path;
    {
        Playback tone(m_tone);
        SourceWitness server(AppFixture::deviceMonitor());
        Moment started;
        path = startWith(tone, server, started);
        QVERIFY2(!path.isEmpty(), "no recording started with the tone playing");
        QTRY_VERIFY_WITH_TIMEOUT(w.recordObject()->recordedTime() >= 1000000, 30000);
        QVERIFY(QDir(folder).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(closer.messages.size(), 1, 30000);
    }
    QCOMPARE(closer.messages.first(),
             QStringLiteral("Recording stopped: the folder %1 was removed. Nothing of it could be kept.").arg(folder));
    verifyIdle();
    QVERIFY(!rowOf(w.recordingsTable(), path));
    QVERIFY(historyEntries(path).isEmpty());

    recordsAgain(folder);
    QCOMPARE(closer.messages.size(), 1);
}

void TestDiskFaults::failedStartsSayWhy()
{
    MainWindow &w = *m_window;
    const size_t rowsBefore = w.recordingsTable()->rows().all().size();
    {
        // A folder below a plain file can never be made.
        const QString blocker = m_dir.filePath(QStringLiteral("plain-file"));
        QFile(blocker).open(QIODevice::WriteOnly);
        w.SetOutPath(blocker + QStringLiteral("/recordings/"));
        ModalCloser closer;
        QTest::mouseClick(w.form()->m_btnStartRecord, Qt::LeftButton);
        QCOMPARE(closer.messages,
                 QStringList(QStringLiteral("Recording failed!\nThe file cannot be created: the folder %1 does not "
                                            "exist and cannot be made.")
                                 .arg(blocker + QStringLiteral("/recordings"))));
        verifyIdle();
    }
    const QString root = m_dir.filePath(QStringLiteral("read-only-disk"));
    Tmpfs disk(root, QStringLiteral("1m"));
    if (!disk.mounted())
        QSKIP("mounting a tmpfs needs root");
    QVERIFY(QDir().mkpath(root + QStringLiteral("/rec")));
    QVERIFY(disk.remountReadOnly());
    w.SetOutPath(root + QStringLiteral("/rec/"));
    ModalCloser closer;
    QTest::mouseClick(w.form()->m_btnStartRecord, Qt::LeftButton);
    QCOMPARE(closer.messages,
             QStringList(QStringLiteral("Recording failed!\nThe file cannot be created: the folder %1 is read-only.")
                             .arg(root + QStringLiteral("/rec"))));
    verifyIdle();
    QCOMPARE(w.recordingsTable()->rows().all().size(), rowsBefore);
}

QTEST_MAIN(TestDiskFaults)
void TestDiskFaults::failedLibrarySaveSaysWhy()
{
    const QString file = QVideoSettingXml::historyFilePath();
    QVERIFY(QVideoSettingXml::waitForHistory());
    convertedInfo kept;
    kept.convertedPath = m_dir.filePath(QStringLiteral("kept.mp3"));
    kept.title = QString(16384, QLatin1Char('t'));
    ModalCloser closer;
    {
        // The disk has no room for the grown library.
        TestSupport::FileSizeLimit limit(QFileInfo(file).size() + 4096);
        QVERIFY(limit.set());
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(kept));
        QVERIFY(!QVideoSettingXml::waitForHistory());
    }
    QTRY_COMPARE_WITH_TIMEOUT(closer.messages.size(), 1, 10000);
    QCOMPARE(closer.messages.first(),
             QStringLiteral("The recordings library could not be saved: %1 cannot be written (%2).\n"
                            "It is saved again with the next change.")
                 .arg(file, QString::fromLocal8Bit(std::strerror(EFBIG))));
    QVERIFY(historyEntries(kept.convertedPath).isEmpty());

    convertedInfo next = kept;
    next.convertedPath = m_dir.filePath(QStringLiteral("next.mp3"));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(next));
    QCOMPARE(historyEntries(kept.convertedPath).size(), 1);
    QCOMPARE(historyEntries(next.convertedPath).size(), 1);
    QCOMPARE(closer.messages.size(), 1);
}

void TestDiskFaults::failedSaveAtExitIsTold_data()
{
    QTest::addColumn<bool>("bySignal");
    QTest::newRow("closed by the user") << false;
    QTest::newRow("ended by a termination signal") << true;
}

void TestDiskFaults::failedSaveAtExitIsTold()
{
    QFETCH(bool, bySignal);
    const QString file = QVideoSettingXml::historyFilePath();
    QVERIFY(QVideoSettingXml::waitForHistory());
    convertedInfo last;
    last.convertedPath = m_dir.filePath(QStringLiteral("last-%1.mp3").arg(bySignal));
    last.title = QString(16384, QLatin1Char('t'));
    ModalCloser closer;
    {
        TestSupport::FileSizeLimit limit(QFileInfo(file).size() + 4096);
        QVERIFY(limit.set());
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(last));
        if (bySignal) {
            m_window->OnTerminationRequested();
            // The failed write's report waits in the queue for the loop below.
            QVERIFY(!QVideoSettingXml::waitForHistory());
            // The program's event loop ends on it, as in main.
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            QCoreApplication::exec();
        }
        QTest::ignoreMessage(QtCriticalMsg,
                             QRegularExpression(QStringLiteral("last changes are lost: .*History.xml")));
        QVERIFY(!m_window->waitForLibraryAtExit());
    }
    const QStringList told{
        QStringLiteral("The recordings library could not be saved: %1 cannot be written (%2).\n"
                       "Its latest changes are lost.")
            .arg(file, QString::fromLocal8Bit(std::strerror(EFBIG)))};
    QCOMPARE(closer.messages, bySignal ? QStringList() : told);
    QVERIFY(historyEntries(last.convertedPath).isEmpty());
    // With room again, the wait is over once the file holds the change.
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(last));
    QVERIFY(m_window->waitForLibraryAtExit());
    QCOMPARE(historyEntries(last.convertedPath).size(), 1);
}

#include "tst_diskfaults.moc"
