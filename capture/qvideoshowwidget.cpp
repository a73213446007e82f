#include "capture/qvideoshowwidget.h"

#include "capture/bitmapvideoview.h"
#include "widgetkit/views/qjxglwindow.h"
#include "widgetkit/views/qjxvideoshowwidget.h"

QVideoShowWidget::QVideoShowWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NativeWindow);
    setMouseTracking(true);
}

void QVideoShowWidget::SetOpenGl(bool openGl)
{
    delete m_glView;
    delete m_bitmapView;
    m_glView = nullptr;
    m_bitmapView = nullptr;
    m_openGl = openGl;
    QWidget *view = nullptr;
    if (openGl) {
        QJXGlWindow::prepare(this);
        view = m_glView = new QJXVideoShowWidget(this);
    } else {
        view = m_bitmapView = new BitmapVideoView(this);
    }
    view->setGeometry(rect());
    view->show();
}

void QVideoShowWidget::reshape()
{
    if (m_glView)
        m_glView->setGeometry(rect());
}

void QVideoShowWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_glView)
        m_glView->setGeometry(rect());
    if (m_bitmapView)
        m_bitmapView->setGeometry(rect());
}

bool QVideoShowWidget::showImage(const unsigned char *pixels, unsigned int width,
                                 unsigned int height, unsigned int stride)
{
    if (m_glView)
        return m_glView->showImage(pixels, width, height, stride);
    if (m_bitmapView)
        return m_bitmapView->showImage(pixels, width, height, stride);
    return false;
}

bool QVideoShowWidget::showYUVImage(const unsigned char *const planes[3], int width, int height,
                                    const int strides[3])
{
    return m_glView && m_glView->showYUVImage(planes, width, height, strides);
}
