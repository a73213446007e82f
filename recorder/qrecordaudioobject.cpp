#include "recorder/qrecordaudioobject.h"
#include "recorder/recorderlog.h"

#include "platform/audio/loopbackdevice.h"
#include "recorder/defaultoutputwatch.h"
#include "platform/audio/pulsecapturestream.h"
#include "platform/audio/pulseserver.h"
#include "recorder/iaudioframesink.h"
#include "recorder/iaudiorecognizerfeed.h"
#include "recorder/macaudiodevice.h"
#include "recorder/qcapturerecognizer.h"
#include "recorder/qaudiobuffer.h"
#include "recorder/qaudioframebuffer.h"
#include "recorder/qrecordareainfo.h"

#include <QDebug>

#include <algorithm>
#include <climits>
#include <cmath>
#include <thread>

#include <pthread.h>

namespace {
constexpr int startTimeoutMs = 5000;
constexpr int stopTimeoutMs = 5000;
// How long a stop waits for sound the source made before it but the server
// has not handed over yet.
constexpr int tailWaitMs = 300;
// The worker is woken for a hold and answers at once; this bounds a stuck one.
constexpr int holdAnswerMs = 2000;
// The worker sleeps until sound arrives, a request wakes it, or this passes
// (a silent source delivers nothing, yet a change of output must be seen).
constexpr int idleWaitMs = 100;
// What may wait for the next recording of a cut: 30 s.
constexpr int maxHeldBlocks = 30 * QRecordAudioObject::SampleRate / QRecordAudioObject::BlockFrames;
constexpr int blockSamples = QRecordAudioObject::BlockFrames * QRecordAudioObject::Channels;
// How long a system-sound stream whose output went away waits for the
// server to name the next default output.
constexpr int nextOutputWaitMs = 500;

// The input side of the loop-back device, found by its exact name; empty when it is missing.
QByteArray loopbackSource(PulseContext *ctx)
{
    MacAudioDevice devices(ctx);
    for (int i = 0; i < devices.getDeviceCount(true); ++i) {
        if (qstrcmp(devices.getDeviceName(true, i), LoopbackDevice::Description) == 0)
            return devices.getDeviceUID(true, i);
    }
    return QByteArray();
}

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

QRecordAudioObject::QRecordAudioObject(int track, QObject *parent, PulseContext *ctx)
    : QObject(parent), m_track(track), m_ctx(ctx)
{
    JXRecognizerAudioTagInfo::registerMetaType();
}

QRecordAudioObject::~QRecordAudioObject()
{
    setStop();
}

void QRecordAudioObject::setRecorder(IAudioFrameSink *recorder)
{
    m_recorder = recorder;
}

void QRecordAudioObject::setInputStream(std::shared_ptr<IAudioFrameSink> stream)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_inputStream = std::move(stream);
}

std::shared_ptr<IAudioFrameSink> QRecordAudioObject::getTrack() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_inputStream;
}

void QRecordAudioObject::setRecognizer(IAudioRecognizerFeed *recognizer)
{
    m_recognizer = recognizer;
}

void QRecordAudioObject::setStartRecorder(bool on)
{
    // While recording, a pull waits briefly for blocks still on their way.
    if (m_ring)
        m_ring->setWait(on);
    // Sound made before this moment is not taken, however late the worker
    // gets to it; a cut's held sound is.
    if (on && !m_recorderRunning && m_hold != Hold::Holding)
        m_takeFromNs = steadyNs();
    m_recorderRunning = on;
    Hold holding = Hold::Holding;
    if (on)
        m_hold.compare_exchange_strong(holding, Hold::Released);
    wakeWorker();
}

void QRecordAudioObject::setLiveStream(PulseCaptureStream *stream)
{
    std::lock_guard<std::mutex> guard(m_liveMutex);
    m_liveStream = stream;
    // A request made while no stream could be woken is not lost.
    if (m_liveStream && m_wakePending) {
        m_liveStream->interrupt();
        m_wakePending = false;
    }
}

