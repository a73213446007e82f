#include "recorder/qrecordobject.h"
#include "recorder/recorderlog.h"

#include "common/qconvertersetting.h"
#include "common/qianyutil.h"
#include "common/qrecordingmarker.h"
#include "common/qvideosettingxml.h"
#include "recorder/cavencodeparam.h"
#include "recorder/qrecognizedtags.h"
#include "recorder/qrecordareainfo.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecorderinputs.h"
#include "recorder/recordingscreenframe.h"

#include "rzcodec/config.h"
#include "rzcodec/recorder.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimerEvent>

#include <cerrno>
#include <cstring>

namespace {

enum Source { SystemSound = 1, Microphone = 2 };

} // namespace

QRecordObject::QRecordObject(QObject *parent)
    : QObject(parent), m_tags(std::make_shared<QRecognizedTags>()), m_recorder(rz_recorder_create(-1))
{
    m_track1 = new QRecordAudioObject(QRecordAudioObject::SystemSoundTrack, this);
    m_track2 = new QRecordAudioObject(QRecordAudioObject::MicrophoneTrack, this);
    m_mainInput = std::make_unique<QRecorderMainInput>(m_recorder);
    for (QRecordAudioObject *track : {m_track1, m_track2}) {
        // Reported on the capture thread, handled here on the owner's.
        connect(track, &QRecordAudioObject::emitSourceLost, this,
                [this, track](bool serverGone) { onSourceLost(track, serverGone); },
                Qt::QueuedConnection);
    }
    // Taken on the capture thread: the finish reads them once that thread has
    // handed on its last sound, so tags of the recording's end are not lost.
    // A recognised song names the recording, never the voice of the microphone.
    connect(m_track1, &QRecordAudioObject::emitRecognizedAudioTagInfo, this,
            [this](const JXRecognizerAudioTagInfo &tags) { recognizedTags()->put(tags); },
            Qt::DirectConnection);
    m_imageWriter = std::make_unique<RecordingImageWriter>();
    qRegisterMetaType<uint64_t>("uint64_t");
    qRegisterMetaType<convertedInfo>();
    qRegisterMetaType<unsigned char *>("unsigned char*");
}

QRecordObject::~QRecordObject()
{
    // A recording running or finishing at the end is completed before anything goes.
    stopRecorder();
    waitForFinish();
    m_imageWriter.reset();
    // The captures go before the recorder they push into.
    delete m_track1;
    delete m_track2;
    m_track1 = m_track2 = nullptr;
    m_mainInput.reset();
    m_streamInput.reset();
    rz_recorder_release(m_recorder);
    m_recorder = nullptr;
}

std::shared_ptr<QRecognizedTags> QRecordObject::recognizedTags()
{
    std::lock_guard<std::mutex> guard(m_tagsMutex);
    return m_tags;
}

QString QRecordObject::converterTimer(uint64_t microseconds)
{
    return QIAnyUtil::duration2String(microseconds);
}

unsigned QRecordObject::getVideoWidth() const
{
    const AttributeSetting *a = QConverterSetting::m_attributeSetting;
    if (!a || a->onlyAudio)
        return 0;
    return a->width ? a->width : unsigned(QRecordAreaInfo::getAreaInfo()->getRecordSize().width());
}

unsigned QRecordObject::getVideoHeight() const
{
    const AttributeSetting *a = QConverterSetting::m_attributeSetting;
    if (!a || a->onlyAudio)
        return 0;
    return a->height ? a->height : unsigned(QRecordAreaInfo::getAreaInfo()->getRecordSize().height());
}

