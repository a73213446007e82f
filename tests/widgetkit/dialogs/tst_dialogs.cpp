// Dialog base with its title-band buttons, drawn on the program's own art;
// the options pane, the status pop-up, closing animations, fonts, helpers.

#include "widgetkit/qbaseoptionswgt.h"
#include "widgetkit/qdialogcolseanimation.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxdialogex.h"
#include "widgetkit/qkitfonts.h"
#include "widgetkit/qprojectconfig.h"
#include "widgetkit/qstatustoolbar.h"
#include "widgetkit/qveanyutiliy.h"
#include "widgetkit/qwindowcompositing.h"

#include "testsupport.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QFontInfo>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Drives the process's animations by a clock the test advances: installed,
// no animation moves until advanceTo() is called.
class ManualAnimationClock : public QAnimationDriver
{
public:
    ManualAnimationClock() { install(); }
    ~ManualAnimationClock() override { uninstall(); }
    qint64 elapsed() const override { return m_now; }
    // Animations start on a later turn of the event loop: hand those turns
    // over (posted events only, no timers) until this clock drives them.
    bool startPending()
    {
        for (int turn = 0; turn < 10 && !isRunning(); ++turn)
            QCoreApplication::sendPostedEvents();
        return isRunning();
    }
    void advanceTo(qint64 ms)
    {
        m_now = ms;
        advance();
    }

private:
    qint64 m_now = 0;
};

QString res(const char *path) { return QVeAnyUtiliy::getResourcePath() + QLatin1String(path); }

// A dialog skinned the way the program's dialogs are: background, centred
// title, the three title-band buttons and two common buttons in the bottom band.
class SkinnedDialog : public QJXDialogEx
{
public:
    QJXBaseButton *ok = nullptr;
    QJXBaseButton *cancel = nullptr;

    SkinnedDialog()
    {
        setBackgroundImage(res("/image/common/bg_1.png"), true);
        setAttribute(Qt::WA_TranslucentBackground);
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        setTitleRect(QRect(0, 8, 0, 0));
        setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        QPalette pal = palette();
        pal.setColor(QPalette::All, QPalette::WindowText, QColor(250, 237, 237));
        setPalette(pal);
        QFont f(QStringLiteral("Tahoma"));
        f.setPixelSize(12);
        setFont(f);
        setMoveTopHeight(30);
        setStretchPolicy(StretchNone);
        setGridViewInfo({50, 50}, {50, 50}, {50, 50}, {50, 50});
        setDlgTitle(QStringLiteral("Velmora Audio Recorder"));
        setFixedSize(380, 220);

        addCloseBtn(res("/image/btn_close.png"), true);
        addMinBtn(res("/image/btn_min.png"), true);
        addMaxBtn(res("/image/btn_max.png"), true);
        connect(m_btnClose, &QJXBaseButton::clicked, this, &QDialog::reject);

        ok = makeButton(tr("OK"));
        cancel = makeButton(tr("Cancel"));
        cancel->setEnabled(false);
    }

    QJXBaseButton *closeButton() const { return m_btnClose; }
    QJXBaseButton *minButton() const { return m_btnMin; }
    QJXBaseButton *maxButton() const { return m_btnMax; }

    void resetControlLocation() override
    {
        if (!ok)
            return;
        const int y = height() - 8 - 40 + (40 - ok->height()) / 2;
        cancel->move(width() - 8 - 16 - cancel->width(), y);
        ok->move(cancel->x() - 12 - ok->width(), y);
    }

private:
    QJXBaseButton *makeButton(const QString &text)
    {
        auto *b = new QJXBaseButton(this);
        b->setButtonImage(res("/image/common/btn_common.png"), true);
        b->setTextColor(QColor(255, 132, 65), QColor(255, 132, 65), QColor(255, 132, 65),
                        QColor(146, 98, 103));
        b->resize(90, 26);
        b->setFont(font());
        b->setText(text);
        return b;
    }
};

