// The main window's pictures at start, in a process of their own (the kit's
// picture cache is the process's): the window has the pictures it asks for
// as it is built and first drawn decoded on workers, and lists no more than
// it asks for; a picture a worker decoded is the one the file holds, at the
// ratio it is drawn at; buttons hidden at start never decode theirs, and
// decode it when first shown.

#include "appfixture.h"
#include "testsupport.h"

#include "app/mainwindow.h"
#include "common/qianyutil.h"
#include "controls/qplaycontrolwgt.h"
#include "controls/qvolumewidget.h"
#include "controls/selectrecordinputwgt.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxpicturecache.h"
#include "ui_mainwindow.h"

#include <QSet>
#include <QtTest>

namespace {

QSet<QString> keysOf(const QVector<QJXPictureCache::Wanted> &pictures)
{
    QSet<QString> keys;
    for (const QJXPictureCache::Wanted &w : pictures)
        keys.insert(QStringLiteral("%1 @%2").arg(w.path).arg(w.devicePixelRatio));
    return keys;
}

QString listed(QSet<QString> keys)
{
    QStringList sorted = keys.values();
    sorted.sort();
    return sorted.join(QLatin1Char('\n'));
}

} // namespace

class TestStartPictures : public QObject
{
    Q_OBJECT
private slots:
    void windowAsksForWhatItDecodesAhead();
};

void TestStartPictures::windowAsksForWhatItDecodesAhead()
{
    QVERIFY(QJXPictureCache::askedFor().isEmpty());
    MainWindow w;
    const QVector<QJXPictureCache::Wanted> ahead = w.startPictures();
    w.resize(841, 498);
    w.show();
    QVERIFY(AppFixture::windowReady(w));
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Drawn once whole: every pane's pictures asked for.
    QVERIFY(!w.grab().isNull());
    const QSet<QString> asked = keysOf(QJXPictureCache::askedFor());
    const QSet<QString> listedAhead = keysOf(ahead);
    // The recording pane's volume button shows the input's volume once it
    // is read: which picture that is depends on the sound server.
    QVector<QJXPictureCache::Wanted> volume;
    for (double fraction : {0.0, 0.3, 0.6, 1.0})
        volume.append({QIAnyUtil::getResourcePath() + QVolumeWidget::buttonImageFor(fraction), 2});
    const QSet<QString> notAhead = asked - listedAhead - keysOf(volume);
    QVERIFY2(notAhead.isEmpty(),
             qPrintable(QStringLiteral("asked but not decoded ahead:\n") + listed(notAhead)));
    QVERIFY2(listedAhead - asked == QSet<QString>(),
             qPrintable(QStringLiteral("decoded ahead but never asked:\n") + listed(listedAhead - asked)));
    // Whoever decoded it, each is the file's picture at the ratio it is drawn at.
    for (const QJXPictureCache::Wanted &picture : ahead) {
        const QImage held = QJXPictureCache::held(picture.path, picture.devicePixelRatio);
        QVERIFY2(!held.isNull(), qPrintable(picture.path));
        QImage read(picture.path);
        QVERIFY(!read.isNull());
        read.setDevicePixelRatio(picture.devicePixelRatio);
        QCOMPARE(held.devicePixelRatio(), picture.devicePixelRatio);
        QCOMPARE(held.convertToFormat(QImage::Format_ARGB32), read.convertToFormat(QImage::Format_ARGB32));
    }

    // Hidden until recording: Stop never decoded its picture, yet holds its place.
    QJXBaseButton *stop = w.form()->m_btnStopRecord;
    QVERIFY(!stop->isVisible());
    QVERIFY(!stop->isPictureDecoded());
    QCOMPARE(stop->size(), w.form()->m_btnStartRecord->size());
    // Shown, it is drawn from its picture.
    stop->show();
    const QImage drawn = stop->grab().toImage();
    QVERIFY(stop->isPictureDecoded());
    QVERIFY(!TestSupport::saveScreenshot(stop, QStringLiteral("app_stop_button_first_shown")).isEmpty());
    // As a button given the decoded picture draws it.
    QImage picture(QIAnyUtil::getResourcePath() + QStringLiteral("/image/btn_stop_record.png"));
    QJXBaseButton eager(stop->parentWidget());
    eager.setButtonImage(picture, true);
    eager.move(stop->pos());
    stop->hide();
    eager.show();
    QCOMPARE(eager.size(), stop->size());
    QCOMPARE(drawn, eager.grab().toImage());
}

QTEST_MAIN(TestStartPictures)
#include "tst_startpictures.moc"
