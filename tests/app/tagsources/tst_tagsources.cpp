// Track recognition names the running recording after a song heard in the
// system sound; what the microphone track recognises never renames it, so
// a recording of the microphone alone keeps its own name. The tags go into
// the file on the recording's finish worker while its row waits, and a file
// that does not take them is told.

#include "appfixture.h"
#include "recordingsetup.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "app/mainwindow.h"
#include "controls/qplaycontrolwgt.h"
#include "controls/selectrecordinputwgt.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qfilelistwgt.h"
#include "library/qlibraryquestions.h"
#include "library/qlibrarydeletion.h"
#include "library/qlibraryplayback.h"
#include "media/jxtagfileaccess.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordingfinisher.h"
#include "recorder/qrecordobject.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QDomElement>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <thread>

class TestTagSources : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void onlySystemSoundNamesTheRecording();
    void tagsAreWrittenOffTheWindowWhileTheRowWaits();
    void tagsThatCannotBeWrittenAreTold();

private:
    // A shown window recording into its own folder, with the song's tags recognised.
    std::unique_ptr<MainWindow> recordingWindow(const QString &folder, const QByteArray &title);
    QTemporaryDir m_dir;
};

void TestTagSources::initTestCase()
{
    QVERIFY(m_dir.isValid());
    AppFixture::useWavFormat();
}

void TestTagSources::onlySystemSoundNamesTheRecording()
{
    TestSupport::useSources(true, true);
    auto window = std::make_unique<MainWindow>();
    MainWindow &w = *window;
    w.SetOutPath(m_dir.filePath(QStringLiteral("out")));
    w.resize(841, 498);
    w.show();
    QVERIFY(AppFixture::windowReady(w));
    QTest::mouseClick(w.form()->m_btnStartRecord, Qt::LeftButton);
    QVERIFY(w.isRecording());
    QTRY_VERIFY(w.recordObject()->recordedTime() > 200000);
    QAudioFileChunk *row = w.recordingsTable()->rows().current().recordingRow();
    QVERIFY(row);
    const std::string ownTitle = row->GetTitle();
    const std::string ownPath = row->GetFilePath();

    JXRecognizerAudioTagInfo voice;
    voice.title = "Spoken";
    voice.artist = "Someone";
    emit w.recordObject()->m_track2->emitRecognizedAudioTagInfo(voice);
    QCoreApplication::processEvents();
    QCOMPARE(row->GetTitle(), ownTitle);
    QCOMPARE(row->GetFilePath(), ownPath);
    QVERIFY(row->GetArtist().empty());

    JXRecognizerAudioTagInfo song;
    song.title = "Song";
    song.artist = "Band";
    emit w.recordObject()->m_track1->emitRecognizedAudioTagInfo(song);
    QTRY_COMPARE(row->GetArtist(), std::string("Band"));
    QCOMPARE(row->GetTitle(), std::string("Song"));

    QTest::mouseClick(w.form()->m_btnStopRecord, Qt::LeftButton);
    QTRY_VERIFY(!w.isRecording());
}

std::unique_ptr<MainWindow> TestTagSources::recordingWindow(const QString &folder, const QByteArray &title)
{
    TestSupport::useSources(true, false);
    auto window = std::make_unique<MainWindow>();
    window->SetOutPath(folder);
    window->resize(841, 498);
    window->show();
    if (!AppFixture::windowReady(*window))
        return nullptr;
    QTest::mouseClick(window->form()->m_btnStartRecord, Qt::LeftButton);
    if (!window->isRecording()
        || !QTest::qWaitFor([&] { return window->recordObject()->recordedTime() > 300000; }, 10000))
        return nullptr;
    JXRecognizerAudioTagInfo song;
    song.title = title;
    song.artist = "Band";
    song.album = "Album";
    emit window->recordObject()->m_track1->emitRecognizedAudioTagInfo(song);
    QAudioFileChunk *row = window->recordingsTable()->rows().current().recordingRow();
    if (!row || !QTest::qWaitFor([&] { return row->GetTitle() == title.toStdString(); }, 5000))
        return nullptr;
    return window;
}

