#pragma once
// The kit's image push button: a QPushButton painted from a four-frame strip.

#include "widgetkit/qjxbasebuttondraw.h"

#include <QPushButton>

class QJXBaseButton : public QPushButton, public QJXBaseButtonDraw
{
    Q_OBJECT

public:
    explicit QJXBaseButton(QWidget *parent = nullptr);

    void seedClick();

public slots:
    void addItemCount();

signals:
    // The int is the x at which the left button went down, in button coordinates.
    void mouseMove(QMouseEvent *event, int pressX);
    void mouseDown(QMouseEvent *event, int pressX);
    void mouseRelease(QMouseEvent *event, int pressX);
    void mouseEnter(QEvent *event);
    void mouseLeave(QEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
};
