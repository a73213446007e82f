// The style-bit message dialog and the fading notice.
#include "testsupport.h"

#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxmessagedlg.h"
#include "widgetkit/views/qmessageopacityform.h"

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

void whenModal(std::function<void(QJXMessageDlg *)> action)
{
    QTimer::singleShot(50, [action] {
        auto *dialog = qobject_cast<QJXMessageDlg *>(QApplication::activeModalWidget());
        if (!dialog) {
            whenModal(action);
            return;
        }
        action(dialog);
    });
}

QJXBaseButton *button(QWidget *owner, const char *name)
{
    return owner->findChild<QJXBaseButton *>(QLatin1String(name));
}

// Reaches the dialog's edge drawing, which its own painting never calls.
class EdgeDialog : public QJXMessageDlg
{
public:
    QImage paintEdges()
    {
        QImage image(size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        DrawTop(painter);
        DrawBottom(painter);
        DrawLeft(painter);
        DrawRight(painter);
        return image;
    }
};

QImage solid(int w, int h, QColor color)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

} // namespace

class MessageDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void styleBitsChooseButtonsAndResults_data()
    {
        QTest::addColumn<unsigned>("style");
        QTest::addColumn<bool>("pressOk");
        QTest::addColumn<int>("expected");
        QTest::newRow("ok alone") << 0u << true << 0x400;
        QTest::newRow("ok of ok/cancel") << 0x100u << true << 0x400;
        QTest::newRow("cancel") << 0x100u << false << 0x400000;
        QTest::newRow("yes") << 0x400u << true << 0x4000;
        QTest::newRow("no") << 0x400u << false << 0x10000;
        QTest::newRow("restart later") << 0x200u << false << 0x400000;
    }
    void styleBitsChooseButtonsAndResults()
    {
        QFETCH(unsigned, style);
        QFETCH(bool, pressOk);
        QFETCH(int, expected);
        bool cancelShown = false;
        whenModal([&](QJXMessageDlg *dialog) {
            cancelShown = button(dialog, "m_btnCancel")->isVisible();
            QTest::mouseClick(pressOk ? button(dialog, "m_btnOk") : button(dialog, "m_btnCancel"),
                              Qt::LeftButton);
        });
        QCOMPARE(ShowMessage(QStringLiteral("Message"), QStringLiteral("Title"), style, false), expected);
        QCOMPARE(cancelShown, style != 0);
    }

    void edgePicturesAreStretchedAlongTheirEdges()
    {
        EdgeDialog dialog;
        dialog.resize(200, 100);
        QVERIFY(dialog.paintEdges().pixelColor(100, 1).alpha() == 0);
        dialog.setEdgeImage(Qt::TopEdge, solid(8, 6, Qt::red));
        dialog.setEdgeImage(Qt::BottomEdge, solid(8, 10, Qt::green));
        dialog.setEdgeImage(Qt::LeftEdge, solid(4, 8, Qt::blue));
        dialog.setEdgeImage(Qt::RightEdge, solid(12, 8, Qt::yellow));
        const QImage edges = dialog.paintEdges();
        QCOMPARE(edges.pixelColor(100, 2), QColor(Qt::red));
        QCOMPARE(edges.pixelColor(100, 3).alpha(), 0);
        QCOMPARE(edges.pixelColor(100, 95), QColor(Qt::green));
        QCOMPARE(edges.pixelColor(100, 94).alpha(), 0);
        QCOMPARE(edges.pixelColor(1, 50), QColor(Qt::blue));
        QCOMPARE(edges.pixelColor(2, 50).alpha(), 0);
        QCOMPARE(edges.pixelColor(194, 50), QColor(Qt::yellow));
        QCOMPARE(edges.pixelColor(193, 50).alpha(), 0);
    }

    void restartDoesNotEndTheDialog()
    {
        whenModal([](QJXMessageDlg *dialog) {
            QCOMPARE(button(dialog, "m_btnOk")->text(), QStringLiteral("Restart"));
            QTest::mouseClick(button(dialog, "m_btnOk"), Qt::LeftButton);
            QTimer::singleShot(100, dialog, [dialog] {
                QVERIFY(dialog->isVisible());
                QTest::mouseClick(button(dialog, "m_btnClose"), Qt::LeftButton);
            });
        });
        QCOMPARE(ShowMessage("Update installed", "", 0x200, false), 0x200000);
    }

    void windowWidthFollowsTheMessage()
    {
        QJXMessageDlg narrow;
        narrow.SetMessage(QStringLiteral("Short"));
        narrow.show();
        QCOMPARE(narrow.width(), 262);
        QCOMPARE(narrow.messageRect().left(), (261 - narrow.messageRect().width() + 1) / 2);

        QJXMessageDlg wide;
        wide.SetMessage(QString(300, QLatin1Char('x')));
        wide.show();
        QCOMPARE(wide.width(), 601);
        QCOMPARE(wide.messageRect().left(), 40);

        QJXMessageDlg withIcon;
        withIcon.SetMessageStyle(0x2 | 0x10);
        withIcon.SetMessage(QString(300, QLatin1Char('x')));
        withIcon.show();
        QCOMPARE(withIcon.width(), 601);
        QCOMPARE(withIcon.messageRect().left(), 92);
        TestSupport::saveScreenshot(&withIcon, QStringLiteral("widgetkit_messagedlg"));
    }

    void noticeFadesAfterASecondAndCloses()
    {
        QMessageOpacityForm form;
        form.setMessageText(QStringLiteral("Saved the snapshot."));
        form.show();
        form.startOpacity();
        QCOMPARE(form.windowOpacity(), 1.0);
        QVERIFY(form.fadeTimer()->isActive());
        QCOMPARE(form.fadeTimer()->interval(), 1000);

        // The fade timer's ticks are delivered here, so every step is exact:
        // the first tick (after the second) starts the 50 ms steps of a tenth.
        // Opacity is kept in 1/255 steps, so 0.082 is left after nine of them.
        const double expected[] = {229, 203, 177, 151, 125, 99, 73, 47, 21};
        for (double level : expected) {
            form.onTimer();
            QVERIFY(form.isVisible());
            QCOMPARE(form.fadeTimer()->interval(), 50);
            QVERIFY(form.fadeTimer()->isActive());
            QCOMPARE(qRound(form.windowOpacity() * 255), int(level));
        }
        // Below a tenth, the next tick closes it.
        form.onTimer();
        QVERIFY(!form.isVisible());
        QVERIFY(!form.fadeTimer()->isActive());

        // Left to its own timer, a shown notice fades out and closes.
        form.show();
        form.startOpacity();
        QTRY_VERIFY_WITH_TIMEOUT(form.windowOpacity() < 1.0, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 10000);
    }

    void pointerHoldsTheNoticeUnlessFadingIgnoresIt()
    {
        QMessageOpacityForm form;
        form.show();
        form.startOpacity();
        QTRY_VERIFY_WITH_TIMEOUT(form.windowOpacity() < 0.95, 2000);
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(&form, &enter);
        QCOMPARE(form.windowOpacity(), 1.0);
        QVERIFY(!form.fadeTimer()->isActive());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&form, &leave);
        QVERIFY(form.fadeTimer()->isActive());
        QCOMPARE(form.fadeTimer()->interval(), 1000);

        form.setIsOpacity(false);
        QApplication::sendEvent(&form, &enter);
        QVERIFY(form.fadeTimer()->isActive());
    }

    void closingRestoresFullOpacity()
    {
        QMessageOpacityForm form;
        form.show();
        form.startOpacity();
        QTRY_VERIFY_WITH_TIMEOUT(form.windowOpacity() < 0.95, 2000);
        QTest::mouseClick(button(&form, "m_btnOk"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.windowOpacity(), 1.0);
        QVERIFY(!form.fadeTimer()->isActive());
        QCOMPARE(form.size(), QSize(351, 125));
        QCOMPARE(button(&form, "m_btnMin")->x(), button(&form, "m_btnClose")->geometry().right() + 9);
    }
};

QTEST_MAIN(MessageDialogsTest)
#include "tst_messagedialogs.moc"
