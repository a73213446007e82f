// The conversion progress dialog: its layout, the ring's value, and the two
// ways the user cancels.

#include "convert/qconvertprogressdlg.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseprogress.h"

#include "testsupport.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

class TestConvertProgress : public QObject
{
    Q_OBJECT

private slots:
    void layoutAndRing();
    void cancelAndCloseBothCancel();
};

void TestConvertProgress::layoutAndRing()
{
    QConvertProgressDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.size(), QSize(440, 180));
    QCOMPARE(dlg.windowTitle(), QString("Converting"));
    auto *ring = dlg.findChild<QJXBaseProgress *>("m_bpConvert");
    auto *cancel = dlg.findChild<QJXBaseButton *>("m_btnCancel");
    auto *label = dlg.findChild<QLabel *>("m_lblConvert");
    QVERIFY(ring && cancel && label);
    QTRY_COMPARE(ring->geometry(), QRect(28, 93, 384, 16));
    QCOMPARE(cancel->geometry(), QRect(312, 128, 100, 24));
    QCOMPARE(label->pos(), QPoint(28, 50));
    QCOMPARE(cancel->text(), QString("Cancel"));
    QCOMPARE(ring->value(), 0.0);

    dlg.setProgressValue(42.5f);
    QCOMPARE(ring->value(), 42.5);
    QVERIFY(!TestSupport::saveScreenshot(&dlg, "convert_progress_42").isEmpty());
    dlg.setProgressValue(100.0f);
    QCOMPARE(ring->value(), 100.0);
    dlg.setProgressValue(250.0f); // clamped by the ring
    QCOMPARE(ring->value(), 100.0);
    QVERIFY(!TestSupport::saveScreenshot(&dlg, "convert_progress_full").isEmpty());
}

void TestConvertProgress::cancelAndCloseBothCancel()
{
    QConvertProgressDlg dlg;
    QSignalSpy cancelled(&dlg, &QConvertProgressDlg::emitCancel);
    auto *cancel = dlg.findChild<QJXBaseButton *>("m_btnCancel");
    QVERIFY(cancel);
    // Each press closes the window and cancels once.
    for (int round = 1; round <= 2; ++round) {
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTest::mouseClick(cancel, Qt::LeftButton);
        QCOMPARE(cancelled.count(), round);
        QVERIFY(!dlg.isVisible());
    }
    // The title band's close button does the same.
    QList<QJXBaseButton *> buttons = dlg.findChildren<QJXBaseButton *>();
    buttons.removeAll(cancel);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    int closes = 0;
    for (QJXBaseButton *b : buttons) {
        if (!b->isVisible() || !b->isEnabled())
            continue;
        const int before = cancelled.count();
        QTest::mouseClick(b, Qt::LeftButton);
        if (cancelled.count() > before) {
            ++closes;
            QCOMPARE(cancelled.count(), before + 1);
            QVERIFY(!dlg.isVisible());
        }
    }
    QCOMPARE(closes, 1);
}

QTEST_MAIN(TestConvertProgress)
#include "tst_convertprogress.moc"
