#include "mediaprobe.h"

#include "testsupport.h"

#include <QProcess>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace MediaProbe {

Decoded decode(const QString &path)
{
    Decoded d;
    QProcess p;
    p.start("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-f", "f32le", "-ac", "1", "-ar",
                       "44100", "pipe:1"});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return d;
    const QByteArray raw = p.readAllStandardOutput();
    d.mono.resize(raw.size() / 4);
    std::memcpy(d.mono.data(), raw.constData(), size_t(d.mono.size()) * 4);
    d.ok = p.exitCode() == 0 || !d.mono.isEmpty();
    return d;
}

static QString probe(const QString &path, const QString &section, const QString &entry)
{
    QProcess p;
    QStringList args{"-v", "error"};
    if (section == "stream")
        args << "-select_streams" << "a:0";
    args << "-show_entries" << section + "=" + entry << "-of" << "default=nw=1:nk=1" << path;
    p.start("ffprobe", args);
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString streamEntry(const QString &path, const QString &entry)
{
    return probe(path, "stream", entry);
}

QString formatEntry(const QString &path, const QString &entry)
{
    return probe(path, "format", entry);
}

static double shareIn(const float *s, int len, double frequency)
{
    const double total = TestSupport::rms(s, len);
    if (total <= 0.0)
        return 0.0;
    // Goertzel power of a sine of amplitude A over n samples is A^2/4; its rms^2 is A^2/2.
    const double power = TestSupport::goertzelPower(s, len, frequency, 44100);
    return 2.0 * power / (total * total);
}

double toneShare(const QVector<float> &mono, double frequency)
{
    // A second from the middle, clear of codec start-up and padding.
    const int len = qMin(44100, mono.size() / 2);
    if (len < 4410)
        return 0.0;
    return shareIn(mono.constData() + (mono.size() - len) / 2, len, frequency);
}

double toneShareOfTenths(const QVector<float> &mono, double frequency)
{
    const int len = qMin(44100, mono.size() / 2);
    const int tenth = 4410;
    if (len < tenth)
        return 0.0;
    const float *s = mono.constData() + (mono.size() - len) / 2;
    QVector<double> levels;
    for (int at = 0; at + tenth <= len; at += tenth)
        levels << TestSupport::rms(s + at, tenth);
    const double loudest = *std::max_element(levels.cbegin(), levels.cend());
    QVector<double> shares;
    for (int k = 0; k < levels.size(); ++k)
        if (loudest > 0.0 && levels[k] >= 0.1 * loudest)
            shares << shareIn(s + k * tenth, tenth, frequency);
    if (shares.isEmpty())
        return 0.0;
    std::sort(shares.begin(), shares.end());
    return shares[shares.size() / 2];
}

double toneSeconds(const QVector<float> &mono)
{
    const int window = 441;
    int loud = 0;
    for (int at = 0; at + window <= mono.size(); at += window)
        if (TestSupport::rms(mono.constData() + at, window) > 0.1)
            ++loud;
    return loud * window / 44100.0;
}

double pitch(const QVector<float> &mono)
{
    const int window = 2205;
    QVector<double> pitches;
    for (int at = 0; at + window <= mono.size(); at += window) {
        const float *s = mono.constData() + at;
        if (TestSupport::rms(s, window) <= 0.1)
            continue;
        int crossings = 0;
        for (int i = 1; i < window; ++i)
            crossings += (s[i - 1] < 0) != (s[i] < 0);
        pitches << crossings / 2.0 / (window / 44100.0);
    }
    if (pitches.isEmpty())
        return 0;
    std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
    return pitches[pitches.size() / 2];
}

bool waitHeard(const TestSupport::SourceWitness &witness, double seconds, int ms)
{
    return QTest::qWaitFor(
        [&] {
            const QVector<float> stereo = witness.heard();
            QVector<float> mono(stereo.size() / 2);
            for (int i = 0; i < mono.size(); ++i)
                mono[i] = stereo[2 * i];
            return toneSeconds(mono) >= seconds;
        },
        ms);
}

QString holdsTheTone(const Decoded &file, int serverBreaks, double minShare, double frequency)
{
    const double share = toneShare(file.mono, frequency);
    if (serverBreaks < 0)
        return QStringLiteral("the server played no tone meanwhile, as another client heard it");
    if (serverBreaks == 0)
        return share > minShare ? QString()
                                : QStringLiteral("the file does not hold the tone: share %1").arg(share);
    const double heardPitch = pitch(file.mono);
    qInfo("the server's own sound broke %d times while recording (another client heard them): share %.2f, "
          "pitch %.1f Hz",
          serverBreaks, share, heardPitch);
    return std::abs(heardPitch - frequency) < frequency / 20
               ? QString()
               : QStringLiteral("the file holds no tone of %1 Hz: %2 Hz").arg(frequency).arg(heardPitch);
}

} // namespace MediaProbe
