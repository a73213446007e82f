#include "rzcodec/recorder.h"

#include "internal/codecids.h"
#include "internal/convertconfig.h"
#include "internal/error.h"
#include "internal/recorderhandle.h"
#include "internal/recordingrepair.h"

#include <algorithm>
#include <chrono>
#include <climits>

#include <pthread.h>

namespace rz {

namespace {
// An input that has delivered nothing for this long counts as stalled, and
// the other goes on alone (a source that stopped must not stall the file).
// The last stretch of that much stays unencoded, so that the stalled input's
// sound for it is still mixed in when it comes back.
constexpr auto kStallTime = std::chrono::milliseconds(500);
constexpr int kStallFrames = kMixRate / 2;
// Frames mixed and encoded per step.
constexpr int kChunkFrames = 4096;
// The level block covers the last 50 ms.
constexpr size_t kLevelFrames = kMixRate / 20;
// With two inputs the worker sleeps until an input has a fragment waiting; it
// also looks this often, to see a stalled input or a pause.
constexpr auto kIdleWait = std::chrono::milliseconds(100);
// With one input the display's levels come from the pushes, so the worker can
// wake for a fifth of a second of sound: each wake-up of the encoder costs
// more than the samples it finds (its state is cold in the cache again).
constexpr int kBatchFrames = kMixRate / 5;
constexpr auto kBatchIdleWait = std::chrono::milliseconds(500);
} // namespace

bool RecordingSettings::read(const ConvertConfig *config)
{
    if (!config)
        return true;
    const int64_t id = config->intOr("audio.codec", 0);
    if (id > 0) {
        codec = toAVCodecId(uint32_t(id));
        if (codec == AV_CODEC_ID_NONE) {
            logError("recorder: unknown audio codec id " + std::to_string(id));
            return false;
        }
    }
    encoderName = config->textOr("audio.encoder");
    sampleRate = int(config->uintOr("audio.sample_rate", 44100));
    channels = int(config->uintOr("audio.channels", 2));
    bitRate = int64_t(config->uintOr("audio.bitrate", 0));
    if (sampleRate <= 0)
        sampleRate = 44100;
    if (channels <= 0)
        channels = 2;
    if (config->uintOr("input.count", 1) >= 2) {
        if (config->inputStreams.empty()) {
            logError("recorder: two inputs configured without a second input stream");
        } else if (auto *s = handleCast<StreamHandle>(config->inputStreams.front(), "rz_recorder_open")) {
            secondInput = s->queue;
        }
    }
    return true;
}

RecorderHandle::RecorderHandle() : Handle(kRole), m_levels(kMixRate, kLevelFrames) {}

RecorderHandle::~RecorderHandle()
{
    std::lock_guard<std::mutex> lock(m_control);
    if (m_state == State::Open || m_state == State::Running || m_state == State::Paused)
        stopLocked();
    if (m_state == State::Stopped && m_muxer.isOpen())
        m_muxer.finish(m_encoder.encodedSamples()); // a recorder released mid-recording still leaves a complete file
    m_encoder.close();
}

bool RecorderHandle::fail(const std::string &what, int averr)
{
    logError("recorder: " + what);
    std::lock_guard<std::mutex> lock(m_errorMutex);
    m_error = what;
    if (averr)
        m_errorCode = averr < 0 && averr > -4096 ? -averr : 0;
    return false;
}

void RecorderHandle::noteWriteFailure()
{
    const bool muxer = !m_muxer.errorText().empty();
    const std::string what = muxer ? m_muxer.errorText() : m_encoder.errorText();
    const int averr = muxer ? m_muxer.errorCode() : 0;
    logError("recorder: the recording stops taking sound: " + what);
    {
        std::lock_guard<std::mutex> lock(m_errorMutex);
        m_error = what;
        m_errorCode = averr < 0 && averr > -4096 ? -averr : 0;
    }
    m_workerFailed = true;
}

int RecorderHandle::errorCode() const
{
    std::lock_guard<std::mutex> lock(m_errorMutex);
    return m_errorCode;
}

std::string RecorderHandle::errorText() const
{
    std::lock_guard<std::mutex> lock(m_errorMutex);
    return m_error;
}

const char *RecorderHandle::errorTextForCaller() const
{
    std::lock_guard<std::mutex> lock(m_errorMutex);
    m_errorCopy = m_error;
    return m_errorCopy.c_str();
}

bool RecorderHandle::open(const std::string &path, const std::string &muxerName,
                          const RecordingSettings &settings)
{
    std::lock_guard<std::mutex> lock(m_control);
    {
        std::lock_guard<std::mutex> el(m_errorMutex);
        m_error.clear();
        m_errorCode = 0;
    }
    if (m_state != State::Idle) {
        // The recording before was never finished: complete it rather than lose it.
        logError("recorder: opening while a recording is open; finishing " + m_muxer.path());
        if (m_state != State::Stopped)
            stopLocked();
        m_muxer.finish(m_encoder.encodedSamples());
        m_encoder.close();
        m_state = State::Idle;
    }
    if (path.empty())
        return fail("no output path");
    const AVOutputFormat *format = AudioMuxer::findFormat(muxerName, path);
    if (!format)
        return fail("unknown format \"" + muxerName + "\"");
    AudioEncoderSettings enc;
    if (!settings.encoderName.empty()) {
        const AVCodec *byName = avcodec_find_encoder_by_name(settings.encoderName.c_str());
        if (!byName)
            return fail("no encoder named " + settings.encoderName);
        enc.codec = byName->id;
    } else {
        enc.codec = settings.codec != AV_CODEC_ID_NONE ? settings.codec
                                                       : AudioMuxer::defaultAudioCodec(format);
    }
    if (!AudioMuxer::canCarry(format, enc.codec))
        return fail(std::string("the format ") + format->name + " cannot carry "
                    + avcodec_get_name(enc.codec));
    enc.sampleRate = settings.sampleRate;
    enc.channels = settings.channels;
    enc.bitRate = settings.bitRate;
    enc.globalHeader = format->flags & AVFMT_GLOBALHEADER;
    const bool opened = m_encoder.open(enc, kMixRate, kMixChannels, [this](AVPacket *p) {
        return m_muxer.writePacket(p, m_encoder.timeBase());
    });
    if (!opened)
        return fail(m_encoder.errorText());
    if (!m_muxer.open(path, format, m_encoder.context())) {
        m_encoder.close();
        return fail(m_muxer.errorText(), m_muxer.errorCode());
    }
    m_formatName = format->name;
    m_levelsAtPush = !settings.secondInput;
    auto primary = std::make_shared<SampleQueue>(kMixRate, kMixChannels);
    primary->setNotifier(&m_wake, &m_wakeMutex,
                         m_levelsAtPush ? kBatchFrames : SampleQueue::kWakeFrames);
    primary->setConsumed(true);
    {
        std::lock_guard<std::mutex> pl(m_pushMutex);
        m_primary = primary;
    }
    m_second = settings.secondInput;
    if (m_second) {
        m_second->clear();
        m_second->setNotifier(&m_wake, &m_wakeMutex);
        m_second->setConsumed(true);
    }
    m_recordedFrames = 0;
    m_timeLineStart = 0;
    m_primaryLate = m_secondLate = 0;
    m_keptFrames = 0;
    m_levels.clear();
    m_workerFailed = false;
    m_stopRequested = false;
    m_paused = false;
    m_accepting = true;
    m_state = State::Open;
    return true;
}

bool RecorderHandle::run()
{
    std::lock_guard<std::mutex> lock(m_control);
    switch (m_state) {
    case State::Open:
        m_primarySeen = m_secondSeen = std::chrono::steady_clock::now();
        m_state = State::Running;
        m_worker = std::thread([this] { workerLoop(); });
        return true;
    case State::Paused:
        // Each input starts a new time line after the pause. What one input
        // gave before it is still encoded; a second input was fed meanwhile.
        if (m_second) {
            m_primary->clear();
            m_second->clear();
        } else {
            m_primary->restartTimeLine();
        }
        m_restartClock = true;
        m_paused = false;
        m_state = State::Running;
        return true;
    case State::Running:
        return true;
    default:
        return fail("run: no recording is open");
    }
}

bool RecorderHandle::pause()
{
    std::lock_guard<std::mutex> lock(m_control);
    if (m_state != State::Running)
        return fail("pause: not recording");
    m_paused = true;
    m_state = State::Paused;
    return true;
}

bool RecorderHandle::stop()
{
    std::lock_guard<std::mutex> lock(m_control);
    if (m_state == State::Stopped)
        return true;
    if (m_state == State::Idle)
        return fail("stop: no recording is open");
    return stopLocked();
}

bool RecorderHandle::stopLocked()
{
    m_accepting = false;
    bool ok = true;
    if (m_worker.joinable()) {
        m_stopRequested = true;
        {
            std::lock_guard<std::mutex> wl(m_wakeMutex);
            m_wake.notify_one();
        }
        m_worker.join();
        ok = !m_workerFailed;
    } else {
        // Never run: nothing was recorded, but the encoder still completes its stream.
        discardInputs();
        ok = m_encoder.flush();
    }
    if (m_second) {
        m_second->setConsumed(false);
        m_second->setNotifier(nullptr, nullptr);
        m_second->clear();
        m_second.reset();
    }
    m_state = State::Stopped;
    if (!ok && !m_muxer.writeFailed())
        return fail("stop: " + (m_encoder.errorText().empty() ? m_muxer.errorText() : m_encoder.errorText()));
    return ok;
}

bool RecorderHandle::finish()
{
    std::lock_guard<std::mutex> lock(m_control);
    if (m_state == State::Idle)
        return fail("finish: no recording is open");
    bool ok = true;
    if (m_state != State::Stopped)
        ok = stopLocked();
    const bool writeFailed = m_muxer.writeFailed();
    const bool done = m_muxer.finish(m_encoder.encodedSamples());
    m_encoder.close();
    {
        std::lock_guard<std::mutex> pl(m_pushMutex);
        m_primary.reset();
    }
    m_state = State::Idle;
    if (writeFailed) {
        // What reached the disk is completed as after a crash; the recording
        // still counts as failed, with the write's reason kept.
        std::string repairError;
        if (!repairRecording(m_muxer.path(), m_formatName, &repairError)) {
            logError("recorder: " + m_muxer.path() + " stays incomplete: " + repairError);
            return false;
        }
        return true;
    }
    if (!done)
        return fail("finish: " + m_muxer.errorText(), m_muxer.errorCode());
    return ok;
}

bool RecorderHandle::push(const AudioFrameHandle &frame)
{
    if (!m_accepting || m_paused)
        return false;
    std::lock_guard<std::mutex> lock(m_pushMutex);
    if (!m_primary)
        return false;
    m_pushBuffer.clear();
    if (!m_pushConverter.convert(frame, m_pushBuffer))
        return false;
    const int frames = int(m_pushBuffer.size() / kMixChannels);
    if (m_levelsAtPush)
        m_levels.add(m_pushBuffer.data(), frames, kMixChannels);
    m_primary->push(m_pushBuffer.data(), frames, frame.timestampUs);
    m_keptFrames = m_primary->keptFrames();
    return true;
}

uint64_t RecorderHandle::recordedUs() const
{
    // One input: its sound counts once taken, while the encoder gathers a
    // batch (the stop encodes all of it); afterwards what was encoded.
    uint64_t frames = m_recordedFrames.load();
    if (m_levelsAtPush && m_accepting && !m_workerFailed)
        frames = std::max(frames, m_keptFrames.load());
    return frames * 1000000ULL / uint64_t(kMixRate);
}

void RecorderHandle::discardInputs()
{
    if (m_primary)
        m_primary->clear();
    if (m_second)
        m_second->clear();
}

void RecorderHandle::workerLoop()
{
    // Named for profilers and per-thread CPU readings.
    pthread_setname_np(pthread_self(), "rec-encoder");
    const auto idleWait = m_second ? kIdleWait : kBatchIdleWait;
    for (;;) {
        {
            std::unique_lock<std::mutex> wl(m_wakeMutex);
            m_wake.wait_for(wl, idleWait, [this] {
                return m_stopRequested.load() || m_primary->available() >= m_primary->wakeFrames()
                       || (m_second && m_second->available() >= m_second->wakeFrames());
            });
        }
        const bool stopping = m_stopRequested;
        if (m_workerFailed) {
            discardInputs();
        } else if (m_paused && m_second) {
            // The second input is fed while the recording pauses, also when
            // it stops paused: none of that is recorded.
            discardInputs();
        } else if (!processAvailable(stopping)) {
            noteWriteFailure();
        }
        if (stopping)
            break;
    }
    if (!m_workerFailed && !m_encoder.flush())
        noteWriteFailure();
    if (!m_workerFailed && !m_muxer.flushToDisk())
        noteWriteFailure();
}

bool RecorderHandle::encode(const float *samples, int frames)
{
    if (frames <= 0)
        return true;
    if (!m_levelsAtPush)
        m_levels.add(samples, frames, kMixChannels);
    if (!m_encoder.write(samples, frames))
        return false;
    m_recordedFrames += uint64_t(frames);
    return true;
}

bool RecorderHandle::processAvailable(bool drain)
{
    if (!m_second) {
        while (int n = m_primary->take(m_bufA, kChunkFrames))
            if (!encode(m_bufA.data(), n))
                return false;
        return true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (m_restartClock.exchange(false)) {
        // Both inputs were emptied: their time lines begin again here.
        m_primarySeen = m_secondSeen = now;
        m_timeLineStart = m_recordedFrames;
        m_primaryLate = m_secondLate = 0;
    }
    for (;;) {
        // Each input's sound goes at its own place on the time line: what
        // comes for a time encoded without it is too late to be mixed in.
        if (dropLate(*m_primary, m_primaryLate, "first", drain))
            m_primarySeen = now;
        if (dropLate(*m_second, m_secondLate, "second", drain))
            m_secondSeen = now;
        const int a = m_primary->available();
        const int b = m_second->available();
        if (a > 0)
            m_primarySeen = now;
        if (b > 0)
            m_secondSeen = now;
        const int both = std::min({a, b, kChunkFrames});
        if (both > 0) {
            m_primary->take(m_bufA, both);
            m_second->take(m_bufB, both);
            m_mix.resize(size_t(both) * kMixChannels);
            for (size_t i = 0; i < m_mix.size(); ++i)
                m_mix[i] = std::clamp(m_bufA[i] + m_bufB[i], -1.0f, 1.0f);
            if (!encode(m_mix.data(), both))
                return false;
            continue;
        }
        // One input has nothing to match: it goes on alone once the other has
        // stalled (or never started), and at the end.
        // Counted when the other was found empty (what came since waits for
        // the next step), and only while the other still is: one that came
        // back meanwhile is mixed in instead.
        SampleQueue *alone = nullptr, *other = nullptr;
        int ready = 0;
        if (a > 0 && (drain || now - m_secondSeen > kStallTime)) {
            alone = m_primary.get();
            other = m_second.get();
            ready = a;
        } else if (b > 0 && (drain || now - m_primarySeen > kStallTime)) {
            alone = m_second.get();
            other = m_primary.get();
            ready = b;
        }
        if (!drain)
            ready -= kStallFrames;
        if (!alone || ready <= 0)
            return true;
        if (other->available() > 0)
            continue;
        const int n = alone->take(m_bufA, std::min(ready, kChunkFrames));
        if (!encode(m_bufA.data(), n))
            return false;
    }
}

bool RecorderHandle::dropLate(SampleQueue &input, uint64_t &late, const char *name, bool drain)
{
    const uint64_t at = m_timeLineStart + input.readPosition();
    const uint64_t encoded = m_recordedFrames;
    int dropped = 0;
    if (at < encoded)
        dropped = input.discard(int(std::min<uint64_t>(encoded - at, uint64_t(INT_MAX))));
    late += uint64_t(dropped);
    if (late > 0 && (at + uint64_t(dropped) >= encoded || drain)) {
        // Back in step (or at the end): the gap it left is said once.
        logError("recorder: " + std::to_string(late * 1000 / uint64_t(kMixRate)) + " ms of the " + name
                 + " input's sound came after that time was recorded without it; it is left out");
        late = 0;
    }
    return dropped > 0;
}

} // namespace rz

using rz::AudioFrameHandle;
using rz::RecorderHandle;
using rz::handleCast;

extern "C" {

void *rz_recorder_create(int32_t flags)
{
    (void)flags;
    return rz::toHandle(new RecorderHandle);
}

RZResult rz_recorder_open(void *recorder, const char *path, const char *muxer, void *config)
{
    auto *r = handleCast<RecorderHandle>(recorder, "rz_recorder_open");
    if (!r)
        return RZ_FAILED;
    if (!path) {
        rz::logError("rz_recorder_open: no path");
        return RZ_FAILED;
    }
    const rz::ConvertConfig *cfg = nullptr;
    if (config && !(cfg = handleCast<rz::ConvertConfig>(config, "rz_recorder_open")))
        return RZ_FAILED;
    rz::RecordingSettings settings;
    if (!settings.read(cfg))
        return RZ_FAILED;
    return r->open(path, muxer ? muxer : "", settings) ? RZ_OK : RZ_FAILED;
}

RZResult rz_recorder_run(void *recorder)
{
    auto *r = handleCast<RecorderHandle>(recorder, "rz_recorder_run");
    return r && r->run() ? RZ_OK : RZ_FAILED;
}

RZResult rz_recorder_pause(void *recorder)
{
    auto *r = handleCast<RecorderHandle>(recorder, "rz_recorder_pause");
    return r && r->pause() ? RZ_OK : RZ_FAILED;
}

RZResult rz_recorder_stop(void *recorder)
{
    auto *r = handleCast<RecorderHandle>(recorder, "rz_recorder_stop");
    return r && r->stop() ? RZ_OK : RZ_FAILED;
}

RZResult rz_recorder_finish(void *recorder)
{
    auto *r = handleCast<RecorderHandle>(recorder, "rz_recorder_finish");
    return r && r->finish() ? RZ_OK : RZ_FAILED;
}

RZResult rz_recorder_push_frame(void *recorder, void *frame)
{
    auto *r = handleCast<RecorderHandle>(recorder, "rz_recorder_push_frame");
    auto *f = handleCast<AudioFrameHandle>(frame, "rz_recorder_push_frame");
    return r && f && r->push(*f) ? RZ_OK : RZ_FAILED;
}

uint64_t rz_recorder_get_time(void *recorder)
{
    auto *r = handleCast<RecorderHandle>(recorder, "rz_recorder_get_time");
    return r ? r->recordedUs() : 0;
}

unsigned char *rz_recorder_get_level_block(void *recorder, uint32_t kind)
{
    (void)kind;
    auto *r = handleCast<RecorderHandle>(recorder, "rz_recorder_get_level_block");
    return r ? r->levelBlock() : nullptr;
}

uint32_t rz_recorder_copy_level_block(void *recorder, unsigned char *buffer, uint32_t capacity)
{
    auto *r = handleCast<RecorderHandle>(recorder, "rz_recorder_copy_level_block");
    return r ? uint32_t(r->copyLevelBlock(buffer, capacity)) : 0;
}

uint64_t rz_recorder_get_level_frames(void *recorder)
{
    auto *r = handleCast<RecorderHandle>(recorder, "rz_recorder_get_level_frames");
    return r ? r->levelFrames() : 0;
}

RZResult rz_recorder_write_failed(void *recorder)
{
    auto *r = handleCast<RecorderHandle>(recorder, "rz_recorder_write_failed");
    return r && r->writeFailed() ? RZ_OK : RZ_FAILED;
}

int32_t rz_recorder_error_code(void *recorder)
{
    auto *r = handleCast<RecorderHandle>(recorder, "rz_recorder_error_code");
    return r ? r->errorCode() : 0;
}

const char *rz_recorder_error_text(void *recorder)
{
    auto *r = handleCast<RecorderHandle>(recorder, "rz_recorder_error_text");
    return r ? r->errorTextForCaller() : "no recorder";
}

void rz_recorder_release(void *recorder)
{
    delete handleCast<RecorderHandle>(recorder, "rz_recorder_release");
}

RZResult rz_recorder_repair(const char *path, const char *muxer)
{
    if (!path || !*path) {
        rz::logError("rz_recorder_repair: no path");
        return RZ_FAILED;
    }
    return rz::repairRecording(path, muxer ? muxer : "", nullptr) ? RZ_OK : RZ_FAILED;
}

} // extern "C"
