#pragma once
// Joins a Qt window class and the drawing engine: Qt's own handler runs
// first, then the engine; resizes and shows lay the children out again.

#include "widgetkit/qbasedrawwidget.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QWidget>

template <class QtBase>
class QJXWindowBase : public QtBase, public QBaseDrawWidget
{
public:
    QJXWindowBase(QWidget *parent, dlgType type)
        : QtBase(parent)
        , QBaseDrawWidget(this, type)
    {
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        QWidget::mousePressEvent(event);
        QBaseDrawWidget::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QWidget::mouseReleaseEvent(event);
        QBaseDrawWidget::mouseReleaseEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        QWidget::mouseDoubleClickEvent(event);
        QBaseDrawWidget::mouseDoubleClickEvent(event);
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        QWidget::mouseMoveEvent(event);
        QBaseDrawWidget::mouseMoveEvent(event);
    }
    void focusOutEvent(QFocusEvent *event) override
    {
        QWidget::focusOutEvent(event);
        QBaseDrawWidget::focusOutEvent(event);
    }
    void paintEvent(QPaintEvent *event) override
    {
        QWidget::paintEvent(event);
        QBaseDrawWidget::paintEvent(event);
    }
    void resizeEvent(QResizeEvent *event) override
    {
        QtBase::resizeEvent(event);
        resetControlLocation();
    }
    void showEvent(QShowEvent *event) override
    {
        QtBase::showEvent(event);
        resetControlLocation();
    }
};