void QRecordObject::getEncodeParam(CAVEncodeParam *param)
{
    if (!param)
        return;
    const AttributeSetting empty;
    const AttributeSetting &a = QConverterSetting::m_attributeSetting ? *QConverterSetting::m_attributeSetting : empty;
    // Fields the recording does not use start from zero, not from their defaults.
    param->videoCodec = 0;
    param->width = param->height = 0;
    param->frameRate100 = 0;
    param->containerFlag = 0;
    param->frameRateNum = param->frameRateDen = 0;
    param->videoBitRate = 0;
    param->quality = 0;
    param->audioCodec = 0;
    param->sampleRate = param->channels = 0;
    for (int32_t &v : param->audioExtra) v = 0;
    param->audioBitRate = 0;
    param->audioQuality = 0;
    for (int32_t &v : param->orientation) v = 0;
    param->flag = 0;
    param->backgroundColor = 0;
    param->range1[0] = param->range1[1] = param->range2[0] = param->range2[1] = 0;
    param->scale1[0] = param->scale1[1] = param->scale2[0] = param->scale2[1] = 0;
    for (int32_t &v : param->values24) v = 0;
    param->text25.clear();
    param->text27.clear();
    param->text30.clear();
    for (int32_t &v : param->values26) v = 0;
    for (int32_t &v : param->values28) v = 0;
    param->values31[0] = param->values31[1] = 0;
    param->values31[2] = 255;
    param->factors32[0] = param->factors32[1] = 100.0;
    for (int32_t &v : param->values33) v = 0;
    for (int32_t &v : param->values34) v = 0;
    for (int32_t &v : param->values35) v = 0;
    for (int32_t &v : param->audioPercent) v = 0;
    param->tags.clear();

    qCDebug(lcRecorder) << "------format:" << a.format;
    param->setFormatName(a.format.toLower().toUtf8().constData());
    param->videoCodec = a.onlyAudio ? -1 : a.videoCodec;
    param->audioCodec = a.audioCodec;
    const QString f = a.format;
    param->containerFlag = f.compare("AVI", Qt::CaseInsensitive) == 0
                                   || f.compare("mpegts", Qt::CaseInsensitive) == 0
                                   || f.compare("MPEG1VIDEO", Qt::CaseInsensitive) == 0
                               ? 1
                               : 0;
    param->height = a.onlyAudio ? 0 : (a.height ? a.height : unsigned(QRecordAreaInfo::getAreaInfo()->getRecordSize().height()));
    param->width = a.onlyAudio ? 0 : (a.width ? a.width : unsigned(QRecordAreaInfo::getAreaInfo()->getRecordSize().width()));
    param->videoBitRate = a.videoBitRate;
    param->frameRate100 = 0;
    param->frameRateNum = a.frameRateNum;
    param->frameRateDen = a.frameRateDen;
    param->quality = a.quality;
    param->channels = uint32_t(qMax(0, a.channels));
    param->sampleRate = a.sampleRate;
    param->audioBitRate = a.audioBitRate;
    if (a.audioEncoder == "OGG" && a.sampleRate < 32000 && a.audioBitRate > 160)
        param->audioBitRate = 160;
    param->audioQuality = a.quality;
    param->pictureBytes = nullptr;
    param->pictureLength = 0;
}

void QRecordObject::SetConvertConfig(void *config, CAVEncodeParam *param)
{
    if (param)
        param->applyEncoderSettings(config, m_video, m_audio);
}

bool QRecordObject::startSources(bool system, bool mic, bool &mixing)
{
    bool micRuns = false, systemRuns = false;
    // Sources held over a cut run on; one no longer chosen stops.
    if (!mic)
        m_track2->setStop();
    if (!system)
        m_track1->setStop();
    if (mic) {
        micRuns = m_track2->isHolding() || m_track2->setStart();
        if (!micRuns) {
            qCWarning(lcRecorder) << "microphone did not start:" << m_track2->errorString();
            emit emitRecordSourceFailed(Microphone, m_track2->errorString());
        }
    }
    if (system) {
        systemRuns = m_track1->isHolding() || m_track1->setStart();
        if (!systemRuns) {
            qCWarning(lcRecorder) << "system sound did not start:" << m_track1->errorString();
            emit emitRecordSourceFailed(SystemSound, m_track1->errorString());
        }
    }
    if (mixing && !(micRuns && systemRuns)) {
        // One of the two is missing: the other is the recorder's only input.
        mixing = false;
        if (micRuns) {
            m_track2->setInputStream(nullptr);
            m_track2->setRecorder(m_mainInput.get());
        }
    }
    return micRuns || systemRuns;
}

namespace {
struct ConfigRelease
{
    void operator()(void *config) const { rz_config_release(config); }
};
// Owns a recorder configuration, so every return of the start path lets go of it once.
using ConfigHandle = std::unique_ptr<void, ConfigRelease>;
} // namespace

void QRecordObject::stopSources()
{
    m_track1->setStop();
    m_track2->setStop();
}

