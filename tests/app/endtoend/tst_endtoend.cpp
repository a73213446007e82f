// The program as a user meets it: the real binary on a desktop of its own
// (virtual display, window manager, session and accessibility buses) with the
// private sound server, driven only through its windows by synthetic mouse
// and key input. Controls are found as assistive technology finds them, by
// role and accessible name (or tool tip) on the accessibility bus. Each step
// is judged from the files, History.xml and the sound server, and leaves a
// screenshot of the screen in the build folder (screenshots/e2e/<server>/).

#include "atspiclient.h"
#include "common/qfilenamerules.h"
#include "common/qianyutil.h"
#include "mediaprobe.h"
#include "recordingtools.h"
#include "testsupport.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <signal.h>

namespace {

const QString kApp = QStringLiteral("velmora-audio-recorder");
const QString kMainTitle = QStringLiteral("Velmora Audio Recorder");
const QString kLoopbackSink = QStringLiteral("rzaudio_device");
const QString kButton = QStringLiteral("push button");
const QString kCell = QStringLiteral("cell");

QString historyFile()
{
    return QIAnyUtil::getAppDataPath() + QStringLiteral("/History.xml");
}

// Every recording History.xml lists, by its converted path.
QStringList historyPaths()
{
    QStringList paths;
    QFile file(historyFile());
    QDomDocument doc;
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file))
        return paths;
    std::function<void(const QDomElement &)> visit = [&](const QDomElement &e) {
        const QString path = e.attribute(QStringLiteral("Converted_path_"));
        if (!path.isEmpty() && !paths.contains(path))
            paths << path;
        for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
            visit(c);
    };
    visit(doc.documentElement());
    return paths;
}

QByteArray pactl(const QStringList &args)
{
    QByteArray out;
    TestSupport::runProgram(QStringLiteral("pactl"), args, 10000, &out);
    return out;
}

// Loudness of 10 ms windows.
QVector<float> envelope(const QVector<float> &mono)
{
    QVector<float> env;
    for (int i = 0; i + 441 <= mono.size(); i += 441)
        env << float(TestSupport::rms(mono.constData() + i, 441));
    return env;
}

double pearson(const float *a, const float *b, int n)
{
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (int i = 0; i < n; ++i) {
        sa += a[i]; sb += b[i];
        saa += double(a[i]) * a[i]; sbb += double(b[i]) * b[i]; sab += double(a[i]) * b[i];
    }
    const double cov = sab - sa * sb / n, va = saa - sa * sa / n, vb = sbb - sb * sb / n;
    return va > 0 && vb > 0 ? cov / std::sqrt(va * vb) : 0.0;
}

// Where in `in` the whole of `part` fits best, and how well.
int bestLag(const QVector<float> &part, const QVector<float> &in, double *how = nullptr)
{
    int lag = 0;
    double best = -2;
    for (int at = 0; at + part.size() <= in.size(); ++at) {
        const double r = pearson(part.constData(), in.constData() + at, part.size());
        if (r > best) {
            best = r;
            lag = at;
        }
    }
    if (how)
        *how = best;
    return lag;
}

// How closely one recording holds another's samples somewhere inside it: the
// place is found from the loudness envelopes, then the samples are
// correlated around it.
double correlation(const QVector<float> &source, const QVector<float> &heard)
{
    const QVector<float> es = envelope(source), eh = envelope(heard);
    if (es.size() < 10 || eh.size() < es.size())
        return 0;
    const int start = bestLag(es, eh) * 441;
    double sampleBest = 0;
    for (int shift = -441; shift <= 441; ++shift) {
        const int at = start + shift;
        if (at < 0 || at + source.size() > heard.size())
            continue;
        sampleBest = qMax(sampleBest, pearson(source.constData(), heard.constData() + at, source.size()));
    }
    return sampleBest;
}

// How a signal holds a source, part by part: each part with sound in it is
// found in order, at the place the one before it leads to or later. A pause
// put in on the way to it (a stream the sound server was not fed in time
// while the machine is busy) moves the parts after it later, and the one
// part it falls into is excused; sound lost moves them earlier, and is not.
struct Parts
{
    int loud = 0; // parts with sound in them
    int found = 0;
    int excused = 0;
    int pauses = 0;
    double pausedSeconds = 0;
    double missingAt = -1; // the first part neither found nor excused, in seconds of the source
    bool whole() const { return loud > 0 && found + excused == loud && missingAt < 0; }
    QString text() const
    {
        return QStringLiteral("%1 of %2 parts found, %3 cut by %4 pauses of %5 s in all%6")
            .arg(found)
            .arg(loud)
            .arg(excused)
            .arg(pauses)
            .arg(pausedSeconds, 0, 'f', 2)
            .arg(missingAt < 0 ? QString() : QStringLiteral(", missing at %1 s").arg(missingAt, 0, 'f', 2));
    }
};

struct PartRule
{
    int length;       // of a part, in the signal's units
    int jitter;       // how far a part may sit from where the one before leads
    int maxPause;     // the longest pause looked for
    double perSecond; // units
};

Parts findParts(const QVector<float> &source, const QVector<float> &signal, int approx, const PartRule &rule)
{
    Parts parts;
    QVector<double> level;
    double peak = 0;
    for (int a = 0; a + rule.length <= source.size(); a += rule.length) {
        level << TestSupport::rms(source.constData() + a, rule.length);
        peak = qMax(peak, level.last());
    }
    auto bestIn = [&](int a, int from, int to, int &bestAt) {
        double best = -2;
        for (int at = qMax(0, from); at <= to && at + rule.length <= signal.size(); ++at) {
            const double r = pearson(source.constData() + a, signal.constData() + at, rule.length);
            if (r > best) {
                best = r;
                bestAt = at;
            }
        }
        return best;
    };
    const double least = 0.9;
    int shift = INT_MIN; // where the source's start is in the signal
    int pending = 0;     // parts not found since the last one found
    double pendingAt = -1;
    for (int k = 0; k < level.size(); ++k) {
        if (level[k] < 0.2 * peak)
            continue;
        ++parts.loud;
        const int a = k * rule.length;
        int at = -1;
        double r;
        if (shift == INT_MIN) {
            // The first is looked for around where the whole lies, pauses before it allowed for.
            r = bestIn(a, approx + a - 2 * rule.maxPause, approx + a + rule.maxPause, at);
        } else {
            r = bestIn(a, a + shift - rule.jitter, a + shift + rule.jitter, at);
            if (r < least)
                r = bestIn(a, a + shift + rule.jitter + 1, a + shift + rule.maxPause, at);
        }
        if (r < least) {
            if (pending++ == 0)
                pendingAt = a / rule.perSecond;
            continue;
        }
        const int moved = shift == INT_MIN ? 0 : at - a - shift;
        if (pending > 0 && (pending > 1 || moved <= rule.jitter) && parts.missingAt < 0)
            parts.missingAt = pendingAt;
        else if (pending > 0)
            parts.excused += pending;
        if (moved > rule.jitter) {
            ++parts.pauses;
            parts.pausedSeconds += moved / rule.perSecond;
        }
        pending = 0;
        shift = at - a;
        ++parts.found;
    }
    if (pending > 0 && parts.missingAt < 0)
        parts.missingAt = pendingAt;
    return parts;
}

