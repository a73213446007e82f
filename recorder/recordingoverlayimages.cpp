#include "recorder/recordingoverlayimages.h"

#include "common/qianyutil.h"
#include "recorder/qrecordareainfo.h"

#include <QFileInfo>

namespace {

QPixmap doubleResolution(const QString &path)
{
    QPixmap pixmap(path);
    if (!pixmap.isNull())
        pixmap.setDevicePixelRatio(2.0);
    return pixmap;
}

} // namespace

QString RecordingOverlayImages::highlightPath(int index)
{
    return QIAnyUtil::getResourcePath() + QStringLiteral("/Cursor/Hightlight/%1.png").arg(index);
}

QString RecordingOverlayImages::clickPath(int index)
{
    return QIAnyUtil::getResourcePath() + QStringLiteral("/Cursor/Click/%1.png").arg(index);
}

void RecordingOverlayImages::load(const QRecordAreaInfo &options, const QSize &recordArea)
{
    m_highlight = m_click = m_watermark = QPixmap();
    if (options.getCursorOption(QRecordAreaInfo::HighlightCursor))
        m_highlight = doubleResolution(highlightPath(options.getCursorIndex(QRecordAreaInfo::HighlightCursor)));
    if (options.getCursorOption(QRecordAreaInfo::HighlightClick))
        m_click = doubleResolution(clickPath(options.getCursorIndex(QRecordAreaInfo::HighlightClick)));
    const QString watermark = QString::fromStdString(options.getWatermarkSetting().imagePath);
    if (!watermark.isEmpty() && QFileInfo(watermark).isFile() && recordArea.isValid()) {
        const QPixmap image(watermark);
        if (!image.isNull())
            m_watermark = image.scaled(recordArea, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
}
