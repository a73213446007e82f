// Check boxes and the segmented level bar: which picture is
// drawn for which state (sampled pixels), sizes, clicks and lit segments.

#include "controlart.h"
#include "widgetkit/qjxcheckbox.h"
#include "widgetkit/qlumpprogress.h"

#include <QSignalSpy>
#include <cmath>
#include <QtTest>

namespace {
const QColor kOn(0, 200, 0);
const QColor kOff(0, 0, 200);
const QColor kMixed(220, 220, 0);
const QColor kDisabled(200, 0, 0);
}

class TestBoxes : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void picturesSizeTheCheckAndText();
    void twoFramesShowTheDisabledHalf();
    void pictureIsCentredVertically();
    void partialStateNeverDrawsTheUncheckedLook();
    void adjustSizeFitsPictureAndText();
    void clickAnywhereToggles();
    void missingOrNullPicturesLeaveQtPainting();

    void lumpsLitByValue();
    void lumpsDrawnWhereExpected();
    void verticalLumpsFromTheBottom();
    void lumpPicturesAndRadius();

private:
    ControlArt *m_art = nullptr;
    QString m_on, m_off, m_mixed, m_onTwo, m_offTwo;
};

void TestBoxes::init()
{
    delete m_art;
    m_art = new ControlArt;
    m_on = m_art->solid(QStringLiteral("on.png"), 32, 32, kOn);
    m_off = m_art->solid(QStringLiteral("off.png"), 32, 32, kOff);
    m_mixed = m_art->solid(QStringLiteral("mixed.png"), 32, 32, kMixed);
    m_onTwo = m_art->strip(QStringLiteral("on2.png"), 32, 32, {kOn, kDisabled});
    m_offTwo = m_art->strip(QStringLiteral("off2.png"), 32, 32, {kOff, kDisabled});
}

void TestBoxes::picturesSizeTheCheckAndText()
{
    QJXCheckBox box;
    box.resize(100, 12);
    box.setCheckImage(m_on, m_off, QString(), false);
    QVERIFY(box.isCustomDraw());
    QCOMPARE(box.checkRect().size(), QSize(16, 16));
    QCOMPARE(box.textRect().left(), 21);
    QCOMPARE(box.height(), 16);
    QCOMPARE(box.width(), 100);
}

void TestBoxes::twoFramesShowTheDisabledHalf()
{
    QJXCheckBox box;
    box.resize(60, 16);
    box.setCheckImage(m_onTwo, m_offTwo, QString(), true);
    QCOMPARE(box.checkRect().size(), QSize(16, 16));
    QVERIFY(near(grabImage(&box).pixelColor(8, 8), kOff));
    box.setChecked(true);
    QVERIFY(near(grabImage(&box).pixelColor(8, 8), kOn));
    box.setEnabled(false);
    QVERIFY(near(grabImage(&box).pixelColor(8, 8), kDisabled));
}

void TestBoxes::pictureIsCentredVertically()
{
    QJXCheckBox box;
    box.resize(60, 30);
    box.setCheckImage(m_on, m_off, QString(), false);
    const QImage image = grabImage(&box);
    QVERIFY(!near(image.pixelColor(8, 3), kOff));
    QVERIFY(near(image.pixelColor(8, 8), kOff));
    QVERIFY(near(image.pixelColor(8, 21), kOff));
    QVERIFY(!near(image.pixelColor(8, 26), kOff));
}

void TestBoxes::partialStateNeverDrawsTheUncheckedLook()
{
    QJXCheckBox box;
    box.resize(60, 16);
    box.setTristate(true);
    box.setCheckImage(m_on, m_off, QString(), false);
    const QImage unchecked = grabImage(&box);
    box.setCheckState(Qt::PartiallyChecked);
    const QImage partial = grabImage(&box);
    QVERIFY(partial != unchecked);
    // The mark sits in the middle of the unchecked picture, whose edge shows.
    QVERIFY(!near(partial.pixelColor(8, 8), kOff));
    QVERIFY(near(partial.pixelColor(1, 1), kOff));
    box.setCheckState(Qt::Checked);
    QVERIFY(near(grabImage(&box).pixelColor(8, 8), kOn));

    QJXCheckBox withOwn;
    withOwn.resize(60, 16);
    withOwn.setTristate(true);
    withOwn.setCheckImage(m_on, m_off, m_mixed, false);
    withOwn.setCheckState(Qt::PartiallyChecked);
    QVERIFY(near(grabImage(&withOwn).pixelColor(8, 8), kMixed));
}

