// Every preset of the shipped catalogue, resolved as a user's choice, records
// a tone through the private sound server; the file carries the preset's
// codec, rate and channels. A recording without a format is refused.

#include "mediaprobe.h"
#include "recordingsetup.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "common/qconvertersetting.h"
#include "common/qvideosettingxml.h"
#include "convert/qformatresolver.h"
#include "convert/qplistread.h"
#include "platform/audio/loopbackdevice.h"
#include "recorder/qrecordareainfo.h"
#include "recorder/qrecordobject.h"
#include "rzcodec/codecids.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using TestSupport::Playback;

class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyPresetRecords_data();
    void everyPresetRecords();
    void recordingWithoutFormatIsRefused();

private:
    QTemporaryDir m_dir;
    QString m_sink;
    QString m_tone;
    std::unique_ptr<QPlistRead> m_catalogue;
};

void TestPresets::initTestCase()
{
    m_catalogue = std::make_unique<QPlistRead>(QPlistRead::cataloguePath());
    QVERIFY2(m_catalogue->isLoaded(), qPrintable(m_catalogue->errorString()));
    QConverterSetting::InitSetting();
    QConverterSetting::m_attributeSetting = QConverterSetting::m_audioSetting;
    LoopbackDevice *loop = LoopbackDevice::instance();
    QVERIFY2(loop->install(), qPrintable(loop->errorString()));
    m_sink = QString::fromUtf8(loop->sinkName());
    m_tone = m_dir.filePath("440.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 440, 8.0, 44100, 2, 0.5));
    TestSupport::useSources(true, false);
}

void TestPresets::cleanupTestCase()
{
    LoopbackDevice::instance()->restore();
}

void TestPresets::everyPresetRecords_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("quality");
    QPlistRead catalogue(QPlistRead::cataloguePath());
    for (const CategoryInfo &p : catalogue.getCategoriesInfoList("General Audio")) {
        const QString id = QString::fromStdString(p.id);
        QTest::newRow(p.title.c_str()) << id << "0";
        QTest::newRow((p.title + " small").c_str()) << id << "1";
    }
}

void TestPresets::everyPresetRecords()
{
    QFETCH(QString, id);
    QFETCH(QString, quality);
    QVideoSettingXml::SetItemValue("FormatSet", "Audio_Categories", "General Audio");
    QVideoSettingXml::SetItemValue("FormatSet", "Audio_Id", id);
    QualitySet automatic;
    automatic.onlyAudio = true;
    automatic.audioEncoder = automatic.audioChannel = automatic.audioSampleRate = automatic.audioBitRate = "Auto";
    QVERIFY(QVideoSettingXml::SetDefaultFormat(id, automatic));
    QVERIFY(QVideoSettingXml::SetDefaultFormatValue(id, "QUALITY_VALUE", quality));
    QFormatResolver(*m_catalogue).saveUseSetting(false);
    const AttributeSetting a = *QConverterSetting::m_audioSetting;
    QCOMPARE(QConverterSetting::m_audioFormat->id, id);

    const QString path = m_dir.filePath(QString("preset-%1-%2.%3").arg(id, quality, a.extension));
    QRecordObject rec;
    QSignalSpy times(&rec, &QRecordObject::emitRecordTime);
    Playback play(m_tone, m_sink);
    QVERIFY(play.waitPlaying());
    QElapsedTimer recording;
    recording.start();
    QVERIFY2(rec.startRecorder(path, 100.0f, false), qPrintable(rec.errorString()));
    // Two seconds of recorded time, as the recorder reports it.
    QTRY_VERIFY_WITH_TIMEOUT(!times.isEmpty() && times.last().at(0).value<uint64_t>() >= 2000000, 10000);
    QVERIFY(TestSupport::stopRecording(rec));
    // The stop comes when this thread gets to it, later on a busy machine:
    // the file holds no more than the time from the start's call to the
    // stop's return, give or take what a codec pads.
    const double lasted = recording.nsecsElapsed() / 1e9;

    QVERIFY(QFileInfo(path).size() > 0);
    const QString codec = MediaProbe::streamEntry(path, "codec_name");
    QCOMPARE(codec, QString::fromUtf8(rz_codec_id_name(uint32_t(a.audioCodec))));
    QCOMPARE(MediaProbe::streamEntry(path, "sample_rate").toUInt(), a.sampleRate);
    QCOMPARE(MediaProbe::streamEntry(path, "channels").toInt(), a.channels);
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    QVERIFY2(d.seconds() > 1.8 && d.seconds() < lasted + 0.1,
             qPrintable(QString("%1 s recorded in %2 s").arg(d.seconds()).arg(lasted)));
    QVERIFY2(MediaProbe::toneShare(d.mono, 440) > 0.8, qPrintable(QString::number(MediaProbe::toneShare(d.mono, 440))));
    // A lossy preset's bit rate follows the quality.
    if (a.audioBitRate) {
        const double kbps = MediaProbe::formatEntry(path, "bit_rate").toDouble() / 1000.0;
        QVERIFY2(kbps > 0 && kbps < a.audioBitRate * 1.6, qPrintable(QString("%1 for %2").arg(kbps).arg(a.audioBitRate)));
    }
}

void TestPresets::recordingWithoutFormatIsRefused()
{
    AttributeSetting &a = *QConverterSetting::m_attributeSetting;
    a = AttributeSetting();
    QRecordObject rec;
    const QString path = m_dir.filePath("no-format.");
    QVERIFY(!rec.startRecorder(path, 100.0f, false));
    QVERIFY(rec.errorString().contains("format"));
    QVERIFY(!rec.isRecording());
    QVERIFY(!QFileInfo::exists(path));

    // The resolution fills it in again: recording works.
    QFormatResolver(*m_catalogue).saveUseSetting(false);
    QVERIFY(!a.format.isEmpty());
    QVERIFY2(rec.startRecorder(m_dir.filePath("after." + a.extension), 100.0f, false), qPrintable(rec.errorString()));
    QVERIFY(TestSupport::stopRecording(rec));
}

QTEST_MAIN(TestPresets)
#include "tst_presets.moc"
