// Track recognition names the running recording after a song heard in the
// system sound; what the microphone track recognises never renames it, so
// a recording of the microphone alone keeps its own name.

#include "appfixture.h"
#include "recordingsetup.h"
#include "testsupport.h"

#include "app/mainwindow.h"
#include "controls/selectrecordinputwgt.h"
#include "library/qaudiofilechunk.h"
#include "library/qfilelistwgt.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordobject.h"
#include "ui_mainwindow.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestTagSources : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void onlySystemSoundNamesTheRecording();

private:
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
    QAudioFileChunk *row = w.recordingsTable()->recordingRow();
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

QTEST_MAIN(TestTagSources)
#include "tst_tagsources.moc"
