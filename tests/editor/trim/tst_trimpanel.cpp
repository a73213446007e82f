// The trim page on a recording made by the recorder: the range typed and
// dragged, Cut asking once for the segment, the segment row and its file,
// segment play heard on the private sound server, the borrowed player left
// to its owner.

#include "editorrecording.h"
#include "soundcapture.h"
#include "testsupport.h"

#include "editor/qtrimitemlist.h"
#include "editor/qtrimwidget.h"
#include "media/jxplayerclass.h"
#include "media/jxplayermanager.h"
#include "media/qvideoeditingsettings.h"
#include "rzcodec/player.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/views/qedittimeex.h"
#include "widgetkit/views/qjxstylebutton.h"
#include "widgetkit/views/qjxtableview.h"
#include "widgetkit/views/qvedualslider.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace EditorRecording;

namespace {
constexpr uint64_t kSecond = 1000000;
}

class TestTrimPanel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void typedRangeCutsOnceAndListsTheSegment();
    void segmentPlayIsHeardFromItsStartToItsEnd();
    void rangeRulesKeepTheSegmentInsideTheRecording();
    void rangeTypedAndPastedOnTheKeyboard();
    void aLongSegmentNameKeepsItsSuffix();
    void deletingARowDeletesItsFile();
    void destructionHandsOnTheFilesAndLeavesThePlayerOpen();
    void timeTexts();

private:
    QString rowText(int row, int column) const;
    QString segmentFile(const QString &name);
    QString stepsAgree(const QVector<float> &sound, double heardAt, double recordedAt,
                       const QVector<double> &shifts) const;

    QTemporaryDir m_dir;
    QString m_recording;
    QVector<float> m_decoded;
    std::unique_ptr<JXPlayerManager> m_manager;
    std::unique_ptr<QVideoEditingSettings> m_hub;
    std::unique_ptr<QTrimWidget> m_panel;
};

void TestTrimPanel::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_recording = record(m_dir.path(), "REC_trim", 7.5);
    QVERIFY2(!m_recording.isEmpty(), "the recorder made no recording");
    m_decoded = decodeMono(m_recording);
    QVERIFY(m_decoded.size() > 44100 * 6);
}

void TestTrimPanel::init()
{
    m_manager.reset(new JXPlayerManager);
    QVERIFY(m_manager->createrPlayer(true));
    QVERIFY(m_manager->setPlayFile(m_recording, 0, 0, 3));
    m_hub.reset(new QVideoEditingSettings);
    m_hub->setPlayerManager(m_manager.get());
    m_panel.reset(new QTrimWidget);
    m_panel->resize(483, 323);
    m_panel->SetEditSettings(m_hub.get());
    m_panel->LoadingSetting();
    m_panel->show();
    QVERIFY(m_panel->setVideoPlay(m_manager->getPlayerClass()->getPlayer()));
    QVERIFY(m_panel->duration() > 7 * kSecond);
    m_panel->onPause();
}

void TestTrimPanel::cleanup()
{
    m_panel.reset();
    m_hub.reset();
    m_manager.reset();
}

QString TestTrimPanel::rowText(int row, int column) const
{
    return m_panel->segmentSortModel()->index(row, column).data().toString();
}

QString TestTrimPanel::segmentFile(const QString &name)
{
    // Stands for the file the conversion writes for the cut.
    const QString path = m_dir.filePath(name);
    QFile::remove(path);
    return QFile::copy(m_recording, path) ? path : QString();
}

// Empty when the step of the tone heard 0.1 s from heardAt + shift is the
// recording's from recordedAt + shift, at the first shift where the recording
// holds one step from 0.1 s before to 0.1 s after (the heard and the recorded
// times may differ by hundredths); else why not. The tone steps once a second,
// so of two shifts 0.35 s apart one is clear of a step.
QString TestTrimPanel::stepsAgree(const QVector<float> &sound, double heardAt, double recordedAt,
                                  const QVector<double> &shifts) const
{
    const auto recorded = [this](double from) {
        return dominantStep(m_decoded.mid(int(from * 44100), 4410), 1);
    };
    for (double shift : shifts) {
        const double from = recordedAt + shift;
        const double step = recorded(from);
        if (recorded(from - 0.1) != step || recorded(from + 0.1) != step)
            continue;
        const double heardStep = dominantStep(SoundLevel::slice(sound, heardAt + shift, heardAt + shift + 0.1),
                                              2);
        return heardStep == step ? QString()
                                 : QString("%1 Hz heard at %2 s, the recording holds %3 Hz at %4 s")
                                       .arg(heardStep)
                                       .arg(heardAt + shift)
                                       .arg(step)
                                       .arg(from);
    }
    return QStringLiteral("a step of the tone at each place");
}

