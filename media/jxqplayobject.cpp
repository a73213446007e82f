#include "media/jxqplayobject.h"

#include "media/medialog.h"

#include "common/qconverteroperate.h"
#include "media/jxinfoclass.h"
#include "media/jxplayerclass.h"
#include "media/jxplaytimetext.h"
#include "media/videoframewindow.h"
#include "rzcodec/frame.h"
#include "rzcodec/player.h"

#include <QMetaMethod>
#include <QTimer>
#include <QtEndian>

#include <cmath>

namespace {

constexpr int kPositionMs = 100;
constexpr int kScreenMs = 50;
constexpr int kWaveMs = 50;

void draw(const JXFrameCopy &frame, VideoFrameWindow *window)
{
    const auto *p0 = reinterpret_cast<const unsigned char *>(frame.planes[0].constData());
    if (frame.format == JXFramePackedRGB) {
        window->showImage(p0, frame.width, frame.height, frame.strides[0]);
    } else if (frame.format == JXFramePlanarYUV) {
        const unsigned char *const planes[3] = {
            p0, reinterpret_cast<const unsigned char *>(frame.planes[1].constData()),
            reinterpret_cast<const unsigned char *>(frame.planes[2].constData())};
        const int strides[3] = {int(frame.strides[0]), int(frame.strides[1]), int(frame.strides[2])};
        window->showYUVImage(planes, int(frame.width), int(frame.height), strides);
    }
}

// Called on the player's thread: the GUI thread hears of it through its queue.
void playEventLoop(int32_t event, void *context)
{
    auto *engine = static_cast<JXQPlayObject *>(context);
    if (engine && event == RZ_PLAYER_EVENT_PLAY_FAILED)
        QMetaObject::invokeMethod(engine, &JXQPlayObject::onPlayFailed, Qt::QueuedConnection);
}

} // namespace

uint32_t VideoFrameLoop(void *frame, void *context)
{
    auto *engine = static_cast<JXQPlayObject *>(context);
    return engine ? engine->DrawVideoFrame(frame) : 0;
}

JXQPlayObject::JXQPlayObject(QObject *parent) : QObject(parent)
{
    InitPlay();
}

JXQPlayObject::~JXQPlayObject()
{
    if (m_player) {
        rz_player_set_event_handle(m_player, nullptr, nullptr);
        rz_player_stop(m_player);
        rz_player_close(m_player);
        rz_player_release(m_player);
        m_player = nullptr;
    }
    for (QTimer *timer : {m_screenTimer, m_positionTimer, m_waveTimer}) {
        timer->stop();
        delete timer;
    }
}

void JXQPlayObject::InitPlay()
{
    m_volume = 100.0f;
    m_keepScale = true;
    m_audioOnly = false;
    m_window = nullptr;
    m_hasWindow = false;
    m_positionTimer = new QTimer(this);
    m_screenTimer = new QTimer(this);
    m_waveTimer = new QTimer(this);
    connect(m_positionTimer, &QTimer::timeout, this, &JXQPlayObject::UpdateTime);
    connect(m_screenTimer, &QTimer::timeout, this, &JXQPlayObject::UpdataScreen);
    connect(m_waveTimer, &QTimer::timeout, this, &JXQPlayObject::OnAudioDataTime);
}

// The codec layer's player is made at the first opening, not with the
// engine: the engines are built with the window, before the codec layer is
// loaded.
bool JXQPlayObject::createPlayer()
{
    if (m_player)
        return true;
    m_player = rz_player_create(int32_t(0xFFFFFFFFu));
    if (!m_player)
        return false;
    rz_player_set_event_handle(m_player, playEventLoop, this);
    const QString device = QConverterOperate::getAudioDeviceName();
    if (!device.isEmpty())
        rz_player_set_audio_device(m_player, device.toUtf8().constData());
    return true;
}

void JXQPlayObject::InitPlayViewParameter()
{
    if (m_player)
        rz_player_set_video_frame_handle(m_player, VideoFrameLoop, this);
}

void JXQPlayObject::setPlayWindows(VideoFrameWindow *window)
{
    m_window = window;
    m_hasWindow = window != nullptr;
}

// ---- opening -------------------------------------------------------------------

