#include "previewtestwindow.h"

#include <QCoreApplication>
#include <QThread>

PreviewTestWindow::PreviewTestWindow(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    resize(400, 300);
    place();
}

void PreviewTestWindow::setVideoElementSize(int width, int height)
{
    if (width < 1 || height < 1)
        return;
    elementSize = QSize(width, height);
    place();
}

void PreviewTestWindow::place()
{
    if (elementSize.isEmpty()) {
        m_element = rect();
        return;
    }
    QSize view = elementSize.scaled(size(), Qt::KeepAspectRatio);
    m_element = QRect(QPoint((width() - view.width()) / 2, (height() - view.height()) / 2), view);
}

void PreviewTestWindow::showImage(const unsigned char *pixels, unsigned width, unsigned height,
                                  unsigned stride)
{
    framesOffGuiThread |= QThread::currentThread() != qApp->thread();
    lastWidth = width;
    lastHeight = height;
    lastLuma = QByteArray(reinterpret_cast<const char *>(pixels), int(stride * height));
    ++frames;
}

void PreviewTestWindow::showYUVImage(const unsigned char *const planes[3], unsigned width,
                                     unsigned height, const unsigned strides[3])
{
    framesOffGuiThread |= QThread::currentThread() != qApp->thread();
    lastWidth = width;
    lastHeight = height;
    lastLuma = QByteArray(reinterpret_cast<const char *>(planes[0]), int(strides[0] * height));
    ++frames;
}
