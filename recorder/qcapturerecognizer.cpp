#include "recorder/qcapturerecognizer.h"
#include "recorder/recorderlog.h"

#include "media/jxaudiorecognizer.h"
#include "rzcodec/recorder.h"

#include <QDebug>

namespace {
// Float samples, 44100 Hz, two channels, stereo layout.
constexpr uint32_t floatFormat = RZ_SAMPLE_FLOAT;
constexpr uint32_t rate = 44100;
constexpr uint32_t channels = 2;
constexpr uint32_t stereoLayout = 3;
} // namespace

QCaptureRecognizer::QCaptureRecognizer(QObject *parent)
    : QObject(parent), m_recognizer(new JXAudioRecognizer(this)), m_frame(rz_audioframe_create())
{
    JXRecognizerAudioTagInfo::registerMetaType();
    if (m_frame)
        rz_audioframe_set_format(m_frame, floatFormat, rate, channels, stereoLayout);
}

QCaptureRecognizer::~QCaptureRecognizer()
{
    m_recognizer->ReleaseAudioRecognizer();
    if (m_frame)
        rz_audioframe_release(m_frame);
}

void QCaptureRecognizer::setSource(const QByteArray &source)
{
    m_recognizer->setSource(source);
}

void QCaptureRecognizer::beginRun()
{
    JXRecognizerAudioFormat format;
    format.sampleFormat = floatFormat;
    format.sampleRate = rate;
    format.channels = channels;
    format.fourth = stereoLayout;
    m_recognizer->CreateAudioRecognizer(format);
}

void QCaptureRecognizer::beginRunAfterCut()
{
    m_recognizer->followCut();
    beginRun();
}

bool QCaptureRecognizer::isCompleted()
{
    return m_recognizer->GetRecognizerCompleted();
}

void QCaptureRecognizer::feed(const AudioFrame &frame)
{
    if (!m_frame || !frame.data)
        return;
    rz_audioframe_set_data(m_frame, frame.data, frame.size / (channels * sizeof(float)));
    rz_audioframe_set_timestamp(m_frame, frame.timestamp);
    m_recognizer->RecognizerAudioFrane(m_frame);
}

void QCaptureRecognizer::deliverResult()
{
    // The recognition goes on until the run ends: what it hears last is what
    // the file a cut makes next may not be named after.
    const JXRecognizerAudioTagInfo info = m_recognizer->GetAudioTagInfo();
    qCDebug(lcRecorder) << "recognised:" << info.title << "/" << info.artist << "/" << info.album;
    emit recognized(info);
}

bool QCaptureRecognizer::completeAtEnd()
{
    return m_recognizer->completeAtEnd();
}

quint64 QCaptureRecognizer::takenBytes() const
{
    return m_recognizer->pushedBytes();
}

void QCaptureRecognizer::endRun()
{
    m_recognizer->ReleaseAudioRecognizer();
}