int countButtons(QWidget &w) { return w.findChildren<QJXBaseButton *>(QString(), Qt::FindDirectChildrenOnly).size(); }

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    // A test that chose the compositing answer leaves none behind.
    void cleanup() { QWindowCompositing::setOverride(std::nullopt); }
    void titleBandButtons();
    void addingAgainReplaces();
    void missingPictureStillPlacesButton();
    void dialogIsFixed();
    void screenshotOfSkinnedDialog();
    void marginsFollowTheCompositingManager();
    void optionsPaneLook();
    void statusPopupHidesOnDeactivation();
    void fadeClosesWindow();
    void foldClosesWindow();
    void fontsResolve();
    void sizeTextsAndDoubles();
};

void TestDialogs::titleBandButtons()
{
    SkinnedDialog dialog;
    dialog.show();
    QJXBaseButton *close = dialog.closeButton();
    QVERIFY(close && dialog.minButton() && dialog.maxButton());
    QCOMPARE(close->geometry(), QRect(16, 13, 14, 14));
    QCOMPARE(dialog.minButton()->pos(), QPoint(36, 13));
    QCOMPARE(dialog.maxButton()->pos(), QPoint(56, 13));
    QCOMPARE(close->toolTip(), QStringLiteral("Close"));
    QVERIFY(close->isEnabled());
    QVERIFY(!dialog.minButton()->isEnabled());
    QVERIFY(!dialog.maxButton()->isEnabled());
    QVERIFY(close->isVisible() && dialog.minButton()->isVisible());

    // The disabled buttons draw their disabled frame, which differs from the close button's normal one.
    const QImage closeShot = close->grab().toImage();
    const QImage minShot = dialog.minButton()->grab().toImage();
    QVERIFY(closeShot.pixelColor(2, 7) != minShot.pixelColor(2, 7));

    QSignalSpy rejected(&dialog, &QDialog::rejected);
    close->seedClick();
    QCOMPARE(rejected.count(), 1);
    QVERIFY(!dialog.isVisible());
}

void TestDialogs::addingAgainReplaces()
{
    QJXDialogEx dialog;
    dialog.addCloseBtn(res("/image/btn_close.png"), false);
    dialog.addCloseBtn(res("/image/btn_close.png"), true);
    QCOMPARE(countButtons(dialog), 1);
    dialog.addMinBtn(res("/image/btn_min.png"), false);
    dialog.addRestoreBtn(res("/image/btn_restore.png"), true);
    QCOMPARE(countButtons(dialog), 2);
    dialog.show();
    const auto buttons = dialog.findChildren<QJXBaseButton *>();
    int visible = 0;
    for (QJXBaseButton *b : buttons)
        visible += b->isVisible();
    QCOMPARE(visible, 1);
}

void TestDialogs::missingPictureStillPlacesButton()
{
    QJXDialogEx dialog;
    dialog.addMaxBtn(QStringLiteral("/nonexistent/btn.png"), true);
    QCOMPARE(countButtons(dialog), 1);
    QJXBaseButton *b = dialog.findChild<QJXBaseButton *>();
    QCOMPARE(b->pos(), QPoint(56, 13));
    QVERIFY(!b->isCustomDraw());
}

void TestDialogs::dialogIsFixed()
{
    QJXDialogEx dialog;
    QCOMPARE(dialog.stretchPolicy(), int(QBaseDrawWidget::StretchNone));
    dialog.setGeometry(100, 100, 200, 150);
    dialog.show();
    const QRect before = dialog.geometry();
    const QPointF c = before.center();
    QMouseEvent dbl(QEvent::MouseButtonDblClick, dialog.mapFromGlobal(c.toPoint()), dialog.mapFromGlobal(c.toPoint()),
                    c, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &dbl);
    QVERIFY(!dialog.isMaxSize());
    QCOMPARE(dialog.geometry(), before);
}