void QRecordAudioObject::wakeWorker()
{
    std::lock_guard<std::mutex> guard(m_liveMutex);
    if (m_liveStream)
        m_liveStream->interrupt();
    else
        m_wakePending = true;
}

void QRecordAudioObject::stopAsked()
{
    wakeWorker();
}

bool QRecordAudioObject::holdForNextRecording()
{
    bool held = false;
    if (m_capturing) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(holdAnswerMs);
        std::unique_lock<std::mutex> guard(m_mutex);
        // A hand-over still under way from the previous cut comes first.
        m_holdAnswered.wait_until(guard, deadline, [this] { return m_hold != Hold::Released || !m_capturing; });
        if (m_hold == Hold::None) {
            m_hold = Hold::Asked;
            wakeWorker();
        }
        m_holdAnswered.wait_until(guard, deadline, [this] { return m_hold != Hold::Asked || !m_capturing; });
        held = m_hold == Hold::Holding && m_capturing;
    }
    if (!held)
        setStop();
    return held;
}

bool QRecordAudioObject::isHolding() const
{
    return m_capturing && m_hold == Hold::Holding;
}

void QRecordAudioObject::setListend(bool on)
{
    m_listen = on;
}

void QRecordAudioObject::setVolume(float volume)
{
    m_volume = volume;
}

QString QRecordAudioObject::errorString() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_error;
}

QByteArray QRecordAudioObject::sourceName() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_source;
}

void QRecordAudioObject::setError(const QString &text)
{
    qCWarning(lcRecorder) << "capture track" << m_track << ":" << text;
    std::lock_guard<std::mutex> guard(m_mutex);
    m_error = text;
}

bool QRecordAudioObject::setStart()
{
    setStop();
    if (!m_recognizer && !m_ownRecognizer) {
        // Created here, on the thread that owns this object.
        m_ownRecognizer = new QCaptureRecognizer(this);
        connect(m_ownRecognizer, &QCaptureRecognizer::recognized, this,
                &QRecordAudioObject::emitRecognizedAudioTagInfo, Qt::DirectConnection);
        m_recognizer = m_ownRecognizer;
    }
    m_recorderRunning = false;
    m_sourceLost = false;
    m_position = 0;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_error.clear();
        m_source.clear();
    }
    return startThread(startTimeoutMs) && m_capturing;
}

bool QRecordAudioObject::setStop()
{
    requestStop();
    return waitStopped();
}

void QRecordAudioObject::requestStop()
{
    m_stopMomentNs = steadyNs();
    askStop();
}

bool QRecordAudioObject::waitStopped()
{
    return stopThread(stopTimeoutMs);
}

void QRecordAudioObject::resetRecorder()
{
    const bool taking = m_recorderRunning;
    setStop();
    if (m_track != MicrophoneTrack || !QRecordAreaInfo::getAreaInfo()->getAudioRecordValid(2))
        return;
    // The time stamps go on across the pause, so the stream object the
    // recorder mixes never sees time run backwards.
    const auto gap = std::chrono::steady_clock::now() - m_runEnd;
    m_position += quint64(std::chrono::duration<double>(gap).count() * SampleRate);
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_error.clear();
    }
    m_recorderRunning = taking;
    m_sourceLost = false;
    if (!startThread(startTimeoutMs) || !m_capturing)
        setError(tr("The microphone did not start again: %1").arg(errorString()));
}