// The recording holds the speech's very samples, a tenth of a second at a time.
Parts samplesHeld(const QVector<float> &speech, const QVector<float> &recorded)
{
    return findParts(speech, recorded, bestLag(envelope(speech), envelope(recorded)) * 441,
                     {4410, 2, 22050, 44100.0});
}

// What is heard holds the speech's loudness, a quarter of a second at a
// time: the loop-back passes sound on at a rate of its own.
Parts loudnessHeld(const QVector<float> &speech, const QVector<float> &heard)
{
    const QVector<float> es = envelope(speech), eh = envelope(heard);
    return findParts(es, eh, bestLag(es, eh), {25, 1, 50, 100.0});
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void startsAndTakesTheDefaultOutput();
    void recordsSystemSound();
    void playsARecordingOnTheOutput();
    void namesARecordingAfterTheAnnouncedTrack();
    void recordsInAnotherFormat();
    void recordsTheMicrophone();
    void editsARecording();
    void renamesARecording();
    void deletesARecording();
    void keepsTheRecordingWhenClosedWhileRecording();
    void repairsARecordingCutShortByAKill();
    void givesTheOutputBackWhenItQuits();

private:
    void startProgram();
    void chooseInput(int entry, const QString &step);
    // The pixels of a part of the screen.
    QByteArray grabRegion(const QRect &rect) const;
    int shownWindows() const;
    void waitRows(int count);
    // Clicks the title bar's Close and answers the close prompt with Exit;
    // the program ends normally.
    void exitThroughClosePrompt(const QString &step);
    // The recordings of the output folder, newest last.
    QStringList outputFiles() const;
    // Waits for a window that has come to rest: the window manager and the
    // program place a new dialog after it shows.
    AccessibleNode waitSettled(const QString &role, const QString &name);
    // Clicks the first (Edit) or second (Delete) of the two buttons the
    // table draws, centred, in the last cell of a recording's row.
    void clickRowButton(const QString &path, int which);
    QVector<AccessibleNode> nodes() const;
    // Waits for a showing control of the role with that name; fails the test when none comes.
    AccessibleNode waitFor(const QString &role, const QString &name, int ms = 15000);
    bool waitGone(const QString &role, const QString &name, int ms = 15000);
    void click(const AccessibleNode &node, int count = 1);
    void clickControl(const QString &role, const QString &name);
    void key(const QString &keys);
    void typeText(const QString &text);
    void screenshot(const QString &step);
    // With announcedAs (name, status, title, artist, album, options), a
    // media player of the session bus plays the speech and says so, and
    // the recording stops once the program has named it after the title.
    QString recordSpeech(const QString &sink, const QString &step, const QStringList &announcedAs = {});
    // Whether the recording holds the speech; says how closely, and keeps
    // what it holds beside the screenshots when it does not.
    bool holdsTheSpeech(const QString &path, const char *what);

    std::unique_ptr<AtspiClient> m_atspi;
    std::unique_ptr<QProcess> m_program;
    QString m_shots;
    QString m_speech;
    QString m_speechTrack;
    QVector<float> m_speechMono;
    int m_shotCount = 0;
    int m_starts = 0;
    QString m_systemRecording;
    QString m_editedCopy;
    QString m_trimmed;
    QByteArray m_systemPicture;
};

void TestEndToEnd::initTestCase()
{
    QVERIFY2(!qEnvironmentVariable("DISPLAY").isEmpty(), "runs on the desktop of desktop-session.sh");
    QVERIFY2(AtspiClient::enableAccessibility(), "the accessibility bus does not answer");
    m_atspi.reset(new AtspiClient);
    QVERIFY(m_atspi->isConnected());
    // The accessibility bus, started with the display known, names itself on
    // the root window; programs started from now on publish their controls.
    QTRY_VERIFY_WITH_TIMEOUT(TestSupport::runProgram(QStringLiteral("sh"), {QStringLiteral("-c"),
                                 QStringLiteral("xprop -root AT_SPI_BUS | grep -q unix:")}) == 0, 10000);
    m_shots = TestSupport::screenshotDir() + QStringLiteral("/e2e/")
              + (TestSupport::soundServerIsPipeWire() ? QStringLiteral("pipewire") : QStringLiteral("pulseaudio"));
    QDir(m_shots).removeRecursively();
    QVERIFY(QDir().mkpath(m_shots));

    // Speech, spoken by a synthesiser, as the sound the computer plays.
    m_speech = QDir::homePath() + QStringLiteral("/speech.wav");
    QCOMPARE(TestSupport::runProgram(QStringLiteral("espeak-ng"),
                                     {QStringLiteral("-w"), m_speech, QStringLiteral("-s"), QStringLiteral("150"),
                                      QStringLiteral("Recording the sound of this computer, one two three.")}),
             0);
    const MediaProbe::Decoded speech = MediaProbe::decode(m_speech);
    QVERIFY(speech.ok && speech.seconds() > 2.0);
    m_speechMono = speech.mono;
    // The same speech as the start of a longer track.
    m_speechTrack = QDir::homePath() + QStringLiteral("/speech-track.wav");
    QVERIFY(TestSupport::writeWav(m_speechTrack, m_speechMono + QVector<float>(60 * 44100, 0.0f), 44100, 1));
}

void TestEndToEnd::cleanupTestCase()
{
    if (m_program && m_program->state() != QProcess::NotRunning) {
        // A step failed with the program running: let it give the output back.
        ::kill(pid_t(m_program->processId()), SIGTERM);
        if (m_program->waitForFinished(15000))
            return;
        m_program->kill();
        m_program->waitForFinished(10000);
    }
}

