// The status item alone: one tray icon however often it is shown, a tool tip
// that follows the recording time (hours unwrapped), the recorder view asked
// for by a click and hidden when the program loses the focus, and the
// pressed icon shown while the view is up.
#include "app/qstatusbarobject.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString writeIcon(const QString &folder, const QString &name, const QColor &colour)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(colour);
    const QString path = folder + '/' + name;
    return image.save(path) ? path : QString();
}

QColor iconColour(const QSystemTrayIcon *icon)
{
    return icon->icon().pixmap(16, 16).toImage().pixelColor(8, 8);
}

} // namespace

class StatusItemTest : public QObject
{
    Q_OBJECT
private slots:
    void timeTexts()
    {
        QCOMPARE(QStatusbarObject::timeText(0), QStringLiteral("00:00:00"));
        QCOMPARE(QStatusbarObject::timeText(999999), QStringLiteral("00:00:00"));
        QCOMPARE(QStatusbarObject::timeText(3723000000ull), QStringLiteral("01:02:03"));
        // Past 24.8 days a 32-bit count of milliseconds would have wrapped.
        QCOMPARE(QStatusbarObject::timeText(30ull * 24 * 3600 * 1000000), QStringLiteral("720:00:00"));
    }

    void oneItemWhoseToolTipFollowsTheTime()
    {
        // Offscreen there is no tray: the log says so once, however often it is shown.
        static int told = 0;
        QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &text) {
                told += text.contains(QLatin1String("no system tray"));
            });
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        QStatusbarObject item;
        QCOMPARE(item.trayIcon(), static_cast<QSystemTrayIcon *>(nullptr));
        item.setRecorderTime(5000000);
        item.showStatusBar();
        QSystemTrayIcon *icon = item.trayIcon();
        QVERIFY(icon);
        QCOMPARE(icon->toolTip(), QStringLiteral("00:00:05"));
        item.showStatusBar();
        QCOMPARE(item.trayIcon(), icon);
        QCOMPARE(item.findChildren<QSystemTrayIcon *>().size(), 1);
        for (quint64 seconds : {1ull, 59ull, 61ull, 3599ull, 3600ull}) {
            item.setRecorderTime(seconds * 1000000 + 400000);
            QCOMPARE(icon->toolTip(), QStatusbarObject::timeText(seconds * 1000000));
        }
        QPointer<QSystemTrayIcon> watched(icon);
        item.hideStatusBar();
        QVERIFY(watched.isNull());
        QCOMPARE(item.trayIcon(), static_cast<QSystemTrayIcon *>(nullptr));
        item.showStatusBar();
        QVERIFY(item.trayIcon());
        QCOMPARE(item.trayIcon()->toolTip(), QStringLiteral("01:00:00"));
        QStatusbarObject another;
        another.showStatusBar();
        qInstallMessageHandler(previous);
        QCOMPARE(told, 1);
    }

    void clickAsksForTheViewAndFocusLossHidesIt()
    {
        QTemporaryDir dir;
        const QString normal = writeIcon(dir.path(), "normal.png", Qt::red);
        const QString pressed = writeIcon(dir.path(), "pressed.png", Qt::blue);
        QStatusbarObject item;
        item.setStatusBarIcon(normal);   // nothing is shown yet: ignored
        item.showStatusBar();
        item.setStatusBarIcon(normal);
        item.setStatusBarAlternateIcon(pressed);
        QSystemTrayIcon *icon = item.trayIcon();
        QCOMPARE(iconColour(icon), QColor(Qt::red));

        QSignalSpy shown(&item, &QStatusbarObject::emitShowRecorderView);
        QSignalSpy hidden(&item, &QStatusbarObject::emitHideRecorderView);
        emit icon->activated(QSystemTrayIcon::Context);
        QCOMPARE(shown.count(), 0);
        QCursor::setPos(200, 120);
        emit icon->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(shown.count(), 1);
        const QPoint expected = icon->geometry().isValid()
            ? QPoint(icon->geometry().left(), icon->geometry().bottom() + 1) : QCursor::pos();
        QCOMPARE(QPoint(shown.at(0).at(0).toInt(), shown.at(0).at(1).toInt()), expected);
        QCOMPARE(iconColour(icon), QColor(Qt::blue));

        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        QCOMPARE(hidden.count(), 1);
        QCOMPARE(iconColour(icon), QColor(Qt::red));

        item.showRecorderView(QPointF(10.7, 22.9));
        QCOMPARE(shown.last(), (QList<QVariant>{10, 22}));
    }

    void givenViewPopsUpWhereAskedAndHides()
    {
        QTemporaryDir dir;
        QStatusbarObject item;
        item.showStatusBar();
        item.setStatusBarIcon(writeIcon(dir.path(), "normal.png", Qt::red));
        item.setStatusBarAlternateIcon(writeIcon(dir.path(), "pressed.png", Qt::blue));
        QWidget view;
        view.resize(240, 120);
        item.setRecorderView(&view);
        QVERIFY(view.windowFlags() & Qt::Popup);

        item.showRecorderView(QPointF(300, 40));
        QVERIFY(view.isVisible());
        QCOMPARE(view.pos(), QPoint(300, 40));
        QCOMPARE(iconColour(item.trayIcon()), QColor(Qt::blue));
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(!view.isVisible());
        QCOMPARE(iconColour(item.trayIcon()), QColor(Qt::red));

        // Closed by itself (a click outside it), the icon still follows.
        item.showRecorderView(QPointF(5, 5));
        view.close();
        QCOMPARE(iconColour(item.trayIcon()), QColor(Qt::red));
    }
};

QTEST_MAIN(StatusItemTest)
#include "tst_statusitem.moc"
