// The remove-or-delete question and the notice that can be turned off.
#include "testsupport.h"

#include "common/qconverteroperate.h"
#include "widgetkit/askmessagedlg.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcheckbox.h"
#include "widgetkit/qrecordermessage.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

template <class T>
T *child(QWidget *owner, const char *name)
{
    return owner->findChild<T *>(QLatin1String(name));
}

// Answers the question once it is up, then runs it and returns exec()'s result.
int ask(std::function<void(AskMessageDlg *)> answer, const QString &text = QString())
{
    AskMessageDlg dialog;
    if (!text.isNull())
        dialog.setMsgText(text);
    QTimer::singleShot(100, &dialog, [&dialog, answer] { answer(&dialog); });
    return dialog.exec();
}

} // namespace

class QuestionDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void answersAreZeroOneAndTwo()
    {
        QCOMPARE(ask([](AskMessageDlg *d) {
                     QTest::mouseClick(child<QJXBaseButton>(d, "m_btnCancel"), Qt::LeftButton);
                 }),
                 0);
        QCOMPARE(ask([](AskMessageDlg *d) {
                     QTest::mouseClick(child<QJXBaseButton>(d, "m_btnMove"), Qt::LeftButton);
                 }),
                 1);
        QCOMPARE(ask([](AskMessageDlg *d) {
                     QTest::mouseClick(child<QJXBaseButton>(d, "m_btnDelete"), Qt::LeftButton);
                 }),
                 2);
        QCOMPARE(ask([](AskMessageDlg *d) { QTest::keyClick(d, Qt::Key_Escape); }), 0);
        QCOMPARE(ask([](AskMessageDlg *d) {
                     auto buttons = d->findChildren<QJXBaseButton *>();
                     // The title band's close button is the one at the top-left.
                     for (QJXBaseButton *b : buttons)
                         if (b->y() < 30 && b->x() < 30) {
                             QTest::mouseClick(b, Qt::LeftButton);
                             return;
                         }
                     QFAIL("no close button in the title band");
                 }),
                 0);
    }

    void layoutCentresTheQuestionAndSpacesTheButtons()
    {
        AskMessageDlg dialog;
        dialog.setMsgText(QStringLiteral("Delete the selected files,\nor only take them off the list?"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.repaint();
        QCOMPARE(dialog.size(), QSize(390, 175));
        auto *label = child<QLabel>(&dialog, "m_labMsg");
        QCOMPARE(label->pos(), QPoint((390 - label->width()) / 2, 60));
        QVERIFY(label->text().contains('\n'));
        auto *cancel = child<QJXBaseButton>(&dialog, "m_btnCancel");
        auto *move = child<QJXBaseButton>(&dialog, "m_btnMove");
        auto *remove = child<QJXBaseButton>(&dialog, "m_btnDelete");
        QCOMPARE(cancel->x(), 23);
        QCOMPARE(move->geometry().right(), 390 - 23 - 1);
        QCOMPARE(move->x() - remove->geometry().right() - 1, 13);
        QCOMPARE(move->y(), 175 - 58 + (50 - move->height()) / 2);
        QCOMPARE(move->width(), 80);
        QVERIFY(!TestSupport::saveScreenshot(&dialog, QStringLiteral("widgetkit_askmessage")).isEmpty());
    }

    void longerLanguagesGetWiderButtons()
    {
        QConverterOperate::setLanguageType(QStringLiteral("German"));
        AskMessageDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.repaint();
        auto *move = child<QJXBaseButton>(&dialog, "m_btnMove");
        auto *remove = child<QJXBaseButton>(&dialog, "m_btnDelete");
        QCOMPARE(move->width(), 110);
        QCOMPARE(move->x(), 390 - 23 - 110);
        QCOMPARE(remove->x(), 390 - 23 - 110 - 13 - 110);
        QConverterOperate::setLanguageType(QStringLiteral("English"));
    }

    void noticeHidesAndRemembersTheTick()
    {
        QRecorderMessage notice;
        notice.show();
        QVERIFY(notice.isShowThisDlg());
        auto *check = child<QJXCheckBox>(&notice, "m_chkNote");
        auto *ok = child<QJXBaseButton>(&notice, "m_btnOk");
        QCOMPARE(ok->geometry().right(), 345 - 23 - 1);
        QCOMPARE(check->x(), 23);
        check->setChecked(true);
        QVERIFY(!notice.isShowThisDlg());
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!notice.isVisible());
    }
};

QTEST_MAIN(QuestionDialogsTest)
#include "tst_questiondialogs.moc"
