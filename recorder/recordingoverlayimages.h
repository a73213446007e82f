#pragma once
// Pictures a screen recording draws over its frames: the cursor highlight and
// click rings of the chosen colours from the resources, and the image
// watermark scaled to the record area.

#include <QPixmap>
#include <QSize>

class QRecordAreaInfo;

class RecordingOverlayImages
{
public:
    // Loads what the recording options switch on; the rest stays null.
    void load(const QRecordAreaInfo &options, const QSize &recordArea);

    QPixmap highlight() const { return m_highlight; }
    QPixmap click() const { return m_click; }
    QPixmap watermark() const { return m_watermark; }

    static QString highlightPath(int index);
    static QString clickPath(int index);

private:
    QPixmap m_highlight;
    QPixmap m_click;
    QPixmap m_watermark;
};
