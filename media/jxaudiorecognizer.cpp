#include "media/jxaudiorecognizer.h"

#include "media/jxnowplaying.h"

#include "rzcodec/recognizer.h"
#include "rzcodec/recorder.h"

namespace {
// "AFRM" in memory order.
constexpr uint32_t kStreamTag = 0x4D524641;
} // namespace

JXAudioRecognizer::JXAudioRecognizer(QObject *parent) : QObject(parent)
{
    JXNowPlaying::acquire();
    JXRecognizerAudioTagInfo::registerMetaType();
    m_recognizer = rz_recognizer_create(0xFFFFFFFF);
}

JXAudioRecognizer::~JXAudioRecognizer()
{
    ReleaseAudioRecognizer();
    if (m_recognizer) {
        rz_recognizer_release(m_recognizer);
        m_recognizer = nullptr;
    }
    JXNowPlaying::release();
}

uint32_t JXAudioRecognizer::getBitDepth(uint32_t sampleFormat)
{
    switch (sampleFormat) {
    case 0: return 8;
    case 1: return 16;
    case 2:
    case 3: return 32;
    case 4: return 64;
    default: return 0;
    }
}

void JXAudioRecognizer::setSource(const QByteArray &source)
{
    if (m_recognizer)
        rz_recognizer_set_source(m_recognizer, source.constData());
}

void JXAudioRecognizer::followCut()
{
    if (m_recognizer)
        rz_recognizer_follow_cut(m_recognizer);
}

bool JXAudioRecognizer::completeAtEnd()
{
    if (m_recognizer && m_running)
        rz_recognizer_end(m_recognizer);
    return GetRecognizerCompleted();
}

void JXAudioRecognizer::ReleaseAudioRecognizer()
{
    if (m_recognizer) {
        rz_recognizer_stop(m_recognizer);
        rz_recognizer_close(m_recognizer);
    }
    if (m_stream) {
        rz_stream_release(m_stream);
        m_stream = nullptr;
    }
    m_format = JXRecognizerAudioFormat();
    m_running = m_complete = m_full = false;
}

void JXAudioRecognizer::openAndStart()
{
    if (!m_recognizer || !m_stream)
        return;
    if (!rz_recognizer_open(m_recognizer, nullptr, m_stream, nullptr))
        return;
    m_running = rz_recognizer_start(m_recognizer) == 1;
}

void JXAudioRecognizer::CreateAudioRecognizer(JXRecognizerAudioFormat format)
{
    ReleaseAudioRecognizer();
    m_format = format;
    m_stream = rz_stream_create(RZ_MEDIA_AUDIO);
    if (!m_stream)
        return;
    rz_stream_set_tag(m_stream, kStreamTag);
    rz_stream_set_sample_rate(m_stream, format.sampleRate);
    rz_stream_set_channels(m_stream, format.channels);
    rz_stream_set_sample_format(m_stream, format.sampleFormat);
    rz_stream_set_bit_depth(m_stream, getBitDepth(format.sampleFormat));
    if (format.fourth)
        rz_stream_set_channel_layout(m_stream, format.fourth);
    openAndStart();
}

void JXAudioRecognizer::CreateAudioRecognizer(Track track)
{
    ReleaseAudioRecognizer();
    m_stream = track ? rz_stream_create_from_track(track) : nullptr;
    openAndStart();
}

void JXAudioRecognizer::CreateAudioRecognizerFromFilepath(QString path)
{
    ReleaseAudioRecognizer();
    if (m_recognizer && rz_recognizer_open_file(m_recognizer, path.toUtf8().constData()))
        rz_recognizer_start(m_recognizer);
}

void JXAudioRecognizer::StopRecognizer()
{
    if (m_recognizer)
        rz_recognizer_stop(m_recognizer);
}

void JXAudioRecognizer::RecognizerAudioFrane(Frame frame)
{
    if (!frame || !m_running || m_complete)
        return;
    if (rz_recognizer_completed(m_recognizer) == 1) {
        m_complete = true;
        return;
    }
    if (rz_stream_pushed_bytes(m_stream) > kMaxPushedBytes) {
        m_full = true;
        return;
    }
    if (!m_full)
        rz_stream_push_frame(m_stream, frame);
}

uint64_t JXAudioRecognizer::pushedBytes() const
{
    return m_stream ? rz_stream_pushed_bytes(m_stream) : 0;
}

bool JXAudioRecognizer::GetRecognizerCompleted() const
{
    return m_recognizer && rz_recognizer_completed(m_recognizer) == 1;
}

JXRecognizerAudioTagInfo JXAudioRecognizer::GetAudioTagInfo() const
{
    JXRecognizerAudioTagInfo info;
    if (!m_recognizer)
        return info;
    struct Field {
        const char *key;
        QByteArray JXRecognizerAudioTagInfo::*field;
    };
    static const Field fields[] = {
        {"title", &JXRecognizerAudioTagInfo::title},
        {"artist", &JXRecognizerAudioTagInfo::artist},
        {"album", &JXRecognizerAudioTagInfo::album},
        {"album_artist", &JXRecognizerAudioTagInfo::album_artist},
        {"comment", &JXRecognizerAudioTagInfo::comment},
        {"composer", &JXRecognizerAudioTagInfo::composer},
        {"copyright", &JXRecognizerAudioTagInfo::copyright},
        {"date", &JXRecognizerAudioTagInfo::date},
        {"disc", &JXRecognizerAudioTagInfo::disc},
        {"dvd_clip", &JXRecognizerAudioTagInfo::dvd_clip},
        {"dvd_size", &JXRecognizerAudioTagInfo::dvd_size},
        {"genre", &JXRecognizerAudioTagInfo::genre},
        {"grouping", &JXRecognizerAudioTagInfo::grouping},
        {"lyrics", &JXRecognizerAudioTagInfo::lyrics},
        {"track", &JXRecognizerAudioTagInfo::track},
        {"year", &JXRecognizerAudioTagInfo::year},
    };
    for (const Field &f : fields) {
        uint32_t length = 0;
        if (const void *v = rz_recognizer_value(m_recognizer, f.key, &length))
            info.*f.field = QByteArray(static_cast<const char *>(v), int(length));
    }
    uint32_t length = 0;
    if (const void *cover = rz_recognizer_value(m_recognizer, "cover_image", &length)) {
        info.cover_image = QByteArray(static_cast<const char *>(cover), int(length));
        info.coverLength = qint32(length);
    }
    return info;
}