void TestDialogs::screenshotOfSkinnedDialog()
{
    // The look under a compositing manager.
    QWindowCompositing::setOverride(true);
    SkinnedDialog dialog;
    dialog.show();
    // Hover the OK button so the screenshot shows two looks of the common button.
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(dialog.ok, &enter);
    const QString path = TestSupport::saveScreenshot(&dialog, QStringLiteral("widgetkit_skinned_dialog"));
    QVERIFY(!path.isEmpty());

    const QImage shot = dialog.grab().toImage();
    QCOMPARE(shot.size(), QSize(380, 220));
    // Shadow band transparent at the very corner, dark page inside.
    QVERIFY(qAlpha(shot.pixel(0, 0)) < 40);
    const QColor page = shot.pixelColor(190, 110);
    QVERIFY(page.red() < 70 && page.green() < 70 && page.blue() < 70 && page.alpha() == 255);
    // The title is drawn in light text, centred across the band.
    int light = 0, minX = 1000, maxX = 0;
    for (int y = 8; y < 28; ++y)
        for (int x = 80; x < 300; ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.lightness() > 180) {
                ++light;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
        }
    QVERIFY(light > 30);
    QVERIFY(qAbs((minX + maxX) / 2 - 190) < 8);
    // The buttons sit in the bottom band, right-aligned.
    QCOMPARE(dialog.cancel->geometry().right(), 380 - 8 - 16 - 1);
    QVERIFY(dialog.ok->geometry().right() < dialog.cancel->x());
    QCOMPARE(dialog.ok->size(), QSize(90, 26));
    QWindowCompositing::setOverride(std::nullopt);
}

void TestDialogs::marginsFollowTheCompositingManager()
{
    // The offscreen platform's window pictures have no alpha channel: as on
    // an X server without a compositor, see-through pixels would be garbage.
    QVERIFY(!QWindowCompositing::isRunning());
    {
        SkinnedDialog dialog;
        QVERIFY(dialog.drawsOpaque());
    }

    struct Case { bool compositing; const char *shot; };
    for (const Case &c : {Case{true, "widgetkit_dialog_margins_composited"},
                          Case{false, "widgetkit_dialog_margins_opaque"}}) {
        QWindowCompositing::setOverride(c.compositing);
        SkinnedDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.drawsOpaque() == !c.compositing);
        // What the dialog paints, into a picture that keeps alpha.
        const QImage shown = dialog.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shown.size(), QSize(380, 220));
        QVERIFY(!TestSupport::saveScreenshot(&dialog, QLatin1String(c.shot)).isEmpty());
        const QColor page = shown.pixelColor(190, 110);
        // The shadow band: every pixel of the outer 3 px ring.
        int seeThrough = 0, black = 0, ring = 0;
        for (int y = 0; y < 220; ++y)
            for (int x = 0; x < 380; ++x) {
                if (x >= 3 && x < 377 && y >= 3 && y < 217)
                    continue;
                ++ring;
                const QColor p = shown.pixelColor(x, y);
                if (p.alpha() < 255)
                    ++seeThrough;
                if (p.alpha() == 255 && p.lightness() < page.lightness() - 20)
                    ++black;
            }
        if (c.compositing) {
            // See-through, for the compositor to blend with the desktop.
            QVERIFY(seeThrough > ring * 9 / 10);
        } else {
            // Opaque, and no darker than the page: no black band.
            QCOMPARE(seeThrough, 0);
            QCOMPARE(black, 0);
            QCOMPARE(shown.pixelColor(0, 0).rgb(), dialog.opaqueColour().rgb());
        }
        QCOMPARE(page.alpha(), 255);
    }
    QWindowCompositing::setOverride(std::nullopt);
}

void TestDialogs::optionsPaneLook()
{
    QWidget host;
    host.resize(300, 100);
    QBaseOptionsWgt pane(&host);
    pane.resize(300, 100);
    pane.setDlgTitle(QStringLiteral("Schedule"));
    QCOMPARE(pane.stretchPolicy(), int(QBaseDrawWidget::StretchNone));
    QCOMPARE(pane.font().pixelSize(), 12);
    const QImage shot = pane.grab().toImage();
    QCOMPARE(shot.pixelColor(250, 80), QColor(44, 44, 44));
    bool accent = false;
    for (int y = 5; y < 25 && !accent; ++y)
        for (int x = 12; x < 100 && !accent; ++x) {
            const QColor c = shot.pixelColor(x, y);
            accent = c.red() > 200 && c.green() > 90 && c.green() < 170 && c.blue() < 110;
        }
    QVERIFY(accent);
}

