#include "converter/converterjob.h"

#include "internal/audiosamples.h"
#include "internal/codecids.h"
#include "internal/convertconfig.h"
#include "internal/error.h"
#include "internal/rangetranscoder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace rz {

namespace {

bool hasEnded(ConverterJob::State s)
{
    return s == ConverterJob::State::Completed || s == ConverterJob::State::Failed
           || s == ConverterJob::State::Stopped;
}

// Tag keys the configuration may carry as text; the cover goes in through
// the tag-file object.
const char *const kTextTags[] = {"title", "artist", "album_artist", "composer", "album",
                                 "genre", "track",  "year",         "date",     "grouping",
                                 "comment", "disc", "copyright"};

} // namespace

ConverterJob::ConverterJob(Kind kind) : Handle(kRole), m_kind(kind) {}

ConverterJob::~ConverterJob()
{
    close();
}

bool ConverterJob::fail(const std::string &what)
{
    logError("converter: " + what);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_error = what;
    return false;
}

const char *ConverterJob::errorTextForCaller() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_errorCopy = m_error;
    return m_errorCopy.c_str();
}

ConverterJob::State ConverterJob::state() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

bool ConverterJob::checkOutput() const
{
    struct stat out {};
    if (stat(m_output.c_str(), &out) != 0)
        return true;
    if (!S_ISREG(out.st_mode))
        return false;
    struct stat in {};
    return stat(m_source.c_str(), &in) != 0 || in.st_dev != out.st_dev || in.st_ino != out.st_ino;
}

AudioFilterSettings ConverterJob::filterSettings(const ConvertConfig *config)
{
    AudioFilterSettings settings;
    if (!config)
        return settings;
    settings.volume = int(std::clamp<int64_t>(config->intOr("audio.volume", 100), 0, 10000));
    settings.speed = int(std::clamp<int64_t>(config->intOr("audio.speed", 100), 1, 10000));
    settings.rate = int(std::clamp<int64_t>(config->intOr("audio.rate", 100), 1, 10000));
    const size_t n = std::min(config->equalizerBands.size(), config->equalizerGains.size());
    for (size_t i = 0; i < n; ++i)
        settings.bands.push_back({config->equalizerBands[i], config->equalizerGains[i]});
    return settings;
}

AVDictionary *ConverterJob::outputTags(const ConvertConfig *config) const
{
    // The source's tags come along (Ogg keeps them on the stream); tags of
    // the configuration that are not empty replace them.
    AVDictionary *tags = nullptr;
    av_dict_copy(&tags, m_input.format()->metadata, 0);
    av_dict_copy(&tags, m_input.format()->streams[m_audioStream]->metadata, 0);
    // The source's own length, as some containers keep it, is not the output's.
    av_dict_set(&tags, "DURATION", nullptr, 0);
    if (!config)
        return tags;
    for (const char *key : kTextTags) {
        const BufferHandle *value = config->metadata(key);
        if (value && !value->bytes.empty())
            av_dict_set(&tags, key, value->bytes.c_str(), 0);
    }
    return tags;
}