void JXQPlayObject::SetPlayFile(const QString &path, unsigned int width, unsigned int height)
{
    if (!createPlayer())
        return;
    if (!rz_player_is_completed(m_player))
        rz_player_stop(m_player);
    emit emitRefreshPlayView();
    if (rz_player_open_ex(m_player, path.toUtf8().constData(), width, height, 0, 0)) {
        rz_player_set_time_interval(m_player, 50000);
        ResizeVideoWindow(m_keepScale);
        rz_player_set_audio_volume(m_player, uint64_t(std::max(0.0f, m_volume)));
        ShowTime(0);
        m_screenTimer->start(kScreenMs);
        InitPlayViewParameter();
        IsNoVideoSet();
        // Reading the cover opens the file a second time: only for a listener.
        if (isSignalConnected(QMetaMethod::fromSignal(&JXQPlayObject::emitCoverImage)))
            emit emitCoverImage(getCoverImage(path).copy());
        return;
    }
    m_screenTimer->stop();
    m_positionTimer->stop();
    m_waveTimer->stop();
    ShowTime(0);
    emit emitPlayPro(0.0);
    emit emitPlayFinish();
    if (m_window)
        m_window->setHidden(true);
}

void JXQPlayObject::IsNoVideoSet()
{
    if (!m_player)
        return;
    if (rz_player_has_video(m_player)) {
        emit emitIsHaveVideo(true);
        m_audioOnly = false;
    } else if (rz_player_has_audio(m_player)) {
        emit emitIsHaveVideo(false);
        m_audioOnly = true;
    }
}

QImage JXQPlayObject::getCoverImage(QString filePath)
{
    QImage picture;
    JXInfoClass info;
    info.Create_Info();
    if (!info.IsCreateInfo() || !info.Open_Info(filePath.toUtf8().constData()))
        return picture;
    if (const auto cover = info.GetMetaData_Info("cover_image")) {
        picture.loadFromData(reinterpret_cast<const uchar *>(cover->data()), int(cover->size()));
    } else if (info.HasVideo_Info()) {
        if (unsigned char *bmp = info.GetVideoImage_Info(0, 1, 0, 0, 0)) {
            picture.loadFromData(bmp, int(qFromLittleEndian<quint32>(bmp + 2)));
            info.FreeVideoImage_Info(bmp);
        }
    }
    return picture;
}

// ---- transport -----------------------------------------------------------------

void JXQPlayObject::OnPlayVideo()
{
    if (!m_player)
        return;
    if (!rz_player_has_video(m_player) && !rz_player_has_audio(m_player)) {
        ShowTime(0);
        emit emitPlayPro(0.0);
        emit emitPlayFinish();
        return;
    }
    if (rz_player_is_completed(m_player))
        rz_player_stop(m_player);
    if (!rz_player_play(m_player)) {
        // Said when the sound output cannot be had or the file cannot go
        // back to where the play starts, rather than nothing happening; the
        // bar shows it not playing.
        const QString why = QString::fromUtf8(rz_player_get_error_text(m_player));
        showStopped();
        if (!why.isEmpty())
            emit emitPlayError(JXPlayerClass::playbackFailedMessage(why));
        return;
    }
    if (rz_player_has_video(m_player)) {
        if (m_window)
            m_window->setHidden(false);
    } else {
        m_waveTimer->start(kWaveMs);
    }
    m_screenTimer->stop();
    m_positionTimer->start(kPositionMs);
}

void JXQPlayObject::onPlayFailed()
{
    // A play is accepted at once and its sound output opened by the player's
    // thread; this is that output failing. Stale when playing on since.
    if (!m_player || rz_player_is_running(m_player))
        return;
    const QString why = QString::fromUtf8(rz_player_get_error_text(m_player));
    showStopped();
    if (!why.isEmpty())
        emit emitPlayError(JXPlayerClass::playbackFailedMessage(why));
}

void JXQPlayObject::showStopped()
{
    m_positionTimer->stop();
    m_waveTimer->stop();
    m_screenTimer->start(kScreenMs);
    emit emitAudioData(QByteArray(), 0);
    const uint64_t length = rz_player_get_duration(m_player);
    const uint64_t time = rz_player_get_play_time(m_player);
    ShowTime(time);
    emit emitPlayPro(length > 0 ? double(time) / double(length) : 0.0);
    emit emitPlayState(false);
}

void JXQPlayObject::StartPlay()
{
    emit emitPlayState(true);
    OnPlayVideo();
}

void JXQPlayObject::OnPauseVideo()
{
    if (!m_player || !rz_player_pause(m_player))
        return;
    m_screenTimer->start(kScreenMs);
    m_positionTimer->stop();
    m_waveTimer->stop();
    emit emitAudioData(QByteArray(), 0);
}

