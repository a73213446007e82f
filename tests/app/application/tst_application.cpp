// The application object: arguments change nothing, events go through its
// notify, the native filter it holds sees the window system's events and is
// deleted when replaced or when the application ends; the session bus is
// connected on a worker as it is made, and that connection is the one every
// later user of the bus gets. The start-up presets:
// project names and bands, the message-box hook (boxes made before it keep
// the plain defaults), and the codec layer's working folder; the codec
// layer's background load starts even for a window that never paints.
// Windows are raster-only and never load the GL stack until a frame display
// is made for a picture; its window is then made GL-capable where it stands
// (a dialog in exec() goes on, modal), and the display's picture reaches the
// screen.

#include "testsupport.h"

#include "app/keyapplication.h"
#include "app/mainwindow.h"
#include "app/qcodecmoduleload.h"
#include "app/qinitproject.h"
#include "app/qsessionbusconnect.h"
#include "common/qianyutil.h"
#include "rzcodec/setup.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxdialog.h"
#include "widgetkit/qjxmessagebox.h"
#include "widgetkit/qprojectconfig.h"
#include "widgetkit/views/qjxvideoshowwidget.h"
#include "widgetkit/views/qmediaelementwindow.h"

#include <QDBusConnection>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <QtTest>

namespace {

// Counts the native events it sees and tells when it is deleted.
class CountingFilter : public KeyNativeEventFilter
{
public:
    explicit CountingFilter(bool *deleted)
        : m_deleted(deleted)
    {
    }
    ~CountingFilter() override { *m_deleted = true; }
    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override
    {
        if (eventType == "xcb_generic_event_t")
            ++count;
        return KeyNativeEventFilter::nativeEventFilter(eventType, message, result);
    }
    int count = 0;

private:
    bool *m_deleted;
};

class Receiver : public QObject
{
public:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User) {
            ++received;
            return true;
        }
        return QObject::event(e);
    }
    int received = 0;
};

bool g_lastFilterDeleted = false;

const QColor kPicture(230, 120, 20);

// A packed frame (bytes B, G, R, A) of one colour.
QImage pictureFrame()
{
    QImage frame(64, 48, QImage::Format_ARGB32);
    frame.fill(kPicture);
    return frame;
}

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) <= 8 && qAbs(a.green() - b.green()) <= 8 && qAbs(a.blue() - b.blue()) <= 8;
}

QString describe(const QColor &c)
{
    return QString("%1,%2,%3").arg(c.red()).arg(c.green()).arg(c.blue());
}

} // namespace

class TestApplication : public QObject
{
    Q_OBJECT
private slots:
    void sessionBusConnectedOnAWorkerAtStart();
    void argumentsAndEvents();
    void nativeFilterSeesWindowEventsAndIsOwned();
    void messageBoxesStyledOnlyAfterStartUp();
    void projectPresetsAndCodecSetUp();
    void codecLoadStartsForAWindowThatNeverPaints();
    void windowsAreRasterUnlessTheyHoldAGlView();
    void dialogInExecStaysModalWhenItBecomesGlCapable();
};

void TestApplication::sessionBusConnectedOnAWorkerAtStart()
{
    auto *app = qobject_cast<KeyApplication *>(qApp);
    QVERIFY(app);
    const QSessionBusConnect *bus = app->sessionBusConnect();
    QTRY_VERIFY(bus->isFinished());
    QVERIFY2(bus->reason().isEmpty(), qPrintable(bus->reason()));
    QVERIFY(!bus->uniqueName().isEmpty());
    // What asks for the session bus later (the accessibility bridge, the
    // file manager's calls) is given the connection the worker made.
    QCOMPARE(QDBusConnection::sessionBus().baseService(), bus->uniqueName());
}

void TestApplication::argumentsAndEvents()
{
    auto *app = qobject_cast<KeyApplication *>(qApp);
    QVERIFY(app);
    QCOMPARE(app->windowInstance(), static_cast<MainWindow *>(nullptr));
    QVERIFY(app->arguments().contains(QStringLiteral("--unknown-option")));

    Receiver receiver;
    QEvent event(QEvent::User);
    QVERIFY(app->notify(&receiver, &event));
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QTRY_COMPARE(receiver.received, 2);
}

