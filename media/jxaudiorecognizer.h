#pragma once
// Recognises the tags of the music being recorded (live: the capture pushes
// its frames) or of a file, through the codec layer's recogniser.

#include "media/jxrecognizeraudiotaginfo.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>

// Sample-format code, sample rate, channels, and a fourth word handed to the
// stream object only when not 0.
struct JXRecognizerAudioFormat {
    uint32_t sampleFormat = 0;
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    uint32_t fourth = 0;
};

class JXAudioRecognizer : public QObject
{
    Q_OBJECT
public:
    using Track = void *; // a stream object of the codec layer whose sound is recognised
    using Frame = void *; // an audio frame of the codec layer

    // Pushing stops once the stream holds more than this many bytes.
    static constexpr uint64_t kMaxPushedBytes = 134217728;

    explicit JXAudioRecognizer(QObject *parent = nullptr);
    ~JXAudioRecognizer() override;

    bool GetRecognizerCompleted() const;
    JXRecognizerAudioTagInfo GetAudioTagInfo() const;
    static uint32_t getBitDepth(uint32_t sampleFormat);

    // The sound source a live recognition hears (the capture's source name):
    // only what plays into the output it monitors can name the recording.
    // Kept across recognitions; none at first, so nothing is named.
    void setSource(const QByteArray &source);

    // The next live recognition names a file that follows a cut: the track
    // heard last before names it only once another was heard, or when it
    // still holds at completeAtEnd (rz_recognizer_follow_cut).
    void followCut();
    // The sound of a live recognition ends: a track held back that still
    // holds completes it. Whether the recognition is complete.
    bool completeAtEnd();

    bool isRunning() const { return m_running; }
    bool isComplete() const { return m_complete; }
    bool isFull() const { return m_full; }
    // The bytes of sound the live recognition took, as they were pushed.
    uint64_t pushedBytes() const;

public slots:
    void CreateAudioRecognizer(JXRecognizerAudioFormat format);
    void CreateAudioRecognizer(Track track);
    void CreateAudioRecognizerFromFilepath(QString path);
    void StopRecognizer();
    void RecognizerAudioFrane(Frame frame);
    void ReleaseAudioRecognizer();

private:
    void openAndStart();

    bool m_running = false;
    bool m_complete = false;
    bool m_full = false;
    void *m_stream = nullptr;
    void *m_recognizer = nullptr;
    JXRecognizerAudioFormat m_format;
};
