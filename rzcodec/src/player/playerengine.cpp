#include "player/playerengine.h"

#include "internal/audiosamples.h"
#include "internal/error.h"
#include "internal/framehandle.h"
#include "internal/globals.h"
#include "internal/picture.h"
#include "internal/waveblock.h"
#include "rzcodec/frame.h"
#include "rzcodec/player.h"
#include "platform/audio/pulseoutputstream.h"
#include "player/playeroutput.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace rz {

namespace {

constexpr size_t kMaxQueuedPictures = 8;
constexpr int kOutputChannels = 2;
constexpr int kWaveRingSeconds = 2;
// How long the player's thread waits for the server to drop what it holds.
constexpr int kFlushWaitMs = 1000;
// Queued sound is made again at most this often: a volume slider that moves
// sends many changes, and each remake drops and refills the whole output.
constexpr auto kRemakeSpacing = std::chrono::milliseconds(100);
// Decoded sound kept a little longer than the clock says it is heard, for a
// server whose read index lags behind its clock.
constexpr int64_t kKeepHeardUs = 200000;

using Clock = std::chrono::steady_clock;

// What a decoded frame holds, as the filter chain's input.
AudioFormat inputFormatOf(const AVFrame *sample)
{
    AVChannelLayout layout{};
    if (sample->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&layout, sample->ch_layout.nb_channels);
    else
        av_channel_layout_copy(&layout, &sample->ch_layout);
    const AudioFormat in(sample->sample_rate, layout, AVSampleFormat(sample->format));
    av_channel_layout_uninit(&layout);
    return in;
}

} // namespace

std::atomic<void (*)()> PlayerEngine::s_filterBuildHook{nullptr};
std::atomic<void (*)()> PlayerEngine::s_readHook{nullptr};
std::atomic<void (*)()> PlayerEngine::s_outputOpenHook{nullptr};

PlayerEngine::PlayerEngine() = default;

PlayerEngine::~PlayerEngine()
{
    close();
}

// ---- media ---------------------------------------------------------------

bool PlayerEngine::open(const std::string &path, unsigned width, unsigned height)
{
    close();
    CallerLock lock(*this);
    m_playbackError.clear();
    if (!m_input.open(path)) {
        publishLocked();
        return false;
    }
    m_decoder = std::make_unique<MediaDecoder>(m_input);
    m_audioStream = m_input.bestStream(AVMEDIA_TYPE_AUDIO);
    m_videoStream = m_input.bestStream(AVMEDIA_TYPE_VIDEO);
    if (m_audioStream >= 0 && !m_decoder->addStream(m_audioStream))
        m_audioStream = -1;
    if (m_videoStream >= 0 && !m_decoder->addStream(m_videoStream))
        m_videoStream = -1;
    if (m_audioStream >= 0) {
        const AVCodecContext *audio = m_decoder->decoder(m_audioStream)->context();
        if (audio->sample_rate <= 0 || audio->ch_layout.nb_channels <= 0) {
            logError("opening " + path + ": the audio stream has no sample format");
            m_audioStream = -1;
        } else {
            m_outRate = std::clamp(audio->sample_rate, 8000, 192000);
        }
    }
    if (m_audioStream < 0 && m_videoStream < 0) {
        logError("opening " + path + ": nothing to play");
        closeLocked();
        publishLocked();
        return false;
    }
    m_outWidth = width;
    m_outHeight = height;
    m_state = State::Stopped;
    m_position = 0;
    m_decodeEnded = false;
    m_skipUntilUs = 0;
    m_lastVideoUs = 0;
    resetOutputState(0);
    m_wantPicture = m_videoStream >= 0;
    describeOpenedLocked();
    publishLocked();
    lock.unlock();
    startThread();
    return true;
}

void PlayerEngine::describeOpenedLocked()
{
    const AVFormatContext *format = m_input.format();
    m_canSeek = format && format->pb && (format->pb->seekable & AVIO_SEEKABLE_NORMAL);
    m_videoWidth = m_videoHeight = 0;
    m_aspect = AVRational{0, 1};
    if (m_videoStream < 0)
        return;
    const AVStream *stream = format->streams[m_videoStream];
    const int w = stream->codecpar->width;
    const int h = stream->codecpar->height;
    m_videoWidth = unsigned(std::max(0, w));
    m_videoHeight = unsigned(std::max(0, h));
    if (w <= 0 || h <= 0)
        return;
    AVRational sar = stream->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0)
        sar = stream->codecpar->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0)
        sar = AVRational{1, 1};
    av_reduce(&m_aspect.num, &m_aspect.den, int64_t(w) * sar.num, int64_t(h) * sar.den, 1 << 20);
}

void PlayerEngine::close()
{
    stopThread();
    CallerLock lock(*this);
    closeLocked();
    publishLocked();
}

void PlayerEngine::closeLocked()
{
    ++m_outputEpoch;
    cancelOpening();
    if (m_stream) {
        m_stream->close();
        m_stream.reset();
    }
    m_graph.reset();
    m_decoder.reset();
    m_input.close();
    m_audioStream = m_videoStream = -1;
    m_videoQueue.clear();
    m_shown.reset();
    m_shownUs = -1;
    forgetSound();
    m_state = State::Closed;
    m_position = 0;
    m_wantPicture = m_redeliver = false;
    m_asyncSeek = false;
    m_canSeek = false;
    m_videoWidth = m_videoHeight = 0;
    m_aspect = AVRational{0, 1};
}

