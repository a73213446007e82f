// The preset catalogues: the shipped sound-effect presets read from the
// resource folder, and the reader's rules on preset files made here.

#include "editor/qaudioeffectmanager.h"
#include "editor/qframechunk.h"
#include "editor/qreadframexml.h"

#include "common/qianyutil.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <memory>
#include <QtTest>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray preset(const QByteArray &name, const QByteArray &body = QByteArray())
{
    return "<Preset Name=\"" + name + "\" Thumbnail=\"t.png\" Version=\"3\" APPMinVersion=\"2\">"
           + body + "</Preset>";
}

QStringList names(const QList<QFrameChunk *> &chunks)
{
    QStringList list;
    for (const QFrameChunk *c : chunks)
        list << c->name;
    return list;
}

} // namespace

class TestPresets : public QObject
{
    Q_OBJECT
private slots:
    void shippedPresetsHaveTenBandsEach();
    void folderNamesSetTheOrder();
    void readerRules();
    void unreadablePresetsAreSkipped();
};

void TestPresets::shippedPresetsHaveTenBandsEach()
{
    const QList<double> bands{60, 170, 310, 600, 1000, 3000, 6000, 12000, 14000, 16000};
    QAudioEffectManager catalogue;
    const QList<QFrameChunk *> chunks = catalogue.getFrameChunklist();
    QVERIFY2(chunks.size() >= 10, qPrintable(QString::number(chunks.size())));
    QCOMPARE(chunks.first()->name, QString("Normal"));
    QVERIFY(names(chunks).contains("Customed"));
    QCOMPARE(names(chunks).removeDuplicates(), 0);
    for (const QString &path : catalogue.configPaths()) {
        // Each file carries its own rate.
        QVERIFY2(QFile(path).open(QIODevice::ReadOnly), qPrintable(path));
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        QVERIFY2(f.readAll().contains("<Rate Value="), qPrintable(path));
    }
    for (const QFrameChunk *c : chunks) {
        QVERIFY2(!c->name.isEmpty(), qPrintable(c->folder));
        QCOMPARE(c->equalizer.keys(), bands);
        for (double gain : c->equalizer)
            QVERIFY2(gain >= -10 && gain <= 10, qPrintable(c->name));
        QVERIFY(c->rate > 0);
        QVERIFY(c->folder.startsWith(QIAnyUtil::getResourcePath() + "/AudioEffects/"));
        QVERIFY2(!QImage(c->getThumbnailImage()).isNull(), qPrintable(c->getThumbnailImage()));
    }
    const QFrameChunk *normal = chunks.first();
    for (double gain : normal->equalizer)
        QCOMPARE(gain, 0.0);
    QCOMPARE(catalogue.getFrameChunk(chunks.size()), nullptr);
    QCOMPARE(catalogue.getFrameChunk(-1), nullptr);
    QCOMPARE(catalogue.getFrameChunk(0), chunks.first());
}

void TestPresets::folderNamesSetTheOrder()
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/AudioEffects";
    QVERIFY(writeFile(root + "/a/config.xml", preset("small a")));
    QVERIFY(writeFile(root + "/B/config.xml", preset("capital B")));
    QVERIFY(writeFile(root + "/B/sub/config.xml", preset("under B")));
    QVERIFY(writeFile(root + "/c/myconfig.xml.old", preset("longer name")));
    QVERIFY(writeFile(root + "/c/readme.txt", "not a preset"));
    QVERIFY(writeFile(root + "/.hidden/config.xml", preset("hidden")));

    QAudioEffectManager catalogue(root, nullptr);
    // Case-sensitive name order, sub-folders before a folder's own file, any
    // name holding "config.xml", no hidden folders.
    QCOMPARE(names(catalogue.getFrameChunklist()),
             QStringList({"under B", "capital B", "small a", "longer name"}));
    QCOMPARE(catalogue.getFrameChunk(1)->folder, QDir(root).absolutePath() + "/B");
    QCOMPARE(catalogue.getFrameChunk(1)->getThumbnailImage(), QDir(root).absolutePath() + "/B/t.png");

    QAudioEffectManager missing(dir.path() + "/nothing", nullptr);
    QCOMPARE(missing.count(), 0);
}

