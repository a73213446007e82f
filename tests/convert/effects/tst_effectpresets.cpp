// Every effect preset the program ships, converted on a recording that peaks
// just below full scale: nothing may reach full scale, the length stays, and
// the preset still shapes the sound.

#include "convert/iavconverter.h"
#include "recorder/cavencodeparam.h"

#include "converterreports.h"
#include "filterchain.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

struct Preset {
    QString name;
    QVector<double> bands;
    QVector<double> gains;
};

QList<Preset> shippedPresets()
{
    QList<Preset> presets;
    const QDir root(QStringLiteral(EFFECTS_FOLDER));
    for (const QString &folder : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QFile f(root.filePath(folder + "/config.xml"));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        Preset p;
        QXmlStreamReader xml(&f);
        while (xml.readNextStartElement() || !xml.atEnd()) {
            if (xml.isStartElement() && xml.name() == QLatin1String("AudioEffect"))
                p.name = xml.attributes().value("Name").toString();
            if (xml.isStartElement() && xml.name() == QLatin1String("Band")) {
                p.bands << xml.attributes().value("hz").toDouble();
                p.gains << xml.attributes().value("db").toDouble();
            }
            if (!xml.isStartElement())
                xml.readNext();
        }
        presets << p;
    }
    return presets;
}

// Eight tones across the bands with a common peak of 32767 (the loudest a
// 16-bit recording can be without clipping), as 16-bit stereo WAV.
bool writeFullScale(const QString &path, double seconds, int rate = 44100)
{
    const double freqs[] = {60, 170, 310, 600, 1000, 3000, 6000, 12000};
    const int frames = int(seconds * rate);
    QVector<double> mix(frames);
    double peak = 0;
    for (int i = 0; i < frames; ++i) {
        double v = 0;
        for (int k = 0; k < 8; ++k)
            v += std::sin(2 * M_PI * freqs[k] * i / rate + k * 0.7);
        mix[i] = v;
        peak = std::max(peak, std::abs(v));
    }
    QByteArray data;
    data.resize(frames * 4);
    auto *out = reinterpret_cast<qint16 *>(data.data());
    for (int i = 0; i < frames; ++i)
        out[2 * i] = out[2 * i + 1] = qint16(std::lround(mix[i] / peak * 32767));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QDataStream s(&f);
    s.setByteOrder(QDataStream::LittleEndian);
    s.writeRawData("RIFF", 4);
    s << quint32(36 + data.size());
    s.writeRawData("WAVEfmt ", 8);
    s << quint32(16) << quint16(1) << quint16(2) << quint32(rate) << quint32(rate * 4) << quint16(4)
      << quint16(16);
    s.writeRawData("data", 4);
    s << quint32(data.size());
    s.writeRawData(data.constData(), data.size());
    return f.error() == QFile::NoError;
}

double rmsDb(const QVector<float> &samples)
{
    double sum = 0;
    for (float v : samples)
        sum += double(v) * v;
    return 10 * std::log10(sum / std::max(1, samples.size()));
}

} // namespace

class TestEffectPresets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void presetsNeverClip_data();
    void presetsNeverClip();

private:
    QTemporaryDir m_dir;
    QString m_source;
};

void TestEffectPresets::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_source = m_dir.filePath("loud.wav");
    QVERIFY(writeFullScale(m_source, 4.0));
}

void TestEffectPresets::presetsNeverClip_data()
{
    QTest::addColumn<int>("index");
    const QList<Preset> presets = shippedPresets();
    QVERIFY(presets.size() >= 10);
    for (int i = 0; i < presets.size(); ++i)
        QTest::newRow(qPrintable(presets[i].name)) << i;
    QTest::newRow("volume 200 %") << -1;
}

void TestEffectPresets::presetsNeverClip()
{
    QFETCH(int, index);
    const Preset p = index >= 0 ? shippedPresets().at(index) : Preset{"volume", {}, {}};
    CAVEncodeParam param;
    param.editConfig.audioSettings.set(p.bands.constData(), p.gains.constData(), p.bands.size());
    if (index < 0)
        param.editConfig.audioSettings.volume = 200;
    const QString output = m_dir.filePath(QString("preset%1.wav").arg(index + 1));
    ConverterReports reports;
    IAVConverter *converter = CreateAVConverter();
    QVERIFY(converter->StartConvert(m_source.toUtf8().constData(), output.toUtf8().constData(),
                                    &param, &reports, &ConverterReports::callback, false));
    QTRY_VERIFY_WITH_TIMEOUT(reports.last() != convertProgress, 60000);
    DestroyAVConverter(converter);
    QCOMPARE(reports.last(), convertFinished);

    const QVector<float> source = FilterChain::decodeFile(m_source);
    const QVector<float> written = FilterChain::decodeFile(output);
    QCOMPARE(written.size(), source.size()); // the limiter's delay is taken back
    const auto peakOf = [](const QVector<float> &samples, int *atFullScale) {
        float peak = 0;
        for (float v : samples) {
            peak = std::max(peak, std::abs(v));
            *atFullScale += std::abs(v) >= 32767.0f / 32768.0f;
        }
        return peak;
    };
    int sourceAtFullScale = 0;
    int atFullScale = 0;
    const float sourcePeak = peakOf(source, &sourceAtFullScale);
    const float peak = peakOf(written, &atFullScale);
    const double gainDb = rmsDb(written) - rmsDb(source);
    qInfo("%s: peak %.2f dBFS, level %+.2f dB", qPrintable(p.name), 20 * std::log10(peak), gainDb);
    const bool boosts = index < 0 || std::any_of(p.gains.begin(), p.gains.end(), [](double g) { return g > 0; });
    if (boosts) {
        QCOMPARE(atFullScale, 0);
        QVERIFY2(peak <= 0.9, qPrintable(QString::number(peak)));
    } else {
        // Nothing boosts: the peaks stay where they were.
        QVERIFY(atFullScale <= sourceAtFullScale);
        QVERIFY2(peak <= sourcePeak, qPrintable(QString("%1 > %2").arg(peak).arg(sourcePeak)));
    }
    // Limited, not silenced: the sound keeps most of its level.
    QVERIFY2(gainDb > -6.0, qPrintable(QString::number(gainDb)));
}

QTEST_MAIN(TestEffectPresets)
#include "tst_effectpresets.moc"