void QRecordObject::failStart(bool removeFile)
{
    stopSources();
    if (removeFile) {
        rz_recorder_stop(m_recorder);
        rz_recorder_finish(m_recorder);
        QFile::remove(m_outputPath);
        QRecordingMarker::remove(m_outputPath);
    }
    m_streamInput.reset();
    m_hasFile = false;
}

bool QRecordObject::startRecorder(const QString &path, float volume, bool video)
{
    // The recorder and the sources are free once the last file is complete.
    waitForFinish();
    m_errorString.clear();
    const AttributeSetting *format = QConverterSetting::m_attributeSetting;
    if (!format || format->format.trimmed().isEmpty() || format->extension.trimmed().isEmpty()) {
        // Without a container the file could not be named or written.
        m_errorString = tr("No output format is chosen.");
        qCWarning(lcRecorder) << "recording cannot start:" << m_errorString;
        stopSources();
        return false;
    }
    if (m_hasFile) {
        stopRecorder();
        waitForFinish();
    }
    m_video = video;
    m_hasFile = true;
    m_outputPath = path;
    {
        // Before any source takes sound for it; a cut's held sources
        // recognise again once they hand on what they held.
        std::lock_guard<std::mutex> guard(m_tagsMutex);
        m_tags = std::make_shared<QRecognizedTags>();
    }
    m_outputPathUtf8 = path.toUtf8();

    const auto param = std::make_unique<CAVEncodeParam>();
    getEncodeParam(param.get());
    const ConfigHandle handle(rz_config_create());
    void *config = handle.get();
    SetConvertConfig(config, param.get());

    m_track1->setRecorder(m_mainInput.get());
    m_track2->setRecorder(m_mainInput.get());
    m_track1->setVolume(volume);
    m_track2->setInputStream(nullptr);

    QRecordAreaInfo *area = QRecordAreaInfo::getAreaInfo();
    const bool system = area->getRecordAudioType(SystemSound);
    const bool mic = area->getRecordAudioType(Microphone) && area->getAudioRecordValid(Microphone);
    bool mixing = system && mic;
    if (mixing) {
        m_streamInput = std::make_shared<QRecorderStreamInput>();
        m_track2->setRecorder(nullptr);
        m_track2->setInputStream(m_streamInput);
    }
    if (!startSources(system, mic, mixing)) {
        // Nothing to record from: no file is made rather than a silent one.
        QString why;
        if (!system && !mic)
            why = area->getRecordAudioType(Microphone) ? tr("the microphone is not available") : tr("no source is chosen");
        else if (!mic)
            why = m_track1->errorString();
        else if (!system)
            why = m_track2->errorString();
        else
            why = QStringLiteral("%1; %2").arg(m_track1->errorString(), m_track2->errorString());
        m_errorString = why.isEmpty() ? tr("No sound source could be started.")
                                      : tr("No sound source could be started: %1.").arg(why);
        failStart(false);
        return false;
    }
    if (mixing) {
        rz_config_set_input_count(config, 2);
        rz_config_add_input_stream(config, m_streamInput->stream());
    }
    const QByteArray muxer = param->formatName() ? QByteArray(param->formatName()) : QByteArray();
    m_writeFailureReported = false;
    if (!rz_recorder_open(m_recorder, m_outputPathUtf8.constData(), muxer.constData(), config)) {
        const QString problem = writeProblem(rz_recorder_error_code(m_recorder), true);
        m_errorString = problem.isEmpty() ? QString::fromUtf8(rz_recorder_error_text(m_recorder))
                                          : tr("The file cannot be created: %1.").arg(problem);
        qCWarning(lcRecorder) << "recording cannot start:" << rz_recorder_error_text(m_recorder);
        failStart(false);
        return false;
    }
    {
        // Marked before any sound is taken: a recording the process does not
        // live to finish is repaired at the next start.
        convertedInfo started;
        m_thumbnail = {};
        getConvertedInfo(started);
        QRecordingMarker::write(started, QString::fromUtf8(muxer));
    }
    resetRecordRect();
    m_screenshotRequested = false;
    qCDebug(lcRecorder) << "sources: system sound" << area->getRecordAudioType(SystemSound)
                        << "valid" << area->getAudioRecordValid(SystemSound) << "microphone"
                        << area->getRecordAudioType(Microphone) << "valid" << area->getAudioRecordValid(Microphone);
    m_track1->setStartRecorder(true);
    m_track2->setStartRecorder(true);
    if (rz_recorder_run(m_recorder) != 1) {
        // The file holds nothing usable: it goes, and no record is stored.
        m_errorString = QString::fromUtf8(rz_recorder_error_text(m_recorder));
        qCWarning(lcRecorder) << "recording cannot run:" << m_errorString;
        failStart(true);
        return false;
    }
    qCDebug(lcRecorder) << "timer Start:" << QDateTime::currentDateTime();
    startTimers();
    m_stopped = false;
    m_recordedTime = 0;
    InitCursor();
    return true;
}