void JXQPlayObject::pausePlay()
{
    emit emitPlayState(false);
    OnPauseVideo();
}

bool JXQPlayObject::canStop() const
{
    return m_player && (rz_player_has_video(m_player) || rz_player_has_audio(m_player))
        && !rz_player_is_completed(m_player) && rz_player_stop(m_player);
}

void JXQPlayObject::OnBtnStop()
{
    if (!canStop())
        return;
    ShowTime(0);
    emit emitPlayPro(0.0);
    emit emitPlayFinish();
    m_screenTimer->stop();
    m_positionTimer->stop();
    m_waveTimer->stop();
    emit emitAudioData(QByteArray(), 0);
    if (m_window)
        m_window->setHidden(true);
}

void JXQPlayObject::StopWithoutFinishSignal()
{
    if (!canStop())
        return;
    ShowTime(0);
    emit emitPlayPro(0.0);
    m_screenTimer->stop();
    m_positionTimer->stop();
    m_waveTimer->stop();
    emit emitAudioData(QByteArray(), 0);
}

void JXQPlayObject::CloseWithoutFinishSignal()
{
    if (!canStop())
        return;
    m_screenTimer->stop();
    m_positionTimer->stop();
    m_waveTimer->stop();
    rz_player_close(m_player);
    ShowTime(0);
    emit emitPlayPro(0.0);
    emit emitClosePlay();
    emit emitAudioData(QByteArray(), 0);
}

void JXQPlayObject::closePlay()
{
    if (m_player) {
        OnBtnStop();
        rz_player_close(m_player);
    }
    ShowTime(0);
    emit emitPlayPro(0.0);
    emit emitPlayFinish();
    emit emitClosePlay();
    emit emitAudioData(QByteArray(), 0);
}

void JXQPlayObject::VideoFinished()
{
    ShowTime(0);
    emit emitPlayPro(0.0);
    emit emitPlayFinish();
}

// ---- timers --------------------------------------------------------------------

void JXQPlayObject::UpdateTime()
{
    if (!m_player)
        return;
    if (rz_player_is_completed(m_player)) {
        // A playback cut short by its sound output is not at its end: the
        // bar stays on the file instead of moving on to the next one.
        const QString why = QString::fromUtf8(rz_player_get_error_text(m_player));
        rz_player_stop(m_player);
        m_waveTimer->stop();
        emit emitAudioData(QByteArray(), 0);
        m_positionTimer->stop();
        ShowTime(0);
        emit emitPlayPro(0.0);
        if (why.isEmpty())
            emit emitPlayFinish();
        m_screenTimer->start(kScreenMs);
        emit emitPlayPro(0.0);
        if (!why.isEmpty())
            emit emitPlayError(JXPlayerClass::playbackStoppedMessage(why));
        return;
    }
    const uint64_t length = rz_player_get_duration(m_player);
    const uint64_t time = rz_player_get_play_time(m_player);
    if (time == 0)
        return;
    // A file whose length is unknown reports no progress rather than a division by zero.
    emit emitPlayPro(length > 0 ? double(time) / double(length) : 0.0);
    ShowTime(time);
    if (m_window)
        m_window->update();
}

void JXQPlayObject::UpdataScreen()
{
    if (m_player && rz_player_has_video(m_player))
        rz_player_show_video_frame(m_player);
}

void JXQPlayObject::OnAudioDataTime()
{
    if (!m_player)
        return;
    unsigned char *block = rz_player_get_audio_wave_data(m_player, 1);
    if (block) {
        const int count = int(qFromLittleEndian<quint32>(block + 24) >> 1);
        const int bytes = 44 + int(qFromLittleEndian<quint32>(block + 40));
        // Receivers get their own copy: the block is freed right after this.
        emit emitAudioData(QByteArray(reinterpret_cast<const char *>(block), bytes), count);
    }
    rz_player_free_audio_wave_data(m_player, block);
}

// ---- time texts ----------------------------------------------------------------

void JXQPlayObject::ShowTime(uint64_t time)
{
    const uint64_t length = m_player ? rz_player_get_duration(m_player) : 0;
    emit emitCurPlayTime(JXPlayTimeText::clock(time));
    emit emitPlayTime(JXPlayTimeText::span(time, length));
}

// ---- seeking -------------------------------------------------------------------

