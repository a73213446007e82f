#include "recorder/qrecordareainfo.h"

#include "common/qvideosettingxml.h"

QRecordAreaInfo *QRecordAreaInfo::getAreaInfo()
{
    static QRecordAreaInfo *myself = new QRecordAreaInfo;
    return myself;
}

QRecordAreaInfo::QRecordAreaInfo()
{
    m_watermark.alpha = 255;
    m_watermark.scaleX = 100.0;
    m_watermark.scaleY = 100.0;
    m_customSizes << "176*144" << "240*160" << "320*240" << "320*288" << "352*288" << "480*320"
                  << "640*480" << "704*576" << "720*480" << "720*576" << "768*576" << "800*480"
                  << "854*480" << "960*540" << "960*640" << "1280*720" << "1280*960"
                  << "1920*1080" << QObject::tr("Full Screen") << QObject::tr("Select area to record");

    const QString yes = QStringLiteral("Y");
    m_showCursor = QVideoSettingXml::GetItemValue("CURSOR_OPTION", "Cursor_Show_Value", yes) == yes;
    m_highlightCursor =
        QVideoSettingXml::GetItemValue("CURSOR_OPTION", "Cursor_Hight_Value", yes) == yes;
    m_highlightClick =
        QVideoSettingXml::GetItemValue("CURSOR_OPTION", "Cursor_Hight_Click_Value", yes) == yes;
    m_stopAfter =
        QVideoSettingXml::GetItemValue("RECORD_TIME_INFO", "Bool_Stop_After_Time", "N") == yes;
    bool ok = false;
    const qulonglong length =
        QVideoSettingXml::GetItemValue("RECORD_TIME_INFO", "Stop_time_lenght", "0").toULongLong(&ok);
    m_stopAfterLength = ok ? length : 0;
}

void QRecordAreaInfo::setAudioRecordType(int mask, bool on)
{
    m_recordMask = on ? (m_recordMask | unsigned(mask)) : (m_recordMask & ~unsigned(mask));
}

bool QRecordAreaInfo::getRecordAudioType(int mask) const
{
    return (m_recordMask & unsigned(mask)) != 0;
}

void QRecordAreaInfo::setAudioRecordValid(int mask, bool on)
{
    m_validMask = on ? (m_validMask | unsigned(mask)) : (m_validMask & ~unsigned(mask));
}

bool QRecordAreaInfo::getAudioRecordValid(int mask) const
{
    return (m_validMask & unsigned(mask)) != 0;
}

void QRecordAreaInfo::setCursorOption(cursorOption option, bool on)
{
    switch (option) {
    case ShowCursor: m_showCursor = on; break;
    case HighlightCursor: m_highlightCursor = on; break;
    case HighlightClick: m_highlightClick = on; break;
    }
}

bool QRecordAreaInfo::getCursorOption(cursorOption option) const
{
    switch (option) {
    case ShowCursor: return m_showCursor;
    case HighlightCursor: return m_highlightCursor;
    case HighlightClick: return m_highlightClick;
    }
    return true;
}

void QRecordAreaInfo::setCursorIndex(cursorOption option, int index)
{
    if (option == HighlightCursor)
        m_highlightCursorIndex = index;
    else if (option == HighlightClick)
        m_highlightClickIndex = index;
}

int QRecordAreaInfo::getCursorIndex(cursorOption option) const
{
    if (option == HighlightCursor)
        return m_highlightCursorIndex;
    if (option == HighlightClick)
        return m_highlightClickIndex;
    return -1;
}

void QRecordAreaInfo::swapPtAntSize()
{
    std::swap(m_startPt, m_previousPt);
    std::swap(m_recordSize, m_previousSize);
}

void QRecordAreaInfo::setScale(int x, int y)
{
    m_scaleX = x;
    m_scaleY = y;
}

void QRecordAreaInfo::getScale(int &x, int &y) const
{
    x = m_scaleX;
    y = m_scaleY;
}
