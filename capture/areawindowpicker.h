#pragma once
// Picking a recording area by pointing at a window or dragging a rubber band,
// over a snapshot of the on-screen windows. Coordinates have their origin at
// the bottom left of the main screen; the snapshot comes from the window
// system with a top-left origin, front to back.

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

class AreaWindowPicker
{
public:
    enum ShotState { Hover = 0, Dragging = 1, Done = 2 };

    explicit AreaWindowPicker(const QSizeF &screen = QSizeF());
    void setScreen(const QSizeF &screen) { m_screen = screen; }

    // A fresh start: the snapshot is taken now and kept while picking lasts.
    void start(const QList<QRectF> &windowsTopDown);
    // The frontmost window holding the point, or the whole screen.
    QRectF windowAt(const QPointF &p) const;
    static QRectF rubberBand(const QPointF &a, const QPointF &b);

    // Pointer moves: hovering highlights the window under the pointer (its
    // visible part), dragging moves the band's second corner.
    void pointerMoved(const QPointF &p);
    void leftPressed(const QPointF &p);
    // True when this release completes the pick (a press came first).
    bool leftReleased(const QPointF &p);
    ShotState state() const { return m_state; }
    // The highlighted rectangle: the window under the pointer, or during and
    // after a drag the band; a completed pick takes it as it is.
    QRectF selectRect() const { return m_selectRect; }
    QPointF pointer() const { return m_pointer; }

private:
    QSizeF m_screen;
    QList<QRectF> m_windows;
    QRectF m_selectRect;
    ShotState m_state = Hover;
    QPointF m_begin;
    QPointF m_end;
    QPointF m_pointer;
};