bool ConverterJob::openEncoder(const ConvertConfig *config, const AVOutputFormat *format)
{
    const AVCodecParameters *source = m_input.format()->streams[m_audioStream]->codecpar;
    AudioEncoderSettings enc;
    const std::string encoderName = config ? config->textOr("audio.encoder") : std::string();
    const int64_t id = config ? config->intOr("audio.codec", 0) : 0;
    if (!encoderName.empty()) {
        const AVCodec *byName = avcodec_find_encoder_by_name(encoderName.c_str());
        if (!byName)
            return fail("no encoder named " + encoderName);
        enc.codec = byName->id;
    } else if (id > 0) {
        enc.codec = toAVCodecId(uint32_t(id));
        if (enc.codec == AV_CODEC_ID_NONE)
            return fail("unknown audio codec id " + std::to_string(id));
    } else if (avformat_query_codec(format, source->codec_id, FF_COMPLIANCE_NORMAL) == 1
               && avcodec_find_encoder(source->codec_id)) {
        // The source's codec when the format surely carries it (an Opus file
        // stays Opus); otherwise the format's own.
        enc.codec = source->codec_id;
    } else {
        enc.codec = AudioMuxer::defaultAudioCodec(format);
    }
    if (!AudioMuxer::canCarry(format, enc.codec))
        return fail(std::string("the format ") + format->name + " cannot carry "
                    + avcodec_get_name(enc.codec));
    const int sourceChannels = std::max(1, source->ch_layout.nb_channels);
    enc.sampleRate = int(config ? config->uintOr("audio.sample_rate", uint64_t(source->sample_rate))
                                : uint64_t(source->sample_rate));
    enc.channels = int(config ? config->uintOr("audio.channels", uint64_t(sourceChannels))
                              : uint64_t(sourceChannels));
    if (enc.sampleRate <= 0 || enc.sampleRate > 768000)
        enc.sampleRate = 44100;
    if (enc.channels <= 0 || enc.channels > 8)
        enc.channels = 2;
    enc.bitRate = int64_t(config ? config->uintOr("audio.bitrate", 0) : 0);
    // Re-encoding with the source's own codec keeps its bit rate.
    if (enc.bitRate <= 0 && enc.codec == source->codec_id)
        enc.bitRate = source->bit_rate;
    enc.globalHeader = format->flags & AVFMT_GLOBALHEADER;
    m_encodeRate = enc.sampleRate;
    m_encodeChannels = enc.channels;
    if (!m_encoder.open(enc, m_encodeRate, m_encodeChannels,
                        [this](AVPacket *p) { return m_muxer.writePacket(p, m_encoder.timeBase()); }))
        return fail(m_encoder.errorText());
    return true;
}

bool ConverterJob::prepare(const std::string &source, const std::string &output,
                           const std::string &muxer, const ConvertConfig *config,
                           const int *discTitle)
{
    if (state() != State::Idle)
        return fail("prepare: the job is already prepared");
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_error.clear();
    }
    m_source = source;
    m_output = output;
    m_startUs = m_durationUs = 0;
    m_totalUs = m_doneUs = 0;
    if (source.empty() || output.empty())
        return fail("prepare: no source or output path");
    if (!checkOutput())
        return fail("prepare: refusing to write over " + output);
    if (!(discTitle ? m_input.openDvdTitle(source, *discTitle) : m_input.open(source)))
        return fail("cannot open " + source);
    m_audioStream = m_input.bestStream(AVMEDIA_TYPE_AUDIO);
    m_format = AudioMuxer::findFormat(muxer, output);
    m_chapters.clear();
    if (config)
        for (const ConfigChapter &c : config->chapters)
            m_chapters.push_back({c.start, c.duration, c.title});
    if (m_audioStream < 0 || !m_format) {
        m_input.close();
        return fail(m_audioStream < 0 ? source + " holds no sound" : "unknown format \"" + muxer + "\"");
    }
    if (m_kind == Kind::StreamCopy) {
        // Created here so that an output that cannot be written fails now.
        std::FILE *f = std::fopen(output.c_str(), "wb");
        if (!f) {
            m_input.close();
            return fail("cannot create " + output);
        }
        std::fclose(f);
        m_outputCreated = true;
    } else {
        m_filterSettings = filterSettings(config);
        // The sound must be decodable before the output is created.
        MediaDecoder probe(m_input);
        if (!probe.addStream(m_audioStream) || !openEncoder(config, m_format)) {
            close();
            return fail("cannot convert the sound of " + source);
        }
        AVDictionary *tags = outputTags(config);
        const bool opened = m_muxer.open(output, m_format, m_encoder.context(), tags, m_chapters);
        av_dict_free(&tags);
        if (!opened) {
            close();
            return fail(m_muxer.errorText());
        }
        m_outputCreated = true;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state = State::Prepared;
    return true;
}

