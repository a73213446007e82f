// The edit dialog run from the recordings table on real files, with the real
// converter: segments cut in the dialog are deleted on Cancel and become rows
// on OK, an effect on the whole file makes an "_Edit_" copy with its level
// change as a new row and record, failures change nothing, Previous and Next
// pass over what cannot be edited, and edited tags reach the library.

#include "filterchain.h"
#include "libraryfixture.h"

#include "common/qconverteroperate.h"
#include "common/qvideosettingxml.h"
#include "editor/qvideoeditingdlg.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qlibraryquestions.h"
#include "library/qlibraryediting.h"
#include "library/qlibraryplayback.h"
#include "library/qrecordingrows.h"
#include "media/qvideoeditingsettings.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace LibraryFixture;

namespace {
constexpr uint64_t kSecond = 1000000;

// Runs `steps` inside the edit dialog's modal loop once it is shown; the
// dialog is rejected afterwards unless the steps closed it. The returned
// poll ends itself once it has run.
QPointer<QTimer> whileEditing(QFileListWgt &table, std::function<void(QVideoEditingDlg *)> steps)
{
    auto *poll = new QTimer(&table);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, &table, [&table, poll, steps]() {
        QVideoEditingDlg *dlg = table.editing()->editDialog();
        if (!dlg || !dlg->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        steps(dlg);
        if (table.editing()->editDialog() == dlg && dlg->isVisible())
            dlg->reject();
    });
    poll->start();
    return poll;
}

// A cut asked by the dialog, waited for until its segment comes back.
bool cut(QFileListWgt &table, QVideoEditingDlg *dlg, uint64_t start, uint64_t end, bool plain)
{
    QSignalSpy segments(table.editing(), &QLibraryEditing::emitConvertFilePath);
    VEEditConfig config;
    config.startTime = start;
    config.endTime = end;
    emit dlg->emitConvertFile(config, plain);
    return QTest::qWaitFor([&]() { return segments.count() == 1; }, 60000);
}

QByteArray historyBytes()
{
    QVideoSettingXml::waitForHistory();
    return TestSupport::readBytes(QVideoSettingXml::historyFilePath());
}
} // namespace

class TestLibraryEditing : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void segmentsDeletedOnCancelKeptOnOk();
    void editOfTheWholeFileBecomesARow();
    void editWhileAPlaylistIsShown();
    void editOfARowWhoseRecordIsGone();
    void editOfARowWithAProbersFormatList();
    void failedConversionsChangeNothing();
    void previousAndNextPassOverWhatCannotBeEdited();
    void playbackPausedForTheEditAndResumed();

private:
    QTemporaryDir m_dir;
    QString m_out;
    QString m_source;
    QStringList m_told;
};

void TestLibraryEditing::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QLibraryQuestions::setAnswerer([this](const QString &text) {
        m_told << text;
        return 0;
    });
}

void TestLibraryEditing::init()
{
    m_out = freshLibrary(m_dir.filePath("out"));
    QVERIFY(QDir(m_out).exists());
    m_source = tone(m_out, "tone", "mp3", 3.0);
    QVERIFY(!m_source.isEmpty());
    convertedInfo info = record(m_source, "01-01-2024 10:00");
    info.title = "Morning Tone";
    info.artist = "Sine Players";
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
    m_told.clear();
}

void TestLibraryEditing::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
}

