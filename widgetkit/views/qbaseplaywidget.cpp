#include "widgetkit/views/qbaseplaywidget.h"

#include "widgetkit/views/qbaseplaycontrol.h"
#include "widgetkit/views/qbasevideowindow.h"

#include "rzcodec/frame.h"
#include "rzcodec/player.h"

#include <QMutexLocker>
#include <QTimerEvent>

namespace {
constexpr int kPositionMs = 100;
constexpr int kScreenMs = 50;
constexpr int kMargin = 10;
} // namespace

QBasePlayWidget::QBasePlayWidget(QWidget *parent) : QJXWidget(parent, DlgPane)
{
    setFocusPolicy(Qt::ClickFocus);
    InitWgt();
}

QBasePlayWidget::~QBasePlayWidget()
{
    // The player's thread must be gone before the window it draws into.
    releasePlayer();
}

void QBasePlayWidget::InitWgt()
{
    m_videoWindow = new QBaseVideoWindow(this);
    m_videoWindow->setWindowFlags(m_videoWindow->windowFlags() | Qt::FramelessWindowHint);
    m_videoWindow->show();
}

void QBasePlayWidget::setVideoPreviewWgt(QBaseVideoWindow *window)
{
    QBaseVideoWindow *old = nullptr;
    {
        QMutexLocker lock(&m_windowMutex);
        if (!m_windowHandedIn)
            old = m_videoWindow;
        m_videoWindow = window;
        m_windowHandedIn = true;
    }
    delete old;
    if (window)
        window->setWindowFlags(window->windowFlags() | Qt::FramelessWindowHint);
}

void QBasePlayWidget::setPlayControlWgt(QBasePlayControl *bar)
{
    if (m_bar)
        disconnect(m_bar, nullptr, this, nullptr);
    m_bar = bar;
    if (!bar)
        return;
    connect(bar, &QBasePlayControl::emitPlay, this, &QBasePlayWidget::OnPlay);
    connect(bar, &QBasePlayControl::emitPause, this, &QBasePlayWidget::OnPause);
    connect(bar, &QBasePlayControl::emitStop, this, &QBasePlayWidget::OnStop);
    connect(bar, &QBasePlayControl::emitProgressChange, this,
            &QBasePlayWidget::progressValueChange);
    connect(bar, &QBasePlayControl::emitVolumeChange, this, &QBasePlayWidget::volumeValueChange);
    connect(bar, &QBasePlayControl::emitFrameStepUp, this, &QBasePlayWidget::frameStepUp);
    connect(bar, &QBasePlayControl::emitFrameStepDown, this, &QBasePlayWidget::frameStepDown);
}

void QBasePlayWidget::releasePlayer()
{
    m_positionTimer.stop();
    m_screenTimer.stop();
    if (m_player) {
        rz_player_set_video_frame_handle(m_player, nullptr, nullptr);
        rz_player_release(m_player);
        m_player = nullptr;
    }
}

bool QBasePlayWidget::bindPlayer(void *player, bool opened)
{
    m_player = player;
    if (!opened) {
        releasePlayer();
        showTime(0);
        return false;
    }
    InitPayerView();
    setCtrlVolume(100);
    volumeValueChange(100);
    ResizeVideoWindow();
    startScreenTimer();
    return true;
}

bool QBasePlayWidget::setPlayFile(const QString &path, unsigned int width, unsigned int height)
{
    OnStop();
    releasePlayer();
    void *player = rz_player_create(RZ_PLAYER_DEFAULT);
    const bool opened =
        player && rz_player_open_ex(player, path.toUtf8().constData(), width, height, 0, 0);
    return bindPlayer(player, opened);
}

bool QBasePlayWidget::setPlayObject(void *player)
{
    if (!player)
        return false;
    OnStop();
    releasePlayer();
    void *own = rz_player_create_reference(player);
    return bindPlayer(own, own != nullptr);
}

void QBasePlayWidget::playObjChange(void *player)
{
    setPlayObject(player);
}

uint32_t QBasePlayWidget::frameCallback(void *frame, void *context)
{
    static_cast<QBasePlayWidget *>(context)->drawVideoFrame(frame);
    return 1;
}

void QBasePlayWidget::InitPayerView()
{
    if (m_player)
        rz_player_set_video_frame_handle(m_player, &QBasePlayWidget::frameCallback, this);
}