void TestEndToEnd::startProgram()
{
    m_program.reset(new QProcess);
    m_program->setProcessChannelMode(QProcess::MergedChannels);
    m_program->setStandardOutputFile(m_shots + QStringLiteral("/program-%1.log").arg(++m_starts));
    m_program->start(QStringLiteral(VELMORA_PROGRAM), QStringList());
    QVERIFY(m_program->waitForStarted(10000));
    waitFor(QStringLiteral("frame"), kMainTitle, 30000);
    // The input selector made the loop-back device the default output (on a
    // busy machine its round trips to the server take many seconds; a start
    // after a kill first gives the output back).
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(TestSupport::serverDefault()), kLoopbackSink, 30000);
}

AccessibleNode TestEndToEnd::waitFor(const QString &role, const QString &name, int ms)
{
    AccessibleNode found;
    QVector<AccessibleNode> seen;
    const bool ok = QTest::qWaitFor([&] {
        seen = nodes();
        const AccessibleNode *node = AtspiClient::find(seen, role, name);
        if (node)
            found = *node;
        return node != nullptr;
    }, ms);
    if (!ok) {
        screenshot(QStringLiteral("missing-") + name.left(20).replace(QLatin1Char(' '), QLatin1Char('_')));
        QTest::qFail(qPrintable(QStringLiteral("no %1 \"%2\" within %3 ms; showing:\n%4")
                                    .arg(role, name).arg(ms).arg(AtspiClient::describe(seen))),
                     __FILE__, __LINE__);
    }
    return found;
}

bool TestEndToEnd::waitGone(const QString &role, const QString &name, int ms)
{
    return QTest::qWaitFor([&] { return AtspiClient::find(nodes(), role, name) == nullptr; }, ms);
}

void TestEndToEnd::click(const AccessibleNode &node, int count)
{
    const QPoint at = node.rect.center();
    QCOMPARE(TestSupport::runProgram(QStringLiteral("xdotool"),
                                     {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                                      QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(count),
                                      QStringLiteral("1")}),
             0);
}

void TestEndToEnd::clickControl(const QString &role, const QString &name)
{
    const AccessibleNode node = waitFor(role, name);
    if (QTest::currentTestFailed())
        return;
    click(node);
}

void TestEndToEnd::key(const QString &keys)
{
    QCOMPARE(TestSupport::runProgram(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}), 0);
}

void TestEndToEnd::typeText(const QString &text)
{
    QCOMPARE(TestSupport::runProgram(QStringLiteral("xdotool"),
                                     {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text}),
             0);
}

void TestEndToEnd::screenshot(const QString &step)
{
    const QString path = m_shots + QStringLiteral("/%1-%2.png").arg(++m_shotCount, 2, 10, QLatin1Char('0')).arg(step);
    // Grabbed by ffmpeg from the display: the driver itself stays a console
    // program, which joins no accessibility bus and so never blocks it.
    QCOMPARE(TestSupport::runProgram(QStringLiteral("ffmpeg"),
                                     {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                                      QStringLiteral("-f"), QStringLiteral("x11grab"), QStringLiteral("-i"),
                                      qEnvironmentVariable("DISPLAY"), QStringLiteral("-frames:v"),
                                      QStringLiteral("1"), path}),
             0);
}

// Starts a recording, plays the speech into the sink, stops, and returns the
// new recording's path from History.xml once its file is there.
QString TestEndToEnd::recordSpeech(const QString &sink, const QString &step, const QStringList &announcedAs)
{
    const QStringList before = historyPaths();
    const QStringList filesBefore = outputFiles();
    clickControl(kButton, QStringLiteral("Start Recording"));
    // Recording runs once Stop shows and the program captures from the server.
    waitFor(kButton, QStringLiteral("Stop Recording"));
    const QByteArray ours = "application.process.id = \"" + QByteArray::number(m_program->processId()) + '"';
    if (!QTest::qWaitFor([&] { return pactl({QStringLiteral("list"), QStringLiteral("source-outputs")}).contains(ours); },
                         15000)) {
        QTest::qFail("the program does not capture from the sound server", __FILE__, __LINE__);
        return QString();
    }
    QProcess player;
    if (announcedAs.isEmpty()) {
        TestSupport::Playback speech(m_speech, sink);
        if (!speech.waitPlaying() || !speech.waitEnd(20000)) {
            QTest::qFail("the speech was not played", __FILE__, __LINE__);
            return QString();
        }
    } else {
        // The player plays the speech as the start of a longer track, as
        // players do, and the recording stops once the program has named it
        // after the track while it plays and the speech is in its file:
        // however long the program takes to settle on the track's tags
        // while the machine is busy, the track still plays.
        QStringList args = announcedAs;
        args << QStringLiteral("--play") << m_speechTrack;
        if (!sink.isEmpty())
            args << QStringLiteral("--sink") << sink;
        player.start(QStringLiteral(VELMORA_MPRIS_STANDIN), args);
        const QString title = announcedAs.value(2);
        bool named = false;
        Parts held;
        const bool recorded = QTest::qWaitFor(
            [&] {
                named = named || AtspiClient::find(nodes(), kCell, title);
                QStringList written = outputFiles();
                for (const QString &path : filesBefore)
                    written.removeAll(path);
                held = written.size() == 1
                           ? samplesHeld(m_speechMono, MediaProbe::decode(written.constFirst()).mono)
                           : Parts();
                return named && held.whole();
            },
            60000);
        if (!recorded) {
            screenshot(step + QStringLiteral("-not-named"));
            QTest::qFail(
                qPrintable(QStringLiteral("the recording %1 named \"%2\" while the player played (the "
                                          "speech's samples: %3); the player said: %4")
                               .arg(named ? QStringLiteral("was") : QStringLiteral("was not"), title)
                               .arg(held.text())
                               .arg(QString::fromUtf8(player.readAllStandardOutput()).simplified())),
                __FILE__, __LINE__);
            return QString();
        }
    }
    screenshot(step + QStringLiteral("-recording"));
    clickControl(kButton, QStringLiteral("Stop Recording"));
    waitFor(kButton, QStringLiteral("Start Recording"));
    if (player.state() != QProcess::NotRunning) {
        player.kill();
        player.waitForFinished(5000);
    }
    QString added;
    const bool listed = QTest::qWaitFor([&] {
        for (const QString &path : historyPaths())
            if (!before.contains(path) && QFileInfo(path).size() > 0) {
                added = path;
                return true;
            }
        return false;
    }, 20000);
    screenshot(step + QStringLiteral("-stopped"));
    if (!listed)
        QTest::qFail(qPrintable(QStringLiteral("no new recording in %1; it holds: %2")
                                    .arg(historyFile(), historyPaths().join(QLatin1Char(' ')))),
                     __FILE__, __LINE__);
    return added;
}

