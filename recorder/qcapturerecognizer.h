#pragma once
// Feeds the system-sound blocks of a capture run to the track recogniser and
// hands its tags on once it has recognised the track.

#include "media/jxrecognizeraudiotaginfo.h"
#include "recorder/iaudiorecognizerfeed.h"

#include <QObject>

class JXAudioRecognizer;

class QCaptureRecognizer : public QObject, public IAudioRecognizerFeed
{
    Q_OBJECT
public:
    explicit QCaptureRecognizer(QObject *parent = nullptr);
    ~QCaptureRecognizer() override;

    void setSource(const QByteArray &source) override;
    void beginRun() override;
    void beginRunAfterCut() override;
    bool isCompleted() override;
    void feed(const AudioFrame &frame) override;
    void deliverResult() override;
    bool completeAtEnd() override;
    void endRun() override;

    // The sound this run's recognition took, in bytes as captured (it takes
    // none past JXAudioRecognizer::kMaxPushedBytes).
    quint64 takenBytes() const;

signals:
    // Emitted on the capture thread; reaches other threads queued.
    void recognized(JXRecognizerAudioTagInfo info);

private:
    JXAudioRecognizer *m_recognizer;
    void *m_frame;
};
