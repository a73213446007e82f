#include "capture/transparentoverlaywindow.h"

#include <QGuiApplication>
#include <QScreen>

TransparentOverlayWindow::TransparentOverlayWindow(bool acceptsMouse)
{
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                          | Qt::X11BypassWindowManagerHint;
    if (!acceptsMouse)
        flags |= Qt::WindowTransparentForInput;
    setWindowFlags(flags);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating, !acceptsMouse);
    setMouseTracking(acceptsMouse);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
}

void TransparentOverlayWindow::setContentView(QWidget *view)
{
    delete m_view;
    m_view = view;
    if (view) {
        view->setParent(this);
        view->setGeometry(rect());
    }
}

void TransparentOverlayWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_view)
        m_view->setGeometry(rect());
}