bool TestEndToEnd::holdsTheSpeech(const QString &path, const char *what)
{
    const MediaProbe::Decoded got = MediaProbe::decode(path);
    if (!got.ok) {
        qWarning("%s %s cannot be decoded", what, qPrintable(path));
        return false;
    }
    const Parts held = samplesHeld(m_speechMono, got.mono);
    qInfo("%s %s: %.2f s, the speech's samples: %s", what, qPrintable(QFileInfo(path).fileName()),
          got.seconds(), qPrintable(held.text()));
    if (held.whole())
        return true;
    TestSupport::writeWav(m_shots + QLatin1Char('/') + QFileInfo(path).completeBaseName()
                              + QStringLiteral(".wav"),
                          got.mono, 44100, 1);
    return false;
}

// The input selector's menu lists "System Audio" first, then the
// microphones. Qt publishes no pop-up menu on the accessibility bus unless it
// hangs from a menu bar, so the entry is chosen with the keyboard, as a user
// may; what gets recorded shows that the right one was taken.
void TestEndToEnd::chooseInput(int entry, const QString &step)
{
    const int windows = shownWindows();
    clickControl(kButton, QStringLiteral("Input Device"));
    // The menu, a window of its own, has the keyboard once it shows.
    QTRY_VERIFY_WITH_TIMEOUT(shownWindows() > windows, 10000);
    screenshot(step + QStringLiteral("-menu"));
    // The pointer leaves the selector, so that what it shows afterwards is
    // its own doing, not a hover's.
    QCOMPARE(TestSupport::runProgram(QStringLiteral("xdotool"),
                                     {QStringLiteral("mousemove"), QStringLiteral("1"), QStringLiteral("1")}),
             0);
    for (int i = 0; i <= entry; ++i)
        key(QStringLiteral("Down"));
    key(QStringLiteral("Return"));
    QTRY_COMPARE_WITH_TIMEOUT(shownWindows(), windows, 10000);
    screenshot(step + QStringLiteral("-chosen"));
}

// The controls on the accessibility bus, placed where the display shows
// them: a dialog shown a second time tells the bus its old place (0, 0)
// while the window manager has put it elsewhere, so each window's offset is
// taken from the display (the program's mapped window of that title and size).
QVector<AccessibleNode> TestEndToEnd::nodes() const
{
    QVector<AccessibleNode> found = m_atspi->snapshot(kApp);
    if (found.isEmpty() || !m_program)
        return found;
    QByteArray ids;
    TestSupport::runProgram(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                         QStringLiteral("--pid"), QString::number(m_program->processId())},
                            10000, &ids);
    struct Shown { QString title; QRect rect; };
    QVector<Shown> shown;
    for (const QByteArray &id : ids.trimmed().split('\n')) {
        if (id.isEmpty())
            continue;
        QByteArray geometry, title;
        TestSupport::runProgram(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"),
                                                             QString::fromLatin1(id)}, 10000, &geometry);
        TestSupport::runProgram(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::fromLatin1(id)},
                                10000, &title);
        QMap<QByteArray, int> v;
        for (const QByteArray &line : geometry.split('\n')) {
            const int eq = line.indexOf('=');
            if (eq > 0)
                v[line.left(eq)] = line.mid(eq + 1).toInt();
        }
        shown.append({QString::fromUtf8(title).trimmed(), QRect(v.value("X"), v.value("Y"), v.value("WIDTH"), v.value("HEIGHT"))});
    }
    QPoint offset;
    for (AccessibleNode &node : found) {
        if (node.depth == 0) {
            offset = QPoint();
            for (const Shown &window : shown)
                if (window.title == node.name && window.rect.size() == node.rect.size()) {
                    offset = window.rect.topLeft() - node.rect.topLeft();
                    // Of two alike, the one the bus places right needs nothing.
                    if (offset.isNull())
                        break;
                }
        }
        if (!node.rect.isEmpty())
            node.rect.translate(offset);
    }
    return found;
}

QByteArray TestEndToEnd::grabRegion(const QRect &rect) const
{
    QByteArray pixels;
    TestSupport::runProgram(QStringLiteral("ffmpeg"),
                            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("x11grab"),
                             QStringLiteral("-video_size"), QStringLiteral("%1x%2").arg(rect.width()).arg(rect.height()),
                             QStringLiteral("-i"),
                             QStringLiteral("%1+%2,%3").arg(qEnvironmentVariable("DISPLAY")).arg(rect.x()).arg(rect.y()),
                             QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-f"), QStringLiteral("rawvideo"),
                             QStringLiteral("-pix_fmt"), QStringLiteral("rgb24"), QStringLiteral("pipe:1")},
                            30000, &pixels);
    return pixels;
}

// Windows of the program mapped on the display (menus included).
int TestEndToEnd::shownWindows() const
{
    QByteArray out;
    TestSupport::runProgram(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                         QStringLiteral("--pid"),
                                                         QString::number(m_program->processId())},
                            10000, &out);
    return out.trimmed().isEmpty() ? 0 : out.trimmed().split('\n').size();
}

// The line under the recordings table counts the rows it shows.
void TestEndToEnd::waitRows(int count)
{
    const QString prefix = QString::number(count) + QStringLiteral(" Audios,");
    QVector<AccessibleNode> seen;
    const bool ok = QTest::qWaitFor([&] {
        seen = nodes();
        for (const AccessibleNode &label : AtspiClient::all(seen, QStringLiteral("label")))
            if (label.name.startsWith(prefix))
                return true;
        return false;
    }, 15000);
    if (!ok)
        QTest::qFail(qPrintable(QStringLiteral("the table does not show %1 rows:\n%2").arg(count).arg(
                         AtspiClient::describe(seen))),
                     __FILE__, __LINE__);
}

AccessibleNode TestEndToEnd::waitSettled(const QString &role, const QString &name)
{
    AccessibleNode last = waitFor(role, name);
    int same = 0;
    const bool settled = QTest::qWaitFor([&] {
        const QVector<AccessibleNode> seen = nodes();
        const AccessibleNode *now = AtspiClient::find(seen, role, name);
        if (!now)
            return false;
        same = now->rect == last.rect ? same + 1 : 0;
        last = *now;
        return same >= 3;
    }, 15000);
    if (!settled)
        QTest::qFail(qPrintable(QStringLiteral("%1 \"%2\" does not come to rest").arg(role, name)), __FILE__, __LINE__);
    return last;
}