void TestLibraryEditing::segmentsDeletedOnCancelKeptOnOk()
{
    Library lib;
    const QString first = m_out + "/tone_Trim_001.mp3", second = m_out + "/tone_Trim_002.mp3";
    bool cutBoth = false;
    whileEditing(lib.table, [&](QVideoEditingDlg *dlg) {
        cutBoth = cut(lib.table, dlg, kSecond / 2, kSecond + kSecond / 2, true)
                  && cut(lib.table, dlg, kSecond, 2 * kSecond, false);
        cutBoth = cutBoth && QFile::exists(first) && QFile::exists(second);
        dlg->reject();
    });
    lib.table.editing()->OnEditItem(lib.shownIndex("tone"));
    QVERIFY(cutBoth);
    QVERIFY(!QFile::exists(first));
    QVERIFY(!QFile::exists(second));
    QVERIFY(QDir(m_out).exists());
    QCOMPARE(lib.table.rows().all().size(), size_t(1));
    QCOMPARE(historyPaths(), QStringList({m_source}));
    QVERIFY(!lib.table.rows().current().editingRow());
    QVERIFY(!lib.table.editing()->editDialog());

    whileEditing(lib.table, [&](QVideoEditingDlg *dlg) {
        cutBoth = cut(lib.table, dlg, kSecond / 2, kSecond + kSecond / 2, true)
                  && cut(lib.table, dlg, kSecond, 2 * kSecond, false);
        dlg->accept();
    });
    lib.table.editing()->OnEditItem(lib.shownIndex("tone"));
    QVERIFY(cutBoth);
    QVERIFY(QFile::exists(first) && QFile::exists(second));
    // In the order the trim page reported them, after the source.
    QCOMPARE(historyPaths(), QStringList({m_source, first, second}));
    QCOMPARE(lib.table.rows().all().size(), size_t(3));
    QVERIFY(lib.shownRow("tone_Trim_001") && lib.shownRow("tone_Trim_002"));
    QVERIFY(qAbs(FilterChain::durationSeconds(second) - 1.0) < 0.1);
    QVERIFY(m_told.isEmpty());
}

void TestLibraryEditing::editOfTheWholeFileBecomesARow()
{
    Library lib;
    const QString edited = m_out + "/tone_Edit_001.mp3";
    whileEditing(lib.table, [&](QVideoEditingDlg *dlg) {
        auto *settings = dlg->findChild<QVideoEditingSettings *>();
        QVERIFY(settings);
        VEAudioSettings audio;
        settings->getAudioSettings(audio);
        audio.volume = 50;
        settings->setAudioSettings(audio);
        dlg->OnSetIsSetAudioEffect(true);
        // Tags written by the dialog reach the row and its record first.
        VEAudioTagInfo tags;
        tags.title = "Evening Tone";
        tags.artist = "Square Players";
        tags.album = "Signals";
        tags.genre = "Test";
        emit dlg->emitAudioTagChange(tags, QString());
        dlg->accept();
    });
    lib.table.editing()->OnEditItem(lib.shownIndex("tone"));
    QCOMPARE(historyInfo(m_source).attribute("Title_"), QString("Evening Tone"));
    QCOMPARE(QString::fromStdString(lib.shownRow("tone")->GetArtist()), QString("Square Players"));
    // The edit job starts after the dialog is gone.
    QTRY_COMPARE_WITH_TIMEOUT(lib.table.rows().all().size(), size_t(2), 60000);
    QVERIFY(QFile::exists(edited));
    QCOMPARE(historyPaths(), QStringList({m_source, edited}));
    const QDomElement info = historyInfo(edited);
    QCOMPARE(info.attribute("Title_"), QString("Evening Tone"));
    QCOMPARE(info.attribute("Artist_"), QString("Square Players"));
    QAudioFileChunk *row = lib.shownRow("tone_Edit_001");
    QVERIFY(row);
    QCOMPARE(QString::fromStdString(row->GetFileName()), QString("tone_Edit_001.mp3"));
    QCOMPARE(QString::fromStdString(row->getPlayTime()), QString("00:00:03"));
    QVERIFY(!row->isNewAdd());
    QVERIFY(!lib.table.rows().current().editingRow());

    const double before = FilterChain::levelDb(FilterChain::decodeFile(m_source));
    const double after = FilterChain::levelDb(FilterChain::decodeFile(edited));
    QVERIFY2(after - before < -4.5 && after - before > -7.5, qPrintable(QString("%1 -> %2").arg(before).arg(after)));
    QVERIFY(m_told.isEmpty());
}

void TestLibraryEditing::editWhileAPlaylistIsShown()
{
    QVideoSettingXml::SaveConvertedInfo(record(m_source, "01-01-2024 10:00", false, {"Road"}));
    QVideoSettingXml::AppendPlayList("Road");
    Library lib;
    QVERIFY(lib.show("Road"));
    whileEditing(lib.table, [&](QVideoEditingDlg *dlg) {
        dlg->OnSetIsSetAudioEffect(true);
        VEAudioTagInfo tags;
        tags.title = "Road Tone";
        emit dlg->emitAudioTagChange(tags, QString());
        dlg->accept();
    });
    lib.table.editing()->OnEditItem(lib.shownIndex("tone"));
    const QString edited = m_out + "/tone_Edit_001.mp3";
    QTRY_VERIFY_WITH_TIMEOUT(lib.shownRow("tone_Edit_001"), 60000);
    QCOMPARE(historyLists(edited), QStringList({"Road"}));
    QCOMPARE(lib.shownRow("tone_Edit_001")->GetListsBelong(), QList<std::string>({"Road"}));
    // The master row took the tags too.
    for (IBaseChunk *item : lib.table.rows().all())
        if (auto *row = dynamic_cast<QAudioFileChunk *>(item); row && row->GetFileName() == "tone.mp3")
            QCOMPARE(QString::fromStdString(row->GetTitle()), QString("Road Tone"));
    QVERIFY(lib.show("All Recordings"));
    QCOMPARE(lib.table.rows().all().size(), size_t(2));
}

