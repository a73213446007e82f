// Radio buttons: box mode pictures and button mode frames, sampled pixels.

#include "controlart.h"
#include "widgetkit/qjxradiobutton.h"

#include <QtTest>

namespace {
const QColor kOn(0, 200, 0);
const QColor kOff(0, 0, 200);
}

class TestRadio : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void radioBoxFollowsCheckedState();
    void radioButtonModeShowsPressedFrameWhenChecked();

private:
    ControlArt *m_art = nullptr;
    QString m_on, m_off;
};

void TestRadio::init()
{
    delete m_art;
    m_art = new ControlArt;
    m_on = m_art->solid(QStringLiteral("on.png"), 32, 32, kOn);
    m_off = m_art->solid(QStringLiteral("off.png"), 32, 32, kOff);
}

void TestRadio::radioBoxFollowsCheckedState()
{
    QJXRadioButton radio;
    radio.resize(80, 16);
    radio.setCheckImage(m_on, m_off, false, false);
    QVERIFY(near(grabImage(&radio).pixelColor(8, 8), kOff));
    radio.setChecked(true);
    QVERIFY(near(grabImage(&radio).pixelColor(8, 8), kOn));
}

void TestRadio::radioButtonModeShowsPressedFrameWhenChecked()
{
    const QColor normal(10, 10, 10), hover(60, 60, 60), pressed(250, 120, 0), disabled(90, 0, 90);
    const QString strip = m_art->strip(QStringLiteral("radio.png"), 40, 20,
                                       {normal, hover, pressed, disabled});
    QWidget page;
    QJXRadioButton first(&page), second(&page);
    first.setCheckImage(strip, QString(), true, false);
    second.setCheckImage(strip, QString(), true, false);
    QVERIFY(first.isButtonMode());
    QCOMPARE(first.size(), QSize(20, 10));
    QVERIFY(near(grabImage(&first).pixelColor(10, 5), normal));
    QTest::mousePress(&first, Qt::LeftButton, {}, QPoint(10, 5));
    // Checked at once on press, showing the pressed frame.
    QVERIFY(first.isChecked());
    QVERIFY(near(grabImage(&first).pixelColor(10, 5), pressed));
    QTest::mouseRelease(&first, Qt::LeftButton, {}, QPoint(10, 5));
    QVERIFY(first.isChecked());
    QVERIFY(near(grabImage(&first).pixelColor(10, 5), pressed));
    // The checked button of an exclusive pair cannot be unchecked by a press.
    QTest::mouseClick(&first, Qt::LeftButton, {}, QPoint(10, 5));
    QVERIFY(first.isChecked());
    QTest::mouseClick(&second, Qt::LeftButton, {}, QPoint(10, 5));
    QVERIFY(second.isChecked());
    QVERIFY(!first.isChecked());
}

QTEST_MAIN(TestRadio)
#include "tst_radio.moc"