void QRecordObject::InitCursor()
{
    m_overlayImages.load(*QRecordAreaInfo::getAreaInfo(), QSize(m_areaWidth, m_areaHeight));
}

void QRecordObject::stopRecorder(SourcesAfterStop sources)
{
    if (!m_hasFile || !m_recorder) {
        // A second stop, or one between a cut and its next start: held
        // sources let go (a second cut keeps them for the start to come);
        // a finish under way has its sources stopping already.
        if (!isFinishing()) {
            stopSources();
        } else if (sources != KeepSourcesForNextStart) {
            for (QRecordAudioObject *track : {m_track1, m_track2}) {
                if (track->isHolding())
                    track->requestStop();
            }
        }
        m_streamInput.reset();
        m_track2->setInputStream(nullptr);
        return;
    }
    const bool keep = sources == KeepSourcesForNextStart;
    if (keep) {
        // Either way, a source has handed the recorder what it took by now.
        m_track1->holdForNextRecording();
        m_track2->holdForNextRecording();
        m_track1->setStartRecorder(false);
        m_track2->setStartRecorder(false);
    } else {
        // The sources end on their own; the finish waits for their last sound.
        m_track1->requestStop();
        m_track2->requestStop();
    }
    killTimers();
    m_hasFile = false;
    m_stopped = true;
    QRecordingFinisher::Job job;
    job.recorder = m_recorder;
    job.path = m_outputPath;
    if (!keep)
        job.stoppingSources = {m_track1, m_track2};
    job.keepAlive = std::move(m_streamInput);
    job.tags = recognizedTags();
    job.thumbnail = m_thumbnail;
    m_track2->setInputStream(nullptr);
    m_finisher.start(std::move(job), [this] {
        QMetaObject::invokeMethod(
            this, [this] { completeFinish(); }, Qt::QueuedConnection);
    });
}

void QRecordObject::waitForFinish()
{
    if (isFinishing())
        completeFinish();
}

void QRecordObject::completeFinish()
{
    // The queued report of a finish already completed by a wait.
    if (!isFinishing())
        return;
    const QRecordingFinisher::Outcome out = m_finisher.take();
    m_recordedTime = qMax(m_recordedTime, out.recordedTime);
    convertedInfo info;
    fillConvertedInfo(info, out.tagging.path, out.fileKept, out.fileSize, out.created);
    info.imgPath = out.thumbnail;
    info.title = out.tagging.title;
    info.artist = out.tagging.artist;
    info.album = out.tagging.album;
    info.genre = out.tagging.genre;
    if (out.fileKept) {
        QVideoSettingXml::SaveConvertedInfo(info);
        emit emitFinishRecordFile(info.convertedPath);
    }
    if (out.writeFailed && !m_writeFailureReported) {
        // It failed while the last sound was written: told once the stop is done.
        m_writeFailureReported = true;
        QString problem = writeProblem(out.errorCode);
        if (problem.isEmpty())
            problem = tr("the file cannot be written (%1)").arg(out.errorText);
        m_errorString = tr("Recording stopped: %1. %2")
                            .arg(problem, out.fileKept ? tr("What was recorded so far is saved.")
                                                       : tr("Nothing of it could be kept."));
        qCWarning(lcRecorder) << "recording stopped:" << m_errorString;
        QMetaObject::invokeMethod(
            this, [this, message = m_errorString] { emit emitRecordError(message); }, Qt::QueuedConnection);
    }
    const std::unique_ptr<StopReport> report = std::move(m_stopReport);
    emit emitRecordingCompleted(info, out.fileKept, out.fileSize);
    if (out.fileKept && out.tagging.tagsNotWritten)
        emit emitTagsNotWritten(info.convertedPath);
    if (report) {
        m_errorString =
            tr("Recording stopped: %1. %2").arg(report->why, out.fileKept ? report->kept : report->lost);
        emit emitRecordError(m_errorString);
    }
}

