#include "common/qianyutil.h"
#include "recorder/qrecordareainfo.h"
#include "recorder/recordingoverlayimages.h"
#include "recorder/recordingthumbnail.h"

#include <QCryptographicHash>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

class TestRecordingOverlay : public QObject
{
    Q_OBJECT
private slots:
    void thumbnailFitsIntoItsSquareAsJpgNamedByThePath();
    void thumbnailFailsWhenItsFolderCannotBeMade();
    void cursorPicturesFollowTheOptions();
    void watermarkIsScaledToTheRecordArea();
};

void TestRecordingOverlay::thumbnailFitsIntoItsSquareAsJpgNamedByThePath()
{
    const QString output = QStringLiteral("/music/Recordings/REC_ü 1.mp4");
    QImage frame(640, 360, QImage::Format_RGB32);
    frame.fill(QColor(30, 120, 200));
    const QString path = RecordingThumbnail::save(frame, output);
    const QString digest =
        QCryptographicHash::hash(output.toUtf8(), QCryptographicHash::Md5).toHex();
    QCOMPARE(path, QIAnyUtil::getAppDataPath() + "/Temp/" + digest + ".JPG");
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage thumb = reader.read();
    QCOMPARE(thumb.size(), QSize(120, 67));
    QVERIFY(qAbs(thumb.pixelColor(60, 30).blue() - 200) <= 8);

    // Portrait frames fit by their height; another output path gets its own file.
    QImage tall(200, 400, QImage::Format_RGB32);
    tall.fill(Qt::white);
    const QString other = RecordingThumbnail::save(tall, output + "2");
    QVERIFY(other != path);
    QCOMPARE(QImage(other).size(), QSize(60, 120));
    QVERIFY(RecordingThumbnail::save(QImage(), output).isEmpty());
}

void TestRecordingOverlay::thumbnailFailsWhenItsFolderCannotBeMade()
{
    const QString temp = QIAnyUtil::getAppDataPath() + "/Temp";
    QDir(temp).removeRecursively();
    QFile blocker(temp);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QImage frame(100, 100, QImage::Format_RGB32);
    frame.fill(Qt::red);
    QVERIFY(RecordingThumbnail::save(frame, "/x.mp4").isEmpty());
    QVERIFY(QFile::remove(temp));
}

void TestRecordingOverlay::cursorPicturesFollowTheOptions()
{
    QRecordAreaInfo *options = QRecordAreaInfo::getAreaInfo();
    options->setCursorOption(QRecordAreaInfo::HighlightCursor, true);
    options->setCursorIndex(QRecordAreaInfo::HighlightCursor, 2);
    options->setCursorOption(QRecordAreaInfo::HighlightClick, false);
    RecordingOverlayImages images;
    images.load(*options, QSize(320, 240));
    QVERIFY(!images.highlight().isNull());
    QCOMPARE(images.highlight().devicePixelRatio(), 2.0);
    QCOMPARE(images.highlight().size(), QSize(80, 80));
    QVERIFY(images.click().isNull());

    // Every colour choice has both pictures in the resources.
    for (int i = 0; i < 4; ++i) {
        QVERIFY2(!QImage(RecordingOverlayImages::highlightPath(i)).isNull(), qPrintable(QString::number(i)));
        QVERIFY2(!QImage(RecordingOverlayImages::clickPath(i)).isNull(), qPrintable(QString::number(i)));
    }
    options->setCursorOption(QRecordAreaInfo::HighlightClick, true);
    options->setCursorIndex(QRecordAreaInfo::HighlightClick, 1);
    images.load(*options, QSize(320, 240));
    QVERIFY(!images.click().isNull());
    // The ring is drawn, its centre is clear.
    const QImage ring = images.click().toImage();
    QCOMPARE(ring.pixelColor(40, 40).alpha(), 0);
}

void TestRecordingOverlay::watermarkIsScaledToTheRecordArea()
{
    QTemporaryDir dir;
    QImage mark(50, 50, QImage::Format_ARGB32);
    mark.fill(QColor(255, 255, 255, 200));
    const QString path = dir.filePath("mark.png");
    QVERIFY(mark.save(path));
    QRecordAreaInfo *options = QRecordAreaInfo::getAreaInfo();
    WatermarkImageSettings settings;
    settings.imagePath = path.toStdString();
    options->setWatermarkSetting(settings);
    RecordingOverlayImages images;
    images.load(*options, QSize(320, 240));
    QCOMPARE(images.watermark().size(), QSize(320, 240));

    settings.imagePath = dir.filePath("missing.png").toStdString();
    options->setWatermarkSetting(settings);
    images.load(*options, QSize(320, 240));
    QVERIFY(images.watermark().isNull());
}

QTEST_MAIN(TestRecordingOverlay)
#include "tst_recordingoverlay.moc"
