// The playback bar with real files played through the private sound
// server: moving through the play list, the end of the list, removal,
// renames, closing a file for an edit and reopening it, paths taken as they
// are, volumes and the reported play state; a sound server that goes away
// stops the bar on its file with a message.

#include "common/convertedinfo.h"
#include "common/qvideosettingxml.h"
#include "controls/qplaycontrolwgt.h"
#include "controls/qvolumewidget.h"
#include "media/jxqplayobject.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/qjxmessagebox.h"

#include "soundcapture.h"
#include "testsupport.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>

namespace {

// How long a wait on the sound may take: a busy machine may starve the
// server, the player or this test for seconds; a passing run never waits it out.
constexpr int kSureMs = 30000;

QStringList pathsOf(const QSignalSpy &spy)
{
    QStringList paths;
    for (const QList<QVariant> &args : spy)
        paths << args.at(0).toString();
    return paths;
}

QJXBaseButton *button(QPlayControlWgt &bar, const char *name)
{
    return bar.findChild<QJXBaseButton *>(QLatin1String(name));
}

} // namespace

class TestPlaybackBar : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void nextAndPreviousWrap();
    void nextAndPreviousFollowTheListAsItChanges_data();
    void nextAndPreviousFollowTheListAsItChanges();
    void endOfTheLastFileFinishesTheList();
    void playStateIsTheRealOne();
    void pathsAreTakenAsTheyAre();
    void renamesFollowAnyChangeOfName();
    void removingTheCurrentFileLoadsTheFirst();
    void fileClosedForAnEditIsReopened();
    void emptyFileReopenedAfterAnEdit();
    void volumeFractions();
    void lengthComesFromTheHistory();
    void layoutAndScreenshotWhilePlaying();
    void lostSoundServerStopsOnTheFile();

private:
    QString tone(const QString &name, double frequency, double seconds);
    QTemporaryDir m_dir;
    QStringList m_files;
};

QString TestPlaybackBar::tone(const QString &name, double frequency, double seconds)
{
    const QString path = m_dir.filePath(name);
    return TestSupport::writeToneWav(path, frequency, seconds) ? path : QString();
}

void TestPlaybackBar::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_files << tone(QStringLiteral("first.wav"), 440.0, 0.8)
            << tone(QStringLiteral("second.wav"), 660.0, 0.8)
            << tone(QStringLiteral("third.wav"), 990.0, 0.8);
    for (const QString &f : m_files)
        QVERIFY(!f.isEmpty());
}

void TestPlaybackBar::init()
{
    QVideoSettingXml::waitForHistory();
    QFile::remove(QVideoSettingXml::historyFilePath());
}

void TestPlaybackBar::nextAndPreviousWrap()
{
    QPlayControlWgt bar;
    QSignalSpy moved(&bar, &QPlayControlWgt::emitPlayingFilePath);
    bar.OnNext();
    bar.OnPrevious();
    QCOMPARE(moved.count(), 0);
    bar.OnSetPlayList(m_files);
    // A current file outside the list: Next goes to the first, Previous to the last.
    bar.OnNext();
    QCOMPARE(bar.currentFile(), m_files[0]);
    QVERIFY(bar.isPlaying());
    bar.OnNext();
    bar.OnNext();
    QCOMPARE(bar.currentFile(), m_files[2]);
    // Next on the last entry wraps to the first.
    bar.OnNext();
    QCOMPARE(bar.currentFile(), m_files[0]);
    // Previous on the first goes to the last.
    bar.OnPrevious();
    QCOMPARE(bar.currentFile(), m_files[2]);
    bar.OnPrevious();
    QCOMPARE(bar.currentFile(), m_files[1]);
    QCOMPARE(pathsOf(moved), QStringList({m_files[0], m_files[1], m_files[2], m_files[0], m_files[2],
                                          m_files[1]}));
    bar.Pause();
    QVERIFY(!bar.isPlaying());
}

