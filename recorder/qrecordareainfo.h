#pragma once
// The process-wide options of a recording: which sources to record and which
// have a usable device, stop-after length, daily schedule, cursor options,
// the capture area of screen recordings, the image watermark and the screen's
// pixel scale. Created on first use; lives until the process ends.

#include "common/watermarkimagesettings.h"

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QStringList>

class QRecordAreaInfo : public QObject
{
    Q_OBJECT
public:
    enum cursorOption { ShowCursor = 1, HighlightCursor = 2, HighlightClick = 3 };
    // Source bits of both masks.
    enum Source { SystemSound = 1, Microphone = 2 };

    static QRecordAreaInfo *getAreaInfo();

    void setAudioRecordType(int mask, bool on);
    bool getRecordAudioType(int mask) const;
    void setAudioRecordValid(int mask, bool on);
    bool getAudioRecordValid(int mask) const;

    void setCursorOption(cursorOption option, bool on);
    bool getCursorOption(cursorOption option) const;
    void setCursorIndex(cursorOption option, int index);
    int getCursorIndex(cursorOption option) const;

    void setManuallyAble(bool on) { m_stopAfter = on; }
    bool getManuallyAble() const { return m_stopAfter; }
    void setTimingLenght(unsigned long long us) { m_stopAfterLength = us; }
    unsigned long long getTimingLenght() const { return m_stopAfterLength; }
    void setScheduleAble(bool on) { m_schedule = on; }
    bool getScheduleAble() const { return m_schedule; }
    void setScheduleStartTime(unsigned long long us) { m_scheduleStart = us; }
    unsigned long long getScheduleStartTime() const { return m_scheduleStart; }
    void setScheduleEndTime(unsigned long long us) { m_scheduleEnd = us; }
    unsigned long long getScheduleEndTime() const { return m_scheduleEnd; }

    void setStartPt(const QPoint &pt) { m_startPt = pt; }
    QPoint getStartPt() const { return m_startPt; }
    void setRecordSize(const QSize &size) { m_recordSize = size; }
    QSize getRecordSize() const { return m_recordSize; }
    void setStartPreviousPt(const QPoint &pt) { m_previousPt = pt; }
    QPoint getStartPreviousPt() const { return m_previousPt; }
    void setRecordPreviousSize(const QSize &size) { m_previousSize = size; }
    QSize getRecordPreviousSize() const { return m_previousSize; }
    void swapPtAntSize();
    void setKeepScale(bool on) { m_keepScale = on; }
    bool getKeepScale() const { return m_keepScale; }
    void setDialogTop(bool on) { m_dialogTop = on; }
    bool getDialogTop() const { return m_dialogTop; }

    void setWatermarkSetting(const WatermarkImageSettings &settings) { m_watermark = settings; }
    WatermarkImageSettings getWatermarkSetting() const { return m_watermark; }
    void setScale(int x, int y);
    void getScale(int &x, int &y) const;
    QStringList getCustomSizeList() const { return m_customSizes; }

private:
    QRecordAreaInfo();

    QStringList m_customSizes;
    QPoint m_startPt;
    QSize m_recordSize{0, 0};
    int m_scaleX = 1;
    int m_scaleY = 1;
    QPoint m_previousPt;
    QSize m_previousSize{0, 0};
    bool m_keepScale = false;
    unsigned m_recordMask = 0;
    unsigned m_validMask = 0;
    bool m_showCursor = true;
    bool m_highlightCursor = true;
    bool m_highlightClick = true;
    int m_highlightCursorIndex = 0;
    int m_highlightClickIndex = 0;
    bool m_stopAfter = false;
    unsigned long long m_stopAfterLength = 0;
    bool m_schedule = false;
    unsigned long long m_scheduleStart = 0;
    unsigned long long m_scheduleEnd = 0;
    bool m_dialogTop = false;
    WatermarkImageSettings m_watermark;
};
