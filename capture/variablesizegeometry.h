#pragma once
// The record rectangle of the full-screen area dialog in widget coordinates
// (origin top left, integers): clamps, the hover grab, moving, and resizing
// step by step from a drag anchor, with an optional fixed ratio.

#include "capture/areacropgeometry.h"

#include <QPoint>
#include <QRect>
#include <QSize>

class VariableSizeGeometry
{
public:
    using CursorAndState = AreaCropGeometry::CursorAndState;
    static constexpr int kMinSide = AreaCropGeometry::kMinSide;

    explicit VariableSizeGeometry(const QSize &screen = QSize()) : m_screen(screen) {}
    void setScreen(const QSize &screen) { m_screen = screen; }

    void setRecordRect(int x, int y, int w, int h);
    QRect recordRect() const { return QRect(m_origin, m_size); }

    void setKeepScale(bool keep);
    bool keepScale() const { return m_keepScale; }
    int scaleWidth(int height) const;
    int scaleHeight(int width) const;

    CursorAndState hover(const QPoint &p);
    CursorAndState state() const { return m_state; }
    void setState(CursorAndState state) { m_state = state; }
    // Back to nothing grabbed and nothing pressed.
    void reset();

    void press(const QPoint &p);
    void release() { m_pressed = false; }
    bool pressed() const { return m_pressed; }
    // One drag step; true when it is the first since the press.
    bool drag(const QPoint &p);
    // The drag anchor's distance from the grabbed edges.
    QPoint anchorInRect() const;

private:
    void move(const QPoint &p);
    void resize(const QPoint &p);

    QSize m_screen;
    QPoint m_origin = QPoint(0, 0);
    QSize m_size = QSize(0, 0);
    QPoint m_pressOffset;
    QPoint m_anchor;
    bool m_pressed = false;
    bool m_firstMove = false;
    bool m_keepScale = false;
    float m_scale = 1.0f;
    CursorAndState m_state = AreaCropGeometry::None;
};