void TestPlaybackBar::nextAndPreviousFollowTheListAsItChanges_data()
{
    // The bar plays the second file when the list changes; the list then,
    // and the file Next and Previous go to.
    QTest::addColumn<QString>("change");
    QTest::addColumn<QList<int>>("list");
    QTest::addColumn<int>("next");
    QTest::addColumn<int>("previous");
    QTest::newRow("unchanged") << "none" << QList<int>{0, 1, 2} << 2 << 0;
    QTest::newRow("a new order") << "order" << QList<int>{2, 1, 0} << 0 << 2;
    QTest::newRow("the same files moved on") << "shift" << QList<int>{2, 0, 1} << 2 << 0;
    QTest::newRow("one before it removed") << "remove" << QList<int>{1, 2} << 2 << 2;
    QTest::newRow("files appended") << "append" << QList<int>{0, 1, 2, 0} << 2 << 0;
}

void TestPlaybackBar::nextAndPreviousFollowTheListAsItChanges()
{
    QFETCH(QString, change);
    QFETCH(QList<int>, list);
    QFETCH(int, next);
    QFETCH(int, previous);
    QPlayControlWgt bar;
    bar.OnSetPlayList(m_files);
    bar.OnNext();
    bar.OnNext();
    QCOMPARE(bar.currentFile(), m_files[1]);
    QStringList changed;
    for (int i : list)
        changed << m_files[i];
    if (change == "order" || change == "shift")
        bar.OnSetPlayList(changed);
    else if (change == "remove")
        bar.OnRemoveFiles({m_files[0]});
    else if (change == "append")
        bar.OnAppendPlayList({m_files[0]});
    QCOMPARE(bar.playList(), changed);
    QCOMPARE(bar.currentFile(), m_files[1]);
    bar.OnNext();
    QCOMPARE(bar.currentFile(), m_files[next]);
    bar.OnPrevious();
    QCOMPARE(bar.currentFile(), m_files[1]);
    bar.OnPrevious();
    QCOMPARE(bar.currentFile(), m_files[previous]);
    bar.Pause();
}

void TestPlaybackBar::endOfTheLastFileFinishesTheList()
{
    QPlayControlWgt bar;
    QSignalSpy moved(&bar, &QPlayControlWgt::emitPlayingFilePath);
    QSignalSpy finished(&bar, &QPlayControlWgt::emitFinishPlay);
    bar.OnSetPlayList(m_files);
    SoundCapture capture;
    QVERIFY(capture.start());
    bar.Play();
    QVERIFY(bar.isPlaying());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kSureMs);
    const QVector<float> heard = capture.stop();
    QCOMPARE(pathsOf(moved), m_files);
    QVERIFY(bar.currentFile().isEmpty());
    QVERIFY(!bar.isPlaying());
    QVERIFY(button(bar, "m_btnPlay")->isVisibleTo(&bar));
    QVERIFY(!button(bar, "m_btnPause")->isVisibleTo(&bar));
    QCOMPARE(bar.playList(), m_files);
    // Every file of the list was heard, one after the other.
    const double unplayed = SoundLevel::tone(heard, 1500.0) + 1e-12;
    for (double f : {440.0, 660.0, 990.0})
        QVERIFY2(SoundLevel::tone(heard, f) > 100 * unplayed, qPrintable(QString::number(f)));
    // The next Play starts at the first entry.
    moved.clear();
    bar.Play();
    QCOMPARE(pathsOf(moved), QStringList({m_files[0]}));
    QVERIFY(bar.isPlaying());
    bar.OnRemoveAllFiles();
    QVERIFY(bar.playList().isEmpty());
    QVERIFY(!bar.isPlaying());
}

