// Dragging the crop rectangle on the unedited picture and the watermarks on
// the edited one.

#include "media/jxplayermanager.h"

#include "media/imediaelementwindow.h"
#include "media/jxplayerclass.h"

#include <QMouseEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>

using namespace JXRectEdit;

namespace {

QPoint mousePoint(const QMouseEvent *event)
{
    const QPointF p = event->localPos();
    return {roundPixel(p.x()), roundPixel(p.y())};
}

int elementWidth(const QRect &e)
{
    return e.right() + 1 - e.left();
}

int elementHeight(const QRect &e)
{
    return e.bottom() + 1 - e.top();
}

uint32_t evenPixels(double fraction, uint32_t videoSide)
{
    const auto f = uint32_t(std::lround(std::clamp(fraction, 0.0, 1.0) * 65536.0));
    if (f == 65536)
        return videoSide;
    uint32_t size = uint32_t((uint64_t(f) * videoSide + 65536) / 65536);
    if (size < videoSide)
        size &= ~1u;
    return size;
}

} // namespace

void JXPlayerManager::setSenderCursor(int handle)
{
    if (auto *w = qobject_cast<QWidget *>(sender()))
        w->setCursor(cursorFor(handle));
}

// ---------------------------------------------------------------- crop

FracRect JXPlayerManager::shownCropRect() const
{
    if (panScanInForce(m_crop))
        return {m_crop.fitLeft, m_crop.fitTop, m_crop.fitRight, m_crop.fitBottom};
    return {m_crop.cropLeft, m_crop.cropTop, m_crop.cropRight, m_crop.cropBottom};
}

void JXPlayerManager::mousePressEvent(QMouseEvent *event)
{
    if (!m_originalWindow || !event)
        return;
    const QPoint m = mousePoint(event);
    const FracRect r = shownCropRect();
    const Handle h = hitTest(r, m_originalWindow->getVideoElementRect(), m.x(), m.y());
    setSenderCursor(h);
    if (h == NoHandle)
        return;
    m_cropHandle = h;
    m_pressPoint = m;
    m_pressRect = r;
}

void JXPlayerManager::mouseReleaseEvent(QMouseEvent *)
{
    m_cropHandle = NoHandle;
}

void JXPlayerManager::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_originalWindow || !event)
        return;
    setSenderCursor(NoHandle);
    const QPoint m = mousePoint(event);
    const QRect element = m_originalWindow->getVideoElementRect();
    if (m_cropHandle == NoHandle) {
        setSenderCursor(hitTest(shownCropRect(), element, m.x(), m.y()));
        return;
    }
    const int ew = elementWidth(element), eh = elementHeight(element);
    if (ew <= 0 || eh <= 0)
        return;
    int minW, minH;
    cropMinPixels(element, minW, minH);
    setSenderCursor(m_cropHandle);
    const double dx = double(m.x() - m_pressPoint.x()) / ew;
    const double dy = double(m.y() - m_pressPoint.y()) / eh;
    FracRect r = drag(m_cropHandle, m_pressRect, dx, dy, double(minW) / ew, double(minH) / eh);
    if (panScanInForce(m_crop) && m_crop.panScanMode < 2)
        r = keepProportions(m_cropHandle, m_pressRect, r);
    m_crop.cropLeft = m_crop.fitLeft = r.x;
    m_crop.cropTop = m_crop.fitTop = r.y;
    m_crop.cropRight = m_crop.fitRight = r.width;
    m_crop.cropBottom = m_crop.fitBottom = r.height;
    cropRatioFromDrag();
    emit emitCropAreaChange(m_crop);
    cropSettings(m_crop);
}