void QRecordObject::onSourceLost(QRecordAudioObject *track, bool serverGone)
{
    // A report of an earlier run, or the second track of the same loss.
    if (!m_hasFile || !track->sourceLost())
        return;
    qCWarning(lcRecorder) << "recording stopped:" << track->errorString();
    const QString why = serverGone ? tr("the sound server went away")
                        : track->track() == QRecordAudioObject::SystemSoundTrack
                            ? tr("the system sound device went away")
                            : tr("the microphone went away");
    m_stopReport.reset(
        new StopReport{why, tr("What was recorded so far is saved."), tr("Nothing had been recorded yet.")});
    stopRecorder();
}

QString QRecordObject::writeProblem(int code, bool creating) const
{
    const QString folder = QDir::toNativeSeparators(QFileInfo(m_outputPath).absolutePath());
    switch (code) {
    case 0:
        return QString();
    case ENOSPC:
    case EDQUOT:
        return tr("the disk holding %1 is full").arg(folder);
    case EROFS:
        return tr("the folder %1 is read-only").arg(folder);
    case EACCES:
    case EPERM:
        return tr("the folder %1 may not be written to").arg(folder);
    case ENOENT:
    case ENOTDIR:
        if (creating)
            return tr("the folder %1 does not exist and cannot be made").arg(folder);
        return QFileInfo::exists(folder) ? tr("the file was removed") : tr("the folder %1 was removed").arg(folder);
    case EIO:
        return tr("the disk holding %1 reported a write error").arg(folder);
    default:
        return tr("the file cannot be written (%1)").arg(QString::fromLocal8Bit(std::strerror(code)));
    }
}

void QRecordObject::onWriteFailed()
{
    if (!m_hasFile || m_writeFailureReported)
        return;
    m_writeFailureReported = true;
    QString why = writeProblem(rz_recorder_error_code(m_recorder));
    if (why.isEmpty())
        why = tr("the file cannot be written (%1)").arg(QString::fromUtf8(rz_recorder_error_text(m_recorder)));
    qCWarning(lcRecorder) << "recording stopped: the file cannot be written:" << rz_recorder_error_text(m_recorder);
    m_stopReport.reset(
        new StopReport{why, tr("What was recorded so far is saved."), tr("Nothing of it could be kept.")});
    stopRecorder();
}

void QRecordObject::pauseRecorder()
{
    if (!m_hasFile)
        return;
    killTimers();
    rz_recorder_pause(m_recorder);
}

void QRecordObject::continueRecorder()
{
    if (!m_hasFile)
        return;
    if (rz_recorder_run(m_recorder) == 1)
        startTimers();
}

void QRecordObject::startTimers()
{
    if (m_video && !m_screenTimer)
        m_screenTimer = startTimer(10, Qt::CoarseTimer);
    if (!m_recordTimeTimer)
        m_recordTimeTimer = startTimer(100, Qt::CoarseTimer);
    if (!m_video && !m_audioDataTimer) {
        m_audioDataTimer = startTimer(50, Qt::CoarseTimer);
        m_levelsShownAt = 0;
    }
}

void QRecordObject::killTimers()
{
    for (int *id : {&m_screenTimer, &m_recordTimeTimer, &m_audioDataTimer}) {
        if (*id)
            killTimer(*id);
        *id = 0;
    }
}

