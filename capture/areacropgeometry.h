#pragma once
// The record rectangle of the area-selection overlay and what the pointer does
// to it: clamps, the hover grab, moving and resizing with an optional fixed
// ratio. Coordinates have their origin at the bottom left of the main screen,
// y upwards. No widget: the overlay view feeds it pointer positions.

#include <QPointF>
#include <QRectF>
#include <QSizeF>

class AreaCropGeometry
{
public:
    // What the pointer grabs; the same numbering serves the widget twin.
    enum CursorAndState {
        None = 0, Left, TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Centre
    };
    static constexpr int kMinSide = 60;
    static constexpr double kTolerance = 4.0;

    // A zero size stands for "no main screen".
    explicit AreaCropGeometry(const QSizeF &screen = QSizeF());
    void setScreen(const QSizeF &screen) { m_screen = screen.isValid() ? screen : QSizeF(0, 0); }
    QSizeF screen() const { return m_screen; }

    // Outside the screen the origin falls back to 0; each side is kept within
    // [60, screen side].
    void setRecordRect(int x, int y, int w, int h);
    QRectF recordRect() const { return QRectF(m_start, m_size); }

    void setKeepScale(bool keep);
    bool keepScale() const { return m_keepScale; }
    double scale() const { return m_scale; }

    // Hover test without a button; markSize is the centre mark's size, the only
    // place that grabs the whole rectangle.
    CursorAndState hover(const QPointF &p, const QSizeF &markSize);
    CursorAndState state() const { return m_state; }
    void press(const QPointF &p);
    // A drag step with the button held: moves or resizes by the grabbed state.
    void drag(const QPointF &p);

    double scaleHeight(double width) const;
    double scaleWidth(double height) const;

private:
    int screenW() const { return int(m_screen.width()); }
    int screenH() const { return int(m_screen.height()); }
    void move(const QPointF &p);
    void resize(const QPointF &p);

    QSizeF m_screen;
    QPointF m_start = QPointF(0, 0);
    QSizeF m_size = QSizeF(200, 330);
    bool m_keepScale = false;
    double m_scale = 1.0;
    CursorAndState m_state = None;
    QPointF m_pressPoint;
    double m_relativeX = 0;
    double m_relativeY = 0;
};