std::string PlayerEngine::path() const
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    return m_view.path;
}

bool PlayerEngine::isOpen() const
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    return m_view.state != State::Closed;
}

bool PlayerEngine::hasAudio() const
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    return m_view.hasAudio;
}

bool PlayerEngine::hasVideo() const
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    return m_view.hasVideo;
}

bool PlayerEngine::canSeek() const
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    return m_view.canSeek;
}

uint64_t PlayerEngine::duration() const
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    return m_view.duration;
}

unsigned PlayerEngine::videoWidth() const
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    return m_view.videoWidth;
}

unsigned PlayerEngine::videoHeight() const
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    return m_view.videoHeight;
}

AVRational PlayerEngine::displayAspect() const
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    return m_view.aspect;
}

void PlayerEngine::publishLocked()
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    View &v = m_view;
    v.state = m_state;
    v.hasAudio = m_audioStream >= 0;
    v.hasVideo = m_videoStream >= 0;
    v.canSeek = m_canSeek;
    v.duration = m_input.isOpen() ? m_input.durationUs() : 0;
    v.videoWidth = m_videoWidth;
    v.videoHeight = m_videoHeight;
    v.aspect = m_aspect;
    if (m_input.isOpen() ? v.path != m_input.path() : !v.path.empty())
        v.path = m_input.isOpen() ? m_input.path() : std::string();
    if (v.error != m_playbackError)
        v.error = m_playbackError;
    v.position = m_position;
    v.wallBaseUs = m_wallBaseUs;
    v.wallRunning = m_wallRunning;
    v.wallStart = m_wallStart;
    v.timeRatio = m_audioSettings.timeRatio();
    if (v.clockVersion != m_clockVersion) {
        v.clock = m_clock;
        v.clockVersion = m_clockVersion;
    }
    v.shownUs = m_shownUs;
    if (v.stream != m_stream)
        v.stream = m_stream;
    v.outRate = m_outRate;
    v.outChannels = m_outChannels;
}

// ---- transport -----------------------------------------------------------

bool PlayerEngine::play()
{
    CallerLock lock(*this);
    Publisher publish(*this);
    switch (m_state) {
    case State::Closed:
        logError("playing: nothing is open");
        return false;
    case State::Running:
        return true;
    case State::Paused:
        // A stream that lost its server while paused is opened anew below;
        // a pause without one gets its output from the play thread.
        m_openFallback = State::Paused;
        if (!m_stream || !m_stream->hasFailed()) {
            m_playbackError.clear();
            if (m_stream)
                m_stream->setPaused(false);
            m_wallStart = Clock::now();
            m_wallRunning = true;
            m_state = State::Running;
            m_cond.notify_all();
            return true;
        }
        break;
    case State::Stopped:
    case State::Completed:
        break;
    }
    const uint64_t start = m_state == State::Completed ? 0 : m_position;
    const State before = m_state;
    // The play thread opens the output; when it cannot, the player goes back
    // to where it was asked from.
    m_openFallback = before == State::Paused ? State::Paused : State::Stopped;
    m_state = State::Running;
    m_playbackError.clear();
    std::string error;
    if (!restartAt(start, true, &error)) {
        logError("playing " + m_input.path() + ": " + error);
        m_playbackError = error;
        m_state = before == State::Completed ? State::Stopped : before;
        return false;
    }
    m_wallStart = Clock::now();
    m_wallRunning = true;
    m_cond.notify_all();
    return true;
}

bool PlayerEngine::pause()
{
    CallerLock lock(*this);
    Publisher publish(*this);
    if (m_state == State::Paused)
        return true;
    if (m_state != State::Running)
        return false;
    m_position = clockTimeLocked();
    if (m_stream)
        m_stream->setPaused(true);
    m_wallBaseUs = m_position;
    m_wallRunning = false;
    m_state = State::Paused;
    m_cond.notify_all();
    return true;
}

bool PlayerEngine::stop()
{
    CallerLock lock(*this);
    Publisher publish(*this);
    if (m_state == State::Closed)
        return false;
    stopLocked();
    return true;
}

void PlayerEngine::stopLocked()
{
    ++m_outputEpoch;
    cancelOpening();
    if (m_stream) {
        m_stream->close();
        m_stream.reset();
    }
    m_state = State::Stopped;
    m_position = 0;
    m_wallBaseUs = 0;
    m_wallRunning = false;
    forgetSound();
    m_videoQueue.clear();
    m_cond.notify_all();
}

bool PlayerEngine::seek(uint64_t timeUs, bool exact)
{
    CallerLock lock(*this);
    Publisher publish(*this);
    if (m_state == State::Closed) {
        logError("seeking: nothing is open");
        return false;
    }
    if (m_asyncSeek) {
        // While the slider moves, land on key frames; the release seeks exactly.
        m_asyncTarget = timeUs;
        exact = false;
    }
    if (m_state == State::Completed)
        m_state = State::Stopped;
    const uint64_t before = seekOrigin();
    std::string error;
    if (!restartAt(timeUs, exact, &error)) {
        logError("seeking in " + m_input.path() + ": " + error);
        settleAfterFailedSeek(before, error);
        return false;
    }
    return true;
}

void PlayerEngine::cancelOpening()
{
    if (m_opening)
        m_opening->cancelOpen();
}

uint64_t PlayerEngine::seekOrigin() const
{
    return m_state == State::Running ? clockTimeLocked() : m_position;
}