void TestPlaybackBar::playStateIsTheRealOne()
{
    QPlayControlWgt bar;
    QSignalSpy state(&bar, &QPlayControlWgt::emitPlayOrPauseState);
    // Nothing to play: not reported as playing.
    bar.OnBtnPlay();
    QCOMPARE(state.count(), 1);
    QCOMPARE(state.last().at(0).toBool(), false);
    bar.OnSetPlayList(m_files);
    bar.OnBtnPlay();
    QCOMPARE(state.last().at(0).toBool(), true);
    QVERIFY(button(bar, "m_btnPause")->isVisibleTo(&bar));
    bar.OnBtnPause();
    QCOMPARE(state.last().at(0).toBool(), false);
    QVERIFY(button(bar, "m_btnPlay")->isVisibleTo(&bar));
    bar.OnPlayOrPause(true);
    QVERIFY(bar.isPlaying());
    bar.OnPlayOrPause(false);
    QVERIFY(!bar.isPlaying());
}

void TestPlaybackBar::pathsAreTakenAsTheyAre()
{
    // On this system a backslash is a character of a file name.
    const QString odd = tone(QStringLiteral("odd\\name.wav"), 550.0, 0.6);
    QVERIFY(!odd.isEmpty());
    QVERIFY(QFile::exists(odd));
    QPlayControlWgt bar;
    bar.OnSetPlayList({odd});
    QCOMPARE(bar.playList(), QStringList({odd}));
    bar.OnSetPlayFile(odd);
    QCOMPARE(bar.currentFile(), odd);
    QCOMPARE(bar.playList(), QStringList({odd}));
    QCOMPARE(bar.findChild<QLabel *>(QStringLiteral("m_labFileName"))->text(),
             QStringLiteral("odd\\name.wav"));
    bar.Play();
    QVERIFY(bar.isPlaying());
    QVERIFY(bar.playObject()->getDuration() > 500000);
    bar.Pause();
    // A path not listed is appended as given.
    bar.OnSetPlayFile(m_files[1]);
    QCOMPARE(bar.playList(), QStringList({odd, m_files[1]}));
}

void TestPlaybackBar::renamesFollowAnyChangeOfName()
{
    const QString lower = tone(QStringLiteral("case.wav"), 500.0, 0.6);
    const QString upper = m_dir.filePath(QStringLiteral("CASE.wav"));
    QPlayControlWgt bar;
    bar.OnSetPlayList({m_files[0], lower});
    bar.OnSetPlayFile(lower);
    // Nothing happens for a target that does not exist.
    bar.OnRenameAudioFile(lower, upper);
    QCOMPARE(bar.currentFile(), lower);
    // A change of letter case is a rename here, and is followed.
    QVERIFY(QFile::rename(lower, upper));
    bar.OnRenameAudioFile(lower, upper);
    QCOMPARE(bar.currentFile(), upper);
    QCOMPARE(bar.playList(), QStringList({m_files[0], upper}));
    bar.Play();
    QVERIFY(bar.isPlaying());
    bar.Pause();
    // An unlisted old name changes nothing.
    bar.OnRenameAudioFile(m_dir.filePath(QStringLiteral("none.wav")), m_files[2]);
    QCOMPARE(bar.playList(), QStringList({m_files[0], upper}));
    QVERIFY(QFile::rename(upper, lower));
}

void TestPlaybackBar::removingTheCurrentFileLoadsTheFirst()
{
    QPlayControlWgt bar;
    bar.OnSetPlayList(m_files);
    bar.OnNext();
    bar.OnNext();
    QCOMPARE(bar.currentFile(), m_files[1]);
    QSignalSpy moved(&bar, &QPlayControlWgt::emitPlayingFilePath);
    QSignalSpy state(&bar, &QPlayControlWgt::emitPlayOrPauseState);
    bar.OnRemoveFiles({m_files[1], m_dir.filePath(QStringLiteral("unlisted.wav"))});
    QCOMPARE(bar.playList(), QStringList({m_files[0], m_files[2]}));
    QCOMPARE(bar.currentFile(), m_files[0]);
    QVERIFY(!bar.isPlaying());
    QCOMPARE(pathsOf(moved), QStringList({m_files[0]}));
    QCOMPARE(state.count(), 1);
    QCOMPARE(state.last().at(0).toBool(), false);
    // Removing another file leaves the current one.
    bar.OnRemoveFiles({m_files[2]});
    QCOMPARE(bar.currentFile(), m_files[0]);
    bar.OnRemoveFiles({m_files[0]});
    QVERIFY(bar.playList().isEmpty());
    QVERIFY(bar.currentFile().isEmpty());
    QCOMPARE(bar.findChild<QLabel *>(QStringLiteral("m_labTotalTime"))->text(), QStringLiteral("00:00:00"));
}