bool QRecordAudioObject::openSource(PulseCaptureStream &stream)
{
    QByteArray source;
    m_followedOutput.clear();
    m_outputWatch.reset();
    if (m_track == SystemSoundTrack) {
        // While the device is the default output, or a real output the user
        // chose instead of it, system sound is what plays on the default
        // output, and follows it when the user chooses another.
        auto watch = std::make_unique<DefaultOutputWatch>(m_ctx);
        QByteArray sink, monitor;
        LoopbackDevice *loop = LoopbackDevice::instance();
        // As the server has it now, even where it has not told this
        // connection yet (PipeWire may tell it late, or no more).
        const bool known = watch->confirmed(sink, monitor);
        if (known && !loop->leftForRealOutput() && loop->chosenOverDevice(sink)) {
            // Chosen while no recording ran: the device is silent now, and
            // its loop into the output left behind goes.
            qCInfo(lcRecorder) << "capture track" << m_track << ": the default output is now" << sink
                               << "- recording what plays on it";
            loop->defaultOutputChanged(sink);
        }
        if (known && (LoopbackDevice::isDeviceSink(sink) || loop->leftForRealOutput())) {
            // Back on the device since: heard again through its loop.
            if (LoopbackDevice::isDeviceSink(sink) && loop->leftForRealOutput() && !loop->makeDefault())
                qCWarning(lcRecorder) << "capture track" << m_track << ":" << loop->errorString();
            m_followedOutput = sink;
            m_outputWatch = std::move(watch);
            if (!LoopbackDevice::isDeviceSink(sink))
                source = monitor;
        }
        if (source.isEmpty())
            source = loopbackSource(m_ctx);
        // The server came back without it: loaded again, found again.
        if (source.isEmpty() && LoopbackDevice::instance()->recover())
            source = loopbackSource(m_ctx);
        if (source.isEmpty()) {
            setError(tr("The loop-back device \"%1\" is missing").arg(LoopbackDevice::Description));
            return false;
        }
    } else {
        PulseServer server(m_ctx);
        PulseServerInfo info;
        if (!server.serverInfo(info)) {
            setError(server.errorString());
            return false;
        }
        source = info.defaultSource;
    }
    recordFrom(source);
    if (!stream.start(source, SampleRate, Channels, FragmentFrames)) {
        setError(stream.errorString());
        return false;
    }
    return true;
}

void QRecordAudioObject::recordFrom(const QByteArray &source)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_source = source;
    }
    // Only what plays into the output this source hears may name the recording.
    if (IAudioRecognizerFeed *recognizer = m_recognizer)
        recognizer->setSource(source);
}

void QRecordAudioObject::OnExecute()
{
    // Named for profilers and per-thread CPU readings.
    pthread_setname_np(pthread_self(), m_track == MicrophoneTrack ? "rec-capture-mic" : "rec-capture-sys");
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_runStream = m_inputStream;
    }
    m_queue.reset(new QAudioFrameBuffer);
    m_overflows = 0;
    IAudioRecognizerFeed *recognizer = m_recognizer;
    m_recognizedSent = false;
    m_recognizing = false;

    auto stream = std::make_unique<PulseCaptureStream>(m_ctx);
    if (openSource(*stream)) {
        // Begun once the recogniser knows what the run hears.
        if (recognizer) {
            recognizer->beginRun();
            m_recognizing = true;
        }
        m_capturing = true;
        setStarted();
        capture(stream);
        m_outputWatch.reset();
        m_overflows = stream->overflows();
        if (m_overflows > 0)
            setError(tr("The sound server dropped sound %1 times").arg(m_overflows.load()));
    }
    {
        // Blocks held for a recording that did not follow go with the run.
        std::lock_guard<std::mutex> guard(m_mutex);
        m_capturing = false;
        m_hold = Hold::None;
    }
    m_holdAnswered.notify_all();
    m_held.reset();
    m_runEnd = std::chrono::steady_clock::now();
    endRecognition(recognizer);
    m_queue.reset();
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_runStream.reset();
    }
    // The last report of the run, before it counts as finished.
    emit emitVolume(-10000);
}