void PlayerEngine::settleAfterFailedSeek(uint64_t before, const std::string &why)
{
    m_playbackError = why;
    if (m_state == State::Running || m_state == State::Paused) {
        m_state = State::Paused;
        m_wallRunning = false;
        std::string again;
        if (restartAt(before, true, &again)) {
            m_cond.notify_all();
            return;
        }
        logError("seeking back in " + m_input.path() + ": " + again + "; stopped");
    } else if (m_state == State::Stopped) {
        // Play starts again from the kept position, seeking there anew.
        m_cond.notify_all();
        return;
    }
    stopLocked();
}

bool PlayerEngine::beginAsyncSeek(uint64_t)
{
    CallerLock lock(*this);
    if (m_state == State::Closed)
        return false;
    m_asyncSeek = true;
    m_asyncTarget = UINT64_MAX;
    return true;
}

bool PlayerEngine::endAsyncSeek()
{
    CallerLock lock(*this);
    Publisher publish(*this);
    if (m_state == State::Closed || !m_asyncSeek)
        return false;
    m_asyncSeek = false;
    if (m_asyncTarget == UINT64_MAX)
        return true;
    if (m_state == State::Completed)
        m_state = State::Stopped;
    const uint64_t before = seekOrigin();
    std::string error;
    if (!restartAt(m_asyncTarget, true, &error)) {
        logError("seeking in " + m_input.path() + ": " + error);
        settleAfterFailedSeek(before, error);
        return false;
    }
    return true;
}

bool PlayerEngine::frameStep(int frames)
{
    CallerLock lock(*this);
    Publisher publish(*this);
    if (m_state == State::Closed || frames == 0)
        return false;
    // Right after a seek the picture shown is still the old one: step from
    // where the seek went, not from that picture.
    uint64_t now;
    if (m_videoStream >= 0 && m_wantPicture && m_state != State::Running)
        now = m_position;
    else if (m_shownUs >= 0 && m_videoStream >= 0)
        now = uint64_t(m_shownUs);
    else
        now = clockTimeLocked();
    if (m_state == State::Running) {
        if (m_stream)
            m_stream->setPaused(true);
        m_wallRunning = false;
        m_state = State::Paused;
    }
    if (m_state == State::Completed)
        m_state = State::Stopped;
    double step = double(m_intervalUs) / 1e6;
    if (m_videoStream >= 0) {
        const AVRational rate = m_input.format()->streams[m_videoStream]->avg_frame_rate;
        step = rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 1.0 / 25.0;
    }
    const int64_t target = std::max<int64_t>(0, int64_t(now) + int64_t(std::llround(frames * step * 1e6)));
    std::string error;
    if (!restartAt(uint64_t(target), true, &error)) {
        logError("stepping in " + m_input.path() + ": " + error);
        settleAfterFailedSeek(now, error);
        return false;
    }
    return true;
}

bool PlayerEngine::keyFrameStep(int direction)
{
    CallerLock lock(*this);
    Publisher publish(*this);
    if (m_state == State::Closed || direction == 0)
        return false;
    const int64_t now = int64_t(clockTimeLocked());
    const int64_t target = std::max<int64_t>(0, now + (direction > 0 ? 1000000 : -1000000));
    if (m_state == State::Completed)
        m_state = State::Stopped;
    const uint64_t before = seekOrigin();
    std::string error;
    if (!restartAt(uint64_t(target), false, &error)) {
        logError("stepping in " + m_input.path() + ": " + error);
        settleAfterFailedSeek(before, error);
        return false;
    }
    return true;
}

void PlayerEngine::enableLoop(bool on)
{
    CallerLock lock(*this);
    m_loop = on;
}

PlayerEngine::State PlayerEngine::state() const
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    return m_view.state;
}

uint64_t PlayerEngine::playTime() const
{
    // The stream is asked outside the view's lock: asking waits for the sound
    // loop's lock, and a caller polling the time must not keep the play
    // thread from publishing meanwhile. The answer counts only if the stream
    // and its clock are still the ones it was asked of.
    for (;;) {
        std::shared_ptr<PulseOutputStream> stream;
        uint64_t version = 0;
        {
            std::lock_guard<std::mutex> lock(m_viewMutex);
            const View &v = m_view;
            const bool running = v.state == State::Running || v.state == State::Paused;
            if (!running || !v.hasAudio || !v.stream)
                return viewTimeLocked(-1);
            stream = v.stream;
            version = v.clockVersion;
        }
        const int64_t played = stream->playedFrames();
        std::lock_guard<std::mutex> lock(m_viewMutex);
        if (m_view.stream == stream && m_view.clockVersion == version)
            return viewTimeLocked(played);
    }
}

uint64_t PlayerEngine::viewTimeLocked(int64_t played) const
{
    const View &v = m_view;
    return clockTimeOf({v.state, v.hasAudio, v.stream ? played : -1, &v.clock, v.position, v.wallBaseUs,
                        v.wallRunning, v.wallStart, v.timeRatio, v.duration});
}

uint64_t PlayerEngine::videoTime() const
{
    {
        std::lock_guard<std::mutex> lock(m_viewMutex);
        if (m_view.shownUs >= 0)
            return uint64_t(m_view.shownUs);
    }
    return playTime();
}

// ---- sound settings ------------------------------------------------------

void PlayerEngine::changeSettingsLocked(const AudioFilterSettings &next)
{
    if (next == m_audioSettings)
        return;
    m_audioSettings = next;
    m_graphDirty = true;
    m_remakeAsked = true;
}

