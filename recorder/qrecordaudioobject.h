#pragma once
// One capture source of a recording on a thread of its own: track 1 records
// the computer's sound from the loop-back device's monitor, track 2 the
// default input. The stream is re-cut into blocks of 1024 frames of float
// stereo at 44100 Hz, time-stamped by sample count, and handed on: through
// a five-block queue, the gain and the recogniser into the recorder, or,
// when the recorder mixes this source in as its second input, straight into
// the input stream object.

#include "media/jxrecognizeraudiotaginfo.h"
#include "recorder/audioframe.h"
#include "recorder/qutilthread.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class DefaultOutputWatch;
class IAudioFrameSink;
class IAudioRecognizerFeed;
class PulseCaptureStream;
class QCaptureRecognizer;
class PulseContext;
class QAudioBuffer;
class QAudioFrameBuffer;

class QRecordAudioObject : public QObject, public QUtilThread
{
    Q_OBJECT
public:
    enum Track { SystemSoundTrack = 1, MicrophoneTrack = 2 };
    static constexpr int SampleRate = 44100;
    static constexpr int Channels = 2;
    static constexpr int BlockFrames = 1024;
    // What the sound server hands over at once: 46 ms, just under the 50 ms
    // at which the level display takes the newest sound, so each of its
    // blocks has new sound, with half the wake-ups of a block per fragment.
    static constexpr int FragmentFrames = 2 * BlockFrames;
    static constexpr int QueuedBlocks = 5;

    QRecordAudioObject(int track, QObject *parent = nullptr, PulseContext *ctx = nullptr);
    ~QRecordAudioObject() override;

    int track() const { return m_track; }
    // The recorder's main input (not owned; null when this track feeds the input stream).
    void setRecorder(IAudioFrameSink *recorder);
    // The stream object the recorder mixes in as its second input; kept, and
    // fed across restarts, until another is set.
    void setInputStream(std::shared_ptr<IAudioFrameSink> stream);
    std::shared_ptr<IAudioFrameSink> getTrack() const;
    // Fed with the blocks that go into the recorder (not owned). Without one,
    // the first run creates the track recogniser, kept for later runs.
    void setRecognizer(IAudioRecognizerFeed *recognizer);

    // Starts a run; true once its source records, false when the source
    // cannot be opened or the thread does not start in time (errorString()).
    bool setStart();
    // Stops the run: what the source had captured by now, every queued block
    // included, reaches the recorder before this returns. False on time-out.
    bool setStop();
    // The first half of setStop: what the source made until now still
    // reaches the recorder, but the run ends on its own; waitStopped (from
    // any thread) or the next start waits for it.
    void requestStop();
    // The second half: waits until the run has handed everything on. False on time-out.
    bool waitStopped();
    // Blocks are taken only while on. Turning it on after
    // holdForNextRecording() hands the held blocks on first.
    void setStartRecorder(bool on);
    // A cut: the run goes on, what it took so far reaches the current
    // recorder before this returns, and what it takes from now on waits for
    // the next recording (setStartRecorder(true)), so nothing is lost between
    // the two files. A stop drops what waits. False, the run stopped, when
    // no run captures or the worker does not answer.
    bool holdForNextRecording();
    bool isHolding() const;
    void setListend(bool on);
    bool isCapturing() const { return m_capturing.load(); }
    // The run ended by itself: its source or the sound server went away.
    bool sourceLost() const { return m_sourceLost.load(); }

    // Pull side, for a host that reads the captured audio by callback instead
    // of having it pushed: every captured block (float stereo at 44100 Hz) is
    // also kept in a ring of this many bytes, the oldest giving way. 0 turns
    // it off. Set it before a run.
    void setPullBuffer(int capacityBytes);
    // The next len bytes in capture order; what the ring lacks is silence.
    unsigned int getBuffer(unsigned char *out, unsigned int len);
    // Skips ahead to byte pos of the stream; a position behind is kept as is.
    void setSeekPos(quint64 pos);
    // A live source has no known length.
    unsigned int getLength() const { return 0xFFFFFFFFu; }
    quint64 readPosition() const { return m_readPos.load(); }
    // Bytes captured and not read yet: a read of more gets silence for the rest.
    int pullStoredBytes() const;