void TestPlaybackBar::fileClosedForAnEditIsReopened()
{
    QPlayControlWgt bar;
    bar.OnSetPlayList(m_files);
    // Closed at its very start (position 0): it still comes back.
    bar.OnSetPlayFile(m_files[0]);
    bar.OnCloseFileIfIsPlaying(m_files[0]);
    QVERIFY(!bar.isPlaying());
    bar.OnContinuePlayAfterEdit(true);
    QVERIFY(bar.isPlaying());
    QCOMPARE(bar.currentFile(), m_files[0]);

    // Closed while playing: reopened at the same place.
    QTRY_VERIFY_WITH_TIMEOUT(bar.playObject()->getCurrentPlayerPos() >= 200000, kSureMs);
    const uint64_t playedTo = bar.playObject()->getCurrentPlayerPos();
    bar.OnCloseFileIfIsPlaying(m_files[0]);
    QCOMPARE(bar.currentFile(), m_files[0]);
    QCOMPARE(bar.playList(), m_files);
    bar.OnContinuePlayAfterEdit(false);
    // The close came a moment after the position was read.
    const uint64_t at = bar.playObject()->getCurrentPlayerPos();
    QVERIFY2(at >= playedTo && at < playedTo + 100000,
             qPrintable(QString("%1 after %2").arg(at).arg(playedTo)));
    const double fraction = bar.positionSlider()->value() / bar.positionSlider()->maximum();
    const double expected = double(at) / double(bar.playObject()->getDuration());
    QVERIFY2(qAbs(fraction - expected) < 0.01, qPrintable(QString("%1 %2").arg(fraction).arg(expected)));
    QVERIFY(!bar.isPlaying());
    // Nothing waits any more.
    bar.OnContinuePlayAfterEdit(true);
    QVERIFY(!bar.isPlaying());
    // Another file's name closes nothing.
    bar.Play();
    bar.OnCloseFileIfIsPlaying(m_files[1]);
    QVERIFY(bar.isPlaying());
    bar.Pause();
}

void TestPlaybackBar::emptyFileReopenedAfterAnEdit()
{
    const QString empty = tone(QStringLiteral("empty.wav"), 440.0, 0.0);
    QVERIFY(!empty.isEmpty());
    QPlayControlWgt bar;
    bar.OnSetPlayList({empty});
    bar.OnSetPlayFile(empty);
    bar.OnCloseFileIfIsPlaying(empty);
    bar.OnContinuePlayAfterEdit(false);
    // The file opened again, with nothing to measure a position against.
    QCOMPARE(bar.currentFile(), empty);
    QCOMPARE(bar.playObject()->getDuration(), uint64_t(0));
    const double value = bar.positionSlider()->value();
    QVERIFY(std::isfinite(value));
    QCOMPARE(value, 0.0);
}

void TestPlaybackBar::volumeFractions()
{
    QPlayControlWgt bar;
    QCOMPARE(bar.volume(), 50);
    QCOMPARE(bar.volumePopup()->GetSlider()->value(), 50.0);
    const struct { double fraction; int volume; const char *image; } table[] = {
        {0.0, 0, "btn_volume_null.png"}, {0.3, 30, "btn_volume_little.png"},
        {0.75, 75, "btn_volume_big.png"}, {1.0, 100, "btn_volume_full.png"}};
    for (const auto &row : table) {
        bar.OnVolumeChange(row.fraction);
        QCOMPARE(bar.volume(), row.volume);
        QCOMPARE(bar.volumeImage(), QStringLiteral("/image/BottomWidget/") + QLatin1String(row.image));
    }
    // The popup opens centred just above the button.
    bar.resize(600, 80);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QJXBaseButton *volume = nullptr;
    for (QJXBaseButton *b : bar.findChildren<QJXBaseButton *>()) {
        if (b->toolTip() == QLatin1String("Volume"))
            volume = b;
    }
    QVERIFY(volume);
    QTest::mouseClick(volume, Qt::LeftButton);
    QVERIFY(bar.volumePopup()->isVisible());
    QCOMPARE(bar.volumePopup()->pos(),
             bar.mapToGlobal(QPoint(volume->x() + (volume->width() - 16) / 2, volume->y() - 65)));
    bar.volumePopup()->hide();
}