void PlayerEngine::setVolume(int percent)
{
    CallerLock lock(*this);
    AudioFilterSettings next = m_audioSettings;
    next.volume = std::max(0, percent);
    changeSettingsLocked(next);
}

void PlayerEngine::setSpeed(int percent)
{
    CallerLock lock(*this);
    Publisher publish(*this);
    if (m_audioStream < 0 && m_wallRunning) {
        m_wallBaseUs = clockTimeLocked();
        m_wallStart = Clock::now();
    }
    AudioFilterSettings next = m_audioSettings;
    next.speed = std::clamp(percent, 1, 10000);
    changeSettingsLocked(next);
}

void PlayerEngine::setRate(int percent)
{
    CallerLock lock(*this);
    Publisher publish(*this);
    if (m_audioStream < 0 && m_wallRunning) {
        m_wallBaseUs = clockTimeLocked();
        m_wallStart = Clock::now();
    }
    AudioFilterSettings next = m_audioSettings;
    next.rate = std::clamp(percent, 1, 10000);
    changeSettingsLocked(next);
}

void PlayerEngine::setEqualizer(std::vector<EqualizerBand> bands)
{
    CallerLock lock(*this);
    AudioFilterSettings next = m_audioSettings;
    next.bands = std::move(bands);
    changeSettingsLocked(next);
}

AudioFilterSettings PlayerEngine::audioSettings() const
{
    CallerLock lock(*this);
    return m_audioSettings;
}

void PlayerEngine::setOutputDevice(const std::string &device)
{
    CallerLock lock(*this);
    m_device = device;
}

std::string PlayerEngine::outputDevice() const
{
    CallerLock lock(*this);
    return m_device;
}

// ---- pictures ------------------------------------------------------------

void PlayerEngine::setFrameCallback(bool original, RZFrameCallback callback, void *context)
{
    CallerLock lock(*this);
    m_callbacks[original ? 1 : 0] = Callback{callback, context};
    // A window that arrives after the first picture still gets to show it.
    if (callback && m_shown) {
        m_redeliver = true;
        m_cond.notify_all();
    }
}

void PlayerEngine::setTimeInterval(uint64_t microseconds)
{
    CallerLock lock(*this);
    m_intervalUs = std::max<uint64_t>(1000, microseconds);
}

uint64_t PlayerEngine::timeInterval() const
{
    CallerLock lock(*this);
    return m_intervalUs;
}

bool PlayerEngine::showVideoFrame()
{
    CallerLock lock(*this);
    if (m_videoStream < 0)
        return false;
    if (m_shown)
        m_redeliver = true;
    else
        m_wantPicture = true;
    m_cond.notify_all();
    return true;
}

uint8_t *PlayerEngine::captureImage(unsigned width, unsigned height)
{
    CallerLock lock(*this);
    if (!m_shown) {
        logError("capturing a picture: no video frame");
        return nullptr;
    }
    uint8_t *bmp = frameToBmp(m_shown.get(), int(width), int(height));
    if (!bmp)
        logError("capturing a picture: the frame cannot be converted");
    return bmp;
}

// ---- wave data -----------------------------------------------------------

void PlayerEngine::enableWaveData(bool on)
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    m_view.waveEnabled = on;
}

uint8_t *PlayerEngine::waveData()
{
    // As in playTime(): the stream is asked outside the view's lock.
    std::shared_ptr<PulseOutputStream> stream;
    {
        std::lock_guard<std::mutex> lock(m_viewMutex);
        stream = m_view.stream;
    }
    if (!stream)
        return nullptr;
    const int64_t played = stream->playedFrames();
    std::vector<float> block;
    int channels = 0;
    int rate = 0;
    int64_t frames = 0;
    {
        std::lock_guard<std::mutex> lock(m_viewMutex);
        const View &v = m_view;
        if (!v.waveEnabled || !v.hasAudio || v.stream != stream || v.waveRing.empty() || v.outChannels <= 0)
            return nullptr;
        channels = v.outChannels;
        rate = v.outRate;
        const int64_t ringFrames = int64_t(v.waveRing.size()) / channels;
        const int64_t window = std::max(1, rate / 20);
        const int64_t end = std::min(played, v.waveEnd);
        const int64_t start = std::max({end - window, v.waveEnd - ringFrames, int64_t(0)});
        if (end <= start)
            return nullptr;
        frames = end - start;
        block.resize(size_t(frames) * size_t(channels));
        for (int64_t f = start; f < end; ++f) {
            const size_t from = size_t(f % ringFrames) * size_t(channels);
            std::copy_n(v.waveRing.begin() + long(from), channels,
                        block.begin() + long(size_t(f - start) * size_t(channels)));
        }
    }
    return makeWaveBlock(block.data(), size_t(frames), channels, rate);
}

void PlayerEngine::setEventCallback(EventCallback callback, void *context)
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    m_view.eventFunction = callback;
    m_view.eventContext = context;
}

// ---- the player's thread -------------------------------------------------

void PlayerEngine::startThread()
{
    CallerLock lock(*this);
    m_quit = false;
    m_thread = std::thread(&PlayerEngine::run, this);
}

