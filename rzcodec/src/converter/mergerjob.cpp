#include "converter/mergerjob.h"

#include "converter/converterjob.h"
#include "internal/codecids.h"
#include "internal/convertconfig.h"
#include "internal/error.h"
#include "internal/rangetranscoder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace rz {

MergerJob::MergerJob() : Handle(kRole) {}

MergerJob::~MergerJob()
{
    // Released without a close: what was merged is not a complete file.
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state == State::Open || m_state == State::Running)
            m_state = State::Stopped;
        m_stopRequested = true;
    }
    close();
}

bool MergerJob::fail(const std::string &what)
{
    logError("merger: " + what);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_error = what;
    return false;
}

const char *MergerJob::errorTextForCaller() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_errorCopy = m_error;
    return m_errorCopy.c_str();
}

bool MergerJob::open(const std::string &output, const std::string &muxer, const ConvertConfig *config)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state != State::Idle)
            return false;
    }
    m_output = output;
    const AVOutputFormat *format = AudioMuxer::findFormat(muxer, output);
    if (output.empty() || !format)
        return fail("no output or unknown format \"" + muxer + "\"");
    AudioEncoderSettings enc;
    const std::string encoderName = config ? config->textOr("audio.encoder") : std::string();
    const int64_t id = config ? config->intOr("audio.codec", 0) : 0;
    if (!encoderName.empty()) {
        const AVCodec *byName = avcodec_find_encoder_by_name(encoderName.c_str());
        enc.codec = byName ? byName->id : AV_CODEC_ID_NONE;
    } else {
        enc.codec = id > 0 ? toAVCodecId(uint32_t(id)) : AudioMuxer::defaultAudioCodec(format);
    }
    if (!AudioMuxer::canCarry(format, enc.codec))
        return fail(std::string("the format ") + format->name + " cannot carry that codec");
    enc.sampleRate = int(config ? config->uintOr("audio.sample_rate", 44100) : 44100);
    enc.channels = int(config ? config->uintOr("audio.channels", 2) : 2);
    if (enc.sampleRate <= 0 || enc.sampleRate > 768000)
        enc.sampleRate = 44100;
    if (enc.channels <= 0 || enc.channels > 8)
        enc.channels = 2;
    enc.bitRate = int64_t(config ? config->uintOr("audio.bitrate", 0) : 0);
    enc.globalHeader = format->flags & AVFMT_GLOBALHEADER;
    m_rate = enc.sampleRate;
    m_channels = enc.channels;
    if (!m_encoder.open(enc, m_rate, m_channels,
                        [this](AVPacket *p) { return m_muxer.writePacket(p, m_encoder.timeBase()); }))
        return fail(m_encoder.errorText());
    AVDictionary *tags = nullptr;
    if (config)
        for (const std::string &key : config->metadataKeys()) {
            const BufferHandle *value = config->metadata(key);
            if (key != "cover_image" && value && !value->bytes.empty())
                av_dict_set(&tags, key.c_str(), value->bytes.c_str(), 0);
        }
    const bool opened = m_muxer.open(output, format, m_encoder.context(), tags);
    av_dict_free(&tags);
    if (!opened) {
        m_encoder.close();
        return fail(m_muxer.errorText());
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state = State::Open;
    return true;
}

bool MergerJob::start()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state != State::Open)
        return false;
    m_state = State::Running;
    m_worker = std::thread([this] { run(); });
    return true;
}

bool MergerJob::add(const std::string &source, const int *discTitle, uint64_t startUs,
                    uint64_t durationUs, const ConvertConfig *config)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state != State::Open && m_state != State::Running)
            return fail("add: the merger is not open");
    }
    Task task;
    task.input = std::make_unique<InputMedia>();
    const bool opened = discTitle ? task.input->openDvdTitle(source, *discTitle)
                                  : task.input->open(source);
    if (!opened)
        return fail("cannot open " + source);
    task.stream = task.input->bestStream(AVMEDIA_TYPE_AUDIO);
    if (task.stream < 0)
        return fail(source + " holds no sound");
    const uint64_t length = task.input->durationUs();
    if (length > 0 && startUs >= length)
        return fail("the range begins after the end of " + source);
    task.startUs = startUs;
    task.durationUs = durationUs;
    task.lengthUs = length > startUs ? length - startUs : 0;
    if (durationUs > 0)
        task.lengthUs = task.lengthUs > 0 ? std::min(task.lengthUs, durationUs) : durationUs;
    task.settings = ConverterJob::filterSettings(config);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_totalUs += task.lengthUs;
    m_tasks.push_back(std::move(task));
    m_changed.notify_all();
    return true;
}

bool MergerJob::isIdle() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state == State::Stopped || m_state == State::Failed
           || (m_state == State::Running && m_tasks.empty() && !m_busy);
}

bool MergerJob::isStopped() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state == State::Stopped;
}

bool MergerJob::isFailed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state == State::Failed;
}

bool MergerJob::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state != State::Running || (m_tasks.empty() && !m_busy))
        return false;
    m_stopRequested = true;
    m_state = State::Stopped;
    m_changed.notify_all();
    return true;
}

void MergerJob::run()
{
    RangeTranscoder transcoder(m_encoder, m_rate, m_channels);
    uint64_t merged = 0;
    for (;;) {
        Task task;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_busy = false;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_stopRequested || m_closing || !m_tasks.empty(); });
            if (m_stopRequested || m_tasks.empty())
                return; // stopped, or closing with everything merged
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
            m_busy = true;
        }
        std::string error;
        const bool ok = transcoder.run(*task.input, task.stream, task.settings, task.startUs,
                                       task.durationUs, m_stopRequested,
                                       [&](uint64_t fedUs) { m_doneUs = merged + std::min(fedUs, task.lengthUs); },
                                       &error);
        merged += task.lengthUs;
        m_doneUs = merged;
        if (!ok) {
            if (!m_stopRequested)
                fail(error.empty() ? m_muxer.errorText() : error);
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_state == State::Running)
                m_state = State::Failed;
            m_busy = false;
            m_changed.notify_all();
            return;
        }
    }
}

bool MergerJob::close()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
        m_changed.notify_all();
    }
    if (m_worker.joinable())
        m_worker.join();
    State state;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        state = m_state;
    }
    bool completed = false;
    if (state == State::Running || state == State::Open) {
        completed = m_encoder.flush() && m_muxer.finish(m_encoder.encodedSamples());
        if (!completed)
            fail(m_encoder.errorText().empty() ? m_muxer.errorText() : m_encoder.errorText());
    }
    m_muxer.abandon();
    m_encoder.close();
    if (!completed && state != State::Idle && state != State::Closed && !m_output.empty()
        && std::remove(m_output.c_str()) != 0 && errno != ENOENT)
        logError("merger: cannot remove the unfinished " + m_output);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_tasks.clear();
    if (m_state != State::Stopped && m_state != State::Failed)
        m_state = State::Closed;
    return completed;
}

} // namespace rz