void TestEndToEnd::clickRowButton(const QString &path, int which)
{
    waitRows(historyPaths().size());
    const AccessibleNode name = waitFor(kCell, QFileInfo(path).completeBaseName());
    if (QTest::currentTestFailed())
        return;
    const QVector<AccessibleNode> cells = AtspiClient::all(nodes(), kCell);
    const AccessibleNode *last = nullptr;
    for (const AccessibleNode &cell : cells)
        if (cell.rect.top() == name.rect.top() && (!last || cell.rect.left() > last->rect.left()))
            last = &cell;
    QVERIFY(last);
    AccessibleNode button = *last;
    const int offset = last->rect.width() / 4;
    button.rect = QRect(last->rect.center() + QPoint(which == 0 ? -offset : offset, 0), QSize(1, 1));
    // The buttons show under the pointer.
    QCOMPARE(TestSupport::runProgram(QStringLiteral("xdotool"), {QStringLiteral("mousemove"),
        QString::number(button.rect.x()), QString::number(name.rect.center().y())}), 0);
    click(button);
}

void TestEndToEnd::startsAndTakesTheDefaultOutput()
{
    QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
    startProgram();
    screenshot(QStringLiteral("started"));
    // The loop-back device is there and passes what it gets on to the speakers.
    QVERIFY(pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")}).contains(kLoopbackSink.toUtf8()));
}

void TestEndToEnd::recordsSystemSound()
{
    chooseInput(0, QStringLiteral("system-sound"));
    // The selector's picture of the chosen source.
    m_systemPicture = grabRegion(waitFor(kButton, QStringLiteral("Input Device")).rect);
    QVERIFY(!m_systemPicture.isEmpty());
    const QString path = recordSpeech(QString(), QStringLiteral("system"));
    QVERIFY(!path.isEmpty());
    QVERIFY2(holdsTheSpeech(path, "system sound recording"), qPrintable(path));
    // The row shows in the recordings table.
    waitFor(kCell, QFileInfo(path).completeBaseName());
    m_systemRecording = path;
}

void TestEndToEnd::playsARecordingOnTheOutput()
{
    QVERIFY(!m_systemRecording.isEmpty());
    const MediaProbe::Decoded recorded = MediaProbe::decode(m_systemRecording);
    QVERIFY(recorded.ok);
    // What the program plays into the loop-back device, and what the user
    // hears: the speakers (the previous default output), to which the
    // device passes the sound on.
    const auto listen = [](QProcess &ear, const QString &source) {
        ear.start(QStringLiteral("parec"), {QStringLiteral("--device=") + source, QStringLiteral("--format=float32le"),
                                            QStringLiteral("--rate=44100"), QStringLiteral("--channels=1"),
                                            QStringLiteral("--raw"), QStringLiteral("--latency-msec=50")});
        return ear.waitForStarted(5000);
    };
    QProcess played, speakers;
    QVERIFY(listen(played, kLoopbackSink + QStringLiteral(".monitor")));
    QVERIFY(listen(speakers, QStringLiteral("system_sound.monitor")));
    // Clicked once the table has settled on its rows: a double click on a
    // row being re-listed would reach two different rows.
    waitRows(historyPaths().size());
    const AccessibleNode row = waitFor(kCell, QFileInfo(m_systemRecording).completeBaseName());
    click(row, 2);
    screenshot(QStringLiteral("play-clicked"));
    QByteArray rawPlayed, rawHeard;
    Parts p, h;
    const auto mono = [](const QByteArray &raw) {
        QVector<float> samples(raw.size() / 4);
        std::memcpy(samples.data(), raw.constData(), size_t(samples.size()) * 4);
        return samples;
    };
    // Judged by loudness: the loop-back passes the sound on at a rate of its own.
    const bool both = QTest::qWaitFor([&] {
        rawPlayed += played.readAllStandardOutput();
        rawHeard += speakers.readAllStandardOutput();
        p = loudnessHeld(m_speechMono, mono(rawPlayed));
        h = loudnessHeld(m_speechMono, mono(rawHeard));
        return p.whole() && h.whole();
    }, 30000);
    screenshot(QStringLiteral("played"));
    played.kill();
    speakers.kill();
    // What the speakers got, kept beside the screenshots.
    TestSupport::writeWav(m_shots + QStringLiteral("/heard.wav"), mono(rawHeard), 44100, 1);
    played.waitForFinished(5000);
    speakers.waitForFinished(5000);
    qInfo("playback: the speech's loudness played into the device: %s; heard on the speakers: %s%s",
          qPrintable(p.text()), qPrintable(h.text()), both ? "" : " (after 30 s)");
    // On a busy machine a stream that ran short has a moment of silence put
    // in (the server waits for what comes late and plays it late), into the
    // device and so on the speakers: one quarter of a second at most passes,
    // told above; more, or any elsewhere than on both, is a fault.
    const auto nearlyWhole = [](const Parts &parts) {
        return parts.whole() || (parts.loud > 0 && parts.found >= parts.loud - 1);
    };
    QVERIFY2(nearlyWhole(p), qPrintable(p.text()));
    QVERIFY2(nearlyWhole(h), qPrintable(h.text()));
}

// The speech is what a media player says it plays, the way players announce
// a file: its name for a moment, then its tags. The recording takes the
// tags, in the file and in History.xml, and the title as its name.
void TestEndToEnd::namesARecordingAfterTheAnnouncedTrack()
{
    const QString path = recordSpeech(QString(), QStringLiteral("announced"),
                                      {QStringLiteral("speaker"), QStringLiteral("Playing"),
                                       QStringLiteral("Spoken Words"), QStringLiteral("The Narrator"),
                                       QStringLiteral("Voices"), QStringLiteral("--file-title"),
                                       QStringLiteral("3")});
    QVERIFY(!path.isEmpty());
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("Spoken Words.mp3"));
    QByteArray tags;
    QCOMPARE(TestSupport::runProgram(QStringLiteral("ffprobe"),
                                     {QStringLiteral("-v"), QStringLiteral("error"),
                                      QStringLiteral("-show_entries"),
                                      QStringLiteral("format_tags=title,artist,album"), QStringLiteral("-of"),
                                      QStringLiteral("default=nw=1"), path},
                                     30000, &tags),
             0);
    QStringList written = QString::fromUtf8(tags).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    written.sort();
    QCOMPARE(written,
             QStringList({QStringLiteral("TAG:album=Voices"), QStringLiteral("TAG:artist=The Narrator"),
                          QStringLiteral("TAG:title=Spoken Words")}));
    const QList<QDomElement> entries = TestSupport::historyEntries(path);
    QCOMPARE(entries.size(), 1);
    const QDomElement info = entries.first().firstChildElement();
    QCOMPARE(info.attribute(QStringLiteral("Title_")), QStringLiteral("Spoken Words"));
    QCOMPARE(info.attribute(QStringLiteral("Artist_")), QStringLiteral("The Narrator"));
    QCOMPARE(info.attribute(QStringLiteral("Album_")), QStringLiteral("Voices"));
    QVERIFY2(holdsTheSpeech(path, "announced recording"), qPrintable(path));
    waitFor(kCell, QStringLiteral("Spoken Words"));
}

