// Trim range, segment playback and frame steps of the preview.

#include "media/jxplayermanager.h"

#include "media/jxplayerclass.h"

void JXPlayerManager::setTrimTime(uint64_t start, uint64_t end)
{
    m_trim.set(start, end);
    if (hasPlayer())
        m_player->Seek_Player(start);
}

void JXPlayerManager::onTrim(uint64_t startTime, uint64_t endTime)
{
    if (!hasPlayer())
        return;
    m_trim.playEnd = endTime;
    m_trim.isTrim = true;
    m_trim.playStart = startTime;
    restartInRange();
}

void JXPlayerManager::onTrimChapter(uint64_t startTime, uint64_t endTime)
{
    onTrim(startTime, endTime);
}

void JXPlayerManager::onReset()
{
    if (!hasPlayer())
        return;
    m_trim.isTrim = false;
    m_trim.playEnd = 0;
    m_trim.playStart = 0;
    restartInRange();
}

void JXPlayerManager::restartInRange()
{
    onStop();
    m_player->Seek_Player(m_trim.playStart);
    showTime(0);
    showTime2(0);
    emit emitTrimTimeChange(m_trim.playStart, m_trim.playEnd);
}

void JXPlayerManager::onTrimPlay(float startPos, float endPos)
{
    if (!hasPlayer())
        return;
    const uint64_t duration = m_player->GetDuration_Player();
    m_trim.segmentStart = m_trim.at(startPos, duration);
    m_trim.segmentEnd = m_trim.at(endPos, duration);
    if (!m_trim.isTrimPlaying) {
        m_trim.isTrimPlaying = true;
        m_player->Seek_Player(m_trim.segmentStart);
    }
    onPlay();
    emit emitPlayState(true);
    emit emitTrimPlayState(true);
}

void JXPlayerManager::onTrimPause()
{
    basePause();
    emit emitPlayState(false);
    emit emitTrimPlayState(false);
}

void JXPlayerManager::onPreviousStep(bool isSeek, float value)
{
    if (!hasPlayer())
        return;
    if (!m_player->IsPause_Player()) {
        m_trim.isTrimPlaying = false;
        onTrimPause();
    }
    const uint64_t target = m_trim.at(value, m_player->GetDuration_Player());
    if (isSeek)
        m_player->Seek_Player(target);
    if (target > m_trim.playStart)
        m_player->FrameStep_Player(-1);
    else if (isSeek)
        m_player->UpdateVideoFrame_Player();
    reportStep();
}

void JXPlayerManager::onNextStep(bool isSeek, float value)
{
    if (!hasPlayer())
        return;
    if (!m_player->IsPause_Player()) {
        m_trim.isTrimPlaying = false;
        onTrimPause();
    }
    const uint64_t target = m_trim.at(value, m_player->GetDuration_Player()) + 1;
    if (isSeek)
        m_player->Seek_Player(target);
    // A range end at or before its start runs to the media's end.
    if (!m_trim.hasEnd() || target < m_trim.playEnd)
        m_player->FrameStep_Player(1);
    else if (isSeek)
        m_player->UpdateVideoFrame_Player();
    reportStep();
}

void JXPlayerManager::reportStep()
{
    const uint64_t t = m_player->GetVideoTime_Player();
    const uint64_t relative = t ? (t > m_trim.playStart ? t - m_trim.playStart : 0) : 0;
    const auto percent = float(JXTrimRange::fraction(relative, getPlaylength()) * 100.0);
    emit emitPlayProgress(percent / 100.0);
    emit emitStartEndProgressValue(percent);
    showTime2(relative);
}