bool ConverterJob::setRange(uint64_t startUs, uint64_t durationUs)
{
    if (state() != State::Prepared)
        return fail("time range: the job is not prepared");
    m_startUs = startUs;
    m_durationUs = durationUs;
    return true;
}

bool ConverterJob::start()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state != State::Prepared) {
        m_error = "start: the job is not prepared";
        logError("converter: " + m_error);
        return false;
    }
    const uint64_t length = m_input.durationUs();
    if (length > 0 && m_startUs >= length) {
        m_error = "start: the range begins after the end of the source";
        logError("converter: " + m_error);
        return false;
    }
    uint64_t total = length > m_startUs ? length - m_startUs : 0;
    if (m_durationUs > 0)
        total = total > 0 ? std::min(total, m_durationUs) : m_durationUs;
    m_totalUs = total;
    m_doneUs = 0;
    m_stopRequested = false;
    m_state = State::Running;
    m_worker = std::thread([this] { run(); });
    return true;
}

bool ConverterJob::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state != State::Running)
        return false;
    m_stopRequested = true;
    return true;
}

bool ConverterJob::waitEnded(uint32_t ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_ended.wait_for(lock, std::chrono::milliseconds(ms), [this] { return hasEnded(m_state); });
}

void ConverterJob::close()
{
    m_stopRequested = true;
    if (m_worker.joinable())
        m_worker.join();
    m_muxer.abandon();
    m_encoder.close();
    m_input.close();
    if (state() != State::Completed)
        discardOutput();
    m_outputCreated = false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state = State::Idle;
}

void ConverterJob::discardOutput()
{
    // The stream copy removes its own output; gone is fine.
    if (m_outputCreated && std::remove(m_output.c_str()) != 0 && errno != ENOENT)
        logError("converter: cannot remove the unfinished " + m_output);
    m_outputCreated = false;
}

void ConverterJob::end(State state)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state = state;
    }
    m_ended.notify_all();
}

void ConverterJob::run()
{
    const bool ok = m_kind == Kind::Standard ? runStandard() : runStreamCopy();
    const State result = m_stopRequested ? State::Stopped : ok ? State::Completed : State::Failed;
    if (result != State::Completed) {
        m_muxer.abandon();
        discardOutput();
    } else {
        m_doneUs = m_totalUs.load();
    }
    end(result);
}

bool ConverterJob::runStreamCopy()
{
    StreamCopyPlan plan;
    plan.streams = {m_audioStream};
    plan.startUs = m_startUs;
    plan.durationUs = m_durationUs;
    plan.chapters = m_chapters;
    plan.progress = [this](uint64_t done) {
        m_doneUs = std::min(done, m_totalUs.load());
        return !m_stopRequested;
    };
    std::string error;
    if (streamCopy(m_input, m_output, m_format, plan, &error))
        return true;
    return m_stopRequested ? false : fail(error);
}

bool ConverterJob::runStandard()
{
    RangeTranscoder transcoder(m_encoder, m_encodeRate, m_encodeChannels);
    std::string error;
    const bool fed = transcoder.run(
        m_input, m_audioStream, m_filterSettings, m_startUs, m_durationUs, m_stopRequested,
        [this](uint64_t fedUs) { m_doneUs = std::min<uint64_t>(fedUs, m_totalUs.load()); }, &error);
    if (!fed) {
        if (m_stopRequested)
            return false;
        // An encoder that cannot write names the muxer's reason.
        return fail(error.empty() ? m_muxer.errorText() : error);
    }
    if (!m_encoder.flush())
        return fail(m_encoder.errorText().empty() ? m_muxer.errorText() : m_encoder.errorText());
    if (!m_muxer.finish(m_encoder.encodedSamples()))
        return fail(m_muxer.errorText());
    return true;
}

} // namespace rz
