// The chapter trim bar wired to a real preview engine: its range and chapter
// choices reach the engine, the engine's reports reach its labels.

#include "editor/qtrimoperationform.h"
#include "testsupport.h"

#include "media/jxplayermanager.h"
#include "media/qvideoeditingsettings.h"
#include "widgetkit/qcheckboxcombobox.h"
#include "widgetkit/views/qvedualslider.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
constexpr uint64_t kSecond = 1000000;

JXChapterInfo chapter(const char *title, uint64_t start, uint64_t end)
{
    JXChapterInfo c;
    c.title = title;
    c.start = start;
    c.end = end;
    c.duration = end - start;
    c.text = QString("%1, text").arg(title).toStdString();
    return c;
}
} // namespace

class TestTrimBar : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void trimReachesTheEngineAndItsReportTheLabels();
    void aSecondTrimCutsInsideTheFirst_data();
    void aSecondTrimCutsInsideTheFirst();
    void chaptersChooseTheRange();
    void playButtonsAndSteps();

private:
    QTemporaryDir m_dir;
    QString m_tone;
    JXPlayerManager *m_manager = nullptr;
    QVideoEditingSettings *m_hub = nullptr;
    QTrimOperationForm *m_form = nullptr;
};

void TestTrimBar::initTestCase()
{
    m_tone = m_dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 440, 4.0));
}

void TestTrimBar::init()
{
    m_manager = new JXPlayerManager;
    QVERIFY(m_manager->setPlayFile(m_tone, 0, 0, 3));
    m_hub = new QVideoEditingSettings;
    m_hub->setPlayerManager(m_manager);
    m_form = new QTrimOperationForm;
    m_form->setEditSettings(m_hub);
    m_form->resize(487, 86);
    connect(m_form, &QTrimOperationForm::emitTrim, m_manager, &JXPlayerManager::onTrim);
    connect(m_form, &QTrimOperationForm::emitTrimChapter, m_manager, &JXPlayerManager::onTrimChapter);
    connect(m_form, &QTrimOperationForm::emitReset, m_manager, &JXPlayerManager::onReset);
    connect(m_manager, &JXPlayerManager::emitTrimTimeChange, m_form, &QTrimOperationForm::trimTimeChange);
    connect(m_manager, &JXPlayerManager::emitTrimTimeChange, m_hub, &QVideoEditingSettings::trimTimeChange);
}

void TestTrimBar::cleanup()
{
    delete m_form;
    delete m_hub;
    delete m_manager;
}

void TestTrimBar::trimReachesTheEngineAndItsReportTheLabels()
{
    m_form->loadingSetting();
    QLabel *end = m_form->findChild<QLabel *>("m_labEnd");
    QVERIFY(end);
    QCOMPARE(end->text(), QString("00:00:04.000"));

    QSignalSpy trims(m_form, &QTrimOperationForm::emitTrim);
    m_form->slider()->setStartValue(25);
    m_form->slider()->setEndValue(75);
    QMetaObject::invokeMethod(m_form, "onTrim");
    QCOMPARE(trims.count(), 1);
    const uint64_t start = trims.at(0).at(0).value<uint64_t>();
    const uint64_t stop = trims.at(0).at(1).value<uint64_t>();
    QVERIFY2(qAbs(double(start) - 1e6) < 2e4, qPrintable(QString::number(start)));
    QVERIFY2(qAbs(double(stop) - 3e6) < 2e4, qPrintable(QString::number(stop)));
    QCOMPARE(m_form->slider()->getStartValue(), 0.0f);
    QCOMPARE(m_form->slider()->getEndValue(), 1.0f);
    QVERIFY(m_form->slider()->GetFocusInStartBtn());
    // The engine took the range and reported it back.
    QCOMPARE(m_manager->getPlaylength(), stop - start);
    QCOMPARE(m_hub->getTrimStartTime(), start);

    // A second trim works inside the new window: half of it from its start.
    m_form->slider()->setStartValue(50);
    QMetaObject::invokeMethod(m_form, "onTrim");
    QCOMPARE(trims.count(), 2);
    QVERIFY(qAbs(double(trims.at(1).at(0).value<uint64_t>()) - 2e6) < 2e4);
    QCOMPARE(trims.at(1).at(1).value<uint64_t>(), stop); // end handle at the end keeps T1

    QSignalSpy resets(m_form, &QTrimOperationForm::emitReset);
    QMetaObject::invokeMethod(m_form, "onReset");
    QCOMPARE(resets.count(), 1);
    QCOMPARE(m_manager->getPlaylength(), m_hub->getDuration());
}

void TestTrimBar::aSecondTrimCutsInsideTheFirst_data()
{
    QTest::addColumn<int>("startPercent");
    QTest::addColumn<int>("endPercent");
    QTest::addColumn<double>("startSeconds");
    QTest::addColumn<double>("endSeconds");
    // The first trim keeps 1 s to 3 s of the 4 s tone; the handles then
    // stand for that window, not for the whole tone.
    QTest::newRow("end handle moved") << 0 << 50 << 1.0 << 2.0;
    QTest::newRow("both handles moved") << 25 << 75 << 1.5 << 2.5;
    QTest::newRow("start handle moved") << 50 << 100 << 2.0 << 3.0;
    QTest::newRow("nothing moved") << 0 << 100 << 1.0 << 3.0;
}