void QBasePlayWidget::drawVideoFrame(void *frame)
{
    const uint32_t format = rz_frame_format(frame);
    const int width = int(rz_frame_width(frame));
    const int height = int(rz_frame_height(frame));
    if (width < 1 || height < 1)
        return;
    QMutexLocker lock(&m_windowMutex);
    if (!m_videoWindow)
        return;
    if (format == RZ_PIXFMT_BGRA) {
        // Packed frames already have the display's layout: four bytes a pixel, blue first.
        const uint8_t *pixels = rz_frame_data(frame, 0);
        const uint32_t stride = rz_frame_stride(frame, 0);
        if (!pixels || stride < uint32_t(width) * 4)
            return;
        m_videoWindow->showImage(pixels, unsigned(width), unsigned(height), stride);
    } else if (format == RZ_PIXFMT_YUV420P) {
        const unsigned char *planes[3];
        int strides[3];
        for (uint32_t c = 0; c < 3; ++c) {
            planes[c] = rz_frame_data(frame, c);
            strides[c] = int(rz_frame_stride(frame, c));
            if (!planes[c])
                return;
        }
        m_videoWindow->showYUVImage(planes, width, height, strides);
    }
}

bool QBasePlayWidget::isPlaying() const
{
    return m_player && rz_player_is_running(m_player);
}

uint64_t QBasePlayWidget::playDuration() const
{
    const uint64_t duration = m_player ? rz_player_get_duration(m_player) : 0;
    return duration ? duration : 1;
}

void QBasePlayWidget::showTime(uint64_t position)
{
    if (m_bar)
        m_bar->showTime(position, playDuration());
}

void QBasePlayWidget::ResizeVideoWindow()
{
    if (!m_player || !m_videoWindow)
        return;
    m_videoWindow->setVideoSize(int(rz_player_get_video_width(m_player)),
                                int(rz_player_get_video_height(m_player)));
}

void QBasePlayWidget::startScreenTimer()
{
    if (!m_screenTimer.isActive())
        m_screenTimer.start(kScreenMs, this);
}

void QBasePlayWidget::OnPlay()
{
    showPlayOrPause(true);
    if (m_player)
        rz_player_play(m_player);
    m_screenTimer.stop();
    m_positionTimer.start(kPositionMs, this);
}

void QBasePlayWidget::OnPause()
{
    showPlayOrPause(false);
    if (m_player && rz_player_pause(m_player)) {
        startScreenTimer();
        m_positionTimer.stop();
    }
}

void QBasePlayWidget::OnStop()
{
    showPlayOrPause(false);
    if (m_player) {
        rz_player_stop(m_player);
        startScreenTimer();
    }
    m_positionTimer.stop();
    setCtrlProgress(0.0);
}

void QBasePlayWidget::showPlayOrPause(bool playing)
{
    if (m_bar)
        m_bar->showPlayOrPause(playing);
}

void QBasePlayWidget::playUpdataTimer()
{
    if (!m_player)
        return;
    const uint64_t position = rz_player_get_play_time(m_player);
    if (position != 0) {
        playPosChange(position, playDuration());
        showTime(position);
        if (m_videoWindow)
            m_videoWindow->update();
    }
    if (rz_player_is_completed(m_player))
        OnPause();
}

void QBasePlayWidget::updataScreenTimer()
{
    if (m_player && m_videoWindow && m_videoWindow->isVisible())
        rz_player_refresh_video_frame(m_player);
}

void QBasePlayWidget::playPosChange(uint64_t position, uint64_t duration)
{
    setCtrlProgress(double(position) * 100.0 / double(duration ? duration : 1));
}

void QBasePlayWidget::progressValueChange(double fraction)
{
    if (!m_player)
        return;
    if (rz_player_is_completed(m_player))
        rz_player_stop(m_player);
    const uint64_t to = uint64_t(double(playDuration()) * fraction);
    rz_player_seek(m_player, to);
    showTime(to);
}

void QBasePlayWidget::volumeValueChange(quint32 volume)
{
    m_volume = volume;
    if (m_player)
        rz_player_set_audio_volume(m_player, volume);
}

void QBasePlayWidget::frameStepUp()
{
    OnPause();
    if (m_player)
        rz_player_frame_step(m_player, 1);
    playUpdataTimer();
}

void QBasePlayWidget::frameStepDown()
{
    OnPause();
    if (m_player)
        rz_player_frame_step(m_player, -1);
    playUpdataTimer();
}

void QBasePlayWidget::setCtrlProgress(double percent)
{
    if (m_bar)
        m_bar->setProgress(percent);
}

void QBasePlayWidget::setCtrlVolume(quint32 volume)
{
    if (m_bar)
        m_bar->setVolume(volume);
}

void QBasePlayWidget::resetControlLocation()
{
    if (m_videoWindow)
        m_videoWindow->setGeometry(kMargin, kMargin, width() - 2 * kMargin,
                                   height() - 2 * kMargin);
    ResizeVideoWindow();
}

void QBasePlayWidget::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_positionTimer.timerId())
        playUpdataTimer();
    else if (event->timerId() == m_screenTimer.timerId())
        updataScreenTimer();
    else
        QJXWidget::timerEvent(event);
}