void PlayerEngine::stopThread()
{
    {
        CallerLock lock(*this);
        m_quit = true;
        cancelOpening();
        if (m_stream)
            m_stream->wake();
        m_cond.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
}

void PlayerEngine::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_quit) {
        if (m_callers.load() > 0) {
            // Between two reads: a caller waits for this lock.
            m_cond.wait(lock, [this] { return m_callers.load() == 0 || m_quit; });
            continue;
        }
        publishLocked();
        if (m_eventsToTell > 0) {
            m_eventsToTell = 0;
            EventCallback function = nullptr;
            void *context = nullptr;
            {
                std::lock_guard<std::mutex> viewLock(m_viewMutex);
                function = m_view.eventFunction;
                context = m_view.eventContext;
            }
            if (function) {
                lock.unlock();
                function(RZ_PLAYER_EVENT_PLAY_FAILED, context);
                lock.lock();
            }
            continue;
        }
        if (m_redeliver) {
            m_redeliver = false;
            deliver(lock);
            continue;
        }
        if (m_state == State::Running) {
            if (m_audioStream >= 0 && !m_stream) {
                openOutputOnThread(lock);
                continue;
            }
            presentDue(false);
            if (m_redeliver)
                continue;
            if (remakeDue()) {
                remakeQueuedSound(lock);
                continue;
            }
            if (pendingFrames() > 0 && m_stream) {
                const size_t taken = m_stream->write(m_pending.data() + m_pendingOffset, pendingFrames());
                m_pendingOffset += taken * size_t(m_outChannels);
                if (m_pendingOffset >= m_pending.size()) {
                    m_pending.clear();
                    m_pendingOffset = 0;
                }
                if (pendingFrames() > 0) {
                    if (m_stream->hasFailed()) {
                        failOutput();
                        continue;
                    }
                    auto stream = m_stream;
                    lock.unlock();
                    stream->waitWritable(m_videoStream >= 0 ? 5 : 20);
                    lock.lock();
                }
                continue;
            }
            if (!m_stream && pendingFrames() > 0) {
                m_pending.clear();
                m_pendingOffset = 0;
            }
            if (!m_decodeEnded || !m_replay.empty()) {
                if (m_videoQueue.size() >= kMaxQueuedPictures) {
                    // Pictures run ahead of the sound; when the sound is about to
                    // run dry, show the oldest picture rather than stall both.
                    const bool starving = m_stream
                        && m_stream->playedFrames() >= m_stream->writtenFrames() - m_outRate / 20;
                    if (starving) {
                        presentDue(true);
                        continue;
                    }
                    m_cond.wait_for(lock, std::chrono::milliseconds(5));
                    continue;
                }
                decodeStep(lock);
                continue;
            }
            if (m_stream) {
                m_stream->beginDrain();
                if (m_stream->hasFailed()) {
                    failOutput();
                    continue;
                }
                if (m_stream->isDrained() && m_videoQueue.empty()) {
                    finish();
                    continue;
                }
                auto stream = m_stream;
                lock.unlock();
                stream->waitDrained(10);
                lock.lock();
                continue;
            }
            const AVRational rate = m_videoStream >= 0
                ? m_input.format()->streams[m_videoStream]->avg_frame_rate : AVRational{25, 1};
            const int64_t frameUs = rate.num > 0 ? av_rescale(1000000, rate.den, rate.num) : 40000;
            if (m_videoQueue.empty() && int64_t(clockTimeLocked()) >= m_lastVideoUs + frameUs) {
                finish();
                continue;
            }
            m_cond.wait_for(lock, std::chrono::milliseconds(5));
            continue;
        }
        // Without sound nothing is pending, so only the picture limits the decoding.
        if (m_wantPicture && m_videoStream >= 0 && !m_decodeEnded && m_state != State::Closed
            && (m_audioStream < 0 || pendingFrames() < size_t(m_outRate) * 4)) {
            decodeStep(lock);
            continue;
        }
        m_wantPicture = false;
        m_cond.wait(lock);
    }
}

void PlayerEngine::deliver(std::unique_lock<std::mutex> &lock)
{
    if (!m_shown)
        return;
    FrameHandle handle;
    if (!handle.assign(m_shown.get(), uint64_t(std::max<int64_t>(0, m_shownUs))))
        return;
    const Callback callbacks[2] = {m_callbacks[0], m_callbacks[1]};
    lock.unlock();
    for (const Callback &callback : callbacks) {
        if (callback.function)
            callback.function(toHandle(&handle), callback.context);
    }
    lock.lock();
}

size_t PlayerEngine::pendingFrames() const
{
    return (m_pending.size() - m_pendingOffset) / size_t(m_outChannels);
}

void PlayerEngine::forgetSound()
{
    m_pending.clear();
    m_pendingOffset = 0;
    m_sent.clear();
    m_replay.clear();
    m_remakeAsked = false;
}

void PlayerEngine::resetOutputState(uint64_t startUs)
{
    forgetSound();
    m_producedFrames = 0;
    m_audioFedUs = int64_t(startUs);
    m_clock.restart(startUs, m_audioSettings.timeRatio(), m_outRate);
    ++m_clockVersion;
    {
        std::lock_guard<std::mutex> lock(m_viewMutex);
        m_view.waveRing.assign(size_t(std::max(m_outRate, 1)) * kWaveRingSeconds * size_t(m_outChannels), 0.0f);
        m_view.waveEnd = 0;
        m_view.stream = m_stream;
    }
    m_videoQueue.clear();
    m_graph.reset();
    m_wallBaseUs = startUs;
    m_wallStart = Clock::now();
}

