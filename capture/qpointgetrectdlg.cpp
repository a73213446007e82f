#include "capture/qpointgetrectdlg.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cstdlib>

QPointGetRectDlg::QPointGetRectDlg(QWidget *parent) : QDialog(parent)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(QRect(QPoint(0, 0), screen->geometry().size()));
    setWindowFlags(windowFlags() | Qt::Tool | Qt::X11BypassWindowManagerHint
                   | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowState(Qt::WindowFullScreen);
    setFocusPolicy(Qt::NoFocus);
    setWindowOpacity(0.5);
    setMouseTracking(true);
}

void QPointGetRectDlg::initFullScreenWidget()
{
    m_state = 0;
    m_begin = m_end = QPoint();
}

QRect QPointGetRectDlg::getRect(const QPoint &a, const QPoint &b)
{
    return QRect(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(a.x() - b.x()),
                 std::abs(a.y() - b.y()));
}

void QPointGetRectDlg::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(111, 0, 0, 120));
    if (m_state == 1 || m_state == 2)
        m_selected = getRect(m_begin, m_end);
    const int W = width(), H = height();
    const int x = std::max(1, m_selected.left()), y = std::max(1, m_selected.top());
    const int right = m_selected.right() + 1 < W ? m_selected.right() : W - 2;
    const int bottom = m_selected.bottom() + 1 < H ? m_selected.bottom() : H - 2;
    p.fillRect(QRect(QPoint(x - 3, y - 3), QPoint(right + 3, bottom + 3)), Qt::red);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(QRect(QPoint(x, y), QPoint(right, bottom)), Qt::SolidPattern);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.fillRect(m_selected, QColor(111, 0, 0, 5));
    if (m_state == 0) {
        const QPoint c = mapFromGlobal(QCursor::pos());
        p.setPen(Qt::red);
        p.drawLine(0, c.y(), W, c.y());
        p.drawLine(c.x(), 0, c.x(), H);
    }
}

void QPointGetRectDlg::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_state == 0) {
        m_state = 1;
        m_begin = m_end = event->pos();
    } else if (event->button() == Qt::RightButton && (m_state == 1 || m_state == 2)) {
        initFullScreenWidget();
        update();
    }
}

void QPointGetRectDlg::mouseMoveEvent(QMouseEvent *event)
{
    if (m_state == 0) {
        m_selected.setLeft(std::max(0, m_selected.left()));
        m_selected.setTop(std::max(0, m_selected.top()));
        m_selected.setRight(std::min(m_selected.right(), width() - 1));
        m_selected.setBottom(std::min(m_selected.bottom(), height() - 1));
        update();
    } else if (m_state == 1) {
        m_end = event->pos();
        m_selected = getRect(m_begin, m_end);
        update();
    }
}

// What is emitted is the rectangle as last painted, not one recomputed from
// the release point.
void QPointGetRectDlg::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_state != 1)
        return;
    m_state = 2;
    m_end = event->pos();
    close();
    emit emitSelectAreaRect(m_selected);
}
