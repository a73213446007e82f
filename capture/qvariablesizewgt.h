#pragma once
// Full-screen frameless dialog with a record rectangle the user moves and
// resizes with the mouse; the widget counterpart of the crop overlay.

#include "capture/variablesizegeometry.h"

#include <QColor>
#include <QDialog>
#include <QImage>

class QVariableSizeWgt : public QDialog
{
    Q_OBJECT
public:
    explicit QVariableSizeWgt(QWidget *parent = nullptr);

    void initWidget() { m_geometry.reset(); }
    void setRecordRect(const QPoint &pos, const QSize &size);
    void setRecordRect(int x, int y, int w, int h);
    QRect getRecordRect() const { return m_geometry.recordRect(); }
    void setKeepScale(bool keep);
    void setArrowImage(const QString &path);
    void setFrameColor(const QColor &color) { m_frameColor = color; }
    QColor getFrameColor() const { return m_frameColor; }
    int getScaleWidth(int height) const { return m_geometry.scaleWidth(height); }
    int getScaleHeigt(int width) const { return m_geometry.scaleHeight(width); }
    void setCursorType(int state);
    QPoint getMouseInRectPoint(QMouseEvent *) const { return m_geometry.anchorInRect(); }
    bool changePointIsValid(QMouseEvent *) const { return true; }
    int cursorState() const { return m_geometry.state(); }
    bool isPressed() const { return m_geometry.pressed(); }

    // The window road, for a host that shows this widget as a small frame
    // around the record rectangle instead of over the whole screen: a drag
    // moves the widget (at most 3 pixels off the screen, the frame's width),
    // or moves its grabbed edge or corner, by the rules of the full-screen
    // road (least size, kept scale); either way the record rectangle becomes
    // the widget's rectangle inset by the frame.
    void setWindowsMovePos(QMouseEvent *event);
    void setFrameGeomtry(QMouseEvent *event);

signals:
    void emitPressMove();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void fillScreen();
    // The window road's record rectangle on the screen: the widget's inside.
    void placeWindowGeometry();
    // The window road's drag step: the record rectangle on the screen goes
    // through its geometry, and the widget follows it.
    void dragWindow(QMouseEvent *event, VariableSizeGeometry::CursorAndState state);

    VariableSizeGeometry m_geometry;
    // The window road measures on the screen, since the widget moves under
    // the pointer: the record rectangle in screen coordinates.
    VariableSizeGeometry m_windowGeometry;
    QImage m_arrow;
    QColor m_frameColor = QColor(0, 0, 255, 255);
};