void QRecordAudioObject::capture(std::unique_ptr<PulseCaptureStream> &current)
{
    std::vector<float> samples;
    samples.reserve(size_t(blockSamples) * 8);
    quint64 taken = 0;   // frames taken from the stream in this run
    m_seenTakeFromNs = m_takeFromNs;
    m_takeFromFrame = 0;
    setLiveStream(current.get());
    while (!stopRequested()) {
        // Following may replace the stream: nobody wakes it meanwhile.
        if (m_outputWatch) {
            setLiveStream(nullptr);
            const bool moved = followDefaultOutput(current, samples, !current->isRunning());
            setLiveStream(current.get());
            if (moved) {
                // Frames of the new stream count from its start.
                taken = 0;
                m_seenTakeFromNs = m_takeFromNs;
                m_takeFromFrame = 0;
            }
        }
        PulseCaptureStream &stream = *current;
        if (!stream.isRunning()) {
            // The server ended the stream: what came before the loss is kept,
            // and the owner decides what becomes of the recording.
            flush(stream, samples);
            m_sourceLost = true;
            setError(stream.serverGone()
                         ? tr("The connection to the sound server was lost")
                         : tr("The source %1 went away").arg(QString::fromUtf8(sourceName())));
            setLiveStream(nullptr);
            emit emitSourceLost(stream.serverGone());
            return;
        }
        taken += quint64(stream.take(samples, idleWaitMs));
        followHold();
        skipUntakenSound(stream, samples, taken);
        cutBlocks(samples, false);
    }
    PulseCaptureStream &stream = *current;
    // Sound the source made before the stop still reaches the recorder.
    const auto stopMoment = std::chrono::steady_clock::time_point(
        std::chrono::nanoseconds(m_stopMomentNs.load()));
    const quint64 due = stream.framesDueBy(stopMoment);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(tailWaitMs);
    while (stream.isRunning() && stream.framesReceived() < due
           && std::chrono::steady_clock::now() < giveUp) {
        stream.take(samples, 5);
        cutBlocks(samples, false);
    }
    setLiveStream(nullptr);
    flush(stream, samples);
}

bool QRecordAudioObject::followDefaultOutput(std::unique_ptr<PulseCaptureStream> &stream,
                                             std::vector<float> &samples, bool streamEnded)
{
    // The device itself going away ends the recording as before: it was
    // taken away, not left for another output.
    const bool followingDevice = LoopbackDevice::isDeviceSink(m_followedOutput);
    if (streamEnded && (stream->serverGone() || followingDevice))
        return false;
    QByteArray sink, monitor;
    bool known = m_outputWatch->changed(sink, monitor);
    if (known && followingDevice && !m_outputWatch->deviceListed())
        return false;
    if (streamEnded) {
        // The followed output went away: the server names another default.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(nextOutputWaitMs);
        while (!(known && sink != m_followedOutput) && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            known = m_outputWatch->current(sink, monitor);
        }
    }
    if (!known || sink == m_followedOutput)
        return false;
    const auto asked = std::chrono::steady_clock::now();
    const quint64 due = stream->isRunning() ? stream->framesDueBy(asked) : stream->framesReceived();
    auto next = std::make_unique<PulseCaptureStream>(m_ctx);
    if (!next->start(monitor, SampleRate, Channels, FragmentFrames)) {
        setError(tr("Cannot record what plays on %1: %2").arg(QString::fromUtf8(sink), next->errorString()));
        m_followedOutput = sink;   // not tried again until the next change
        return false;
    }
    // What the old source still had is kept; the sound on its way from it
    // and the time the new one took to start are silence in the recording.
    stream->take(samples, 0);
    const quint64 received = stream->framesReceived();
    stream->stop();
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
    const quint64 silence = std::min<quint64>((due > received ? due - received : 0) + quint64(waited * SampleRate),
                                              quint64(SampleRate));
    samples.insert(samples.end(), size_t(silence) * Channels, 0.0f);
    cutBlocks(samples, true);
    stream = std::move(next);
    recordFrom(monitor);
    qCInfo(lcRecorder) << "capture track" << m_track << ": the default output is now" << sink
                       << "- recording what plays on it";
    m_followedOutput = sink;
    // The user hears the device through its loop into the real output they
    // chose last; a real output needs no loop.
    LoopbackDevice *loop = LoopbackDevice::instance();
    if (LoopbackDevice::isDeviceSink(sink)) {
        if (!loop->makeDefault())
            setError(tr("What plays on \"%1\" cannot be heard: %2").arg(LoopbackDevice::Description, loop->errorString()));
    } else {
        loop->defaultOutputChanged(sink);
    }
    return true;
}

