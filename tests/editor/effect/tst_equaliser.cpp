// The equaliser's rules on presets made for the test: a preset without bands
// takes its own rate, missing bands show 0 dB, and gains are only stored for
// bands the record holds.

#include "banddrag.h"

#include "editor/qeffectform.h"
#include "media/qvideoeditingsettings.h"
#include "widgetkit/qjxbaseslider.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

bool writePreset(const QString &root, const QString &folder, const QByteArray &name,
                 const QList<QPair<int, double>> &bands, const QByteArray &rate)
{
    QDir().mkpath(root + "/AudioEffects/" + folder);
    QByteArray xml = "<Preset Name=\"" + name + "\" Thumbnail=\"t.png\">";
    if (!bands.isEmpty()) {
        xml += "<EQ>";
        for (const auto &b : bands)
            xml += "<b hz=\"" + QByteArray::number(b.first) + "\" db=\"" + QByteArray::number(b.second) + "\"/>";
        xml += "</EQ>";
    }
    if (!rate.isNull())
        xml += "<Rate Value=\"" + rate + "\"/>";
    xml += "</Preset>";
    QFile f(root + "/AudioEffects/" + folder + "/config.xml");
    return f.open(QIODevice::WriteOnly) && f.write(xml) == xml.size();
}

QList<QPair<int, double>> tenBands(double gain)
{
    QList<QPair<int, double>> list;
    for (int hz : {60, 170, 310, 600, 1000, 3000, 6000, 12000, 14000, 16000})
        list << qMakePair(hz, gain);
    return list;
}


} // namespace

class TestEqualiser : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void presetWithoutBandsTakesItsOwnRate();
    void missingBandsAreFlat();
    void customedWithFewBandsStoresOnlyThose();
    void customedAfterAFlatPresetStartsFlat();
    void storedIndexOutsideTheStripIsIgnored();

private:
    QVideoEditingSettings *m_hub = nullptr;
    QEffectForm *m_form = nullptr;
};

void TestEqualiser::init()
{
    m_hub = new QVideoEditingSettings;
    m_form = new QEffectForm;
    m_form->SetEditSettings(m_hub);
    m_form->InitSelect();
}

void TestEqualiser::cleanup()
{
    delete m_form;
    delete m_hub;
}

void TestEqualiser::presetWithoutBandsTakesItsOwnRate()
{
    QCOMPARE(m_form->customedIndex(), 4);
    m_form->SetCurrentIndex(1); // Fast: ten bands at +3, rate 120
    VEAudioSettings a;
    m_hub->getAudioSettings(a);
    QCOMPARE(a.rate, 120u);
    QCOMPARE(a.count, 10);
    m_form->SetCurrentIndex(2); // Slow: no bands, rate 80
    m_hub->getAudioSettings(a);
    QCOMPARE(a.count, 0);
    QVERIFY(!a.bands && !a.gains);
    QCOMPARE(a.rate, 80u);
    for (int i = 0; i < QEffectForm::kBandCount; ++i)
        QCOMPARE(m_form->bandGain(i), 0.0);
}

void TestEqualiser::missingBandsAreFlat()
{
    m_form->SetCurrentIndex(1);
    QCOMPARE(m_form->bandGain(9), 3.0);
    m_form->SetCurrentIndex(3); // Short: three bands
    VEAudioSettings a;
    m_hub->getAudioSettings(a);
    QCOMPARE(a.count, 3);
    QCOMPARE(a.gains[2], -4.0);
    QCOMPARE(m_form->bandGain(2), -4.0);
    for (int i = 3; i < QEffectForm::kBandCount; ++i)
        QCOMPARE(m_form->bandGain(i), 0.0);
}

void TestEqualiser::customedWithFewBandsStoresOnlyThose()
{
    m_form->SetCurrentIndex(1); // ten bands at +3
    dragBand(m_form->bandSlider(1), 15.0);
    QCOMPARE(m_form->currentRow(), 4);
    VEAudioSettings a;
    m_hub->getAudioSettings(a);
    // The adjustable preset here has four bands: the first four carried over.
    QCOMPARE(a.count, 4);
    QCOMPARE(a.gains[0], 3.0);
    QCOMPARE(a.gains[1], 5.0);
    QCOMPARE(a.rate, 120u); // the rate stays the one in force
    // A band the record does not hold stores nothing (and writes nowhere).
    dragBand(m_form->bandSlider(8), 2.0);
    m_hub->getAudioSettings(a);
    QCOMPARE(a.count, 4);
    QCOMPARE(a.gains[3], 3.0);
}

void TestEqualiser::customedAfterAFlatPresetStartsFlat()
{
    m_form->SetCurrentIndex(2); // Slow: no bands, rate 80
    dragBand(m_form->bandSlider(1), 15.0);
    QCOMPARE(m_form->currentRow(), 4);
    VEAudioSettings a;
    m_hub->getAudioSettings(a);
    // No equaliser in force is a flat one: the adjustable preset's own gains
    // do not sneak in, and the rate in force stays.
    QCOMPARE(a.count, 4);
    QCOMPARE(a.gains[0], 0.0);
    QCOMPARE(a.gains[1], 5.0);
    QCOMPARE(a.gains[3], 0.0);
    QCOMPARE(m_form->bandGain(0), 0.0);
    QCOMPARE(m_form->bandGain(3), 0.0);
    QCOMPARE(a.rate, 80u);
}

void TestEqualiser::storedIndexOutsideTheStripIsIgnored()
{
    VEAudioSettings a;
    m_hub->getAudioSettings(a);
    a.effectIndex = 9;
    m_hub->setAudioSettings(a);
    QEffectForm other;
    QSignalSpy effect(&other, &QEffectForm::emitSetAudioEffect);
    other.SetEditSettings(m_hub);
    QCOMPARE(effect.count(), 0);
    QCOMPARE(other.currentRow(), -1);
    a.effectIndex = 3;
    m_hub->setAudioSettings(a);
    other.SetEditSettings(m_hub);
    QCOMPARE(other.currentRow(), 3);
    QCOMPARE(effect.count(), 1);
}

int main(int argc, char **argv)
{
    // Presets of this test only, in a resource folder of its own.
    QTemporaryDir resources;
    const QString root = resources.path();
    if (!writePreset(root, "01_Normal", "Normal", tenBands(0), "100")
        || !writePreset(root, "02_Fast", "Fast", tenBands(3), "120")
        || !writePreset(root, "03_Slow", "Slow", {}, "80")
        || !writePreset(root, "04_Short", "Short", {{60, 1}, {170, 2}, {310, -4}}, "100")
        || !writePreset(root, "05_Customed", "Customed", {{60, 2}, {170, 0}, {310, 0}, {600, -1}}, "100"))
        return 1;
    qputenv("VELMORA_RESOURCES", root.toUtf8());
    QApplication app(argc, argv);
    TestEqualiser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_equaliser.moc"