    QString errorString() const;
    // The source the last run recorded from.
    QByteArray sourceName() const;
    // Times the sound server dropped data of this run because it was not read in time.
    int overflows() const { return m_overflows.load(); }

public slots:
    // Gain in percent; below 99.5 the blocks are scaled down, never up.
    void setVolume(float volume);
    // Stops the run; the microphone, when still usable, starts again on the
    // then-current default input, its time stamps going on where they were.
    void resetRecorder();

signals:
    // Mean level of a block while listening; -10000 when a run ends.
    void emitVolume(int nValue);
    // The recognised tags, once per run.
    void emitRecognizedAudioTagInfo(JXRecognizerAudioTagInfo info);
    // The run ended by itself, after handing on what it had captured;
    // serverGone when the connection to the sound server was lost.
    void emitSourceLost(bool serverGone);

protected:
    void OnExecute() override;
    void stopAsked() override;

private:
    bool openSource(PulseCaptureStream &stream);
    // The run records from source now (the source name and the recogniser follow).
    void recordFrom(const QByteArray &source);
    void capture(std::unique_ptr<PulseCaptureStream> &stream);
    // System sound follows the user's choice of output: a new default output
    // is recorded from its monitor from now on. False when nothing changed
    // or the new source could not be opened (the old one goes on).
    bool followDefaultOutput(std::unique_ptr<PulseCaptureStream> &stream, std::vector<float> &samples,
                             bool streamEnded);
    void skipUntakenSound(const PulseCaptureStream &stream, std::vector<float> &samples, quint64 taken);
    // Hands on what the stream delivered and every queued block.
    void flush(PulseCaptureStream &stream, std::vector<float> &samples);
    void cutBlocks(std::vector<float> &samples, bool flushPartial);
    void readBuffer(const AudioFrame &block);
    void deliver(const AudioFrame &block);
    void processOldest();
    void followHold();
    void hold();
    void releaseHeld();
    // The run's file ends: the recogniser completes what holds and stops.
    void endRecognition(IAudioRecognizerFeed *recognizer);
    void setError(const QString &text);
    // The worker sleeps until its stream delivers; these wake it for a
    // request it must see now.
    void setLiveStream(PulseCaptureStream *stream);
    void wakeWorker();

    const int m_track;
    PulseContext *m_ctx;
    std::atomic<IAudioFrameSink *> m_recorder{nullptr};
    std::atomic<IAudioRecognizerFeed *> m_recognizer{nullptr};
    QCaptureRecognizer *m_ownRecognizer = nullptr;
    mutable std::mutex m_mutex;   // the input stream, the error, the source name
    std::shared_ptr<IAudioFrameSink> m_inputStream;
    std::shared_ptr<IAudioFrameSink> m_runStream;   // held by the running worker
    QString m_error;
    QByteArray m_source;
    // Worker-only: the default output system sound follows (empty: none is
    // followed, the source was chosen by name), and its watch.
    QByteArray m_followedOutput;
    std::unique_ptr<DefaultOutputWatch> m_outputWatch;
    std::mutex m_liveMutex;
    PulseCaptureStream *m_liveStream = nullptr;   // the worker's, while it reads it
    bool m_wakePending = false;

    std::atomic<bool> m_recorderRunning{false};
    std::atomic<bool> m_listen{false};
    std::atomic<float> m_volume{100.0f};
    std::atomic<bool> m_capturing{false};
    std::atomic<bool> m_sourceLost{false};
    std::atomic<int> m_overflows{0};
    bool m_recognizedSent = false;
    bool m_recognizing = false;   // worker-only: the recogniser's live run is open

    // Cut hand-over: asked by the owner, answered by the worker.
    enum class Hold { None, Asked, Holding, Released };
    std::atomic<Hold> m_hold{Hold::None};
    std::condition_variable m_holdAnswered;   // with m_mutex

    // Worker-only state of one run.
    std::unique_ptr<QAudioFrameBuffer> m_queue;
    std::unique_ptr<QAudioFrameBuffer> m_held;   // blocks waiting for the next recording
    std::unique_ptr<QAudioBuffer> m_ring;   // pull side; none unless a host asks
    std::atomic<quint64> m_readPos{0};
    quint64 m_position = 0;            // frames handed on since the first run of the recording
    std::atomic<qint64> m_stopMomentNs{0};   // steady clock, when the stop was asked
    std::atomic<qint64> m_takeFromNs{0};     // steady clock, when the recorder began taking
    qint64 m_seenTakeFromNs = 0;
    quint64 m_takeFromFrame = 0;   // first frame of the stream that is taken
    bool m_takingNow = false;      // the recorder takes blocks, as of this pass
    std::chrono::steady_clock::time_point m_runEnd;
};

// Read callbacks of a stream object fed by pulling, over a capture object's
// pull side (the context).
uint32_t AudioStreamRead(void *context, unsigned char *out, uint32_t len);
int AudioStreamSeek(void *context, uint64_t pos);
uint32_t AudioStreamGetLength(void *context);