void TestApplication::nativeFilterSeesWindowEventsAndIsOwned()
{
    auto *app = qobject_cast<KeyApplication *>(qApp);
    bool firstDeleted = false;
    auto *first = new CountingFilter(&firstDeleted);
    app->setNativeFilter(first);
    QCOMPARE(app->nativeFilter(), first);

    QWidget window;
    window.resize(200, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(first->count > 0);

    // Setting the same filter again keeps it.
    app->setNativeFilter(first);
    QVERIFY(!firstDeleted);

    // A new filter replaces and deletes the old one; the application deletes
    // the last one when it ends (checked after exec in main).
    auto *second = new CountingFilter(&g_lastFilterDeleted);
    app->setNativeFilter(second);
    QVERIFY(firstDeleted);
    window.hide();
    window.show();
    QTRY_VERIFY(second->count > 0);
}

void TestApplication::messageBoxesStyledOnlyAfterStartUp()
{
    {
        QJXMessageBox plain;
        const QJXMessageBoxOption option = plain.getMessageBoxOption();
        QCOMPARE(option.yesText, QStringLiteral("Yes"));
        QCOMPARE(option.noText, QStringLiteral("No"));
        QCOMPARE(option.buttonTextNormal, QColor(0, 0, 0));
        QCOMPARE(option.iconOffset, 0);
    }

    MessageBoxOptionCallback(nullptr); // must not crash

    QWidget owner;
    QInitProject::InitProject(&owner);
    QJXMessageBox styled;
    const QJXMessageBoxOption option = styled.getMessageBoxOption();
    QCOMPARE(option.okText, QStringLiteral("OK"));
    QCOMPARE(option.cancelText, QStringLiteral("Cancel"));
    QCOMPARE(option.yesText, QStringLiteral("YES"));
    QCOMPARE(option.noText, QStringLiteral("NO"));
    QCOMPARE(option.buttonTextNormal, QColor(255, 132, 65));
    QCOMPARE(option.buttonTextHover, QColor(255, 132, 65));
    QCOMPARE(option.buttonTextPressed, QColor(255, 132, 65));
    QCOMPARE(option.buttonTextDisabled, QColor(119, 115, 115));
    QCOMPARE(option.palette.color(QPalette::Disabled, QPalette::WindowText), QColor(250, 237, 237));
    QCOMPARE(option.palette.color(QPalette::Active, QPalette::Text), QColor(250, 237, 237));
    QCOMPARE(option.messageFont.pixelSize(), 12);
    QCOMPARE(option.titleFont.family(), QStringLiteral("Tahoma"));
    QCOMPARE(option.dialogTop, 22);
    QCOMPARE(option.dialogBottom, 50);
    QCOMPARE(option.iconOffset, -7);
    // The texts reach the buttons of a Yes/No box.
    styled.setButtonStyle(QJXMessageBox::YesNoButton);
    QStringList texts;
    for (QJXBaseButton *button : styled.buttons())
        texts << button->text();
    QVERIFY2(texts.contains(QStringLiteral("YES")) && texts.contains(QStringLiteral("NO")),
             qPrintable(texts.join(',')));
    QInitProject::releseProject();
}

void TestApplication::projectPresetsAndCodecSetUp()
{
    QWidget owner;
    QFont font = owner.font();
    font.setPixelSize(17);
    owner.setFont(font);
    QInitProject::InitProject(&owner);
    const QProjectConfig *config = QProjectConfig::getProjectConfig();
    QCOMPARE(config->companyName(), QStringLiteral("Velmora"));
    QCOMPARE(config->projectName(), QStringLiteral("Velmora Audio Recorder"));
    QCOMPARE(config->projectShortName(), QStringLiteral("Audio Recorder"));
    QCOMPARE(config->projectVersionName(), QString());
    QCOMPARE(config->getTransparentMargins(), QMargins(8, 8, 8, 8));
    QCOMPARE(config->dlgTop(), 22);
    QCOMPARE(config->dlgBottom(), 50);
    QCOMPARE(config->font().pixelSize(), 17);
    QInitProject::releseProject();

    MainWindow::setGlobalFunction();
    QCOMPARE(QString::fromUtf8(rz_setup_get_work_folder()), QIAnyUtil::getAppDataPath());
    QVERIFY(QFileInfo(QIAnyUtil::getAppDataPath()).isDir());
}

void TestApplication::codecLoadStartsForAWindowThatNeverPaints()
{
    QWidget hidden;
    QCodecModuleLoad load;
    QSignalSpy loaded(&load, &QCodecModuleLoad::loaded);
    QSignalSpy failed(&load, &QCodecModuleLoad::failed);
    load.startAfterFirstPaint(&hidden);
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, QCodecModuleLoad::kUnpaintedStartMs + 10000);
    QCOMPARE(failed.count(), 0);
}