bool PlayerEngine::restartAt(uint64_t timeUs, bool exact, std::string *error)
{
    ++m_outputEpoch;
    cancelOpening();
    const uint64_t length = m_input.durationUs();
    if (length > 0 && timeUs > length)
        timeUs = length;
    if (m_stream) {
        m_stream->close();
        m_stream.reset();
    }
    // Unread, the input is at its start already. A stream is never sought:
    // FFmpeg may answer with success while reading on from where it was,
    // and a seek it fails may leave it unreadable or drop what its opening
    // read.
    const bool there = timeUs == 0 && m_decoder->atStart();
    if (!there && (m_input.isStreamed() || !m_decoder->seek(timeUs))) {
        if (error)
            *error = "the file cannot seek";
        return false;
    }
    m_decodeEnded = false;
    m_skipUntilUs = exact ? timeUs : 0;
    m_position = timeUs;
    resetOutputState(timeUs);
    if (m_videoStream >= 0 && m_state != State::Running)
        m_wantPicture = true;
    // A playback gets its output from the play thread (openOutputOnThread):
    // the sound server may keep the caller waiting.
    m_cond.notify_all();
    return true;
}

void PlayerEngine::openOutputOnThread(std::unique_lock<std::mutex> &lock)
{
    const uint64_t epoch = m_outputEpoch;
    const std::string device = m_device;
    const int rate = m_outRate;
    const int channels = m_outChannels;
    lock.unlock();
    if (auto hook = s_outputOpenHook.load())
        hook();
    std::string error;
    std::shared_ptr<PulseOutputStream> stream = makeOutputStream(&error);
    bool opened = false;
    if (stream) {
        lock.lock();
        const bool wanted = !m_quit && epoch == m_outputEpoch;
        if (wanted)
            m_opening = stream;
        lock.unlock();
        opened = wanted && stream->open(device, rate, channels, false, &error);
    }
    lock.lock();
    m_opening.reset();
    if (m_quit || epoch != m_outputEpoch || m_stream
        || (m_state != State::Running && m_state != State::Paused)) {
        // A seek, stop or close came meanwhile; a seek asks for an output of its own.
        if (stream) {
            lock.unlock();
            stream->close();
            stream.reset();
            lock.lock();
        }
        return;
    }
    if (!opened) {
        logError("playing " + m_input.path() + ": " + error);
        m_playbackError = error;
        m_position = clockTimeLocked();
        m_wallBaseUs = m_position;
        m_wallRunning = false;
        m_state = m_openFallback;
        ++m_eventsToTell;
        return;
    }
    if (m_state == State::Paused)
        stream->setPaused(true);
    m_stream = std::move(stream);
}

bool PlayerEngine::rebuildFilters(std::unique_lock<std::mutex> &lock, const AVFrame *sample,
                                  bool continuing)
{
    // The GUI reads the position and the wave data under the lock many times
    // a second: it must not wait while a chain is built.
    const uint64_t epoch = m_outputEpoch;
    const AudioFormat in = inputFormatOf(sample);
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    const AudioFormat out(m_outRate, stereo, AV_SAMPLE_FMT_FLT);
    AudioFilterGraph built;
    for (;;) {
        const AudioFilterSettings wanted = m_audioSettings;
        m_graphDirty = false;
        std::string error;
        lock.unlock();
        const bool ok = built.configure(in, out, wanted, &error);
        if (auto hook = s_filterBuildHook.load())
            hook();
        lock.lock();
        if (m_quit || epoch != m_outputEpoch) {
            lock.unlock();
            built.reset();
            lock.lock();
            return false;
        }
        if (m_graphDirty && m_audioSettings != wanted)
            continue; // changed again meanwhile: what was built is already stale
        m_graphDirty = false;
        if (!ok) {
            logError("playing " + m_input.path() + ": " + error);
            m_decodeEnded = true;
            return false;
        }
        m_graph.swap(built);
        if (continuing) {
            // The rest of the output is timed by the new settings.
            m_clock.addSegment(m_producedFrames, uint64_t(std::max<int64_t>(0, m_audioFedUs)),
                               wanted.timeRatio());
            ++m_clockVersion;
        }
        return true;
    }
}

void PlayerEngine::decodeStep(std::unique_lock<std::mutex> &lock)
{
    if (!m_replay.empty()) {
        SentAudio again = std::move(m_replay.front());
        m_replay.pop_front();
        takeAudio(lock, again.frame.get(), again.timeUs);
        if (m_replay.empty() && m_decodeEnded)
            drainFilters();
        return;
    }
    int index = -1;
    AVFrame *frame = m_decoded.get();
    if (auto hook = s_readHook.load())
        hook();
    const int got = m_decoder->next(frame, &index);
    if (got <= 0) {
        m_decodeEnded = true;
        drainFilters();
        return;
    }
    const AVStream *stream = m_input.format()->streams[index];
    const int64_t pts = frame->best_effort_timestamp;
    int64_t timeUs = 0;
    if (pts != AV_NOPTS_VALUE)
        timeUs = toMicroseconds(pts, stream->time_base) - m_input.startTimeUs();
    else
        timeUs = index == m_audioStream ? m_audioFedUs : m_lastVideoUs;
    if (index == m_audioStream)
        takeAudio(lock, frame, timeUs);
    else if (index == m_videoStream)
        keepVideoFrame(frame, timeUs);
    av_frame_unref(frame);
}

