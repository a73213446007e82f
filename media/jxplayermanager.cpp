#include "media/jxplayermanager.h"

#include "media/imediaelementwindow.h"
#include "media/jxinfoclass.h"
#include "media/jxplayerclass.h"
#include "media/jxplaytimetext.h"
#include "media/medialog.h"
#include "rzcodec/player.h"

#include <QImage>
#include <QMetaObject>
#include <QTimer>

#include <cstring>

namespace {

constexpr int kPositionInterval = 100;
constexpr int kScreenInterval = 50;
constexpr int kWaveInterval = 50;
constexpr uint64_t kFrameInterval = 50000;
constexpr uint64_t kAsyncSeekTolerance = 2000000;

uint32_t low32(uint64_t v)
{
    return uint32_t(v & 0xFFFFFFFFu);
}

uint32_t high32(uint64_t v)
{
    return uint32_t(v >> 32);
}

uint32_t readLe32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

namespace {

// Called on the player's thread: the GUI thread hears of it through its queue.
void previewEventLoop(int32_t event, void *context)
{
    auto *manager = static_cast<JXPlayerManager *>(context);
    if (manager && event == RZ_PLAYER_EVENT_PLAY_FAILED)
        QMetaObject::invokeMethod(manager, &JXPlayerManager::onPlayFailed, Qt::QueuedConnection);
}

} // namespace

JXPlayerManager::JXPlayerManager(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<uint64_t>("uint64_t");
    VEEditConfig::registerMetaTypes();
    initData();
    initPlayerManager();
}

JXPlayerManager::~JXPlayerManager()
{
    // The player goes first: its thread calls back into this object.
    if (m_eventHandleId != 0 && hasPlayer() && m_player->handleId() == m_eventHandleId)
        rz_player_set_event_handle(m_player->getPlayer(), nullptr, nullptr);
    delete m_player;
    m_player = nullptr;
    delete m_info;
    m_info = nullptr;
    m_screenTimer->stop();
    delete m_screenTimer;
    m_positionTimer->stop();
    delete m_positionTimer;
    m_waveTimer->stop();
    delete m_waveTimer;
}

void JXPlayerManager::initData()
{
    m_crop = VECropSettings();
    m_panScanMode = PanScanNone;
    m_watermark = VEWatermarkSettings();
    m_watermarkIndex = -1;
    m_sentWatermarkIndex = -1;
}

void JXPlayerManager::initPlayerManager()
{
    m_positionTimer = new QTimer(this);
    m_positionTimer->setInterval(kPositionInterval);
    connect(m_positionTimer, &QTimer::timeout, this, &JXPlayerManager::updateTime);
    m_screenTimer = new QTimer(this);
    m_screenTimer->setInterval(kScreenInterval);
    connect(m_screenTimer, &QTimer::timeout, this, &JXPlayerManager::updataScreen);
    m_waveTimer = new QTimer(this);
    m_waveTimer->setInterval(kWaveInterval);
    connect(m_waveTimer, &QTimer::timeout, this, &JXPlayerManager::audioDataChanged);
}

bool JXPlayerManager::hasPlayer() const
{
    return m_player && m_player->IsCreatePlayer();
}

// ---------------------------------------------------------------- opening

bool JXPlayerManager::createrPlayer(bool flag)
{
    if (hasPlayer())
        return m_player->IsCreatePlayer();
    delete m_player;
    m_player = new JXPlayerClass(this);
    return m_player->Create_Player(flag) != nullptr;
}

bool JXPlayerManager::setPlayFile(const QString &path, unsigned width, unsigned height,
                                  unsigned maxWatermarks)
{
    m_outputWidth = int32_t(width);
    m_outputHeight = int32_t(height);
    const QByteArray utf8 = path.toUtf8();
    const bool opened = openOwnPlayer(utf8, width, height);
    if (opened)
        m_player->SetVideoWatermarkMaxCount_Player(maxWatermarks);
    return afterOpen(opened, utf8, false, nullptr);
}

bool JXPlayerManager::setPlayFile(const QString &path, const VEEditConfig &config,
                                  unsigned maxWatermarks)
{
    // The record carries no DVD choice of its own; its program index is used.
    m_outputWidth = config.resolutionWidth;
    m_outputHeight = config.resolutionHeight;
    const QByteArray utf8 = path.toUtf8();
    const bool opened = openOwnPlayer(utf8, unsigned(qMax(0, m_outputWidth)),
                                      unsigned(qMax(0, m_outputHeight)));
    m_player->SetProgrIndex_Player(unsigned(config.programValueInfo.ProgramIndex));
    if (opened)
        m_player->SetVideoWatermarkMaxCount_Player(maxWatermarks);
    return afterOpen(opened, utf8, false, nullptr);
}

bool JXPlayerManager::openOwnPlayer(const QByteArray &utf8Path, unsigned width, unsigned height)
{
    if (!hasPlayer()) {
        delete m_player;
        m_player = new JXPlayerClass(this);
        m_player->Create_Player(true);
    }
    if (!m_player->IsCompleted_Player())
        m_player->Stop_Player();
    return m_player->OpenEx_Player(utf8Path.constData(), width, height, 0, 0);
}

bool JXPlayerManager::setPlayer(void *handle, unsigned width, unsigned height,
                                unsigned maxWatermarks)
{
    if (!m_player)
        m_player = new JXPlayerClass(this);
    m_outputWidth = int32_t(width);
    m_outputHeight = int32_t(height);
    const bool bound = m_player->Reference_Player(handle);
    if (bound)
        m_player->SetVideoWatermarkMaxCount_Player(maxWatermarks);
    return afterOpen(bound, QByteArray(), false, handle);
}

bool JXPlayerManager::setOpenedMedia(JXOpenedMedia media, unsigned width, unsigned height,
                                     unsigned maxWatermarks)
{
    m_outputWidth = int32_t(width);
    m_outputHeight = int32_t(height);
    // The file open before goes with its player, whose thread calls back here.
    if (m_eventHandleId != 0 && hasPlayer() && m_player->handleId() == m_eventHandleId)
        rz_player_set_event_handle(m_player->getPlayer(), nullptr, nullptr);
    m_eventHandleId = 0;
    delete m_player;
    m_player = new JXPlayerClass(this);
    const bool opened = media.hasPlayer();
    m_player->Adopt_Player(media.takePlayer(), opened);
    delete m_info;
    m_info = nullptr;
    if (void *info = media.takeInfo()) {
        m_info = new JXInfoClass(this);
        m_info->Adopt_Info(info);
    }
    m_previewBox.clear();
    m_originalBox.clear();
    if (opened)
        m_player->SetVideoWatermarkMaxCount_Player(maxWatermarks);
    return afterOpen(opened, QByteArray(), false, nullptr);
}

bool JXPlayerManager::afterOpen(bool opened, const QByteArray &path, bool dvd, void *handle)
{
    if (!opened) {
        m_screenTimer->stop();
        m_positionTimer->stop();
        m_waveTimer->stop();
        showTime(0);
        showTime2(0);
        emit emitPlayProgress(0.0);
        emit emitPlayFinish();
        if (m_previewWindow)
            m_previewWindow->setElementHidden(false);
        if (m_originalWindow)
            m_originalWindow->setElementHidden(false);
        return false;
    }
    if (!m_info || !m_info->IsCreateInfo()) {
        delete m_info;
        m_info = new JXInfoClass(this);
        m_info->Create_Info();
        if (handle)
            m_info->OpenWithPlayer_Info(handle);
        else if (dvd)
            m_info->OpenDVD_Info(path.constData());
        else if (!path.isEmpty()) // an adopted file comes with its own
            m_info->Open_Info(path.constData());
    }
    m_player->SetTimeInterval_Player(kFrameInterval);
    m_player->Seek_Player(m_trim.playStart);
    startScreenTimer();
    m_player->SetVideoFrameHandle_Player(&JXPlayerManager::VideoEditFrameLoop, this);
    m_player->SetOriginalVideoFrameHandle_Player(&JXPlayerManager::OrignalVideEditoFrameLoop, this);
    // A player shared with another owner keeps that owner's handler.
    if (!handle) {
        m_eventHandleId = m_player->handleId();
        rz_player_set_event_handle(m_player->getPlayer(), previewEventLoop, this);
    }
    checkStreams();
    emit emitPlayerChange();
    return true;
}

void JXPlayerManager::checkStreams()
{
    if (m_player->HasVideo_Player()) {
        m_player->EnableAudioWaveData_Player(0);
        emit emitIsHaveVideo(true);
        m_audioOnly = 0;
    } else if (m_player->HasAudio_Player()) {
        m_player->EnableAudioWaveData_Player(1);
        emit emitIsHaveVideo(false);
        m_audioOnly = 1;
    }
}

// ---------------------------------------------------------------- transport

void JXPlayerManager::onPlay()
{
    if (!hasPlayer())
        return;
    if (!m_player->HasVideoAndAudio_Player()) {
        reportZero();
        return;
    }
    if (m_player->IsCompleted_Player())
        m_player->Stop_Player();
    if (!m_player->Play_Player()) {
        emit emitPlayState(false);
        const QString why = m_player->GetErrorText_Player();
        if (!why.isEmpty())
            emit emitPlayError(JXPlayerClass::playbackFailedMessage(why));
        return;
    }
    emit emitPlayState(true);
    if (m_audioOnly)
        m_waveTimer->start();
    m_screenTimer->stop();
    m_positionTimer->start();
}

void JXPlayerManager::onPlayFailed()
{
    // A play is accepted at once and its sound output opened by the player's
    // thread; this is that output failing. Stale when playing on since.
    if (!hasPlayer() || m_player->IsRunning_Player())
        return;
    const QString why = m_player->GetErrorText_Player();
    comeToRest();
    emit emitPlayState(false);
    if (!why.isEmpty())
        emit emitPlayError(JXPlayerClass::playbackFailedMessage(why));
}

void JXPlayerManager::startPlay()
{
    onPlay();
    emit emitPlayState(true);
}

void JXPlayerManager::basePause()
{
    if (!hasPlayer() || !m_player->Pause_Player())
        return;
    startScreenTimer();
    m_positionTimer->stop();
    m_waveTimer->stop();
    emit emitAudioData(QByteArray(), 0);
}

void JXPlayerManager::onPause()
{
    m_trim.isTrimPlaying = false;
    basePause();
    emit emitPlayState(false);
}

void JXPlayerManager::pausePlay()
{
    basePause();
    emit emitPlayState(false);
}

void JXPlayerManager::onStop()
{
    m_trim.isTrimPlaying = false;
    if (!hasPlayer() || !m_player->HasVideoAndAudio_Player() || !m_player->Stop_Player())
        return;
    m_player->Seek_Player(m_trim.playStart);
    reportZero();
    startScreenTimer();
    stopPlayTimers();
}

void JXPlayerManager::closePlay()
{
    if (!hasPlayer())
        return;
    onStop();
    m_player->Close_Player();
    m_previewBox.clear();
    m_originalBox.clear();
    showTime(0);
    showTime2(0);
    emit emitPlayProgress(0.0);
    emit emitPlayFinish();
    emit emitClosePlay();
    emit emitAudioData(QByteArray(), 0);
}

void JXPlayerManager::playFinished()
{
    reportZero();
}

void JXPlayerManager::reportZero()
{
    showTime(0);
    showTime2(0);
    emit emitPlayProgress(0.0);
    emit emitPlayFinish();
}

void JXPlayerManager::startScreenTimer()
{
    m_screenTimer->start();
}

void JXPlayerManager::stopPlayTimers()
{
    m_positionTimer->stop();
    m_waveTimer->stop();
    emit emitAudioData(QByteArray(), 0);
}

void JXPlayerManager::progressValueChange(double value)
{
    if (!hasPlayer())
        return;
    const auto offset = uint64_t(double(getPlaylength()) * value);
    if (!m_player->Seek_Player(m_trim.playStart + offset)) {
        reportFailedSeek();
        return;
    }
    showTime(offset);
    showTime2(offset);
}

void JXPlayerManager::beginAsyncSeek()
{
    if (hasPlayer())
        m_player->BeginAsyncSeek_Player(kAsyncSeekTolerance);
}

void JXPlayerManager::endAsyncSeek()
{
    if (hasPlayer() && !m_player->EndAsyncSeek_Player())
        reportFailedSeek();
}

void JXPlayerManager::reportFailedSeek()
{
    const QString why = m_player->GetErrorText_Player();
    if (why.isEmpty())
        return; // nothing open, or nothing changed
    qCWarning(lcMedia).noquote() << "preview seek failed:" << why;
    if (!m_player->IsRunning_Player()) {
        comeToRest();
        const uint64_t position = m_trim.relative(m_player->GetPlayTime_Player());
        emit emitPlayProgress(JXTrimRange::fraction(position, getPlaylength()));
        showTime(position);
        showTime2(position);
        emit emitPlayState(false);
    }
    emit emitPlayError(JXPlayerClass::seekFailedMessage(why));
}

void JXPlayerManager::comeToRest()
{
    m_trim.isTrimPlaying = false;
    stopPlayTimers();
    startScreenTimer();
}

void JXPlayerManager::setSoundVolume(int volume)
{
    m_volume = float(qMax(volume, 0));
    if (hasPlayer())
        m_player->SetAudioVolume_Player(uint64_t(qMax(volume, 0)));
}

// ---------------------------------------------------------------- timers

void JXPlayerManager::updateTime()
{
    if (!hasPlayer())
        return;
    const uint64_t t = m_player->GetPlayTime_Player();
    const uint64_t length = getPlaylength();
    if (m_trim.isTrimPlaying && t > m_trim.segmentEnd) {
        m_player->Seek_Player(m_trim.segmentEnd);
        const uint64_t shown = m_trim.relative(m_trim.segmentEnd);
        emit emitPlayProgress(JXTrimRange::fraction(shown, length));
        showTime(shown);
        showTime2(shown);
        m_trim.isTrimPlaying = false;
        basePause();
        emit emitPlayState(false);
        emit emitTrimPlayState(false);
        return;
    }
    if (m_trim.pastEnd(t)) {
        onStop();
        return;
    }
    if (m_player->IsCompleted_Player()) {
        const QString why = m_player->GetErrorText_Player();
        onStop();
        if (!why.isEmpty())
            emit emitPlayError(JXPlayerClass::playbackStoppedMessage(why));
        return;
    }
    if (t == 0)
        return;
    const uint64_t position = m_trim.relative(t);
    emit emitPlayProgress(JXTrimRange::fraction(position, length));
    showTime(position);
    showTime2(position);
}

void JXPlayerManager::updataScreen()
{
    if (hasPlayer() && m_player->HasVideo_Player() && !m_player->IsCompleted_Player())
        m_player->ShowVideoFrame_Player();
}

void JXPlayerManager::audioDataChanged()
{
    if (!hasPlayer())
        return;
    unsigned char *block = m_player->GetAudioWaveData_Player(m_waveFreq);
    if (block) {
        const int bytes = 44 + int(readLe32(block + 40));
        // Receivers get their own copy: the block is freed right after this.
        emit emitAudioData(QByteArray(reinterpret_cast<const char *>(block), bytes),
                           int(readLe32(block + 24) >> 1));
        m_player->FreeAudioWaveData_Player(block);
    }
}

// ---------------------------------------------------------------- texts

void JXPlayerManager::showTime(uint64_t position)
{
    emit emitPlayTime(JXPlayTimeText::span(position, getPlaylength()));
}

void JXPlayerManager::showTime2(uint64_t position)
{
    emit emitPlayTime2(JXPlayTimeText::spanMs(position, getPlaylength()));
}

// ---------------------------------------------------------------- state

uint64_t JXPlayerManager::getDuration() const
{
    return hasPlayer() ? m_player->GetDuration_Player() : 0;
}

uint64_t JXPlayerManager::getPlaylength() const
{
    return hasPlayer() ? m_trim.playLength(m_player->GetDuration_Player()) : 0;
}

uint64_t JXPlayerManager::getVideoSize() const
{
    return hasPlayer() ? m_player->GetVideoSize_Player() : 0;
}

uint64_t JXPlayerManager::getResolutionSize() const
{
    return uint64_t(uint32_t(m_outputWidth)) | uint64_t(uint32_t(m_outputHeight)) << 32;
}

// ---------------------------------------------------------------- windows

void JXPlayerManager::setMediaPreviewWindow(IMediaElementWindow *window)
{
    m_previewWindow = window;
    m_previewShown = window != nullptr;
    m_previewBox.clear();
    if (!hasPlayer())
        return;
    m_player->SetVideoFrameHandle_Player(window ? &JXPlayerManager::VideoEditFrameLoop : nullptr,
                                         window ? this : nullptr);
    resizeVideoWindow();
}

void JXPlayerManager::setMediaOriginalWindow(IMediaElementWindow *window)
{
    m_originalWindow = window;
    m_originalShown = window != nullptr;
    m_originalBox.clear();
    if (!hasPlayer())
        return;
    m_player->SetOriginalVideoFrameHandle_Player(
        window ? &JXPlayerManager::OrignalVideEditoFrameLoop : nullptr, window ? this : nullptr);
    resizeVideoWindow();
}

void JXPlayerManager::resizeVideoWindow()
{
    if (!hasPlayer())
        return;
    const uint64_t size = m_player->GetVideoSize_Player();
    const uint64_t aspect = m_player->GetVideoAspectRatio_Player();
    const bool aspectKnown = low32(aspect) >= 1 && high32(aspect) >= 1;
    if (m_originalWindow) {
        const uint64_t s = aspectKnown ? aspect : size;
        m_originalWindow->setVideoElementSize(int(low32(s)), int(high32(s)));
    }
    if (m_previewWindow) {
        if (m_outputWidth > 0 && m_outputHeight > 0)
            m_previewWindow->setVideoElementSize(m_outputWidth, m_outputHeight);
        else {
            const uint64_t s = aspectKnown ? aspect : size;
            m_previewWindow->setVideoElementSize(int(low32(s)), int(high32(s)));
        }
    }
}

bool JXPlayerManager::captureImage(const QString &path, const QString &format)
{
    if (!hasPlayer())
        return false;
    unsigned char *bmp = m_player->CaptureVideoImage_Player(0, 0, 0);
    if (!bmp)
        return false;
    QImage image;
    image.loadFromData(bmp, int(readLe32(bmp + 2)));
    const bool saved = !image.isNull()
                       && image.save(path, format.toLower().toLatin1().constData(), -1);
    m_player->FreeVideoImage_Player(bmp);
    return saved;
}

// ---------------------------------------------------------------- pictures

uint32_t JXPlayerManager::VideoEditFrameLoop(void *frame, void *context)
{
    return static_cast<JXPlayerManager *>(context)->DrawVideoFrame(frame);
}

uint32_t JXPlayerManager::OrignalVideEditoFrameLoop(void *frame, void *context)
{
    return static_cast<JXPlayerManager *>(context)->DrawOrignalVideoFrame(frame);
}

uint32_t JXPlayerManager::DrawVideoFrame(void *frame)
{
    return DrawVideo(frame, m_previewShown, m_previewBox);
}

uint32_t JXPlayerManager::DrawOrignalVideoFrame(void *frame)
{
    return DrawVideo(frame, m_originalShown, m_originalBox);
}

uint32_t JXPlayerManager::DrawVideo(void *frame, const std::atomic<bool> &hasWindow,
                                    JXFrameMailbox &box)
{
    if (!hasWindow)
        return 0;
    // Runs on the library's thread: the frame dies when this returns, so it
    // is copied here and drawn on the GUI thread.
    std::optional<JXFrameCopy> copy = JXFrameCopy::fromFrame(frame);
    if (!copy)
        return 0;
    if (box.post(std::move(*copy)))
        QMetaObject::invokeMethod(this, &JXPlayerManager::deliverFrames, Qt::QueuedConnection);
    return 1;
}

void JXPlayerManager::deliverFrames()
{
    if (std::optional<JXFrameCopy> f = m_previewBox.take())
        f->showIn(m_previewWindow);
    if (std::optional<JXFrameCopy> f = m_originalBox.take())
        f->showIn(m_originalWindow);
}
