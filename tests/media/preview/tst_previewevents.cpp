// The preview engine hears of a play that could not start from the player's
// own thread. No sound server runs for this test, so every play fails.

#include "media/jxplayerclass.h"
#include "media/jxplayermanager.h"

#include "testsupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestPreviewEvents : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void failedPlayIsReportedAndRests();
    void playerOutlivingItsManagerCallsNoOneBack();

private:
    QTemporaryDir m_dir;
    QString m_tone;
};

void TestPreviewEvents::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_tone = m_dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 440, 2.0));
}

void TestPreviewEvents::failedPlayIsReportedAndRests()
{
    JXPlayerManager manager;
    QVERIFY(manager.setPlayFile(m_tone, 0, 0, 0));
    QSignalSpy errors(&manager, &JXPlayerManager::emitPlayError);
    QSignalSpy states(&manager, QOverload<bool>::of(&JXPlayerManager::emitPlayState));
    manager.onPlay();
    QTRY_COMPARE(errors.count(), 1);
    QVERIFY(!errors.at(0).at(0).toString().isEmpty());
    QVERIFY(!states.isEmpty());
    QCOMPARE(states.last().at(0).toBool(), false);
    QVERIFY(!manager.getPlayerClass()->IsRunning_Player());
}

void TestPreviewEvents::playerOutlivingItsManagerCallsNoOneBack()
{
    // Another handle keeps the manager's player after the manager is gone; a
    // play through it that fails must not call back into the manager (the
    // sanitizer build would catch the use of freed memory).
    auto manager = std::make_unique<JXPlayerManager>();
    QVERIFY(manager->setPlayFile(m_tone, 0, 0, 0));
    JXPlayerClass other;
    QVERIFY(other.Reference_Player(manager->getPlayerClass()->getPlayer()));
    QVERIFY(other.handleId() != manager->getPlayerClass()->handleId());
    manager.reset();

    QVERIFY(other.OpenEx_Player(m_tone.toUtf8().constData(), 0, 0, 0, 0));
    QVERIFY(other.Play_Player());
    QTRY_VERIFY(!other.GetErrorText_Player().isEmpty());
    QVERIFY(!other.IsRunning_Player());
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

QTEST_MAIN(TestPreviewEvents)
#include "tst_previewevents.moc"
