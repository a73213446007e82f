// Image push buttons: the strip frame drawn for each state (sampled pixels of
// a strip with four distinct colours), checked and static buttons, signals,
// icon and text placement, the number badge.

#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbuttonex.h"
#include "widgetkit/qjxpicturecache.h"

#include <QApplication>
#include <QBuffer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QColor kFrames[4] = {QColor(200, 0, 0), QColor(0, 200, 0), QColor(0, 0, 200), QColor(120, 120, 120)};

// 160 x 40 image pixels: four 40 x 40 frames, each one solid colour.
QImage colourStrip()
{
    QImage strip(160, 40, QImage::Format_ARGB32);
    for (int k = 0; k < 4; ++k)
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                strip.setPixelColor(k * 40 + x, y, kFrames[k]);
    return strip;
}

QColor centre(QWidget &w) { return w.grab().toImage().pixelColor(w.width() / 2, w.height() / 2); }

void mouse(QWidget *w, QEvent::Type type, QPoint local)
{
    const QPointF global = w->mapToGlobal(local);
    QMouseEvent event(type, local, local, global, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void enter(QWidget *w)
{
    QEvent e(QEvent::Enter);
    QApplication::sendEvent(w, &e);
}

void leave(QWidget *w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestButtons : public QObject
{
    Q_OBJECT

private slots:
    void stripSizesButton();
    void frameFollowsState();
    void checkedShowsPressedFrame();
    void staticButtonStaysPressed();
    void signalsCarryPressX();
    void missingOrNullImages();
    void stripByPathIsDecodedWhenFirstDrawn();
    void damagedStripIsSaidWhenDrawn();
    void textColourFollowsFrame();
    void iconCentredAndTextRectWidened();
    void iconButtonModeUsesStateFrame();
    void badgeCountAndOverflow();
    void flickerAlternatesHoverAndPressed();
    void tagPictureFitted();
};

void TestButtons::stripSizesButton()
{
    QJXBaseButton button;
    QImage strip = colourStrip();
    QVERIFY(button.setButtonImage(strip, true));
    QCOMPARE(button.size(), QSize(20, 20));
    QVERIFY(button.isCustomDraw());
    QImage wide = strip.scaled(320, 60);
    button.setButtonImage(wide, true);
    QCOMPARE(button.size(), QSize(40, 30));
    QCOMPARE(button.textRect(), QRect(0, 0, 40, 30));
}

void TestButtons::frameFollowsState()
{
    QWidget host;
    QJXBaseButton button(&host);
    QImage strip = colourStrip();
    button.setButtonImage(strip, true);
    host.show();
    QCOMPARE(centre(button), kFrames[0]);

    enter(&button);
    QCOMPARE(button.getBtnState(), 1);
    QCOMPARE(centre(button), kFrames[1]);

    mouse(&button, QEvent::MouseButtonPress, QPoint(5, 5));
    QCOMPARE(button.getBtnState(), 2);
    QCOMPARE(centre(button), kFrames[2]);

    mouse(&button, QEvent::MouseButtonRelease, QPoint(5, 5));
    QCOMPARE(button.getBtnState(), 0);
    QCOMPARE(centre(button), kFrames[0]);

    enter(&button);
    leave(&button);
    QCOMPARE(button.getBtnState(), 0);

    button.setEnabled(false);
    QCOMPARE(button.getBtnState(), 3);
    QCOMPARE(centre(button), kFrames[3]);
    enter(&button);
    QCOMPARE(button.getBtnState(), 3);
    button.setEnabled(true);
    QCOMPARE(button.getBtnState(), 0);

    // A state outside 0..3 draws the whole strip at its logical size.
    button.resize(80, 20);
    button.setBtnState(7);
    const QImage shot = button.grab().toImage();
    for (int k = 0; k < 4; ++k)
        QCOMPARE(shot.pixelColor(k * 20 + 10, 10), kFrames[k]);
}

void TestButtons::checkedShowsPressedFrame()
{
    QWidget host;
    QJXBaseButton button(&host);
    QImage strip = colourStrip();
    button.setButtonImage(strip, true);
    button.setCheckable(true);
    host.show();

    // Unchecked at release: state 0, then Qt checks it: pressed frame shown.
    mouse(&button, QEvent::MouseButtonPress, QPoint(5, 5));
    mouse(&button, QEvent::MouseButtonRelease, QPoint(5, 5));
    QVERIFY(button.isChecked());
    QCOMPARE(button.getBtnState(), 0);
    QCOMPARE(centre(button), kFrames[2]);
    for (int state = 0; state < 4; ++state) {
        button.setBtnState(state);
        QCOMPARE(centre(button), kFrames[2]);
    }

    // Checked at release: hover state; Qt then unchecks it.
    button.setBtnState(0);
    mouse(&button, QEvent::MouseButtonPress, QPoint(5, 5));
    mouse(&button, QEvent::MouseButtonRelease, QPoint(5, 5));
    QVERIFY(!button.isChecked());
    QCOMPARE(button.getBtnState(), 1);
    QCOMPARE(centre(button), kFrames[1]);

    // A static checked button shows its own state.
    button.setChecked(true);
    button.setStaticState(true);
    button.setBtnState(0);
    QCOMPARE(centre(button), kFrames[0]);
}

void TestButtons::staticButtonStaysPressed()
{
    QWidget host;
    QJXBaseButton button(&host);
    QImage strip = colourStrip();
    button.setButtonImage(strip, true);
    button.setStaticState(true);
    host.show();
    QSignalSpy released(&button, &QJXBaseButton::mouseRelease);
    QSignalSpy down(&button, &QJXBaseButton::mouseDown);
    enter(&button);
    QCOMPARE(button.getBtnState(), 0);
    mouse(&button, QEvent::MouseButtonPress, QPoint(5, 5));
    QCOMPARE(down.count(), 1);
    QCOMPARE(button.getBtnState(), 2);
    mouse(&button, QEvent::MouseButtonRelease, QPoint(5, 5));
    QCOMPARE(released.count(), 0);
    QCOMPARE(button.getBtnState(), 2);
    QCOMPARE(centre(button), kFrames[2]);
}

void TestButtons::signalsCarryPressX()
{
    QWidget host;
    host.resize(200, 100);
    QJXBaseButton button(&host);
    QImage strip = colourStrip();
    button.setButtonImage(strip, true);
    button.move(30, 30);
    host.show();
    QSignalSpy down(&button, &QJXBaseButton::mouseDown);
    QSignalSpy moved(&button, &QJXBaseButton::mouseMove);
    QSignalSpy released(&button, &QJXBaseButton::mouseRelease);
    QSignalSpy clicked(&button, &QJXBaseButton::clicked);
    QSignalSpy entered(&button, &QJXBaseButton::mouseEnter);

    enter(&button);
    QCOMPARE(entered.count(), 1);
    mouse(&button, QEvent::MouseButtonPress, QPoint(5, 8));
    mouse(&button, QEvent::MouseMove, QPoint(15, 8));
    mouse(&button, QEvent::MouseButtonRelease, QPoint(15, 8));
    QCOMPARE(down.count(), 1);
    QCOMPARE(down.first().at(1).toInt(), 5);
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.first().at(1).toInt(), 5); // the press x, not the current x
    QCOMPARE(released.count(), 1);
    QCOMPARE(released.first().at(1).toInt(), 5);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(button.getMouseMapValue(), 5);

    // No move signal while the button is not pressed.
    mouse(&button, QEvent::MouseMove, QPoint(10, 8));
    QCOMPARE(moved.count(), 1);
    button.seedClick();
    QCOMPARE(clicked.count(), 2);
}

void TestButtons::missingOrNullImages()
{
    QJXBaseButton button;
    button.resize(33, 22);
    QVERIFY(!button.setButtonImage(QStringLiteral("/nonexistent/strip.png"), true));
    QVERIFY(!button.isCustomDraw());
    QCOMPARE(button.size(), QSize(33, 22));

    QImage strip = colourStrip();
    button.setButtonImage(strip, true);
    QVERIFY(!button.setButtonImage(QStringLiteral("/nonexistent/strip.png"), true));
    QVERIFY(button.isCustomDraw()); // the previous picture stays

    QImage empty;
    button.setButtonImage(&empty, true, true);
    QVERIFY(!button.isCustomDraw()); // the owned picture is dropped

    // A strip read from a file.
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/strip.png");
    QVERIFY(strip.save(path));
    QVERIFY(button.setButtonImage(path, true));
    QCOMPARE(button.size(), QSize(20, 20));
}

void TestButtons::stripByPathIsDecodedWhenFirstDrawn()
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/later.png");
    QVERIFY(colourStrip().save(path));
    QWidget host;
    QJXBaseButton later(&host);
    QVERIFY(later.setButtonImage(path, true));
    // Sized from the file's header; nothing decoded while nobody draws it.
    QCOMPARE(later.size(), QSize(20, 20));
    QCOMPARE(later.textRect(), QRect(0, 0, 20, 20));
    QVERIFY(later.isCustomDraw());
    later.hide();
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QVERIFY(!later.isPictureDecoded());
    QCOMPARE(QJXPictureCache::timesDecoded(path, 2), 0);

    // Drawn: decoded then, once, and drawn as a strip given decoded.
    later.show();
    QCOMPARE(centre(later), kFrames[0]);
    QVERIFY(later.isPictureDecoded());
    enter(&later);
    QCOMPARE(centre(later), kFrames[1]);
    QCOMPARE(QJXPictureCache::timesDecoded(path, 2), 1);
    // Another button of the file takes the held picture at once.
    QJXBaseButton again(&host);
    QVERIFY(again.setButtonImage(path, true));
    QVERIFY(again.isPictureDecoded());
    QCOMPARE(centre(again), kFrames[0]);
    QCOMPARE(QJXPictureCache::timesDecoded(path, 2), 1);

    // A strip given decoded before the first draw replaces the waiting one.
    QJXBaseButton replaced(&host);
    const QString other = dir.path() + QStringLiteral("/other.png");
    QVERIFY(colourStrip().scaled(320, 60).save(other));
    QVERIFY(replaced.setButtonImage(other, true));
    QCOMPARE(replaced.size(), QSize(40, 30));
    QImage strip = colourStrip();
    replaced.setButtonImage(strip, true);
    QCOMPARE(replaced.size(), QSize(20, 20));
    QCOMPARE(centre(replaced), kFrames[0]);
    QCOMPARE(QJXPictureCache::timesDecoded(other, 2), 0);
}

void TestButtons::damagedStripIsSaidWhenDrawn()
{
    // A PNG whose size can be read but whose pixels cannot.
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/cut.png");
    QVERIFY(colourStrip().save(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.resize(60));
    file.close();
    QWidget host;
    QJXBaseButton button(&host);
    button.resize(33, 22);
    QVERIFY(button.setButtonImage(path, true));
    QCOMPARE(button.size(), QSize(20, 20));
    host.show();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot read button image .*cut\\.png"));
    button.grab();
    // Drawn as a button without a strip from then on.
    QVERIFY(!button.isPictureDecoded());
    QVERIFY(!button.isCustomDraw());
    button.grab();
}

void TestButtons::textColourFollowsFrame()
{
    QWidget host;
    QJXBaseButton button(&host);
    QImage strip = colourStrip();
    button.setButtonImage(strip, true);
    button.resize(60, 24);
    button.setText(QStringLiteral("OK"));
    const QColor text[4] = {QColor(255, 132, 65), QColor(250, 237, 237), QColor(1, 2, 3), QColor(146, 98, 103)};
    button.setTextColor(text[0], text[1], text[2], text[3]);
    QCOMPARE(button.currentDrawColor(), text[0]);
    host.show();
    for (int state = 0; state < 4; ++state) {
        button.setBtnState(state);
        const QImage shot = button.grab().toImage();
        QCOMPARE(button.currentDrawColor(), text[state]);
        // Some pixel of the text is in (or near) its colour.
        bool found = false;
        for (int y = 0; y < shot.height() && !found; ++y)
            for (int x = 0; x < shot.width() && !found; ++x) {
                const QColor c = shot.pixelColor(x, y);
                found = qAbs(c.red() - text[state].red()) < 20 && qAbs(c.green() - text[state].green()) < 20
                        && qAbs(c.blue() - text[state].blue()) < 20;
            }
        QVERIFY2(found, qPrintable(QString::number(state)));
    }
    button.setTextColor(Qt::white);
    QCOMPARE(button.currentDrawColor(), QColor(Qt::white));
}

void TestButtons::iconCentredAndTextRectWidened()
{
    QJXBaseButton button;
    QImage strip = colourStrip();
    button.setButtonImage(strip, true);
    button.resize(100, 30);
    QImage icon(24, 16, QImage::Format_ARGB32);
    icon.fill(Qt::yellow);
    button.setBtnIcon(icon);
    button.setIconRect(QRect(-1, 4, 0, 0));
    const QImage shot = button.grab().toImage();
    // 12 x 8 logical, centred horizontally: left 44.
    QCOMPARE(button.iconRect(), QRect(44, 4, 12, 8));
    QCOMPARE(shot.pixelColor(50, 8), QColor(Qt::yellow));
    QCOMPARE(shot.pixelColor(43, 8), kFrames[0]);

    // A text rect of zero width takes the width less the icon's right edge + 1.
    button.setIconRect(QRect(2, 4, 12, 8));
    button.setText(QStringLiteral("Text"));
    button.setTextRect(QRect(14, 0, 0, 0));
    button.grab();
    QCOMPARE(button.textRect().width(), 100 - (13 + 1));
    QCOMPARE(button.textRect().bottom(), 29);
    button.resize(140, 30);
    button.grab();
    QCOMPARE(button.textRect().width(), 86); // kept afterwards
}

void TestButtons::iconButtonModeUsesStateFrame()
{
    QJXBaseButton button;
    QImage background(160, 40, QImage::Format_ARGB32);
    background.fill(Qt::black);
    button.setButtonImage(background, true);
    button.setBtnIcon(colourStrip());
    button.setIconBtnMode(true);
    button.setIconRect(QRect(-1, -1, 0, 0));
    for (int state = 0; state < 4; ++state) {
        button.setBtnState(state);
        QCOMPARE(centre(button), kFrames[state]);
    }
    // Without icon-button mode the whole strip is the icon.
    button.setIconBtnMode(false);
    button.setIconRect(QRect(0, 0, 0, 0));
    button.resize(80, 20);
    const QImage shot = button.grab().toImage();
    QCOMPARE(shot.pixelColor(5, 10), kFrames[0]);
    QCOMPARE(shot.pixelColor(75, 10), kFrames[3]);
}

void TestButtons::badgeCountAndOverflow()
{
    QJXBaseButton button;
    QImage background(400, 80, QImage::Format_ARGB32);
    background.fill(Qt::black);
    button.setButtonImage(background, true);
    QCOMPARE(button.size(), QSize(50, 40));
    const QImage none = button.grab().toImage();
    QCOMPARE(none.pixelColor(40, 10), QColor(Qt::black));

    button.addItemCount();
    QCOMPARE(button.itmeCount(), 1);
    // Default badge: a 20 x 20 orange disc in the top-right corner.
    QImage shot = button.grab().toImage();
    QCOMPARE(shot.pixelColor(33, 10), QColor(255, 120, 0));
    QCOMPARE(shot.pixelColor(28, 10), QColor(Qt::black));
    QCOMPARE(shot.pixelColor(40, 30), QColor(Qt::black));

    // The text is white; "99+" is drawn smaller than two digits would be.
    auto whiteWidth = [&](const QImage &img) {
        int minX = 1000, maxX = -1;
        for (int y = 0; y < 20; ++y)
            for (int x = 30; x < 50; ++x)
                if (img.pixelColor(x, y).lightness() > 200 && img.pixelColor(x, y).saturation() < 60) {
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                }
        return maxX - minX;
    };
    for (int i = 1; i < 99; ++i)
        button.addItemCount();
    QCOMPARE(button.itmeCount(), 99);
    QVERIFY(whiteWidth(button.grab().toImage()) > 3);
    button.addItemCount();
    const QImage overflow = button.grab().toImage();
    QVERIFY(whiteWidth(overflow) > 3);

    button.resetCount();
    QCOMPARE(button.itmeCount(), 0);
    QCOMPARE(button.grab().toImage(), none);

    // Alternate look: the disc switches colour on each timer tick.
    button.setTagBgAlternateColor(QColor(0, 120, 255), QColor(0, 200, 0));
    button.setAlternateEffect(true, 20);
    button.addItemCount();
    QCOMPARE(button.grab().toImage().pixelColor(33, 10), QColor(0, 120, 255));
    QTRY_COMPARE(button.grab().toImage().pixelColor(33, 10), QColor(0, 200, 0));
}

void TestButtons::flickerAlternatesHoverAndPressed()
{
    QJXBaseButton button;
    QImage strip = colourStrip();
    button.setButtonImage(strip, true);
    button.startFlicker(20);
    QVERIFY(button.isFlickering());
    QCOMPARE(centre(button), kFrames[2]);
    QTRY_COMPARE(centre(button), kFrames[1]);
    QTRY_COMPARE(centre(button), kFrames[2]);
    button.stopFlicker();
    QCOMPARE(centre(button), kFrames[0]);
}

void TestButtons::tagPictureFitted()
{
    QCOMPARE(QJXButtonEx::fittedRect(QSize(50, 100), QRect(0, 0, 40, 40)), QRect(10, 0, 20, 40));
    QCOMPARE(QJXButtonEx::fittedRect(QSize(100, 50), QRect(0, 0, 40, 40)), QRect(0, 10, 40, 20));
    QCOMPARE(QJXButtonEx::fittedRect(QSize(60, 60), QRect(5, 5, 40, 40)), QRect(5, 5, 40, 40));

    QJXButtonEx button;
    button.resize(40, 40);
    button.setTagBgColor(Qt::black);
    QImage tall(50, 100, QImage::Format_ARGB32);
    tall.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    tall.save(&buffer, "PNG");
    QVERIFY(button.setTagImg(QRect(0, 0, 40, 40), png.toStdString()));
    const QImage shot = button.grab().toImage();
    QCOMPARE(shot.pixelColor(20, 20), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(5, 20), QColor(Qt::black));
    QVERIFY(!button.setTagImg(QRect(0, 0, 40, 40), std::string("not a picture")));
    QVERIFY(!button.hasTagImg());
}

QTEST_MAIN(TestButtons)
#include "tst_buttons.moc"
