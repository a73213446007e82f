#pragma once
// Full-screen view on which a user picks and adjusts the rectangle to record.
// Three looks: crop (a frame with handles, moved and resized by the pointer),
// window picking (the screen darkened, the window under the pointer or a
// rubber band highlighted, a click fixes it) and recording (marching dashes
// only). Rectangles cross its interface with the origin at the bottom left.

#include "capture/areacropgeometry.h"
#include "capture/areawindowpicker.h"
#include "capture/dashphase.h"

#include <QColor>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>

class FirstDisplayDelay;

class AreaSelectionView : public QWidget
{
    Q_OBJECT
public:
    using RectCallback = void (*)(const QRectF &rect, void *owner);
    using WindowList = std::function<QList<QRectF>()>;

    explicit AreaSelectionView(QWidget *parent = nullptr);

    // One owner pointer serves both callbacks: the later call's wins.
    void setAreaRectCallback(RectCallback callback, void *owner);
    void setRectChangeCallback(RectCallback callback, void *owner);
    // Where the window-picking look takes its snapshot from (the X server's
    // window list by default).
    void setWindowList(WindowList list) { m_windowList = std::move(list); }

    void setShowStartRecordMode(bool on);
    void setShowPauseRecordMode(bool on);
    void setShowPointGetRectMode(bool on);
    bool showStartRecordMode() const { return m_recording; }
    bool showPointGetRectMode() const { return m_picking; }

    void setRecordRect(int x, int y, int w, int h);
    QRectF getRecordRect() const { return m_crop.recordRect(); }
    void setKeepScaleResize(bool keep);
    void setArrowImageForPath(const QString &path);
    void setFrameColor(const QColor &color);
    QColor frameColor() const { return m_frameColor; }
    // Showing or hiding the window starts the first-display delay afresh.
    void resetFirstDisplay();

    const AreaCropGeometry &crop() const { return m_crop; }
    const AreaWindowPicker &picker() const { return m_picker; }
    int dashPhase() const { return m_dash.value; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QPointF bottomUp(const QPointF &widgetPoint) const;
    QRectF topDown(const QRectF &bottomUpRect) const;
    QRectF inset(QRectF r) const;
    QSizeF markSize() const;
    void completePick();
    void pollPointer();
    void drawPicking(QPainter &p);
    void drawCrop(QPainter &p);
    void drawRecording(QPainter &p);
    void punchFrame(QPainter &p, const QRectF &hole, const QBrush &inside);

    AreaCropGeometry m_crop;
    AreaWindowPicker m_picker;
    DashPhase m_dash;
    QColor m_frameColor = QColor(253, 94, 105);
    QImage m_arrow;
    bool m_recording = false;
    bool m_paused = true;
    bool m_picking = false;
    bool m_pressed = false;
    QTimer m_dashTimer;
    QTimer m_pointerTimer;
    QPoint m_lastPointer;
    FirstDisplayDelay *m_firstDisplay;
    WindowList m_windowList;
    void *m_owner = nullptr;
    RectCallback m_areaCallback = nullptr;
    RectCallback m_changeCallback = nullptr;
};