void JXQPlayObject::ProgressValueChange(double ratio)
{
    if (!m_player)
        return;
    uint64_t target = 0;
    if (ratio >= 1e-8)
        target = uint64_t(double(rz_player_get_duration(m_player)) * ratio);
    if (rz_player_is_completed(m_player))
        rz_player_stop(m_player);
    if (!rz_player_seek(m_player, target)) {
        reportFailedSeek();
        return;
    }
    ShowTime(target);
}

void JXQPlayObject::setPlayerSeek(uint64_t time)
{
    if (!m_player)
        return;
    if (rz_player_is_completed(m_player))
        rz_player_stop(m_player);
    if (!rz_player_seek(m_player, time)) {
        reportFailedSeek();
        return;
    }
    ShowTime(time);
}

void JXQPlayObject::reportFailedSeek()
{
    const QString why = QString::fromUtf8(rz_player_get_error_text(m_player));
    if (why.isEmpty())
        return; // nothing open, or nothing changed
    qCWarning(lcMedia).noquote() << "seek failed:" << why;
    if (!rz_player_is_running(m_player)) {
        showStopped();
    }
    emit emitPlayError(JXPlayerClass::seekFailedMessage(why));
}

void JXQPlayObject::beginAsyncSeek()
{
    if (m_player)
        rz_player_begin_async_seek(m_player, 2000000);
}

void JXQPlayObject::endAsyncSeek()
{
    if (m_player && !rz_player_end_async_seek(m_player))
        reportFailedSeek();
}

// ---- sound, pictures -------------------------------------------------------------

void JXQPlayObject::setSoundVolume(int value)
{
    m_volume = value < 0 ? 0.0f : float(value);
    if (m_player)
        rz_player_set_audio_volume(m_player, uint64_t(std::max(0, value)));
}

void JXQPlayObject::frameStep(int direction)
{
    if (!m_player)
        return;
    emit emitPlayState(false);
    OnPauseVideo();
    rz_player_frame_step(m_player, direction);
    UpdateTime();
}

void JXQPlayObject::videoFrameStepUp()
{
    frameStep(1);
}

void JXQPlayObject::videoFrameStepDown()
{
    frameStep(-1);
}

void JXQPlayObject::Screenshots(QString outPath)
{
    if (!m_player)
        return;
    unsigned char *bmp = rz_player_capture_video_image(m_player, 0, 0, 0);
    if (!bmp)
        return;
    QImage picture;
    picture.loadFromData(bmp, int(qFromLittleEndian<quint32>(bmp + 2)));
    rz_player_free_video_image(m_player, bmp);
    if (picture.isNull() || !picture.save(outPath, "PNG", -1))
        qCWarning(lcMedia, "Screenshots: the picture could not be saved to %s", qPrintable(outPath));
}

void JXQPlayObject::ResizeVideoWindow(bool keepScale)
{
    m_keepScale = keepScale;
    if (!m_player || !m_window)
        return;
    const int width = int(rz_player_get_video_width(m_player));
    const int height = int(rz_player_get_video_height(m_player));
    if (keepScale) {
        const int x = int(rz_player_get_video_aspect_x(m_player));
        const int y = int(rz_player_get_video_aspect_y(m_player));
        if (x != 0 && y != 0)
            m_window->setVideoScale(x, y);
        else
            m_window->setVideoScale(width, height);
    } else {
        m_window->setVideoSize(width, height);
    }
}

uint32_t JXQPlayObject::DrawVideoFrame(void *frame)
{
    if (!m_hasWindow)
        return 0;
    std::optional<JXFrameCopy> copy = JXFrameCopy::fromFrame(frame);
    if (!copy)
        return 0;
    // Only the newest picture waits; one queued call per waiting picture.
    if (m_frames.post(std::move(*copy))) {
        QMetaObject::invokeMethod(this, [this] {
            std::optional<JXFrameCopy> next = m_frames.take();
            if (next && m_window)
                draw(*next, m_window);
        }, Qt::QueuedConnection);
    }
    return 1;
}

// ---- queries -------------------------------------------------------------------

uint64_t JXQPlayObject::getCurrentPlayerPos() const
{
    return m_player ? rz_player_get_play_time(m_player) : 0;
}

uint64_t JXQPlayObject::getDuration() const
{
    return m_player ? rz_player_get_duration(m_player) : 0;
}

bool JXQPlayObject::isStopPlay() const
{
    return m_player ? rz_player_is_stop(m_player) != 0 : true;
}

bool JXQPlayObject::isPausePlay() const
{
    return m_player ? rz_player_is_pause(m_player) != 0 : true;
}