void TestEndToEnd::recordsInAnotherFormat()
{
    clickControl(kButton, QStringLiteral("Format"));
    const AccessibleNode label = waitSettled(QStringLiteral("label"), QStringLiteral("Format:"));
    screenshot(QStringLiteral("format-dialog"));
    // The format's box is the one beside its label.
    const AccessibleNode *box = nullptr;
    const QVector<AccessibleNode> seen = nodes();
    const QVector<AccessibleNode> boxes = AtspiClient::all(seen, QStringLiteral("combo box"));
    for (const AccessibleNode &b : boxes)
        if (b.rect.left() > label.rect.left() && b.rect.top() <= label.rect.center().y()
            && b.rect.bottom() >= label.rect.center().y())
            box = &b;
    QVERIFY2(box, qPrintable(AtspiClient::describe(seen)));
    click(*box);
    // The open list shows its entries where they are on the screen.
    QVector<AccessibleNode> open;
    const AccessibleNode *flac = nullptr;
    QVERIFY2(QTest::qWaitFor([&] {
        open = nodes();
        flac = AtspiClient::find(open, QStringLiteral("list item"), QStringLiteral("FLAC"));
        return flac && flac->rect.top() > box->rect.top() - 400 && flac->rect.left() >= box->rect.left() - 50;
    }, 10000), qPrintable(AtspiClient::describe(open)));
    screenshot(QStringLiteral("format-list"));
    click(*flac);
    QTRY_VERIFY_WITH_TIMEOUT(AtspiClient::find(nodes(), QStringLiteral("combo box"), QStringLiteral("FLAC")), 10000);
    screenshot(QStringLiteral("format-flac"));
    clickControl(kButton, QStringLiteral("OK"));
    QVERIFY(waitGone(QStringLiteral("label"), QStringLiteral("Format:")));

    const QString path = recordSpeech(QString(), QStringLiteral("flac"));
    QVERIFY(!path.isEmpty());
    QCOMPARE(QFileInfo(path).suffix(), QStringLiteral("flac"));
    QCOMPARE(MediaProbe::streamEntry(path, QStringLiteral("codec_name")), QStringLiteral("flac"));
    QVERIFY2(holdsTheSpeech(path, "FLAC recording"), qPrintable(path));
    waitFor(kCell, QFileInfo(path).completeBaseName());
}

void TestEndToEnd::recordsTheMicrophone()
{
    chooseInput(1, QStringLiteral("microphone"));
    // The picture shows the microphone now.
    const QByteArray micPicture = grabRegion(waitFor(kButton, QStringLiteral("Input Device")).rect);
    QVERIFY(!micPicture.isEmpty());
    QVERIFY2(micPicture != m_systemPicture, "the input selector still shows the system sound's picture");
    // What plays into the microphone's feed is what the microphone hears;
    // the default output stays silent.
    const QString path = recordSpeech(QStringLiteral("mic_feed"), QStringLiteral("microphone"));
    QVERIFY(!path.isEmpty());
    QVERIFY2(holdsTheSpeech(path, "microphone recording"), qPrintable(path));
    waitFor(kCell, QFileInfo(path).completeBaseName());
}