void PlayerEngine::takeAudio(std::unique_lock<std::mutex> &lock, AVFrame *frame, int64_t timeUs)
{
    const int rate = frame->sample_rate > 0 ? frame->sample_rate : m_outRate;
    if (frame->nb_samples <= 0)
        return;
    if (m_skipUntilUs > 0) {
        const int64_t endUs = timeUs + frameMicroseconds(frame->nb_samples, rate);
        if (endUs <= int64_t(m_skipUntilUs))
            return;
        if (timeUs < int64_t(m_skipUntilUs)) {
            const int cut = int(av_rescale(int64_t(m_skipUntilUs) - timeUs, rate, 1000000));
            if (cut >= frame->nb_samples)
                return;
            if (cut > 0 && !dropLeadingSamples(frame, cut))
                return;
            timeUs = int64_t(m_skipUntilUs);
        }
        m_skipUntilUs = 0;
    }

    const AudioFormat &in = m_graph.inputFormat();
    const bool formatChanged = m_graph.isConfigured()
        && (frame->sample_rate != in.sampleRate || frame->format != in.sampleFormat
            || frame->ch_layout.nb_channels != in.layout.nb_channels);
    if (!m_graph.isConfigured() || m_graphDirty || formatChanged) {
        // Let the old chain hand out what it holds first.
        const bool continuing = m_graph.isConfigured();
        if (continuing)
            drainFilters();
        if (!rebuildFilters(lock, frame, continuing))
            return;
    }
    frame->pts = av_rescale(timeUs, rate, 1000000);
    m_audioFedUs = timeUs + frameMicroseconds(frame->nb_samples, rate);
    const int pushed = m_graph.push(frame);
    if (pushed < 0) {
        logAvError("filtering the sound of " + m_input.path(), pushed);
        return;
    }
    // Kept until heard: a setting changed meanwhile makes its sound again.
    if (FramePtr kept{av_frame_clone(frame)})
        m_sent.push_back(SentAudio{std::move(kept), timeUs, m_audioFedUs});
    forgetPlayedSound();
    AVFrame *out = m_filtered.get();
    while (m_graph.pull(out) >= 0) {
        const size_t samples = size_t(out->nb_samples) * size_t(m_outChannels);
        const auto *data = reinterpret_cast<const float *>(out->data[0]);
        m_pending.insert(m_pending.end(), data, data + samples);
        rememberWave(data, size_t(out->nb_samples));
        m_producedFrames += out->nb_samples;
        av_frame_unref(out);
    }
}

bool PlayerEngine::remakeDue()
{
    if (!m_remakeAsked)
        return false;
    if (!m_stream || m_sent.empty()) {
        // Nothing made with the old settings waits to be heard: the chain
        // built next carries the new ones.
        m_remakeAsked = false;
        return false;
    }
    return Clock::now() - m_lastRemake >= kRemakeSpacing;
}

void PlayerEngine::remakeQueuedSound(std::unique_lock<std::mutex> &lock)
{
    m_remakeAsked = false;
    m_lastRemake = Clock::now();
    const uint64_t epoch = m_outputEpoch;
    const std::shared_ptr<PulseOutputStream> stream = m_stream;
    lock.unlock();
    int64_t from = -1;
    const bool flushed = stream->flush(kFlushWaitMs, &from);
    lock.lock();
    if (m_quit || epoch != m_outputEpoch || m_stream != stream)
        return; // a seek, stop or close came meanwhile, with an output of its own
    if (stream->hasFailed()) {
        failOutput();
        return;
    }
    if (!flushed || from > m_producedFrames) {
        // Where the server goes on is not known: a new output from where the
        // sound is now, as a seek makes.
        const uint64_t now = clockTimeLocked();
        std::string error;
        if (!restartAt(now, true, &error)) {
            logError("playing " + m_input.path() + " on after a setting changed: " + error);
            settleAfterFailedSeek(now, error);
        }
        return;
    }
    // The server plays on from output frame `from`: the decoded sound from
    // that moment of the media on goes through a new chain, then the decoder
    // goes on where it was.
    for (auto it = m_sent.rbegin(); it != m_sent.rend(); ++it)
        m_replay.push_front(std::move(*it));
    m_sent.clear();
    uint64_t at = m_clock.mediaTimeAt(from);
    if (!m_replay.empty())
        at = std::max(at, uint64_t(std::max<int64_t>(0, m_replay.front().timeUs)));
    while (!m_replay.empty() && m_replay.front().endUs <= int64_t(at))
        m_replay.pop_front();
    m_skipUntilUs = at;
    m_pending.clear();
    m_pendingOffset = 0;
    m_graph.reset();
    m_producedFrames = from;
    m_audioFedUs = int64_t(at);
    m_clock.addSegment(from, at, m_audioSettings.timeRatio());
    ++m_clockVersion;
    std::lock_guard<std::mutex> viewLock(m_viewMutex);
    m_view.waveEnd = from;
}

void PlayerEngine::forgetPlayedSound()
{
    if (m_sent.empty())
        return;
    const int64_t heard = int64_t(clockTimeLocked()) - kKeepHeardUs;
    while (!m_sent.empty() && m_sent.front().endUs < heard)
        m_sent.pop_front();
}

void PlayerEngine::drainFilters()
{
    if (!m_graph.isConfigured())
        return;
    m_graph.push(nullptr);
    AVFrame *out = m_filtered.get();
    while (m_graph.pull(out) >= 0) {
        const size_t samples = size_t(out->nb_samples) * size_t(m_outChannels);
        const auto *data = reinterpret_cast<const float *>(out->data[0]);
        m_pending.insert(m_pending.end(), data, data + samples);
        rememberWave(data, size_t(out->nb_samples));
        m_producedFrames += out->nb_samples;
        av_frame_unref(out);
    }
    m_graph.reset();
}

