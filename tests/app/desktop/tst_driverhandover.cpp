// The desktop services hand the driver's installation to the loop-back
// device's installer: on the private sound server the device exists
// afterwards, once however often it is asked for.
#include "common/jxcommoninterface.h"
#include "platform/audio/loopbackdevice.h"
#include "serverobjects.h"

#include <QtTest>

class DriverHandoverTest : public QObject
{
    Q_OBJECT
private slots:
    void installsTheLoopbackDeviceOnce()
    {
        QCOMPARE(TestSupport::sinksNamed(LoopbackDevice::SinkName), 0);
        QVERIFY(JxCommonInterface::installAudioDriverWithPath("/opt//driver//RZAudio Device.driver"));
        QCOMPARE(TestSupport::sinksNamed(LoopbackDevice::SinkName), 1);
        QVERIFY(JxCommonInterface::installAudioDriverWithPath(QString()));
        QCOMPARE(TestSupport::sinksNamed(LoopbackDevice::SinkName), 1);
    }

    void cleanupTestCase()
    {
        QVERIFY(LoopbackDevice::instance()->restore());
        QTRY_COMPARE(TestSupport::sinksNamed(LoopbackDevice::SinkName), 0);
    }
};

QTEST_GUILESS_MAIN(DriverHandoverTest)
#include "tst_driverhandover.moc"