void TestApplication::windowsAreRasterUnlessTheyHoldAGlView()
{
    QVERIFY(QCoreApplication::testAttribute(Qt::AA_ForceRasterWidgets));
    // A window without a GL view never needs the GL stack.
    QJXDialog plain;
    plain.resize(200, 120);
    plain.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plain));
    QCOMPARE(plain.windowHandle()->surfaceType(), QSurface::RasterSurface);
    TestSupport::saveScreenshot(&plain, QStringLiteral("app_raster_window"));

    // Nor does one holding a frame display's container that showed no picture.
    QJXDialog withPane;
    withPane.resize(240, 180);
    auto *pane = new QMediaElementWindow(&withPane);
    pane->setGeometry(20, 20, 200, 140);
    pane->setVideoElementSize(4, 3);
    pane->hide();
    withPane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&withPane));
    QCOMPARE(withPane.windowHandle()->surfaceType(), QSurface::RasterSurface);
    QVERIFY(!pane->videoView());
    QVERIFY(!TestSupport::glStackLoaded());

    // Shown for a picture: the display is made and the window made GL-capable
    // where it stands.
    const QPoint place = withPane.pos();
    pane->showPicture();
    QJXVideoShowWidget *view = pane->videoView();
    QVERIFY(view);
    QVERIFY(withPane.isVisible());
    QVERIFY(withPane.windowHandle()->supportsOpenGL());
    QVERIFY(QTest::qWaitForWindowExposed(&withPane));
    QCOMPARE(withPane.pos(), place);
    QTRY_VERIFY(view->isValid());
    const QImage frame = pictureFrame();
    QVERIFY(pane->getVideoElementRect().isValid());
    pane->showImage(frame.constBits(), unsigned(frame.width()), unsigned(frame.height()),
                    unsigned(frame.bytesPerLine()));
    QTRY_COMPARE(view->frameSize(), frame.size());
    // What the display server shows: a view not flushed to a raster window stays black.
    const QPoint centre = pane->geometry().center();
    QTRY_VERIFY2(near(TestSupport::screenOf(&withPane).pixelColor(centre), kPicture),
                 qPrintable(describe(TestSupport::screenOf(&withPane).pixelColor(centre))));
    TestSupport::saveScreenshot(&withPane, QStringLiteral("app_gl_view_window"));
    QVERIFY(TestSupport::glStackLoaded());

    // Later windows are raster again.
    QVERIFY(QCoreApplication::testAttribute(Qt::AA_ForceRasterWidgets));
    QJXDialog later;
    later.resize(120, 80);
    later.show();
    QVERIFY(QTest::qWaitForWindowExposed(&later));
    QCOMPARE(later.windowHandle()->surfaceType(), QSurface::RasterSurface);
}

void TestApplication::dialogInExecStaysModalWhenItBecomesGlCapable()
{
    QWidget behind;
    behind.resize(300, 200);
    behind.show();
    QVERIFY(QTest::qWaitForWindowExposed(&behind));
    QJXDialog dialog;
    dialog.resize(240, 180);
    auto *pane = new QMediaElementWindow(&dialog);
    pane->setGeometry(20, 20, 200, 140);
    pane->hide();

    bool glCapable = false, shownAfter = false, modalAfter = false, nextTurnInExec = false;
    QTimer::singleShot(0, &dialog, [&] {
        if (!QTest::qWaitForWindowExposed(&dialog))
            return;
        pane->showPicture();
        glCapable = dialog.windowHandle()->supportsOpenGL();
        // The next turn still runs inside exec() when the remake did not end it.
        QTimer::singleShot(0, &dialog, [&] {
            nextTurnInExec = true;
            shownAfter = dialog.isVisible();
            modalAfter = QGuiApplication::modalWindow() == dialog.windowHandle()
                         && QApplication::activeModalWidget() == &dialog;
            TestSupport::saveScreenshot(&dialog, QStringLiteral("app_gl_view_dialog_in_exec"));
            dialog.accept();
        });
    });
    const int result = dialog.exec();
    QVERIFY(glCapable);
    QVERIFY(nextTurnInExec);
    QVERIFY(shownAfter);
    QVERIFY(modalAfter);
    QCOMPARE(result, int(QDialog::Accepted));
}

int main(int argc, char **argv)
{
    QVector<char *> args(argv, argv + argc);
    QByteArray extra("--unknown-option");
    args.append(extra.data());
    int count = args.size();
    int code = 0;
    {
        KeyApplication app(count, args.data());
        TestApplication test;
        code = QTest::qExec(&test, argc, argv);
    }
    if (!g_lastFilterDeleted) {
        qWarning("the application did not delete the filter it held");
        return 1;
    }
    return code;
}

#include "tst_application.moc"