void TestEndToEnd::editsARecording()
{
    QVERIFY(!m_systemRecording.isEmpty());
    clickRowButton(m_systemRecording, 0);
    waitSettled(QStringLiteral("dialog"), QStringLiteral("Edit - ") + QFileInfo(m_systemRecording).fileName());
    screenshot(QStringLiteral("editor"));
    // The segment from 00:00:01, typed as a whole time, to a second before
    // the end, set with the arrow key on the seconds of the end editor.
    const AccessibleNode startLabel = waitFor(QStringLiteral("label"), QStringLiteral("Start Time:"));
    const AccessibleNode endLabel = waitFor(QStringLiteral("label"), QStringLiteral("End Time:"));
    QVERIFY(!QTest::currentTestFailed());
    const QVector<AccessibleNode> seen = nodes();
    auto besideOf = [&](const AccessibleNode &label) {
        AccessibleNode found;
        for (const AccessibleNode &n : AtspiClient::all(seen, QStringLiteral("spin box")))
            if (n.rect.left() > label.rect.right() && n.rect.contains(QPoint(n.rect.center().x(), label.rect.center().y()))
                && (found.rect.isEmpty() || n.rect.left() < found.rect.left()))
                found = n;
        return found;
    };
    const AccessibleNode startBox = besideOf(startLabel), endBox = besideOf(endLabel);
    QVERIFY2(!startBox.rect.isEmpty() && !endBox.rect.isEmpty(), qPrintable(AtspiClient::describe(seen)));
    for (const auto &[box, step] : {std::make_pair(startBox, QStringLiteral("Up")), std::make_pair(endBox, QStringLiteral("Down"))}) {
        click(box);
        if (step == QLatin1String("Up")) {
            // A whole time typed over the selected text.
            key(QStringLiteral("ctrl+a"));
            typeText(QStringLiteral("00:00:01.000"));
            continue;
        }
        key(QStringLiteral("Home"));
        for (int i = 0; i < 6; ++i)
            key(QStringLiteral("Right"));
        key(step);
    }
    screenshot(QStringLiteral("editor-times"));
    clickControl(kButton, QStringLiteral("Cut"));
    waitFor(kCell, QStringLiteral("00:00:01.000"));
    screenshot(QStringLiteral("editor-cut"));
    const QString base = QFileInfo(m_systemRecording).completeBaseName();
    const QString folder = QFileInfo(m_systemRecording).absolutePath();
    const QString trimmed = folder + QLatin1Char('/') + base + QStringLiteral("_Trim_001.mp3");
    clickControl(kButton, QStringLiteral("OK"));
    // The cut segment becomes a new row of its own.
    QVERIFY2(QTest::qWaitFor([&] { return historyPaths().contains(trimmed) && QFileInfo(trimmed).size() > 0; }, 60000),
             qPrintable(historyPaths().join(QLatin1Char(' '))));
    waitFor(kCell, QFileInfo(trimmed).completeBaseName());
    screenshot(QStringLiteral("trimmed"));
    m_trimmed = trimmed;

    // Again, for an effect and a new title: a converted copy.
    clickRowButton(m_systemRecording, 0);
    waitSettled(QStringLiteral("dialog"), QStringLiteral("Edit - ") + QFileInfo(m_systemRecording).fileName());
    clickControl(QStringLiteral("check box"), QStringLiteral("Effect"));
    clickControl(QStringLiteral("list item"), QStringLiteral("Rock"));
    screenshot(QStringLiteral("editor-effect"));
    clickControl(QStringLiteral("check box"), QStringLiteral("Tag"));
    const AccessibleNode titleLabel = waitFor(QStringLiteral("label"), QStringLiteral("Title:"));
    QVERIFY(!QTest::currentTestFailed());
    AccessibleNode titleBox;
    for (const AccessibleNode &n : AtspiClient::all(nodes(), QStringLiteral("text")))
        if (n.rect.left() > titleLabel.rect.right() && n.rect.contains(QPoint(n.rect.center().x(), titleLabel.rect.center().y()))
            && (titleBox.rect.isEmpty() || n.rect.left() < titleBox.rect.left()))
            titleBox = n;
    QVERIFY(!titleBox.rect.isEmpty());
    click(titleBox);
    key(QStringLiteral("ctrl+a"));
    typeText(QStringLiteral("Spoken Words"));
    screenshot(QStringLiteral("editor-tag"));

    clickControl(kButton, QStringLiteral("OK"));
    const QString edited = folder + QLatin1Char('/') + base + QStringLiteral("_Edit_001.mp3");
    const bool done = QTest::qWaitFor([&] { return historyPaths().contains(edited) && QFileInfo(edited).size() > 0; },
                                      60000);
    screenshot(QStringLiteral("edited"));
    QVERIFY2(done, qPrintable(historyPaths().join(QLatin1Char(' '))));
    // The recording itself stays as it was.
    QVERIFY(historyPaths().contains(m_systemRecording) && QFileInfo::exists(m_systemRecording));
    waitFor(kCell, QFileInfo(edited).completeBaseName());

    const MediaProbe::Decoded original = MediaProbe::decode(m_systemRecording);
    const MediaProbe::Decoded cut = MediaProbe::decode(trimmed);
    const MediaProbe::Decoded copy = MediaProbe::decode(edited);
    QVERIFY(original.ok && cut.ok && copy.ok);
    qInfo("edited: the recording %.2f s, the segment %.2f s, the copy %.2f s", original.seconds(), cut.seconds(),
          copy.seconds());
    // From 00:00:01 to a second before the end.
    QVERIFY2(qAbs(cut.seconds() - (original.seconds() - 2.0)) < 0.15, qPrintable(QString::number(cut.seconds())));
    QVERIFY2(qAbs(copy.seconds() - original.seconds()) < 0.15, qPrintable(QString::number(copy.seconds())));
    QByteArray title;
    QCOMPARE(TestSupport::runProgram(QStringLiteral("ffprobe"),
                                     {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                      QStringLiteral("format_tags=title"), QStringLiteral("-of"),
                                      QStringLiteral("default=nw=1:nk=1"), edited},
                                     30000, &title),
             0);
    QCOMPARE(QString::fromUtf8(title).trimmed(), QStringLiteral("Spoken Words"));
    // The effect changed the sound: the copy is not the recording again.
    const double same = correlation(original.mono.mid(0, original.mono.size() - 4410), copy.mono);
    qInfo("the copy with the effect correlates %.4f with the recording", same);
    QVERIFY(same < 0.999);
    m_editedCopy = edited;
}

void TestEndToEnd::renamesARecording()
{
    QVERIFY(!m_editedCopy.isEmpty());
    waitRows(historyPaths().size());
    const AccessibleNode cell = waitFor(kCell, QFileInfo(m_editedCopy).completeBaseName());
    QVERIFY(!QTest::currentTestFailed());
    // The row's menu: Play, then Rename (chosen with the keyboard, as the
    // input selector's menu is).
    const int windows = shownWindows();
    const QPoint at = cell.rect.center();
    QCOMPARE(TestSupport::runProgram(QStringLiteral("xdotool"),
                                     {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                                      QStringLiteral("click"), QStringLiteral("3")}),
             0);
    QTRY_VERIFY_WITH_TIMEOUT(shownWindows() > windows, 10000);
    screenshot(QStringLiteral("row-menu"));
    key(QStringLiteral("Down"));
    key(QStringLiteral("Down"));
    key(QStringLiteral("Return"));
    QTRY_COMPARE_WITH_TIMEOUT(shownWindows(), windows, 10000);
    // The announced recording already took "Spoken Words.mp3" in this
    // folder: the program gives the first free name beside it.
    const QString title = QStringLiteral("Spoken Words");
    const QString folder = QFileInfo(m_editedCopy).absolutePath() + QLatin1Char('/');
    const QString announced = folder + QStringLiteral("Spoken Words.mp3");
    QVERIFY2(QFileInfo::exists(announced), "the announced recording is gone: the rename would meet no clash");
    const QString renamed = QFileNameRules::firstFreePath(folder, title, QFileInfo(m_editedCopy).suffix(),
                                                          m_editedCopy);
    QCOMPARE(QFileInfo(renamed).fileName(), QStringLiteral("Spoken Words(1).mp3"));
    const qint64 size = QFileInfo(m_editedCopy).size();
    // The name turns into a line to type in as the menu goes (the table
    // publishes no editor on the bus; the typing shows in the result).
    key(QStringLiteral("ctrl+a"));
    typeText(title);
    screenshot(QStringLiteral("renaming"));
    key(QStringLiteral("Return"));
    // The history is written in the background: the rename is in it once
    // the new path is and the old one is gone, in one write.
    QTRY_VERIFY2_WITH_TIMEOUT(historyPaths().contains(renamed) && !historyPaths().contains(m_editedCopy),
                              qPrintable(historyPaths().join(QLatin1Char(' '))), 15000);
    QCOMPARE(QFileInfo(renamed).size(), size);
    QVERIFY(!QFileInfo::exists(m_editedCopy));
    // The clash's owner keeps its name and its record.
    QVERIFY(historyPaths().contains(announced));
    waitFor(kCell, QFileInfo(renamed).completeBaseName());
    QVERIFY(waitGone(kCell, QFileInfo(m_editedCopy).completeBaseName()));
    screenshot(QStringLiteral("renamed"));
}

