#include "widgetkit/views/qbasevideowindow.h"

#include "widgetkit/views/qjxvideoshowwidget.h"
#include "widgetkit/views/qmediaelementwindow.h"

#include <QPainter>

QBaseVideoWindow::QBaseVideoWindow(QWidget *parent) : QWidget(parent)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setMouseTracking(true);
    m_view = new QJXVideoShowWidget(this);
    m_view->setGeometry(2000, 430, 81, 21);
}

void QBaseVideoWindow::setVideoSize(int width, int height)
{
    if (width < 1 || height < 1)
        return;
    m_videoWidth = width;
    m_videoHeight = height;
    fitVideo();
}

void QBaseVideoWindow::fitVideo()
{
    if (m_view && width() > 0 && height() > 0)
        m_view->setGeometry(
            QMediaElementWindow::letterBoxRect(size(), m_videoWidth, m_videoHeight));
}

WId QBaseVideoWindow::getWId() const
{
    return m_view ? m_view->winId() : 0;
}

QRect QBaseVideoWindow::getVideoViewRect() const
{
    return m_view ? m_view->geometry() : QRect();
}

void QBaseVideoWindow::setBgColor(const QColor &color)
{
    m_background = color;
    update();
}

void QBaseVideoWindow::resetOpenGl()
{
    if (m_view)
        m_view->reset();
}

void QBaseVideoWindow::showImage(const unsigned char *pixels, unsigned int width,
                                 unsigned int height, unsigned int stride)
{
    if (m_view)
        m_view->showImage(pixels, width, height, stride);
}

void QBaseVideoWindow::showYUVImage(const unsigned char *const *planes, int width, int height,
                                    const int *strides)
{
    if (m_view)
        m_view->showYUVImage(planes, width, height, strides);
}

void QBaseVideoWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_background);
}

void QBaseVideoWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitVideo();
}
