#include "recorder/qrecordingfinisher.h"
#include "recorder/recorderlog.h"

#include "common/qrecordingmarker.h"
#include "recorder/qrecognizedtags.h"
#include "recorder/qrecordaudioobject.h"

#include "rzcodec/recorder.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include <mutex>
#include <optional>
#include <pthread.h>

namespace {
std::mutex g_hookMutex;
std::function<void()> g_beforeFinish;
std::function<void(const QString &)> g_beforeTags;
} // namespace

QRecordingFinisher::~QRecordingFinisher()
{
    if (m_worker.joinable())
        m_worker.join();
}

void QRecordingFinisher::setBeforeFinishHook(std::function<void()> hook)
{
    std::lock_guard<std::mutex> guard(g_hookMutex);
    g_beforeFinish = std::move(hook);
}

void QRecordingFinisher::setBeforeTagsHook(std::function<void(const QString &)> hook)
{
    std::lock_guard<std::mutex> guard(g_hookMutex);
    g_beforeTags = std::move(hook);
}

void QRecordingFinisher::start(Job job, std::function<void()> done)
{
    Q_ASSERT(!m_pending);
    if (m_worker.joinable())
        m_worker.join();
    m_pending = true;
    m_worker = std::thread([this, job = std::move(job), done = std::move(done)] {
        pthread_setname_np(pthread_self(), "rec-finish");
        m_outcome = run(job);
        done();
    });
}

QRecordingFinisher::Outcome QRecordingFinisher::take()
{
    if (m_worker.joinable())
        m_worker.join();
    m_pending = false;
    return std::move(m_outcome);
}

QRecordingFinisher::Outcome QRecordingFinisher::run(const Job &job)
{
    // Sound the sources took before the stop still goes into this file.
    for (QRecordAudioObject *source : job.stoppingSources) {
        if (!source->waitStopped())
            qCWarning(lcRecorder) << "capture track" << source->track() << "did not stop in time";
        source->setStartRecorder(false);
    }
    Outcome out;
    rz_recorder_stop(job.recorder);
    out.recordedTime = rz_recorder_get_time(job.recorder);
    out.writeFailed = rz_recorder_write_failed(job.recorder);
    if (out.writeFailed) {
        out.errorCode = rz_recorder_error_code(job.recorder);
        out.errorText = QString::fromUtf8(rz_recorder_error_text(job.recorder));
    }
    {
        std::function<void()> hook;
        {
            std::lock_guard<std::mutex> guard(g_hookMutex);
            hook = g_beforeFinish;
        }
        if (hook)
            hook();
    }
    out.finished = rz_recorder_finish(job.recorder);
    if (!out.finished) {
        out.finishError = QString::fromUtf8(rz_recorder_error_text(job.recorder));
        qCWarning(lcRecorder) << "recording not completed:" << out.finishError;
    }
    out.tagging.path = job.path;
    std::optional<JXRecognizerAudioTagInfo> tags;
    if (job.tags)
        tags = job.tags->get();
    if (tags && out.finished && QFileInfo(job.path).size() > 0) {
        {
            std::function<void(const QString &)> hook;
            {
                std::lock_guard<std::mutex> guard(g_hookMutex);
                hook = g_beforeTags;
            }
            if (hook)
                hook(job.path);
        }
        // Writing tags moves or appends to the file: after a failed write
        // that could cut off the sound kept. The record carries them only.
        out.tagging = QRecordingTagging::apply(job.path, *tags,
                                               out.writeFailed ? QRecordingTagging::NameOnly
                                                               : QRecordingTagging::TagsAndName);
    }
    const QFileInfo file(out.tagging.path);
    out.fileKept = file.exists() && file.size() > 0;
    if (out.fileKept) {
        out.fileSize = file.size();
        out.created = file.birthTime().isValid() ? file.birthTime() : file.lastModified();
    } else {
        // Nothing usable was written: no record points at it.
        qCWarning(lcRecorder) << "no recording was written to" << job.path;
        QFile::remove(job.path);
    }
    // An incomplete file keeps its mark: the next start repairs it. The mark
    // goes last: until the file is tagged and named, another copy of the
    // program starting meanwhile leaves it alone.
    if (out.finished)
        QRecordingMarker::remove(out.tagging.path);
    if (job.thumbnail.valid()) {
        // A recording stopped right after its first frame is done before its
        // thumbnail may be: the record is stored with it only once it is written.
        if (job.thumbnail.wait_for(std::chrono::seconds(10)) == std::future_status::ready)
            out.thumbnail = job.thumbnail.get();
        else
            qCWarning(lcRecorder) << "the thumbnail of" << job.path
                                  << "was not written in time; the record goes without";
    }
    return out;
}
