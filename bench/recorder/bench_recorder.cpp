// Ten minutes of two-source sound (music and speech) through gain, mixing and
// MP3 at 192 kbit/s in the recorder, against the same sound through
// libmp3lame alone. Prints both speeds as multiples of real time (best of
// three runs each) and their ratio.
//   bench_recorder [OUTPUT_FOLDER]

#include "rzcodec/config.h"
#include "rzcodec/codecids.h"
#include "rzcodec/recorder.h"
#include "twosourcefeed.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = TwoSourceFeed::kRate;
constexpr int kSeconds = 600;

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double recorderRun(const std::string &path)
{
    void *rec = rz_recorder_create(-1);
    void *stream = rz_stream_create(RZ_MEDIA_AUDIO);
    void *config = rz_config_create();
    rz_config_set_audio_codec(config, RZ_CODEC_MP3);
    rz_config_set_audio_sample_rate(config, kRate);
    rz_config_set_audio_channels(config, 2);
    rz_config_set_audio_bitrate(config, 192000);
    rz_config_set_input_count(config, 2);
    rz_config_add_input_stream(config, stream);
    if (!rz_recorder_open(rec, path.c_str(), "mp3", config) || !rz_recorder_run(rec)) {
        std::fprintf(stderr, "cannot record into %s\n", path.c_str());
        return 0;
    }
    double elapsed = 0;
    {
        // The sound is made before the clock starts, as the encoder's is.
        TwoSourceFeed feed(rec, stream);
        const auto start = std::chrono::steady_clock::now();
        feed.pushUntil(uint64_t(kSeconds) * kRate);
        rz_recorder_stop(rec);
        rz_recorder_finish(rec);
        elapsed = seconds(std::chrono::steady_clock::now() - start);
    }
    rz_recorder_release(rec);
    rz_stream_release(stream);
    rz_config_release(config);
    return elapsed;
}

// The same sound, mixed beforehand, straight into the encoder.
double encoderRun(const std::vector<float> &system, const std::vector<float> &mic)
{
    const AVCodec *codec = avcodec_find_encoder_by_name("libmp3lame");
    AVCodecContext *c = avcodec_alloc_context3(codec);
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->sample_rate = kRate;
    c->bit_rate = 192000;
    av_channel_layout_default(&c->ch_layout, 2);
    c->time_base = AVRational{1, kRate};
    if (avcodec_open2(c, codec, nullptr) < 0)
        return 0;
    AVFrame *frame = av_frame_alloc();
    AVPacket *pkt = av_packet_alloc();
    const int size = c->frame_size;
    const uint64_t total = uint64_t(kSeconds) * kRate;
    size_t bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (uint64_t at = 0; at + uint64_t(size) <= total; at += uint64_t(size)) {
        frame->nb_samples = size;
        frame->format = c->sample_fmt;
        av_channel_layout_copy(&frame->ch_layout, &c->ch_layout);
        av_frame_get_buffer(frame, 0);
        auto *l = reinterpret_cast<float *>(frame->data[0]);
        auto *r = reinterpret_cast<float *>(frame->data[1]);
        for (int i = 0; i < size; ++i) {
            const size_t k = size_t((at + uint64_t(i)) % (system.size() / 2)) * 2;
            const size_t m = size_t((at + uint64_t(i)) % (mic.size() / 2)) * 2;
            l[i] = system[k] * 0.8f + mic[m];
            r[i] = system[k + 1] * 0.8f + mic[m + 1];
        }
        frame->pts = int64_t(at);
        avcodec_send_frame(c, frame);
        av_frame_unref(frame);
        while (avcodec_receive_packet(c, pkt) == 0) {
            bytes += size_t(pkt->size);
            av_packet_unref(pkt);
        }
    }
    avcodec_send_frame(c, nullptr);
    while (avcodec_receive_packet(c, pkt) == 0)
        av_packet_unref(pkt);
    const double elapsed = seconds(std::chrono::steady_clock::now() - start);
    av_packet_free(&pkt);
    av_frame_free(&frame);
    avcodec_free_context(&c);
    return bytes ? elapsed : 0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const std::vector<float> system = TwoSourceFeed::music();
    const std::vector<float> mic = TwoSourceFeed::speech();
    // Best of three runs each, taken in turn, so that a busy machine weighs on both alike.
    double rec = 0, enc = 0;
    for (int round = 0; round < 3; ++round) {
        const double e = encoderRun(system, mic);
        const double r = recorderRun(folder + "/bench_recorder.mp3");
        enc = round == 0 || (e > 0 && e < enc) ? e : enc;
        rec = round == 0 || (r > 0 && r < rec) ? r : rec;
    }
    if (rec <= 0 || enc <= 0) {
        std::fprintf(stderr, "benchmark failed\n");
        return 1;
    }
    const double recSpeed = kSeconds / rec, encSpeed = kSeconds / enc;
    std::printf("recorder (gain, two-input mix, MP3 192k, file): %.1fx real time (%.2f s)\n", recSpeed, rec);
    std::printf("libmp3lame alone (192k):                        %.1fx real time (%.2f s)\n", encSpeed, enc);
    std::printf("recorder / encoder: %.2f (target 0.85 or more)\n", recSpeed / encSpeed);
    std::remove((folder + "/bench_recorder.mp3").c_str());
    return 0;
}