void TestPresets::readerRules()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.xml");
    QVERIFY(writeFile(path, preset("Rules",
                                   "<EQ><b hz=\"1000\" db=\"3\"/><b hz=\"60\" db=\"-2.5\"/>"
                                   "<b hz=\"1000\" db=\"6\"/></EQ>"
                                   "<EQ><x hz=\"16000\"/></EQ>"
                                   "<Unknown/>"
                                   "<FrameInfo Name=\"first\"><f FileName=\"a.png\" Width=\"4\"/></FrameInfo>"
                                   "<FrameInfo Name=\"second\"><f FileName=\"b.png\" Width=\"8\" Height=\"6\" Type=\"2\"/>"
                                   "<f FileName=\"c.png\"/></FrameInfo>"
                                   "<Rate Value=\"\"/>")));
    std::unique_ptr<QFrameChunk> chunk(QReadFrameXML::readFrameChunk(path));
    QVERIFY(chunk);
    QCOMPARE(chunk->name, QString("Rules"));
    QCOMPARE(chunk->thumbnail, QString("t.png"));
    QCOMPARE(chunk->version, 3);
    QCOMPARE(chunk->appMinVersion, 2);
    QCOMPARE(chunk->equalizer.keys(), QList<double>({60, 1000, 16000}));
    QCOMPARE(chunk->equalizer.value(1000), 6.0); // the later gain of a repeated band
    QCOMPARE(chunk->equalizer.value(60), -2.5);
    QCOMPARE(chunk->equalizer.value(16000), 0.0);
    QCOMPARE(chunk->rate, 100); // empty value: unchanged
    QCOMPARE(chunk->frameName, QString("second"));
    QCOMPARE(chunk->frames.size(), 2);
    QCOMPARE(chunk->frames.at(0).height, 6);
    QCOMPARE(chunk->frames.at(0).type, 2);
    QCOMPARE(chunk->frames.at(1).width, 0);

    QVERIFY(writeFile(path, preset("Rate", "<Rate Value=\"80\"/><Rate/>")));
    chunk.reset(QReadFrameXML::readFrameChunk(path));
    QCOMPARE(chunk->rate, 80);
    QVERIFY(writeFile(path, preset("Rate", "<Rate Value=\"fast\"/>")));
    chunk.reset(QReadFrameXML::readFrameChunk(path));
    QCOMPARE(chunk->rate, 0);

    QCOMPARE(QReadFrameXML::getVersionId(path), 3);
    QCOMPARE(QReadFrameXML::getAPPMinVersion(path), 2);
    QCOMPARE(QReadFrameXML::getVersionId(dir.filePath("none.xml")), -1);
    QVERIFY(writeFile(path, "<Preset/>"));
    QCOMPARE(QReadFrameXML::getVersionId(path), 0);
}

void TestPresets::unreadablePresetsAreSkipped()
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/AudioEffects";
    QVERIFY(writeFile(root + "/01_Good/config.xml", preset("Good")));
    QVERIFY(writeFile(root + "/02_Broken/config.xml", "<Preset Name=\"Broken\"><EQ>"));
    QVERIFY(writeFile(root + "/03_Empty/config.xml", ""));
    QVERIFY(writeFile(root + "/04_Last/config.xml", preset("Last")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("02_Broken/config.xml does not parse"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("03_Empty/config.xml does not parse"));
    QAudioEffectManager catalogue(root, nullptr);
    // Never a blank thumbnail in the strip.
    QCOMPARE(names(catalogue.getFrameChunklist()), QStringList({"Good", "Last"}));
    QCOMPARE(catalogue.configPaths().size(), 4);
    QCOMPARE(QReadFrameXML::readFrameChunk(root + "/02_Broken/config.xml"), nullptr);
    QCOMPARE(QReadFrameXML::readFrameChunk(root + "/missing/config.xml"), nullptr);
}

QTEST_MAIN(TestPresets)
#include "tst_presets.moc"