void TestEndToEnd::deletesARecording()
{
    QVERIFY(!m_trimmed.isEmpty());
    const int rows = historyPaths().size();
    clickRowButton(m_trimmed, 1);
    // The question: delete the file, or only take it off the list.
    clickControl(kButton, QStringLiteral("Delete"));
    QTRY_VERIFY_WITH_TIMEOUT(!historyPaths().contains(m_trimmed), 15000);
    QVERIFY(!QFileInfo::exists(m_trimmed));
    QCOMPARE(historyPaths().size(), rows - 1);
    waitRows(rows - 1);
    QVERIFY(waitGone(kCell, QFileInfo(m_trimmed).completeBaseName()));
    screenshot(QStringLiteral("deleted"));
}

void TestEndToEnd::exitThroughClosePrompt(const QString &step)
{
    clickControl(kButton, QStringLiteral("Close"));
    waitSettled(QStringLiteral("radio button"), QStringLiteral("Exit"));
    clickControl(QStringLiteral("radio button"), QStringLiteral("Exit"));
    screenshot(step + QStringLiteral("-close-prompt"));
    // The prompt's margin, over the main window (this desktop composites nothing).
    const QVector<AccessibleNode> seen = nodes();
    const AccessibleNode *exit = AtspiClient::find(seen, QStringLiteral("radio button"), QStringLiteral("Exit"));
    QVERIFY(exit);
    QRect prompt;
    for (const AccessibleNode &n : seen)
        if (n.depth == 0 && n.role == QLatin1String("dialog") && n.rect.contains(exit->rect))
            prompt = n.rect;
    QVERIFY(!prompt.isEmpty());
    const QByteArray margin = grabRegion(QRect(prompt.left() + 2, prompt.center().y(), 1, 1));
    QCOMPARE(margin.size(), 3);
    const bool black = margin == QByteArray(3, '\0');
    QVERIFY2(!black, "the close prompt's margin is drawn black");
    clickControl(kButton, QStringLiteral("OK"));
    QVERIFY2(m_program->waitForFinished(30000), "the program did not end");
    QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program->exitCode(), 0);
    screenshot(step + QStringLiteral("-ended"));
    // A file opened without a name (Qt names it on standard error, at each
    // paint that does it) is a fault of the program, not noise.
    QFile log(m_shots + QStringLiteral("/program-%1.log").arg(m_starts));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray said = log.readAll();
    QVERIFY2(!said.contains("QFSFileEngine"), said.constData());
}

QStringList TestEndToEnd::outputFiles() const
{
    const QDir folder(QFileInfo(m_systemRecording).absolutePath());
    QStringList paths;
    for (const QFileInfo &info : folder.entryInfoList(QDir::Files, QDir::Time | QDir::Reversed))
        paths << info.absoluteFilePath();
    return paths;
}

void TestEndToEnd::keepsTheRecordingWhenClosedWhileRecording()
{
    QVERIFY(!m_systemRecording.isEmpty());
    chooseInput(0, QStringLiteral("closing"));
    const QStringList before = outputFiles();
    clickControl(kButton, QStringLiteral("Start Recording"));
    waitFor(kButton, QStringLiteral("Stop Recording"));
    {
        TestSupport::Playback speech(m_speech);
        QVERIFY(speech.waitPlaying());
        QVERIFY(speech.waitEnd(20000));
    }
    exitThroughClosePrompt(QStringLiteral("closing"));
    // The recording was completed and listed on the way out.
    QStringList added = outputFiles();
    for (const QString &path : before)
        added.removeAll(path);
    QCOMPARE(added.size(), 1);
    QVERIFY(historyPaths().contains(added.constFirst()));
    QVERIFY2(holdsTheSpeech(added.constFirst(), "recording kept on closing"), qPrintable(added.constFirst()));
    QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
}

void TestEndToEnd::repairsARecordingCutShortByAKill()
{
    startProgram();
    screenshot(QStringLiteral("started-again"));
    chooseInput(0, QStringLiteral("killing"));
    const QStringList before = outputFiles();
    clickControl(kButton, QStringLiteral("Start Recording"));
    waitFor(kButton, QStringLiteral("Stop Recording"));
    {
        TestSupport::Playback speech(m_speech);
        QVERIFY(speech.waitPlaying());
        QVERIFY(speech.waitEnd(20000));
    }
    QStringList added = outputFiles();
    for (const QString &path : before)
        added.removeAll(path);
    QCOMPARE(added.size(), 1);
    const QString cutShort = added.constFirst();
    // Written as it goes: the whole speech reaches the file before it is completed.
    Parts written;
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     written = samplesHeld(m_speechMono, MediaProbe::decode(cutShort).mono);
                     return written.whole();
                 },
                 15000),
             qPrintable(written.text()));
    screenshot(QStringLiteral("before-kill"));
    const int windows = shownWindows();
    ::kill(pid_t(m_program->processId()), SIGKILL);
    QVERIFY(m_program->waitForFinished(10000));
    QVERIFY(!historyPaths().contains(cutShort));

    // The next start repairs it and lists it.
    startProgram();
    QTRY_VERIFY_WITH_TIMEOUT(historyPaths().contains(cutShort), 30000);
    waitFor(kCell, QFileInfo(cutShort).completeBaseName());
    // The repair is told once it is done, in a notice over the window; the
    // user takes it with Return.
    QTRY_VERIFY_WITH_TIMEOUT(shownWindows() > windows, 15000);
    screenshot(QStringLiteral("repaired"));
    key(QStringLiteral("Return"));
    QTRY_COMPARE_WITH_TIMEOUT(shownWindows(), windows, 10000);
    QVERIFY2(holdsTheSpeech(cutShort, "recording repaired after kill -9"), qPrintable(cutShort));
}

void TestEndToEnd::givesTheOutputBackWhenItQuits()
{
    QVERIFY(m_program && m_program->state() == QProcess::Running);
    exitThroughClosePrompt(QStringLiteral("quit"));
    QCOMPARE(TestSupport::serverDefault(), QByteArray("system_sound"));
    QVERIFY(!pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")}).contains(kLoopbackSink.toUtf8()));
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