void TestTrimBar::aSecondTrimCutsInsideTheFirst()
{
    QFETCH(int, startPercent);
    QFETCH(int, endPercent);
    QFETCH(double, startSeconds);
    QFETCH(double, endSeconds);
    m_form->loadingSetting();
    QSignalSpy trims(m_form, &QTrimOperationForm::emitTrim);
    m_form->slider()->setStartValue(25);
    m_form->slider()->setEndValue(75);
    QMetaObject::invokeMethod(m_form, "onTrim");
    QCOMPARE(trims.count(), 1);
    QCOMPARE(m_hub->getTrimStartTime(), trims.at(0).at(0).value<uint64_t>());

    m_form->slider()->setStartValue(startPercent);
    m_form->slider()->setEndValue(endPercent);
    QMetaObject::invokeMethod(m_form, "onTrim");
    QCOMPARE(trims.count(), 2);
    const uint64_t start = trims.at(1).at(0).value<uint64_t>();
    const uint64_t end = trims.at(1).at(1).value<uint64_t>();
    QVERIFY2(qAbs(double(start) - startSeconds * kSecond) < 2e4, qPrintable(QString::number(start)));
    QVERIFY2(qAbs(double(end) - endSeconds * kSecond) < 2e4, qPrintable(QString::number(end)));
    // The engine plays just that part.
    QCOMPARE(m_hub->getTrimStartTime(), start);
    QCOMPARE(m_manager->getPlaylength(), end - start);
}

void TestTrimBar::chaptersChooseTheRange()
{
    VEEditConfig config;
    m_hub->getEditConfig(config);
    config.startTime = kSecond;
    config.endTime = 2 * kSecond;
    config.chapterList = {chapter("All", 0, 4 * kSecond), chapter("One", 0, kSecond),
                          chapter("Two", kSecond + 500, 2 * kSecond - 500)};
    m_hub->setEditConfig(config);
    m_form->loadingSetting();
    QCheckboxCombobox *choice = m_form->chapterChoice();
    QVERIFY(!choice->isHidden());
    QCOMPARE(choice->count(), 3);
    QCOMPARE(choice->currentIndex(), 2); // the chapter matching the trim range
    QCOMPARE(choice->itemText(1), QString("One, text"));

    QSignalSpy chapters(m_form, &QTrimOperationForm::emitTrimChapter);
    choice->setCurrentIndex(1);
    QCOMPARE(chapters.count(), 1);
    QCOMPARE(chapters.at(0).at(0).value<uint64_t>(), uint64_t(0));
    QCOMPARE(chapters.at(0).at(1).value<uint64_t>(), kSecond);
    const JXChapterInfo first = m_hub->getEditConfig().chapterList.first();
    QCOMPARE(first.end, kSecond);
    QCOMPARE(QString::fromStdString(first.text), QString("All, 00:00:00-00:00:01"));
    QCOMPARE(choice->itemText(0), QString("All, 00:00:00-00:00:01"));

    // Reset with another entry chosen goes through entry 0: the whole media.
    QMetaObject::invokeMethod(m_form, "onReset");
    QCOMPARE(choice->currentIndex(), 0);
    QCOMPARE(chapters.count(), 2);
    QCOMPARE(chapters.at(1).at(1).value<uint64_t>(), m_hub->getDuration());
    QCOMPARE(m_manager->getPlaylength(), m_hub->getDuration());
}

void TestTrimBar::playButtonsAndSteps()
{
    QSignalSpy play(m_form, &QTrimOperationForm::emitTrimPlay);
    QSignalSpy previous(m_form, &QTrimOperationForm::emitPreviousStep);
    QSignalSpy next(m_form, &QTrimOperationForm::emitNextStep);
    m_form->slider()->setStartValue(20);
    m_form->slider()->setEndValue(60);
    QMetaObject::invokeMethod(m_form, "onTrimPlay");
    QCOMPARE(play.count(), 1);
    QCOMPARE(play.at(0).at(0).toFloat(), m_form->slider()->getStartValue());
    QCOMPARE(play.at(0).at(1).toFloat(), m_form->slider()->getEndValue());

    m_form->slider()->SetFocusInStartBtn(true);
    m_form->slider()->setPlayValue(20, false);
    QMetaObject::invokeMethod(m_form, "onPrevious");
    QCOMPARE(previous.count(), 1);
    QCOMPARE(previous.at(0).at(0).toBool(), false); // the play handle stands on the start
    m_form->slider()->SetFocusInStartBtn(false);
    QMetaObject::invokeMethod(m_form, "onNext");
    QCOMPARE(next.count(), 1);
    QCOMPARE(next.at(0).at(0).toBool(), true);
    QCOMPARE(next.at(0).at(1).toFloat(), m_form->slider()->getEndValue());

    m_form->setStartEndProgressValue(40); // goes to the end handle: focus there
    QVERIFY(qAbs(m_form->slider()->getEndValue() - 0.4f) < 0.02f);
    m_form->setPlayProcess(0.5);
    QVERIFY(qAbs(m_form->slider()->getPlayValue() - 0.5f) < 0.02f);
    m_form->playFinish();
    QCOMPARE(m_form->slider()->getPlayValue(), 0.0f);
}

QTEST_MAIN(TestTrimBar)
#include "tst_trimbar.moc"