void PlayerEngine::rememberWave(const float *samples, size_t frames)
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    std::vector<float> &ring = m_view.waveRing;
    if (ring.empty())
        return;
    const size_t ringFrames = ring.size() / size_t(m_outChannels);
    for (size_t i = 0; i < frames; ++i) {
        const size_t at = size_t((m_view.waveEnd + int64_t(i)) % int64_t(ringFrames)) * size_t(m_outChannels);
        std::copy_n(samples + i * size_t(m_outChannels), m_outChannels, ring.begin() + long(at));
    }
    m_view.waveEnd += int64_t(frames);
}

void PlayerEngine::keepVideoFrame(AVFrame *frame, int64_t timeUs)
{
    m_lastVideoUs = std::max(m_lastVideoUs, timeUs);
    if (m_skipUntilUs > 0 && m_audioStream < 0 && timeUs + 20000 < int64_t(m_skipUntilUs))
        return;

    // The picture in the format and size the callbacks want.
    AVPixelFormat format = AVPixelFormat(frame->format);
    const std::vector<uint32_t> wanted = globals().frameFormats();
    if (!wanted.empty()) {
        format = avPixelFormatOf(wanted.front());
    } else if (pixelFormatCode(format) == RZ_PIXFMT_OTHER) {
        format = AV_PIX_FMT_YUV420P;
    }
    const int w = m_outWidth > 0 && m_outHeight > 0 ? int(m_outWidth) : frame->width;
    const int h = m_outWidth > 0 && m_outHeight > 0 ? int(m_outHeight) : frame->height;
    FramePtr picture = makeFrame();
    if (!picture)
        return;
    if (format == frame->format && w == frame->width && h == frame->height) {
        if (av_frame_ref(picture.get(), frame) < 0)
            return;
    } else {
        m_scaler.reset(sws_getCachedContext(m_scaler.release(), frame->width, frame->height,
                                            AVPixelFormat(frame->format), w, h, format,
                                            SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!m_scaler)
            return;
        picture->format = format;
        picture->width = w;
        picture->height = h;
        if (av_frame_get_buffer(picture.get(), 0) < 0)
            return;
        sws_scale(m_scaler.get(), frame->data, frame->linesize, 0, frame->height, picture->data,
                  picture->linesize);
    }
    if (m_state != State::Running) {
        if (m_wantPicture && timeUs + 20000 >= int64_t(m_position)) {
            m_shown = std::move(picture);
            m_shownUs = timeUs;
            m_wantPicture = false;
            m_redeliver = true;
        }
        return;
    }
    m_videoQueue.push_back(VideoFrame{std::move(picture), timeUs});
}

void PlayerEngine::presentDue(bool force)
{
    if (m_videoQueue.empty())
        return;
    const int64_t now = int64_t(clockTimeLocked());
    bool any = false;
    while (!m_videoQueue.empty() && (force || m_videoQueue.front().timeUs <= now + 10000)) {
        m_shown = std::move(m_videoQueue.front().frame);
        m_shownUs = m_videoQueue.front().timeUs;
        m_videoQueue.pop_front();
        any = true;
        force = false;
    }
    if (any)
        m_redeliver = true;
}

void PlayerEngine::failOutput()
{
    m_playbackError = m_stream->failureText();
    logError("playing " + m_input.path() + ": the sound output failed: " + m_playbackError);
    // Looping on would only fail again.
    const bool loop = m_loop;
    m_loop = false;
    finish();
    m_loop = loop;
}

std::string PlayerEngine::playbackError() const
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    return m_view.error;
}

void PlayerEngine::finish()
{
    if (m_loop) {
        std::string error;
        if (restartAt(0, true, &error)) {
            m_wallStart = Clock::now();
            return;
        }
    }
    if (m_stream) {
        m_stream->close();
        m_stream.reset();
    }
    m_state = State::Completed;
    m_position = m_input.durationUs();
    m_wallRunning = false;
    forgetSound();
}

uint64_t PlayerEngine::clockTimeLocked() const
{
    const bool playing = (m_state == State::Running || m_state == State::Paused) && m_audioStream >= 0;
    const int64_t played = playing && m_stream ? m_stream->playedFrames() : -1;
    return clockTimeOf({m_state, m_audioStream >= 0, played, &m_clock, m_position, m_wallBaseUs,
                        m_wallRunning, m_wallStart, m_audioSettings.timeRatio(),
                        m_input.isOpen() ? m_input.durationUs() : 0});
}

uint64_t PlayerEngine::clockTimeOf(const ClockInputs &in)
{
    uint64_t t = 0;
    switch (in.state) {
    case State::Closed:
        return 0;
    case State::Stopped:
        return in.position;
    case State::Completed:
        return in.length;
    case State::Running:
    case State::Paused:
        if (in.audio) {
            t = in.played >= 0 ? in.clock->mediaTimeAt(in.played) : in.position;
        } else {
            t = in.wallBaseUs;
            if (in.wallRunning) {
                const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
                    Clock::now() - in.wallStart).count();
                t += uint64_t(double(elapsed) * in.timeRatio);
            }
        }
        break;
    }
    return in.length > 0 ? std::min(t, in.length) : t;
}

} // namespace rz