void QRecordAudioObject::flush(PulseCaptureStream &stream, std::vector<float> &samples)
{
    stream.stop();
    stream.take(samples, 0);
    cutBlocks(samples, true);
    // Nothing queued is dropped at a stop, a split or a loss.
    while (m_queue->getCount() > 0)
        processOldest();
}

void QRecordAudioObject::skipUntakenSound(const PulseCaptureStream &stream, std::vector<float> &samples,
                                          quint64 taken)
{
    // Read once per pass, before the moment it started at.
    m_takingNow = m_recorderRunning;
    const qint64 from = m_takeFromNs;
    if (from != m_seenTakeFromNs) {
        m_seenTakeFromNs = from;
        m_takeFromFrame = stream.framesDueBy(
            std::chrono::steady_clock::time_point(std::chrono::nanoseconds(from)));
    }
    const quint64 waiting = samples.size() / Channels;
    const quint64 first = taken - waiting;
    if (first >= m_takeFromFrame)
        return;
    const quint64 skip = std::min(m_takeFromFrame - first, waiting);
    samples.erase(samples.begin(), samples.begin() + std::ptrdiff_t(skip * Channels));
    m_position += skip;   // the clock goes on over what was not taken
}

void QRecordAudioObject::cutBlocks(std::vector<float> &samples, bool flushPartial)
{
    size_t offset = 0;
    while (samples.size() - offset >= size_t(blockSamples)
           || (flushPartial && samples.size() > offset)) {
        const size_t count = std::min(samples.size() - offset, size_t(blockSamples));
        AudioFrame block;
        block.data = reinterpret_cast<unsigned char *>(samples.data() + offset);
        block.size = quint32(count * sizeof(float));
        block.timestamp = quint64(double(m_position) * 1000000.0 / SampleRate);
        readBuffer(block);
        m_position += count / Channels;
        offset += count;
    }
    samples.erase(samples.begin(), samples.begin() + std::ptrdiff_t(offset));
}

void QRecordAudioObject::readBuffer(const AudioFrame &block)
{
    if (!block.data || block.size == 0)
        return;
    if (m_ring)
        m_ring->writeBuffer(block.data, int(block.size));
    if (m_listen) {
        const auto *s = reinterpret_cast<const float *>(block.data);
        const quint32 n = block.size / sizeof(float);
        double sum = 0.0;
        for (quint32 i = 0; i < n; ++i)
            sum += std::fabs(s[i]) * 32767.0;
        emit emitVolume(int(sum / n));
    }
    deliver(block);
}

void QRecordAudioObject::deliver(const AudioFrame &block)
{
    if (m_held) {
        m_held->pushFrame(&block);
        if (m_held->getCount() > maxHeldBlocks) {
            m_held->popFrame();
            qCWarning(lcRecorder) << "capture track" << m_track << ": no recording followed the cut; dropping held sound";
        }
        return;
    }
    IAudioFrameSink *recorder = m_recorder;
    if (!recorder) {
        // The second input of a mixed recording: no queue, gain or recogniser.
        if (m_takingNow && m_runStream)
            m_runStream->pushAudioFrame(block);
        return;
    }
    if (!m_takingNow)
        return;   // blocks before the recorder runs are dropped
    m_queue->pushFrame(&block);
    if (m_queue->getCount() < QueuedBlocks)
        return;
    processOldest();
}