void QRecordObject::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_recordTimeTimer) {
        if (rz_recorder_write_failed(m_recorder)) {
            onWriteFailed();
            return;
        }
        if (const uint64_t t = rz_recorder_get_time(m_recorder)) {
            m_recordedTime = t;
            emit emitRecordTime(t);
        }
    } else if (event->timerId() == m_audioDataTimer) {
        if (m_video || !m_audio)
            return;
        // The displays repaint for each block: none while no new sound came.
        const uint64_t taken = rz_recorder_get_level_frames(m_recorder);
        if (taken == m_levelsShownAt)
            return;
        m_levelsShownAt = taken;
        // Copied into the room of the last block: twenty blocks a second allocate nothing.
        uint32_t size = rz_recorder_copy_level_block(
            m_recorder, reinterpret_cast<unsigned char *>(m_levelBlock.data()), uint32_t(m_levelBlock.size()));
        if (size > uint32_t(m_levelBlock.size())) {
            m_levelBlock.resize(int(size));
            size = rz_recorder_copy_level_block(m_recorder,
                                                reinterpret_cast<unsigned char *>(m_levelBlock.data()),
                                                uint32_t(m_levelBlock.size()));
        }
        if (size == 0 || size > uint32_t(m_levelBlock.size()))
            return;
        auto *block = reinterpret_cast<unsigned char *>(m_levelBlock.data());
        const uint32_t rate = uint32_t(block[24]) | uint32_t(block[25]) << 8 | uint32_t(block[26]) << 16
                              | uint32_t(block[27]) << 24;
        emit emitAudioData(block, int(rate / 2));
    } else if (event->timerId() == m_screenTimer) {
        takeScreenFrame();
    }
}

void QRecordObject::takeScreenFrame()
{
    // The recorder takes sound only: a frame serves the pictures alone, and
    // is grabbed only when one of them needs it.
    const bool thumbnail = !m_thumbnail.valid();
    if (!thumbnail && !m_screenshotRequested)
        return;
    int scaleX = 1, scaleY = 1;
    QRecordAreaInfo::getAreaInfo()->getScale(scaleX, scaleY);
    const QImage frame = RecordingScreenFrame::grab(QRect(m_areaX, m_areaY, m_areaWidth, m_areaHeight),
                                                    scaleX, scaleY, m_overlayImages.watermark());
    if (frame.isNull())
        return;
    if (m_screenshotRequested) {
        m_screenshotRequested = false;
        m_imageWriter->saveScreenshot(frame, m_screenshotPath);
    }
    if (thumbnail)
        m_thumbnail = m_imageWriter->saveThumbnail(frame, m_outputPath);
}

QString QRecordObject::thumbnailPath() const
{
    if (!m_thumbnail.valid() || m_thumbnail.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return QString();
    return m_thumbnail.get();
}

void QRecordObject::getConvertedInfo(convertedInfo &info)
{
    const QFileInfo file(m_outputPath);
    const bool exists = file.exists();
    fillConvertedInfo(info, m_outputPath, exists, exists ? file.size() : 0,
                      file.birthTime().isValid() ? file.birthTime() : file.lastModified());
}

void QRecordObject::fillConvertedInfo(convertedInfo &info, const QString &path, bool exists, qint64 size,
                                      const QDateTime &created) const
{
    info.imgPath = thumbnailPath();
    info.convertedPath = QString(path).replace('\\', '/');
    info.resolution = QString("%1*%2").arg(getVideoWidth()).arg(getVideoHeight());
    info.size = QIAnyUtil::size2String(exists ? quint64(size) : 0);
    info.createTime = created.toString("dd-MM-yyyy hh:mm");
    if (const AttributeSetting *a = QConverterSetting::m_attributeSetting) {
        info.format = a->format;
        info.extend = a->extension;
    }
    info.time = converterTimer(m_recordedTime);
    info.videoFile = m_video;
    info.newFile = true;
}

void QRecordObject::screenshotImg(const QString &path)
{
    m_screenshotPath = path;
    m_screenshotRequested = true;
}

void QRecordObject::resetRecordRect()
{
    QRecordAreaInfo *area = QRecordAreaInfo::getAreaInfo();
    m_areaX = area->getStartPt().x();
    m_areaY = area->getStartPt().y();
    m_areaWidth = area->getRecordSize().width();
    m_areaHeight = area->getRecordSize().height();
}

bool QRecordObject::micRecordBuffer(unsigned char *data, int len)
{
    if (m_stopped || !m_recorder || !data || len < 4)
        return false;
    void *frame = rz_audioframe_create();
    rz_audioframe_set_format(frame, RZ_SAMPLE_S16, 44100, 2, 3);
    rz_audioframe_set_data(frame, data, uint32_t(len / 4));
    const bool ok = rz_recorder_push_frame(m_recorder, frame) != 0;
    rz_audioframe_release(frame);
    return ok;
}
