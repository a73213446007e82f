#include "internal/audiofiltergraph.h"

#include "internal/error.h"
#include "internal/ffmpeg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <utility>


namespace rz {

namespace {

std::string layoutText(const AVChannelLayout &layout)
{
    char text[128] = {0};
    if (av_channel_layout_describe(&layout, text, sizeof text) < 0)
        return std::to_string(layout.nb_channels) + "c";
    return text;
}

// atempo takes factors from 0.5 to 100: slower tempos are chained.
void appendTempo(std::ostringstream &chain, double factor)
{
    while (factor < 0.5) {
        chain << ",atempo=0.5";
        factor /= 0.5;
    }
    char text[64];
    std::snprintf(text, sizeof text, ",atempo=%.6f", factor);
    chain << text;
}

} // namespace

bool AudioFilterSettings::isNeutral() const
{
    if (volume != 100 || speed != 100 || rate != 100)
        return false;
    return std::all_of(bands.begin(), bands.end(),
                       [](const EqualizerBand &b) { return b.gain == 0.0; });
}

bool AudioFilterSettings::canRaiseLevel() const
{
    return volume > 100
           || std::any_of(bands.begin(), bands.end(), [](const EqualizerBand &b) { return b.gain > 0.0; });
}

double AudioFilterSettings::timeRatio() const
{
    return (std::max(speed, 1) / 100.0) * (std::max(rate, 1) / 100.0);
}

bool AudioFilterSettings::operator==(const AudioFilterSettings &other) const
{
    if (volume != other.volume || speed != other.speed || rate != other.rate
        || bands.size() != other.bands.size())
        return false;
    for (size_t i = 0; i < bands.size(); ++i) {
        if (bands[i].frequency != other.bands[i].frequency || bands[i].gain != other.bands[i].gain)
            return false;
    }
    return true;
}

AudioFormat::AudioFormat(int rate, const AVChannelLayout &channels, AVSampleFormat format)
    : sampleRate(rate), sampleFormat(format)
{
    av_channel_layout_copy(&layout, &channels);
}

AudioFormat::AudioFormat(const AudioFormat &other)
    : sampleRate(other.sampleRate), sampleFormat(other.sampleFormat)
{
    av_channel_layout_copy(&layout, &other.layout);
}

AudioFormat &AudioFormat::operator=(const AudioFormat &other)
{
    if (this != &other) {
        sampleRate = other.sampleRate;
        sampleFormat = other.sampleFormat;
        av_channel_layout_uninit(&layout);
        av_channel_layout_copy(&layout, &other.layout);
    }
    return *this;
}

AudioFormat::~AudioFormat()
{
    av_channel_layout_uninit(&layout);
}

AudioFilterGraph::~AudioFilterGraph()
{
    reset();
}

void AudioFilterGraph::reset()
{
    avfilter_graph_free(&m_graph);
    m_source = nullptr;
    m_sink = nullptr;
}

std::string AudioFilterGraph::describe(const AudioFormat &in, const AudioFormat &out,
                                       const AudioFilterSettings &settings)
{
    std::ostringstream chain;
    chain.imbue(std::locale::classic());
    chain << "anull";
    // Shaping runs in float: integer samples would clip inside the filters.
    if (!settings.isNeutral())
        chain << ",aformat=sample_fmts=fltp";
    if (settings.rate > 0 && settings.rate != 100) {
        // A faster "tape": the samples are declared at a higher rate and
        // then brought back to the input rate, so pitch and tempo move together.
        const long long shifted = std::llround(in.sampleRate * (settings.rate / 100.0));
        chain << ",asetrate=" << std::max(1LL, shifted) << ",aresample=" << in.sampleRate;
    }
    if (settings.speed > 0 && settings.speed != 100)
        appendTempo(chain, settings.speed / 100.0);
    for (const EqualizerBand &band : settings.bands) {
        if (band.gain == 0.0 || band.frequency <= 0.0 || band.frequency >= in.sampleRate / 2.0)
            continue;
        char text[128];
        std::snprintf(text, sizeof text, ",equalizer=f=%.3f:t=o:w=1:g=%.3f", band.frequency,
                      band.gain);
        chain << text;
    }
    if (settings.volume != 100) {
        char text[64];
        std::snprintf(text, sizeof text, ",volume=volume=%.6f:precision=float",
                      std::max(0, settings.volume) / 100.0);
        chain << text;
    }
    if (settings.canRaiseLevel()) {
        // A boost must not clip a recording that did not: a look-ahead
        // limiter holds the peaks at -1 dBFS (room for a lossy encoder's
        // overshoot) and leaves everything below untouched, so a quiet
        // recording keeps the whole boost. Its delay is compensated.
        char text[128];
        std::snprintf(text, sizeof text,
                      ",alimiter=limit=%.6f:attack=5:release=50:level=0:latency=1",
                      kLimiterCeiling);
        chain << text;
    }
    chain << ",aresample=" << out.sampleRate << ",aformat=sample_fmts="
          << av_get_sample_fmt_name(out.sampleFormat) << ":sample_rates=" << out.sampleRate
          << ":channel_layouts=" << layoutText(out.layout);
    return chain.str();
}

bool AudioFilterGraph::configure(const AudioFormat &in, const AudioFormat &out,
                                 const AudioFilterSettings &settings, std::string *error)
{
    reset();
    auto fail = [&](const std::string &what, int code) {
        if (error)
            *error = what + (code < 0 ? ": " + avErrorText(code) : std::string());
        reset();
        return false;
    };
    if (in.sampleRate <= 0 || in.channels() <= 0 || in.sampleFormat == AV_SAMPLE_FMT_NONE
        || out.sampleRate <= 0 || out.channels() <= 0 || out.sampleFormat == AV_SAMPLE_FMT_NONE)
        return fail("audio filter: invalid format", 0);

    m_graph = avfilter_graph_alloc();
    if (!m_graph)
        return fail("audio filter: out of memory", AVERROR(ENOMEM));
    m_graph->nb_threads = 1;

    char args[512];
    std::snprintf(args, sizeof args,
                  "time_base=1/%d:sample_rate=%d:sample_fmt=%s:channel_layout=%s", in.sampleRate,
                  in.sampleRate, av_get_sample_fmt_name(in.sampleFormat),
                  layoutText(in.layout).c_str());
    int rc = avfilter_graph_create_filter(&m_source, avfilter_get_by_name("abuffer"), "in", args,
                                          nullptr, m_graph);
    if (rc < 0)
        return fail("audio filter: source", rc);
    rc = avfilter_graph_create_filter(&m_sink, avfilter_get_by_name("abuffersink"), "out",
                                      nullptr, nullptr, m_graph);
    if (rc < 0)
        return fail("audio filter: sink", rc);

    AVFilterInOut *outputs = avfilter_inout_alloc();
    AVFilterInOut *inputs = avfilter_inout_alloc();
    if (!outputs || !inputs) {
        avfilter_inout_free(&outputs);
        avfilter_inout_free(&inputs);
        return fail("audio filter: out of memory", AVERROR(ENOMEM));
    }
    outputs->name = av_strdup("in");
    outputs->filter_ctx = m_source;
    outputs->pad_idx = 0;
    outputs->next = nullptr;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = m_sink;
    inputs->pad_idx = 0;
    inputs->next = nullptr;

    const std::string chain = describe(in, out, settings);
    rc = avfilter_graph_parse_ptr(m_graph, chain.c_str(), &inputs, &outputs, nullptr);
    avfilter_inout_free(&outputs);
    avfilter_inout_free(&inputs);
    if (rc < 0)
        return fail("audio filter: " + chain, rc);
    rc = avfilter_graph_config(m_graph, nullptr);
    if (rc < 0)
        return fail("audio filter: " + chain, rc);

    m_in = in;
    m_out = out;
    m_settings = settings;
    return true;
}

void AudioFilterGraph::swap(AudioFilterGraph &other)
{
    std::swap(m_graph, other.m_graph);
    std::swap(m_source, other.m_source);
    std::swap(m_sink, other.m_sink);
    std::swap(m_in, other.m_in);
    std::swap(m_out, other.m_out);
    std::swap(m_settings, other.m_settings);
}

void AudioFilterGraph::setOutputFrameSize(unsigned samples)
{
    if (m_sink)
        av_buffersink_set_frame_size(m_sink, samples);
}

int AudioFilterGraph::push(AVFrame *frame)
{
    if (!m_source)
        return AVERROR(EINVAL);
    return av_buffersrc_add_frame_flags(m_source, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
}

int AudioFilterGraph::pull(AVFrame *frame)
{
    if (!m_sink)
        return AVERROR(EINVAL);
    return av_buffersink_get_frame(m_sink, frame);
}

} // namespace rz