void TestBoxes::adjustSizeFitsPictureAndText()
{
    QJXCheckBox box;
    box.setCheckImage(m_on, m_off, QString(), false);
    box.setText(QStringLiteral("On"));
    box.adjustSize();
    const QFontMetricsF fm(box.font());
    QCOMPARE(box.width(), 16 + int(std::ceil(fm.horizontalAdvance(QStringLiteral("On")))) + 5);
    QCOMPARE(box.height(), qMax(16, QFontMetrics(box.font()).height()));
    // The whole text fits: nothing is elided.
    box.setText(QStringLiteral("Some selected"));
    box.adjustSize();
    const QRect text(21, 0, box.width() - 21, box.height());
    QCOMPARE(QFontMetrics(box.font()).elidedText(box.text(), Qt::ElideRight, text.width()), box.text());
    box.setText(QString());
    box.adjustSize();
    QCOMPARE(box.width(), 16);
}

void TestBoxes::clickAnywhereToggles()
{
    QJXCheckBox box;
    box.resize(200, 16);
    box.setCheckImage(m_on, m_off, QString(), false);
    box.setText(QStringLiteral("Split"));
    QSignalSpy toggled(&box, SIGNAL(toggled(bool)));
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(190, 8));
    QVERIFY(box.isChecked());
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(2, 8));
    QVERIFY(!box.isChecked());
    QCOMPARE(toggled.count(), 2);
}

void TestBoxes::missingOrNullPicturesLeaveQtPainting()
{
    QJXCheckBox box;
    box.setCheckImage(m_art->path(QStringLiteral("none.png")), m_off, QString(), false);
    QVERIFY(!box.isCustomDraw());
    box.setCheckImage(m_on, m_off, QString(), false);
    QVERIFY(box.isCustomDraw());
    box.setCheckImage(nullptr, nullptr, nullptr, false, true);
    QVERIFY(!box.isCustomDraw());
    grabImage(&box);
}

void TestBoxes::lumpsLitByValue()
{
    QLumpProgress bar;
    bar.resize(141, 21);
    QCOMPARE(bar.lumpCount(), 20);
    const QVector<QPair<double, int>> cases = {{0.5, 11}, {0.1, 3}, {0.05, 1}, {0.0, 0}};
    for (const auto &c : cases) {
        bar.setValue(c.first);
        QCOMPARE(bar.litCount(), c.second);
    }
    bar.setValue(50);
    QCOMPARE(bar.value(), 0.5);
    QCOMPARE(bar.litCount(), 11);
}

void TestBoxes::lumpsDrawnWhereExpected()
{
    QLumpProgress bar;
    bar.resize(141, 21);
    bar.setBottomLumpColor(QColor(0, 0, 255));
    bar.setTopLumpColor(QColor(255, 0, 0));
    bar.setValue(0.5);
    const QImage image = grabImage(&bar);
    // Lump i spans x = 7i .. 7i + 4; lumps 0..10 are lit.
    QVERIFY(near(image.pixelColor(2, 10), QColor(255, 0, 0)));
    QVERIFY(near(image.pixelColor(72, 10), QColor(255, 0, 0)));
    QVERIFY(near(image.pixelColor(79, 10), QColor(0, 0, 255)));
    QVERIFY(near(image.pixelColor(135, 10), QColor(0, 0, 255)));
    // Gaps and the last three columns stay empty.
    QVERIFY(!near(image.pixelColor(6, 10), QColor(0, 0, 255))
            && !near(image.pixelColor(6, 10), QColor(255, 0, 0)));
    QVERIFY(!near(image.pixelColor(139, 10), QColor(0, 0, 255)));
}

void TestBoxes::verticalLumpsFromTheBottom()
{
    QLumpProgress bar;
    bar.setOrientation(Qt::Vertical);
    bar.resize(21, 140);
    bar.setBottomLumpColor(QColor(0, 0, 255));
    bar.setTopLumpColor(QColor(255, 0, 0));
    bar.setValue(0.5);
    QCOMPARE(bar.litCount(), 10);
    const QImage image = grabImage(&bar);
    QVERIFY(near(image.pixelColor(10, 137), QColor(255, 0, 0)));
    // Lump 9 spans y = 140 - 5 - 63 = 72 .. 76; lump 10 is unlit.
    QVERIFY(near(image.pixelColor(10, 74), QColor(255, 0, 0)));
    QVERIFY(near(image.pixelColor(10, 67), QColor(0, 0, 255)));
}

void TestBoxes::lumpPicturesAndRadius()
{
    QLumpProgress bar;
    bar.resize(141, 21);
    bar.setRadius(10);
    QCOMPARE(bar.radius(), 2);
    bar.setTopImage(m_art->solid(QStringLiteral("lit.png"), 8, 30, QColor(255, 255, 0)));
    QCOMPARE(bar.lumpSize(), 5);
    QCOMPARE(bar.height(), 21);
    bar.setBottomImage(m_art->solid(QStringLiteral("unlit.png"), 8, 30, QColor(0, 255, 255)));
    QCOMPARE(bar.lumpSize(), 4);
    QCOMPARE(bar.height(), 15);
    bar.setValue(1.0);
    const QImage image = grabImage(&bar);
    QVERIFY(near(image.pixelColor(1, 7), QColor(255, 255, 0)));
}

QTEST_MAIN(TestBoxes)
#include "tst_boxes.moc"