void TestTrimPanel::typedRangeCutsOnceAndListsTheSegment()
{
    QSignalSpy convert(m_panel.get(), &QTrimWidget::emitConvertFile);
    QVERIFY(!m_panel->m_btnAdd->isEnabled());

    m_panel->m_editStart->onTextEdited("00:00:02.000");
    m_panel->m_editEnd->onTextEdited("00:00:05.000");
    QCOMPARE(m_panel->trimStart(), 2 * kSecond);
    QCOMPARE(m_panel->trimEnd(), 5 * kSecond);
    QVERIFY(m_panel->m_btnAdd->isEnabled());
    QVERIFY(qAbs(m_panel->m_slider->getStartValue() * double(m_panel->duration()) - 2e6) < 5e4);

    QTest::mouseClick(m_panel->m_btnAdd, Qt::LeftButton);
    QCOMPARE(convert.count(), 1);
    VEEditConfig config;
    m_hub->getEditConfig(config);
    QCOMPARE(config.startTime, 2 * kSecond);
    QCOMPARE(config.endTime, 5 * kSecond);

    const QString path = segmentFile("REC_trim_Trim_001.mp3");
    QString given = path;
    given.replace('/', '\\'); // paths may come back with backslashes
    m_panel->OnSetSaveFile(given);
    QCOMPARE(m_panel->segmentSortModel()->rowCount(), 1);
    QCOMPARE(rowText(0, 0), QString("REC_trim_Trim_001"));
    QCOMPARE(rowText(0, 1), QString("00:00:02.000"));
    QCOMPARE(rowText(0, 2), QString("00:00:05.000"));
    QCOMPARE(rowText(0, 3), QString("00:00:03.000"));
    QCOMPARE(rowText(0, 4), QString());
    QCOMPARE(m_panel->savedFiles(), QStringList{path});
    QCOMPARE(m_panel->segmentSortModel()->headerData(4, Qt::Horizontal).toString(), QString());

    // Pressing the row brings its range back.
    m_panel->startTimeChanged(0, false);
    m_panel->endTimeChanged(m_panel->duration(), false);
    QCOMPARE(m_panel->trimEnd(), uint64_t(0));
    const QModelIndex row = m_panel->segmentSortModel()->index(0, 1);
    const QRect cell = m_panel->segmentView()->visualRect(row);
    QTest::mousePress(m_panel->segmentView()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseRelease(m_panel->segmentView()->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(m_panel->trimStart(), 2 * kSecond);
    QCOMPARE(m_panel->trimEnd(), 5 * kSecond);

    // The slider draws over the page's panel colour, it does not clear it.
    const QImage page = m_panel->grab().toImage();
    const QRect slider = m_panel->m_slider->geometry();
    const qreal ratio = page.devicePixelRatio();
    QCOMPARE(page.pixelColor(int((slider.center().x()) * ratio), int(slider.top() * ratio)),
             QColor(44, 44, 44));
    QCOMPARE(m_panel->m_editEnd->getCurrentTime(), 5 * kSecond);
    QVERIFY(!TestSupport::saveScreenshot(m_panel.get(), "editor_trim_page").isEmpty());
}

void TestTrimPanel::segmentPlayIsHeardFromItsStartToItsEnd()
{
    m_panel->m_editStart->onTextEdited("00:00:02.000");
    m_panel->m_editEnd->onTextEdited("00:00:05.000");
    QSignalSpy state(m_panel.get(), &QTrimWidget::emitPlayState);

    SoundCapture capture;
    QVERIFY(capture.start());
    QTest::mouseClick(m_panel->m_btnTrimPlay, Qt::LeftButton);
    QCOMPARE(state.count(), 1);
    QVERIFY(state.takeFirst().at(0).toBool());
    QVERIFY(m_panel->isSegmentPlay());
    QVERIFY(m_panel->m_btnTrimStop->isEnabled());
    // The page pauses itself once the position passes the end.
    QTRY_COMPARE_WITH_TIMEOUT(state.count(), 1, 6000);
    QVERIFY(!state.takeFirst().at(0).toBool());
    // Everything played, up to the pause, has reached the capture.
    QVERIFY(capture.waitForSilenceAfterSound(0.3));
    const QVector<float> sound = capture.stop();

    QVERIFY(!m_panel->isSegmentPlay());
    void *player = m_manager->getPlayerClass()->getPlayer();
    QVERIFY(rz_player_is_pause(player));
    // The page pauses at its first look at the position past the end: ten
    // times a second, later on a loaded machine, so the sound may go on a
    // little past the end. What is heard, less the gaps a loaded server
    // leaves, is the recording from the segment's start on, as long as it
    // was heard.
    const double pausedAt = rz_player_get_play_time(player) / 1e6;
    const QVector<float> played = SoundLevel::withoutGaps(sound);
    const double length = SoundLevel::seconds(played);
    qInfo("segment heard for %.2f s, paused at %.3f s", length, pausedAt);
    QVERIFY2(pausedAt > 5.0, qPrintable(QString::number(pausedAt)));
    QVERIFY2(length > 2.7 && length < 3.4, qPrintable(QString::number(length)));
    QString agree = stepsAgree(played, 0, 2.0, {0.05, 0.4});
    QVERIFY2(agree.isEmpty(), qPrintable(agree));
    agree = stepsAgree(played, length, 2.0 + length, {-0.2, -0.55});
    QVERIFY2(agree.isEmpty(), qPrintable(agree));

    // Played again after its end, the segment starts over; paused, it can
    // be stopped, which goes back to its start.
    QVERIFY(!m_panel->m_btnTrimStop->isEnabled());
    QTest::mouseClick(m_panel->m_btnTrimPlay, Qt::LeftButton);
    // The first position seen past 2.3 s is well before the end (5 s): it
    // started over at 2 s rather than going on from where it paused.
    uint64_t replayed = 0;
    QTRY_VERIFY_WITH_TIMEOUT((replayed = rz_player_get_play_time(player)) > 2 * kSecond + 300000,
                             TestSupport::kPlaybackStartMs);
    QVERIFY2(replayed < 4 * kSecond, qPrintable(QString::number(replayed)));
    QVERIFY(m_panel->m_btnTrimPause->isVisible());
    QTest::mouseClick(m_panel->m_btnTrimPause, Qt::LeftButton);
    QVERIFY(m_panel->isSegmentPlay());
    QVERIFY(m_panel->m_btnTrimStop->isEnabled());
    QTest::mouseClick(m_panel->m_btnTrimStop, Qt::LeftButton);
    QVERIFY(!m_panel->isSegmentPlay());
    QVERIFY(!m_panel->m_btnTrimStop->isEnabled());
    QCOMPARE(m_panel->m_labCurrent->text(), QString("00:00:02.000"));
}

void TestTrimPanel::rangeRulesKeepTheSegmentInsideTheRecording()
{
    const uint64_t D = m_panel->duration();
    // A start typed past the end of the recording stops at its end, and a
    // range without length cannot be cut.
    m_panel->m_editStart->onTextEdited("00:09:00.000");
    QCOMPARE(m_panel->trimStart(), D);
    QVERIFY(!m_panel->m_btnAdd->isEnabled());
    QSignalSpy convert(m_panel.get(), &QTrimWidget::emitConvertFile);
    m_panel->OnBtnAdd();
    QCOMPARE(convert.count(), 0);

    m_panel->startTimeChanged(1 * kSecond);
    m_panel->endTimeChanged(9 * 60 * kSecond); // beyond the end: to the end
    QCOMPARE(m_panel->trimEnd(), uint64_t(0));
    QCOMPARE(m_panel->m_editEnd->getCurrentTime(), D);
    QVERIFY(m_panel->m_btnAdd->isEnabled());

    m_panel->endTimeChanged(3 * kSecond);
    m_panel->startTimeChanged(4 * kSecond); // after the end: at the end
    QCOMPARE(m_panel->trimStart(), 3 * kSecond);
    QVERIFY(!m_panel->m_btnAdd->isEnabled());
    m_panel->startTimeChanged(1 * kSecond);
    m_panel->endTimeChanged(500000); // before the start: at the start
    QCOMPARE(m_panel->trimEnd(), 1 * kSecond);
    QVERIFY(!m_panel->m_btnAdd->isEnabled());

    // Dragging the end handle to the end of the groove means the end.
    m_panel->startTimeChanged(0);
    m_panel->sliderEndValueChange(0.9995);
    QCOMPARE(m_panel->trimEnd(), uint64_t(0));
    QVERIFY(!m_panel->m_btnAdd->isEnabled());
    m_panel->sliderEndValueChange(0.5);
    QCOMPARE(m_panel->trimEnd(), uint64_t(0.5 * double(D)));
    QVERIFY(m_panel->m_btnAdd->isEnabled());

    // "Start Set" with the play handle past the end handle takes the end.
    m_panel->m_slider->setEndValue(50);
    m_panel->m_slider->setPlayValue(80, false);
    QTest::mouseClick(m_panel->m_btnStartSet, Qt::LeftButton);
    QVERIFY(qAbs(double(m_panel->trimStart()) - 0.5 * double(D)) < 0.01 * double(D));
    // "End Set" at the very end stores "to the end".
    m_panel->startTimeChanged(kSecond);
    m_panel->m_slider->setEndValue(100);
    m_panel->m_slider->setPlayValue(100, false);
    QTest::mouseClick(m_panel->m_btnEndSet, Qt::LeftButton);
    QCOMPARE(m_panel->trimEnd(), uint64_t(0));
    QCOMPARE(m_panel->m_editEnd->getCurrentTime(), D);
}

void TestTrimPanel::rangeTypedAndPastedOnTheKeyboard()
{
    QEditTimeEx *start = m_panel->m_editStart;
    QEditTimeEx *end = m_panel->m_editEnd;
    QLineEdit *startLine = start->findChild<QLineEdit *>();
    // The cursor before the seconds and "02": the segment starts at two
    // seconds (not two milliseconds).
    startLine->setCursorPosition(6);
    QTest::keyClicks(start, QStringLiteral("02"));
    QCOMPARE(start->text(), QStringLiteral("00:00:02.000"));
    QCOMPARE(m_panel->trimStart(), 2 * kSecond);
    QVERIFY(qAbs(m_panel->m_slider->getStartValue() * double(m_panel->duration()) - 2e6) < 5e4);

    // Select all in the end editor and type a whole time.
    QTest::keyClick(end, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(end, QStringLiteral("00:00:05.500"));
    QCOMPARE(end->text(), QStringLiteral("00:00:05.500"));
    QCOMPARE(m_panel->trimEnd(), 5500000ULL);
    QVERIFY(m_panel->m_btnAdd->isEnabled());

    // A pasted start is taken; one that is no time leaves everything.
    QApplication::clipboard()->setText(QStringLiteral("00:00:03.25"));
    QTest::keyClick(start, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(start->text(), QStringLiteral("00:00:03.250"));
    QCOMPARE(m_panel->trimStart(), 3250000ULL);
    QApplication::clipboard()->setText(QStringLiteral("three seconds"));
    QTest::keyClick(start, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(start->text(), QStringLiteral("00:00:03.250"));
    QCOMPARE(m_panel->trimStart(), 3250000ULL);
    QCOMPARE(m_panel->trimEnd(), 5500000ULL);
    QVERIFY(!TestSupport::saveScreenshot(m_panel.get(), "editor_trim_page_typed").isEmpty());
}

void TestTrimPanel::aLongSegmentNameKeepsItsSuffix()
{
    const QString name = QStringLiteral("REC_20261207_101530_Trim_001");
    const QString path = segmentFile(name + QStringLiteral(".mp3"));
    QVERIFY(!path.isEmpty());
    m_panel->startTimeChanged(kSecond, false);
    m_panel->OnSetSaveFile(path);
    QCOMPARE(rowText(0, 0), name);
    // Too long for its column, the name is cut in its middle.
    QTableView *view = m_panel->segmentView();
    QVERIFY(view->fontMetrics().horizontalAdvance(name) > view->columnWidth(0));
    const QStringList drawn = TestSupport::drawnTexts(view->viewport());
    bool kept = false;
    for (const QString &text : drawn)
        kept |= text.endsWith(QStringLiteral("_Trim_001")) && text.contains(QChar(0x2026));
    QVERIFY2(kept, qPrintable(drawn.join(QStringLiteral(" | "))));
    // The times beside it show whole.
    for (int column = 1; column <= 3; ++column)
        QVERIFY2(drawn.contains(rowText(0, column)), qPrintable(drawn.join(QStringLiteral(" | "))));
    QVERIFY(!TestSupport::saveScreenshot(m_panel.get(), "editor_trim_page_long_name").isEmpty());
}

void TestTrimPanel::deletingARowDeletesItsFile()
{
    m_panel->startTimeChanged(kSecond);
    m_panel->endTimeChanged(3 * kSecond);
    const QString first = segmentFile("REC_trim_Trim_002.mp3");
    const QString second = segmentFile("REC_trim_Trim_003.mp3");
    m_panel->OnSetSaveFile(first);
    m_panel->OnSetSaveFile(second);
    QCOMPARE(m_panel->segmentSortModel()->rowCount(), 2);

    // The list shows the rows in the order of its sort column.
    const QModelIndexList found = m_panel->segmentSortModel()->match(
        m_panel->segmentSortModel()->index(0, 0), Qt::DisplayRole, "REC_trim_Trim_002", 1, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    m_panel->m_btnDelete->clickWidgt(found.first().siblingAtColumn(4));
    QVERIFY(!QFile::exists(first));
    QVERIFY(QFile::exists(second));
    QCOMPARE(m_panel->segmentSortModel()->rowCount(), 1);
    QCOMPARE(rowText(0, 0), QString("REC_trim_Trim_003"));
    QCOMPARE(m_panel->savedFiles(), QStringList{second});

    // A file already gone: the row goes all the same.
    QFile::remove(second);
    m_panel->m_btnDelete->clickWidgt(m_panel->segmentSortModel()->index(0, 4));
    QCOMPARE(m_panel->segmentSortModel()->rowCount(), 0);
    QVERIFY(m_panel->savedFiles().isEmpty());
    m_panel->m_btnDelete->clickWidgt(QModelIndex()); // nothing
}

void TestTrimPanel::destructionHandsOnTheFilesAndLeavesThePlayerOpen()
{
    const QString kept = segmentFile("REC_trim_Trim_004.mp3");
    m_panel->OnSetSaveFile(kept);
    QSignalSpy saved(m_panel.get(), &QTrimWidget::emitSaveFile);
    void *player = m_manager->getPlayerClass()->getPlayer();
    m_panel.reset();
    QCOMPARE(saved.count(), 1);
    QCOMPARE(saved.at(0).at(0).toStringList(), QStringList{kept});
    QVERIFY(QFile::exists(kept));
    // The preview engine's player still plays the recording.
    QVERIFY(rz_player_get_duration(player) > 7 * kSecond);
    QVERIFY(rz_player_play(player));
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(player) > 100000, TestSupport::kPlaybackStartMs);
    m_manager->onStop();
}

void TestTrimPanel::timeTexts()
{
    QCOMPARE(QTrimWidget::IntTimeToString(0), QString("00:00:00.000"));
    QCOMPARE(QTrimWidget::IntTimeToString(3723004000ULL), QString("01:02:03.004"));
    QCOMPARE(QTrimWidget::IntTimeToString(100ULL * 3600 * kSecond), QString("100:00:00.000"));
    QCOMPARE(QTrimWidget::StrTimeToInt("01:02:03.004"), 3723004000ULL);
    QCOMPARE(QTrimWidget::StrTimeToInt("100:00:00.000"), 100ULL * 3600 * kSecond);
    QCOMPARE(QTrimWidget::StrTimeToInt(""), 0ULL);
    QCOMPARE(QTrimWidget::StrTimeToInt("02:03.004"), 0ULL);
    QCOMPARE(QTrimWidget::StrTimeToInt("00:00:03"), 0ULL);
    QCOMPARE(QTrimWidget::StrTimeToInt("00:xx:03.5"), 3005000ULL);
}

QTEST_MAIN(TestTrimPanel)
#include "tst_trimpanel.moc"