void TestPlaybackBar::lengthComesFromTheHistory()
{
    convertedInfo info;
    info.convertedPath = m_files[1];
    info.time = QStringLiteral("00:00:01");
    info.title = QStringLiteral("second");
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
    QPlayControlWgt bar;
    auto *length = bar.findChild<QLabel *>(QStringLiteral("m_labTotalTime"));
    bar.OnSetPlayFile(m_files[1]);
    QCOMPARE(length->text(), QStringLiteral("00:00:01"));
    bar.OnSetPlayFile(m_files[0]);
    QCOMPARE(length->text(), QStringLiteral("00:00:00"));
}

void TestPlaybackBar::layoutAndScreenshotWhilePlaying()
{
    QPlayControlWgt bar;
    bar.resize(600, 80);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QJXBaseButton *play = button(bar, "m_btnPlay");
    QCOMPARE(play->pos(), QPoint((600 - play->width()) / 2, 10));
    QCOMPARE(bar.positionSlider()->geometry().top(), play->geometry().bottom() + 10);
    QCOMPARE(bar.positionSlider()->height(), 12);
    bar.OnSetPlayList(m_files);
    bar.Play();
    auto *position = bar.findChild<QLabel *>(QStringLiteral("m_labCurTime"));
    QTRY_VERIFY_WITH_TIMEOUT(bar.positionSlider()->value() > 20.0, kSureMs);
    QVERIFY(!position->text().isEmpty());
    QVERIFY(!TestSupport::saveScreenshot(&bar, QStringLiteral("controls_playback_bar")).isEmpty());
    bar.Pause();
}

void TestPlaybackBar::lostSoundServerStopsOnTheFile()
{
    QPlayControlWgt bar;
    QSignalSpy moved(&bar, &QPlayControlWgt::emitPlayingFilePath);
    QSignalSpy state(&bar, &QPlayControlWgt::emitPlayOrPauseState);
    const QString longTone = tone(QStringLiteral("long.wav"), 440.0, 10.0);
    bar.OnSetPlayList({longTone, m_files[1]});
    bar.Play();
    QTRY_VERIFY_WITH_TIMEOUT(bar.playObject()->getCurrentPlayerPos() > 500000, kSureMs);

    // The box is modal: it is answered from a timer while it runs.
    QStringList shown;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&shown] {
        if (auto *box = qobject_cast<QJXMessageBox *>(QApplication::activeModalWidget())) {
            shown << box->getMessage();
            box->done(QJXMessageBox::ResultOk);
        }
    });
    answer.start(20);
    QVERIFY(TestSupport::controlSoundServer(QStringLiteral("stop")));
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, kSureMs);
    QCOMPARE(shown.first(), QStringLiteral("Playback stopped: the connection to the sound server was lost."));
    // Still on the same file, not playing, and said so.
    QCOMPARE(bar.currentFile(), longTone);
    QCOMPARE(pathsOf(moved), QStringList({longTone}));
    QVERIFY(!bar.isPlaying());
    QCOMPARE(state.last().at(0).toBool(), false);
    QVERIFY(button(bar, "m_btnPlay")->isVisibleTo(&bar));
    QVERIFY(TestSupport::controlSoundServer(QStringLiteral("start")));
    bar.OnBtnPlay();
    QVERIFY(bar.isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(bar.playObject()->getCurrentPlayerPos() > 500000, kSureMs);
    QCOMPARE(shown.size(), 1);
    bar.Pause();
}

QTEST_MAIN(TestPlaybackBar)
#include "tst_playback.moc"