void QRecordAudioObject::processOldest()
{
    AudioFrame *oldest = m_queue->getFirstFrame();
    if (!oldest)
        return;
    const float gain = m_volume / 100.0f;
    if (double(gain) < 0.995) {
        auto *s = reinterpret_cast<float *>(oldest->data);
        const quint32 n = oldest->size / sizeof(float);
        for (quint32 i = 0; i < n; ++i)
            s[i] *= gain;
    }
    IAudioRecognizerFeed *recognizer = m_recognizer;
    if (recognizer && !m_recognizedSent) {
        if (!recognizer->isCompleted()) {
            recognizer->feed(*oldest);
        } else {
            recognizer->deliverResult();
            m_recognizedSent = true;
        }
    }
    if (IAudioFrameSink *recorder = m_recorder)
        recorder->pushAudioFrame(*oldest);
    m_queue->popFrame();
}

void QRecordAudioObject::followHold()
{
    const Hold asked = m_hold;
    if (asked == Hold::Asked && !m_held)
        hold();
    else if (asked == Hold::Released && m_held)
        releaseHeld();
}

void QRecordAudioObject::hold()
{
    // What was taken so far belongs to the recording that ends.
    while (m_queue->getCount() > 0)
        processOldest();
    endRecognition(m_recognizer);
    m_position = 0;   // the next recording's clock starts with its first block
    m_held.reset(new QAudioFrameBuffer);
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_hold = Hold::Holding;
    }
    m_holdAnswered.notify_all();
}

void QRecordAudioObject::endRecognition(IAudioRecognizerFeed *recognizer)
{
    if (!recognizer || !m_recognizing)
        return;
    // The file's last sound is in: an answer that holds now still names it.
    if (!m_recognizedSent && recognizer->completeAtEnd()) {
        recognizer->deliverResult();
        m_recognizedSent = true;
    }
    recognizer->endRun();
    m_recognizing = false;
}

void QRecordAudioObject::releaseHeld()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_runStream = m_inputStream;
        m_hold = Hold::None;
    }
    m_holdAnswered.notify_all();
    // The next file: the track still named over the last one's end is not
    // taken for it unless it holds to its end or plays again.
    if (IAudioRecognizerFeed *recognizer = m_recognizer) {
        recognizer->beginRunAfterCut();
        m_recognizing = true;
    }
    m_recognizedSent = false;
    m_takingNow = m_recorderRunning;
    const std::unique_ptr<QAudioFrameBuffer> held = std::move(m_held);
    while (AudioFrame *block = held->getFirstFrame()) {
        deliver(*block);
        held->popFrame();
    }
}

void QRecordAudioObject::setPullBuffer(int capacityBytes)
{
    m_ring.reset(capacityBytes > 0 ? new QAudioBuffer(capacityBytes) : nullptr);
    m_readPos = 0;
}

unsigned int QRecordAudioObject::getBuffer(unsigned char *out, unsigned int len)
{
    if (!m_ring || !out || len == 0)
        return 0;
    const int n = m_ring->readBuffer(out, int(std::min<unsigned int>(len, INT_MAX)));
    m_readPos += quint64(n);
    return unsigned(n);
}

int QRecordAudioObject::pullStoredBytes() const
{
    return m_ring ? m_ring->storedBytes() : 0;
}

void QRecordAudioObject::setSeekPos(quint64 pos)
{
    if (!m_ring)
        return;
    const quint64 at = m_readPos;
    if (pos > at)
        m_ring->skipBuffer(int(std::min<quint64>(pos - at, INT_MAX)));
    m_readPos = pos;
}

uint32_t AudioStreamRead(void *context, unsigned char *out, uint32_t len)
{
    auto *capture = static_cast<QRecordAudioObject *>(context);
    return capture ? capture->getBuffer(out, len) : 0;
}

int AudioStreamSeek(void *context, uint64_t pos)
{
    if (auto *capture = static_cast<QRecordAudioObject *>(context))
        capture->setSeekPos(pos);
    return 1;
}

uint32_t AudioStreamGetLength(void *context)
{
    auto *capture = static_cast<QRecordAudioObject *>(context);
    return capture ? capture->getLength() : 0xFFFFFFFFu;
}
