#include "widgetkit/views/qmediaborderframe.h"

#include "widgetkit/views/qmediadashedframe.h"
#include "widgetkit/views/quianyutiliy.h"

#include <QPainter>

QMediaBorderFrame::QMediaBorderFrame(QWidget *parent) : QJXWidget(parent, DlgPane)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
}

QString QMediaBorderFrame::framePicture() const
{
    return QUiAnyUtiliy::getResourcePath() + "/VEditSource/bg_border_line.png";
}

void QMediaBorderFrame::setDashedFrame(const QRect &rect, bool absolute)
{
    if (!m_mainFrame) {
        m_mainFrame = new QMediaDashedFrame(this);
        m_mainFrame->setImage(framePicture());
        m_mainFrame->show();
    }
    if (absolute) {
        m_videoRect = rect;
        m_mainFrame->setGeometry(rect);
    } else {
        m_mainFrame->setGeometry(rect.translated(m_videoRect.topLeft()));
    }
}

QMediaDashedFrame *QMediaBorderFrame::addDashFrameItem(const QRect &rect)
{
    auto *frame = new QMediaDashedFrame(this);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame->setImage(framePicture());
    frame->showCenterImage(false);
    frame->setGeometry(rect);
    frame->show();
    m_items.append(frame);
    return frame;
}

void QMediaBorderFrame::setDashedFrameRect(QMediaDashedFrame *frame, const QRect &rect)
{
    if (frame)
        frame->setGeometry(rect);
}

void QMediaBorderFrame::setDashFrameItemForList(const QRect &rect, int index)
{
    if (isValid(index))
        m_items[index]->setGeometry(rect);
}

void QMediaBorderFrame::setDashFrameItemShow(int index, bool show)
{
    if (isValid(index))
        m_items[index]->setVisible(show);
}

void QMediaBorderFrame::mouseMoveEvent(QMouseEvent *event)
{
    emit emitMouseMoveEvent(event);
}

void QMediaBorderFrame::mousePressEvent(QMouseEvent *event)
{
    emit emitMousePressEvent(event);
}

void QMediaBorderFrame::mouseReleaseEvent(QMouseEvent *event)
{
    emit emitMouseReleaseEvent(event);
}

void QMediaBorderFrame::mouseDoubleClickEvent(QMouseEvent *) {}

void QMediaBorderFrame::paintEvent(QPaintEvent *)
{
    // Nearly transparent, yet the window system still delivers the mouse.
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0, 1));
}
