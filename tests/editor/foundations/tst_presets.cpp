// The preset catalogues: the shipped sound-effect presets read from the
// resource folder, and the reader's rules on preset files made here.

#include "editor/qaudioeffectmanager.h"
#include "editor/qframechunk.h"
#include "editor/qreadframexml.h"

#include "common/qianyutil.h"
#include "media/veaudiosettings.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>
#include <QtTest>

#include <sys/stat.h>

namespace {

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
    void hostilePresetsAreBounded();
    void editRecordKeepsTenFiniteBands();
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
    QVERIFY(TestSupport::writeBytes(root + "/a/config.xml", preset("small a")));
    QVERIFY(TestSupport::writeBytes(root + "/B/config.xml", preset("capital B")));
    QVERIFY(TestSupport::writeBytes(root + "/B/sub/config.xml", preset("under B")));
    QVERIFY(TestSupport::writeBytes(root + "/c/myconfig.xml.old", preset("longer name")));
    QVERIFY(TestSupport::writeBytes(root + "/c/config.xml.bak", preset("left-over copy")));
    QVERIFY(TestSupport::writeBytes(root + "/c/readme.txt", "not a preset"));
    QVERIFY(TestSupport::writeBytes(root + "/.hidden/config.xml", preset("hidden")));

    QAudioEffectManager catalogue(root, nullptr);
    // Case-sensitive name order, sub-folders before a folder's own file, only
    // files named "config.xml" (no left-over copies), no hidden folders.
    QCOMPARE(names(catalogue.getFrameChunklist()), QStringList({"under B", "capital B", "small a"}));
    QCOMPARE(catalogue.getFrameChunk(1)->folder, QDir(root).absolutePath() + "/B");
    QCOMPARE(catalogue.getFrameChunk(1)->getThumbnailImage(), QDir(root).absolutePath() + "/B/t.png");

    QAudioEffectManager missing(dir.path() + "/nothing", nullptr);
    QCOMPARE(missing.count(), 0);
}