void TestLibraryEditing::editOfARowWhoseRecordIsGone()
{
    Library lib;
    QVERIFY(QVideoSettingXml::removeConvertedInfo(m_source));
    whileEditing(lib.table, [&](QVideoEditingDlg *dlg) {
        dlg->OnSetIsSetAudioEffect(true);
        dlg->accept();
    });
    lib.table.editing()->OnEditItem(lib.shownIndex("tone"));
    const QString edited = m_out + "/tone_Edit_001.mp3";
    QTRY_VERIFY_WITH_TIMEOUT(lib.shownRow("tone_Edit_001"), 60000);
    // The row lends its own values to the copy's record.
    QCOMPARE(historyPaths(), QStringList({edited}));
    QCOMPARE(historyInfo(edited).attribute("Title_"), QString("Morning Tone"));
    QCOMPARE(historyInfo(edited).attribute("Format_"), QString("MP3"));
    QCOMPARE(QString::fromStdString(lib.shownRow("tone_Edit_001")->GetArtist()), QString("Sine Players"));
}

void TestLibraryEditing::editOfARowWithAProbersFormatList()
{
    const QString clip = tone(m_out, "clip", "m4a", 2.0);
    QVERIFY(!clip.isEmpty());
    convertedInfo info = record(clip, "02-01-2024 10:00");
    info.format = "mov,mp4,m4a,3gp,3g2,mj2"; // as a finished file added by path has it
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
    Library lib;
    whileEditing(lib.table, [&](QVideoEditingDlg *dlg) {
        dlg->OnSetIsSetAudioEffect(true);
        dlg->accept();
    });
    lib.table.editing()->OnEditItem(lib.shownIndex("clip"));
    QTRY_VERIFY_WITH_TIMEOUT(lib.shownRow("clip_Edit_001"), 60000);
    QVERIFY(m_told.isEmpty());
    QVERIFY(qAbs(FilterChain::durationSeconds(m_out + "/clip_Edit_001.m4a") - 2.0) < 0.1);
}