void JXPlayerManager::cropRatioFromDrag()
{
    const uint32_t mode = m_crop.panScanMode;
    if (mode == 1 || (mode == 0 && !m_crop.pad)) {
        const uint64_t size = getVideoSize();
        const uint32_t w = evenPixels(m_crop.cropRight, uint32_t(size));
        const uint32_t h = evenPixels(m_crop.cropBottom, uint32_t(size >> 32));
        m_crop.sizeMode = 0;
        if (mode == 1) {
            m_crop.aspectWidth = std::max(w, 2u);
            m_crop.aspectHeight = std::max(h, 2u);
        } else {
            m_crop.aspectWidth = m_crop.aspectHeight = 0;
        }
        return;
    }
    // Fixed ratios keep reporting their ratio while the rectangle moves.
    switch (mode) {
    case 2:
        m_crop.aspectWidth = uint32_t(std::max(0, m_outputWidth));
        m_crop.aspectHeight = uint32_t(std::max(0, m_outputHeight));
        break;
    case 3:
        m_crop.aspectWidth = 16;
        m_crop.aspectHeight = 9;
        break;
    case 4:
        m_crop.aspectWidth = 4;
        m_crop.aspectHeight = 3;
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- watermarks

FracRect JXPlayerManager::watermarkRect(bool text) const
{
    if (text)
        return {m_watermark.textPosX, m_watermark.textPosY, m_player->GetWatermarkTextWidth_Player(),
                m_player->GetWatermarkTextHeight_Player()};
    return {m_watermark.imagePosX, m_watermark.imagePosY, m_player->GetWatermarkImageWidth_Player(),
            m_player->GetWatermarkImageHeight_Player()};
}

bool JXPlayerManager::watermarkEnabled(bool text) const
{
    return text ? !m_watermark.text.empty() : !m_watermark.imageFile.empty();
}

void JXPlayerManager::mouseWatermarkPressEvent(QMouseEvent *event)
{
    if (m_lastWatermarkType == 1) {
        if (!WatermarkTextDown(event))
            WatermarkImageDown(event);
    } else if (!WatermarkImageDown(event)) {
        WatermarkTextDown(event);
    }
}

void JXPlayerManager::mouseWatermarkMoveEvent(QMouseEvent *event)
{
    if (hasPlayer() && m_watermarkIndex != m_sentWatermarkIndex && m_watermarkIndex >= 0) {
        m_player->SetWatermarkIndex_Player(unsigned(m_watermarkIndex));
        m_sentWatermarkIndex = m_watermarkIndex;
    }
    if (m_lastWatermarkType == 1) {
        if (!WatermarkTextMove(event))
            WatermarkImageMove(event);
    } else if (!WatermarkImageMove(event)) {
        WatermarkTextMove(event);
    }
}

void JXPlayerManager::mouseWatermarkReleaseEvent(QMouseEvent *event)
{
    const VEWatermarkSettings current = m_watermark;
    setCurrentWatermarkSettingsNotSource(current, m_watermarkIndex, true);
    WatermarkTextUp(event);
    WatermarkImageUp(event);
}

bool JXPlayerManager::WatermarkTextDown(QMouseEvent *event)
{
    return watermarkDown(event, true);
}

bool JXPlayerManager::WatermarkImageDown(QMouseEvent *event)
{
    return watermarkDown(event, false);
}

bool JXPlayerManager::WatermarkTextMove(QMouseEvent *event)
{
    return watermarkMove(event, true);
}

bool JXPlayerManager::WatermarkImageMove(QMouseEvent *event)
{
    return watermarkMove(event, false);
}

bool JXPlayerManager::WatermarkTextUp(QMouseEvent *)
{
    m_textHandle = NoHandle;
    return true;
}

bool JXPlayerManager::WatermarkImageUp(QMouseEvent *)
{
    m_imageHandle = NoHandle;
    return true;
}

bool JXPlayerManager::watermarkDown(QMouseEvent *event, bool text)
{
    if (!event || !m_previewWindow || !hasPlayer() || !watermarkEnabled(text))
        return false;
    const QPoint m = mousePoint(event);
    const FracRect r = watermarkRect(text);
    const Handle h = hitTest(r, m_previewWindow->getVideoElementRect(), m.x(), m.y());
    setSenderCursor(h);
    if (h == NoHandle)
        return false;
    (text ? m_textHandle : m_imageHandle) = h;
    m_lastWatermarkType = text ? 1 : 0;
    m_pressPoint = m;
    m_pressRect = r;
    m_pressScaleX = text ? m_watermark.textScaleX : m_watermark.imageScaleX;
    m_pressScaleY = text ? m_watermark.textScaleY : m_watermark.imageScaleY;
    return true;
}

bool JXPlayerManager::watermarkMove(QMouseEvent *event, bool text)
{
    if (!event || !m_previewWindow || !hasPlayer() || !watermarkEnabled(text))
        return false;
    const QPoint m = mousePoint(event);
    const QRect element = m_previewWindow->getVideoElementRect();
    const int handle = text ? m_textHandle : m_imageHandle;
    if (handle == NoHandle) {
        setSenderCursor(NoHandle);
        const Handle h = hitTest(watermarkRect(text), element, m.x(), m.y());
        setSenderCursor(h);
        return h != NoHandle;
    }
    const int ew = elementWidth(element), eh = elementHeight(element);
    if (ew <= 0 || eh <= 0)
        return false;
    const double dx = double(m.x() - m_pressPoint.x()) / ew;
    const double dy = double(m.y() - m_pressPoint.y()) / eh;
    const FracRect r = drag(handle, m_pressRect, dx, dy, kMinExtent, kMinExtent);
    auto scaled = [](double extent, double pressed, double pressScale) {
        return pressed > 0 ? uint32_t(extent / pressed * pressScale + 0.5) : uint32_t(pressScale);
    };
    if (text) {
        m_watermark.textPosX = r.x;
        m_watermark.textPosY = r.y;
        if (handle != Inside) {
            m_watermark.textWidth = r.width;
            m_watermark.textHeight = r.height;
            m_watermark.textScaleX = scaled(r.width, m_pressRect.width, m_pressScaleX);
            m_watermark.textScaleY = scaled(r.height, m_pressRect.height, m_pressScaleY);
        }
    } else {
        m_watermark.imagePosX = r.x;
        m_watermark.imagePosY = r.y;
        if (handle != Inside) {
            m_watermark.imageWidth = m_watermark.imageShownWidth = r.width;
            m_watermark.imageHeight = m_watermark.imageShownHeight = r.height;
            m_watermark.imageScaleX = scaled(r.width, m_pressRect.width, m_pressScaleX);
            m_watermark.imageScaleY = scaled(r.height, m_pressRect.height, m_pressScaleY);
        }
    }
    setSenderCursor(handle);
    setWatermarkSettingsNotSource(m_watermark, m_watermarkIndex);
    emit emitWatermarkRectChange(m_watermark, m_watermarkIndex);
    return true;
}
