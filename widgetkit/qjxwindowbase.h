#pragma once
// Joins a Qt window class and the drawing engine: Qt's own handler runs
// first, then the engine; resizes and shows lay the children out again.
// A process may make its windows raster-only (Qt::AA_ForceRasterWidgets), so
// that the GL stack loads only for a window that holds a GL view: such a
// window is made GL-capable when it is first shown.

#include "widgetkit/qbasedrawwidget.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QOpenGLWidget>
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

    void setVisible(bool visible) override
    {
        const bool glSurface = visible && this->isWindow() && !this->testAttribute(Qt::WA_WState_Created)
                               && QCoreApplication::testAttribute(Qt::AA_ForceRasterWidgets)
                               && this->template findChild<QOpenGLWidget *>();
        // The surface type is chosen as the native window is made, here.
        if (glSurface)
            QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets, false);
        QtBase::setVisible(visible);
        if (glSurface)
            QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets, true);
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
