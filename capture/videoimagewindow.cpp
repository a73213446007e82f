#include "capture/videoimagewindow.h"

#include "widgetkit/views/qjxvideoshowwidget.h"
#include "widgetkit/views/qmediaelementwindow.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
// Pointer this close to the bottom asks for the player's controls.
constexpr int kControlBand = 50;
} // namespace

VideoImageWindow::VideoImageWindow(QWidget *parent)
    : VideoFrameWindow(parent), m_ImageWidget(new QJXVideoShowWidget(this))
{
    setObjectName(QStringLiteral("VideoImageWindow"));
    resize(1571, 572);
    m_ImageWidget->setGeometry(100, 430, 81, 21);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setMouseTracking(true);
    m_ImageWidget->setMouseTracking(true);
    // The display draws only; the window takes the mouse.
    m_ImageWidget->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void VideoImageWindow::showImage(const unsigned char *pixels, unsigned int width,
                                 unsigned int height, unsigned int stride)
{
    m_ImageWidget->showImage(pixels, width, height, stride);
}

void VideoImageWindow::showYUVImage(const unsigned char *const planes[3], int width, int height,
                                    const int strides[3])
{
    m_ImageWidget->showYUVImage(planes, width, height, strides);
}

void VideoImageWindow::setVideoScale(int width, int height)
{
    if (width < 1 || height < 1)
        return;
    m_scaleSize = QSize(width, height);
    m_videoSize = QSize(0, 0);
    placePicture();
}

void VideoImageWindow::setVideoSize(int width, int height)
{
    m_videoSize = QSize(width, height);
    placePicture();
}

void VideoImageWindow::placePicture()
{
    const QSize box = size();
    if (m_videoSize.width() > 0 && m_videoSize.height() > 0) {
        const QSize picture = m_videoSize.boundedTo(box);
        m_ImageWidget->setGeometry((box.width() - picture.width()) / 2,
                                   (box.height() - picture.height()) / 2, picture.width(),
                                   picture.height());
    } else if (m_scaleSize.width() > 0 && m_scaleSize.height() > 0) {
        m_ImageWidget->setGeometry(
            QMediaElementWindow::letterBoxRect(box, m_scaleSize.width(), m_scaleSize.height()));
    }
}

void VideoImageWindow::resizeEvent(QResizeEvent *event)
{
    VideoFrameWindow::resizeEvent(event);
    placePicture();
}

QRect VideoImageWindow::getVideoRect() const
{
    return m_ImageWidget->geometry();
}

WId VideoImageWindow::getWId() const
{
    return m_ImageWidget->winId();
}

void VideoImageWindow::showNormal()
{
    QWidget::showNormal();
    m_fullScreen = false;
}

void VideoImageWindow::showFullScreen()
{
    QWidget::showFullScreen();
    m_fullScreen = true;
}

void VideoImageWindow::SetImgBorderRect(const QRect &rect)
{
    m_borderRect = rect;
    update();
}

void VideoImageWindow::resetOpenGl()
{
    m_ImageWidget->reset();
}

void VideoImageWindow::mouseDoubleClickEvent(QMouseEvent *)
{
    if (m_fullScreen)
        showNormal();
    else
        showFullScreen();
    emit emitFullScreen();
}

void VideoImageWindow::mouseMoveEvent(QMouseEvent *event)
{
    emit emitMouseMove(event);
    emit emitShowBtn(qRound(event->localPos().y()) > height() - kControlBand);
}

void VideoImageWindow::mousePressEvent(QMouseEvent *event)
{
    emit emitMouseDown(event);
    m_pressGlobal = event->globalPos();
}

// A click without movement plays or pauses; a drag does not.
void VideoImageWindow::mouseReleaseEvent(QMouseEvent *event)
{
    emit emitMouseUp(event);
    if (event->globalPos() == m_pressGlobal)
        emit emitPlayOrPause();
}

void VideoImageWindow::enterEvent(QEvent *)
{
    setCursor(Qt::ArrowCursor);
}

void VideoImageWindow::leaveEvent(QEvent *)
{
    emit emitMouseLeave();
}

void VideoImageWindow::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), Qt::black);
}