void TestDialogs::statusPopupHidesOnDeactivation()
{
    QStatusToolbar popup;
    QCOMPARE(popup.objectName(), QStringLiteral("QStatusToolbar"));
    QCOMPARE(popup.size(), QSize(100, 30));
    QVERIFY(popup.windowFlags() & Qt::FramelessWindowHint);
    popup.show();
    QVERIFY(popup.isVisible());
    QEvent other(QEvent::WindowActivate);
    QApplication::sendEvent(&popup, &other);
    QVERIFY(popup.isVisible());
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&popup, &deactivate);
    QVERIFY(!popup.isVisible());
}

void TestDialogs::fadeClosesWindow()
{
    QWidget window;
    window.show();
    {
        ManualAnimationClock clock;
        QDialogColseAnimation::ColseTransparentAnimation(window);
        QVERIFY(clock.startPending());
        clock.advanceTo(100);
        QCOMPARE(qRound(window.windowOpacity() * 100), 75);
        clock.advanceTo(200);
        QVERIFY(window.isVisible());
        QCOMPARE(qRound(window.windowOpacity() * 100), 50);
        clock.advanceTo(390);
        QVERIFY(window.isVisible());
        QVERIFY(window.windowOpacity() < 0.1);
        // Four hundred milliseconds after the start it is closed.
        clock.advanceTo(400);
        QVERIFY(!window.isVisible());
    }

    // On the real clock it closes too.
    window.show();
    QDialogColseAnimation::ColseTransparentAnimation(window);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000);
}

void TestDialogs::foldClosesWindow()
{
    QWidget window;
    window.setMinimumSize(100, 100);
    window.setGeometry(100, 100, 200, 120);
    window.show();
    QDialogColseAnimation::startCloseGeometryAnimation(window);
    QCOMPARE(window.minimumSize(), QSize(0, 0));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 3000);
    QCOMPARE(window.geometry().height(), 0);
    QCOMPARE(window.geometry().top(), 160);
}

void TestDialogs::fontsResolve()
{
    QKitFonts::ensureSubstitutions();
    QFont tahoma(QStringLiteral("Tahoma"));
    QCOMPARE(QFontInfo(tahoma).family(), QKitFonts::sansFamily());
    QVERIFY(QKitFonts::lcdFontFamily().startsWith(QLatin1String("DSEG7")));
}

void TestDialogs::sizeTextsAndDoubles()
{
    QCOMPARE(QVeAnyUtiliy::converSize(0), QStringLiteral("0 B"));
    QCOMPARE(QVeAnyUtiliy::converSize(1023), QStringLiteral("1023 B"));
    QCOMPARE(QVeAnyUtiliy::converSize(1024), QStringLiteral("1.00 KB"));
    QCOMPARE(QVeAnyUtiliy::converSize(1536), QStringLiteral("1.50 KB"));
    QCOMPARE(QVeAnyUtiliy::converSize(1ULL << 20), QStringLiteral("1.00 MB"));
    QCOMPARE(QVeAnyUtiliy::converSize(1ULL << 30), QStringLiteral("1.00 GB"));
    QCOMPARE(QVeAnyUtiliy::converSize(1ULL << 40), QStringLiteral("1.00 T"));
    QVERIFY(QVeAnyUtiliy::equalDouble(1.0, 1.0000005));
    // 1.000001 is stored a hair below its decimal value, so only clearly larger gaps count.
    QVERIFY(!QVeAnyUtiliy::equalDouble(1.0, 1.0000011));
    QVERIFY(!QVeAnyUtiliy::equalDouble(2.0, 1.0));
    QCOMPARE(QVeAnyUtiliy::getDpiScale(), 1.0f);
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
