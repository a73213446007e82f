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
#include "controls/qvolumewidget.h"
#include "controls/selectrecordinputwgt.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxpicturecache.h"

#include <QSet>
#include <memory>
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
    void initTestCase();
    void cleanupTestCase();
    void windowAsksForWhatItDecodesAhead();
    void hiddenButtonDrawsItsPictureWhenFirstShown_data();
    void hiddenButtonDrawsItsPictureWhenFirstShown();

private:
    std::unique_ptr<MainWindow> m_window;
    QVector<QJXPictureCache::Wanted> m_ahead;
};

void TestStartPictures::initTestCase()
{
    // Nothing asked of the cache before the window is made.
    QVERIFY(QJXPictureCache::askedFor().isEmpty());
    m_window = std::make_unique<MainWindow>();
    m_ahead = m_window->startPictures();
    m_window->resize(841, 498);
    m_window->show();
    QVERIFY(AppFixture::windowReady(*m_window));
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    // Drawn once whole: every pane's pictures asked for.
    QVERIFY(!m_window->grab().isNull());
}

void TestStartPictures::cleanupTestCase()
{
    m_window.reset();
}

void TestStartPictures::windowAsksForWhatItDecodesAhead()
{
    const QSet<QString> asked = keysOf(QJXPictureCache::askedFor());
    const QSet<QString> listedAhead = keysOf(m_ahead);
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
    for (const QJXPictureCache::Wanted &picture : qAsConst(m_ahead)) {
        const QImage held = QJXPictureCache::held(picture.path, picture.devicePixelRatio);
        QVERIFY2(!held.isNull(), qPrintable(picture.path));
        QImage read(picture.path);
        QVERIFY(!read.isNull());
        read.setDevicePixelRatio(picture.devicePixelRatio);
        QCOMPARE(held.devicePixelRatio(), picture.devicePixelRatio);
        QCOMPARE(held.convertToFormat(QImage::Format_ARGB32), read.convertToFormat(QImage::Format_ARGB32));
    }
}

void TestStartPictures::hiddenButtonDrawsItsPictureWhenFirstShown_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("picture");
    // Hidden until a state needs them: Stop while recording, Restore when
    // maximised, Pause while playing.
    QTest::newRow("stop recording") << "m_btnStopRecord"
                                    << "/image/btn_stop_record.png";
    QTest::newRow("restore") << "m_btnRestore"
                             << "/image/btn_restore.png";
    QTest::newRow("playback bar's pause") << "m_btnPause"
                                          << "/image/BottomWidget/btn_pause.png";
}

void TestStartPictures::hiddenButtonDrawsItsPictureWhenFirstShown()
{
    QFETCH(QString, button);
    QFETCH(QString, picture);
    const QList<QJXBaseButton *> found = m_window->findChildren<QJXBaseButton *>(button);
    QCOMPARE(found.size(), 1);
    QJXBaseButton *hidden = found.first();
    // Never drawn, its picture never decoded, yet it holds its place.
    QVERIFY(!hidden->isVisible());
    QVERIFY(!hidden->isPictureDecoded());
    const QString path = QIAnyUtil::getResourcePath() + picture;
    const QImage file(path);
    QVERIFY(!file.isNull());
    QCOMPARE(hidden->size(), QSize(file.width() / 8, file.height() / 2));

    // Shown, it is drawn from its picture, decoded then.
    for (QWidget *w = hidden; w && w != m_window.get(); w = w->parentWidget())
        w->show();
    QTRY_VERIFY(hidden->isVisible());
    const QImage drawn = hidden->grab().toImage();
    QVERIFY(hidden->isPictureDecoded());
    QVERIFY(!TestSupport::saveScreenshot(hidden, QStringLiteral("app_first_shown_") + button).isEmpty());
    // As a button given the file's picture decoded draws it.
    QImage decoded(path);
    QJXBaseButton eager(hidden->parentWidget());
    eager.setButtonImage(decoded, true);
    eager.move(hidden->pos());
    hidden->hide();
    eager.show();
    QCOMPARE(eager.size(), hidden->size());
    const QImage expected = eager.grab().toImage();
    QVERIFY(!TestSupport::saveScreenshot(&eager, QStringLiteral("app_first_shown_") + button + "_expected")
                 .isEmpty());
    QCOMPARE(drawn, expected);
}

QTEST_MAIN(TestStartPictures)
#include "tst_startpictures.moc"
