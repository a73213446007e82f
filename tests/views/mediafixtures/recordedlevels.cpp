#include "recordedlevels.h"

#include "rzcodec/codecids.h"
#include "rzcodec/config.h"
#include "rzcodec/recorder.h"

#include <QElapsedTimer>
#include <QString>
#include <QThread>
#include <QtEndian>

#include <cstring>
#include <vector>

namespace RecordedLevels {

namespace {
constexpr int kBuffer = 1024;
constexpr int kRate = 44100;
} // namespace

QVector<float> constant(float value, double seconds)
{
    return QVector<float>(int(seconds * kRate) * 2, value);
}

QVector<QByteArray> record(const QVector<float> &stereo, const QString &wavPath)
{
    QVector<QByteArray> blocks;
    void *config = rz_config_create();
    rz_config_set_audio_codec(config, RZ_CODEC_PCM_S16LE);
    rz_config_set_audio_channels(config, 2);
    rz_config_set_audio_sample_rate(config, kRate);
    void *rec = rz_recorder_create(-1);
    void *frame = rz_audioframe_create();
    if (rz_recorder_open(rec, wavPath.toUtf8().constData(), "wav", config)
        && rz_recorder_run(rec)) {
        rz_audioframe_set_format(frame, RZ_SAMPLE_FLOAT, kRate, 2, 3);
        const int frames = stereo.size() / 2;
        for (int at = 0; at < frames; at += kBuffer) {
            const int n = qMin(kBuffer, frames - at);
            rz_audioframe_set_data(frame, stereo.constData() + 2 * at, uint32_t(n));
            rz_audioframe_set_timestamp(frame, uint64_t(at) * 1000000ULL / kRate);
            rz_recorder_push_frame(rec, frame);
            // The recorder takes the sound on its own thread: wait until it
            // has recorded this buffer, as a 50 ms display timer would.
            const uint64_t pushedUs = uint64_t(at + n) * 1000000ULL / kRate;
            QElapsedTimer waited;
            waited.start();
            while (rz_recorder_get_time(rec) + 1 < pushedUs && waited.elapsed() < 30000)
                QThread::msleep(1);
            if (rz_recorder_get_time(rec) + 1 < pushedUs) {
                // Blocks of a buffer not yet recorded would not be the ones asked for.
                qWarning("recorder: buffer at %d frames not recorded within 30 s", at);
                blocks.clear();
                break;
            }
            if (unsigned char *block = rz_recorder_get_level_block(rec, 1)) {
                const quint32 bytes = qFromLittleEndian<quint32>(block + 40);
                blocks.append(QByteArray(reinterpret_cast<const char *>(block), int(44 + bytes)));
                rz_level_block_free(block);
            }
        }
        rz_recorder_stop(rec);
        rz_recorder_finish(rec);
    } else {
        qWarning("recorder: %s", rz_recorder_error_text(rec));
    }
    rz_audioframe_release(frame);
    rz_recorder_release(rec);
    rz_config_release(config);
    return blocks;
}

int rateOf(const QByteArray &block)
{
    return int(qFromLittleEndian<quint32>(block.constData() + 24) / 2);
}

int sampleCount(const QByteArray &block)
{
    return int(qFromLittleEndian<quint32>(block.constData() + 40) / 2);
}

unsigned short sampleAt(const QByteArray &block, int index)
{
    return qFromLittleEndian<quint16>(block.constData() + 44 + 2 * index);
}

void setSample(QByteArray &block, int index, unsigned short value)
{
    block[44 + 2 * index] = char(value & 0xff);
    block[45 + 2 * index] = char(value >> 8);
}

QByteArray makeBlock(const QVector<unsigned short> &samples, int sampleRate)
{
    std::vector<unsigned char> b(size_t(44 + 2 * samples.size()), 0);
    auto put = [&b](size_t at, quint32 value, int size) {
        for (int k = 0; k < size; ++k)
            b[at + size_t(k)] = uchar(value >> (8 * k));
    };
    const quint32 dataBytes = quint32(2 * samples.size());
    std::memcpy(b.data(), "RIFF", 4);
    put(4, 36 + dataBytes, 4);
    std::memcpy(b.data() + 8, "WAVEfmt ", 8);
    put(16, 16, 4);
    put(20, 1, 2); // PCM
    put(22, 1, 2); // mono
    put(24, quint32(sampleRate), 4);
    put(28, quint32(sampleRate * 2), 4);
    put(32, 2, 2);
    put(34, 16, 2);
    std::memcpy(b.data() + 36, "data", 4);
    put(40, dataBytes, 4);
    for (int i = 0; i < samples.size(); ++i)
        put(44 + 2 * size_t(i), samples[i], 2);
    return QByteArray(reinterpret_cast<const char *>(b.data()), int(b.size()));
}

} // namespace RecordedLevels