void TestTagSources::tagsAreWrittenOffTheWindowWhileTheRowWaits()
{
    const QString folder = m_dir.filePath(QStringLiteral("held"));
    QStringList asked;
    QLibraryQuestions::setAnswerer([&asked](const QString &text) {
        asked << text;
        return 2;
    });
    std::unique_ptr<MainWindow> window = recordingWindow(folder, "Held Song");
    QVERIFY(window);
    MainWindow &w = *window;
    QFileListWgt *table = w.recordingsTable();
    QAudioFileChunk *row = table->rows().current().recordingRow();
    const QString recorded = w.recordObject()->outputPath();
    const QString named = folder + QStringLiteral("/Held Song.") + QFileInfo(recorded).suffix();
    QCOMPARE(QString::fromStdString(row->GetFilePath()), named); // planned
    {
        TestSupport::HeldTagWrite held;
        QTest::mouseClick(w.form()->m_btnStopRecord, Qt::LeftButton);
        QVERIFY(!w.isRecording());
        QTRY_VERIFY_WITH_TIMEOUT(held.entered(), 10000);
        // The window's thread goes on while the worker is about to write.
        QVERIFY(held.writer() != std::this_thread::get_id());
        QCOMPARE(held.path(), recorded);
        // The row waits as the running row: it can be neither deleted nor played.
        QCOMPARE(table->rows().current().recordingRow(), row);
        QCOMPARE(row->GetAudioState(), QAudioFileChunk::AudioRecording);
        const QModelIndex index = AppFixture::viewIndexOf(table, named);
        QVERIFY(index.isValid());
        table->deletion()->OnDeleteItem(table->sortModel()->index(index.row(), 7));
        QVERIFY(asked.isEmpty());
        table->playback()->OnPlayItem(index);
        QCoreApplication::processEvents();
        QVERIFY(!w.playControl()->isPlaying());
        QVERIFY(QFile::exists(recorded));
        TestSupport::saveScreenshot(&w, QStringLiteral("app_tagsources_row_waits_for_tags"));
        held.release();
        QTRY_VERIFY_WITH_TIMEOUT(!table->rows().current().recordingRow(), 10000);
    }
    QCOMPARE(row->GetAudioState(), QAudioFileChunk::AudioNormal);
    QCOMPARE(QString::fromStdString(row->GetFilePath()), named);
    QCOMPARE(AppFixture::rowOf(table, named), row);
    QVERIFY(!QFile::exists(recorded));
    VEAudioTagInfo tags;
    QVERIFY(JXTagFileAccess::read(named.toStdString(), tags));
    QCOMPARE(tags.title, std::string("Held Song"));
    QCOMPARE(tags.artist, std::string("Band"));
    const QList<QDomElement> stored = TestSupport::historyEntries(named);
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first().firstChildElement().attribute(QStringLiteral("Album_")), QStringLiteral("Album"));
    QCOMPARE(TestSupport::historyEntries(recorded).size(), 0);
    QVERIFY(asked.isEmpty());
    QLibraryQuestions::setAnswerer(nullptr);
}

void TestTagSources::tagsThatCannotBeWrittenAreTold()
{
    const QString folder = m_dir.filePath(QStringLiteral("refused"));
    QStringList told;
    QLibraryQuestions::setAnswerer([&told](const QString &text) {
        told << text;
        return 0;
    });
    // The completed file is no longer one the tag writer can open.
    QRecordingFinisher::setBeforeTagsHook([](const QString &path) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write("not a wave file");
    });
    std::unique_ptr<MainWindow> window = recordingWindow(folder, "Refused Song");
    QVERIFY(window);
    const QString recorded = window->recordObject()->outputPath();
    QTest::mouseClick(window->form()->m_btnStopRecord, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window->recordingsTable()->rows().current().recordingRow(), 10000);
    QRecordingFinisher::setBeforeTagsHook(nullptr);
    const QString named = folder + QStringLiteral("/Refused Song.") + QFileInfo(recorded).suffix();
    QTRY_COMPARE(told.size(), 1);
    QVERIFY2(told.first().contains(QDir::toNativeSeparators(named)), qPrintable(told.first()));
    QVERIFY(told.first().contains(QStringLiteral("could not be written")));
    // Kept, under its recognised name, without them.
    QVERIFY(AppFixture::rowOf(window->recordingsTable(), named));
    QCOMPARE(TestSupport::historyEntries(named).size(), 1);
    QLibraryQuestions::setAnswerer(nullptr);
}

QTEST_MAIN(TestTagSources)
#include "tst_tagsources.moc"