void TestPresets::readerRules()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.xml");
    QVERIFY(TestSupport::writeBytes(path, preset("Rules",
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

    QVERIFY(TestSupport::writeBytes(path, preset("Rate", "<Rate Value=\"80\"/><Rate/>")));
    chunk.reset(QReadFrameXML::readFrameChunk(path));
    QCOMPARE(chunk->rate, 80);
    // A rate that is no percentage in range leaves the rate unchanged
    // (0 or -1 would make a 120 s or a 12 ms file of a 1.2 s one).
    for (const char *bad : {"fast", "0", "-1", "1", "100000", "nan"}) {
        QVERIFY(TestSupport::writeBytes(path, preset("Rate", QByteArray("<Rate Value=\"") + bad + "\"/>")));
        chunk.reset(QReadFrameXML::readFrameChunk(path));
        QVERIFY(chunk);
        QVERIFY2(chunk->rate == 100, bad);
    }

    QCOMPARE(QReadFrameXML::getVersionId(path), 3);
    QCOMPARE(QReadFrameXML::getAPPMinVersion(path), 2);
    QCOMPARE(QReadFrameXML::getVersionId(dir.filePath("none.xml")), -1);
    QVERIFY(TestSupport::writeBytes(path, "<Preset/>"));
    QCOMPARE(QReadFrameXML::getVersionId(path), 0);
}

void TestPresets::unreadablePresetsAreSkipped()
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/AudioEffects";
    QVERIFY(TestSupport::writeBytes(root + "/01_Good/config.xml", preset("Good")));
    QVERIFY(TestSupport::writeBytes(root + "/02_Broken/config.xml", "<Preset Name=\"Broken\"><EQ>"));
    QVERIFY(TestSupport::writeBytes(root + "/03_Empty/config.xml", ""));
    QVERIFY(TestSupport::writeBytes(root + "/04_Last/config.xml", preset("Last")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("02_Broken/config.xml does not parse"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("03_Empty/config.xml does not parse"));
    QAudioEffectManager catalogue(root, nullptr);
    // Never a blank thumbnail in the strip.
    QCOMPARE(names(catalogue.getFrameChunklist()), QStringList({"Good", "Last"}));
    QCOMPARE(catalogue.configPaths().size(), 4);
    QCOMPARE(QReadFrameXML::readFrameChunk(root + "/02_Broken/config.xml"), nullptr);
    QCOMPARE(QReadFrameXML::readFrameChunk(root + "/missing/config.xml"), nullptr);
}

void TestPresets::hostilePresetsAreBounded()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.xml");
    // 10,000 bands: one per slider, the lowest frequencies.
    QByteArray bands = "<EQ>";
    for (int i = 1; i <= 10000; ++i)
        bands += "<b hz=\"" + QByteArray::number(i * 10) + "\" db=\"" + QByteArray::number(i % 7 - 3) + "\"/>";
    QVERIFY(TestSupport::writeBytes(path, preset("Many", bands + "</EQ>")));
    std::unique_ptr<QFrameChunk> chunk(QReadFrameXML::readFrameChunk(path));
    QVERIFY(chunk);
    QCOMPARE(chunk->equalizer.size(), 10);
    QCOMPARE(chunk->equalizer.firstKey(), 10.0);
    QCOMPARE(chunk->equalizer.lastKey(), 100.0);

    // Gains that are no finite number count as 0 dB; others are clamped to the sliders' range.
    QVERIFY(TestSupport::writeBytes(path, preset("Odd", "<EQ><b hz=\"60\" db=\"nan\"/><b hz=\"170\" db=\"inf\"/>"
                                          "<b hz=\"310\" db=\"-inf\"/><b hz=\"600\" db=\"55\"/>"
                                          "<b hz=\"1000\" db=\"-1e300\"/><b hz=\"3000\" db=\"2.5\"/>"
                                          "<b hz=\"nan\" db=\"1\"/><b hz=\"-5\" db=\"1\"/></EQ>")));
    chunk.reset(QReadFrameXML::readFrameChunk(path));
    QVERIFY(chunk);
    QCOMPARE(chunk->equalizer.keys(), QList<double>({60, 170, 310, 600, 1000, 3000}));
    QCOMPARE(chunk->equalizer.values(), QList<double>({0, 0, 0, 10, -10, 2.5}));

    // 100,000 levels of nesting and declared entities are refused before a document is built.
    QByteArray deep = "<Preset Name=\"Deep\">";
    for (int i = 0; i < 100000; ++i)
        deep += "<EQ>";
    QVERIFY(TestSupport::writeBytes(path, deep));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("config.xml does not parse .*nested deeper"));
    QCOMPARE(QReadFrameXML::readFrameChunk(path), nullptr);
    QVERIFY(TestSupport::writeBytes(path, "<!DOCTYPE Preset [<!ENTITY a \"" + QByteArray(100000, 'x') + "\">]><Preset Name=\"&a;&a;&a;\"/>"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("config.xml does not parse .*document type"));
    QCOMPARE(QReadFrameXML::readFrameChunk(path), nullptr);

    // A pipe in place of a preset is not opened; it never blocks the page.
    const QString fifo = dir.filePath("fifo/config.xml");
    QVERIFY(QDir().mkpath(dir.filePath("fifo")));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("fifo/config.xml cannot be read: not a regular file"));
    QCOMPARE(QReadFrameXML::readFrameChunk(fifo), nullptr);
}

void TestPresets::editRecordKeepsTenFiniteBands()
{
    // What reaches the preview player and the converter: at most ten bands,
    // every gain a finite number within the sliders' range.
    std::vector<double> bands(10000), gains(10000);
    for (size_t i = 0; i < bands.size(); ++i) {
        bands[i] = double(i + 1) * 10;
        gains[i] = i % 3 == 0 ? std::numeric_limits<double>::quiet_NaN()
                              : (i % 3 == 1 ? std::numeric_limits<double>::infinity() : -42.0);
    }
    bands[2] = std::numeric_limits<double>::quiet_NaN();
    VEAudioSettings audio;
    audio.set(bands.data(), gains.data(), int(bands.size()));
    QCOMPARE(audio.count, 10);
    for (int i = 0; i < audio.count; ++i) {
        QVERIFY(std::isfinite(audio.bands[i]) && std::isfinite(audio.gains[i]));
        QVERIFY(audio.gains[i] >= -10.0 && audio.gains[i] <= 10.0);
    }
    QCOMPARE(audio.gains[0], 0.0);  // NaN
    QCOMPARE(audio.gains[1], 0.0);  // infinity
    QCOMPARE(audio.gains[2], -10.0);
    QCOMPARE(audio.bands[2], 0.0);
    const VEAudioSettings copy = audio;
    QCOMPARE(copy.count, 10);
}

QTEST_MAIN(TestPresets)
#include "tst_presets.moc"
