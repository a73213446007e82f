#include "widgetkit/views/qmediaelementwindow.h"

#include "widgetkit/views/qjxvideoshowwidget.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <cstdint>

namespace {
// In full screen the controls show while the pointer is this near the bottom.
constexpr int kControlBand = 80;
} // namespace

QRect QMediaElementWindow::letterBoxRect(const QSize &box, int w, int h)
{
    const int64_t bw = box.width(), bh = box.height();
    int vw, vh;
    if (int64_t(w) * bh > bw * int64_t(h)) {
        vw = int(bw);
        vh = int(int64_t(h) * bw / w);
    } else {
        vh = int(bh);
        vw = int(int64_t(w) * bh / h);
    }
    return QRect((int(bw) - vw) / 2, (int(bh) - vh) / 2, vw, vh);
}

QMediaElementWindow::QMediaElementWindow(QWidget *parent) : QWidget(parent)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setMouseTracking(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::Base, Qt::black);
    setPalette(pal);
    resize(791, 521);
    setWindowTitle(QCoreApplication::translate("QMediaElementWindow", "Form"));
}

void QMediaElementWindow::setVisible(bool visible)
{
    if (visible && isWindow() && !m_view)
        makeView();
    QWidget::setVisible(visible);
}

void QMediaElementWindow::showPicture()
{
    if (!m_view)
        makeView();
    show();
}

void QMediaElementWindow::makeView()
{
    m_view = new QJXVideoShowWidget(this);
    m_view->setObjectName(QStringLiteral("m_videoView"));
    m_view->setGeometry(m_viewRect);
    m_view->show();
}

void QMediaElementWindow::setVideoElementSize(int width, int height)
{
    if (width < 1 || height < 1)
        return;
    m_videoWidth = width;
    m_videoHeight = height;
    fitVideo();
}

void QMediaElementWindow::fitVideo()
{
    if (m_videoWidth < 1 || m_videoHeight < 1 || this->width() < 1 || this->height() < 1)
        return;
    m_viewRect = letterBoxRect(size(), m_videoWidth, m_videoHeight);
    if (m_view)
        m_view->setGeometry(m_viewRect);
    emit emitVideoElementSizeChange(m_viewRect);
}

QRect QMediaElementWindow::getVideoElementRect() const
{
    return m_viewRect;
}

WId QMediaElementWindow::getVideoElementWid() const
{
    return m_view ? m_view->winId() : 0;
}

// Frames that come before the display is made have nowhere to go.
void QMediaElementWindow::showImage(const unsigned char *pixels, unsigned int width,
                                    unsigned int height, unsigned int stride)
{
    if (m_view)
        m_view->showImage(pixels, width, height, stride);
}

void QMediaElementWindow::showYUVImage(unsigned char **planes, int width, int height,
                                       int *strides)
{
    if (m_view)
        m_view->showYUVImage(planes, width, height, strides);
}

void QMediaElementWindow::showYUVImage(const unsigned char *const planes[3], unsigned width,
                                       unsigned height, const unsigned strides[3])
{
    int signedStrides[3] = {0, 0, 0};
    if (strides)
        for (int c = 0; c < 3; ++c)
            signedStrides[c] = int(strides[c]);
    if (m_view)
        m_view->showYUVImage(planes, int(width), int(height), signedStrides);
}

void QMediaElementWindow::updateRepaint()
{
    if (m_view)
        m_view->update();
}

void QMediaElementWindow::resetOpenGl()
{
    if (m_view)
        m_view->reset();
}

void QMediaElementWindow::showNormal()
{
    QWidget::showNormal();
    fitVideo();
}

void QMediaElementWindow::showFullScreen()
{
    QWidget::showFullScreen();
    fitVideo();
}

void QMediaElementWindow::mousePressEvent(QMouseEvent *event)
{
    emit emitMousePressEvent(event);
    m_pressPos = event->globalPos();
}

void QMediaElementWindow::mouseReleaseEvent(QMouseEvent *event)
{
    emit emitMouseReleaseEvent(event);
    if (event->globalPos() == m_pressPos)
        emit emitPlayOrPause();
}

void QMediaElementWindow::mouseDoubleClickEvent(QMouseEvent *)
{
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
    emit emitFullScreen();
}

void QMediaElementWindow::mouseMoveEvent(QMouseEvent *event)
{
    emit emitMouseMoveEvent(event);
    if (isFullScreen())
        emit emitShowBtn(int(std::lround(event->localPos().y())) > height() - kControlBand);
}

void QMediaElementWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
}

void QMediaElementWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitVideo();
}