void TestLibraryEditing::failedConversionsChangeNothing()
{
    Library lib;
    const QByteArray history = historyBytes();
    // The output folder lies under a plain file: nothing can be written.
    QFile blocker(m_dir.filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QConverterOperate::setConverterPath(blocker.fileName() + "/");
    QSignalSpy segments(lib.table.editing(), &QLibraryEditing::emitConvertFilePath);
    whileEditing(lib.table, [&](QVideoEditingDlg *dlg) {
        VEEditConfig config;
        config.startTime = kSecond;
        emit dlg->emitConvertFile(config, true);
        // The message count is judged below, once the dialog is closed.
        (void)QTest::qWaitFor([&]() { return m_told.size() == 1; }, 30000);
        dlg->OnSetIsSetAudioEffect(true);
        dlg->accept();
    });
    lib.table.editing()->OnEditItem(lib.shownIndex("tone"));
    QTRY_COMPARE_WITH_TIMEOUT(m_told, QStringList({"Cut out failure.", "Cut out failure."}), 30000);
    QCOMPARE(segments.count(), 0);
    QCOMPARE(lib.table.rows().all().size(), size_t(1));
    QCOMPARE(lib.shownNames(), QStringList({"tone"}));
    QCOMPARE(historyBytes(), history);
    QCOMPARE(QDir(m_out).entryList(QDir::Files), QStringList({"tone.mp3"}));
}

void TestLibraryEditing::previousAndNextPassOverWhatCannotBeEdited()
{
    const QString a = tone(m_out, "a", "mp3", 1.0), b = tone(m_out, "b", "mp3", 1.0);
    const QString gone = tone(m_out, "gone", "mp3", 1.0);
    QVideoSettingXml::SaveConvertedInfo(record(a, "05-01-2024 10:00"));
    QVideoSettingXml::SaveConvertedInfo(record(gone, "04-01-2024 10:00"));
    QVideoSettingXml::SaveConvertedInfo(record(b, "03-01-2024 10:00"));
    Library lib;
    lib.table.recordings()->AddAudioFile(m_out + "/REC_running.mp3", true);
    QVERIFY(QFile::remove(gone));
    QCOMPARE(lib.shownNames(), QStringList({"REC_running", "a", "gone", "b", "tone"}));

    // The running recording's own row opens nothing.
    bool opened = false;
    QPointer<QTimer> guard = whileEditing(lib.table, [&](QVideoEditingDlg *) { opened = true; });
    lib.table.editing()->OnEditItem(lib.shownIndex("REC_running"));
    QVERIFY(!opened);
    QVERIFY(!lib.table.rows().current().editingRow());
    delete guard.data();

    QStringList visited;
    auto editing = [&]() {
        auto *row = dynamic_cast<QAudioFileChunk *>(lib.table.rows().current().editingRow());
        return row ? QString::fromStdString(row->GetFileName()) : QString();
    };
    whileEditing(lib.table, [&](QVideoEditingDlg *dlg) {
        visited << editing();
        emit dlg->emitNextFile();
        visited << editing();
        emit dlg->emitNextFile();
        visited << editing();
        emit dlg->emitNextFile(); // the last row: stays
        visited << editing();
        emit dlg->emitPreviousFile();
        visited << editing();
        emit dlg->emitPreviousFile();
        visited << editing();
        emit dlg->emitPreviousFile(); // above is only the recording
        visited << editing();
    });
    lib.table.editing()->OnEditItem(lib.shownIndex("a"));
    QCOMPARE(visited, QStringList({"a.mp3", "b.mp3", "tone.mp3", "tone.mp3", "b.mp3", "a.mp3", "a.mp3"}));
    QVERIFY(!lib.table.rows().current().editingRow());
}

void TestLibraryEditing::playbackPausedForTheEditAndResumed()
{
    Library lib;
    const QModelIndex row = lib.shownIndex("tone");
    lib.table.playback()->OnPlayItem(row);
    QAudioFileChunk *playing = lib.table.rows().current().playingRow();
    QVERIFY(playing);
    QCOMPARE(playing->GetAudioState(), QAudioFileChunk::AudioPlaying);
    QSignalSpy playOrPause(lib.table.editing(), &QLibraryEditing::emitPlayOrPause);
    QSignalSpy continued(lib.table.editing(), &QLibraryEditing::emitContinuePlayAfterEdit);
    bool pausedWhileOpen = false;
    whileEditing(lib.table, [&](QVideoEditingDlg *dlg) {
        pausedWhileOpen = playOrPause.count() == 1 && !playOrPause.at(0).at(0).toBool()
                          && playing->GetAudioState() == QAudioFileChunk::AudioPause;
        dlg->reject();
    });
    lib.table.editing()->OnEditItem(row);
    QVERIFY(pausedWhileOpen);
    QCOMPARE(playOrPause.count(), 2);
    QVERIFY(playOrPause.at(1).at(0).toBool());
    QCOMPARE(continued.count(), 0);
    QCOMPARE(playing->GetAudioState(), QAudioFileChunk::AudioPlaying);

    // OK on the file being played: the bar is told to go on with it.
    whileEditing(lib.table, [](QVideoEditingDlg *dlg) { dlg->accept(); });
    lib.table.editing()->OnEditItem(row);
    QCOMPARE(continued.count(), 1);
    QVERIFY(continued.at(0).at(0).toBool());
    QCOMPARE(playing->GetAudioState(), QAudioFileChunk::AudioPlaying);

    // A paused file stays paused.
    lib.table.playback()->OnPauseItem(row);
    whileEditing(lib.table, [](QVideoEditingDlg *dlg) { dlg->accept(); });
    lib.table.editing()->OnEditItem(row);
    QCOMPARE(continued.count(), 2);
    QVERIFY(!continued.at(1).at(0).toBool());
    QVERIFY(!playOrPause.last().at(0).toBool());
    QCOMPARE(playing->GetAudioState(), QAudioFileChunk::AudioPause);
}

QTEST_MAIN(TestLibraryEditing)
#include "tst_editing.moc"
